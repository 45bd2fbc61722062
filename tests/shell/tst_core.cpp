// The controller as the window meets it: the order and thread of its signals,
// requests that overlap, inputs converted side by side in worker processes,
// Stop, and a controller destroyed while it converts.
#include "app/core.h"
#include "bridge/batch.h"
#include "bridge/data.h"
#include "bridge/rules.h"
#include "testutil.h"

#include <QDesktopServices>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMutex>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>
#include <QThreadPool>
#include <QtTest>

#include <QRegularExpression>

#include <functional>
#include <memory>

namespace {

const QString scratchPattern = QStringLiteral("rezOrizezovu*");

// Generous on a loaded machine. A wait that fails goes on for twice as long
// again before QtTest reports it, and the whole must stay under QtTest's
// 300-second limit per test function.
constexpr int patience = 60000;

using testutil::convertCommand;

} // namespace

// Lives in the GUI thread and hears the bridge the way the window does: through
// automatic connections. Every signal becomes one line of `log`.
class Recorder : public QObject
{
    Q_OBJECT
public:
    explicit Recorder(Data *bridge)
    {
        QObject::connect(bridge, SIGNAL(sgWait(bool)), this, SLOT(onWait(bool)),
                         Qt::AutoConnection);
        QObject::connect(bridge, SIGNAL(sgResampReady(QString)), this, SLOT(onReady(QString)),
                         Qt::AutoConnection);
        QObject::connect(bridge, SIGNAL(sgResampFailed(QString, QString)), this,
                         SLOT(onFailed(QString, QString)), Qt::AutoConnection);
        QObject::connect(bridge, SIGNAL(sgResampSkipped(QString, QString)), this,
                         SLOT(onSkipped(QString, QString)), Qt::AutoConnection);
    }

    QStringList log;
    QStringList reasons;
    int offGuiThread = 0;
    // Called after each line is logged, as a window's handler would be.
    std::function<void(const QString &line)> react;

    int count(const QString &line) const { return log.count(line); }

    void mark(const QString &line) { log << line; }

public Q_SLOTS:
    void onWait(bool wait)
    {
        note(wait ? QStringLiteral("wait:true") : QStringLiteral("wait:false"));
    }
    void onReady(QString fileName)
    {
        note(QStringLiteral("ready:") + QFileInfo(fileName).fileName());
    }
    void onFailed(QString fileName, QString reason)
    {
        reasons << reason;
        note(QStringLiteral("failed:") + QFileInfo(fileName).fileName());
    }

    void onSkipped(QString fileName, QString)
    {
        note(QStringLiteral("skipped:") + QFileInfo(fileName).fileName());
    }

private:
    void note(const QString &line)
    {
        if (QThread::currentThread() != qApp->thread())
            ++offGuiThread;
        log << line;
        if (react)
            react(line);
    }
};

// Every piece of news of each input, one letter per signal: S started,
// P sgResampProgress, F sgProgress, C clipped, W warning, R ready, X failed,
// K skipped.
class News : public QObject
{
    Q_OBJECT
public:
    explicit News(Data *bridge)
    {
        QObject::connect(bridge, SIGNAL(sgResampStarted(QString)), this, SLOT(onStarted(QString)));
        QObject::connect(bridge, SIGNAL(sgResampProgress(QString, qreal, qreal)), this,
                         SLOT(onProgress(QString)));
        QObject::connect(bridge, SIGNAL(sgProgress(QString, double)), this,
                         SLOT(onFraction(QString, double)));
        QObject::connect(bridge, SIGNAL(sgResampClipped(QString, qreal)), this,
                         SLOT(onClipped(QString)));
        QObject::connect(bridge, SIGNAL(sgResampWarning(QString, QString)), this,
                         SLOT(onWarning(QString)));
        QObject::connect(bridge, SIGNAL(sgResampReady(QString)), this, SLOT(onReady(QString)));
        QObject::connect(bridge, SIGNAL(sgResampFailed(QString, QString)), this,
                         SLOT(onFailed(QString, QString)));
        QObject::connect(bridge, SIGNAL(sgResampSkipped(QString, QString)), this,
                         SLOT(onSkipped(QString)));
    }

    QHash<QString, QString> letters;           // by input file name
    QHash<QString, QVector<double>> fractions; // by input file name
    QHash<QString, QString> reasons;           // of failures, by input file name
    QStringList order;                         // "S:name", "R:name", ... in arrival order
    int offGuiThread = 0;

public Q_SLOTS:
    void onStarted(QString file) { note(file, QLatin1Char('S')); }
    void onProgress(QString file) { note(file, QLatin1Char('P')); }
    void onFraction(QString file, double fraction)
    {
        fractions[QFileInfo(file).fileName()] << fraction;
        note(file, QLatin1Char('F'));
    }
    void onClipped(QString file) { note(file, QLatin1Char('C')); }
    void onWarning(QString file) { note(file, QLatin1Char('W')); }
    void onReady(QString file) { note(file, QLatin1Char('R')); }
    void onFailed(QString file, QString reason)
    {
        reasons[QFileInfo(file).fileName()] = reason;
        note(file, QLatin1Char('X'));
    }
    void onSkipped(QString file) { note(file, QLatin1Char('K')); }

private:
    void note(const QString &file, QChar letter)
    {
        if (QThread::currentThread() != qApp->thread())
            ++offGuiThread;
        const QString name = QFileInfo(file).fileName();
        letters[name] += letter;
        order << QString(letter) + QLatin1Char(':') + name;
    }
};

