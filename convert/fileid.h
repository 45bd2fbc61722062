// Which file a path names: by device and inode, so that another spelling, a
// symbolic link or a hard link of the same file is still the same file; by
// a key of its spelling that a folder ignoring case would share; and which
// version of it, by size and time of change.
#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

struct FileId
{
    bool exists = false;
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId &o) const
    {
        return exists && o.exists && device == o.device && inode == o.inode;
    }
};

inline FileId fileIdOf(const struct stat &st)
{
    FileId id;
    id.exists = true;
    id.device = st.st_dev;
    id.inode = st.st_ino;
    return id;
}

inline FileId fileId(const QString &path)
{
    struct stat st;
    if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0)
        return fileIdOf(st);
    return FileId();
}

// Which version of a file something was made from: a file changed or
// replaced since then is another file.
struct FileStamp
{
    FileId id;
    qint64 size = 0;
    qint64 mtimeNs = 0;
    bool operator==(const FileStamp &o) const
    {
        return id == o.id && size == o.size && mtimeNs == o.mtimeNs;
    }
};

inline FileStamp fileStamp(const QString &path)
{
    FileStamp stamp;
    struct stat st;
    if (path.isEmpty() || ::stat(QFile::encodeName(path).constData(), &st) != 0)
        return stamp;
    stamp.id = fileIdOf(st);
    stamp.size = qint64(st.st_size);
    stamp.mtimeNs = qint64(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    return stamp;
}

// A key that is the same for every spelling of a file's path, also for a
// file that does not exist yet: its canonical path, or its folder's.
inline QString fileKey(const QString &path)
{
    const QFileInfo info(path);
    if (info.exists())
        return info.canonicalFilePath();
    const QString folder = QFileInfo(info.absolutePath()).canonicalFilePath();
    return (folder.isEmpty() ? info.absolutePath() : folder) + QLatin1Char('/') + info.fileName();
}

// The keys under which a path's entry may be found by a folder that ignores
// case, as FAT and exFAT do (with Unicode case folding): the folder by its
// identity and by its spelling, each with the name folded. Two paths that
// share a key may be one file on a memory card, even where the disk they are
// checked on tells them apart, and even where the card's driver gives each
// spelling an inode of its own.
inline QStringList caseFoldedKeys(const QString &path)
{
    const QFileInfo info(path);
    const QString name = info.fileName().toCaseFolded();
    QStringList keys{QDir::cleanPath(info.absolutePath()).toCaseFolded() + QLatin1Char('/') + name};
    const FileId folder = fileId(info.absolutePath());
    if (folder.exists)
        keys.append(QStringLiteral("%1:%2/%3").arg(folder.device).arg(folder.inode).arg(name));
    return keys;
}

// True when `a` and `b` may be one file on a folder that ignores case.
inline bool sameWithoutCase(const QString &a, const QString &b)
{
    const QStringList keysOfB = caseFoldedKeys(b);
    for (const QString &key : caseFoldedKeys(a)) {
        if (keysOfB.contains(key))
            return true;
    }
    return false;
}
