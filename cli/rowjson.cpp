#include "cli/rowjson.h"

#include "convert/sound.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

namespace rowjson {

QByteArray line(const Plan &plan, const PlanRow &row, const QString &status, quint64 bytes,
                const QString &reason, quint64 clipped, const QByteArray &inputBytes,
                const QString &warning, double gainDb)
{
    const quint64 frameBytes = quint64(plan.request.channels) * (plan.request.bitsPerSample / 8u);
    QJsonObject o;
    o.insert(QStringLiteral("index"), row.index);
    o.insert(QStringLiteral("input"), row.input);
    o.insert(QStringLiteral("output"), row.output);
    if (inputBytes != row.input.toUtf8())
        o.insert(QStringLiteral("input_hex"), QString::fromLatin1(inputBytes.toHex()));
    const QByteArray outputBytes = QFile::encodeName(row.output);
    if (outputBytes != row.output.toUtf8())
        o.insert(QStringLiteral("output_hex"), QString::fromLatin1(outputBytes.toHex()));
    o.insert(QStringLiteral("status"), status);
    o.insert(QStringLiteral("reason"), reason);
    // Sizes stay below 2^53, so a double carries them exactly.
    o.insert(QStringLiteral("bytes"), double(bytes));
    o.insert(QStringLiteral("bytes_exact"), row.bytesExact);
    o.insert(QStringLiteral("short_by"), double(row.shortBy));
    o.insert(QStringLiteral("frames_out"),
             frameBytes > 0 && bytes > 44 ? double((bytes - 44) / frameBytes) : 0.0);
    o.insert(QStringLiteral("clipped"), double(clipped));
    o.insert(QStringLiteral("warning"), warning);
    // Where the slot lies in the whole conversion, for scripts that draw it.
    const double rate = plan.request.sampleRate;
    const auto position = [&](const char *frameName, const char *secondsName, quint64 frames) {
        o.insert(QLatin1String(frameName), double(frames));
        o.insert(QLatin1String(secondsName), rate > 0 ? frames / rate : 0.0);
    };
    position("start_frame", "start_seconds", row.startFrame);
    position("cut_frame", "cut_seconds", row.cutFrame);
    position("fade_frames", "fade_seconds", row.fadeFrames);
    o.insert(QStringLiteral("pad_bytes"), double(row.padBytes));
    o.insert(QStringLiteral("quality"), sound::qualityName(plan.request.sound.quality));
    o.insert(QStringLiteral("dither"), plan.request.sound.dither);
    const SoundOptions &sound = plan.request.sound;
    o.insert(QStringLiteral("gain_db"), gainDb);
    o.insert(QStringLiteral("guard"), sound.guard);
    o.insert(QStringLiteral("normalize_dbfs"),
             sound.normalize ? QJsonValue(sound.normalizeDbfs) : QJsonValue());
    QJsonObject in;
    if (row.facts.opened) {
        in.insert(QStringLiteral("format"), row.facts.format);
        in.insert(QStringLiteral("sample_rate"), row.facts.sampleRate);
        in.insert(QStringLiteral("channels"), int(row.facts.channels));
        in.insert(QStringLiteral("bits"), int(row.facts.bitsPerSample));
        in.insert(QStringLiteral("frames"), double(row.facts.frames));
        in.insert(QStringLiteral("frames_estimated"), row.facts.framesEstimated);
        in.insert(QStringLiteral("seconds"),
                  row.facts.sampleRate > 0 ? double(row.facts.frames) / row.facts.sampleRate : 0.0);
    }
    o.insert(QStringLiteral("input_facts"), in);
    QByteArray text = QJsonDocument(o).toJson(QJsonDocument::Compact);
    // JSON leaves DEL and the C1 controls as they are, and a terminal that
    // shows the rows would obey them.
    for (ushort c = 0x7F; c <= 0x9F; ++c)
        text.replace(QString(QChar(c)).toUtf8(),
                     QStringLiteral("\\u%1").arg(c, 4, 16, QLatin1Char('0')).toLatin1());
    return text + '\n';
}

} // namespace rowjson
