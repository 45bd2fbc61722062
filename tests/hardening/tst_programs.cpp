// The built programs as a user runs them: a link planted where an output
// goes, signals in the middle of a conversion, and runs killed outright.
// Earlier outputs and other people's files stay as they were, and no scratch
// or partial file outlives the run that made it for longer than the next start.
#include "support.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

using namespace hardening;

namespace {

enum class Program { Cli, CliTwoWorkers, Window };

// Converted to 768 kHz mono 32-bit: the scratch file of the long input grows
// for seconds, that of the short one stays small.
constexpr int rate = 768000;
constexpr qint64 longScratchBytes = 16 << 20;

} // namespace

Q_DECLARE_METATYPE(Program)

class TestPrograms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void outputLink_data();
    void outputLink();
    void signalled_data();
    void signalled();
    void killedRunSwept_data();
    void killedRunSwept();

private:
    // Starts `program` converting `inputs` into `out`, with TMPDIR at `tmp`.
    bool start(QProcess &process, Program program, const QStringList &inputs);
    // True once the long input's conversion is under way, and the short
    // input's output is there when `afterShort`.
    bool longUnderWay(bool afterShort) const;

    QTemporaryDir base;
    QString window, runtime, shortInput, longInput;
    QString out, tmp;
    int runs = 0;
};

void TestPrograms::initTestCase()
{
    QVERIFY(base.isValid());
    shortInput = base.filePath(QStringLiteral("short.flac"));
    longInput = base.filePath(QStringLiteral("long.flac"));
    QVERIFY(testutil::makeAudio(shortInput, 44100, 2, 16, 0.5));
    // Eight channels of a minute take seconds at 768 kHz.
    QVERIFY(testutil::makeAudio(longInput, 48000, 8, 16, 60.0));

    // The window program reads the document beside it: one that converts.
    window = base.filePath(QStringLiteral("window"));
    QVERIFY(QDir().mkpath(window));
    QVERIFY(QFile::copy(testutil::binDir() + QStringLiteral("/sabletide"),
                        window + QStringLiteral("/sabletide")));
    QVERIFY(QFile::setPermissions(window + QStringLiteral("/sabletide"),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // Qt keeps its runtime folder here rather than in TMPDIR.
    runtime = base.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
}

void TestPrograms::init()
{
    ++runs;
    out = base.filePath(QStringLiteral("out%1").arg(runs));
    tmp = base.filePath(QStringLiteral("tmp%1").arg(runs));
    QVERIFY(QDir().mkpath(out) && QDir().mkpath(tmp));
}

bool TestPrograms::start(QProcess &process, Program program, const QStringList &inputs)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    process.setProcessEnvironment(env);
    if (program == Program::Window) {
        const QString command = convertCommand(rate, 1, 32, 0, out, QString(), inputs);
        const QString literal = QString::fromUtf8(
            QJsonDocument(QJsonArray{command}).toJson(QJsonDocument::Compact).mid(1).chopped(1));
        const QString document = QStringLiteral(R"(import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    visible: true
    Connections {
        target: _data
        function onSgWait(wait) { if (!wait) Qt.quit() }
    }
    Timer { interval: 0; running: true; onTriggered: _data.doConvert(%1) }
}
)")
                                     .arg(literal);
        if (!writeBytes(window + QStringLiteral("/main.qml"), document.toUtf8()))
            return false;
        process.start(window + QStringLiteral("/sabletide"), QStringList());
    } else {
        const int jobs = program == Program::Cli ? 1 : 2;
        const QStringList args =
            QStringLiteral("-j %1 -r %2 -c 1 -b 32 -o").arg(jobs).arg(rate).split(QLatin1Char(' '));
        process.start(testutil::binDir() + QStringLiteral("/sabletide-cli"),
                      args + QStringList{out} + inputs);
    }
    return process.waitForStarted(30000);
}

