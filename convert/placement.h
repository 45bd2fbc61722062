// Puts a finished output at its path: written beside it under a private name,
// then renamed over it in one step.
#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

class QIODevice;

namespace placement {

// What stands at the output path decides what may happen to it.
enum class Replace { Allowed, Refused };

// What goes into the file: written to `out`, or false with the reason.
using Body = std::function<bool(QIODevice &out, QString *why)>;

// Moments of write() that a caller can step into.
struct Hooks
{
    // Runs with the finished partial file's path just before it is renamed
    // onto the output path: where a sweep by another process could strike.
    std::function<void(const QString &partial)> beforeRename;
    // Runs with the output's descriptor once the output stands at the path,
    // before write() closes it: a copy made with dup() keeps the lock that the
    // partial file had (scratch::hold) for as long as the copy stays open.
    std::function<void(int fd)> placed;
};

// Writes what `body` writes to `path`. The bytes go into a new file in the
// same folder first;
// only a complete, flushed file is renamed onto `path`. The rename replaces a
// link at `path` itself and never writes through it; with Replace::Refused an
// existing entry at `path` is left as it is and the call fails. A new output
// gets the permissions of any new file in that folder (umask, default ACL,
// setgid group); one that replaces an earlier output keeps that file's mode.
// On failure nothing is left at `path` that was not there before. The partial
// file stays locked until it has been renamed or removed.
bool write(const QString &path, const Body &body, Replace replace, QString *why,
           const Hooks &hooks = {});

// An output written whole beside its path under a private name, still to be
// synced and renamed onto that path (commit()): the wait for the disk can
// then overlap other work. Dropped uncommitted, the file is removed.
class Pending
{
public:
    Pending() = default;
    Pending(const Pending &) = delete;
    Pending &operator=(const Pending &) = delete;
    Pending(Pending &&other) noexcept;
    Pending &operator=(Pending &&other) noexcept;
    ~Pending();

    // Whether a partial file is held: begun, or written and waiting for
    // commit().
    bool isWaiting() const { return fd >= 0; }
    // The partial file's descriptor, for bytes written at set offsets before
    // finish() (pwrite and the like); -1 when none is held.
    int handle() const { return fd; }
    // Runs `body` on the partial file from its start and flushes it: the
    // second half of prepare(). False with the reason, the file then removed.
    bool finish(const Body &body, QString *why);
    // Syncs the file to the disk and renames it onto its path, as write()
    // ends; false with the reason, the file then removed. Once only.
    bool commit(QString *why);

private:
    friend bool begin(const QString &, Replace, QString *, Pending *, const Hooks &);
    void drop();

    int fd = -1;
    QString path;
    QString partial;
    Replace replace = Replace::Refused;
    Hooks hooks;
};

// The first part of prepare(): the checks of what stands at `path`, then a new,
// empty partial file beside it, which `pending` holds for finish().
bool begin(const QString &path, Replace replace, QString *why, Pending *pending,
           const Hooks &hooks = {});

// The first part of write(): the bytes that `body` writes go into a new file
// beside `path`, flushed; `pending` then holds it for its commit().
bool prepare(const QString &path, const Body &body, Replace replace, QString *why, Pending *pending,
             const Hooks &hooks = {});

// Why no output can be placed in `folder`: it does not exist (then `missing`,
// where given, is set), is not a folder, or cannot be written into. Empty
// when outputs can go there. Asked before a run as well as for each output.
QString folderProblem(const QString &folder, bool *missing = nullptr);

// The folder a person means by `typed`: "~" and "~/..." stand for the home
// folder, as a shell reads them. For folders typed into the window; on a
// command line the shell has read "~" already, and one it left is a name.
QString typedFolder(const QString &typed);

// The name pattern of the files write() makes while it works.
QString partialPattern();

} // namespace placement