// Takes the URLs that the desktop would be asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public Q_SLOTS:
    void open(const QUrl &url) { urls << url; }
};

class TestCore : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void oneRequest_data();
    void oneRequest();
    void unreadableCommand_data();
    void unreadableCommand();
    void workerSignalsReachTheGuiThread();
    void overlappingRequests();
    void requestFromAHandler_data();
    void requestFromAHandler();
    void destroyWhileConverting_data();
    void destroyWhileConverting();
    void cancelStopsTheRequestOnly();
    void requestOptions_data();
    void requestOptions();
    void sideBySideMatchesOneByOne();
    void stopSideBySide();
    void progressFractions_data();
    void progressFractions();
    void folderTreeMirrored();
    void openFolderKeepsItsName_data();
    void openFolderKeepsItsName();

private:
    // Sends a request as the window does, through the meta-object, and marks
    // in the log where the call returned.
    void send(Recorder &rec, const QString &command, const QVariantMap &options = {});
    // Lets every pool task end and every queued signal arrive, so that a
    // signal nobody expected shows up in the log before it is compared.
    static void settle();
    QStringList scratchFiles() const;
    QString newFolder();

    QTemporaryDir base;
    QString tmp;
    QString in;
    std::unique_ptr<Core> core;
    Data *bridge = nullptr;
    int folders = 0;
};

void TestCore::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(base.isValid());
    // A temporary folder of our own, so that a forgotten scratch file is seen
    // and no other program's is mistaken for ours.
    tmp = base.filePath(QStringLiteral("tmp"));
    in = base.filePath(QStringLiteral("in"));
    QVERIFY(QDir().mkpath(tmp));
    QVERIFY(QDir().mkpath(in));
    qputenv("TMPDIR", QFile::encodeName(tmp));
    QCOMPARE(QDir::tempPath(), tmp);

    QVERIFY(testutil::makeAudio(in + QStringLiteral("/tone.wav"), 44100, 2, 16, 1.0));
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/tone.flac"), 44100, 2, 16, 1.0));
    // Eight channels resampled cost far more than one: long enough that a
    // request running beside it would finish first.
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/medium.flac"), 48000, 8, 16, 10.0));
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/long.flac"), 48000, 8, 16, 60.0));
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/noise.aiff"), 32000, 1, 24, 2.0, true));
    // Cut to its first half second after it was written; its header says 2 s.
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/cut.wav"), 44100, 2, 16, 2.0));
    QVERIFY(QFile::resize(in + QStringLiteral("/cut.wav"), 44 + 88200));
    // A square wave at full scale, which the resampler pushes past it.
    QCOMPARE(
        testutil::run(QStringLiteral("sox"),
                      {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                       QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                       QStringLiteral("16"), in + QStringLiteral("/loud.wav"),
                       QStringLiteral("synth"), QStringLiteral("0.5"), QStringLiteral("square"),
                       QStringLiteral("440"), QStringLiteral("gain"), QStringLiteral("-n")}),
        0);
}

void TestCore::init()
{
    // As the window program makes it: inputs convert side by side in copies
    // of the program, where the plan finds that worth it.
    core.reset(new Core(nullptr, testutil::binDir() + QStringLiteral("/sabletide")));
    bridge = core->bridge();
    QVERIFY(bridge);
}

void TestCore::cleanup()
{
    core.reset();
    // The controller never deletes its bridge; the test does, so that windows
    // do not pile up from one test to the next.
    delete bridge;
    bridge = nullptr;
    QCOMPARE(scratchFiles(), QStringList());
}

void TestCore::send(Recorder &rec, const QString &command, const QVariantMap &options)
{
    if (options.isEmpty())
        QVERIFY(QMetaObject::invokeMethod(bridge, "doConvert", Qt::DirectConnection,
                                          Q_ARG(QString, command)));
    else
        QVERIFY(QMetaObject::invokeMethod(bridge, "doConvertOptions", Qt::DirectConnection,
                                          Q_ARG(QString, command), Q_ARG(QVariantMap, options)));
    rec.mark(QStringLiteral("returned"));
}

