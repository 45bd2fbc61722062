// Which file a path names, by device and inode, so that another spelling, a
// symbolic link or a hard link of the same file is still the same file.
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

inline FileId fileId(const QString &path)
{
    FileId id;
    struct stat st;
    if (!path.isEmpty() && ::stat(QFile::encodeName(path).constData(), &st) == 0) {
        id.exists = true;
        id.device = st.st_dev;
        id.inode = st.st_ino;
    }
    return id;
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
