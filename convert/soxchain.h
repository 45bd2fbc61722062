// The libsox half of a conversion: the effects flow that decodes the input
// and writes it, at the requested rate, channel count and depth, into a
// scratch WAV file, after a measuring pass where the level decides the gain.
#pragma once

#include "convert/convertparams.h"
#include "convert/outcome.h"
#include "convert/resampling.h"

#include <functional>

class QTemporaryFile;

namespace soxchain {

// Runs the chain from params.inputPath into `scratch`, which it creates in
// the temporary folder once the input has opened. Stops early once the
// samples that params.fileSize needs exist, and fails rather than pass the
// largest data chunk a WAV file can describe. A run stopped by hooks.cancel
// ends cancelled. `written`, where given, hears between libsox's buffers how
// many samples the scratch file has been given so far.
bool run(const ConvertParams &params, const ConvertHooks &hooks, QTemporaryFile &scratch,
         Outcome *why, const std::function<void(quint64 samples)> &written = {});

} // namespace soxchain
