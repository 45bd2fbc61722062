// libsox's "rate" effect run on each channel on a thread of its own, a large
// block at a time: the resampler's channels side by side, with the samples of
// the one-thread chain.
#pragma once

#include <sox.h>

namespace channelrate {

// A multi-channel effect handler named "rate", taking rate's options: one
// libsox "rate" per channel, each fed its channel's samples on its own
// thread, the results interleaved again in order. Its output lags its input
// by up to `depth` blocks; the samples, their count and the clips are rate's.
const sox_effect_handler_t *handler();

// Frames per channel handed to the threads at a time.
constexpr size_t blockFrames = 32768;
// Blocks in flight at most: each lane keeps to its own pace within them.
constexpr size_t depth = 8;
// The input samples of `channels` channels that the blocks in flight hold:
// as far as a decoder before it may run ahead without waiting for it.
constexpr size_t samplesInFlight(size_t channels)
{
    return depth * blockFrames * channels;
}

} // namespace channelrate