void TestCore::settle()
{
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

QStringList TestCore::scratchFiles() const
{
    return QDir(tmp).entryList({scratchPattern}, QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot |
                                                     QDir::Hidden | QDir::System);
}

QString TestCore::newFolder()
{
    const QString path = base.filePath(QStringLiteral("out%1").arg(++folders));
    if (!QDir().mkpath(path))
        qWarning() << "cannot make" << path;
    return path;
}

// A folder added with its subfolders, as the window's "Add folder" offers:
// the engine finds the tree, the rows keep it and the run mirrors it under
// the output folder, so the same name in three folders converts three times.
void TestCore::folderTreeMirrored()
{
    const QString kit = base.filePath(QStringLiteral("kit"));
    const QStringList made{"kick.wav", "a/kick.flac", "a/b/kick.wav", "a/b/snare.aiff"};
    for (const QString &file : made) {
        QVERIFY(QDir().mkpath(QFileInfo(kit + '/' + file).path()));
        QVERIFY(testutil::makeAudio(kit + '/' + file, 44100, 1, 16, 0.2));
    }
    Rules rules;
    QVERIFY(rules.hasSubfolders(kit));
    QVERIFY(!rules.hasSubfolders(kit + QStringLiteral("/a/b")));
    QSignalSpy found(&rules, &Rules::sgInputsFound);
    rules.findInputs({kit + '/'}, true);
    QVERIFY(found.wait());
    const QStringList paths = found.at(0).at(1).toStringList();
    const QStringList subfolders = found.at(0).at(3).toStringList();
    QCOMPARE(paths.size(), made.size());

    Batch batch;
    batch.setBridge(bridge);
    QCOMPARE(batch.addPaths(paths, subfolders), made.size());
    const QString out = newFolder() + QStringLiteral("/new");
    const QString command =
        QStringLiteral("$DoConvert,22050,1,16,0,%1/,,%2").arg(out, paths.join(QLatin1Char(',')));
    const QVariantMap options{{QStringLiteral("subfolders"), batch.subfoldersOf(paths)},
                              {QStringLiteral("jobs"), 2}};
    QVERIFY(QDir().mkpath(out));
    QVERIFY(batch.start(command, options, paths,
                        {{QStringLiteral("folder"), out + '/'}, {QStringLiteral("suffix"), ""}}));
    QTRY_VERIFY_WITH_TIMEOUT(!batch.running(), 120000);
    QCOMPARE(batch.convertedCount(), made.size());

    QStringList written;
    QDirIterator walk(out, QDir::Files, QDirIterator::Subdirectories);
    while (walk.hasNext())
        written << QDir(out).relativeFilePath(walk.next());
    written.sort();
    QCOMPARE(written, QStringList({"a/b/kick.wav", "a/b/snare.wav", "a/kick.wav", "kick.wav"}));
    for (int i = 0; i < paths.size(); ++i) {
        const QString output = batch.rowAt(i).value(QStringLiteral("output")).toString();
        QCOMPARE(QDir(out).relativeFilePath(output),
                 QDir(kit).relativeFilePath(paths.at(i)).section('.', 0, 0) + ".wav");
        QCOMPARE(testutil::soxi(output, QStringLiteral("-r")), QStringLiteral("22050"));
    }
}

void TestCore::oneRequest_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("expected");
    // Sorted by name.
    QTest::addColumn<QStringList>("outputs");

    QTest::newRow("two inputs") << QStringList{"tone.flac", "medium.flac"}
                                << QStringList{"wait:true", "returned", "ready:tone.flac",
                                               "ready:medium.flac", "wait:false"}
                                << QStringList{"medium_x.wav", "tone_x.wav"};
    QTest::newRow("a missing input between two")
        << QStringList{"medium.flac", "absent.flac", "tone.wav"}
        << QStringList{"wait:true",          "returned",       "ready:medium.flac",
                       "failed:absent.flac", "ready:tone.wav", "wait:false"}
        << QStringList{"medium_x.wav", "tone_x.wav"};
    QTest::newRow("no inputs") << QStringList{}
                               << QStringList{"wait:true", "returned", "wait:false"}
                               << QStringList{};
}

void TestCore::oneRequest()
{
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, outputs);

    const quint32 size = 10044;
    const QString out = newFolder();
    QStringList paths;
    for (const QString &name : inputs)
        paths << in + QLatin1Char('/') + name;
    const QString command = convertCommand(22050, 1, 16, size, out, QStringLiteral("_x"), paths);

    Recorder rec(bridge);
    QSignalSpy convertSpy(bridge, SIGNAL(sgConvert(QString)));
    QSignalSpy readySpy(bridge, SIGNAL(sgResampReady(QString)));
    send(rec, command);
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    settle();

    QCOMPARE(rec.log, expected);
    QCOMPARE(rec.offGuiThread, 0);
    // Every input that failed comes with words for the window to show.
    QCOMPARE(rec.reasons.size(), expected.filter(QStringLiteral("failed:")).size());
    for (const QString &reason : qAsConst(rec.reasons))
        QVERIFY(!reason.isEmpty());
    QCOMPARE(convertSpy.count(), 1);
    QCOMPARE(convertSpy.at(0).at(0).toString(), command);
    // The window learns the input's path as the command gave it.
    QCOMPARE(readySpy.count(), expected.filter(QStringLiteral("ready:")).size());
    for (int i = 0; i < readySpy.count(); ++i)
        QVERIFY(paths.contains(readySpy.at(i).at(0).toString()));

    for (const QString &name : outputs) {
        const QString path = out + QLatin1Char('/') + name;
        QCOMPARE(QFileInfo(path).size(), qint64(size));
        QCOMPARE(testutil::soxi(path, QStringLiteral("-r")), QStringLiteral("22050"));
    }
    QCOMPARE(QDir(out).entryList(QDir::Files, QDir::Name), outputs);
}

