// The two ways a finished conversion reaches its output path: the scratch
// file moved into place, or its samples copied behind a fresh header. Both
// must give the user the very same file.
#include "convert/resampling.h"

#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

struct FileId
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileId &o) const { return device == o.device && inode == o.inode; }
};

FileId fileId(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return {};
    return {st.st_dev, st.st_ino};
}

using testutil::expectedHeader;
using testutil::le16;
using testutil::le32;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace

class TestPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void sameFileEitherWay_data();
    void sameFileEitherWay();
    void earlierOutputReplaced_data();
    void earlierOutputReplaced();
    void newOutputFollowsUmask_data();
    void newOutputFollowsUmask();

private:
    // Converts the fixture at 48 kHz, stereo, 24 bits; `moved` tells whether
    // the output is the very file libsox wrote as scratch.
    int convert(const QString &out, quint32 fileSize, bool *moved, QString *reason);
    QString folder(const QString &name);
    QStringList scratchEntries() const;

    QTemporaryDir root;
    QString input;
    QString scratchRoot;
    int folders = 0;
};

void TestPlacement::initTestCase()
{
    QVERIFY(root.isValid());
    input = root.filePath(QStringLiteral("in.flac"));
    QVERIFY(testutil::makeAudio(input, 44100, 2, 16, 2.0, true));
    scratchRoot = root.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(scratchRoot));
    qputenv("TMPDIR", QFile::encodeName(scratchRoot));
}

void TestPlacement::cleanup()
{
    QCOMPARE(scratchEntries(), QStringList());
    qputenv("TMPDIR", QFile::encodeName(scratchRoot));
}

