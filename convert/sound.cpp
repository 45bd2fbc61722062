#include "convert/sound.h"

#include <QLocale>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace sound {

namespace {

// In the order of SoundOptions::Quality.
const char *const qualities[][2] = {
    {"quick", "-q"}, {"low", "-l"}, {"medium", "-m"}, {"high", "-h"}, {"very-high", "-v"}};

bool parseDecibels(const QString &text, double *db)
{
    QString number = text.trimmed();
    if (number.endsWith(QLatin1String("dB"), Qt::CaseInsensitive))
        number.chop(2);
    bool ok = false;
    // The C locale's reader: a decimal point whatever the user's locale.
    *db = QLocale::c().toDouble(number.trimmed(), &ok);
    return ok && std::isfinite(*db);
}

} // namespace

bool parseQuality(const QString &text, SoundOptions::Quality *quality)
{
    for (int i = 0; i < int(std::size(qualities)); ++i) {
        if (text == QLatin1String(qualities[i][0])) {
            *quality = SoundOptions::Quality(i);
            return true;
        }
    }
    return false;
}

QString qualityName(SoundOptions::Quality quality)
{
    return QLatin1String(qualities[int(quality)][0]);
}

QStringList qualityNames()
{
    QStringList names;
    for (const auto &q : qualities)
        names << QLatin1String(q[0]);
    return names;
}

bool parseGain(const QString &text, double *db, QString *why)
{
    double value = 0;
    if (!parseDecibels(text, &value)) {
        *why = QStringLiteral("not a number of decibels");
        return false;
    }
    if (std::fabs(value) > maxGainDb) {
        *why = QStringLiteral("must be from -%1 to %1 dB").arg(maxGainDb);
        return false;
    }
    *db = value;
    return true;
}

bool parseLevel(const QString &text, double *dbfs, QString *why)
{
    double value = 0;
    if (!parseDecibels(text, &value)) {
        *why = QStringLiteral("not a level in dBFS");
        return false;
    }
    if (value < minPeakDbfs || value > 0) {
        *why = QStringLiteral("must be from %1 to 0 dBFS").arg(minPeakDbfs);
        return false;
    }
    *dbfs = value;
    return true;
}

namespace {

bool parseRange(const QString &text, double low, double high, bool highIncluded,
                const QString &unit, double *value, QString *why)
{
    double read = 0;
    if (!parseDecibels(text, &read)) {
        *why = QStringLiteral("not a level in %1").arg(unit);
        return false;
    }
    if (read < low || read > high || (!highIncluded && read == high)) {
        *why = highIncluded
                   ? QStringLiteral("must be from %1 to %2 %3").arg(low).arg(high).arg(unit)
                   : QStringLiteral("must be %1 %2 or more, and below %3 %2")
                         .arg(low)
                         .arg(unit)
                         .arg(high);
        return false;
    }
    *value = read;
    return true;
}

} // namespace

bool parseLoudness(const QString &text, double *lufs, QString *why)
{
    return parseRange(text, minLoudnessLufs, maxLoudnessLufs, true, QStringLiteral("LUFS"), lufs,
                      why);
}

bool parseTrimLevel(const QString &text, double *dbfs, QString *why)
{
    return parseRange(text, minTrimDbfs, 0, false, QStringLiteral("dBFS"), dbfs, why);
}