bool TestPrograms::longUnderWay(bool afterShort) const
{
    if (afterShort && !QFileInfo::exists(out + QStringLiteral("/short.wav")))
        return false;
    const QStringList names = scratchFiles(tmp);
    for (const QString &name : names) {
        if (QFileInfo(tmp + QLatin1Char('/') + name).size() > longScratchBytes)
            return true;
    }
    return false;
}

void TestPrograms::outputLink_data()
{
    QTest::addColumn<bool>("dangling");
    QTest::newRow("link to a file") << false;
    QTest::newRow("dangling link") << true;
}

// A link planted where the output goes is replaced, never written through.
void TestPrograms::outputLink()
{
    QFETCH(bool, dangling);
    const QString kick = base.filePath(QStringLiteral("kick.flac"));
    if (!QFileInfo::exists(kick))
        QVERIFY(testutil::makeAudio(kick, 44100, 2, 16, 0.3));
    const QString victim = base.filePath(QStringLiteral("victim%1").arg(runs));
    if (!dangling)
        QVERIFY(writeBytes(victim, "a file that someone else owns\n"));
    const QByteArray victimBefore = checksum(victim);
    const QString output = out + QStringLiteral("/kick.wav");
    QVERIFY(QFile::link(victim, output));

    QByteArray err;
    const QStringList args = QStringLiteral("-r 22050 -c 1 -b 16 -o").split(QLatin1Char(' '));
    const int rc = testutil::run(testutil::binDir() + QStringLiteral("/sabletide-cli"),
                                 args + QStringList{out, kick}, nullptr, &err);
    QVERIFY2(rc == 0, err.constData());
    QVERIFY(!QFileInfo(output).isSymLink());
    QString format;
    QVERIFY(testutil::pythonWave(output, &format));
    QVERIFY2(format.startsWith(QStringLiteral("22050 1 2 ")), qPrintable(format));
    if (dangling)
        QVERIFY(!QFileInfo::exists(victim));
    else
        QCOMPARE(checksum(victim), victimBefore);
}

void TestPrograms::signalled_data()
{
    QTest::addColumn<Program>("program");
    QTest::addColumn<int>("signal");
    QTest::newRow("command-line tool, SIGHUP") << Program::Cli << int(SIGHUP);
    QTest::newRow("command-line tool, SIGTERM") << Program::Cli << int(SIGTERM);
    QTest::newRow("two workers, SIGHUP") << Program::CliTwoWorkers << int(SIGHUP);
    QTest::newRow("window, SIGTERM") << Program::Window << int(SIGTERM);
    QTest::newRow("window, SIGHUP") << Program::Window << int(SIGHUP);
    QTest::newRow("window, SIGINT") << Program::Window << int(SIGINT);
}

// A signal while the second of two inputs converts: the program stops with
// 128 + the signal, the first output stays, the second input's earlier output
// is untouched, and neither a scratch nor a partial file is left.
void TestPrograms::signalled()
{
    QFETCH(Program, program);
    QFETCH(int, signal);
    const QString earlier = out + QStringLiteral("/long.wav");
    QVERIFY(writeBytes(earlier, randomBytes(4096, 11)));
    const QByteArray earlierBefore = checksum(earlier);

    QProcess process;
    QVERIFY(start(process, program, {shortInput, longInput}));
    QTRY_VERIFY_WITH_TIMEOUT(longUnderWay(true) || process.state() == QProcess::NotRunning, 120000);
    QVERIFY2(process.state() == QProcess::Running,
             "the conversion ended before it could be stopped");
    QCOMPARE(::kill(pid_t(process.processId()), signal), 0);
    QVERIFY(process.waitForFinished(60000));
    const QByteArray err = process.readAllStandardError();

    QVERIFY2(process.exitStatus() == QProcess::NormalExit, err.right(2000).constData());
    QCOMPARE(process.exitCode(), 128 + signal);
    QCOMPARE(entries(tmp), QStringList());
    QCOMPARE(entries(out), (QStringList{QStringLiteral("long.wav"), QStringLiteral("short.wav")}));
    QCOMPARE(checksum(earlier), earlierBefore);
    QString format;
    QVERIFY(testutil::pythonWave(out + QStringLiteral("/short.wav"), &format));
    QVERIFY2(format.startsWith(QStringLiteral("768000 1 4 ")), qPrintable(format));
}

