#include "convert/presets.h"

#include <QCoreApplication>

namespace presets {

namespace {

// Prompts played one after another at one level, kept audible at 8 bits: the
// loudness of speech on small speakers, dithered. The guard stands for when
// the loudness is turned off.
SoundOptions promptSound()
{
    SoundOptions s;
    s.dither = true;
    s.guard = true;
    s.loudness = true;
    s.loudnessLufs = -16;
    return s;
}

} // namespace

const QVector<Preset> &builtIn()
{
    // Names are marked for translation here and translated where they are shown.
    static const QVector<Preset> list{
        {QT_TRANSLATE_NOOP("presets", "Voice prompt: 8 kHz 8-bit mono, 2 s"), 8000, 1, 8, true, 2,
         0, QStringLiteral("_prompt"), true, 10, promptSound()},
        {QT_TRANSLATE_NOOP("presets", "Speech: 22.05 kHz 16-bit mono, 5 s"), 22050, 1, 16, true, 5,
         0, QStringLiteral("_speech"), true, 20, SoundOptions()},
        {QT_TRANSLATE_NOOP("presets", "CD stereo: 44.1 kHz 16-bit, 10 s"), 44100, 2, 16, true, 10,
         0, QStringLiteral("_cd"), true, 30, SoundOptions()},
        {QT_TRANSLATE_NOOP("presets", "Sampler pad: 48 kHz 16-bit mono, 1 MiB"), 48000, 1, 16,
         false, 0, 1048576, QStringLiteral("_pad"), true, 30, SoundOptions()},
        {QT_TRANSLATE_NOOP("presets", "Studio: 48 kHz 24-bit stereo, 30 s"), 48000, 2, 24, true, 30,
         0, QStringLiteral("_studio"), true, 50, SoundOptions()},
    };
    return list;
}

} // namespace presets
