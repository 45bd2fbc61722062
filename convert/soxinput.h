// Opening an input for libsox safely: only a regular file, the very file
// that the path named when it was judged, never a device or a pipe.
#pragma once

#include "convert/outcome.h"
#include "convert/soxhandles.h"

#include <QString>

#include <functional>

namespace soxinput {

// Opens `path` for reading with libsox, which tells the format from the
// content or else from the name; null, with the reason in `why`, when the file
// cannot serve as input. Reads the header only. Only a regular file is read,
// and it is the file that `path` named when it was opened, also when the path
// names something else by the time libsox reads it. `beforeRead`, when given,
// runs between that open and libsox's.
sox::Format open(const QString &path, Outcome *why,
                 const std::function<void()> &beforeRead = nullptr);

// True when the input's header only estimates its length (MP3 counts its
// frames' headers or divides its size by the bit rate; the decoder then
// gives a few hundred to a few thousand samples more or less).
bool lengthIsEstimate(const sox_format_t &input);

// The frames the input's header promises, where it promises anything to
// hold the sound to: 0 for an unknown length, an estimate, or the
// placeholder of a file written as a stream (0x7ffff000 or 0xffffffff
// bytes).
quint64 promisedFrames(const sox_format_t &input);

// A path libsox can open: the local 8-bit encoding must carry it unchanged.
bool toLocalPath(const QString &path, QByteArray *local);

} // namespace soxinput
