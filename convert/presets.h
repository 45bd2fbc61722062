// Slot presets: the output format, size, slot and sound options that a kind of
// fixed-size slot takes, under a name. The built-in ones are generic starting
// points; people save their own beside them (the window keeps those with its
// settings).
#pragma once

#include "convert/convertparams.h"

#include <QString>
#include <QVector>

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

} // namespace presets
