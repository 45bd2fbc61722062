#include "cli/rowjson.h"

#include "convert/planmap.h"
#include "convert/sound.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace rowjson {

QByteArray line(const Plan &plan, const PlanRow &row, const QString &status, quint64 bytes,
                const QString &reason, quint64 clipped, const QByteArray &inputBytes,
                const QString &warning, const sound::Level *level)
{
    const quint64 frameBytes = quint64(plan.request.channels) * (plan.request.bitsPerSample / 8u);
    // The plan's own figures; what the run did comes on top of them.
    QJsonObject o = planmap::rowJson(plan.request, row);
    o.insert(QStringLiteral("index"), row.index);
    if (inputBytes != row.input.toUtf8())
        o.insert(QStringLiteral("input_hex"), QString::fromLatin1(inputBytes.toHex()));
    const QByteArray outputBytes = QFile::encodeName(row.output);
    if (outputBytes != row.output.toUtf8())
        o.insert(QStringLiteral("output_hex"), QString::fromLatin1(outputBytes.toHex()));
    o.insert(QStringLiteral("status"), status);
    o.insert(QStringLiteral("reason"), reason);
    // Sizes stay below 2^53, so a double carries them exactly.
    o.insert(QStringLiteral("bytes"), double(bytes));
    o.insert(QStringLiteral("frames_out"),
             frameBytes > 0 && bytes > 44 ? double((bytes - 44) / frameBytes) : 0.0);
    o.insert(QStringLiteral("clipped"), double(clipped));
    o.insert(QStringLiteral("warning"), warning);
    o.insert(QStringLiteral("quality"), sound::qualityName(plan.request.sound.quality));
    o.insert(QStringLiteral("dither"), plan.request.sound.dither);
    const SoundOptions &sound = plan.request.sound;
    // Before a gain was measured (a dry run, a failure) the request's own.
    o.insert(QStringLiteral("gain_db"), level ? level->gainDb : sound.aims() ? 0 : sound.gainDb);
    o.insert(QStringLiteral("guard"), sound.guard);
    o.insert(QStringLiteral("normalize_dbfs"),
             sound.normalize ? QJsonValue(sound.normalizeDbfs) : QJsonValue());
    o.insert(QStringLiteral("loudness_lufs"),
             sound.loudness ? QJsonValue(sound.loudnessLufs) : QJsonValue());
    o.insert(QStringLiteral("together"), sound.together);
    o.insert(QStringLiteral("trim_start_dbfs"),
             sound.trimStart ? QJsonValue(sound.trimStartDbfs) : QJsonValue());
    // JSON has no NaN or infinity: what was not measured, or was silent, is null.
    const auto decibels = [](double db) {
        return std::isfinite(db) ? QJsonValue(db) : QJsonValue();
    };
    QJsonObject measured;
    if (level) {
        measured.insert(QStringLiteral("peak_before_dbfs"), decibels(level->peakDbfs));
        measured.insert(QStringLiteral("peak_after_dbfs"), decibels(level->peakAfter()));
        measured.insert(QStringLiteral("loudness_before_lufs"), decibels(level->loudnessLufs));
        measured.insert(QStringLiteral("loudness_after_lufs"), decibels(level->loudnessAfter()));
        measured.insert(QStringLiteral("true_peak_before_dbtp"), decibels(level->truePeakDbtp));
        measured.insert(QStringLiteral("true_peak_after_dbtp"), decibels(level->truePeakAfter()));
        measured.insert(QStringLiteral("ceiling_held"), level->ceilingHeld);
        measured.insert(QStringLiteral("shared"), level->shared);
    }
    o.insert(QStringLiteral("measured"), level ? QJsonValue(measured) : QJsonValue());
    QByteArray text = QJsonDocument(o).toJson(QJsonDocument::Compact);
    // JSON leaves DEL and the C1 controls as they are, and a terminal that
    // shows the rows would obey them.
    for (ushort c = 0x7F; c <= 0x9F; ++c)
        text.replace(QString(QChar(c)).toUtf8(),
                     QStringLiteral("\\u%1").arg(c, 4, 16, QLatin1Char('0')).toLatin1());
    return text + '\n';
}

} // namespace rowjson
