#include "convert/sound.h"

#include <QLocale>

#include <cmath>
#include <iterator>

namespace sound {

namespace {

// In the order of SoundOptions::Quality.
const char *const qualities[][2] = {
    {"quick", "-q"}, {"low", "-l"}, {"medium", "-m"}, {"high", "-h"}, {"very-high", "-v"}};

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
    QString number = text.trimmed();
    if (number.endsWith(QLatin1String("dB"), Qt::CaseInsensitive))
        number.chop(2);
    bool ok = false;
    // The C locale's reader: a decimal point whatever the user's locale.
    const double value = QLocale::c().toDouble(number.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) {
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

const char *rateOption(SoundOptions::Quality quality)
{
    return qualities[int(quality)][1];
}

} // namespace sound
