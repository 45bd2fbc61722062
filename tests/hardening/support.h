// Tools of the hardening tests: checksums, a private temporary folder, small
// file systems that fill up or refuse writes, hostile files, and a way to run
// a batch as an unprivileged user.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "testutil.h"

namespace hardening {

// SHA-256 of a file's bytes; empty when it cannot be read, a fixed text for
// anything but a regular file.
QByteArray checksum(const QString &path);

// Every name in a folder, hidden ones included, sorted.
QStringList entries(const QString &folder);

bool writeBytes(const QString &path, const QByteArray &bytes);

// The same bytes for the same seed on every run.
QByteArray randomBytes(int size, quint32 seed);

// A 16-bit mono 8 kHz WAV whose header says what it is told to: `riffSize`,
// `fmtSize` (a longer format chunk gets zero bytes and a pad byte when odd),
// `channels` and `dataSize`; `samples` bytes of a ramp follow. A value of -1
// writes the true size.
QByteArray lyingWav(qint64 riffSize, qint64 fmtSize, int channels, qint64 dataSize, int samples);

using testutil::convertCommand;

// The engine's scratch files and folders ("rezOrizezovu*") in `folder`.
QStringList scratchFiles(const QString &folder);

bool isRoot();

// Points QDir::tempPath() (TMPDIR) at a folder for as long as it lives. Set it
// only while no conversion runs: the environment is not thread-safe.
class TmpDir
{
public:
    explicit TmpDir(const QString &folder);
    ~TmpDir();
    TmpDir(const TmpDir &) = delete;
    TmpDir &operator=(const TmpDir &) = delete;

private:
    QByteArray previous;
    bool hadPrevious;
};

// A tmpfs of `bytes` mounted on `folder` (created if missing) while it lives;
// needs root. mounted() is false, with the reason in error(), when it failed.
class Tmpfs
{
public:
    Tmpfs(const QString &folder, qint64 bytes, bool readOnly = false);
    ~Tmpfs();
    Tmpfs(const Tmpfs &) = delete;
    Tmpfs &operator=(const Tmpfs &) = delete;
    bool mounted() const { return ok; }
    QString error() const { return why; }

private:
    QString folder;
    bool ok = false;
    QString why;
};

// How one input of a batch ended, as runBatch reported it.
struct RowEnd
{
    QString input;
    bool converted = false;
    QString reason;
};

// Runs a convert command through runBatch in this process. A refused command
// gives one outcome with an empty input.
QList<RowEnd> runInProcess(const QString &command);

// Runs the command through runBatch in a child process of `program` as the
// user nobody (setpriv), with TMPDIR set to `tmp`. The child is `program`
// started with the arguments {"--batch-as-child", command}; its main must hand
// them to childMain(). Returns false, with the reason in `error`, when the
// child could not run.
bool runAsNobody(const QString &program, const QString &command, const QString &tmp,
                 QList<RowEnd> *outcomes, QString *error);

// Whether runAsNobody can work here: setpriv may switch users and nobody may
// start `program`. Says why not in `why`.
bool canRunAsNobody(const QString &program, QString *why);

// The child's side of runAsNobody: returns the exit code when argv asks for a
// batch, -1 otherwise.
int childMain(int argc, char **argv);

// Peak and current resident memory of this process, in KiB (/proc/self/status).
qint64 peakRssKiB();
qint64 rssKiB();

} // namespace hardening
