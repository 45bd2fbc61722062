// The real window program, copied into a folder whose name is full of URL
// syntax, started with a window document written by the test beside it.
#include "convert/worker.h"
#include "testutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <sys/stat.h>

namespace {

// A JavaScript string literal holding `text`.
QString jsString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    const QString json = QString::fromUtf8(array);
    return json.mid(1, json.size() - 2);
}

// A window that sends `command` once the event loop runs and hands the end of
// the wait to `onEnd`.
QString convertingDocument(const QString &command, const QString &onEnd)
{
    return QStringLiteral(R"(import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    id: window
    visible: true
    width: 120
    height: 80
    title: "startup test"
    property int readies: 0
    Connections {
        target: _data
        function onSgResampReady(fileName) { window.readies++; console.log("ready " + fileName) }
        function onSgResampFailed(fileName, reason) { console.log("failed " + fileName + ": " + reason) }
        function onSgWait(wait) { if (!wait) { %2 } }
    }
    Timer { interval: 0; running: true; onTriggered: _data.doConvert(%1) }
}
)")
        .arg(jsString(command), onEnd);
}

// Everything in a folder: scratch space is a folder of its own.
QStringList leftovers(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden |
                                  QDir::System);
}

} // namespace

class TestStartup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();

    void convertsFromAnAwkwardFolder_data();
    void convertsFromAnAwkwardFolder();
    void closeDuringConversion();
    void namesVisibleToTheWindow();
    void commandLine_data();
    void commandLine();
    void refusesADocumentItCannotShow_data();
    void refusesADocumentItCannotShow();
    void workerStopsOnASignal_data();
    void workerStopsOnASignal();
    void endsWhileTheSoundOutputBlocks_data();
    void endsWhileTheSoundOutputBlocks();

private:
    bool writeFile(const QString &path, const QString &text);
    // Runs the copied program from `workingDir`; -1 when it crashed or had to
    // be killed.
    int runProgram(const QString &workingDir, QByteArray *err, int timeoutMs,
                   const QStringList &args = {}, QByteArray *out = nullptr,
                   const QStringList &unset = {});

    QTemporaryDir base;
    QString folder;
    QString program;
    QString document;
    QString tmp;
    QString runtime;
    QString elsewhere;
};

void TestStartup::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(base.isValid());
    // Every character that a path read as a URL would mangle: "#" starts a
    // fragment, "?" a query, "%20" decodes to a space.
    folder = base.filePath(QStringLiteral("Sable tide #1 %20 what? \u00e9t\u00e9"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFileInfo(folder).isDir());

    program = folder + QStringLiteral("/sabletide");
    const QString built = testutil::binDir() + QStringLiteral("/sabletide");
    QVERIFY2(QFile::copy(built, program), qPrintable(built));
    QVERIFY(QFile::setPermissions(program, QFile::permissions(built) | QFile::ExeOwner));
    document = folder + QStringLiteral("/main.qml");

    tmp = base.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tmp));
    runtime = base.filePath(QStringLiteral("runtime"));
    QVERIFY(QDir().mkpath(runtime));
    QVERIFY(QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    // A working directory with a document of its own, which must be ignored.
    elsewhere = base.filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    QVERIFY(writeFile(elsewhere + QStringLiteral("/main.qml"),
                      QStringLiteral("import QtQuick 2.15\nimport QtQuick.Window 2.15\n"
                                     "Window { Component.onCompleted: Qt.exit(7) }\n")));

    QVERIFY(testutil::makeAudio(folder + QStringLiteral("/tone #2.flac"), 44100, 2, 16, 1.0));
}

void TestStartup::init()
{
    QFile::remove(document);
    QDir(folder + QStringLiteral("/out")).removeRecursively();
    QVERIFY(QDir().mkpath(folder + QStringLiteral("/out")));
}

bool TestStartup::writeFile(const QString &path, const QString &text)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(text.toUtf8()) >= 0 && f.flush();
}

