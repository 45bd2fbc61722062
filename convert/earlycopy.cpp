#include "convert/earlycopy.h"

#include "convert/logging.h"
#include "convert/slot.h"
#include "convert/spare.h"
#include "convert/units.h"

#include <QByteArray>
#include <QDebug>
#include <QTemporaryFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Copies `count` bytes between two files at set offsets, in the kernel where
// it can; with read and write where the files lie on different file systems,
// which `inKernel` then remembers.
bool copyRange(int from, qint64 fromAt, int to, qint64 toAt, quint64 count, bool *inKernel)
{
    loff_t in = fromAt;
    loff_t out = toAt;
    while (count > 0 && *inKernel) {
        const ssize_t n = ::copy_file_range(from, &in, to, &out, size_t(count), 0);
        if (n > 0) {
            count -= quint64(n);
            continue;
        }
        if (n == 0)
            return false;
        if (errno == EINTR)
            continue;
        if (errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
            return false;
        *inKernel = false;
    }
    if (count > 0) {
        QByteArray block(int(qMin<quint64>(count, 1 << 20)), Qt::Uninitialized);
        while (count > 0) {
            const ssize_t got = ::pread(from, block.data(),
                                        size_t(qMin<quint64>(count, quint64(block.size()))), in);
            if (got <= 0 || ::pwrite(to, block.constData(), size_t(got), out) != got)
                return false;
            in += got;
            out += got;
            count -= quint64(got);
        }
    }
    return true;
}

} // namespace

EarlyCopy::EarlyCopy(const ConvertParams &p, const QTemporaryFile &scratch,
                     placement::Replace replace, placement::Hooks hooks)
    : p(p), scratch(scratch), replace(replace), hooks(std::move(hooks)),
      bytesPerSample(p.bitsPerSample / 8u)
{
    if (p.fileSize <= units::headerBytes) {
        limit = units::maxDataBytes;
    } else {
        // A cut falls where the slot is full, and the bytes that its fade
        // changes wait for the end.
        const quint64 room = p.fileSize - units::headerBytes;
        limit = room - slot::fadeBytes(p, room);
    }
    const quint64 skip = p.slot.startFrame * units::frameBytes(p.channels, p.bitsPerSample);
    nextAt = skip + stepBytes;
    start = units::headerBytes + skip;
    stopped = limit < stepBytes || bytesPerSample == 0;
}

void EarlyCopy::advance(quint64 samplesWritten)
{
    const quint64 written = samplesWritten * bytesPerSample;
    if (stopped || written < nextAt)
        return;
    nextAt = written + stepBytes;
    if (!running && !begin())
        return;
    struct stat info;
    if (::fstat(scratch.handle(), &info) != 0)
        return;
    const quint64 size = quint64(info.st_size);
    std::lock_guard<std::mutex> hold(lock);
    if (failed) {
        stopped = true;
        return;
    }
    wanted = qMin(size > start ? size - start : 0, limit);
    wake.notify_one();
}

bool EarlyCopy::begin()
{
    stopped = true;
    // The scratch file's header as libsox wrote it ("wavpcm"): the samples
    // follow at 44. Anything else is left to the end, which walks the chunks.
    char head[units::headerBytes];
    if (::pread(scratch.handle(), head, sizeof head, 0) != qint64(sizeof head) ||
        std::memcmp(head, "RIFF", 4) != 0 || std::memcmp(head + 8, "WAVEfmt ", 8) != 0 ||
        std::memcmp(head + 36, "data", 4) != 0)
        return false;
    QString why;
    if (!placement::begin(p.outputPath, replace, &why, &partial, hooks)) {
        // Said again, and to the user, by the end's own placement.
        qCDebug(lcChain).noquote() << "no early copy:" << why;
        return false;
    }
    running = spare::startThread(&thread, &EarlyCopy::copyMain, this);
    if (!running) {
        partial = placement::Pending();
        return false;
    }
    stopped = false;
    return true;
}

void *EarlyCopy::copyMain(void *early)
{
    static_cast<EarlyCopy *>(early)->copyLoop();
    return nullptr;
}

void EarlyCopy::copyLoop()
{
    std::unique_lock<std::mutex> hold(lock);
    for (;;) {
        wake.wait(hold, [this] { return ending || wanted > done; });
        if (ending)
            return;
        const quint64 from = done;
        // A step at a time even where a slow card falls behind, so that a
        // stop waits for one step's sync at most.
        const quint64 to = qMin(wanted, done + stepBytes);
        hold.unlock();
        const qint64 at = qint64(units::headerBytes + from);
        // Synced as it comes, on this thread: the sync at the end then finds
        // little left to write, and the conversion never waits for the disk.
        const bool ok = copyRange(scratch.handle(), qint64(start + from), partial.handle(), at,
                                  to - from, &inKernel) &&
                        ::fdatasync(partial.handle()) == 0;
        const int error = errno;
        hold.lock();
        if (!ok) {
            qCDebug(lcChain) << "early copy stopped:" << std::strerror(error);
            failed = true;
            return;
        }
        done = to;
    }
}

void EarlyCopy::settle()
{
    if (!running)
        return;
    {
        std::lock_guard<std::mutex> hold(lock);
        ending = true;
    }
    wake.notify_one();
    pthread_join(thread, nullptr);
    running = false;
    stopped = true;
    if (failed) {
        partial = placement::Pending();
        done = 0;
    }
}
