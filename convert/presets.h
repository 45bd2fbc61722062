// Slot presets: the output format, size, slot and sound options that a kind of
// fixed-size slot takes, under a name. The built-in ones are generic starting
// points; people save their own beside them (the window keeps those with its
// settings).
#pragma once

#include "convert/convertparams.h"

#include <QString>
#include <QVariantList>
#include <QVector>

class QSettings;

namespace presets {

struct Preset
{
    QString name;
    quint32 rate = 0;
    quint32 channels = 0;
    quint32 bits = 0;
    // A slot is given either as a length of sound (`seconds`, as the duration
    // field takes it) or as a total file size in bytes (0: the whole sound).
    bool byDuration = false;
    double seconds = 0;
    quint64 bytes = 0;
    QString suffix;
    bool pad = false;
    quint32 fadeOutMs = 0;
    // As the form keeps them: sound::effective gives what a request asks.
    SoundOptions sound;
};

// In the order a menu lists them. Every one is a valid request: each
// size is whole frames of its format, within what a WAV file can hold.
const QVector<Preset> &builtIn();

// Where the window keeps its settings, the person's own presets among them:
// the QSettings of this organisation and application, on Linux
// $XDG_CONFIG_HOME/Orvane/Sabletide.conf (~/.config when it is unset). The
// window names itself by these; sabletide-cli reads the same file.
inline constexpr char settingsOrganization[] = "Orvane";
inline constexpr char settingsApplication[] = "Sabletide";
QString windowSettingsFile();

// The person's own presets in `settings`, in the order they were saved: a
// JSON array under [presets] own, each preset a map of Form::values()' keys
// (numbers as text the C way, "sizeUnit" the size box's unit, "bits" for
// "bitsIndex") and its "name". Entries without a name, and a value that is
// not such an array (a file edited by hand and broken), give none.
QVariantList readOwn(QSettings &settings);
// The values a preset of one's own keeps: the format, the size, the slot
// options and the sound, under the form's names (bits, not bitsIndex).
const QStringList &keptKeys();
// Keeps `own` so, each with its name and keptKeys() only, replacing what was
// kept; false with the reason when the settings cannot be written.
bool writeOwn(QSettings &settings, const QVariantList &own, QString *error);

// A kept preset as the engine takes it; false, saying which value, when one
// cannot be read. Keys that are missing keep the Preset's defaults; a size
// box's "size" counts in its "sizeUnit".
bool fromKept(const QVariantMap &kept, Preset *preset, QString *error);

} // namespace presets