void TestCore::unreadableCommand_data()
{
    QTest::addColumn<QString>("command");

    QTest::newRow("empty") << QString();
    QTest::newRow("wrong tag") << QStringLiteral("$Convert,48000,1,16,0,/tmp/,_x,a.wav");
    QTest::newRow("rate not a number") << QStringLiteral("$DoConvert,fast,1,16,0,/tmp/,_x,a.wav");
    QTest::newRow("no channels") << QStringLiteral("$DoConvert,48000,0,16,0,/tmp/,_x,a.wav");
    QTest::newRow("only commas") << QStringLiteral(",,,,,,,");
}

// A command that cannot be read still ends the wait, and says why once, with
// no file named.
void TestCore::unreadableCommand()
{
    QFETCH(QString, command);

    Recorder rec(bridge);
    QSignalSpy failedSpy(bridge, SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy readySpy(bridge, SIGNAL(sgResampReady(QString)));
    send(rec, command);
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    settle();

    QCOMPARE(rec.log, (QStringList{"wait:true", "returned", "failed:", "wait:false"}));
    QCOMPARE(readySpy.count(), 0);
    QCOMPARE(failedSpy.count(), 1);
    QCOMPARE(failedSpy.at(0).at(0).toString(), QString());
    QVERIFY(!failedSpy.at(0).at(1).toString().isEmpty());
    QCOMPARE(rec.offGuiThread, 0);
}

// The conversion runs off the GUI thread, yet every handler of the window runs
// on it.
void TestCore::workerSignalsReachTheGuiThread()
{
    const QString out = newFolder();
    Recorder rec(bridge);

    QMutex lock;
    QList<QThread *> emitters;
    auto emitted = [&] {
        QMutexLocker locker(&lock);
        emitters << QThread::currentThread();
    };
    QObject::connect(bridge, &Data::sgResampReady, bridge, emitted, Qt::DirectConnection);
    QObject::connect(bridge, &Data::sgResampFailed, bridge, emitted, Qt::DirectConnection);

    send(rec,
         convertCommand(48000, 2, 24, 0, out, QString(),
                        {in + QStringLiteral("/tone.flac"), in + QStringLiteral("/nothing.wav"),
                         in + QStringLiteral("/tone.wav")}));
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    settle();

    QCOMPARE(rec.log.size(), 6);
    QCOMPARE(rec.offGuiThread, 0);
    QCOMPARE(emitters.size(), 3);
    for (QThread *thread : qAsConst(emitters))
        QVERIFY(thread != qApp->thread());
}

// Three requests sent back to back: all of them run, in the order sent, one
// after the other, and the wait ends once, after the last.
void TestCore::overlappingRequests()
{
    const QString out1 = newFolder();
    const QString out2 = newFolder();
    const QString out3 = newFolder();
    // In the order in which they must appear.
    const QStringList outputs{
        out1 + QStringLiteral("/medium_a.wav"), out1 + QStringLiteral("/tone_a.wav"),
        out2 + QStringLiteral("/tone_b.wav"), out3 + QStringLiteral("/tone_c.wav")};

    // Seen on the worker thread right after each input has converted: which
    // outputs exist and whether another conversion holds a scratch file.
    QMutex lock;
    QStringList snapshots;
    QObject::connect(
        bridge, &Data::sgResampReady, bridge,
        [&](const QString &fileName) {
            int existing = 0;
            for (const QString &path : outputs)
                existing += QFileInfo::exists(path);
            const QString line = QStringLiteral("%1 outputs=%2 scratch=%3")
                                     .arg(QFileInfo(fileName).fileName())
                                     .arg(existing)
                                     .arg(scratchFiles().size());
            QMutexLocker locker(&lock);
            snapshots << line;
        },
        Qt::DirectConnection);

    Recorder rec(bridge);
    QSignalSpy convertSpy(bridge, SIGNAL(sgConvert(QString)));
    send(rec,
         convertCommand(96000, 1, 16, 0, out1, QStringLiteral("_a"),
                        {in + QStringLiteral("/medium.flac"), in + QStringLiteral("/tone.wav")}));
    send(rec, convertCommand(96000, 1, 16, 0, out2, QStringLiteral("_b"),
                             {in + QStringLiteral("/tone.flac")}));
    send(rec, convertCommand(96000, 1, 16, 0, out3, QStringLiteral("_c"),
                             {in + QStringLiteral("/tone.wav"), in + QStringLiteral("/gone.wav")}));
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience * 4 / 3);
    settle();

    QCOMPARE(rec.log,
             (QStringList{"wait:true", "returned", "wait:true", "returned", "wait:true", "returned",
                          "ready:medium.flac", "ready:tone.wav", "ready:tone.flac",
                          "ready:tone.wav", "failed:gone.wav", "wait:false"}));
    // The row after medium.flac, of the same request, may have begun while
    // medium.flac's output was put in place; no row of a later request has.
    QVERIFY2(snapshots.value(0) == QLatin1String("medium.flac outputs=1 scratch=0") ||
                 snapshots.value(0) == QLatin1String("medium.flac outputs=1 scratch=1"),
             qPrintable(snapshots.value(0)));
    QCOMPARE(snapshots.mid(1),
             (QStringList{"tone.wav outputs=2 scratch=0", "tone.flac outputs=3 scratch=0",
                          "tone.wav outputs=4 scratch=0"}));
    QCOMPARE(convertSpy.count(), 3);
    QCOMPARE(rec.offGuiThread, 0);

    // Idle again: the next request runs at once and ends its own wait.
    rec.log.clear();
    send(rec, convertCommand(96000, 1, 16, 0, out3, QStringLiteral("_d"),
                             {in + QStringLiteral("/tone.flac")}));
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    settle();
    QCOMPARE(rec.log, (QStringList{"wait:true", "returned", "ready:tone.flac", "wait:false"}));
    QVERIFY(QFileInfo::exists(out3 + QStringLiteral("/tone_d.wav")));
}

