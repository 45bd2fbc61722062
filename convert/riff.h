// Finds the sample data of a RIFF/WAVE file by walking its chunks.
#pragma once

#include <QtGlobal>

#include <atomic>

class QIODevice;
class QString;

struct DataChunk
{
    bool found = false;
    qint64 offset = 0;  // first sample byte, from the start of the file
    quint32 length = 0; // sample bytes that really follow, at most the chunk's own length
};

// Walks the chunks of the RIFF/WAVE stream in `device` (id, 32-bit length, pad
// byte after odd lengths) until the "data" chunk. Bytes that only look like a
// chunk id inside another chunk never count. A length that reaches past the end
// of the device is cut to what is there. The device is left at an unspecified
// position.
DataChunk findDataChunk(QIODevice &device);

// Copies `count` bytes from the current position of `from` to `to` in blocks
// of a fixed size, so that memory stays flat however large the data is. Stops
// with false, and says why, on a short read or a failed write; stops with
// false and no reason once `cancel` becomes true.
bool copyBytes(QIODevice &from, QIODevice &to, quint64 count, const std::atomic_bool *cancel,
               QString *why);
