// The program's own libsox effects, each taking its state as its one
// argument (a pointer): a peak watcher that can feed a loudness meter, the
// trim of a quiet start, and a sink that hands samples to a function.
#pragma once

#include <QtGlobal>

#include <ebur128.h>
#include <functional>
#include <sox.h>
#include <vector>

namespace owneffects {

// The highest sample magnitude that passes, in a window of interleaved
// samples counted from the start ([from, to); to 0: no end). As the chain's
// last effect it consumes what it is given. With a meter, the window's whole
// frames also go to it, times `meterScale`.
struct Peak
{
    quint64 from = 0;
    quint64 to = 0;
    bool last = false;
    quint64 seen = 0;
    double highest = 0;
    ebur128_state *meter = nullptr;
    double meterScale = 1;
    std::vector<double> frames; // the window's samples not yet metered
    bool meterFailed = false;
};
const sox_effect_handler_t *peakHandler();

// Drops the frames before the first one with a sample above `threshold`
// (a magnitude on libsox's scale), then passes everything on.
struct Trim
{
    double threshold = 0;
    bool begun = false;
    quint64 droppedFrames = 0;
};
const sox_effect_handler_t *trimHandler();

// Hands each block of samples that reaches it to `sink`, interleaved; a
// false answer marks the sink refused, which the flow's callback acts on
// (libsox's flow goes on draining the effects before a sink's end of file
// would stop it).
using SampleSink = std::function<bool(const qint32 *samples, size_t count)>;
struct Sink
{
    const SampleSink *sink = nullptr;
    bool refused = false;
};
const sox_effect_handler_t *sinkHandler();

// The argument that hands `state` to one of these effects.
template <typename State> char *argument(State *state)
{
    return reinterpret_cast<char *>(state);
}

} // namespace owneffects
