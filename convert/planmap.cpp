#include "convert/planmap.h"

#include "convert/units.h"

namespace planmap {

namespace {

// "bytesExact" as scripts name it: "bytes_exact".
QString snakeCase(const QString &key)
{
    QString out;
    for (const QChar c : key) {
        if (c.isUpper())
            out += QLatin1Char('_') + c.toLower();
        else
            out += c;
    }
    return out;
}

} // namespace

QString statusName(PlanRow::Status status)
{
    switch (status) {
    case PlanRow::Status::Convert:
        return QStringLiteral("convert");
    case PlanRow::Status::Skip:
        return QStringLiteral("skip");
    case PlanRow::Status::Refused:
        break;
    }
    return QStringLiteral("refused");
}

// Numbers as doubles: QML has no 64-bit integer.
QVariantMap rowMap(const ConvertCommand &request, const PlanRow &row)
{
    const InputFacts &f = row.facts;
    const double rate = request.sampleRate;
    const double frameBytes = units::frameBytes(request.channels, request.bitsPerSample);
    const auto seconds = [rate](double frames) { return rate > 0 ? frames / rate : 0.0; };
    const QVariantMap facts{
        {QStringLiteral("opened"), f.opened},
        {QStringLiteral("format"), f.format},
        {QStringLiteral("sampleRate"), f.sampleRate},
        {QStringLiteral("channels"), f.channels},
        {QStringLiteral("bits"), f.bitsPerSample},
        {QStringLiteral("frames"), double(f.frames)},
        {QStringLiteral("framesEstimated"), f.framesEstimated},
        {QStringLiteral("seconds"), f.sampleRate > 0 ? double(f.frames) / f.sampleRate : 0.0}};
    return {
        {QStringLiteral("input"), row.input},
        {QStringLiteral("output"), row.output},
        {QStringLiteral("status"), statusName(row.status)},
        {QStringLiteral("reason"), row.reason},
        {QStringLiteral("bytes"), double(row.bytes)},
        {QStringLiteral("bytesExact"), row.bytesExact},
        {QStringLiteral("shortBy"), double(row.shortBy)},
        {QStringLiteral("padBytes"), double(row.padBytes)},
        {QStringLiteral("startFrame"), double(row.startFrame)},
        {QStringLiteral("cutFrame"), double(row.cutFrame)},
        {QStringLiteral("fadeFrames"), double(row.fadeFrames)},
        {QStringLiteral("startSeconds"), seconds(row.startFrame)},
        {QStringLiteral("cutSeconds"), seconds(row.cutFrame)},
        {QStringLiteral("fadeSeconds"), seconds(row.fadeFrames)},
        {QStringLiteral("padSeconds"), frameBytes > 0 ? seconds(row.padBytes / frameBytes) : 0.0},
        {QStringLiteral("facts"), facts}};
}

QJsonObject rowJson(const ConvertCommand &request, const PlanRow &row)
{
    QVariantMap map = rowMap(request, row);
    // Scripts count the padding in bytes.
    map.remove(QStringLiteral("padSeconds"));
    QVariantMap facts = map.take(QStringLiteral("facts")).toMap();
    QJsonObject o;
    for (auto it = map.cbegin(); it != map.cend(); ++it)
        o.insert(snakeCase(it.key()), QJsonValue::fromVariant(it.value()));
    QJsonObject in;
    // An input that did not open has no facts to tell.
    if (facts.take(QStringLiteral("opened")).toBool()) {
        for (auto it = facts.cbegin(); it != facts.cend(); ++it)
            in.insert(snakeCase(it.key()), QJsonValue::fromVariant(it.value()));
    }
    o.insert(QStringLiteral("input_facts"), in);
    return o;
}

} // namespace planmap
