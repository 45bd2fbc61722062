// Which file a path names, by device and inode, so that another spelling, a
// symbolic link or a hard link of the same file is still the same file.
#pragma once

#include <QFile>
#include <QString>

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