void TestCore::requestFromAHandler_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QStringList>("expected");

    // Sent while the first request still counts as pending: it waits its turn
    // and the wait ends only once.
    QTest::newRow("from sgResampReady")
        << QStringLiteral("ready:tone.wav")
        << QStringList{"wait:true", "returned",        "ready:tone.wav",
                       "wait:true", "ready:tone.flac", "wait:false"};
    // Sent by a handler of the end of the wait: a request of its own.
    QTest::newRow("from sgWait(false)")
        << QStringLiteral("wait:false")
        << QStringList{"wait:true", "returned",        "ready:tone.wav", "wait:false",
                       "wait:true", "ready:tone.flac", "wait:false"};
}

void TestCore::requestFromAHandler()
{
    QFETCH(QString, trigger);
    QFETCH(QStringList, expected);

    const QString out = newFolder();
    const QString second = convertCommand(16000, 1, 8, 0, out, QStringLiteral("_2"),
                                          {in + QStringLiteral("/tone.flac")});
    Recorder rec(bridge);
    bool sent = false;
    rec.react = [&](const QString &line) {
        if (line == trigger && !sent) {
            sent = true;
            bridge->doConvert(second);
        }
    };
    send(rec, convertCommand(16000, 1, 8, 0, out, QStringLiteral("_1"),
                             {in + QStringLiteral("/tone.wav")}));
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("ready:tone.flac")) > 0, patience);
    QTRY_VERIFY_WITH_TIMEOUT(rec.log.last() == QStringLiteral("wait:false"), patience);
    settle();

    QVERIFY(sent);
    QCOMPARE(rec.log, expected);
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/tone_1.wav")));
    QVERIFY(QFileInfo::exists(out + QStringLiteral("/tone_2.wav")));
}

void TestCore::destroyWhileConverting_data()
{
    QTest::addColumn<int>("jobs");

    QTest::newRow("one at a time") << 1;
    QTest::newRow("side by side") << 2;
}

// The window closes in the middle of a long conversion, with another request
// queued behind it: the controller stops its conversions and leaves nothing
// behind.
void TestCore::destroyWhileConverting()
{
    QFETCH(int, jobs);

    const QString out = newFolder();
    Recorder rec(bridge);
    QSignalSpy readySpy(bridge, SIGNAL(sgResampReady(QString)));
    QSignalSpy failedSpy(bridge, SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy waitSpy(bridge, SIGNAL(sgWait(bool)));

    // Resampling eight channels of a minute, or of ten seconds, to 768 kHz
    // takes seconds.
    send(rec,
         convertCommand(768000, 1, 16, 0, out, QStringLiteral("_long"),
                        {in + QStringLiteral("/long.flac"), in + QStringLiteral("/medium.flac")}),
         QVariantMap{{QStringLiteral("jobs"), jobs}});
    send(rec, convertCommand(48000, 1, 16, 0, out, QStringLiteral("_queued"),
                             {in + QStringLiteral("/tone.flac")}));
    // A scratch file for each conversion shows that libsox is at work.
    QTRY_COMPARE_WITH_TIMEOUT(scratchFiles().size(), jobs, patience);

    QElapsedTimer clock;
    clock.start();
    core.reset();
    qInfo("the controller was destroyed %lld ms after the conversion was seen running",
          clock.elapsed());
    // A queued end of the run must find nothing to call into.
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    QCOMPARE(scratchFiles(), QStringList());
    QCOMPARE(
        QDir(out).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System),
        QStringList());
    QCOMPARE(readySpy.count(), 0);
    // The running request's inputs say they were stopped; the queued request
    // never started.
    QCOMPARE(failedSpy.count(), 2);
    QStringList failed;
    for (const QList<QVariant> &args : qAsConst(failedSpy)) {
        failed << args.at(0).toString();
        QCOMPARE(args.at(1).toString(), QStringLiteral("cancelled"));
    }
    failed.sort();
    QCOMPARE(failed,
             (QStringList{in + QStringLiteral("/long.flac"), in + QStringLiteral("/medium.flac")}));
    QCOMPARE(waitSpy.count(), 2);
}

