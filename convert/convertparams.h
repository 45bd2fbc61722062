// The values of one conversion: the output format and size, and the two paths.
#pragma once

#include <QString>

// What a fixed-size slot may ask beyond the plain cut. The defaults give the
// plain conversion, byte for byte.
struct SlotOptions
{
    // A sound shorter than the size is followed by silence up to the size.
    bool pad = false;
    // Where the size cuts the sound, its last milliseconds fade to silence.
    quint32 fadeOutMs = 0;
    // The slot begins this many output frames into the whole conversion.
    quint64 startFrame = 0;

    bool isPlain() const { return !pad && fadeOutMs == 0 && startFrame == 0; }
};

// What the sound may ask beyond the plain conversion. The defaults give the
// plain conversion, byte for byte.
struct SoundOptions
{
    // libsox's resampler quality, as the "rate" effect's -q, -l, -m, -h and -v
    // name them; High is that effect's own default.
    enum class Quality { Quick, Low, Medium, High, VeryHigh };
    Quality quality = Quality::High;
    // Triangular noise of one step where the depth drops, as the sox command
    // adds it by default.
    bool dither = false;
    // A fixed gain in decibels, before anything else changes the samples.
    double gainDb = 0;
    // Lower that gain, per file, just enough that no sample clips.
    bool guard = false;
    // Instead of a fixed gain, the one per file that brings the peak of what
    // goes into the file to normalizeDbfs.
    bool normalize = false;
    double normalizeDbfs = 0;
    // Instead of a fixed gain, the one per file that brings the integrated
    // loudness (ITU-R BS.1770) of what goes into the file to loudnessLufs,
    // as far as a true peak of sound::truePeakCeilingDbtp allows.
    bool loudness = false;
    double loudnessLufs = 0;
    // With normalize or loudness: one gain for all the request's files, the
    // lowest of their own, so that they keep their balance.
    bool together = false;
    // The sound begins at its first sample above trimStartDbfs, before the
    // slot's start is counted.
    bool trimStart = false;
    double trimStartDbfs = 0;

    bool isPlain() const
    {
        return quality == Quality::High && !dither && gainDb == 0 && !guard && !normalize &&
               !loudness && !together && !trimStart;
    }
    // The gain aims at a level of what goes into the file, and comes after
    // the channels are mixed, where that level is measured.
    bool aims() const { return normalize || loudness; }
    // The gain then depends on the sound, which is measured first.
    bool measures() const { return guard || aims(); }
};

// The gain that a measuring round over the whole request chose for one file
// (SoundOptions::together): the conversion then measures nothing itself.
struct SettledGain
{
    bool given = false;
    double firstDb = 0; // before the resampler: only what keeps it from clipping
    double lastDb = 0;  // after the channels are mixed
};

struct ConvertParams
{
    quint8 channels = 0;
    quint32 sampleRate = 0; // Hz; 32 bits so that 88200, 96000 and 192000 fit
    quint8 bitsPerSample = 0;
    quint32 fileSize = 0; // whole output file, header included; 0 to 44 keeps everything
    QString inputPath;
    QString outputPath;
    // False when a file already at outputPath must be left as it is: the
    // conversion then fails instead of replacing it.
    bool mayReplace = true;
    SlotOptions slot;
    SoundOptions sound;
    SettledGain settled;
    // Only the measuring pass runs, and nothing is written: the first round
    // of a request whose files share one gain.
    bool measureOnly = false;
};
