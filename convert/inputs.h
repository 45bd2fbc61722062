// The input files of one run of the command-line tool: folders opened up into
// the audio files they hold, and paths a convert command cannot carry refused.
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace inputs {

// "-" names the standard input, as it does for the sox command: read once,
// as a stream, so that it is neither looked at ahead nor given twice.
inline bool isStandardInput(const QString &path)
{
    return path == QLatin1String("-");
}

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

// An audio file in a folder that cannot be handed on by name, and why.
struct Refused
{
    QString path; // bytes the locale cannot decode are shown as \xNN
    QString reason;
    QByteArray bytes; // the path as it was given, when it is not encodeName(path)
};

// Replaces every folder among `paths` by the audio files directly inside it,
// sorted by name; hidden files, subfolders and anything that is not a regular
// file (or a link to one) are left out. Other paths stay as they are, in
// their order: the conversion says what is wrong with them. Fails when a
// folder cannot be read or a path holds a ",", which a convert command cannot
// carry.
// An audio file whose name the locale cannot decode is never in `files`: its
// decoded path would name another file or none. It goes into `refused` with
// the reason "file name is not valid in this locale", for the caller to count
// as failed; without `refused` the call fails on it, naming it in `error`.
bool expand(const QStringList &paths, QStringList *files, QString *error,
            QList<Refused> *refused = nullptr);

// How far expandTree() walks a folder.
struct Walk
{
    bool recursive = false;   // into subfolders, to any depth
    bool followLinks = false; // into links to folders, each folder once
};

// As expand(), and where `walk` says so into the subfolders, hidden ones
// left out as hidden files are. `subfolders` gets, for each of `files`, the
// folder it lies in relative to the folder it was found under ("" for a
// file given by itself or directly inside the folder given), so that its
// output can keep the tree.
bool expandTree(const QStringList &paths, const Walk &walk, QStringList *files,
                QStringList *subfolders, QString *error, QList<Refused> *refused = nullptr);

// True for a folder that such a tree keeps under the output folder: a
// relative path, written clean ("a/b", not "a//b/" or "./a"), that never
// climbs out with "..".
bool isSubfolder(const QString &relative);

// "file name is not valid in this locale" when the locale does not decode the
// bytes of a command-line argument to a string that encodes back to them (Qt's
// arguments() then holds a stand-in character, a path that names another
// file or none); empty when it does. Needs the application object, which
// sets the locale.
QString argumentProblem(const char *rawArg);

// A command-line argument as the locale decodes it, where each byte that the
// locale cannot decode stays as a character of its own, U+DC00 plus the byte
// (a lone surrogate, which no decoded name holds). Two arguments that differ
// in their bytes thus never decode to the same string, and the bytes come
// back with argumentBytes().
QString decodeArgument(const QByteArray &raw);
QByteArray argumentBytes(const QString &decoded);
// "file name is not valid in this locale" for a decoded argument that holds
// such a byte; empty otherwise.
QString decodedProblem(const QString &decoded);
// The decoded argument with each such byte written as \xNN.
QString shownArgument(const QString &decoded);

// A name as a terminal can show it without being driven by it, spelt as
// bash's $'...' would spell its bytes: a byte that the locale cannot decode
// and every byte of a control character (C0, DEL, C1) as \xNN, except a tab,
// a newline and a carriage return (\t, \n, \r); a backslash as \\, so that
// the text stands for one name only; every other character as itself.
QString shownName(const QByteArray &bytes);
// Text that may hold names (a reason, a diagnostic line), its control
// characters written as in shownName(); a backslash stays as it is.
QString withoutControls(const QString &text);

} // namespace inputs
