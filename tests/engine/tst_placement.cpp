// How a finished output reaches its path: written beside it, then renamed over
// whatever stood there, so that a link is replaced and never written through.
#include "convert/committer.h"
#include "convert/placement.h"
#include "convert/resampling.h"
#include "convert/scratch.h"

#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <grp.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using testutil::expectedHeader;

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

struct stat statOf(const QString &path)
{
    struct stat st
    {
    };
    ::lstat(QFile::encodeName(path).constData(), &st);
    return st;
}

} // namespace

class TestPlacement : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void whatStoodThere_data();
    void whatStoodThere();
    void permissions_data();
    void permissions();
    void setgidFolderGivesItsGroup();
    void sweptBeforeRename_data();
    void sweptBeforeRename();
    void sweptNames_data();
    void sweptNames();
    void pendingUntilCommitted_data();
    void pendingUntilCommitted();
    void committerPlacesHere_data();
    void committerPlacesHere();

private:
    int convert(const QString &out, quint32 fileSize, bool mayReplace = true,
                QString *reason = nullptr);
    QString folder(const QString &name);
    QStringList leftovers(const QString &dir) const;

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
    QCOMPARE(QDir(scratchRoot).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList());
}

QStringList TestPlacement::leftovers(const QString &dir) const
{
    return QDir(dir).entryList({QStringLiteral(".sabletide-*")},
                               QDir::AllEntries | QDir::Hidden | QDir::System);
}

QString TestPlacement::folder(const QString &name)
{
    const QString path = root.filePath(QStringLiteral("%1-%2").arg(name).arg(++folders));
    return QDir().mkpath(path) ? path : QString();
}

int TestPlacement::convert(const QString &out, quint32 fileSize, bool mayReplace, QString *reason)
{
    ConvertParams p;
    p.inputPath = input;
    p.outputPath = out;
    p.sampleRate = 48000;
    p.channels = 2;
    p.bitsPerSample = 24;
    p.fileSize = fileSize;
    p.mayReplace = mayReplace;
    return Resampling().resample(p, reason);
}

void TestPlacement::whatStoodThere_data()
{
    QTest::addColumn<QString>("earlier");
    QTest::addColumn<quint32>("fileSize");

    for (const char *earlier :
         {"nothing", "a file", "a link to a file", "a dangling link", "a link to a folder"}) {
        QTest::newRow(qPrintable(QStringLiteral("%1, whole").arg(QLatin1String(earlier))))
            << QString::fromLatin1(earlier) << 0u;
        // Odd, and cut inside a frame.
        QTest::newRow(qPrintable(QStringLiteral("%1, cut").arg(QLatin1String(earlier))))
            << QString::fromLatin1(earlier) << 100001u;
    }
}

// Whatever stood at the path, the output becomes a regular file of the same
// bytes, and a link's target is never opened for writing.
void TestPlacement::whatStoodThere()
{
    QFETCH(QString, earlier);
    QFETCH(quint32, fileSize);

    const QString plain = folder(QStringLiteral("plain")) + QStringLiteral("/out.wav");
    QCOMPARE(convert(plain, fileSize), 1);
    const QByteArray reference = testutil::readAll(plain);
    const quint32 dataSize = fileSize > 44 ? fileSize - 44 : quint32(reference.size() - 44);
    QCOMPARE(reference.size(), int(44 + dataSize));
    QCOMPARE(reference.left(44).toHex(' '), expectedHeader(2, 48000, 24, dataSize).toHex(' '));
    QString format;
    QVERIFY(testutil::pythonWave(plain, &format));
    QCOMPARE(format, QStringLiteral("48000 2 3 %1").arg(dataSize / 6));

    const QString dir = folder(QStringLiteral("other"));
    const QString out = dir + QStringLiteral("/out.wav");
    const QString target = folder(QStringLiteral("target")) + QStringLiteral("/real.wav");
    if (earlier == QLatin1String("a file")) {
        QVERIFY(writeFile(out, QByteArray(300000, 'x')));
    } else if (earlier == QLatin1String("a link to a file")) {
        QVERIFY(writeFile(target, "earlier"));
        QVERIFY(QFile::link(target, out));
    } else if (earlier == QLatin1String("a dangling link")) {
        QVERIFY(QFile::link(target, out));
    } else if (earlier == QLatin1String("a link to a folder")) {
        QVERIFY(QDir().mkpath(target));
        QVERIFY(QFile::link(target, out));
    }

    // Refused when the earlier entry must stay: it is left exactly as it was.
    if (earlier != QLatin1String("nothing")) {
        QString reason;
        QCOMPARE(convert(out, fileSize, false, &reason), -1);
        QVERIFY2(reason.contains(QStringLiteral("exists")), qPrintable(reason));
        QCOMPARE(QFileInfo(out).isSymLink(), earlier.contains(QStringLiteral("link")));
        QCOMPARE(leftovers(dir), QStringList());
    }

    QCOMPARE(convert(out, fileSize), 1);
    QVERIFY(!QFileInfo(out).isSymLink());
    QVERIFY(testutil::readAll(out) == reference);
    QCOMPARE(leftovers(dir), QStringList());
    if (earlier == QLatin1String("a link to a file"))
        QVERIFY(testutil::readAll(target) == "earlier");
    if (earlier == QLatin1String("a dangling link"))
        QVERIFY(!QFileInfo::exists(target));
    if (earlier == QLatin1String("a link to a folder"))
        QVERIFY(QDir(target).isEmpty());
}

