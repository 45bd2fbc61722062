// Micro-benchmarks of the in-process steps of a conversion that are ours
// rather than libsox's: the header, the walk to the sample data and the copy.
#include "convert/riff.h"
#include "convert/wav.h"

#include <QBuffer>
#include <QByteArray>
#include <QDataStream>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

namespace {

// A sink that counts what it is given and keeps nothing, so that the copy is
// timed without a disk behind it.
class NullDevice : public QIODevice
{
public:
    NullDevice() { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *, qint64 len) override { return len; }
};

void appendChunk(QByteArray *out, const char *id, const QByteArray &body, quint32 length)
{
    QDataStream s(out, QIODevice::WriteOnly | QIODevice::Append);
    s.setByteOrder(QDataStream::LittleEndian);
    s.writeRawData(id, 4);
    s << length;
    s.writeRawData(body.constData(), body.size());
    if (body.size() & 1)
        s << quint8(0);
}

// What libsox writes above 16 bits: an extensible format chunk and a fact
// chunk ahead of the samples; `chunks` extra LIST chunks lengthen the walk.
QByteArray scratchWav(int samplesBytes, int chunks)
{
    QByteArray body;
    for (int i = 0; i < chunks; ++i)
        appendChunk(&body, "LIST", QByteArray(31, 'x'), 31);
    QByteArray file("RIFF\0\0\0\0WAVE", 12);
    appendChunk(&file, "fmt ", QByteArray(40, '\0'), 40);
    appendChunk(&file, "fact", QByteArray(4, '\0'), 4);
    file.append(body);
    appendChunk(&file, "data", QByteArray(samplesBytes, '\x55'), quint32(samplesBytes));
    return file;
}

void wavHeader(benchmark::State &state)
{
    Wav wav;
    quint32 size = 10000000;
    for (auto _ : state) {
        QByteArray h = wav.header(1, 48000, 24, size++);
        benchmark::DoNotOptimize(h.constData());
    }
}
BENCHMARK(wavHeader);

void findDataChunkInMemory(benchmark::State &state)
{
    QByteArray file = scratchWav(4096, int(state.range(0)));
    QBuffer buffer(&file);
    buffer.open(QIODevice::ReadOnly);
    for (auto _ : state) {
        const DataChunk chunk = findDataChunk(buffer);
        if (!chunk.found)
            state.SkipWithError("no data chunk found");
        benchmark::DoNotOptimize(chunk.offset);
    }
}
BENCHMARK(findDataChunkInMemory)->Arg(0)->Arg(30);

void findDataChunkInFile(benchmark::State &state)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("scratch.wav")));
    if (!dir.isValid() || !file.open(QIODevice::ReadWrite) ||
        file.write(scratchWav(1 << 20, 0)) < 0 || !file.flush()) {
        state.SkipWithError("cannot write the scratch file");
        return;
    }
    for (auto _ : state) {
        const DataChunk chunk = findDataChunk(file);
        if (!chunk.found)
            state.SkipWithError("no data chunk found");
        benchmark::DoNotOptimize(chunk.offset);
    }
}
BENCHMARK(findDataChunkInFile);

void copyToNothing(benchmark::State &state)
{
    const qint64 size = state.range(0);
    QByteArray source(int(size), '\x2a');
    QBuffer from(&source);
    from.open(QIODevice::ReadOnly);
    NullDevice to;
    QString why;
    for (auto _ : state) {
        from.seek(0);
        if (!copyBytes(from, to, quint64(size), nullptr, &why))
            state.SkipWithError(qPrintable(why));
    }
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(copyToNothing)->Arg(1 << 20)->Arg(64 << 20);

// File to file, as the output is written: page cache on both sides.
void copyFileToFile(benchmark::State &state)
{
    const qint64 size = state.range(0);
    QTemporaryDir dir;
    QFile from(dir.filePath(QStringLiteral("from.raw")));
    QFile to(dir.filePath(QStringLiteral("to.raw")));
    if (!dir.isValid() || !from.open(QIODevice::ReadWrite) ||
        from.write(QByteArray(int(size), '\x2a')) != size || !from.flush()) {
        state.SkipWithError("cannot write the source file");
        return;
    }
    QString why;
    for (auto _ : state) {
        if (!from.seek(0) || !to.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
            state.SkipWithError("cannot open the files");
            break;
        }
        if (!copyBytes(from, to, quint64(size), nullptr, &why))
            state.SkipWithError(qPrintable(why));
        to.close();
    }
    state.SetBytesProcessed(state.iterations() * size);
}
BENCHMARK(copyFileToFile)->Arg(64 << 20)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
