#include "bridge/form.h"

#include "convert/batch.h"
#include "convert/command.h"
#include "convert/placement.h"
#include "convert/sound.h"
#include "convert/units.h"

#include <QLocale>
#include <QQmlEngine>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <iterator>

void registerFormType()
{
    qmlRegisterType<Form>("Sabletide.Window", 1, 0, "Form");
}

namespace {

// --- Words: numbers as the window's locale writes them ---------------------

// "80,044" in English, "80.044" in German.
QString number(double n, int decimals)
{
    return QLocale().toString(n, 'f', decimals);
}

QString groupDigits(double n)
{
    return number(n, 0);
}

// one and many are already in the window's language.
QString plural(double n, const QString &one, const QString &many)
{
    return groupDigits(n) + QLatin1Char(' ') + (n == 1 ? one : many);
}

QString bytesText(double n)
{
    return plural(n, Form::tr("byte"), Form::tr("bytes"));
}

// "1.5 KiB", "3.2 MiB": a rounded companion to an exact byte count.
QString friendlyBytes(double bytes)
{
    if (bytes < 1024)
        return bytesText(bytes);
    if (bytes < 1048576)
        return Form::tr("%1 KiB").arg(number(bytes / 1024, 1));
    if (bytes < 1073741824)
        return Form::tr("%1 MiB").arg(number(bytes / 1048576, 1));
    return Form::tr("%1 GiB").arg(number(bytes / 1073741824, 2));
}

QString secondsText(const QString &text)
{
    return Form::tr("%1 s", "seconds").arg(text);
}

// "0.250 s", "1 min 5.000 s", "1 h 2 min 3.000 s"
QString friendlyDuration(double seconds)
{
    const double h = std::floor(seconds / 3600);
    const double m = std::floor((seconds - h * 3600) / 60);
    const QString s = secondsText(number(seconds - h * 3600 - m * 60, 3));
    if (h > 0)
        return Form::tr("%1 h %2 min %3", "hours, minutes, then seconds")
            .arg(QString::number(h), QString::number(m), s);
    if (m > 0)
        return Form::tr("%1 min %2", "minutes, then seconds").arg(QString::number(m), s);
    return s;
}

QString fileName(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// The folder the command names: the chosen one, or else the first input's.
QString effectiveFolder(const QString &chosen, const QStringList &inputs)
{
    const QString f = chosen.trimmed();
    if (!f.isEmpty())
        return f.endsWith(QLatin1Char('/')) ? f : f + QLatin1Char('/');
    if (inputs.isEmpty())
        return QString();
    const QString &first = inputs.first();
    return first.left(first.lastIndexOf(QLatin1Char('/')) + 1);
}

// --- Numbers between the locale and the engine -----------------------------

// A typed number as the engine reads it: "1.234,5" in German and "1,234.5" in
// English both become "1234.5", and ".5" becomes "0.5"; the rest of the text
// ("1:30", "KiB") stays as typed. People type the other decimal mark as often
// as their own, so a number the locale cannot read, with one "." or "," in
// it, takes that mark for the decimal point: "2,5" in English, "2.5" in German.
QString withDecimalPoint(const QString &text)
{
    const QLocale locale;
    const QString point = locale.decimalPoint();
    const QString group = locale.groupSeparator();
    QString marks = QStringLiteral(".,") + point + group;
    // Where the locale groups with a space of its own, a plain one will do.
    if (group.size() == 1 && group.at(0).isSpace())
        marks += QLatin1Char(' ');
    // Each mark by its code: "[." would open a POSIX collating element.
    QString set;
    for (const QChar c : marks)
        set += QStringLiteral("\\x{%1}").arg(c.unicode(), 0, 16);
    const QString mark = QLatin1Char('[') + set + QLatin1Char(']');
    static const QRegularExpression decimal(QStringLiteral("^[0-9]*[,.][0-9]+$"));
    const QRegularExpression numbers(mark + QStringLiteral("?[0-9]+(?:") + mark +
                                     QStringLiteral("[0-9]+)*"));

    const QString trimmed = text.trimmed();
    QString out;
    int done = 0;
    auto it = numbers.globalMatch(trimmed);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        const QString typed = match.captured();
        QString local = typed;
        local.replace(QLatin1Char(' '), group);
        bool read = false;
        locale.toDouble(local.startsWith(point) ? QLatin1Char('0') + local : local, &read);
        QString engine;
        if (read)
            engine = QString(local).remove(group).replace(point, QStringLiteral("."));
        else if (decimal.match(typed).hasMatch())
            engine = QString(typed).replace(QLatin1Char(','), QLatin1Char('.'));
        else
            engine = typed;
        if (engine.startsWith(QLatin1Char('.')))
            engine.prepend(QLatin1Char('0'));
        out += trimmed.mid(done, match.capturedStart() - done) + engine;
        done = match.capturedEnd();
    }
    return out + trimmed.mid(done);
}

// The other way: a number the engine wrote ("1.25") as the window's locale
// writes it ("1,25" in German).
QString localNumber(const QString &engineText)
{
    static const QRegularExpression decimal(QStringLiteral("[0-9]+\\.[0-9]+"));
    const QString point = QLocale().decimalPoint();
    QString out;
    int done = 0;
    auto it = decimal.globalMatch(engineText);
    while (it.hasNext()) {
        const QRegularExpressionMatch match = it.next();
        out += engineText.mid(done, match.capturedStart() - done) +
               match.captured().replace(QLatin1Char('.'), point);
        done = match.capturedEnd();
    }
    return out + engineText.mid(done);
}

// A number as remembered: the engine's way, and never in the shape of a
// number grouped by thousands with points ("48.000", "1.250"), which an older
// session wrote in German: a fourth decimal ("1.2500") keeps it apart.
const QRegularExpression &groupedShape()
{
    static const QRegularExpression shape(QStringLiteral("^[1-9][0-9]{0,2}\\.[0-9]{3}$"));
    return shape;
}

QString remembered(const QString &typed)
{
    const QString engine = withDecimalPoint(typed);
    return groupedShape().match(engine).hasMatch() ? engine + QLatin1Char('0') : engine;
}

// A typed level as the engine reads it: also with the minus sign of print.
QString levelText(const QString &typed)
{
    return withDecimalPoint(typed).replace(QChar(0x2212), QLatin1Char('-'));
}

enum class Shape { Whole, Decimal, Signed, Time };

// A remembered number that can be read for certain, as the window's locale
// writes it; "" when it cannot.
QString recalled(const QVariant &value, Shape shape)
{
    static const QRegularExpression whole(QStringLiteral("^[0-9]+$"));
    static const QRegularExpression decimal(QStringLiteral("^[0-9]+(\\.[0-9]+)?$"));
    static const QRegularExpression signedDecimal(QStringLiteral("^-?[0-9]+(\\.[0-9]+)?$"));
    static const QRegularExpression time(QStringLiteral("^([0-9]+:){0,2}[0-9]+(\\.[0-9]+)?$"));
    const QString text = value.toString().trimmed();
    const QRegularExpression &form = shape == Shape::Whole     ? whole
                                     : shape == Shape::Decimal ? decimal
                                     : shape == Shape::Signed  ? signedDecimal
                                                               : time;
    if (!form.match(text).hasMatch() || groupedShape().match(text).hasMatch())
        return QString();
    return localNumber(text);
}

// A remembered switch: true or false, or their text.
bool recalledSwitch(const QVariant &value, bool *on)
{
    const QString text = value.toString();
    if (text != QLatin1String("true") && text != QLatin1String("false"))
        return false;
    *on = text == QLatin1String("true");
    return true;
}

// A remembered index from 0 to count - 1; -1 when it cannot be read.
int recalledIndex(const QVariant &value, int count)
{
    bool ok = false;
    const int i = value.toString().toInt(&ok, 10);
    return ok && i >= 0 && i < count ? i : -1;
}

// --- Sizes -----------------------------------------------------------------

// The size box's units as the engine's size reader writes them.
constexpr int unitCount = units::sizeUnitCount;

QString sizeWithUnit(const QString &engineNumber, int unit)
{
    return units::sizeInUnit(engineNumber, unit);
}

// The size typed as `typed` in the unit `from`, typed in the unit `to`: the
// decimal that is exactly the same bytes, the only one the engine reads back
// as them (it rounds no fraction of a byte). Where that needs more decimals
// than the engine reads (odd bytes in KiB need ten), the engine refuses it
// with its reason, and the size is not silently changed. Text that is no
// size stays as it is.
QString sizeInUnit(const QString &typed, int from, int to)
{
    quint32 bytes = 0;
    quint32 kilo = 0;
    QString error;
    // The unit's bytes from 1024 of it: the engine refuses a size of 1 byte.
    if (!units::parseSize(sizeWithUnit(withDecimalPoint(typed), from), &bytes, &error) ||
        !units::parseSize(sizeWithUnit(QStringLiteral("1024"), to), &kilo, &error))
        return typed;
    const quint32 unitBytes = kilo / 1024;
    // unitBytes is a power of two: the decimal ends within 20 digits.
    QString exact = QString::number(bytes / unitBytes);
    quint64 rest = bytes % unitBytes;
    if (rest > 0)
        exact += QLatin1Char('.');
    while (rest > 0) {
        rest *= 10;
        exact += QChar(QLatin1Char(char('0' + rest / unitBytes)));
        rest %= unitBytes;
    }
    return localNumber(exact);
}

// --- Checked fields --------------------------------------------------------

QVariantMap accepted(const QVariant &value)
{
    return {{QStringLiteral("ok"), true},
            {QStringLiteral("value"), value},
            {QStringLiteral("reason"), QString()}};
}

QVariantMap refused(const QString &reason)
{
    return {{QStringLiteral("ok"), false},
            {QStringLiteral("value"), 0},
            {QStringLiteral("reason"), reason}};
}

QVariantMap refusedPlan(const QString &reason)
{
    return {{QStringLiteral("ok"), false},
            {QStringLiteral("command"), QString()},
            {QStringLiteral("reason"), reason}};
}

bool isOk(const QVariantMap &checked)
{
    return checked.value(QStringLiteral("ok")).toBool();
}

QString reasonOf(const QVariantMap &checked)
{
    return checked.value(QStringLiteral("reason")).toString();
}

// Whether the request takes `text` for its option `name`.
bool optionOk(const QString &name, const QString &text)
{
    RequestOptions options;
    QString error;
    return readRequestOptions({{name, text}}, &options, &error);
}

// How the form remembers its normalize choice.
const char *const normalizeNames[] = {"off", "peak", "loudness"};
constexpr int normalizeCount = 3;

// A level field: accepted, 0, while not asked for; else checked by the
// request's option `name`, or refused with `reason`.
QVariantMap checkedLevel(bool asked, const QString &name, const QString &typed,
                         const QString &reason)
{
    QString text = levelText(typed);
    if (!asked)
        return accepted(0.0);
    if (!optionOk(name, text))
        return refused(reason);
    // The engine also reads "-1 dB".
    return accepted(
        QLocale::c().toDouble(text.remove(QStringLiteral("dB"), Qt::CaseInsensitive).trimmed()));
}

// The sound options as the form's fields choose them, every choice kept.
SoundOptions wantedSound(int normalize, bool together, bool guard, bool dither, int quality,
                         bool trim, double peak, double loudness, double trimLevel)
{
    SoundOptions s;
    s.normalize = normalize == 1;
    s.normalizeDbfs = peak;
    s.loudness = normalize == 2;
    s.loudnessLufs = loudness;
    s.together = together;
    s.guard = guard;
    s.dither = dither;
    s.quality = SoundOptions::Quality(quality);
    s.trimStart = trim;
    s.trimStartDbfs = trimLevel;
    return s;
}

// The request's share of `s`: only what differs from the plain conversion,
// so that a plain form asks nothing new.
void addSound(const SoundOptions &s, QVariantMap *options)
{
    if (s.quality != SoundOptions::Quality::High)
        options->insert(QStringLiteral("quality"), sound::qualityName(s.quality));
    if (s.dither)
        options->insert(QStringLiteral("dither"), true);
    if (s.guard)
        options->insert(QStringLiteral("guard"), true);
    if (s.normalize)
        options->insert(QStringLiteral("normalizeDbfs"), s.normalizeDbfs);
    if (s.loudness)
        options->insert(QStringLiteral("loudnessLufs"), s.loudnessLufs);
    if (s.together)
        options->insert(QStringLiteral("together"), true);
    if (s.trimStart)
        options->insert(QStringLiteral("trimStartDbfs"), s.trimStartDbfs);
}

QVariantMap layoutMap(const units::FrameLayout &layout)
{
    const QVariant none = QVariant::fromValue(nullptr);
    return {{QStringLiteral("frames"), double(layout.frames)},
            {QStringLiteral("whole"), layout.whole},
            {QStringLiteral("lower"), layout.lower > 0 ? QVariant(double(layout.lower)) : none},
            {QStringLiteral("upper"), layout.upper > 0 ? QVariant(double(layout.upper)) : none}};
}

} // namespace

