// Sizes and lengths of time as people type them, turned into the exact byte
// counts that a convert command carries.
#pragma once

#include <QString>

namespace units {

// The header that stands before the samples of every output file.
inline constexpr quint32 headerBytes = 44;

// The largest file a WAV header can describe, and the most sample bytes that
// fit behind the header in it (the RIFF length counts a pad byte after an odd
// data chunk).
inline constexpr quint64 maxFileBytes = 0xFFFFFFFFu;
inline constexpr quint64 maxDataBytes = maxFileBytes - headerBytes - 1;

// Bytes of one frame: one sample for every channel.
inline quint64 frameBytes(quint32 channels, quint32 bits)
{
    return quint64(channels) * ((bits + 7) / 8);
}

// The output frame that a time falls on, rounded to the nearest frame.
quint64 frameAt(quint64 nanoseconds, quint32 rate);

// Frames in a number of milliseconds, rounded to the nearest frame.
quint64 framesIn(quint32 milliseconds, quint32 rate);

// How a total file size lies on whole frames: the frames it holds, whether
// it ends on a frame boundary (0, "no cut", does), and the whole-frame sizes
// just below and just above it (0 where none holds a frame or fits a WAV).
struct FrameLayout
{
    quint64 frames = 0;
    bool whole = true;
    quint64 lower = 0;
    quint64 upper = 0;
};
FrameLayout frameLayout(quint64 size, quint32 channels, quint32 bits);

// True when converting between the two rates needs libsox's "rate" effect: a
// difference of 1 Hz or less is taken as the same rate.
bool rateEffectNeeded(double inRate, double outRate);

// The frames that libsox's "rate" effect makes from `inFrames` frames, computed
// as that effect computes them; the same count when no "rate" effect runs.
quint64 framesAfterRate(quint64 inFrames, double inRate, double outRate);

// The total size of the output that `outFrames` converted frames give under a
// requested size: the header and every byte when `fileSize` is 44 or less,
// else the requested size or less when the sound is shorter than that.
quint64 outputBytes(quint64 outFrames, quint32 channels, quint32 bits, quint32 fileSize);

// A total file size: "65580", "64KiB", "1.5MiB", "2GiB", "10MB", "1.5 kB".
// KiB, MiB and GiB count in 1024s; kB, MB and GB in 1000s; "B" or no unit is
// bytes. Units are read without regard to case. The result must be a whole
// number of bytes and fit in 32 bits. 0 means "do not cut"; 1 to 44 leave no
// room for samples and are refused. On failure `error` says why, without
// repeating the text.
bool parseSize(const QString &text, quint32 *bytes, QString *error);

// The units of the window's size box, by their index there (as a form or a
// saved preset keeps it): bytes, KiB, MiB. A size typed in unit `unit`
// reads as parseSize(sizeInUnit(number, unit)).
inline constexpr int sizeUnitCount = 3;
QString sizeInUnit(const QString &number, int unit);

// A length of time: seconds ("90", "2.5"), "mm:ss.fff" or "h:mm:ss.fff", with
// at most nine decimals, as a whole number of nanoseconds.
bool parseDuration(const QString &text, quint64 *nanoseconds, QString *error);

// The total size of a file that holds `nanoseconds` of whole sample frames:
// 44 + frames * channels * bytes per sample, where frames is rounded down.
// Fails when not even one frame fits or the size passes 32 bits.
bool sizeForDuration(quint64 nanoseconds, quint32 rate, quint32 channels, quint32 bits,
                     quint32 *bytes, QString *error);

// A sample rate in Hz: "44100", or in kHz with a "k" ("44.1k", "48k",
// "22.05K"), as the sox command takes it; it must come to a whole number of
// hertz from 1 to 2^32 - 1, with no sign and no spaces. The command's own
// limits are checked elsewhere.
bool parseRate(const QString &text, quint32 *hertz, QString *error);

// The depths a WAV output can have: 8 (unsigned), 16, 24 and 32 bits.
inline constexpr quint32 writableDepths[] = {8, 16, 24, 32};
inline bool isWritableDepth(quint32 bits)
{
    for (const quint32 depth : writableDepths) {
        if (bits == depth)
            return true;
    }
    return false;
}

// A request whose outputs together pass this many bytes is worth a question
// before it fills a card: 1 GiB.
inline constexpr quint64 largeRequestBytes = quint64(1) << 30;
inline bool isLargeRequest(quint64 totalBytes)
{
    return totalBytes > largeRequestBytes;
}

// Whether spaces around a number typed into a field are let go, or refused
// as on a command line, where " 2" is no count a person meant.
enum class Spaces { Trimmed, Refused };

// A whole number from min to max, written in decimal digits only.
bool parseCount(const QString &text, quint32 min, quint32 max, quint32 *value, QString *error,
                Spaces spaces = Spaces::Trimmed);

} // namespace units