void TestPrograms::killedRunSwept_data()
{
    QTest::addColumn<Program>("program");
    QTest::newRow("command-line tool") << Program::Cli;
    QTest::newRow("window") << Program::Window;
}

// SIGKILL leaves the scratch file behind; the next start removes it, a dead
// run's preview and the partial file it was written in, and partial outputs
// of dead runs in the folder it writes to, but not a file whose process
// lives, one that another process holds, or a link.
void TestPrograms::killedRunSwept()
{
    QFETCH(Program, program);
    QProcess killed;
    QVERIFY(start(killed, program, {longInput}));
    QTRY_VERIFY_WITH_TIMEOUT(longUnderWay(false) || killed.state() == QProcess::NotRunning, 120000);
    QVERIFY2(killed.state() == QProcess::Running, "the conversion ended before the kill");
    const QString dead = QString::number(killed.processId());
    killed.kill();
    QVERIFY(killed.waitForFinished(60000));
    QCOMPARE(scratchFiles(tmp).size(), 1);

    const QString alive = QString::number(::getpid());
    const QString victim = base.filePath(QStringLiteral("victim%1").arg(runs));
    QVERIFY(writeBytes(victim, "a file that someone else owns\n"));
    const QStringList kept{
        tmp + QStringLiteral("/rezOrizezovu-%1-AliveQ.wav").arg(alive),
        tmp + QStringLiteral("/rezOrizezovu-%1-HeldQQ.wav").arg(dead),
        tmp + QStringLiteral("/rezOrizezovu-%1-LinkQQ.wav").arg(dead),
        out + QStringLiteral("/.sabletide-%1-0000cafe.part").arg(alive),
        tmp + QStringLiteral("/sabletide-preview-%1-HeldPv.wav").arg(dead),
    };
    for (const QString &path : kept) {
        if (path.contains(QLatin1String("Link")))
            QVERIFY(QFile::link(victim, path));
        else
            QVERIFY(writeBytes(path, "in use\n"));
    }
    QVERIFY(writeBytes(out + QStringLiteral("/.sabletide-%1-0badf00d.part").arg(dead), "x"));
    // What a window killed while it made a preview leaves.
    QVERIFY(writeBytes(tmp + QStringLiteral("/sabletide-preview-%1-DeadPv.wav").arg(dead), "x"));
    QVERIFY(writeBytes(tmp + QStringLiteral("/.sabletide-%1-0000beef.part").arg(dead), "x"));
    // As a process of another process id namespace holds its files.
    QVector<int> held;
    const auto release = qScopeGuard([&held] {
        for (const int fd : qAsConst(held))
            ::close(fd);
    });
    for (const QString &path : {kept.at(1), kept.at(4)}) {
        held << ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
        QVERIFY(held.last() >= 0);
        QCOMPARE(::flock(held.last(), LOCK_EX | LOCK_NB), 0);
    }

    QProcess clean;
    QVERIFY(start(clean, program, {shortInput}));
    QVERIFY(clean.waitForFinished(120000));
    QVERIFY2(clean.exitStatus() == QProcess::NormalExit && clean.exitCode() == 0,
             clean.readAllStandardError().right(2000).constData());

    QStringList expectTmp{QFileInfo(kept.at(0)).fileName(), QFileInfo(kept.at(1)).fileName(),
                          QFileInfo(kept.at(2)).fileName(), QFileInfo(kept.at(4)).fileName()};
    expectTmp.sort();
    QCOMPARE(entries(tmp), expectTmp);
    QCOMPARE(entries(out),
             (QStringList{QFileInfo(kept.at(3)).fileName(), QStringLiteral("short.wav")}));
    QCOMPARE(testutil::readAll(victim), QByteArray("a file that someone else owns\n"));
}

QTEST_GUILESS_MAIN(TestPrograms)
#include "tst_programs.moc"