void TestPlacement::permissions_data()
{
    QTest::addColumn<int>("earlierMode"); // -1: no earlier output
    QTest::addColumn<int>("mask");
    QTest::addColumn<bool>("link"); // the earlier output is a link to a file of that mode

    QTest::newRow("new, umask 022") << -1 << 022 << false;
    QTest::newRow("new, umask 077") << -1 << 077 << false;
    QTest::newRow("over 0600") << 0600 << 022 << false;
    QTest::newRow("over 0640") << 0640 << 077 << false;
    QTest::newRow("over a link to 0700") << 0700 << 022 << true;
    QTest::newRow("over a link to 0604") << 0604 << 077 << true;
}

// A new output gets what any new file gets; one that replaces an earlier
// output keeps that file's mode. A link is no earlier output: its target's
// mode is none of the output's business.
void TestPlacement::permissions()
{
    QFETCH(int, earlierMode);
    QFETCH(int, mask);
    QFETCH(bool, link);

    const QString out = folder(QStringLiteral("mode")) + QStringLiteral("/out.wav");
    const QString earlier =
        link ? folder(QStringLiteral("target")) + QStringLiteral("/real.wav") : out;
    if (earlierMode >= 0) {
        QVERIFY(writeFile(earlier, "earlier"));
        QVERIFY(::chmod(QFile::encodeName(earlier).constData(), mode_t(earlierMode)) == 0);
    }
    if (link)
        QVERIFY(QFile::link(earlier, out));
    const mode_t previous = ::umask(mode_t(mask));
    const int result = convert(out, 5000);
    ::umask(previous);
    QCOMPARE(result, 1);
    QVERIFY(!QFileInfo(out).isSymLink());
    QCOMPARE(int(statOf(out).st_mode & 07777),
             earlierMode >= 0 && !link ? earlierMode : 0666 & ~mask);
    QCOMPARE(testutil::readAll(out).size(), 5000);
    if (link)
        QCOMPARE(int(statOf(earlier).st_mode & 07777), earlierMode);
}

void TestPlacement::setgidFolderGivesItsGroup()
{
    const group *other = ::getgrnam("nogroup");
    if (!other || other->gr_gid == ::getegid())
        QSKIP("no second group to give the folder");
    const QString dir = folder(QStringLiteral("setgid"));
    const QByteArray local = QFile::encodeName(dir);
    QVERIFY(::chown(local.constData(), uid_t(-1), other->gr_gid) == 0);
    QVERIFY(::chmod(local.constData(), 02775) == 0);
    const QString out = dir + QStringLiteral("/out.wav");
    QCOMPARE(convert(out, 5000), 1);
    QCOMPARE(statOf(out).st_gid, other->gr_gid);
}

void TestPlacement::sweptBeforeRename_data()
{
    QTest::addColumn<bool>("realNamespace");
    QTest::newRow("a sweep that sees the owner gone") << false;
    QTest::newRow("sabletide-cli in another process id namespace") << true;
}