bool readOptions(const Given &given, SoundOptions *options, Refusal *refusal)
{
    SoundOptions read;
    const auto value = [refusal](Option option, const QString &why) {
        *refusal = Refusal{Refusal::Kind::Value, option, option, why};
        return false;
    };
    if (given.quality && !parseQuality(*given.quality, &read.quality))
        return value(
            Option::Quality,
            QStringLiteral("must be one of %1").arg(qualityNames().join(QStringLiteral(", "))));
    read.dither = given.dither;
    QString why;
    if (given.gain && !parseGain(*given.gain, &read.gainDb, &why))
        return value(Option::Gain, why);
    read.guard = given.guard;
    if (given.normalize && given.loudness) {
        *refusal = Refusal{Refusal::Kind::BothAim, Option::Normalize, Option::Loudness, QString()};
        return false;
    }
    // A level to aim at chooses the gain: a fixed one, or a guard on it, would
    // be overruled.
    const std::pair<Option, bool> aims[] = {{Option::Normalize, bool(given.normalize)},
                                            {Option::Loudness, bool(given.loudness)}};
    const std::pair<Option, bool> others[] = {{Option::Gain, bool(given.gain)},
                                              {Option::Guard, given.guard}};
    for (const auto &aim : aims) {
        for (const auto &other : others) {
            if (aim.second && other.second) {
                *refusal = Refusal{Refusal::Kind::AimWith, aim.first, other.first, QString()};
                return false;
            }
        }
    }
    read.normalize = bool(given.normalize);
    if (given.normalize && !parseLevel(*given.normalize, &read.normalizeDbfs, &why))
        return value(Option::Normalize, why);
    read.loudness = bool(given.loudness);
    if (given.loudness && !parseLoudness(*given.loudness, &read.loudnessLufs, &why))
        return value(Option::Loudness, why);
    read.together = given.together;
    if (read.together && !read.aims()) {
        *refusal = Refusal{Refusal::Kind::Alone, Option::Together, Option::Together, QString()};
        return false;
    }
    read.trimStart = bool(given.trimStart);
    if (given.trimStart && !parseTrimLevel(*given.trimStart, &read.trimStartDbfs, &why))
        return value(Option::TrimStart, why);
    *options = read;
    return true;
}

SoundOptions effective(SoundOptions wanted)
{
    if (wanted.aims()) {
        wanted.gainDb = 0;
        wanted.guard = false;
    } else {
        wanted.together = false;
    }
    return wanted;
}

double loudnessGain(double target, double lufs, double truePeakDbtp, bool *held)
{
    *held = false;
    if (!std::isfinite(lufs))
        return 0;
    const double gain = target - lufs;
    if (std::isfinite(truePeakDbtp) && truePeakDbtp + gain > truePeakCeilingDbtp) {
        *held = true;
        return truePeakCeilingDbtp - truePeakDbtp;
    }
    return gain;
}

QVector<Level> sharedLevels(const QVector<Level> &each, double target)
{
    const bool loudness = !std::isnan(target);
    double shared = std::numeric_limits<double>::infinity();
    double wanted = std::numeric_limits<double>::infinity();
    for (const Level &level : each) {
        const double measured = loudness ? level.loudnessLufs : level.peakDbfs;
        if (!std::isfinite(measured))
            continue;
        shared = std::min(shared, level.gainDb);
        wanted = std::min(wanted, loudness ? target - measured : level.gainDb);
    }
    if (!std::isfinite(shared))
        shared = 0;
    QVector<Level> out = each;
    for (Level &level : out) {
        level.gainDb = shared;
        level.shared = true;
        level.ceilingHeld = std::isfinite(wanted) && shared < wanted - 1e-9;
    }
    return out;
}

double guardedGain(double gainDb, double inPeak, double outPeak, unsigned bits)
{
    // libsox clips a sample that rounds past the largest step, and a dither
    // adds up to one step more; doubles and the resampler's arithmetic need a
    // hair of room at any depth.
    const double outLimit = 1 - std::max(std::ldexp(4.0, -int(bits)), 1e-6);
    const double inLimit = 1 - 1e-6;
    const double scale = std::pow(10.0, gainDb / 20);
    const double over = std::max(outPeak * scale / outLimit, inPeak * scale / inLimit);
    return over > 1 ? gainDb - 20 * std::log10(over) : gainDb;
}

double normalizingGain(double dbfs, double peak)
{
    return peak > 0 ? dbfs - 20 * std::log10(peak) : 0;
}

const char *rateOption(SoundOptions::Quality quality)
{
    return qualities[int(quality)][1];
}

} // namespace sound
