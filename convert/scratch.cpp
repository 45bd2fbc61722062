#include "convert/scratch.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSet>
#include <QTemporaryFile>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace scratch {

namespace {

// The highest process id Linux gives (PID_MAX_LIMIT).
constexpr long highestPid = 4194304;

bool isTagChar(char c, Kind::Tag tag)
{
    if (tag == Kind::Tag::LowerHex)
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The process id in `name` when it is a name of `kind`; 0 otherwise.
pid_t ownerOf(const char *name, const Kind &kind)
{
    const size_t length = std::strlen(name);
    const size_t prefix = size_t(kind.prefix.size());
    const size_t suffix = size_t(kind.suffix.size());
    const size_t tagLength = size_t(kind.tagLength);
    // At least one digit and the dash between the id and the tag.
    if (length < prefix + 2 + tagLength + suffix ||
        std::memcmp(name, kind.prefix.data(), prefix) != 0 ||
        std::memcmp(name + length - suffix, kind.suffix.data(), suffix) != 0)
        return 0;
    const char *tag = name + length - suffix - tagLength;
    for (const char *p = tag; p < tag + tagLength; ++p) {
        if (!isTagChar(*p, kind.tag))
            return 0;
    }
    const char *digits = name + prefix;
    const char *dash = tag - 1;
    if (*dash != '-' || *digits == '0' || dash - digits > 7)
        return 0;
    long pid = 0;
    for (const char *p = digits; p < dash; ++p) {
        if (*p < '0' || *p > '9')
            return 0;
        pid = pid * 10 + (*p - '0');
    }
    return pid <= highestPid ? pid_t(pid) : 0;
}

// A process of another user still counts (EPERM); so does a recycled id,
// which only keeps a stale file a little longer.
bool processGone(pid_t pid)
{
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

// Sweeps `folder` for `kinds` once per process: the first call for a folder
// and a set of kinds reads it, later calls return at once.
void sweepOnce(const QString &folder, std::initializer_list<Kind> kinds)
{
    static QMutex lock;
    static QSet<QString> swept;
    QString key = QDir(folder).absolutePath();
    for (const Kind &kind : kinds)
        key += QLatin1Char('\n') + kind.prefix;
    {
        QMutexLocker locker(&lock);
        if (swept.contains(key))
            return;
        swept.insert(key);
    }
    sweep(folder, kinds);
}

} // namespace

QString scratchTemplate(const QString &folder)
{
    return folder + QLatin1Char('/') + scratchPrefix + QString::number(::getpid()) +
           QStringLiteral("-XXXXXX") + scratchSuffix;
}

QString previewTemplate(const QString &folder)
{
    return folder + QLatin1Char('/') + previewPrefix + QString::number(::getpid()) +
           QStringLiteral("-XXXXXX") + previewSuffix;
}

void hold(int fd)
{
    // Failure leaves the file unlocked; a sweep then goes by the process id.
    ::flock(fd, LOCK_EX | LOCK_NB);
}

void discard(QTemporaryFile &file)
{
    if (file.isOpen() && !file.fileName().isEmpty()) {
        // Gone already, the name may since be another's: leave it alone.
        if (::unlink(QFile::encodeName(file.fileName()).constData()) == 0 || errno == ENOENT)
            file.setAutoRemove(false);
    }
    file.close();
}

int sweep(const QString &folder, const Kind &kind, const OwnerGone &ownerGone)
{
    return sweep(folder, std::initializer_list<Kind>{kind}, ownerGone);
}

int sweep(const QString &folder, std::initializer_list<Kind> kinds, const OwnerGone &ownerGone)
{
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    const uid_t me = ::geteuid();
    int removed = 0;
    while (const dirent *entry = ::readdir(dir)) {
        pid_t owner = 0;
        for (auto kind = kinds.begin(); owner == 0 && kind != kinds.end(); ++kind)
            owner = ownerOf(entry->d_name, *kind);
        if (owner == 0 || !(ownerGone ? ownerGone(owner) : processGone(owner)))
            continue;
        // Not following links, and not waiting on a pipe planted under the name.
        const int fd = ::openat(dirFd, entry->d_name,
                                O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0)
            continue;
        struct stat opened, named;
        // The lock tells a file whose owner runs under another process id
        // namespace (another container sharing the folder) from a dead one's.
        if (::fstat(fd, &opened) == 0 && S_ISREG(opened.st_mode) && opened.st_uid == me &&
            ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::fstatat(dirFd, entry->d_name, &named, AT_SYMLINK_NOFOLLOW) == 0 &&
            named.st_dev == opened.st_dev && named.st_ino == opened.st_ino &&
            ::unlinkat(dirFd, entry->d_name, 0) == 0)
            ++removed;
        ::close(fd);
    }
    ::closedir(dir);
    return removed;
}

void sweepTemporaryFolder()
{
    const QString folder = QDir::tempPath();
    if (folder.isEmpty())
        return;
    // One reading of a folder that may hold thousands of names, not one per kind.
    sweepOnce(folder, {scratchFiles, previewFiles, partialFiles});
}

void sweepOutputFolder(const QString &folder)
{
    sweepOnce(folder, {partialFiles});
}

} // namespace scratch
