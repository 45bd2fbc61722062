#include "convert/placement.h"

#include "convert/errors.h"
#include "convert/scratch.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace placement {

namespace {

// A new, empty file in `folder` under a fresh name. Created by open(2) with
// mode 0666, so that the umask, a default ACL and a setgid folder shape it as
// they shape any new file there. Named after this process and held by it, so
// that only a killed run's partial files are swept.
int createPartial(const QString &folder, QString *partial, int *error)
{
    for (int attempt = 0; attempt < 64; ++attempt) {
        const QString candidate =
            folder + QLatin1Char('/') + scratch::partialPrefix +
            QStringLiteral("%1-%2")
                .arg(::getpid())
                .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')) +
            scratch::partialSuffix;
        const int fd = ::open(QFile::encodeName(candidate).constData(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd >= 0) {
            scratch::hold(fd);
            *partial = candidate;
            return fd;
        }
        if (errno != EEXIST) {
            *error = errno;
            return -1;
        }
    }
    *error = EEXIST;
    return -1;
}

// Renames without replacing whatever stands at `to`, where the file system
// can; elsewhere a hard link does the same.
int renameNoReplace(const QByteArray &from, const QByteArray &to)
{
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return -1;
#endif
    if (::link(from.constData(), to.constData()) != 0)
        return -1;
    ::unlink(from.constData());
    return 0;
}

} // namespace

QString typedFolder(const QString &typed)
{
    if (typed != QLatin1String("~") && !typed.startsWith(QLatin1String("~/")))
        return typed;
    QString home = QDir::homePath();
    // A home of "/" would give "//slots".
    if (home.endsWith(QLatin1Char('/')))
        home.chop(1);
    return home + typed.mid(1);
}

QString folderProblem(const QString &folder, bool *missing)
{
    // "a/file/" names nothing that exists; "a/file" is the file in the way.
    const QString path = QDir::cleanPath(folder);
    const QFileInfo info(path);
    if (missing)
        *missing = false;
    if (!info.exists()) {
        if (missing)
            *missing = true;
        return QCoreApplication::translate("engine", "output folder does not exist: %1").arg(path);
    }
    if (!info.isDir())
        return QCoreApplication::translate("engine", "output folder is not a folder: %1").arg(path);
    if (!info.isWritable())
        return QCoreApplication::translate("engine", "output folder is not writable: %1").arg(path);
    return QString();
}

QString partialPattern()
{
    return scratch::partialPrefix + QLatin1Char('*') + scratch::partialSuffix;
}

namespace {

bool failWith(const QString &path, const QString &detail, QString *why)
{
    *why = QCoreApplication::translate("engine", "cannot write %1: %2").arg(path, detail);
    return false;
}

} // namespace

Pending::Pending(Pending &&other) noexcept
    : fd(other.fd), path(std::move(other.path)), partial(std::move(other.partial)),
      replace(other.replace), hooks(std::move(other.hooks))
{
    other.fd = -1;
}

Pending &Pending::operator=(Pending &&other) noexcept
{
    if (this != &other) {
        drop();
        fd = other.fd;
        path = std::move(other.path);
        partial = std::move(other.partial);
        replace = other.replace;
        hooks = std::move(other.hooks);
        other.fd = -1;
    }
    return *this;
}

Pending::~Pending()
{
    drop();
}

void Pending::drop()
{
    if (fd < 0)
        return;
    // Removed while the lock still keeps a sweep off it.
    ::unlink(QFile::encodeName(partial).constData());
    ::close(fd);
    fd = -1;
}

bool Pending::commit(QString *why)
{
    if (fd < 0)
        return failWith(path, QCoreApplication::translate("engine", "nothing was written"), why);
    // Synced so that a crash after the rename cannot leave a file of zeros
    // behind it.
    if (::fsync(fd) != 0) {
        const int error = errno;
        drop();
        return failWith(path, errors::errnoText(error), why);
    }
    // The partial file is closed, and so let go, only once it is renamed or
    // removed: a sweep from another process id namespace cannot tell that
    // this process lives, and the lock is all that keeps it off the file.
    if (hooks.beforeRename)
        hooks.beforeRename(partial);
    const QByteArray partialName = QFile::encodeName(partial);
    const QByteArray target = QFile::encodeName(path);
    const int renamed = replace == Replace::Allowed
                            ? std::rename(partialName.constData(), target.constData())
                            : renameNoReplace(partialName, target);
    if (renamed != 0) {
        const int error = errno;
        drop();
        if (error == EEXIST)
            return failWith(path, QCoreApplication::translate("engine", "the file exists"), why);
        return failWith(path, errors::errnoText(error), why);
    }
    if (hooks.placed)
        hooks.placed(fd);
    ::close(fd);
    fd = -1;
    return true;
}

bool begin(const QString &path, Replace replace, QString *why, Pending *pending, const Hooks &hooks)
{
    *pending = Pending();
    const QByteArray target = QFile::encodeName(path);
    const auto fail = [&](const QString &detail) { return failWith(path, detail, why); };

    struct stat earlier;
    const bool exists = ::lstat(target.constData(), &earlier) == 0;
    if (exists && replace == Replace::Refused)
        return fail(QCoreApplication::translate("engine", "the file exists"));
    if (exists && S_ISDIR(earlier.st_mode))
        return fail(QCoreApplication::translate("engine", "it is a folder"));
    // A rename needs only the folder's permission; an earlier output that its
    // owner made read-only is still kept, as writing into it would keep it.
    if (exists && S_ISREG(earlier.st_mode) && ::access(target.constData(), W_OK) != 0)
        return fail(errors::errnoText(errno));

    QString partial;
    int error = 0;
    const QString folder = QFileInfo(path).absolutePath();
    // Partial files of killed runs would otherwise stay in the folder for good.
    scratch::sweepOutputFolder(folder);
    const int fd = createPartial(folder, &partial, &error);
    if (fd < 0)
        return fail(errors::errnoText(error));
    // Owned from here on: removed on every path that does not commit it.
    Pending begun;
    begun.fd = fd;
    begun.path = path;
    begun.partial = partial;
    begun.replace = replace;
    begun.hooks = hooks;
    // An earlier output keeps its mode; a link's target is none of our business.
    if (exists && S_ISREG(earlier.st_mode) && ::fchmod(fd, earlier.st_mode & 07777) != 0)
        return fail(errors::errnoText(errno));
    *pending = std::move(begun);
    return true;
}

bool Pending::finish(const Body &body, QString *why)
{
    if (fd < 0)
        return failWith(path, QCoreApplication::translate("engine", "nothing was written"), why);
    QFile out;
    bool ok = out.open(fd, QIODevice::WriteOnly, QFileDevice::DontCloseHandle);
    QString problem;
    ok = ok && body(out, &problem);
    // Flushed while the device still knows why a write failed.
    ok = ok && out.flush() && out.error() == QFileDevice::NoError;
    if (!ok) {
        if (problem.isEmpty())
            problem =
                out.error() != QFileDevice::NoError ? out.errorString() : errors::errnoText(errno);
        drop();
        return failWith(path, problem, why);
    }
    return true;
}

bool prepare(const QString &path, const Body &body, Replace replace, QString *why, Pending *pending,
             const Hooks &hooks)
{
    return begin(path, replace, why, pending, hooks) && pending->finish(body, why);
}

bool write(const QString &path, const Body &body, Replace replace, QString *why, const Hooks &hooks)
{
    Pending pending;
    return prepare(path, body, replace, why, &pending, hooks) && pending.commit(why);
}

} // namespace placement
