#include "support.h"

#include "convert/batch.h"
#include "convert/resampling.h"
#include "convert/soxhandles.h"
#include "testutil.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRandomGenerator>
#include <QTextStream>
#include <QUrl>

#include <cstdio>
#include <unistd.h>

namespace hardening {

QByteArray checksum(const QString &path)
{
    // Opening a pipe would wait for a writer for ever.
    if (!QFileInfo(path).isFile())
        return QByteArrayLiteral("not a regular file");
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return hash.result().toHex();
}

QStringList entries(const QString &folder)
{
    QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                               QDir::NoDotAndDotDot);
    names.sort();
    return names;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray randomBytes(int size, quint32 seed)
{
    QRandomGenerator generator(seed);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char &b : bytes)
        b = char(generator.bounded(256));
    return bytes;
}

QByteArray lyingWav(qint64 riffSize, qint64 fmtSize, int channels, qint64 dataSize, int samples)
{
    const quint32 fmtBody = fmtSize > 16 && fmtSize < 4096 ? quint32(fmtSize) : 16u;
    const quint32 trueRiff = 4 + 8 + fmtBody + (fmtBody & 1u) + 8 + quint32(samples);
    QByteArray bytes;
    QDataStream out(&bytes, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out.writeRawData("RIFF", 4);
    out << quint32(riffSize < 0 ? trueRiff : quint32(riffSize));
    out.writeRawData("WAVEfmt ", 8);
    out << quint32(fmtSize < 0 ? 16u : quint32(fmtSize));
    out << quint16(1) << quint16(channels) << quint32(8000) << quint32(8000 * 2 * channels)
        << quint16(2 * channels) << quint16(16);
    for (quint32 i = 16; i < fmtBody + (fmtBody & 1u); ++i)
        out << quint8(0);
    out.writeRawData("data", 4);
    out << quint32(dataSize < 0 ? quint32(samples) : quint32(dataSize));
    for (int i = 0; i < samples; ++i)
        out << quint8(i * 7);
    return bytes;
}

QStringList scratchFiles(const QString &folder)
{
    return QDir(folder).entryList({QStringLiteral("rezOrizezovu*")},
                                  QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::System |
                                      QDir::Hidden);
}

bool isRoot()
{
    return ::geteuid() == 0;
}

TmpDir::TmpDir(const QString &folder)
    : previous(qgetenv("TMPDIR")), hadPrevious(qEnvironmentVariableIsSet("TMPDIR"))
{
    qputenv("TMPDIR", QFile::encodeName(folder));
}

TmpDir::~TmpDir()
{
    if (hadPrevious)
        qputenv("TMPDIR", previous);
    else
        qunsetenv("TMPDIR");
}

Tmpfs::Tmpfs(const QString &folder, qint64 bytes, bool readOnly) : folder(folder)
{
    if (!isRoot()) {
        why = QStringLiteral("mounting a tmpfs needs root");
        return;
    }
    QDir().mkpath(folder);
    QString options = QStringLiteral("size=%1,mode=0777").arg(bytes);
    if (readOnly)
        options += QStringLiteral(",ro");
    QByteArray err;
    const int rc = testutil::run(QStringLiteral("mount"),
                                 {QStringLiteral("-t"), QStringLiteral("tmpfs"),
                                  QStringLiteral("-o"), options, QStringLiteral("tmpfs"), folder},
                                 nullptr, &err);
    ok = rc == 0;
    if (!ok)
        why =
            QStringLiteral("mount -t tmpfs failed: %1").arg(QString::fromLocal8Bit(err).trimmed());
}

Tmpfs::~Tmpfs()
{
    if (!ok)
        return;
    // Lazily, so that a file a failed test left open cannot keep the mount.
    testutil::run(QStringLiteral("umount"), {QStringLiteral("-l"), folder});
}

QList<RowEnd> runInProcess(const QString &text)
{
    QList<RowEnd> outcomes;
    BatchReport report;
    report.converted = [&outcomes](int, const QString &input, const QString &) {
        outcomes.append({input, true, QString()});
    };
    report.failed = [&outcomes](int, const QString &input, const Outcome &outcome) {
        outcomes.append({input, false, outcome.text()});
    };
    Resampling resampling;
    runBatch(text, resampling, report);
    return outcomes;
}

namespace {

const char childFlag[] = "--batch-as-child";
constexpr int nobody = 65534;

QByteArray field(const QString &text)
{
    return QUrl::toPercentEncoding(text);
}

QString unfield(const QByteArray &bytes)
{
    return QUrl::fromPercentEncoding(bytes);
}

} // namespace

bool canRunAsNobody(const QString &program, QString *why)
{
    QByteArray err;
    const int rc =
        testutil::run(QStringLiteral("setpriv"),
                      {QStringLiteral("--reuid=%1").arg(nobody),
                       QStringLiteral("--regid=%1").arg(nobody), QStringLiteral("--clear-groups"),
                       QStringLiteral("--"), QStringLiteral("test"), QStringLiteral("-x"), program},
                      nullptr, &err);
    if (rc == 0)
        return true;
    *why = rc < 0 ? QStringLiteral("setpriv did not run")
                  : QStringLiteral("setpriv cannot start %1 as nobody: %2")
                        .arg(program, QString::fromLocal8Bit(err).trimmed());
    return false;
}

bool runAsNobody(const QString &program, const QString &text, const QString &tmp,
                 QList<RowEnd> *outcomes, QString *error)
{
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp);
    child.setProcessEnvironment(env);
    child.start(QStringLiteral("setpriv"),
                {QStringLiteral("--reuid=%1").arg(nobody), QStringLiteral("--regid=%1").arg(nobody),
                 QStringLiteral("--clear-groups"), QStringLiteral("--"), program,
                 QLatin1String(childFlag), QString::fromLatin1(field(text))});
    if (!child.waitForStarted(10000) || !child.waitForFinished(120000)) {
        child.kill();
        child.waitForFinished();
        *error = QStringLiteral("setpriv did not run or did not end: %1").arg(child.errorString());
        return false;
    }
    if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        *error = QStringLiteral("the child failed (exit %1): %2")
                     .arg(child.exitCode())
                     .arg(QString::fromLocal8Bit(child.readAllStandardError().right(2000)));
        return false;
    }
    outcomes->clear();
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() != 3)
            continue;
        outcomes->append(
            {unfield(fields.at(1)), fields.at(0) == "converted", unfield(fields.at(2))});
    }
    return true;
}

int childMain(int argc, char **argv)
{
    if (argc != 3 || qstrcmp(argv[1], childFlag) != 0)
        return -1;
    // The application object sets the locale, and with it how paths are encoded.
    QCoreApplication app(argc, argv);
    sox::Session session;
    const QList<RowEnd> outcomes = runInProcess(unfield(argv[2]));
    for (const RowEnd &o : outcomes) {
        const QByteArray line = (o.converted ? QByteArray("converted") : QByteArray("failed")) +
                                '\t' + field(o.input) + '\t' + field(o.reason) + '\n';
        std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    }
    return 0;
}

namespace {

qint64 statusKiB(const char *key)
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return -1;
    const QList<QByteArray> lines = f.readAll().split('\n');
    for (const QByteArray &line : lines) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

} // namespace

qint64 peakRssKiB()
{
    return statusKiB("VmHWM:");
}

qint64 rssKiB()
{
    return statusKiB("VmRSS:");
}

} // namespace hardening