// Stop ends the running input and the rest of its request, with progress
// seen first; the next request converts as usual. One input at a time: the
// inputs side by side are stopSideBySide's.
void TestCore::cancelStopsTheRequestOnly()
{
    const QString out = newFolder();
    Recorder rec(bridge);
    QSignalSpy started(bridge, SIGNAL(sgResampStarted(QString)));
    QSignalSpy progress(bridge, SIGNAL(sgResampProgress(QString, qreal, qreal)));
    rec.react = [&](const QString &) {};
    QObject::connect(bridge, &Data::sgResampProgress, bridge,
                     [this] { QMetaObject::invokeMethod(bridge, "doCancel"); });
    send(rec,
         convertCommand(22050, 1, 16, 0, out, QString(),
                        {in + QStringLiteral("/long.flac"), in + QStringLiteral("/tone.wav")}),
         QVariantMap{{QStringLiteral("jobs"), 1}});
    send(rec, convertCommand(22050, 1, 16, 0, out, QStringLiteral("_queued"),
                             {in + QStringLiteral("/tone.wav")}));
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    settle();
    QCOMPARE(rec.log, (QStringList{"wait:true", "returned", "wait:true", "returned",
                                   "failed:long.flac", "failed:tone.wav", "wait:false"}));
    QCOMPARE(rec.reasons, (QStringList{"cancelled", "cancelled"}));
    QCOMPARE(started.count(), 1);
    QCOMPARE(started.at(0).at(0).toString(), in + QStringLiteral("/long.flac"));
    QVERIFY(progress.count() >= 1);
    QCOMPARE(QDir(out).entryList(QDir::Files), QStringList());

    QObject::disconnect(bridge, &Data::sgResampProgress, bridge, nullptr);
    rec.log.clear();
    send(rec, convertCommand(22050, 1, 16, 0, out, QString(), {in + QStringLiteral("/tone.wav")}));
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    settle();
    QCOMPARE(rec.log, (QStringList{"wait:true", "returned", "ready:tone.wav", "wait:false"}));
}

void TestCore::requestOptions_data()
{
    QTest::addColumn<QVariantMap>("options");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<qint64>("size"); // of out/tone.wav afterwards

    // tone.wav, 1 s, makes 44144 bytes at 22050 Hz mono 16-bit; an earlier
    // 5-byte file stands at its output path.
    const QStringList converted{"wait:true", "returned", "ready:tone.wav", "wait:false"};
    QTest::newRow("none: replaced") << QVariantMap() << converted << qint64(44144);
    QTest::newRow("skip") << QVariantMap{{"existing", "skip"}}
                          << QStringList{"wait:true", "returned", "skipped:tone.wav", "wait:false"}
                          << qint64(5);
    QTest::newRow("fail") << QVariantMap{{"existing", "fail"}}
                          << QStringList{"wait:true", "returned", "failed:tone.wav", "wait:false"}
                          << qint64(5);
    QTest::newRow("pad to 50000") << QVariantMap{{"pad", true}, {"size", 50000}} << converted
                                  << qint64(50000);
    QTest::newRow("start at 0.5 s")
        << QVariantMap{{"start", "0.5"}} << converted << qint64(44 + 11025 * 2);
    QTest::newRow("misspelt option")
        << QVariantMap{{"padd", true}}
        << QStringList{"wait:true", "returned", "failed:", "wait:false"} << qint64(5);
    QTest::newRow("jobs not a count")
        << QVariantMap{{"jobs", "two"}}
        << QStringList{"wait:true", "returned", "failed:", "wait:false"} << qint64(5);
    QTest::newRow("more jobs than inputs")
        << QVariantMap{{"jobs", 4}} << converted << qint64(44144);
}

