// The scratch WAV file that libsox writes a conversion into: made in the
// temporary folder under a fresh name, in exactly the format asked for, or
// refused where libsox would quietly write another.
#pragma once

#include "convert/convertparams.h"
#include "convert/outcome.h"
#include "convert/soxhandles.h"

class QTemporaryFile;

namespace scratchwriter {

// Creates `scratch` in the temporary folder and opens it for libsox to write
// at `p`'s rate, channels and depth, with `input`'s other properties. Null,
// with the reason, when the file or the format cannot be had.
sox::Format open(const ConvertParams &p, const sox_format_t &input, QTemporaryFile &scratch,
                 Outcome *why);

} // namespace scratchwriter
