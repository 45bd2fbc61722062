// The words and limits of the sound options, for every front end alike.
#pragma once

#include "convert/convertparams.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <limits>
#include <optional>

namespace sound {

// "quick", "low", "medium", "high", "very-high"; false for anything else.
bool parseQuality(const QString &text, SoundOptions::Quality *quality);
QString qualityName(SoundOptions::Quality quality);
QStringList qualityNames();

// The widest fixed gain, either way: beyond it a gain is a mistake rather than
// a level (60 dB turns full scale into a tenth of a 16-bit step).
inline constexpr double maxGainDb = 60;

// A gain in decibels: a decimal number ("-6", "+3.5", "0.25"), optionally
// followed by "dB", from -maxGainDb to maxGainDb. On failure `why` says why,
// without repeating the text.
bool parseGain(const QString &text, double *db, QString *why);

// The quietest peak that normalizing may ask for, in dBFS; the loudest is 0.
inline constexpr double minPeakDbfs = -60;

// A peak level in dBFS ("-1", "-0.5dB"), from minPeakDbfs to 0.
bool parseLevel(const QString &text, double *dbfs, QString *why);

// The loudness targets that --loudness accepts, in LUFS: below the quietest,
// BS.1770's own gate leaves nothing to measure; above the loudest, the true
// peak ceiling holds back every sound but a square wave.
inline constexpr double minLoudnessLufs = -70;
inline constexpr double maxLoudnessLufs = -5;
bool parseLoudness(const QString &text, double *lufs, QString *why);

// The sound options as a front end was given them, each value as typed and
// unset where it was not given: a level given is a level asked for.
struct Given
{
    std::optional<QString> quality;
    bool dither = false;
    std::optional<QString> gain;
    bool guard = false;
    std::optional<QString> normalize;
    std::optional<QString> loudness;
    bool together = false;
    std::optional<QString> trimStart;
};

enum class Option { Quality, Dither, Gain, Guard, Normalize, Loudness, Together, TrimStart };

// Why readOptions refused, for each front end to say in its own names.
struct Refusal
{
    enum class Kind {
        Value,   // `option` cannot take its value; `why` says why, without the value
        BothAim, // normalize and loudness both choose the gain
        AimWith, // `option` chooses the gain, which leaves no room for `other`
        Alone,   // together, without a level to aim at
    };
    Kind kind = Kind::Value;
    Option option = Option::Quality;
    Option other = Option::Quality;
    QString why;
};

// The sound options from what a front end was given, by the rules that every
// front end shares; false, with the first rule broken, when they cannot be.
bool readOptions(const Given &given, SoundOptions *options, Refusal *refusal);

// `wanted` as a request may ask it, for a form or a preset that keeps every
// choice while another overrules it: a level target chooses the gain itself,
// so a fixed gain and a guard beside one give way to it, and together without
// one means nothing. readOptions refuses what this leaves out.
SoundOptions effective(SoundOptions wanted);

// The highest true peak (ITU-R BS.1770, oversampled) that a loudness gain may
// give, as EBU R128 asks.
inline constexpr double truePeakCeilingDbtp = -1;

// The levels that --trim-start accepts, in dBFS: below 0, where a sample can
// be above them, down to a fraction of a 24-bit step.
inline constexpr double minTrimDbfs = -140;
bool parseTrimLevel(const QString &text, double *dbfs, QString *why);

// What the measuring pass found in what goes into one file, and the gain
// chosen from it. Levels are in dB, NaN where nothing was measured.
struct Level
{
    double gainDb = 0;  // the whole gain applied
    double firstDb = 0; // of it, what goes before the resampler (0 or less)
    double peakDbfs = std::numeric_limits<double>::quiet_NaN();     // before the gain
    double loudnessLufs = std::numeric_limits<double>::quiet_NaN(); // before the gain
    double truePeakDbtp = std::numeric_limits<double>::quiet_NaN(); // before the gain
    // The loudness stays below its target: more gain would lift the true peak
    // above truePeakCeilingDbtp.
    bool ceilingHeld = false;
    // One gain for the whole request (SoundOptions::together).
    bool shared = false;

    // After the gain: a gain moves every level by itself.
    double peakAfter() const { return peakDbfs + gainDb; }
    double loudnessAfter() const { return loudnessLufs + gainDb; }
    double truePeakAfter() const { return truePeakDbtp + gainDb; }
};

// The loudness gain: from `lufs` measured (-inf for silence or a sound
// shorter than BS.1770's 400 ms block, which no gain can bring anywhere: 0)
// to `target`, lowered where the true peak would pass the ceiling.
double loudnessGain(double target, double lufs, double truePeakDbtp, bool *held);

// One gain for files that keep their balance: the lowest of their own (the
// loudest file reaches the target, and no file passes a ceiling), leaving
// out files in which nothing could be measured. `each` holds every file's
// own; the answer is each file's with the shared gain, in the same order.
// `target` is the loudness aimed at, for the ceiling's word; NaN for a peak.
QVector<Level> sharedLevels(const QVector<Level> &each, double target);

// The gain that keeps `gainDb` from clipping: `inPeak` and `outPeak` are the
// highest sample magnitudes, as fractions of full scale at 0 dB, on the way
// (where the gain is applied and where the resampler hands the samples on,
// which clip only past full scale) and where the output is written at `bits`
// bits (with rounding and a dither of one step). Never more than `gainDb`.
double guardedGain(double gainDb, double inPeak, double outPeak, unsigned bits);

// The gain that brings a peak (a fraction of full scale at 0 dB) to `dbfs`;
// 0 for silence, which no gain can bring anywhere.
double normalizingGain(double dbfs, double peak);

// The option of libsox's "rate" effect (and of the sox command's) that
// selects a quality: "-q" to "-v".
const char *rateOption(SoundOptions::Quality quality);

} // namespace sound