int TestStartup::runProgram(const QString &workingDir, QByteArray *err, int timeoutMs,
                            const QStringList &args, QByteArray *out, const QStringList &unset)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString &name : unset)
        env.remove(name);
    env.insert(QStringLiteral("TMPDIR"), tmp);
    // Kept out of TMPDIR, which must hold nothing once the program has ended.
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(workingDir);
    p.setProcessChannelMode(QProcess::SeparateChannels);
    p.start(program, args);
    if (!p.waitForStarted(30000))
        return -1;
    if (!p.waitForFinished(timeoutMs)) {
        qWarning("the program was still running after %d ms; killed", timeoutMs);
        p.kill();
        p.waitForFinished();
        *err = p.readAllStandardError();
        return -1;
    }
    *err = p.readAllStandardError();
    if (out)
        *out = p.readAllStandardOutput();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

void TestStartup::convertsFromAnAwkwardFolder_data()
{
    QTest::addColumn<QString>("onEnd");
    QTest::addColumn<int>("status");

    QTest::newRow("Qt.quit()") << QStringLiteral("Qt.quit()") << 0;
    // The program's exit status is the event loop's.
    QTest::newRow("Qt.exit(3)") << QStringLiteral("Qt.exit(3)") << 3;
}

void TestStartup::convertsFromAnAwkwardFolder()
{
    QFETCH(QString, onEnd);
    QFETCH(int, status);

    const QString input = folder + QStringLiteral("/tone #2.flac");
    const QString output = folder + QStringLiteral("/out/tone #2_s.wav");
    const QString command =
        QStringLiteral("$DoConvert,32000,1,16,20044,%1/out/,_s,%2").arg(folder, input);
    // Any other count of converted files ends with a status of its own.
    const QString end = QStringLiteral("if (window.readies === 1) %1; else Qt.exit(9)").arg(onEnd);
    QVERIFY(writeFile(document, convertingDocument(command, end)));

    QByteArray err;
    const int rc = runProgram(elsewhere, &err, 180000);
    QVERIFY2(rc == status, err.constData());
    QVERIFY2(err.contains("ready " + input.toUtf8()), err.constData());
    QCOMPARE(QFileInfo(output).size(), qint64(20044));
    QCOMPARE(testutil::soxi(output, QStringLiteral("-r")), QStringLiteral("32000"));
    QCOMPARE(leftovers(tmp), QStringList());
}

// Closing the window ends the program while libsox is at work: it stops the
// conversion and leaves neither an output nor a scratch file.
void TestStartup::closeDuringConversion()
{
    const QString input = folder + QStringLiteral("/long.flac");
    QVERIFY(testutil::makeAudio(input, 48000, 8, 16, 60.0));
    // Eight channels of a minute resampled to 768 kHz take seconds.
    const QString command =
        QStringLiteral("$DoConvert,768000,1,16,0,%1/out/,_long,%2").arg(folder, input);
    QVERIFY(writeFile(document, QStringLiteral(R"(import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    id: window
    visible: true
    Connections {
        target: _data
        function onSgWait(wait) { if (wait) closer.start() }
    }
    Timer { id: closer; interval: 300; onTriggered: window.close() }
    Timer { interval: 0; running: true; onTriggered: _data.doConvert(%1) }
}
)")
                                    .arg(jsString(command))));
    QByteArray err;
    QElapsedTimer clock;
    clock.start();
    const int rc = runProgram(elsewhere, &err, 120000);
    qInfo("the program ran %lld ms, the window closing after 300 ms", clock.elapsed());
    QVERIFY2(rc == 0, err.constData());
    // The debug log shows that the conversion was under way and was stopped.
    QVERIFY2(err.contains("cancelled"), err.constData());
    QCOMPARE(leftovers(folder + QStringLiteral("/out")), QStringList());
    QCOMPARE(leftovers(tmp), QStringList());
    QFile::remove(input);
}

