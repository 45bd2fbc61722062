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

// The process id in `name` when the name has the shape that `prefix` and
// `suffix` frame; 0 otherwise.
pid_t ownerOf(const char *name, const QByteArray &prefix, const QByteArray &suffix)
{
    const size_t length = std::strlen(name);
    if (length <= size_t(prefix.size() + suffix.size()) ||
        std::strncmp(name, prefix.constData(), size_t(prefix.size())) != 0 ||
        std::strcmp(name + length - size_t(suffix.size()), suffix.constData()) != 0)
        return 0;
    const char *p = name + prefix.size();
    const char *end = name + length - suffix.size();
    long long pid = 0;
    const char *digits = p;
    while (p < end && *p >= '0' && *p <= '9' && pid < (1LL << 31))
        pid = pid * 10 + (*p++ - '0');
    if (p == digits || p >= end || *p != '-' || pid <= 0 || pid >= (1LL << 31))
        return 0;
    const char *tag = ++p;
    for (; p < end; ++p) {
        const char c = *p;
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return 0;
    }
    return p > tag ? pid_t(pid) : 0;
}

// A process of another user still counts (EPERM); so does a recycled id,
// which only keeps a stale file a little longer.
bool processGone(pid_t pid)
{
    return pid != ::getpid() && ::kill(pid, 0) != 0 && errno == ESRCH;
}

void sweepOnce(const QString &folder, QLatin1String prefix, QLatin1String suffix)
{
    static QMutex lock;
    static QSet<QString> swept;
    const QString key = prefix + QLatin1Char('\n') + QDir(folder).absolutePath();
    {
        QMutexLocker locker(&lock);
        if (swept.contains(key))
            return;
        swept.insert(key);
    }
    sweep(folder, prefix, suffix);
}

} // namespace

QString scratchTemplate(const QString &folder)
{
    return folder + QLatin1Char('/') + scratchPrefix + QString::number(::getpid()) +
           QStringLiteral("-XXXXXX") + scratchSuffix;
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

int sweep(const QString &folder, QLatin1String prefix, QLatin1String suffix,
          const OwnerGone &ownerGone)
{
    const QByteArray prefixBytes(prefix.data(), prefix.size());
    const QByteArray suffixBytes(suffix.data(), suffix.size());
    DIR *dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir)
        return 0;
    const int dirFd = ::dirfd(dir);
    const uid_t me = ::geteuid();
    int removed = 0;
    while (const dirent *entry = ::readdir(dir)) {
        const pid_t owner = ownerOf(entry->d_name, prefixBytes, suffixBytes);
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
    if (!folder.isEmpty())
        sweepOnce(folder, scratchPrefix, scratchSuffix);
}

void sweepOutputFolder(const QString &folder)
{
    sweepOnce(folder, partialPrefix, partialSuffix);
}

} // namespace scratch
