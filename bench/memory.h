// The resident memory of the benchmark's own process, read from the kernel.
#pragma once

#include <QByteArray>
#include <QFile>

namespace bench {

// A field of /proc/self/status in KiB ("VmRSS", "VmHWM"); -1 when unreadable.
inline qint64 statusKib(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

inline double mib(qint64 kib)
{
    return double(kib) / 1024.0;
}

} // namespace bench