Form::Form(QObject *parent) : QObject(parent)
{
    now = derive(typed);
}

Form::Derived Form::derive(const Typed &t)
{
    Derived d;
    quint32 rate = 0;
    quint32 channels = 0;
    QString error;

    if (t.rateText.trimmed().isEmpty())
        d.rate = refused(tr("Type a sample rate, such as %1.").arg(48000));
    else if (units::parseCount(withDecimalPoint(t.rateText), 1, command::maxSampleRate, &rate,
                               &error))
        d.rate = accepted(rate);
    else
        d.rate = refused(tr("The sample rate must be a whole number of hertz from 1 to %1.")
                             .arg(groupDigits(command::maxSampleRate)));

    if (t.channelsText.trimmed().isEmpty())
        d.channels = refused(tr("Type a channel count: 1 for mono, 2 for stereo."));
    else if (units::parseCount(withDecimalPoint(t.channelsText), 1, command::maxChannels, &channels,
                               &error))
        d.channels = accepted(channels);
    else
        d.channels = refused(tr("The channel count must be a whole number from 1 to %1: 1 for "
                                "mono, 2 for stereo.")
                                 .arg(command::maxChannels));

    const quint32 bits = t.bits > 0 ? quint32(t.bits) : 0u;
    d.formatOk = isOk(d.rate) && isOk(d.channels);
    d.frameBytes = d.formatOk ? int(units::frameBytes(channels, bits)) : 0;

    quint32 bytes = 0;
    if (!d.formatOk) {
        d.size = refused(QString());
    } else {
        const QString text = withDecimalPoint(t.durationMode ? t.durationText : t.sizeText);
        quint64 nanoseconds = 0;
        if (text.isEmpty())
            d.size =
                refused(t.durationMode
                            ? tr("Type a duration in seconds, such as %1, or as %2.")
                                  .arg(localNumber(QStringLiteral("2.5")), QStringLiteral("1:30"))
                            : tr("Type a size, or 0 to keep the whole sound."));
        else if (t.durationMode
                     ? units::parseDuration(text, &nanoseconds, &error) &&
                           units::sizeForDuration(nanoseconds, rate, channels, bits, &bytes, &error)
                     : units::parseSize(sizeWithUnit(text, t.sizeUnit), &bytes, &error))
            d.size = accepted(double(bytes));
        else
            d.size = refused(t.durationMode ? tr("The duration %1.").arg(error)
                                            : tr("The size %1.").arg(error));
    }
    const bool sizeOk = isOk(d.size);
    const units::FrameLayout layout =
        sizeOk ? units::frameLayout(bytes, channels, bits) : units::FrameLayout();
    d.layout = layoutMap(layout);
    // A cut in the middle of a frame leaves a torn last sample.
    d.partialFrame = sizeOk && !t.durationMode && !layout.whole;

    if (!sizeOk) {
        d.sizeInfo.clear();
    } else if (bytes == 0) {
        d.sizeInfo = tr("0 keeps the whole converted sound, however long it is.");
    } else {
        const QString frames = plural(layout.frames, tr("frame"), tr("frames"));
        if (t.durationMode) {
            d.sizeInfo = tr("Each file will be exactly %1 (%2): %3.")
                             .arg(bytesText(bytes), friendlyBytes(bytes), frames);
        } else {
            const QString sound = friendlyDuration(double(layout.frames) / rate);
            // A size in KiB or MiB is also said in bytes, the unit the engine writes.
            d.sizeInfo =
                t.sizeUnit > 0
                    ? tr("= %1. Holds %2 of sound (%3).").arg(bytesText(bytes), sound, frames)
                    : tr("Holds %1 of sound (%2).").arg(sound, frames);
        }
    }

    // Padding and fading need a size to fill or to cut at.
    d.sized = sizeOk && bytes > 0;
    const QString fadeText = withDecimalPoint(t.fadeText);
    if (fadeText.isEmpty() || !d.sized)
        d.fade = accepted(0);
    else if (optionOk(QStringLiteral("fadeOutMs"), fadeText))
        d.fade = accepted(fadeText.toInt());
    else
        d.fade = refused(tr("The fade-out must be a whole number of milliseconds, up to an hour; "
                            "0 for none."));
    const QString startText = withDecimalPoint(t.startText);
    if (startText.isEmpty())
        d.start = accepted(QString());
    else if (optionOk(QStringLiteral("start"), startText))
        d.start = accepted(startText);
    else
        d.start = refused(
            tr("The start must be a time in seconds, such as %1, or as %2.")
                .arg(localNumber(QStringLiteral("1.25")), localNumber(QStringLiteral("0:01.250"))));
    d.options = {{QStringLiteral("pad"), d.sized && t.padChecked},
                 {QStringLiteral("fadeOutMs"), d.fade.value(QStringLiteral("value"))},
                 {QStringLiteral("start"), d.start.value(QStringLiteral("value"))}};

    d.peak = checkedLevel(t.normalize == 1, QStringLiteral("normalizeDbfs"), t.peakText,
                          tr("The peak must be a level from %1 to 0 dBFS, such as %2.")
                              .arg(sound::minPeakDbfs)
                              .arg(-1));
    d.loudness = checkedLevel(t.normalize == 2, QStringLiteral("loudnessLufs"), t.loudnessText,
                              tr("The loudness must be from %1 to %2 LUFS, such as %3.")
                                  .arg(sound::minLoudnessLufs)
                                  .arg(sound::maxLoudnessLufs)
                                  .arg(-16));
    d.trim = checkedLevel(t.trimChecked, QStringLiteral("trimStartDbfs"), t.trimText,
                          tr("The start's level must be below 0 dBFS and no lower than %1, such "
                             "as %2.")
                              .arg(sound::minTrimDbfs)
                              .arg(-48));
    const auto level = [](const QVariantMap &checked) {
        return checked.value(QStringLiteral("value")).toDouble();
    };
    const auto wanted = [&](bool together, bool guard) {
        return wantedSound(t.normalize, together, guard, t.dither, t.quality, t.trimChecked,
                           level(d.peak), level(d.loudness), level(d.trim));
    };
    d.guardApplies = sound::effective(wanted(false, true)).guard;
    d.togetherApplies = sound::effective(wanted(true, false)).together;
    if (isOk(d.peak) && isOk(d.loudness) && isOk(d.trim))
        addSound(sound::effective(wanted(t.together, t.guard)), &d.options);

    d.outputFolder = placement::typedFolder(effectiveFolder(t.folderText, t.inputs));
    if (t.folderText.contains(QLatin1Char(',')))
        d.folderReason = tr("The output folder's path holds a comma, which Sabletide cannot pass "
                            "on. Choose another folder.");
    if (t.suffix.contains(QLatin1Char(',')))
        d.suffixReason = tr("The suffix cannot hold a comma.");
    else if (t.suffix.contains(QLatin1Char('/')))
        d.suffixReason = tr("The suffix cannot hold a /.");

    QString inputReason;
    for (const QString &input : t.inputs) {
        if (input.contains(QLatin1Char(','))) {
            inputReason = tr("%1: its path holds a comma, which Sabletide cannot pass on. Rename "
                             "the file or folder without the comma.")
                              .arg(fileName(input));
            break;
        }
    }
    // Only what the engine cannot plan at all stops the request: inputs it
    // refuses one by one (same names, an output on an input) are its plan's rows.
    if (t.inputs.isEmpty())
        d.plan = refusedPlan(tr("Add the audio files to convert."));
    else if (!isOk(d.rate))
        d.plan = refusedPlan(reasonOf(d.rate));
    else if (!isOk(d.channels))
        d.plan = refusedPlan(reasonOf(d.channels));
    else if (!sizeOk)
        d.plan = refusedPlan(reasonOf(d.size));
    else if (!isOk(d.fade))
        d.plan = refusedPlan(reasonOf(d.fade));
    else if (!isOk(d.start))
        d.plan = refusedPlan(reasonOf(d.start));
    else if (!isOk(d.peak))
        d.plan = refusedPlan(reasonOf(d.peak));
    else if (!isOk(d.loudness))
        d.plan = refusedPlan(reasonOf(d.loudness));
    else if (!isOk(d.trim))
        d.plan = refusedPlan(reasonOf(d.trim));
    else if (!inputReason.isEmpty())
        d.plan = refusedPlan(inputReason);
    else if (d.outputFolder.isEmpty())
        d.plan = refusedPlan(tr("Choose an output folder."));
    else if (!d.folderReason.isEmpty())
        d.plan = refusedPlan(d.folderReason);
    else if (!d.suffixReason.isEmpty())
        d.plan = refusedPlan(d.suffixReason);
    else {
        ConvertCommand c;
        c.sampleRate = rate;
        c.channels = quint8(channels);
        c.bitsPerSample = quint8(qMin(bits, 255u));
        c.fileSize = bytes;
        c.outputFolder = d.outputFolder;
        c.suffix = t.suffix;
        c.inputs = t.inputs;
        d.plan = {{QStringLiteral("ok"), true},
                  {QStringLiteral("command"), command::compose(c)},
                  {QStringLiteral("reason"), QString()}};
    }

    if (sizeOk) {
        const quint64 total = quint64(bytes) * quint64(t.inputs.size());
        d.totalBytes = double(total);
        d.large = units::isLargeRequest(total);
        if (total > 0)
            d.largeText = tr("%1 of %2: %3 in all.")
                              .arg(plural(t.inputs.size(), tr("file"), tr("files")),
                                   friendlyBytes(bytes), friendlyBytes(d.totalBytes));
    }
    return d;
}

