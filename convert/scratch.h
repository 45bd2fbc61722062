// The files a conversion keeps in shared folders while it works (the scratch
// WAV in the temporary folder, the partial output beside the output) carry the
// id of the process that made them and are locked by it, so that a later run
// can remove what a killed one left without touching a running one's.
#pragma once

#include <QLatin1String>
#include <QString>

#include <functional>
#include <initializer_list>
#include <sys/types.h>

class QTemporaryFile;

namespace scratch {

// The scratch file's name in the temporary folder, before and after the id.
inline const QLatin1String scratchPrefix("rezOrizezovu-");
inline const QLatin1String scratchSuffix(".wav");
// The partial output's name in the output folder, before and after the id.
inline const QLatin1String partialPrefix(".sabletide-");
inline const QLatin1String partialSuffix(".part");
// The name of a preview's bytes in the temporary folder, before and after the id.
inline const QLatin1String previewPrefix("sabletide-preview-");
inline const QLatin1String previewSuffix(".wav");

// The names of one kind of file: "<prefix><pid>-<tag><suffix>", the process
// id in decimal without leading zeros, the tag exactly as long as the program
// makes it and of the characters it uses. Only such names are ever swept: a
// user's file that merely looks alike keeps its place.
struct Kind
{
    enum class Tag { Letters, LowerHex };
    QLatin1String prefix;
    QLatin1String suffix;
    int tagLength;
    Tag tag;
};
// "rezOrizezovu-<pid>-<6 letters>.wav": QTemporaryFile puts letters alone in
// place of the template's "XXXXXX".
inline const Kind scratchFiles{scratchPrefix, scratchSuffix, 6, Kind::Tag::Letters};
// ".sabletide-<pid>-<8 lower-case hex digits>.part".
inline const Kind partialFiles{partialPrefix, partialSuffix, 8, Kind::Tag::LowerHex};
// "sabletide-preview-<pid>-<6 letters>.wav", made by QTemporaryFile.
inline const Kind previewFiles{previewPrefix, previewSuffix, 6, Kind::Tag::Letters};

// A QTemporaryFile template for this process's scratch files in `folder`:
// "rezOrizezovu-<pid>-XXXXXX.wav".
QString scratchTemplate(const QString &folder);
// The same for previews: "sabletide-preview-<pid>-XXXXXX.wav".
QString previewTemplate(const QString &folder);

// Marks the open file `fd` as in use for as long as it stays open. A file
// system without locks makes this a no-op; the process id still guards it.
void hold(int fd);

// Removes `file`, which hold() marked, while it is still open, so that no
// moment passes in which it is unlocked but there; then closes it.
void discard(QTemporaryFile &file);

// Whether the process of this id has ended, as this process sees it.
using OwnerGone = std::function<bool(pid_t)>;

// Removes the files in `folder` named as `kind` names them that are regular
// files of this user, whose process no longer exists and that no process
// holds. Links and other names are left alone. Safe while other copies of the
// program run and sweep. Returns how many it removed. `ownerGone` stands in
// for the check of the process id (a sweep from another process id namespace
// sees every process of this one as gone).
int sweep(const QString &folder, const Kind &kind, const OwnerGone &ownerGone = {});
// The same for several kinds in one reading of the folder.
int sweep(const QString &folder, std::initializer_list<Kind> kinds,
          const OwnerGone &ownerGone = {});

// Sweeps the temporary folder once per process: its scratch files, previews,
// and the partial files in which previews are written.
void sweepTemporaryFolder();

// Sweeps the partial outputs in `folder` once per folder and process.
void sweepOutputFolder(const QString &folder);

} // namespace scratch
