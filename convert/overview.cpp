#include "convert/overview.h"

#include "convert/chainbuilder.h"
#include "convert/soxhandles.h"
#include "convert/soxinput.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QFile>
#include <QMutexLocker>

#include <limits>

namespace overview {

namespace {

constexpr qint32 noLow = std::numeric_limits<qint32>::max();
constexpr qint32 noHigh = std::numeric_limits<qint32>::min();

} // namespace

Gatherer::Gatherer(int buckets, quint32 channels)
    : low(qMax(buckets, 2) & ~1, noLow), high(low.size(), noHigh), channels(qMax(channels, 1u)),
      frameLow(noLow), frameHigh(noHigh)
{
}

void Gatherer::mergePairs()
{
    const int half = low.size() / 2;
    for (int i = 0; i < half; ++i) {
        low[i] = qMin(low[2 * i], low[2 * i + 1]);
        high[i] = qMax(high[2 * i], high[2 * i + 1]);
    }
    std::fill(low.begin() + half, low.end(), noLow);
    std::fill(high.begin() + half, high.end(), noHigh);
    perBucket *= 2;
}

void Gatherer::add(const qint32 *samples, size_t count)
{
    for (size_t i = 0; i < count; ++i) {
        frameLow = qMin(frameLow, samples[i]);
        frameHigh = qMax(frameHigh, samples[i]);
        if (++channel < channels)
            continue;
        channel = 0;
        quint64 bucket = frameCount / perBucket;
        while (bucket >= quint64(low.size())) {
            mergePairs();
            bucket = frameCount / perBucket;
        }
        low[int(bucket)] = qMin(low[int(bucket)], frameLow);
        high[int(bucket)] = qMax(high[int(bucket)], frameHigh);
        frameLow = noLow;
        frameHigh = noHigh;
        ++frameCount;
    }
}

Overview Gatherer::finish(quint32 rate) const
{
    Overview o;
    o.rate = rate;
    o.channels = channels;
    o.frames = frameCount;
    o.framesPerBucket = perBucket;
    const int used = int((frameCount + perBucket - 1) / perBucket);
    o.minimum.resize(used);
    o.maximum.resize(used);
    // Full scale is 2^31, as libsox counts its samples.
    constexpr double scale = 1.0 / 2147483648.0;
    for (int i = 0; i < used; ++i) {
        o.minimum[i] = float(low.at(i) * scale);
        o.maximum[i] = float(high.at(i) * scale);
    }
    return o;
}

bool compute(const QString &path, quint32 rate, quint32 channels, int buckets, const Hooks &hooks,
             Overview *out, QString *why)
{
    if (rate == 0 || channels == 0) {
        *why = QCoreApplication::translate("engine", "no output format to draw the sound at");
        return false;
    }
    Outcome outcome;
    sox::Format input = soxinput::open(path, &outcome);
    if (!input) {
        *why = outcome.text();
        return false;
    }
    quint64 expected = 0;
    if (input->signal.channels > 0 && input->signal.length != SOX_UNKNOWN_LEN)
        expected = units::framesAfterRate(input->signal.length / input->signal.channels,
                                          input->signal.rate, rate);
    Gatherer gatherer(buckets, channels);
    quint64 reported = 0;
    const owneffects::SampleSink sink = [&](const qint32 *samples, size_t count) {
        gatherer.add(samples, count);
        // About a hundred reports, whatever the length.
        if (hooks.progress &&
            gatherer.frames() - reported >= qMax<quint64>(expected / 100, 65536)) {
            reported = gatherer.frames();
            hooks.progress(reported, expected);
        }
        return true;
    };
    if (!streamSamples(input.get(), rate, channels, sink, hooks.cancel, &outcome)) {
        *why = outcome.text();
        return false;
    }
    *out = gatherer.finish(rate);
    return true;
}

bool Cache::find(const QString &path, quint32 rate, quint32 channels, Overview *out) const
{
    const FileStamp now = fileStamp(path);
    QMutexLocker locker(&lock);
    for (const Entry &e : entries) {
        if (e.path == path && e.stamp == now && e.overview.rate == rate &&
            e.overview.channels == channels) {
            *out = e.overview;
            return true;
        }
    }
    return false;
}

void Cache::insert(const QString &path, const FileStamp &stamp, const Overview &overview)
{
    QMutexLocker locker(&lock);
    for (int i = entries.size() - 1; i >= 0; --i) {
        const Entry &e = entries.at(i);
        // An older version of the file, or the same format again.
        if (e.path == path && (!(e.stamp == stamp) || (e.overview.rate == overview.rate &&
                                                       e.overview.channels == overview.channels)))
            entries.removeAt(i);
    }
    entries.append(Entry{path, stamp, overview});
    while (entries.size() > capacity)
        entries.removeFirst();
}

void Cache::forget(const QString &path)
{
    QMutexLocker locker(&lock);
    for (int i = entries.size() - 1; i >= 0; --i) {
        if (entries.at(i).path == path)
            entries.removeAt(i);
    }
}

} // namespace overview

SlotFrames slotFrames(const ConvertCommand &request, const PlanRow &row)
{
    SlotFrames f;
    f.rate = request.sampleRate;
    if (row.facts.frames > 0)
        f.totalFrames =
            units::framesAfterRate(row.facts.frames, row.facts.sampleRate, request.sampleRate);
    f.startFrame = row.startFrame;
    f.cutFrame = row.cutFrame;
    f.fadeFrames = row.fadeFrames;
    const quint64 frameBytes = units::frameBytes(request.channels, request.bitsPerSample);
    if (frameBytes > 0)
        f.padFrames = (row.padBytes + frameBytes - 1) / frameBytes;
    return f;
}