void Form::change(const Typed &next)
{
    const Typed was = typed;
    const Derived before = now;
    typed = next;
    now = derive(typed);
    const auto tell = [this](bool changed, void (Form::*signal)()) {
        if (changed)
            (this->*signal)();
    };
    tell(typed.rateText != was.rateText, &Form::rateTextChanged);
    tell(typed.channelsText != was.channelsText, &Form::channelsTextChanged);
    tell(typed.bits != was.bits, &Form::bitsChanged);
    tell(typed.durationMode != was.durationMode, &Form::durationModeChanged);
    tell(typed.sizeText != was.sizeText, &Form::sizeTextChanged);
    tell(typed.sizeUnit != was.sizeUnit, &Form::sizeUnitChanged);
    tell(typed.durationText != was.durationText, &Form::durationTextChanged);
    tell(typed.folderText != was.folderText, &Form::folderTextChanged);
    tell(typed.suffix != was.suffix, &Form::suffixChanged);
    tell(typed.inputs != was.inputs, &Form::inputsChanged);
    tell(typed.padChecked != was.padChecked, &Form::padCheckedChanged);
    tell(typed.fadeText != was.fadeText, &Form::fadeTextChanged);
    tell(typed.startText != was.startText, &Form::startTextChanged);
    tell(typed.normalize != was.normalize, &Form::normalizeChanged);
    tell(typed.peakText != was.peakText, &Form::peakTextChanged);
    tell(typed.loudnessText != was.loudnessText, &Form::loudnessTextChanged);
    tell(typed.together != was.together, &Form::togetherChanged);
    tell(typed.guard != was.guard, &Form::guardChanged);
    tell(typed.dither != was.dither, &Form::ditherChanged);
    tell(typed.quality != was.quality, &Form::qualityChanged);
    tell(typed.trimChecked != was.trimChecked, &Form::trimCheckedChanged);
    tell(typed.trimText != was.trimText, &Form::trimTextChanged);
    tell(now.rate != before.rate, &Form::rateChanged);
    tell(now.channels != before.channels, &Form::channelsChanged);
    tell(now.formatOk != before.formatOk, &Form::formatOkChanged);
    tell(now.frameBytes != before.frameBytes, &Form::frameBytesChanged);
    tell(now.size != before.size, &Form::sizeChanged);
    tell(now.layout != before.layout, &Form::layoutChanged);
    tell(now.partialFrame != before.partialFrame, &Form::partialFrameChanged);
    tell(now.sizeInfo != before.sizeInfo, &Form::sizeInfoChanged);
    tell(now.sized != before.sized, &Form::sizedChanged);
    tell(now.fade != before.fade, &Form::fadeChanged);
    tell(now.start != before.start, &Form::startChanged);
    tell(now.peak != before.peak, &Form::peakChanged);
    tell(now.loudness != before.loudness, &Form::loudnessChanged);
    tell(now.trim != before.trim, &Form::trimChanged);
    tell(now.guardApplies != before.guardApplies, &Form::guardAppliesChanged);
    tell(now.togetherApplies != before.togetherApplies, &Form::togetherAppliesChanged);
    tell(now.options != before.options, &Form::optionsChanged);
    tell(now.outputFolder != before.outputFolder, &Form::outputFolderChanged);
    tell(now.folderReason != before.folderReason, &Form::folderReasonChanged);
    tell(now.suffixReason != before.suffixReason, &Form::suffixReasonChanged);
    tell(now.plan != before.plan, &Form::planChanged);
    tell(now.totalBytes != before.totalBytes, &Form::totalBytesChanged);
    tell(now.large != before.large, &Form::largeChanged);
    tell(now.largeText != before.largeText, &Form::largeTextChanged);
}

