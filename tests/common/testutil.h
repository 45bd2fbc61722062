// Helpers shared by the tests: audio fixtures made with the sox command, and
// readers of WAV files that are not our own writer.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>

namespace testutil {

// Runs a program and returns its exit code (-1 when it could not start or
// timed out). Standard output and error go to *out / *err when given.
int run(const QString &program, const QStringList &args, QByteArray *out = nullptr,
        QByteArray *err = nullptr, int timeoutMs = 120000);

// Writes a test signal with the sox command: `seconds` of a sine sweep (or
// white noise when noise is true) at the given format. The file type follows
// the extension of `path` (wav, flac, aiff, ogg, ...). Returns false, with the
// sox command's own words in the test log, when sox fails.
bool makeAudio(const QString &path, int rate, int channels, int bits, double seconds,
               bool noise = false);

// What soxi says of a file: soxiField(path, "-r") is the sample rate, "-c" the
// channels, "-b" the bits, "-s" the samples per channel, "-e" the encoding.
QString soxi(const QString &path, const QString &flag);

// The sample bytes of a WAV file as Python's wave module reads them, and its
// format as "rate channels sampwidth frames".
bool pythonWave(const QString &path, QString *format, QByteArray *frames = nullptr);

QByteArray readAll(const QString &path);

// Little-endian bytes, written out by hand rather than by the code under test.
QByteArray le32(quint32 v);
QByteArray le16(quint16 v);

// The header a plain PCM file of this format and data length must carry.
QByteArray expectedHeader(int channels, int rate, int bits, quint32 dataSize);

// A convert command; the folder is written with its trailing "/".
QString convertCommand(int rate, int channels, int bits, quint32 size, const QString &folder,
                       const QString &suffix, const QStringList &inputs);

// Directory of the built programs (sabletide, sabletide-cli).
QString binDir();

// Removes `path` and all below it, names that are not valid in the locale
// included (QDir::removeRecursively cannot name those, and leaves them).
bool removeTree(const QString &path);

// Collects the debug lines written, from any thread, while it lives; other
// messages go on to the handler it replaced, which it puts back at its end.
// One at a time.
class DebugCapture
{
public:
    DebugCapture();
    ~DebugCapture();
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    QStringList lines() const;
};

} // namespace testutil
