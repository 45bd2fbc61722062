// The libsox half of a conversion: decodes the input and writes it, at the
// requested rate, channel count and depth, into a scratch WAV file.
#pragma once

#include "convert/convertparams.h"
#include "convert/resampling.h"
#include "convert/soxhandles.h"

#include <QString>

#include <functional>

class QTemporaryFile;

namespace soxchain {

// Opens `path` for reading with libsox, which tells the format from the
// content or else from the name; null, with the reason in `why`, when the file
// cannot serve as input. Reads the header only. Only a regular file is read,
// and it is the file that `path` named when it was opened, also when the path
// names something else by the time libsox reads it. `beforeRead`, when given,
// runs between that open and libsox's.
sox::Format openInput(const QString &path, QString *why,
                      const std::function<void()> &beforeRead = nullptr);

// True when the input's header only estimates its length (MP3 counts its
// frames' headers or divides its size by the bit rate; the decoder then
// gives a few hundred to a few thousand samples more or less).
bool lengthIsEstimate(const sox_format_t &input);

// A path libsox can open: the local 8-bit encoding must carry it unchanged.
bool toLocalPath(const QString &path, QByteArray *local);

// Runs the chain from params.inputPath into `scratch`, which it creates in
// the temporary folder once the input has opened. Stops early once the
// samples that params.fileSize needs exist, and fails rather than pass the
// largest data chunk a WAV file can describe.
bool run(const ConvertParams &params, const ConvertHooks &hooks, QTemporaryFile &scratch,
         QString *why);

} // namespace soxchain