void Form::setSizeUnit(int unit)
{
    if (unit < 0 || unit >= unitCount || unit == typed.sizeUnit)
        return;
    Typed next = typed;
    if (made)
        next.sizeText = sizeInUnit(typed.sizeText, typed.sizeUnit, unit);
    next.sizeUnit = unit;
    change(next);
}

void Form::setNormalize(int mode)
{
    if (mode < 0 || mode >= normalizeCount)
        return;
    Typed next = typed;
    next.normalize = mode;
    change(next);
}

void Form::setQuality(int index)
{
    if (index < 0 || index >= sound::qualityNames().size())
        return;
    Typed next = typed;
    next.quality = index;
    change(next);
}

void Form::classBegin()
{
    made = false;
}

void Form::componentComplete()
{
    made = true;
}

QString Form::outputOf(const QString &input) const
{
    return command::outputPath(input, now.outputFolder, typed.suffix);
}

QVariantMap Form::values() const
{
    int bitsIndex = -1;
    for (int i = 0; i < int(std::size(units::writableDepths)); ++i) {
        if (int(units::writableDepths[i]) == typed.bits)
            bitsIndex = i;
    }
    return {{QStringLiteral("rate"), remembered(typed.rateText)},
            {QStringLiteral("channels"), remembered(typed.channelsText)},
            {QStringLiteral("bitsIndex"), bitsIndex},
            {QStringLiteral("durationMode"), typed.durationMode},
            {QStringLiteral("size"), remembered(typed.sizeText)},
            {QStringLiteral("sizeUnit"), typed.sizeUnit},
            {QStringLiteral("duration"), remembered(typed.durationText)},
            {QStringLiteral("folder"), typed.folderText},
            {QStringLiteral("suffix"), typed.suffix},
            {QStringLiteral("pad"), typed.padChecked},
            {QStringLiteral("fadeOutMs"), remembered(typed.fadeText)},
            {QStringLiteral("normalize"), QLatin1String(normalizeNames[typed.normalize])},
            {QStringLiteral("peakDbfs"), levelText(typed.peakText)},
            {QStringLiteral("loudnessLufs"), levelText(typed.loudnessText)},
            {QStringLiteral("together"), typed.together},
            {QStringLiteral("guard"), typed.guard},
            {QStringLiteral("dither"), typed.dither},
            {QStringLiteral("quality"), sound::qualityName(SoundOptions::Quality(typed.quality))},
            {QStringLiteral("trimStart"), typed.trimChecked},
            {QStringLiteral("trimStartDbfs"), levelText(typed.trimText)}};
}