QStringList TestPlacement::scratchEntries() const
{
    return QDir(QDir::tempPath())
        .entryList({QStringLiteral("rezOrizezovu*")},
                   QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
}

QString TestPlacement::folder(const QString &name)
{
    const QString path = root.filePath(QStringLiteral("%1-%2").arg(name).arg(++folders));
    return QDir().mkpath(path) ? path : QString();
}

int TestPlacement::convert(const QString &out, quint32 fileSize, bool *moved, QString *reason)
{
    FileId scratch;
    ConvertHooks hooks;
    hooks.progress = [&](quint64, quint64) {
        if (scratch.inode != 0)
            return;
        for (const QString &name : scratchEntries()) {
            const FileId id = fileId(QDir::tempPath() + QLatin1Char('/') + name);
            if (id.inode != 0)
                scratch = id;
        }
    };
    ConvertParams p;
    p.inputPath = input;
    p.outputPath = out;
    p.sampleRate = 48000;
    p.channels = 2;
    p.bitsPerSample = 24;
    p.fileSize = fileSize;
    Resampling r;
    const int result = r.resample(p, reason, hooks);
    *moved = scratch.inode != 0 && fileId(QFileInfo(out).canonicalFilePath()) == scratch;
    return result;
}

void TestPlacement::sameFileEitherWay_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<quint32>("fileSize");

    for (const char *how : {"setgid folder", "output is a link", "scratch on another disk"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, whole").arg(QLatin1String(how))))
            << QString::fromLatin1(how) << 0u;
        // Odd, and cut inside a frame.
        QTest::newRow(qPrintable(QStringLiteral("%1, cut").arg(QLatin1String(how))))
            << QString::fromLatin1(how) << 100001u;
    }
}

void TestPlacement::sameFileEitherWay()
{
    QFETCH(QString, how);
    QFETCH(quint32, fileSize);

    // Where nothing stands in the way the scratch file becomes the output.
    const QString plain = folder(QStringLiteral("plain")) + QStringLiteral("/out.wav");
    bool moved = false;
    QString reason;
    QCOMPARE(convert(plain, fileSize, &moved, &reason), 1);
    QVERIFY2(moved, "the scratch file was copied, not moved");
    const QByteArray reference = testutil::readAll(plain);
    const quint32 dataSize = fileSize > 44 ? fileSize - 44 : quint32(reference.size() - 44);
    QCOMPARE(reference.size(), int(44 + dataSize));
    QCOMPARE(reference.left(44).toHex(' '), expectedHeader(2, 48000, 24, dataSize).toHex(' '));
    QString format;
    QVERIFY(testutil::pythonWave(plain, &format));
    QCOMPARE(format, QStringLiteral("48000 2 3 %1").arg(dataSize / 6));

    QString out = folder(QStringLiteral("other")) + QStringLiteral("/out.wav");
    QString written = out;
    if (how == QLatin1String("setgid folder")) {
        const QString dir = QFileInfo(out).absolutePath();
        QVERIFY(::chmod(QFile::encodeName(dir).constData(), 02755) == 0);
    } else if (how == QLatin1String("output is a link")) {
        written = folder(QStringLiteral("target")) + QStringLiteral("/real.wav");
        QVERIFY(writeFile(written, "earlier"));
        QVERIFY(QFile::link(written, out));
    } else {
        QTemporaryDir shm(QStringLiteral("/dev/shm/sabletide-XXXXXX"));
        if (!shm.isValid() || fileId(shm.path()).device == fileId(root.path()).device)
            QSKIP("no second file system (/dev/shm) to hold the scratch file");
        qputenv("TMPDIR", QFile::encodeName(shm.path()));
        QCOMPARE(convert(out, fileSize, &moved, &reason), 1);
        QCOMPARE(scratchEntries(), QStringList());
        qputenv("TMPDIR", QFile::encodeName(scratchRoot));
        QVERIFY(!moved);
        QVERIFY(testutil::readAll(out) == reference);
        return;
    }
    QCOMPARE(convert(out, fileSize, &moved, &reason), 1);
    QVERIFY2(!moved, "the scratch file was moved where it must be copied");
    QVERIFY(testutil::readAll(written) == reference);
    if (written != out)
        QVERIFY(QFileInfo(out).isSymLink());
}

void TestPlacement::earlierOutputReplaced_data()
{
    QTest::addColumn<bool>("setgid");
    QTest::addColumn<int>("mode");

    QTest::newRow("moved over 0600") << false << 0600;
    QTest::newRow("moved over 0640") << false << 0640;
    QTest::newRow("copied over 0600") << true << 0600;
    QTest::newRow("copied over 0640") << true << 0640;
}

void TestPlacement::earlierOutputReplaced()
{
    QFETCH(bool, setgid);
    QFETCH(int, mode);

    const QString dir = folder(QStringLiteral("earlier"));
    if (setgid)
        QVERIFY(::chmod(QFile::encodeName(dir).constData(), 02755) == 0);
    const QString out = dir + QStringLiteral("/out.wav");
    QVERIFY(writeFile(out, QByteArray(300000, 'x')));
    QVERIFY(::chmod(QFile::encodeName(out).constData(), mode_t(mode)) == 0);

    bool moved = false;
    QString reason;
    QCOMPARE(convert(out, 5000, &moved, &reason), 1);
    QCOMPARE(moved, !setgid);
    // The earlier file's permissions carry over, and nothing of it remains.
    struct stat st;
    QVERIFY(::stat(QFile::encodeName(out).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), mode);
    const QByteArray bytes = testutil::readAll(out);
    QCOMPARE(bytes.size(), 5000);
    QCOMPARE(bytes.left(44).toHex(' '), expectedHeader(2, 48000, 24, 4956).toHex(' '));
    QVERIFY(!bytes.contains(QByteArray(64, 'x')));
    QCOMPARE(QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("out.wav")});
}

void TestPlacement::newOutputFollowsUmask_data()
{
    QTest::addColumn<bool>("setgid");
    QTest::addColumn<int>("mask");

    QTest::newRow("moved, umask 022") << false << 022;
    QTest::newRow("moved, umask 077") << false << 077;
    QTest::newRow("copied, umask 022") << true << 022;
    QTest::newRow("copied, umask 077") << true << 077;
}

// The scratch file is private while it is one; as an output it gets what any
// new file gets.
void TestPlacement::newOutputFollowsUmask()
{
    QFETCH(bool, setgid);
    QFETCH(int, mask);

    const QString dir = folder(QStringLiteral("umask"));
    if (setgid)
        QVERIFY(::chmod(QFile::encodeName(dir).constData(), 02755) == 0);
    const QString out = dir + QStringLiteral("/out.wav");
    const mode_t previous = ::umask(mode_t(mask));
    bool moved = false;
    QString reason;
    const int result = convert(out, 0, &moved, &reason);
    ::umask(previous);
    QCOMPARE(result, 1);
    QCOMPARE(moved, !setgid);
    struct stat st;
    QVERIFY(::stat(QFile::encodeName(out).constData(), &st) == 0);
    QCOMPARE(int(st.st_mode & 07777), 0666 & ~mask);
}

QTEST_GUILESS_MAIN(TestPlacement)
#include "tst_placement.moc"
