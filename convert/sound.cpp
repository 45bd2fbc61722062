#include "convert/sound.h"

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

const char *rateOption(SoundOptions::Quality quality)
{
    return qualities[int(quality)][1];
}

} // namespace sound