void Form::restore(const QVariantMap &values)
{
    Typed next = typed;
    const auto number = [&values](const char *key, Shape shape, QString *field) {
        const auto found = values.constFind(QLatin1String(key));
        if (found == values.constEnd())
            return;
        const QString text = recalled(*found, shape);
        if (!text.isEmpty())
            *field = text;
    };
    number("rate", Shape::Whole, &next.rateText);
    number("channels", Shape::Whole, &next.channelsText);
    number("size", Shape::Decimal, &next.sizeText);
    number("duration", Shape::Time, &next.durationText);
    number("fadeOutMs", Shape::Whole, &next.fadeText);
    if (values.contains(QStringLiteral("folder")))
        next.folderText = values.value(QStringLiteral("folder")).toString();
    if (values.contains(QStringLiteral("suffix")))
        next.suffix = values.value(QStringLiteral("suffix")).toString();
    const int bitsIndex = recalledIndex(values.value(QStringLiteral("bitsIndex")),
                                        int(std::size(units::writableDepths)));
    if (bitsIndex >= 0)
        next.bits = int(units::writableDepths[bitsIndex]);
    const int unit = recalledIndex(values.value(QStringLiteral("sizeUnit")), unitCount);
    if (unit >= 0)
        next.sizeUnit = unit;
    recalledSwitch(values.value(QStringLiteral("durationMode")), &next.durationMode);
    recalledSwitch(values.value(QStringLiteral("pad")), &next.padChecked);
    number("peakDbfs", Shape::Signed, &next.peakText);
    number("loudnessLufs", Shape::Signed, &next.loudnessText);
    number("trimStartDbfs", Shape::Signed, &next.trimText);
    const QString normalize = values.value(QStringLiteral("normalize")).toString();
    for (int i = 0; i < normalizeCount; ++i) {
        if (normalize == QLatin1String(normalizeNames[i]))
            next.normalize = i;
    }
    SoundOptions::Quality quality;
    if (sound::parseQuality(values.value(QStringLiteral("quality")).toString(), &quality))
        next.quality = int(quality);
    recalledSwitch(values.value(QStringLiteral("together")), &next.together);
    recalledSwitch(values.value(QStringLiteral("guard")), &next.guard);
    recalledSwitch(values.value(QStringLiteral("dither")), &next.dither);
    recalledSwitch(values.value(QStringLiteral("trimStart")), &next.trimChecked);
    change(next);
}

