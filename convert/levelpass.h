// The measuring pass of a conversion whose gain depends on the sound's own
// level (SoundOptions::measures): the same chain, 12 dB lower, that finds
// the peaks and the loudness the gain is chosen from.
#pragma once

#include "convert/convertparams.h"
#include "convert/outcome.h"
#include "convert/resampling.h"

#include <sox.h>

namespace levelpass {

struct Gains
{
    double gainDb = 0; // the whole gain
    // Of a normalizing gain, the part that goes before the resampler: just
    // enough lowering that nothing clips on the way to the mix (0 or less).
    double firstDb = 0;
    quint64 progress = 0; // output samples the pass showed done
};

// Reads params.inputPath (opened already as `input`) again through the
// conversion's chain towards `output` (the opened scratch file, whose format
// the samples take) and
// chooses the gains; reports the level through hooks.gain and the first
// half of the progress through hooks.progress. A gain that the request
// settled already (params.settled) is taken as it is.
bool measure(const ConvertParams &params, const ConvertHooks &hooks, const sox_format_t &input,
             const sox_format_t &output, Gains *gains, Outcome *why);

} // namespace levelpass