// A sweep from another process id namespace finds no process under the
// partial file's id; the lock alone must keep the file until it is in place.
void TestPlacement::sweptBeforeRename()
{
    QFETCH(bool, realNamespace);
    const QString cli = testutil::binDir() + QStringLiteral("/sabletide-cli");
    if (realNamespace && testutil::run(QStringLiteral("unshare"), {"--pid", "--fork", "true"}) != 0)
        QSKIP("unshare --pid --fork does not run here (it needs root or a user namespace)");
    if (realNamespace)
        QVERIFY2(QFileInfo::exists(cli), qPrintable(cli));

    const QString dir = folder(QStringLiteral("swept"));
    const QString out = dir + QStringLiteral("/out.wav");
    bool partialKept = false;
    placement::Hooks hooks;
    hooks.beforeRename = [&](const QString &partial) {
        if (realNamespace) {
            // Its first output in the folder sweeps the folder first.
            QByteArray err;
            const int rc = testutil::run(QStringLiteral("unshare"),
                                         QStringList{"--pid", "--fork", cli, "-r", "8000", "-c",
                                                     "1", "-b", "8", "-o", dir, input},
                                         nullptr, &err);
            QVERIFY2(rc == 0, err.constData());
            QVERIFY(QFileInfo::exists(dir + QStringLiteral("/in.wav")));
        } else {
            QCOMPARE(scratch::sweep(dir, scratch::partialFiles, [](pid_t) { return true; }), 0);
        }
        partialKept = QFileInfo::exists(partial);
    };
    QString why;
    const bool placed = placement::write(
        out, [](QIODevice &o, QString *) { return o.write("the bytes") == 9; },
        placement::Replace::Allowed, &why, hooks);
    QVERIFY(partialKept);
    QVERIFY2(placed, qPrintable(why));
    QCOMPARE(testutil::readAll(out), QByteArray("the bytes"));
    QCOMPARE(leftovers(dir), QStringList());
}

void TestPlacement::sweptNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("removed");

    const QString letters100(100, QLatin1Char('x'));
    QTest::newRow("partial") << ".sabletide-99999-0badf00d.part" << true;
    QTest::newRow("partial, highest id") << ".sabletide-4194304-00000000.part" << true;
    QTest::newRow("scratch") << "rezOrizezovu-99999-AbCdEf.wav" << true;
    QTest::newRow("scratch, id 1") << "rezOrizezovu-1-zzzzzz.wav" << true;
    QTest::newRow("preview") << "sabletide-preview-99999-AbCdEf.wav" << true;

    QTest::newRow("partial, a word") << ".sabletide-99999-MyNotesBackup.part" << false;
    QTest::newRow("partial, 100 letters") << ".sabletide-99999-" + letters100 + ".part" << false;
    QTest::newRow("partial, capitals") << ".sabletide-99999-0BADF00D.part" << false;
    QTest::newRow("partial, 7 digits") << ".sabletide-99999-0badf00.part" << false;
    QTest::newRow("partial, 9 digits") << ".sabletide-99999-0badf00d0.part" << false;
    QTest::newRow("partial, zeros before the id") << ".sabletide-00099999-0badf00d.part" << false;
    QTest::newRow("partial, id 0") << ".sabletide-0-0badf00d.part" << false;
    QTest::newRow("partial, past the highest id") << ".sabletide-4194305-0badf00d.part" << false;
    QTest::newRow("partial, signed id") << ".sabletide-+99999-0badf00d.part" << false;
    QTest::newRow("partial, two tags") << ".sabletide-99999-0badf00d-0badf00d.part" << false;
    QTest::newRow("partial, more after") << ".sabletide-99999-0badf00d.part.bak" << false;
    QTest::newRow("scratch, 100 letters") << "rezOrizezovu-99999-" + letters100 + ".wav" << false;
    QTest::newRow("scratch, 5 letters") << "rezOrizezovu-99999-AbCdE.wav" << false;
    QTest::newRow("scratch, a digit") << "rezOrizezovu-99999-AbCdE1.wav" << false;
    QTest::newRow("scratch, zeros before the id") << "rezOrizezovu-099999-AbCdEf.wav" << false;
    QTest::newRow("scratch, capital extension") << "rezOrizezovu-99999-AbCdEf.WAV" << false;
    QTest::newRow("preview, 7 letters") << "sabletide-preview-99999-MyTakes.wav" << false;
    QTest::newRow("preview, no id") << "sabletide-preview-AbCdEf.wav" << false;
}

// Only the very names the program gives its files are swept, whatever else
// looks like them.
void TestPlacement::sweptNames()
{
    QFETCH(QString, name);
    QFETCH(bool, removed);
    const QString dir = folder(QStringLiteral("names"));
    QVERIFY(writeFile(dir + QLatin1Char('/') + name, "a user's notes"));
    const auto gone = [](pid_t) { return true; };
    const int swept = scratch::sweep(
        dir, {scratch::scratchFiles, scratch::partialFiles, scratch::previewFiles}, gone);
    QCOMPARE(swept, removed ? 1 : 0);
    QCOMPARE(QFileInfo::exists(dir + QLatin1Char('/') + name), !removed);
}