void Form::applyPreset(const QVariantMap &preset)
{
    QVariantMap values;
    for (auto it = preset.constBegin(); it != preset.constEnd(); ++it) {
        if (it.key() != QLatin1String("folder") && it.key() != QLatin1String("start") &&
            !it.value().toString().isEmpty())
            values.insert(it.key(), it.value());
    }
    const auto bits = values.constFind(QStringLiteral("bits"));
    if (bits != values.constEnd()) {
        const auto *depth = std::find(std::begin(units::writableDepths),
                                      std::end(units::writableDepths), bits->toUInt());
        values.insert(QStringLiteral("bitsIndex"),
                      depth == std::end(units::writableDepths)
                          ? -1
                          : int(depth - std::begin(units::writableDepths)));
    }
    // A size without its unit is in bytes.
    if (values.contains(QStringLiteral("size")) && !values.contains(QStringLiteral("sizeUnit")))
        values.insert(QStringLiteral("sizeUnit"), 0);
    bool byDuration = false;
    recalledSwitch(preset.value(QStringLiteral("durationMode")), &byDuration);
    values.insert(QStringLiteral("durationMode"), byDuration);
    restore(values);
}

void Form::setSizeBytes(double bytes)
{
    Typed next = typed;
    next.durationMode = false;
    next.sizeUnit = 0;
    next.sizeText = QString::number(qint64(bytes));
    change(next);
}
