// What the benchmark's own process uses, as the kernel counts it: its
// resident memory and its processor time.
#pragma once

#include <QByteArray>
#include <QFile>

#include <sys/resource.h>

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

// Processor time of this process so far, user and system, in seconds.
inline double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace bench
