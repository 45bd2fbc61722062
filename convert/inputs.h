// The input files of one run of the command-line tool: folders opened up into
// the audio files they hold, and paths a convert command cannot carry refused.
#pragma once

#include <QString>
#include <QStringList>

namespace inputs {

// True when the file name ends in an extension by which this libsox opens a
// self-describing audio format (one that states its own rate and channels).
// Headerless formats (.raw, .s16, .vox, ...) need the rate told to them and do
// not count. Starts libsox when it is not yet started.
bool isAudioFileName(const QString &fileName);

// The extensions isAudioFileName accepts with this libsox, in lower case.
QStringList audioExtensions();

// True for a file whose name isAudioFileName accepts, or whose content libsox
// recognises as such a format (an Ogg file named .oga, a WAV named .wave).
bool isAudioFile(const QString &path);

// Replaces every folder among `paths` by the audio files directly inside it,
// sorted by name; hidden files, subfolders and anything that is not a regular
// file (or a link to one) are left out. Other paths stay as they are, in
// their order: the conversion says what is wrong with them. Fails when a
// folder cannot be read or a path holds a ",", which a convert command cannot
// carry.
bool expand(const QStringList &paths, QStringList *files, QString *error);

// A key that is the same for every spelling of a file's path, also for a
// file that does not exist yet.
QString fileKey(const QString &path);

} // namespace inputs
