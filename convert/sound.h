// The words and limits of the sound options, for every front end alike.
#pragma once

#include "convert/convertparams.h"

#include <QString>
#include <QStringList>

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
