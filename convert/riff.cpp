#include "convert/riff.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QString>
#include <QtEndian>

DataChunk findDataChunk(QIODevice &device)
{
    DataChunk result;
    if (!device.seek(0))
        return result;
    const QByteArray head = device.read(12);
    if (head.size() != 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "WAVE")
        return result;

    const qint64 end = device.size();
    qint64 pos = 12;
    while (pos + 8 <= end) {
        if (!device.seek(pos))
            return result;
        const QByteArray chunk = device.read(8);
        if (chunk.size() != 8)
            return result;
        const quint32 length = qFromLittleEndian<quint32>(chunk.constData() + 4);
        const qint64 body = pos + 8;
        if (chunk.startsWith("data")) {
            result.found = true;
            result.offset = body;
            result.length = static_cast<quint32>(qMin<qint64>(length, end - body));
            return result;
        }
        pos = body + qint64(length) + (length & 1u);
    }
    return result;
}

bool copyBytes(QIODevice &from, QIODevice &to, quint64 count, const std::atomic_bool *cancel,
               QString *why)
{
    constexpr qint64 blockSize = 1 << 20;
    QByteArray block(blockSize, Qt::Uninitialized);
    while (count > 0) {
        // The caller tells a stop by the flag, and says nothing of it here.
        if (cancel && cancel->load(std::memory_order_relaxed))
            return false;
        const qint64 want = qMin<quint64>(count, blockSize);
        const qint64 got = from.read(block.data(), want);
        if (got != want) {
            *why =
                QCoreApplication::translate("engine", "cannot read the converted samples back: %1")
                    .arg(got < 0 ? from.errorString()
                                 : QCoreApplication::translate("engine", "file ends early"));
            return false;
        }
        // A short write sets no error on a QFile (the disk filled up part-way);
        // writing the rest then fails with the reason.
        for (qint64 done = 0; done < got;) {
            const qint64 written = to.write(block.constData() + done, got - done);
            if (written <= 0) {
                *why = to.errorString();
                return false;
            }
            done += written;
        }
        count -= quint64(got);
    }
    return true;
}
