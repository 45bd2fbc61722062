#include "convert/presets.h"

#include "convert/sound.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSettings>

namespace presets {

namespace {

// Prompts played one after another at one level, kept audible at 8 bits: the
// loudness of speech on small speakers, dithered. The guard stands for when
// the loudness is turned off.
SoundOptions promptSound()
{
    SoundOptions s;
    s.dither = true;
    s.guard = true;
    s.loudness = true;
    s.loudnessLufs = -16;
    return s;
}

const QString ownGroup = QStringLiteral("presets");
const QString ownKey = QStringLiteral("own");

bool isOn(const QVariant &value)
{
    return value.toString() == QLatin1String("true");
}

} // namespace

const QVector<Preset> &builtIn()
{
    // Names are marked for translation here and translated where they are shown.
    static const QVector<Preset> list{
        {QT_TRANSLATE_NOOP("presets", "Voice prompt: 8 kHz 8-bit mono, 2 s"), 8000, 1, 8, true, 2,
         0, QStringLiteral("_prompt"), true, 10, promptSound()},
        {QT_TRANSLATE_NOOP("presets", "Speech: 22.05 kHz 16-bit mono, 5 s"), 22050, 1, 16, true, 5,
         0, QStringLiteral("_speech"), true, 20, SoundOptions()},
        {QT_TRANSLATE_NOOP("presets", "CD stereo: 44.1 kHz 16-bit, 10 s"), 44100, 2, 16, true, 10,
         0, QStringLiteral("_cd"), true, 30, SoundOptions()},
        {QT_TRANSLATE_NOOP("presets", "Sampler pad: 48 kHz 16-bit mono, 1 MiB"), 48000, 1, 16,
         false, 0, 1048576, QStringLiteral("_pad"), true, 30, SoundOptions()},
        {QT_TRANSLATE_NOOP("presets", "Studio: 48 kHz 24-bit stereo, 30 s"), 48000, 2, 24, true, 30,
         0, QStringLiteral("_studio"), true, 50, SoundOptions()},
    };
    return list;
}

QString windowSettingsFile()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope,
                     QLatin1String(settingsOrganization), QLatin1String(settingsApplication))
        .fileName();
}

QVariantList readOwn(QSettings &settings)
{
    settings.beginGroup(ownGroup);
    const QByteArray text = settings.value(ownKey, QStringLiteral("[]")).toString().toUtf8();
    settings.endGroup();
    QVariantList own;
    for (const QVariant &entry : QJsonDocument::fromJson(text).array().toVariantList()) {
        if (entry.type() == QVariant::Map &&
            entry.toMap().value(QStringLiteral("name")).type() == QVariant::String)
            own << entry;
    }
    return own;
}

const QStringList &keptKeys()
{
    static const QStringList keys{
        QStringLiteral("rate"),         QStringLiteral("channels"),  QStringLiteral("bits"),
        QStringLiteral("durationMode"), QStringLiteral("size"),      QStringLiteral("sizeUnit"),
        QStringLiteral("duration"),     QStringLiteral("suffix"),    QStringLiteral("pad"),
        QStringLiteral("fadeOutMs"),    QStringLiteral("normalize"), QStringLiteral("peakDbfs"),
        QStringLiteral("loudnessLufs"), QStringLiteral("together"),  QStringLiteral("guard"),
        QStringLiteral("dither"),       QStringLiteral("quality"),   QStringLiteral("trimStart"),
        QStringLiteral("trimStartDbfs")};
    return keys;
}

bool writeOwn(QSettings &settings, const QVariantList &own, QString *error)
{
    // Only what a preset stands for is kept: never the folder or the start,
    // which belong to one batch.
    QVariantList kept;
    for (const QVariant &entry : own) {
        const QVariantMap values = entry.toMap();
        QVariantMap preset{{QStringLiteral("name"), values.value(QStringLiteral("name"))}};
        for (const QString &key : keptKeys()) {
            const auto found = values.constFind(key);
            if (found != values.constEnd())
                preset.insert(key, *found);
        }
        kept.append(preset);
    }
    settings.beginGroup(ownGroup);
    settings.setValue(
        ownKey,
        QString::fromUtf8(
            QJsonDocument(QJsonArray::fromVariantList(kept)).toJson(QJsonDocument::Compact)));
    settings.endGroup();
    settings.sync();
    if (settings.status() == QSettings::NoError)
        return true;
    *error = QCoreApplication::translate("engine", "%1: cannot write the settings")
                 .arg(settings.fileName());
    return false;
}

bool fromKept(const QVariantMap &kept, Preset *preset, QString *error)
{
    Preset p;
    p.name = kept.value(QStringLiteral("name")).toString();
    const auto text = [&kept](const char *key) {
        return kept.value(QLatin1String(key)).toString().trimmed();
    };
    const auto refuse = [&](const char *key, const QString &why) {
        *error = QStringLiteral("%1 \"%2\": %3").arg(QLatin1String(key), text(key), why);
        return false;
    };
    QString why;
    if (!text("rate").isEmpty() && !units::parseRate(text("rate"), &p.rate, &why))
        return refuse("rate", why);
    if (!text("channels").isEmpty() &&
        !units::parseCount(text("channels"), 1, 255, &p.channels, &why))
        return refuse("channels", why);
    if (!text("bits").isEmpty() && !units::parseCount(text("bits"), 8, 32, &p.bits, &why))
        return refuse("bits", why);
    p.byDuration = isOn(kept.value(QStringLiteral("durationMode")));
    if (p.byDuration && !text("duration").isEmpty()) {
        quint64 nanos = 0;
        if (!units::parseDuration(text("duration"), &nanos, &why))
            return refuse("duration", why);
        p.seconds = double(nanos) / 1e9;
    } else if (!p.byDuration && !text("size").isEmpty()) {
        quint32 bytes = 0;
        if (!units::parseSize(units::sizeInUnit(text("size"), text("sizeUnit").toInt()), &bytes,
                              &why))
            return refuse("size", why);
        p.bytes = bytes;
    }
    p.suffix = kept.value(QStringLiteral("suffix")).toString();
    p.pad = isOn(kept.value(QStringLiteral("pad")));
    if (!text("fadeOutMs").isEmpty() &&
        !units::parseCount(text("fadeOutMs"), 0, 3600000, &p.fadeOutMs, &why))
        return refuse("fadeOutMs", why);

    SoundOptions &s = p.sound;
    const QString level = text("normalize");
    s.normalize = level == QLatin1String("peak");
    s.loudness = level == QLatin1String("loudness");
    const std::pair<const char *, double *> numbers[] = {{"peakDbfs", &s.normalizeDbfs},
                                                         {"loudnessLufs", &s.loudnessLufs},
                                                         {"trimStartDbfs", &s.trimStartDbfs}};
    for (const auto &number : numbers) {
        bool ok = true;
        if (!text(number.first).isEmpty())
            *number.second = text(number.first).toDouble(&ok);
        if (!ok)
            return refuse(number.first, QStringLiteral("not a number"));
    }
    if (!text("quality").isEmpty() && !sound::parseQuality(text("quality"), &s.quality))
        return refuse("quality", sound::qualityNames().join(QLatin1Char('|')));
    s.together = isOn(kept.value(QStringLiteral("together")));
    s.guard = isOn(kept.value(QStringLiteral("guard")));
    s.dither = isOn(kept.value(QStringLiteral("dither")));
    s.trimStart = isOn(kept.value(QStringLiteral("trimStart")));
    *preset = p;
    return true;
}

} // namespace presets