void TestStartup::namesVisibleToTheWindow()
{
    QVERIFY(writeFile(document, QStringLiteral(R"(import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    visible: true
    Component.onCompleted: {
        console.log("names [" + Qt.application.organization + "] [" + Qt.application.name + "]")
        Qt.quit()
    }
}
)")));
    QByteArray err;
    const int rc = runProgram(elsewhere, &err, 120000);
    QVERIFY2(rc == 0, err.constData());
    QVERIFY2(err.contains("names [Orvane] [Sabletide]"), err.constData());
}

void TestStartup::commandLine_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("shown"); // on standard output or error; {dir} is the folder
    // No display at all, as over ssh, in a text console or under help2man.
    QTest::addColumn<bool>("headless");

    QTest::newRow("version") << QStringList{"--version"} << 0 << "Sabletide 0.0.5" << false;
    QTest::newRow("help") << QStringList{"--help"} << 0 << "[FILE...]" << false;
    QTest::newRow("files and folders, made absolute")
        << QStringList{"tone #2.flac", "out"} << 0 << "given [{dir}/tone #2.flac,{dir}/out]"
        << false;
    QTest::newRow("unknown option")
        << QStringList{"--bogus"} << 1 << "Unknown option 'bogus'" << false;
    QTest::newRow("version, headless")
        << QStringList{"--version"} << 0 << "Sabletide 0.0.5" << true;
    QTest::newRow("-v, headless") << QStringList{"-v"} << 0 << "Sabletide 0.0.5" << true;
    QTest::newRow("help, headless") << QStringList{"--help"} << 0 << "[FILE...]" << true;
    QTest::newRow("help after a file, headless")
        << QStringList{"tone #2.flac", "-h"} << 0 << "[FILE...]" << true;
    // Qt's own options still reach the window's parser, which answers.
    QTest::newRow("help beside -platform")
        << QStringList{"-platform", "offscreen", "--help"} << 0 << "[FILE...]" << true;
}

