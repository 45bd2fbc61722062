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

// The option of libsox's "rate" effect (and of the sox command's) that
// selects a quality: "-q" to "-v".
const char *rateOption(SoundOptions::Quality quality);

} // namespace sound
