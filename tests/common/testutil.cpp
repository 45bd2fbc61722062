#include "testutil.h"

#include <QDebug>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <QTemporaryFile>

#include <ftw.h>
#include <stdio.h>

namespace testutil {

int run(const QString &program, const QStringList &args, QByteArray *out, QByteArray *err,
        int timeoutMs)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return -1;
    p.closeWriteChannel();
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out)
        *out = p.readAllStandardOutput();
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool makeAudio(const QString &path, int rate, int channels, int bits, double seconds, bool noise)
{
    // Repeatable: the same noise on every run, so that a test cannot pass on
    // one run's noise and fail on another's.
    QStringList args{QStringLiteral("-R"),  QStringLiteral("-n"), QStringLiteral("-r"),
                     QString::number(rate), QStringLiteral("-c"), QString::number(channels)};
    if (!path.endsWith(QLatin1String(".ogg")) && !path.endsWith(QLatin1String(".mp3")))
        args << QStringLiteral("-b") << QString::number(bits);
    args << path << QStringLiteral("synth") << QString::number(seconds);
    // Noise at 0.5 peaks near 0.7, low enough that no resampling pushes it
    // past full scale.
    if (noise)
        args << QStringLiteral("whitenoise") << QStringLiteral("vol") << QStringLiteral("0.5");
    else
        args << QStringLiteral("sine") << QStringLiteral("200-3000") << QStringLiteral("vol")
             << QStringLiteral("0.7");
    QByteArray err;
    const int rc = run(QStringLiteral("sox"), args, nullptr, &err);
    if (rc != 0)
        qWarning().noquote() << "sox" << args.join(QLatin1Char(' ')) << "failed:" << err;
    return rc == 0;
}

QString soxi(const QString &path, const QString &flag)
{
    QByteArray out;
    if (run(QStringLiteral("soxi"), {flag, path}, &out) != 0)
        return QString();
    return QString::fromLocal8Bit(out).trimmed();
}

bool pythonWave(const QString &path, QString *format, QByteArray *frames)
{
    static const char script[] =
        "import sys, wave\n"
        "w = wave.open(sys.argv[1], 'rb')\n"
        "n = w.getnframes()\n"
        "data = w.readframes(n)\n"
        "sys.stderr.write('%d %d %d %d' % (w.getframerate(), w.getnchannels(), "
        "w.getsampwidth(), n))\n"
        "sys.stdout.buffer.write(data)\n";
    QByteArray out, err;
    if (run(QStringLiteral("python3"), {QStringLiteral("-c"), QLatin1String(script), path}, &out,
            &err) != 0)
        return false;
    *format = QString::fromLatin1(err).trimmed();
    if (frames)
        *frames = out;
    return true;
}

QByteArray readAll(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

QByteArray le32(quint32 v)
{
    const char b[4] = {char(v & 0xff), char((v >> 8) & 0xff), char((v >> 16) & 0xff),
                       char((v >> 24) & 0xff)};
    return QByteArray(b, 4);
}

QByteArray le16(quint16 v)
{
    const char b[2] = {char(v & 0xff), char((v >> 8) & 0xff)};
    return QByteArray(b, 2);
}

QByteArray expectedHeader(int channels, int rate, int bits, quint32 dataSize)
{
    const quint16 align = quint16(channels * (bits / 8));
    return QByteArray("RIFF") + le32(dataSize + 36 + (dataSize & 1)) + "WAVE" + "fmt " + le32(16) +
           le16(1) + le16(quint16(channels)) + le32(quint32(rate)) + le32(quint32(rate) * align) +
           le16(align) + le16(quint16(bits)) + "data" + le32(dataSize);
}

QString convertCommand(int rate, int channels, int bits, quint32 size, const QString &folder,
                       const QString &suffix, const QStringList &inputs)
{
    QStringList parts{QStringLiteral("$DoConvert"),
                      QString::number(rate),
                      QString::number(channels),
                      QString::number(bits),
                      QString::number(size),
                      folder + QLatin1Char('/'),
                      suffix};
    return (parts + inputs).join(QLatin1Char(','));
}

QString binDir()
{
    return QStringLiteral(SABLETIDE_BIN_DIR);
}

bool removeTree(const QString &path)
{
    // Depth first and without following links: the bytes of each name as the
    // folder holds them.
    const auto removeOne = [](const char *name, const struct stat *, int, struct FTW *) {
        return ::remove(name);
    };
    return ::nftw(QFile::encodeName(path).constData(), removeOne, 16, FTW_DEPTH | FTW_PHYS) == 0;
}

namespace {

QMutex captureLock;
QStringList captured;
QtMessageHandler replaced = nullptr;

void capture(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type != QtDebugMsg) {
        if (replaced)
            replaced(type, context, text);
        return;
    }
    const QMutexLocker locker(&captureLock);
    captured.append(text);
}

} // namespace

DebugCapture::DebugCapture()
{
    {
        const QMutexLocker locker(&captureLock);
        captured.clear();
    }
    replaced = qInstallMessageHandler(capture);
}

DebugCapture::~DebugCapture()
{
    qInstallMessageHandler(replaced);
    replaced = nullptr;
}

QStringList DebugCapture::lines() const
{
    const QMutexLocker locker(&captureLock);
    return captured;
}

} // namespace testutil
