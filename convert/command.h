// The convert command: "$DoConvert,rate,channels,bits,size,folder,suffix,input..."
// and the rule that names each output.
#pragma once

#include "convert/convertparams.h"

#include <QString>
#include <QStringList>
#include <QVector>

// A request: the convert command's values, and the slot and sound options
// that the command's text does not carry.
struct ConvertCommand
{
    quint32 sampleRate = 0;
    quint8 channels = 0;
    quint8 bitsPerSample = 0;
    quint32 fileSize = 0;
    QString outputFolder;
    QString suffix;
    QStringList inputs; // empty parts are not inputs
    SlotOptions slot;
    SoundOptions sound;
    // For each input, the folder under outputFolder that its output goes to,
    // so that a tree of inputs gives the same tree of outputs; none or ""
    // for outputFolder itself. Not part of the command's text.
    QStringList subfolders;
    // For each input, where its own slot starts, in output frames; -1, or
    // none, for slot.startFrame. Not part of the command's text.
    QVector<qint64> startFrames;

    quint64 startFrameOf(int i) const
    {
        const qint64 own = startFrames.value(i, -1);
        return own >= 0 ? quint64(own) : slot.startFrame;
    }

    // The folder that the output of input `i` goes to.
    QString outputFolderOf(int i) const;
};

namespace command {

inline constexpr char tag[] = "$DoConvert";
inline constexpr quint32 maxSampleRate = 768000;
inline constexpr quint32 maxChannels = 255;
inline constexpr int firstInputPosition = 7;

// True for a non-empty run of the ASCII digits 0 to 9, and nothing else.
bool isDigits(const QString &text);

// Why a command was refused: the position at fault (-1 for an empty command),
// the name of what it holds ("sample rate"), the problem on its own ("must be
// from 1 to 768000, not 0") and the whole message naming the position.
struct ParseError
{
    int position = -1;
    QString field;
    QString problem;
    QString message;
};

// Parses `text`. On failure returns false and says in `error` which position
// holds what and why it is refused. Writes the diagnostic "str" line for the
// size field.
bool parse(const QString &text, ConvertCommand *out, ParseError *error);
bool parse(const QString &text, ConvertCommand *out, QString *error);

// The limits that parse() applies, for a request built without a command: a
// sample rate from 1 to maxSampleRate, 1 to 255 channels, and a suffix
// without "/". Refuses with the position that would hold the value at fault.
bool validate(const ConvertCommand &c, ParseError *error);

// Joins a command back into text; parse(compose(c)) gives c again as long as no
// field holds a ",".
QString compose(const ConvertCommand &c);

// The output path for one input: the input's file name in `folder`, with the
// suffix put before ".wav". A name that does not end in ".wav" loses its last
// extension and gets ".wav", so WAV data never hides under another extension.
QString outputPath(const QString &inputPath, const QString &folder, const QString &suffix);

// The folder `sub` ("drums/kicks", or "" for `folder` itself) inside the output
// folder `folder`, where an input found that deep in a tree has its output.
QString treeFolder(const QString &folder, const QString &sub);

} // namespace command
