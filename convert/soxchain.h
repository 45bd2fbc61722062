// The libsox half of a conversion: the effects flow that decodes the input
// and writes it, at the requested rate, channel count and depth, into a
// scratch WAV file, after a measuring pass where the level decides the gain.
#pragma once

#include "convert/convertparams.h"
#include "convert/outcome.h"
#include "convert/resampling.h"

class QTemporaryFile;

namespace soxchain {

// Runs the chain from params.inputPath into `scratch`, which it creates in
// the temporary folder once the input has opened. Stops early once the
// samples that params.fileSize needs exist, and fails rather than pass the
// largest data chunk a WAV file can describe. A run stopped by hooks.cancel
// ends cancelled.
bool run(const ConvertParams &params, const ConvertHooks &hooks, QTemporaryFile &scratch,
         Outcome *why);

} // namespace soxchain