// What the window sends beside its command reaches the engine.
void TestCore::requestOptions()
{
    QFETCH(QVariantMap, options);
    QFETCH(QStringList, expected);
    QFETCH(qint64, size);

    const QString out = newFolder();
    {
        QFile earlier(out + QStringLiteral("/tone.wav"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("early");
    }
    const quint32 fileSize = options.take(QStringLiteral("size")).toUInt();
    Recorder rec(bridge);
    const QString command =
        convertCommand(22050, 1, 16, fileSize, out, QString(), {in + QStringLiteral("/tone.wav")});
    QVERIFY(QMetaObject::invokeMethod(bridge, "doConvertOptions", Qt::DirectConnection,
                                      Q_ARG(QString, command), Q_ARG(QVariantMap, options)));
    rec.mark(QStringLiteral("returned"));
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    settle();
    QCOMPARE(rec.log, expected);
    QCOMPARE(QFileInfo(out + QStringLiteral("/tone.wav")).size(), size);
}

namespace {

// Each input's news, in order: a start, its progress, clipping, then its end.
const QString convertedNews = QStringLiteral("^S[PF]*F?R$");
const QString clippedNews = QStringLiteral("^S[PF]*CF?R$");
const QString shortNews = QStringLiteral("^S[PF]*WF?R$");
const QString refusedNews = QStringLiteral("^SX$");
const QString stoppedNews = QStringLiteral("^S[PF]*X$");
const QString neverStartedNews = QStringLiteral("^X$");

QHash<QString, QByteArray> filesIn(const QString &folder)
{
    QHash<QString, QByteArray> files;
    const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot |
                                                     QDir::Hidden | QDir::System);
    for (const QString &name : names)
        files.insert(name, testutil::readAll(folder + QLatin1Char('/') + name));
    return files;
}

} // namespace

// The same request converted one input at a time and three side by side: each
// input's news comes complete and in its order, every input once, the inputs
// overlap, and the outputs are the same bytes.
void TestCore::sideBySideMatchesOneByOne()
{
    const QStringList names{"medium.flac", "tone.wav",   "absent.flac", "loud.wav",
                            "tone.flac",   "noise.aiff", "cut.wav"};
    // tone.flac would write tone.wav's output: the plan refuses it.
    const QHash<QString, QString> expected{
        {"medium.flac", convertedNews}, {"tone.wav", convertedNews}, {"absent.flac", refusedNews},
        {"loud.wav", clippedNews},      {"tone.flac", refusedNews},  {"noise.aiff", convertedNews},
        {"cut.wav", shortNews}};
    const QStringList converting{"medium.flac", "tone.wav", "loud.wav", "noise.aiff", "cut.wav"};
    QStringList paths;
    for (const QString &name : names)
        paths << in + QLatin1Char('/') + name;

    QVector<QHash<QString, QByteArray>> outputs;
    for (const int jobs : {1, 3}) {
        const QString out = newFolder();
        Recorder rec(bridge);
        News news(bridge);
        send(rec, convertCommand(22050, 1, 16, 0, out, QStringLiteral("_x"), paths),
             QVariantMap{{QStringLiteral("jobs"), jobs}});
        QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
        settle();

        QCOMPARE(rec.log.first(), QStringLiteral("wait:true"));
        QCOMPARE(rec.log.last(), QStringLiteral("wait:false"));
        QCOMPARE(rec.count(QStringLiteral("wait:false")), 1);
        QCOMPARE(news.offGuiThread, 0);
        QStringList heard = news.letters.keys();
        heard.sort();
        QStringList sorted = names;
        sorted.sort();
        QCOMPARE(heard, sorted);
        for (const QString &name : names) {
            const QString letters = news.letters.value(name);
            QVERIFY2(
                QRegularExpression(expected.value(name)).match(letters).hasMatch(),
                qPrintable(QStringLiteral("%1 with %2 jobs: %3").arg(name).arg(jobs).arg(letters)));
        }
        // The most inputs that were converting at once.
        int running = 0;
        int most = 0;
        for (const QString &event : qAsConst(news.order)) {
            if (!converting.contains(event.mid(2)))
                continue;
            if (event.startsWith(QLatin1Char('S')))
                most = qMax(most, ++running);
            else if (event.startsWith(QLatin1Char('R')) || event.startsWith(QLatin1Char('X')))
                --running;
        }
        QCOMPARE(most, jobs);
        outputs << filesIn(out);
    }
    QCOMPARE(outputs.at(0).size(), converting.size());
    QCOMPARE(outputs.at(1), outputs.at(0));
}

// Stop while inputs convert side by side: those under way end and leave no
// scratch or partial file, a finished output and an earlier file stay as they
// were, every input not finished fails with "cancelled", and the wait ends.
void TestCore::stopSideBySide()
{
    const QString out = newFolder();
    {
        QFile earlier(out + QStringLiteral("/medium_x.wav"));
        QVERIFY(earlier.open(QIODevice::WriteOnly));
        earlier.write("early");
    }
    Recorder rec(bridge);
    News news(bridge);
    // tone.wav is done at once and medium.flac takes its worker; long.flac
    // and medium.flac at 768 kHz take seconds.
    send(rec,
         convertCommand(768000, 1, 16, 0, out, QStringLiteral("_x"),
                        {in + QStringLiteral("/tone.wav"), in + QStringLiteral("/long.flac"),
                         in + QStringLiteral("/medium.flac"), in + QStringLiteral("/noise.aiff")}),
         QVariantMap{{QStringLiteral("jobs"), 2}});
    QTRY_VERIFY_WITH_TIMEOUT(news.letters.value(QStringLiteral("medium.flac")).startsWith('S'),
                             patience);
    QTRY_COMPARE_WITH_TIMEOUT(scratchFiles().size(), 2, patience);
    QElapsedTimer clock;
    clock.start();
    QVERIFY(QMetaObject::invokeMethod(bridge, "doCancel"));
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    qInfo("the request ended %lld ms after Stop", clock.elapsed());
    settle();

    const QHash<QString, QString> expected{{"tone.wav", convertedNews},
                                           {"long.flac", stoppedNews},
                                           {"medium.flac", stoppedNews},
                                           {"noise.aiff", neverStartedNews}};
    QCOMPARE(news.letters.size(), expected.size());
    for (auto it = expected.constBegin(); it != expected.constEnd(); ++it) {
        const QString letters = news.letters.value(it.key());
        QVERIFY2(QRegularExpression(it.value()).match(letters).hasMatch(),
                 qPrintable(it.key() + QStringLiteral(": ") + letters));
        if (it.value() != convertedNews)
            QCOMPARE(news.reasons.value(it.key()), QStringLiteral("cancelled"));
    }
    QCOMPARE(rec.log.last(), QStringLiteral("wait:false"));
    QCOMPARE(rec.count(QStringLiteral("wait:false")), 1);

    QCOMPARE(scratchFiles(), QStringList());
    const QHash<QString, QByteArray> files = filesIn(out);
    QStringList left = files.keys();
    left.sort();
    QCOMPARE(left, (QStringList{"medium_x.wav", "tone_x.wav"}));
    QCOMPARE(files.value(QStringLiteral("medium_x.wav")), QByteArray("early"));
    const QString tone = out + QStringLiteral("/tone_x.wav");
    QCOMPARE(QFileInfo(tone).size(), qint64(44 + 768000 * 2));
    QCOMPARE(testutil::soxi(tone, QStringLiteral("-r")), QStringLiteral("768000"));
}

void TestCore::progressFractions_data()
{
    QTest::addColumn<int>("jobs");

    QTest::newRow("one at a time") << 1;
    QTest::newRow("side by side") << 2;
}

// Each input's fractions rise from 0 to 1 and come at most once a hundredth,
// where the engine reports every buffer: thousands for the minute of eight
// channels.
void TestCore::progressFractions()
{
    QFETCH(int, jobs);

    const QString out = newFolder();
    Recorder rec(bridge);
    News news(bridge);
    send(rec,
         convertCommand(8000, 1, 16, 0, out, QString(),
                        {in + QStringLiteral("/long.flac"), in + QStringLiteral("/medium.flac")}),
         QVariantMap{{QStringLiteral("jobs"), jobs}});
    QTRY_VERIFY_WITH_TIMEOUT(rec.count(QStringLiteral("wait:false")) > 0, patience);
    settle();

    for (const QString &name : {QStringLiteral("long.flac"), QStringLiteral("medium.flac")}) {
        const QString letters = news.letters.value(name);
        QVERIFY2(QRegularExpression(convertedNews).match(letters).hasMatch(),
                 qPrintable(name + QStringLiteral(": ") + letters));
        const QVector<double> fractions = news.fractions.value(name);
        QVERIFY2(fractions.size() >= 2 && fractions.size() <= 101,
                 qPrintable(QStringLiteral("%1: %2 fractions").arg(name).arg(fractions.size())));
        QVERIFY(fractions.first() >= 0);
        for (int i = 1; i < fractions.size(); ++i)
            QVERIFY(fractions.at(i) > fractions.at(i - 1));
        QCOMPARE(fractions.last(), 1.0);
    }
}

void TestCore::openFolderKeepsItsName_data()
{
    QTest::addColumn<QString>("path");

    QTest::newRow("plain") << base.filePath(QStringLiteral("slots/"));
    QTest::newRow("# and ?") << base.filePath(QStringLiteral("take #2?/"));
    QTest::newRow("%20, a space, an accent") << base.filePath(QStringLiteral("a%20b c/é/"));
}

// The window hands the folder as a path; the desktop must be asked for that
// folder, not for one cut at a character that means something in a URL.
void TestCore::openFolderKeepsItsName()
{
    QFETCH(QString, path);

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "open");
    bool opened = false;
    const bool called = QMetaObject::invokeMethod(bridge, "openFolder", Q_RETURN_ARG(bool, opened),
                                                  Q_ARG(QString, path));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    QVERIFY(called);
    QVERIFY(opened);
    QCOMPARE(catcher.urls.size(), 1);
    QCOMPARE(catcher.urls.first().toLocalFile(), path);
}

QTEST_MAIN(TestCore)
#include "tst_core.moc"
