// The sample arithmetic of slot options: the samples a slot needs from the
// chain, the fade at a cut and the silence that pads a short sound.
#pragma once

#include "convert/convertparams.h"

#include <QtGlobal>

namespace slot {

// The output samples that a conversion's chain must make for the slot of
// `p`: its samples after its start, with a fade one frame more, so that a
// sound that goes on past the cut always shows it; 0 for the whole sound.
quint64 samplesWanted(const ConvertParams &p);

// Output samples the chain should make from an input of `inputLength`
// samples in `inputChannels` at `inputRate`, for progress: 0 when unknown.
quint64 samplesExpected(const ConvertParams &p, quint64 inputLength, quint32 inputChannels,
                        double inputRate);

// The sample bytes at the end of `taken` that the fade changes where the slot
// of `p` cuts the sound after `taken` bytes: its length and the part of a
// frame that the cut leaves, 0 without a fade.
quint64 fadeBytes(const ConvertParams &p, quint64 taken);

// The gain of a fade-out `remaining` frames before its last frame, in a fade
// of `span` frames: the sox command's default, logarithmic shape (0 dB at the
// start of the fade, -100 dB just before the end), and exactly 0 on the last
// frame, so that the cut itself is silent.
double fadeGain(quint64 remaining, quint64 span);

// Fades out the whole frames of PCM WAV data in `data` (little-endian, signed
// at 16 bits and up, unsigned at 8), so that the last of them is silent. A
// partial frame after them is silenced too.
void fadeOut(char *data, quint64 bytes, quint32 channels, quint32 bits);

// The byte that silence is made of at a bit depth.
inline char silenceByte(quint32 bits)
{
    return bits == 8 ? char(0x80) : char(0);
}

} // namespace slot
