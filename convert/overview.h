// The waveform overview of an input: the lowest and highest sample of each of
// a few thousand stretches of the sound, in the output frames of its
// conversion, and where a planned output lies on those frames.
#pragma once

#include "convert/command.h"
#include "convert/fileid.h"
#include "convert/plan.h"

#include <QHash>
#include <QMetaType>
#include <QMutex>
#include <QString>
#include <QVector>

#include <atomic>
#include <functional>

struct Overview
{
    quint32 rate = 0; // output frames per second
    quint32 channels = 0;
    quint64 frames = 0; // frames of the whole conversion, as decoded
    // Bucket i covers frames [i * framesPerBucket, (i + 1) * framesPerBucket).
    quint64 framesPerBucket = 1;
    // Per bucket, the lowest and highest sample of any channel, from -1 to 1:
    // a peak in one channel shows, as it would be heard.
    QVector<float> minimum;
    QVector<float> maximum;

    int buckets() const { return minimum.size(); }
};
Q_DECLARE_METATYPE(Overview)

namespace overview {

// Gathers streamed interleaved samples into at most `buckets` buckets (an
// even number) without holding the sound: buckets start one frame wide, and
// whenever they run out, neighbours merge and widths double, so that a sound
// fills between half and all of them. No length is taken on trust: a header
// that overstates it (a WAV file written as a stream) cannot squeeze the
// sound into a few buckets.
class Gatherer
{
public:
    Gatherer(int buckets, quint32 channels);
    void add(const qint32 *samples, size_t count);
    quint64 frames() const { return frameCount; }
    Overview finish(quint32 rate) const;

private:
    void mergePairs();

    QVector<qint32> low;
    QVector<qint32> high;
    quint32 channels;
    quint64 perBucket = 1;
    quint64 frameCount = 0;
    quint32 channel = 0; // of the next sample, within its frame
    qint32 frameLow;
    qint32 frameHigh;
};

struct Hooks
{
    const std::atomic_bool *cancel = nullptr;
    // Output frames decoded so far, and how many are expected (0: unknown).
    std::function<void(quint64 done, quint64 total)> progress;
};

// Decodes `path` once, streaming, through the conversion's chain at `rate`
// and `channels`, so that the overview's frames are the output frames the
// planner counts (streamSamples, the conversion's own chain). False, with
// the reason (Outcome::text), when the file cannot be read or the run was
// cancelled.
bool compute(const QString &path, quint32 rate, quint32 channels, int buckets, const Hooks &hooks,
             Overview *out, QString *why);

// Overviews already made, by file, its version and the format they were made
// at; the oldest go first beyond `capacity`. Safe from any thread.
class Cache
{
public:
    explicit Cache(int capacity = 16) : capacity(capacity) {}
    bool find(const QString &path, quint32 rate, quint32 channels, Overview *out) const;
    // `stamp` is the file's version read before it was decoded.
    void insert(const QString &path, const FileStamp &stamp, const Overview &overview);
    // Drops every overview of `path`, at every format.
    void forget(const QString &path);

private:
    struct Entry
    {
        QString path;
        FileStamp stamp;
        Overview overview;
    };
    mutable QMutex lock;
    QVector<Entry> entries; // oldest first
    int capacity;
};

} // namespace overview

// Where the output of one planned input lies in the whole conversion, in
// output frames: what the waveform draws over the overview.
struct SlotFrames
{
    quint32 rate = 0;
    quint64 totalFrames = 0; // the whole conversion; 0 when the input does not say
    quint64 startFrame = 0;
    quint64 cutFrame = 0; // 0: the sound from the start fits whole
    quint64 fadeFrames = 0;
    // Silence after a sound that ends before the size; a partial last frame
    // counts as one.
    quint64 padFrames = 0;

    // Where the sound in the file ends: at the cut, or at the end of the sound.
    quint64 soundEnd() const { return cutFrame > 0 ? cutFrame : totalFrames; }
    quint64 fadeStart() const { return soundEnd() - qMin(fadeFrames, soundEnd()); }
    // The frames a picture of it spans: the whole sound, and the padding
    // that may reach past its end.
    quint64 span() const { return qMax(totalFrames, soundEnd() + padFrames); }
};

// The slot of `row`, a row of a plan of `request`, in frames.
SlotFrames slotFrames(const ConvertCommand &request, const PlanRow &row);
