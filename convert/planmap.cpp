#include "convert/planmap.h"

#include "convert/units.h"

namespace planmap {

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
    const QVariantMap facts{
        {QStringLiteral("opened"), f.opened},
        {QStringLiteral("format"), f.format},
        {QStringLiteral("sampleRate"), f.sampleRate},
        {QStringLiteral("channels"), f.channels},
        {QStringLiteral("bits"), f.bitsPerSample},
        {QStringLiteral("frames"), double(f.frames)},
        {QStringLiteral("framesEstimated"), f.framesEstimated},
        {QStringLiteral("seconds"), f.sampleRate > 0 ? double(f.frames) / f.sampleRate : 0.0}};
    return {{QStringLiteral("input"), row.input},
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
            {QStringLiteral("startSeconds"), double(row.startFrame) / rate},
            {QStringLiteral("cutSeconds"), double(row.cutFrame) / rate},
            {QStringLiteral("fadeSeconds"), double(row.fadeFrames) / rate},
            {QStringLiteral("padSeconds"), double(row.padBytes) / frameBytes / rate},
            {QStringLiteral("facts"), facts}};
}

} // namespace planmap