QTEST_GUILESS_MAIN(TestPlacement)
void TestPlacement::pendingUntilCommitted_data()
{
    QTest::addColumn<QString>("meanwhile"); // what happens before the commit
    QTest::addColumn<bool>("mayReplace");
    QTest::addColumn<bool>("placed");

    QTest::newRow("committed") << QString() << false << true;
    QTest::newRow("dropped") << QStringLiteral("drop") << true << false;
    QTest::newRow("a file came, kept") << QStringLiteral("file") << false << false;
    QTest::newRow("a file came, replaced") << QStringLiteral("file") << true << true;
}

// A conversion that leaves its output to be committed later puts nothing at
// the path until then, and leaves nothing behind when dropped or refused.
void TestPlacement::pendingUntilCommitted()
{
    QFETCH(QString, meanwhile);
    QFETCH(bool, mayReplace);
    QFETCH(bool, placed);

    const QString dir = folder(QStringLiteral("pending"));
    ConvertParams p;
    p.inputPath = input;
    p.outputPath = dir + QStringLiteral("/out.wav");
    p.sampleRate = 22050;
    p.channels = 1;
    p.bitsPerSample = 16;
    p.mayReplace = mayReplace;
    {
        placement::Pending pending;
        QVERIFY(Resampling().run(p, {}, &pending).isConverted());
        QVERIFY(pending.isWaiting());
        QVERIFY(!QFileInfo::exists(p.outputPath));
        if (meanwhile == QLatin1String("file"))
            QVERIFY(writeFile(p.outputPath, "came meanwhile"));
        if (meanwhile != QLatin1String("drop")) {
            const Outcome outcome = Resampling::commit(p, nullptr, &pending);
            QCOMPARE(outcome.isConverted(), placed);
            if (!placed)
                QVERIFY2(outcome.text().contains(QStringLiteral("exists")),
                         qPrintable(outcome.text()));
            QVERIFY(!pending.isWaiting());
        }
    }
    QCOMPARE(leftovers(dir), QStringList());
    if (placed)
        QCOMPARE(testutil::soxi(p.outputPath, QStringLiteral("-s")).toInt(), 44100);
    else if (meanwhile == QLatin1String("file"))
        QVERIFY(testutil::readAll(p.outputPath) == "came meanwhile");
    else
        QVERIFY(!QFileInfo::exists(p.outputPath));
}

void TestPlacement::committerPlacesHere_data()
{
    QTest::addColumn<QList<bool>>("here"); // placeNextHere() before each row
    QTest::newRow("on a thread") << QList<bool>{false};
    QTest::newRow("here") << QList<bool>{true};
    QTest::newRow("here once, then on a thread") << QList<bool>{true, false};
    QTest::newRow("on a thread, then the last here") << QList<bool>{false, true};
}

// A row placed here stands, and is told, when finish() returns; one placed on
// a thread of its own is told at the caller's next call, in its order.
void TestPlacement::committerPlacesHere()
{
    QFETCH(QList<bool>, here);

    const QString dir = folder(QStringLiteral("committer"));
    QStringList told;
    {
        Committer committer(Committer::TellFrom::CallerThread);
        for (int i = 0; i < here.size(); ++i) {
            ConvertParams p;
            p.inputPath = input;
            p.outputPath = dir + QStringLiteral("/out%1.wav").arg(i);
            p.sampleRate = 22050;
            p.channels = 1;
            p.bitsPerSample = 16;
            placement::Pending pending;
            const Outcome outcome = Resampling().run(p, {}, &pending);
            QVERIFY(outcome.isConverted());
            if (here.at(i))
                committer.placeNextHere();
            committer.finish(p, nullptr, std::move(pending), outcome,
                             [&told, p](const Outcome &ended) {
                                 if (ended.isConverted() && QFileInfo::exists(p.outputPath))
                                     told << QFileInfo(p.outputPath).fileName();
                             });
            QCOMPARE(told.contains(QStringLiteral("out%1.wav").arg(i)), here.at(i));
        }
        committer.settle();
    }
    QStringList all;
    for (int i = 0; i < here.size(); ++i)
        all << QStringLiteral("out%1.wav").arg(i);
    QCOMPARE(told, all);
    QCOMPARE(leftovers(dir), QStringList());
}

#include "tst_placement.moc"