// What a file manager or a shell passes reaches the window, absolute; --help
// and --version answer without a window.
void TestStartup::commandLine()
{
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, shown);
    QFETCH(bool, headless);

    QVERIFY(writeFile(document, QStringLiteral(R"(import QtQuick 2.15
import QtQuick.Window 2.15

Window {
    visible: true
    Component.onCompleted: {
        console.log("given [" + _data.startInputs.join(",") + "]")
        Qt.quit()
    }
}
)")));
    QByteArray err, out;
    const QStringList unset =
        headless ? QStringList{"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"} : QStringList();
    QCOMPARE(runProgram(folder, &err, 120000, args, &out, unset), exit);
    const QString text = QString::fromLocal8Bit(out + err);
    QVERIFY2(text.contains(shown.replace(QStringLiteral("{dir}"), folder)), qPrintable(text));
}

void TestStartup::refusesADocumentItCannotShow_data()
{
    QTest::addColumn<QString>("text");

    // Null: no document at all, while the working directory holds one.
    QTest::newRow("missing") << QString();
    QTest::newRow("syntax error") << QStringLiteral("import QtQuick 2.15\nWindow {\n");
    QTest::newRow("unknown type") << QStringLiteral("import QtQuick 2.15\nNoSuchThing {}\n");
    QTest::newRow("empty file") << QStringLiteral("");
    // Loads, but there is no window to show and so none to close.
    QTest::newRow("no window") << QStringLiteral("import QtQuick 2.15\nItem {}\n");
}

// A document that cannot give a window must not leave an invisible process
// behind: the program says which file it tried and leaves with a failure.
void TestStartup::refusesADocumentItCannotShow()
{
    QFETCH(QString, text);
    if (!text.isNull())
        QVERIFY(writeFile(document, text));

    QByteArray err;
    const int rc = runProgram(elsewhere, &err, 30000);
    QVERIFY2(rc > 0 && rc != 7, err.constData());
    const QByteArray line =
        QStringLiteral("sabletide: cannot load the window document %1\n").arg(document).toUtf8();
    QVERIFY2(err.contains(line), err.constData());
}

void TestStartup::workerStopsOnASignal_data()
{
    QTest::addColumn<int>("signal");

    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// The program started as the window's worker converts with no display to
// open, and a signal stops its conversion as it stops the command-line
// tool's workers: the input fails as cancelled, nothing is left behind and
// the status names the signal.
void TestStartup::workerStopsOnASignal()
{
    QFETCH(int, signal);

    const QString input = folder + QStringLiteral("/worker long.flac");
    if (!QFileInfo::exists(input))
        QVERIFY(testutil::makeAudio(input, 48000, 8, 16, 60.0));
    ConvertParams params;
    params.sampleRate = 768000;
    params.channels = 1;
    params.bitsPerSample = 16;
    params.inputPath = input;
    params.outputPath = folder + QStringLiteral("/out/worker long.wav");

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    // A window would need this display and fail to open.
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    p.setProcessEnvironment(env);
    p.start(program, {QLatin1String(worker::argument)});
    QVERIFY(p.waitForStarted(30000));
    p.write(worker::rowLine(params));

    QByteArray answers;
    QTRY_VERIFY_WITH_TIMEOUT((answers += p.readAllStandardOutput()).contains("progress ") ||
                                 p.state() == QProcess::NotRunning,
                             60000);
    QVERIFY2(p.state() == QProcess::Running, p.readAllStandardError().constData());
    QCOMPARE(::kill(pid_t(p.processId()), signal), 0);
    QVERIFY(p.waitForFinished(60000));
    answers += p.readAllStandardOutput();

    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 128 + signal);
    QVERIFY2(answers.endsWith(worker::endLine(Outcome::cancelled())),
             answers.right(200).constData());
    QCOMPARE(leftovers(folder + QStringLiteral("/out")), QStringList());
    QCOMPARE(leftovers(tmp), QStringList());
}

void TestStartup::endsWhileTheSoundOutputBlocks_data()
{
    QTest::addColumn<QString>("later"); // what the window does once playing is under way
    QTest::addColumn<int>("signal");    // 0: none
    QTest::addColumn<int>("status");

    QTest::newRow("Stop, then close")
        << QStringLiteral("preview.doStop(); window.close()") << 0 << 0;
    QTest::newRow("SIGTERM") << QString() << int(SIGTERM) << 128 + SIGTERM;
}

// A sound device whose open never returns, as an OSS device on a pipe that
// nobody reads: Play, then Stop and close or a signal, and the program ends
// all the same.
void TestStartup::endsWhileTheSoundOutputBlocks()
{
    QFETCH(QString, later);
    QFETCH(int, signal);
    QFETCH(int, status);

    const QString device = base.filePath(QStringLiteral("unread pipe"));
    QFile::remove(device);
    QCOMPARE(::mkfifo(QFile::encodeName(device).constData(), 0600), 0);
    const QString input = folder + QStringLiteral("/tone #2.flac");
    const QString command =
        QStringLiteral("$DoConvert,32000,1,16,0,%1/out/,_s,%2").arg(folder, input);
    QVERIFY(writeFile(document, QStringLiteral(R"(import QtQuick 2.15
import QtQuick.Window 2.15
import Sabletide.Preview 1.0

Window {
    id: window
    visible: true
    SlotPreview { id: preview }
    Timer { id: later; interval: 500; onTriggered: { %3 } }
    Timer { interval: 0; running: true; onTriggered: { preview.doPlay(%1, {}, %2); later.start() } }
}
)")
                                    .arg(jsString(command), jsString(input), later)));

    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    env.insert(QStringLiteral("AUDIODRIVER"), QStringLiteral("oss"));
    env.insert(QStringLiteral("AUDIODEV"), device);
    p.setProcessEnvironment(env);
    p.setWorkingDirectory(elsewhere);
    p.start(program, QStringList());
    QVERIFY(p.waitForStarted(30000));

    QByteArray err;
    QTRY_VERIFY_WITH_TIMEOUT(
        (err += p.readAllStandardError()).contains("opening the sound output") ||
            p.state() == QProcess::NotRunning,
        20000);
    QVERIFY2(err.contains(QFile::encodeName(device)), err.constData());
    if (signal != 0) {
        QVERIFY2(p.state() == QProcess::Running, err.constData());
        QCOMPARE(::kill(pid_t(p.processId()), signal), 0);
    }
    const bool ended = p.waitForFinished(20000);
    err += p.readAllStandardError();
    QVERIFY2(ended, err.right(2000).constData());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), status);
    QCOMPARE(leftovers(tmp), QStringList());
}

QTEST_MAIN(TestStartup)
#include "tst_startup.moc"
