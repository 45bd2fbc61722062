// The libsox half of a conversion: decodes the input and writes it, at the
// requested rate, channel count and depth, into a scratch WAV file.
#pragma once

#include "convert/convertparams.h"
#include "convert/resampling.h"
#include "convert/soxhandles.h"

#include <QString>

class QTemporaryFile;

namespace soxchain {

// Why a file cannot serve as input, before libsox is asked; empty when it may.
QString inputProblem(const QString &path);

// Opens `path` for reading with libsox, which tells the format from the
// content or else from the name; null, with the reason in `why`, when the file
// cannot serve as input. Reads the header only.
sox::Format openInput(const QString &path, QString *why);

// A path libsox can open: the local 8-bit encoding must carry it unchanged.
bool toLocalPath(const QString &path, QByteArray *local);

// Runs the chain from params.inputPath into `scratch`, which it creates in
// the temporary folder once the input has opened. Stops early once the
// samples that params.fileSize needs exist, and fails rather than pass the
// largest data chunk a WAV file can describe.
bool run(const ConvertParams &params, const ConvertHooks &hooks, QTemporaryFile &scratch,
         QString *why);

} // namespace soxchain
