// The built sabletide-cli on generated audio: options and units, naming,
// exit statuses, the --command path, parallel workers, interrupts, progress
// on a terminal and the man page.
#include "bridge/form.h"
#include "bridge/rules.h"
#include "convert/inputs.h"
#include "convert/presets.h"
#include "convert/worker.h"
#include "testutil.h"

#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <sys/stat.h>

namespace {

struct Result
{
    int exit = -1;
    QByteArray out;
    QByteArray err;
};

QStringList linesOf(const QByteArray &text)
{
    return QString::fromLocal8Bit(text).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Runs the program in a separate process from a Python pseudo-terminal, so
// that its standard error is a terminal; prints what it wrote and exits with
// its status.
const char ptyScript[] = R"(
import fcntl, os, pty, select, sys, termios
# The slave end stays open here as well, so that reading never meets the
# hang-up of a closed terminal; the child's last lines are read after it ends.
master, slave = pty.openpty()
pid = os.fork()
if pid == 0:
    os.setsid()
    fcntl.ioctl(slave, termios.TIOCSCTTY, 0)
    for fd in (0, 1, 2):
        os.dup2(slave, fd)
    os.close(master)
    os.close(slave)
    os.chdir(sys.argv[1])
    os.environ['TERM'] = sys.argv[2]
    os.execv(sys.argv[3], sys.argv[3:])
chunks = []
status = None
while True:
    ready, _, _ = select.select([master], [], [], 0.05 if status is None else 0.5)
    if ready:
        chunks.append(os.read(master, 65536))
        continue
    if status is not None:
        break
    done, st = os.waitpid(pid, os.WNOHANG)
    if done:
        status = st
sys.stdout.buffer.write(b''.join(chunks))
sys.exit(os.WEXITSTATUS(status) if os.WIFEXITED(status) else 99)
)";

} // namespace

class TstCli : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void options_data();
    void options();
    void dryRunNaming_data();
    void dryRunNaming();
    void exitStatuses_data();
    void exitStatuses();
    void commandMatchesOptions();
    void parallelMatchesSequential_data();
    void parallelMatchesSequential();
    void interrupt_data();
    void interrupt();
    void progressStyle_data();
    void progressStyle();
    void existing_data();
    void existing();
    void jsonRows();
    void trees_data();
    void trees();
    void standardOutput_data();
    void standardOutput();
    void presets_data();
    void presets();
    void ownPresets_data();
    void ownPresets();
    void habits_data();
    void habits();
    void shortInputWarned_data();
    void shortInputWarned();
    void collisionsThroughTheCommand();
    void contentRecognisedInFolders();
    void slotOptions();
    void soundOptions_data();
    void soundOptions();
    void measuredGains_data();
    void measuredGains();
    void standardInput();
    void measuringRefusesStandardInput();
    void argumentTheLocaleCannotCarry_data();
    void argumentTheLocaleCannotCarry();
    void namesWithControls_data();
    void namesWithControls();
    void jsonNameBytes();
    void tooFewDescriptors_data();
    void tooFewDescriptors();
    void reportsThatCannotBeWritten_data();
    void reportsThatCannotBeWritten();
    void linksNoWindowLibraries();
    void workerTellsARowOnceItStands();
    void diagnosticsByCategory_data();
    void diagnosticsByCategory();
    void verboseCommand();
    void manPage();

private:
    QString program() const { return testutil::binDir() + QStringLiteral("/sabletide-cli"); }
    QString path(const QString &relative) const { return root.filePath(relative); }
    // A new, empty folder under the test's root; its name relative to the root.
    QString freshDir();
    Result run(const QStringList &args, const QString &tmpdir = QString());
    QStringList filesIn(const QString &relativeDir) const;

    QTemporaryDir root;
    int dirs = 0;
};

QString TstCli::freshDir()
{
    const QString name = QStringLiteral("out%1").arg(++dirs);
    QDir(root.path()).mkpath(name);
    return name;
}

Result TstCli::run(const QStringList &args, const QString &tmpdir)
{
    QProcess p;
    p.setWorkingDirectory(root.path());
    if (!tmpdir.isEmpty()) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), tmpdir);
        p.setProcessEnvironment(env);
    }
    p.start(program(), args);
    Result r;
    if (!p.waitForStarted(10000))
        return r;
    p.closeWriteChannel();
    if (!p.waitForFinished(180000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

QStringList TstCli::filesIn(const QString &relativeDir) const
{
    return QDir(root.filePath(relativeDir))
        .entryList(QDir::Files | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
}

void TstCli::cleanupTestCase()
{
    // The files with names not valid in the locale go too.
    QVERIFY(testutil::removeTree(root.path()));
}

void TstCli::initTestCase()
{
    QVERIFY(root.isValid());
    // The window's settings, with the person's own presets, are the test's.
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(path("config")));
    QVERIFY(QFileInfo(program()).isExecutable());
    QDir dir(root.path());
    for (const char *sub : {"in/sub", "more", "long", "also", "empty", "comma,dir"})
        QVERIFY(dir.mkpath(QLatin1String(sub)));

    QVERIFY(testutil::makeAudio(path("in/a.wav"), 44100, 2, 16, 1.5));
    QVERIFY(testutil::makeAudio(path("in/b.flac"), 48000, 1, 24, 1.0));
    QVERIFY(testutil::makeAudio(path("in/c.aiff"), 22050, 1, 16, 1.0));
    QVERIFY(testutil::makeAudio(path("in/d.ogg"), 44100, 2, 16, 1.0));
    QVERIFY(testutil::makeAudio(path("in/.hidden.wav"), 44100, 1, 16, 0.5));
    QVERIFY(testutil::makeAudio(path("in/sub/e.wav"), 44100, 1, 16, 0.5));
    QVERIFY(testutil::makeAudio(path("more/Room B.WAV"), 32000, 2, 16, 0.5));
    QVERIFY(testutil::makeAudio(path("more/b.wav"), 16000, 1, 16, 0.7, true));
    QVERIFY(testutil::makeAudio(path("comma,dir/f.wav"), 8000, 1, 16, 0.2));
    QVERIFY(testutil::makeAudio(path("also/l1.wav"), 8000, 1, 16, 0.3));
    // Long enough to be interrupted while it converts.
    QVERIFY(testutil::makeAudio(path("long/l1.wav"), 44100, 1, 16, 60, true));
    QVERIFY(QFile::copy(path("long/l1.wav"), path("long/l2.wav")));

    QFile text(path("in/bad.wav"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("this is text, not audio\n");
    text.close();
    QVERIFY(QFile::copy(path("in/bad.wav"), path("in/notes.txt")));
    // Not regular files: a pipe and a link to nothing.
    QCOMPARE(::mkfifo(QFile::encodeName(path("in/pipe.wav")).constData(), 0644), 0);
    QVERIFY(QFile::link(path("in/nowhere.wav"), path("in/broken.wav")));
}

void TstCli::options_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("outHas");     // on standard output
    QTest::addColumn<QStringList>("errHas"); // all on standard error

    const QStringList base{"-n", "-o", "OUT", "in/a.wav"};
    auto with = [&base](QStringList args) { return args + base; };
    const QStringList fmt{"-r", "48000", "-c", "1", "-b", "24"};

    QTest::newRow("version") << QStringList{"--version"} << 0 << "sabletide-cli 0.0.5\n"
                             << QStringList();
    QTest::newRow("help") << QStringList{"-h"} << 0 << "--output-dir" << QStringList();
    QTest::newRow("size in bytes")
        << with(fmt + QStringList{"-s", "65580"}) << 0 << "(65580 bytes)" << QStringList();
    QTest::newRow("KiB") << with(fmt + QStringList{"-s", "64KiB"}) << 0 << "(65536 bytes)"
                         << QStringList();
    QTest::newRow("decimal MiB") << with(fmt + QStringList{"-s", "1.5MiB"}) << 0
                                 << "short of 1572864:" << QStringList();
    QTest::newRow("kB in 1000s") << with(fmt + QStringList{"-s", "10kB"}) << 0 << "(10000 bytes)"
                                 << QStringList();
    QTest::newRow("GiB") << with(fmt + QStringList{"-s", "2GiB"}) << 0
                         << "short of 2147483648:" << QStringList();
    QTest::newRow("size 0 is no cut") << with(fmt + QStringList{"-s", "0"}) << 0
                                      << "(216044 bytes, whole length)" << QStringList();
    QTest::newRow("no size is no cut")
        << with(fmt) << 0 << "(216044 bytes, whole length)" << QStringList();
    QTest::newRow("duration in seconds") << with({"-r", "48000", "-c", "2", "-b", "16", "-d", "1"})
                                         << 0 << "(192044 bytes)" << QStringList();
    QTest::newRow("duration mm:ss.fff")
        << with({"-r", "8000", "-c", "1", "-b", "8", "-d", "01:30.500"}) << 0
        << "(12044 bytes, 712000 short of 724044:" << QStringList();
    QTest::newRow("duration rounds down to whole frames")
        << with({"-r", "44100", "-c", "1", "-b", "16", "-d", "0.0001"}) << 0 << "(52 bytes)"
        << QStringList();
    QTest::newRow("long options") << QStringList{"--rate=48000",     "--channels",    "1",
                                                 "--bits=24",        "--size=100KiB", "--dry-run",
                                                 "--output-dir=OUT", "in/a.wav"}
                                  << 0 << "(102400 bytes)" << QStringList();
    QTest::newRow("jobs") << with(fmt + QStringList{"-j", "3"}) << 0
                          << "/a.wav (216044 bytes, whole length)" << QStringList();

    QTest::newRow("no rate") << with({"-c", "1", "-b", "24"}) << 2 << ""
                             << QStringList{"-r/--rate"};
    QTest::newRow("rate not a number")
        << with({"-r", "4.8", "-c", "1", "-b", "24"}) << 2 << "" << QStringList{"-r/--rate", "4.8"};
    QTest::newRow("rate too high") << with({"-r", "800000", "-c", "1", "-b", "24"}) << 2 << ""
                                   << QStringList{"-r/--rate", "800000", "768000"};
    QTest::newRow("rate zero") << with({"-r", "0", "-c", "1", "-b", "24"}) << 2 << ""
                               << QStringList{"-r/--rate", "\"0\""};
    QTest::newRow("rate with a plus sign") << with({"-r", "+48000", "-c", "1", "-b", "24"}) << 2
                                           << "" << QStringList{"-r/--rate", "+48000"};
    QTest::newRow("rate after a space") << with({"-r", " 48000", "-c", "1", "-b", "24"}) << 2 << ""
                                        << QStringList{"-r/--rate", "\" 48000\""};
    QTest::newRow("channels after a space") << with({"-r", "48000", "-c", " 2", "-b", "24"}) << 2
                                            << "" << QStringList{"-c/--channels", "\" 2\""};
    QTest::newRow("no channels") << with({"-r", "48000", "-b", "24"}) << 2 << ""
                                 << QStringList{"-c/--channels"};
    QTest::newRow("channels zero") << with({"-r", "48000", "-c", "0", "-b", "24"}) << 2 << ""
                                   << QStringList{"-c/--channels", "\"0\"", "1 to 255"};
    QTest::newRow("channels 256") << with({"-r", "48000", "-c", "256", "-b", "24"}) << 2 << ""
                                  << QStringList{"-c/--channels", "256", "1 to 255"};
    QTest::newRow("negative bits") << with({"-r", "48000", "-c", "1", "-b", "-8"}) << 2 << ""
                                   << QStringList{"-b/--bits", "-8"};
    QTest::newRow("bits 256") << with({"-r", "48000", "-c", "1", "-b", "256"}) << 2 << ""
                              << QStringList{"-b/--bits", "256"};
    QTest::newRow("size not whole bytes") << with(fmt + QStringList{"-s", "1.1MiB"}) << 2 << ""
                                          << QStringList{"-s/--size", "1.1MiB", "whole"};
    QTest::newRow("size with bare k")
        << with(fmt + QStringList{"-s", "5k"}) << 2 << "" << QStringList{"-s/--size", "ambiguous"};
    QTest::newRow("size past 32 bits") << with(fmt + QStringList{"-s", "4GiB"}) << 2 << ""
                                       << QStringList{"-s/--size", "4GiB", "4294967295"};
    QTest::newRow("size of the header alone")
        << with(fmt + QStringList{"-s", "44"}) << 2 << "" << QStringList{"-s/--size", "header"};
    QTest::newRow("size with unknown unit") << with(fmt + QStringList{"-s", "12 parsecs"}) << 2
                                            << "" << QStringList{"-s/--size", "parsecs"};
    QTest::newRow("duration seconds past 59")
        << with(fmt + QStringList{"-d", "1:75"}) << 2 << "" << QStringList{"-d/--duration", "1:75"};
    QTest::newRow("duration zero") << with(fmt + QStringList{"-d", "0"}) << 2 << ""
                                   << QStringList{"-d/--duration", "one sample frame"};
    QTest::newRow("duration past 32 bits")
        << with({"-r", "768000", "-c", "8", "-b", "32", "-d", "1:00:00"}) << 2 << ""
        << QStringList{"-d/--duration", "4294967295"};
    QTest::newRow("size and duration") << with(fmt + QStringList{"-s", "1MB", "-d", "1"}) << 2 << ""
                                       << QStringList{"-s/--size", "-d/--duration"};
    QTest::newRow("jobs zero") << with(fmt + QStringList{"-j", "0"}) << 2 << ""
                               << QStringList{"-j/--jobs", "\"0\""};
    QTest::newRow("jobs not a number")
        << with(fmt + QStringList{"-j", "many"}) << 2 << "" << QStringList{"-j/--jobs", "many"};
    QTest::newRow("unknown quality") << with(fmt + QStringList{"--quality", "best"}) << 2 << ""
                                     << QStringList{"--quality", "best", "very-high"};
    QTest::newRow("quality in another case")
        << with(fmt + QStringList{"--quality", "High"}) << 2 << "" << QStringList{"--quality"};
    QTest::newRow("gain too high") << with(fmt + QStringList{"--gain", "60.5"}) << 2 << ""
                                   << QStringList{"--gain", "60.5", "-60 to 60 dB"};
    QTest::newRow("gain too low") << with(fmt + QStringList{"--gain=-61dB"}) << 2 << ""
                                  << QStringList{"--gain", "-61dB", "-60 to 60 dB"};
    QTest::newRow("gain not a number") << with(fmt + QStringList{"--gain", "loud"}) << 2 << ""
                                       << QStringList{"--gain", "loud", "decibels"};
    QTest::newRow("gain of infinity")
        << with(fmt + QStringList{"--gain", "inf"}) << 2 << "" << QStringList{"--gain", "inf"};
    QTest::newRow("normalize above full scale")
        << with(fmt + QStringList{"--normalize", "0.5"}) << 2 << ""
        << QStringList{"--normalize", "0.5", "-60 to 0 dBFS"};
    QTest::newRow("normalize not a level") << with(fmt + QStringList{"--normalize", "max"}) << 2
                                           << "" << QStringList{"--normalize", "max"};
    QTest::newRow("normalize with a gain")
        << with(fmt + QStringList{"--normalize", "-1", "--gain", "3"}) << 2 << ""
        << QStringList{"--normalize", "--gain"};
    QTest::newRow("normalize with guard") << with(fmt + QStringList{"--normalize", "-1", "--guard"})
                                          << 2 << "" << QStringList{"--normalize", "--guard"};
    QTest::newRow("loudness above its range")
        << with(fmt + QStringList{"--loudness", "+10"}) << 2 << ""
        << QStringList{"--loudness", "+10", "-70 to -5 LUFS"};
    QTest::newRow("loudness below its range") << with(fmt + QStringList{"--loudness", "-80"}) << 2
                                              << "" << QStringList{"--loudness", "-70 to -5"};
    QTest::newRow("loudness not a level") << with(fmt + QStringList{"--loudness", "nan"}) << 2 << ""
                                          << QStringList{"--loudness", "nan"};
    QTest::newRow("loudness and normalize")
        << with(fmt + QStringList{"--loudness", "-16", "--normalize", "-1"}) << 2 << ""
        << QStringList{"--normalize and --loudness"};
    QTest::newRow("loudness with guard") << with(fmt + QStringList{"--loudness", "-16", "--guard"})
                                         << 2 << "" << QStringList{"--loudness", "--guard"};
    QTest::newRow("together alone") << with(fmt + QStringList{"--together"}) << 2 << ""
                                    << QStringList{"--together", "--normalize or --loudness"};
    QTest::newRow("together with a gain") << with(fmt + QStringList{"--together", "--gain", "3"})
                                          << 2 << "" << QStringList{"--together"};
    QTest::newRow("trim level above 0") << with(fmt + QStringList{"--trim-start", "3"}) << 2 << ""
                                        << QStringList{"--trim-start", "\"3\"", "below 0 dBFS"};
    QTest::newRow("trim level at 0") << with(fmt + QStringList{"--trim-start", "0dB"}) << 2 << ""
                                     << QStringList{"--trim-start", "below 0"};
    QTest::newRow("trim level not a number")
        << with(fmt + QStringList{"--trim-start", "quiet"}) << 2 << ""
        << QStringList{"--trim-start", "not a level"};
    QTest::newRow("unknown option")
        << with(fmt + QStringList{"--frobnicate"}) << 2 << "" << QStringList{"frobnicate"};
    // A missing folder is made, but not under a file.
    QTest::newRow("output folder under a file")
        << QStringList(fmt + QStringList{"-o", "in/a.wav/nowhere", "in/a.wav"}) << 2 << ""
        << QStringList{"-o/--output-dir", "in/a.wav/nowhere", "in/a.wav is not a folder"};
    QTest::newRow("output folder is a file")
        << QStringList(fmt + QStringList{"-o", "in/a.wav", "in/a.wav"}) << 2 << ""
        << QStringList{"-o/--output-dir", "not a folder"};
    QTest::newRow("suffix with a slash") << with(fmt + QStringList{"--suffix", "_a/b"}) << 2 << ""
                                         << QStringList{"--suffix", "_a/b", "\"/\""};
    QTest::newRow("suffix with a comma") << with(fmt + QStringList{"--suffix", "_a,b"}) << 2 << ""
                                         << QStringList{"--suffix", "_a,b"};
    QTest::newRow("input with a comma") << with(fmt + QStringList{"comma,dir/f.wav"}) << 2 << ""
                                        << QStringList{"comma,dir/f.wav", "\",\""};
    QTest::newRow("folder with a comma")
        << with(fmt + QStringList{"comma,dir"}) << 2 << "" << QStringList{"comma,dir", "\",\""};
    QTest::newRow("no input") << QStringList(fmt + QStringList{"-o", "OUT"}) << 2 << ""
                              << QStringList{"INPUT"};
    QTest::newRow("folder with no audio") << QStringList(fmt + QStringList{"-o", "OUT", "empty"})
                                          << 2 << "" << QStringList{"nothing to convert", "empty"};
    QTest::newRow("command malformed")
        << QStringList{"--command", "$DoConvert,fast,1,16,0,OUT/,,in/a.wav"} << 2 << ""
        << QStringList{"--command", "position 1", "fast"};
    QTest::newRow("command without its tag")
        << QStringList{"--command", "48000,1,16,0,OUT/,,in/a.wav"} << 2 << ""
        << QStringList{"--command", "position 0"};
    QTest::newRow("command and an option")
        << QStringList{"--command", "$DoConvert,48000,1,16,0,OUT/,,in/a.wav", "-r", "8000"} << 2
        << "" << QStringList{"--command", "--rate"};
    QTest::newRow("command and an input")
        << QStringList{"--command", "$DoConvert,48000,1,16,0,OUT/,,in/a.wav", "in/b.flac"} << 2
        << "" << QStringList{"--command", "in/b.flac"};
}

void TstCli::options()
{
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, outHas);
    QFETCH(QStringList, errHas);

    const QString out = freshDir();
    args.replaceInStrings(QStringLiteral("OUT"), out);
    const Result r = run(args);
    const QString err = QString::fromLocal8Bit(r.err);
    QVERIFY2(r.exit == exit, qPrintable(QStringLiteral("exit %1: %2").arg(r.exit).arg(err)));
    QVERIFY2(QString::fromLocal8Bit(r.out).contains(outHas), r.out.constData());
    for (const QString &words : errHas)
        QVERIFY2(err.contains(words), qPrintable(words + QStringLiteral(" not in: ") + err));
    if (exit == 2) {
        QVERIFY(r.out.isEmpty());
        QVERIFY(err.contains(QLatin1String("--help")));
    }
    // Nothing is converted, neither in a dry run nor after a usage error.
    QCOMPARE(filesIn(out), QStringList());
}

void TstCli::dryRunNaming_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QStringList>("lines");

    const QStringList fmt{"-n", "-r", "48000", "-c", "1", "-b", "16", "-s", "100kB"};
    // a.wav is 1.5 s long, more than the size holds; the others are shorter.
    const QString size = QStringLiteral(" (100000 bytes)");
    const auto shortOf = [](int bytes) {
        return QStringLiteral(" (%1 bytes, %2 short of 100000: the sound ends first)")
            .arg(bytes)
            .arg(100000 - bytes);
    };
    QTest::newRow("wav keeps its name") << QStringList(fmt + QStringList{"-o", "o/", "in/a.wav"})
                                        << QStringList{"in/a.wav -> o/a.wav" + size};
    QTest::newRow("suffix before .wav")
        << QStringList(fmt + QStringList{"-o", "o/", "--suffix", "_48k", "in/a.wav"})
        << QStringList{"in/a.wav -> o/a_48k.wav" + size};
    QTest::newRow("upper-case WAV gets .wav after the suffix")
        << QStringList(fmt + QStringList{"-o", "o", "--suffix", "_x", "more/Room B.WAV"})
        << QStringList{"more/Room B.WAV -> o/Room B_x.wav" + shortOf(48044)};
    QTest::newRow("upper-case WAV without a suffix stays")
        << QStringList(fmt + QStringList{"-o", "o", "more/Room B.WAV"})
        << QStringList{"more/Room B.WAV -> o/Room B.WAV" + shortOf(48044)};
    QTest::newRow("other extensions become .wav")
        << QStringList(fmt + QStringList{"-o", "o", "in/b.flac", "in/c.aiff"})
        << QStringList{"in/b.flac -> o/b.wav" + shortOf(96044),
                       "in/c.aiff -> o/c.wav" + shortOf(96044)};
    QTest::newRow("suffix on another extension")
        << QStringList(fmt + QStringList{"-o", "o", "--suffix", "-s", "in/d.ogg"})
        << QStringList{"in/d.ogg -> o/d-s.wav" + shortOf(96044)};
    QTest::newRow("folder without its slash gets one")
        << QStringList(fmt + QStringList{"-o", "o", "in/a.wav"})
        << QStringList{"in/a.wav -> o/a.wav" + size};
    QTest::newRow("default folder is the current one")
        << QStringList(fmt + QStringList{"in/a.wav"}) << QStringList{"in/a.wav -> ./a.wav" + size};
    // Sorted by name; hidden files, text, subfolders, pipes and broken links
    // left out; a damaged .wav stays in, to be refused.
    QTest::newRow("folder opened up")
        << QStringList(fmt + QStringList{"-o", "o", "in"})
        << QStringList{"in/a.wav -> o/a.wav" + size, "in/b.flac -> o/b.wav" + shortOf(96044),
                       "in/bad.wav -> o/bad.wav: refused, cannot read: not a sound file in a "
                       "format this program reads",
                       "in/c.aiff -> o/c.wav" + shortOf(96044),
                       "in/d.ogg -> o/d.wav" + shortOf(96044)};
    QTest::newRow("folders and files in the order given")
        << QStringList(fmt + QStringList{"-o", "o", "more/", "in/c.aiff"})
        << QStringList{"more/Room B.WAV -> o/Room B.WAV" + shortOf(48044),
                       "more/b.wav -> o/b.wav" + shortOf(67244),
                       "in/c.aiff -> o/c.wav" + shortOf(96044)};
    QTest::newRow("missing file named as it is")
        << QStringList(fmt + QStringList{"-o", "o", "in/missing.mp3"})
        << QStringList{"in/missing.mp3 -> o/missing.wav: refused, file not found"};
    QTest::newRow("command keeps its own folder text")
        << QStringList{"-n", "--command", "$DoConvert,8000,1,8,0,o/,_c,in/a.wav,more/b.wav"}
        << QStringList{"in/a.wav -> o/a_c.wav (12044 bytes, whole length)",
                       "more/b.wav -> o/b_c.wav (5644 bytes, whole length)"};
}

void TstCli::dryRunNaming()
{
    QFETCH(QStringList, args);
    QFETCH(QStringList, lines);
    QDir(root.path()).mkpath(QStringLiteral("o"));
    const Result r = run(args);
    // A refused input makes a dry run fail, as it would make the run fail.
    const bool refused = !lines.filter(QStringLiteral(": refused, ")).isEmpty();
    QVERIFY2(r.exit == (refused ? 1 : 0), r.err.constData());
    QCOMPARE(linesOf(r.out), lines);
    QVERIFY(r.err.isEmpty());
    QCOMPARE(filesIn(QStringLiteral("o")), QStringList());
}

void TstCli::exitStatuses_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QStringList>("converted"); // output file names
    QTest::addColumn<QStringList>("failed");    // inputs with an error line

    QTest::newRow("all convert") << QStringList{"in/a.wav", "in/b.flac", "in/d.ogg"}
                                 << QStringList() << 0 << QStringList{"a.wav", "b.wav", "d.wav"}
                                 << QStringList();
    QTest::newRow("one damaged") << QStringList{"in/a.wav", "in/bad.wav", "in/c.aiff"}
                                 << QStringList() << 1 << QStringList{"a.wav", "c.wav"}
                                 << QStringList{"in/bad.wav"};
    QTest::newRow("one missing") << QStringList{"in/gone.flac", "in/c.aiff"} << QStringList() << 1
                                 << QStringList{"c.wav"} << QStringList{"in/gone.flac"};
    QTest::newRow("folder with a damaged file")
        << QStringList{"in"} << QStringList() << 1
        << QStringList{"a.wav", "b.wav", "c.wav", "d.wav"} << QStringList{"in/bad.wav"};
    QTest::newRow("quiet") << QStringList{"in/a.wav", "in/bad.wav"} << QStringList{"-q"} << 1
                           << QStringList{"a.wav"} << QStringList{"in/bad.wav"};
    QTest::newRow("quiet and all convert") << QStringList{"in/c.aiff"} << QStringList{"-q"} << 0
                                           << QStringList{"c.wav"} << QStringList();
}

void TstCli::exitStatuses()
{
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, extra);
    QFETCH(int, exit);
    QFETCH(QStringList, converted);
    QFETCH(QStringList, failed);

    const QString out = freshDir();
    const quint32 size = 30044;
    QStringList args{"-r", "48000", "-c", "1", "-b", "16", "-s", QString::number(size), "-o", out};
    // Flags given later win: -b 12 replaces -b 16.
    const Result r = run(args + extra + inputs);
    const QString err = QString::fromLocal8Bit(r.err);
    QVERIFY2(r.exit == exit, qPrintable(err));
    QVERIFY(r.out.isEmpty());
    QVERIFY(!err.contains(QLatin1Char('\r')) && !err.contains(QLatin1Char('\033')));

    const QStringList lines = linesOf(r.err);
    for (const QString &input : failed) {
        const QString start = input + QStringLiteral(": ");
        QCOMPARE(lines
                     .filter(QRegularExpression(QLatin1Char('^') +
                                                QRegularExpression::escape(start) + ".+"))
                     .size(),
                 1);
    }
    QCOMPARE(filesIn(out), converted);
    for (const QString &name : converted) {
        const QString file = path(out + QLatin1Char('/') + name);
        QCOMPARE(QFileInfo(file).size(), qint64(size));
        QString format;
        QVERIFY(testutil::pythonWave(file, &format));
        QCOMPARE(format, QStringLiteral("48000 1 2 %1").arg((size - 44) / 2));
    }

    if (extra.contains(QLatin1String("-q"))) {
        // Errors only: nothing else on standard error.
        QCOMPARE(lines.size(), failed.size());
    } else {
        QCOMPARE(lines.size(), converted.size() + failed.size() + 1);
        QString count = QStringLiteral("%1 input%2: %3 converted")
                            .arg(converted.size() + failed.size())
                            .arg(converted.size() + failed.size() == 1 ? "" : "s")
                            .arg(converted.size());
        if (!failed.isEmpty())
            count += QStringLiteral(", %1 failed").arg(failed.size());
        QCOMPARE(lines.last(), count);
    }
}

void TstCli::commandMatchesOptions()
{
    const QStringList inputs{"in/a.wav", "in/b.flac", "in/c.aiff", "in/d.ogg", "more/Room B.WAV"};
    const QString viaOptions = freshDir();
    const QString viaCommand = freshDir();
    const Result a = run(QStringList{"-r", "44100", "-c", "2", "-b", "24", "-s", "70000",
                                     "--suffix", "_o", "-o", viaOptions} +
                         inputs);
    QVERIFY2(a.exit == 0, a.err.constData());
    const QString command = QStringLiteral("$DoConvert,44100,2,24,70000,%1/,_o,%2")
                                .arg(viaCommand, inputs.join(QLatin1Char(',')));
    const Result b = run({"--command", command});
    QVERIFY2(b.exit == 0, b.err.constData());

    const QStringList names = filesIn(viaOptions);
    QCOMPARE(names, QStringList({"Room B_o.wav", "a_o.wav", "b_o.wav", "c_o.wav", "d_o.wav"}));
    QCOMPARE(filesIn(viaCommand), names);
    for (const QString &name : names) {
        const QByteArray bytes = testutil::readAll(path(viaOptions + "/" + name));
        QCOMPARE(bytes.size(), 70000);
        QVERIFY2(bytes == testutil::readAll(path(viaCommand + "/" + name)), qPrintable(name));
    }
}

void TstCli::parallelMatchesSequential_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::newRow("cut to a size") << QStringList{"-s", "40000"};
    QTest::newRow("whole inputs") << QStringList();
    QTest::newRow("sound options")
        << QStringList{"-s", "40000", "--quality", "low", "--dither", "--gain", "-2.25"};
    QTest::newRow("measured gains") << QStringList{"-s", "40000", "--normalize", "-2"};
}

void TstCli::parallelMatchesSequential()
{
    QFETCH(QStringList, extra);
    // A folder with a damaged file, a missing file, the same input twice, and
    // two pairs of inputs that write the same output: in/b.flac and
    // more/b.wav, and a long input and a short one that comes after it.
    const QStringList inputs{"long/l1.wav", "in",       "in/none.wav",
                             "more/b.wav",  "in/a.wav", "more/Room B.WAV",
                             "also/l1.wav"};
    QMap<int, Result> results;
    QMap<int, QString> outs;
    const QByteArray original = testutil::readAll(path("more/b.wav"));
    for (const int jobs : {1, 2, 3}) {
        outs[jobs] = freshDir();
        // An original in the output folder that in/c.aiff would write over:
        // it is refused, and the original stays as it was.
        QVERIFY(QFile::copy(path("more/b.wav"), path(outs[jobs] + "/c.wav")));
        const Result r = run(QStringList{"-j", QString::number(jobs), "-r", "24000", "-c", "2",
                                         "-b", "16", "-o", outs[jobs]} +
                             extra + inputs + QStringList{outs[jobs] + "/c.wav"});
        QCOMPARE(r.exit, 1);
        results[jobs] = r;
    }
    const QStringList names = filesIn(outs[1]);
    QCOMPARE(names, QStringList({"Room B.WAV", "a.wav", "b.wav", "c.wav", "d.wav", "l1.wav"}));
    const QString sequentialReport = QString::fromLocal8Bit(results[1].err).replace(outs[1], "OUT");
    QVERIFY(sequentialReport.contains("in/none.wav: file not found"));
    QVERIFY(sequentialReport.contains("in/c.aiff: the output would overwrite OUT/c.wav"));
    QVERIFY(sequentialReport.contains("OUT/c.wav: the output would overwrite the input"));
    QCOMPARE(testutil::readAll(path(outs[1] + "/c.wav")), original);
    // The first input of each pair keeps the output; the later one is refused.
    QVERIFY(sequentialReport.contains("also/l1.wav: long/l1.wav already writes OUT/l1.wav"));
    QVERIFY(sequentialReport.contains("more/b.wav: in/b.flac already writes OUT/b.wav"));
    QString format;
    QVERIFY(testutil::pythonWave(path(outs[1] + "/l1.wav"), &format));
    QCOMPARE(format, QStringLiteral("24000 2 2 %1").arg(extra.isEmpty() ? 1440000 : 9989));
    for (const int jobs : {2, 3}) {
        QCOMPARE(QString::fromLocal8Bit(results[jobs].err).replace(outs[jobs], "OUT"),
                 sequentialReport);
        QCOMPARE(filesIn(outs[jobs]), names);
        for (const QString &name : names)
            QVERIFY2(testutil::readAll(path(outs[jobs] + "/" + name)) ==
                         testutil::readAll(path(outs[1] + "/" + name)),
                     qPrintable(QStringLiteral("-j %1: %2").arg(jobs).arg(name)));
    }
}

void TstCli::interrupt_data()
{
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exit");
    QTest::newRow("Ctrl-C in the tool's own process") << 1 << int(SIGINT) << 130;
    QTest::newRow("Ctrl-C with two workers") << 2 << int(SIGINT) << 130;
    QTest::newRow("SIGTERM with two workers") << 2 << int(SIGTERM) << 143;
}

void TstCli::interrupt()
{
    QFETCH(int, jobs);
    QFETCH(int, signal);
    QFETCH(int, exit);

    const QString out = freshDir();
    const QString tmp = path(freshDir());
    QProcess p;
    p.setWorkingDirectory(root.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("TMPDIR"), tmp);
    p.setProcessEnvironment(env);
    p.start(program(), {"-j", QString::number(jobs), "-r", "767999", "-c", "1", "-b", "32", "-o",
                        out, "long/l1.wav", "long/l2.wav"});
    QVERIFY(p.waitForStarted());

    // Every conversion that runs has started writing its scratch file,
    // wherever under the temporary folder it keeps it.
    auto scratchBytes = [&tmp]() {
        int writing = 0;
        QDirIterator it(tmp, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            it.next();
            writing += it.fileInfo().size() > 0;
        }
        return writing;
    };
    const auto leftInTmp = [&tmp]() {
        return QDir(tmp).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                                   QDir::NoDotAndDotDot);
    };
    QTRY_VERIFY_WITH_TIMEOUT(scratchBytes() == jobs || p.state() == QProcess::NotRunning, 60000);
    QVERIFY2(p.state() == QProcess::Running, "the conversion ended before it could be stopped");
    QCOMPARE(::kill(pid_t(p.processId()), signal), 0);
    QVERIFY(p.waitForFinished(60000));

    const QString err = QString::fromLocal8Bit(p.readAllStandardError());
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QVERIFY2(p.exitCode() == exit, qPrintable(err));
    QVERIFY2(err.contains(QLatin1String("long/l1.wav: cancelled")), qPrintable(err));
    QVERIFY(err.contains(QLatin1String("interrupted")));
    QCOMPARE(leftInTmp(), QStringList());
    QCOMPARE(filesIn(out), QStringList());
    // No worker is left to finish its input behind the tool's back.
    QTest::qWait(500);
    QCOMPARE(filesIn(out), QStringList());
    QCOMPARE(leftInTmp(), QStringList());
}

void TstCli::progressStyle_data()
{
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<bool>("quiet");
    QTest::addColumn<QString>("term");
    QTest::newRow("terminal") << true << false << "xterm";
    QTest::newRow("terminal, quiet") << true << true << "xterm";
    // A terminal that cannot move its cursor gets plain lines, as a pipe does.
    QTest::newRow("dumb terminal") << true << false << "dumb";
    QTest::newRow("pipe") << false << false << "xterm";
}

void TstCli::progressStyle()
{
    QFETCH(bool, terminal);
    QFETCH(bool, quiet);
    QFETCH(QString, term);

    const QString out = freshDir();
    QStringList args{"-j", "1",  "-r", "48000", "-c",          "1",
                     "-b", "16", "-o", out,     "long/l1.wav", "in/bad.wav"};
    if (quiet)
        args << QStringLiteral("-q");
    QString text;
    int exit = -1;
    if (terminal) {
        QByteArray captured;
        exit = testutil::run(
            QStringLiteral("python3"),
            QStringList{"-c", QLatin1String(ptyScript), root.path(), term, program()} + args,
            &captured);
        // The terminal turns each "\n" into "\r\n".
        text =
            QString::fromLocal8Bit(captured).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    } else {
        const Result r = run(args);
        exit = r.exit;
        text = QString::fromLocal8Bit(r.err);
    }
    QCOMPARE(exit, 1);
    // The noise may clip in the resampler, and a warning line then says so;
    // it is none of this test's business.
    text.remove(QRegularExpression(QStringLiteral("(\r\033\\[K)?long/l1.wav: warning: [^\n]*\n")));

    const QString result =
        QStringLiteral("[1/2] long/l1.wav -> %1/l1.wav (5760044 bytes)\n").arg(out);
    const QString failure = QStringLiteral("in/bad.wav: ");
    const QString count = QStringLiteral("2 inputs: 1 converted, 1 failed\n");
    if (quiet) {
        QVERIFY2(text.startsWith(failure) && text.count(QLatin1Char('\n')) == 1, qPrintable(text));
        QVERIFY(!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\033')));
    } else if (terminal && term != QLatin1String("dumb")) {
        // The line is redrawn with its percentage and ends with its result.
        QVERIFY2(text.contains(QRegularExpression("\r\033\\[K\\[1/2\\] long/l1.wav  [0-9]+%")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("\r\033[K") + result));
        QVERIFY(text.contains(QStringLiteral("\r\033[K") + failure));
        QVERIFY(text.endsWith(count));
    } else {
        QVERIFY(!text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('\033')));
        QVERIFY2(text.startsWith(result), qPrintable(text));
        QVERIFY2(text.count(QLatin1Char('\n')) == 3 && text.endsWith(count), qPrintable(text));
    }
}

void TstCli::manPage()
{
    const QString page = QStringLiteral(SABLETIDE_CLI_MAN_PAGE);
    QByteArray err;
    QCOMPARE(testutil::run(QStringLiteral("groff"), {"-man", "-ww", "-z", page}, nullptr, &err), 0);
    QCOMPARE(err, QByteArray());

    // Every option that --help lists is described in the man page and in the
    // README's table, with the same default; neither names an option that
    // --help does not.
    const Result help = run({"--help"});
    QCOMPARE(help.exit, 0);
    const QString helpText = QString::fromLocal8Bit(help.out);
    const QString source = QString::fromUtf8(testutil::readAll(page));
    const QRegularExpression optionName(QStringLiteral("--([a-z][a-z-]+)"));
    const auto namesIn = [&optionName](const QString &text) {
        QSet<QString> names;
        for (auto it = optionName.globalMatch(text); it.hasNext();)
            names.insert(it.next().captured(1));
        return names;
    };
    // The man page as it reads: escapes and macro names gone, on one line.
    QString man;
    for (QString line : source.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String(".\\\"")))
            continue;
        if (line.startsWith(QLatin1Char('.')))
            line = line.section(QLatin1Char(' '), 1).remove(QLatin1Char('"'));
        man += line.remove(QRegularExpression(QStringLiteral("\\\\f[BIRP]")))
                   .replace(QStringLiteral("\\-"), QStringLiteral("-")) +
               QLatin1Char(' ');
    }
    man = man.simplified();
    const QString readme = QString::fromUtf8(testutil::readAll(QStringLiteral(SABLETIDE_README)));
    const int tableAt = readme.indexOf(QStringLiteral("| Option | Meaning |"));
    QVERIFY(tableAt > 0);
    const QStringList table =
        readme.mid(tableAt, readme.indexOf(QStringLiteral("\n\n"), tableAt) - tableAt)
            .split(QLatin1Char('\n'));

    // An option's entries in --help: its names, then its words, to the next.
    QMap<QString, QString> described;
    QString current;
    for (const QString &line : helpText.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch head =
            QRegularExpression(QStringLiteral("^  (?:-[a-zA-Z0-9], )?--([a-z-]+)")).match(line);
        if (head.hasMatch())
            current = head.captured(1);
        if (!current.isEmpty())
            described[current] += QLatin1Char(' ') + line.simplified();
    }
    QVERIFY(described.size() >= 30);
    const QRegularExpression defaultWords(QStringLiteral("[Dd]efault:? [^).]+"));
    for (auto it = described.constBegin(); it != described.constEnd(); ++it) {
        const QString &name = it.key();
        QString escaped = QStringLiteral("\\-\\-") + name;
        escaped.replace(QRegularExpression(QStringLiteral("(?<=[a-z])-")), QStringLiteral("\\-"));
        QVERIFY2(source.contains(escaped), qPrintable("man page: --" + name));
        QString row;
        for (const QString &line : table) {
            if (line.section(QLatin1Char('|'), 1, 1)
                    .contains(QRegularExpression(
                        QStringLiteral("[`/]--%1[ `]").arg(QRegularExpression::escape(name)))))
                row = line;
        }
        QVERIFY2(!row.isEmpty(), qPrintable("README table: --" + name));
        const QRegularExpressionMatch given = defaultWords.match(it.value().simplified());
        if (!given.hasMatch())
            continue;
        const QString words = given.captured(0).simplified();
        QVERIFY2(man.contains(words, Qt::CaseInsensitive),
                 qPrintable(QStringLiteral("man page, --%1: %2").arg(name, words)));
        QVERIFY2(row.contains(words, Qt::CaseInsensitive),
                 qPrintable(QStringLiteral("README table, --%1: %2").arg(name, words)));
    }
    QSet<QString> documented;
    for (const QString &line : table)
        documented += namesIn(line.section(QLatin1Char('|'), 1, 1));
    const QStringList manHeads = source.split(QStringLiteral(".TP\n"));
    for (int i = 1; i < manHeads.size(); ++i)
        documented += namesIn(manHeads.at(i).section(QLatin1Char('\n'), 0, 0).replace("\\-", "-"));
    documented -= QSet<QString>{QStringLiteral("worker")};
    for (const QString &name : qAsConst(documented))
        QVERIFY2(described.contains(name), qPrintable("not in --help: --" + name));

    // The extensions it names are those the program counts as audio.
    const int from = source.indexOf(QStringLiteral("tests/cli checks it.\n"));
    QVERIFY(from > 0);
    QString list = source.mid(from).section(QLatin1Char('\n'), 1);
    list = list.left(list.indexOf(QStringLiteral(".\n")));
    list.replace(QStringLiteral("\\-"), QStringLiteral("-"))
        .replace(QStringLiteral(" and "), QStringLiteral(", "));
    QStringList named = list.simplified().split(QStringLiteral(", "));
    named.sort();
    QStringList counted = inputs::audioExtensions();
    counted.sort();
    QCOMPARE(named, counted);
}

void TstCli::existing_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("errHas");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("overwrite") << "overwrite" << 0 << "2 inputs: 2 converted" << true;
    QTest::newRow("skip") << "skip" << 0 << "2 inputs: 1 converted, 1 skipped" << false;
    QTest::newRow("fail") << "fail" << 1 << "2 inputs: 1 converted, 1 failed" << false;
    QTest::newRow("anything else") << "keep" << 2 << "--existing \"keep\"" << false;
}

void TstCli::existing()
{
    QFETCH(QString, mode);
    QFETCH(int, exit);
    QFETCH(QString, errHas);
    QFETCH(bool, replaced);

    const QString out = freshDir();
    QVERIFY(QFile::copy(path("more/b.wav"), path(out + "/a.wav")));
    const QByteArray earlier = testutil::readAll(path(out + "/a.wav"));
    const Result r = run({"-r", "8000", "-c", "1", "-b", "16", "-o", out, "--existing", mode,
                          "in/a.wav", "in/b.flac"});
    QCOMPARE(r.exit, exit);
    QVERIFY2(QString::fromLocal8Bit(r.err).contains(errHas), r.err.constData());
    QCOMPARE(testutil::readAll(path(out + "/a.wav")) != earlier, replaced);
    QCOMPARE(QFileInfo::exists(path(out + "/b.wav")), exit != 2);
}

// --json rows, read by Python's own parser: the dry run's bytes are the bytes
// the run then writes.
void TstCli::shortInputWarned_data()
{
    QTest::addColumn<QString>("jobs");
    QTest::newRow("in this process") << "1";
    QTest::newRow("in workers") << "2";
}

// A WAV cut short after it was written: its header promises 2 s, 0.5 s is
// there. Padded to its slot, the output would pass for the whole sound.
void TstCli::shortInputWarned()
{
    QFETCH(QString, jobs);
    const QString out = freshDir();
    const QString cut = out + "/cut.wav";
    QVERIFY(testutil::makeAudio(path(cut), 8000, 1, 16, 2.0));
    QVERIFY(QFile::resize(path(cut), 44 + 8000));
    const Result r = run({"--json", "--pad", "-j", jobs, "-r", "8000", "-c", "1", "-b", "16", "-s",
                          "40044", "--suffix", "_slot", "-o", out, cut, "also/l1.wav"});
    QCOMPARE(r.exit, 0);
    const QStringList rows = linesOf(r.out);
    QCOMPARE(rows.size(), 2);
    const QJsonObject shortRow = QJsonDocument::fromJson(rows.at(0).toUtf8()).object();
    QCOMPARE(shortRow.value("warning").toString(),
             QStringLiteral("the input ends after 0.50 s of the 2.00 s its header gives; "
                            "silence fills the rest"));
    QCOMPARE(QJsonDocument::fromJson(rows.at(1).toUtf8()).object().value("warning").toString(),
             QString());
    QVERIFY2(r.err.contains(QFile::encodeName(cut) + ": warning: the input ends after 0.50 s"),
             r.err.constData());
    QCOMPARE(QFileInfo(path(out + "/cut_slot.wav")).size(), 40044);
}

void TstCli::trees_data()
{
    QTest::addColumn<QStringList>("args"); // "LIST" is the NUL-separated list's path
    QTest::addColumn<QByteArray>("list");  // of --files-from, relative to the root

    QTest::newRow("-R") << QStringList{"-R", "tree"} << QByteArray();
    QByteArray list;
    for (const char *entry : {"tree/one/kick.wav", "tree/one/two/kick.flac", "tree/one/two/three",
                              "tree/line\nbreak.wav", "tree/cover.txt", "tree/top.aiff"})
        list += QByteArray(entry) + '\0';
    QTest::newRow("--files-from, NUL-separated")
        << QStringList{"--files-from", "LIST", "-0"} << list;
}

// A three-level tree gives the same tree of outputs, names repeated in other
// folders kept, other files and a link back up passed over; the output
// folder is made.
void TstCli::trees()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, list);
    static bool planted = false;
    if (!planted) {
        for (const char *file :
             {"tree/one/kick.wav", "tree/one/two/kick.flac", "tree/one/two/three/kick.ogg",
              "tree/line\nbreak.wav", "tree/top.aiff"}) {
            QVERIFY(QDir(root.path()).mkpath(QFileInfo(path(file)).path()));
            QVERIFY(testutil::makeAudio(path(file), 8000, 1, 16, 0.1));
        }
        QVERIFY(QFile(path("tree/cover.txt")).open(QIODevice::WriteOnly));
        QVERIFY(QFile::link(path("tree"), path("tree/one/up")));
        planted = true;
    }
    const QString out =
        QStringLiteral("made/") + QString::fromLatin1(QTest::currentDataTag()).left(2);
    if (!list.isEmpty()) {
        QFile file(path("list"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(list);
        args.replace(args.indexOf("LIST"), "list");
    }
    const Result r = run(QStringList{"-r", "8000", "-c", "1", "-b", "16", "-o", out} + args);
    QCOMPARE(r.exit, 0);
    QVERIFY2(r.err.contains(": made the output folder"), r.err.constData());
    const QString prefix = list.isEmpty() ? QString() : QStringLiteral("tree/");
    QStringList made;
    QDirIterator it(path(out), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext())
        made << it.next().mid(path(out).size() + 1);
    made.sort();
    QStringList expected{"line\nbreak.wav", "one/kick.wav", "one/two/kick.wav",
                         "one/two/three/kick.wav", "top.wav"};
    for (QString &name : expected)
        name.prepend(prefix);
    expected.sort();
    QCOMPARE(made, expected);
    QCOMPARE(testutil::soxi(path(out + "/" + prefix + "one/two/three/kick.wav"), "-D").toDouble(),
             0.1);

    // The plan names each output at its place in the tree, as written.
    QStringList planned;
    const Result plan =
        run(QStringList{"-n", "--json", "-r", "8000", "-c", "1", "-b", "16", "-o", out} + args);
    QCOMPARE(plan.exit, 0);
    for (const QByteArray &line : plan.out.split('\n')) {
        if (!line.isEmpty())
            planned << QJsonDocument::fromJson(line).object().value("output").toString().mid(
                out.size() + 1);
    }
    planned.sort();
    QCOMPARE(planned, expected);
}

void TstCli::standardOutput_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<bool>("terminal");
    QTest::addColumn<int>("exit");

    QTest::newRow("--stdout") << QStringList{"--stdout", "in/b.flac"} << false << 0;
    QTest::newRow("-o -") << QStringList{"-o", "-", "in/b.flac"} << false << 0;
    QTest::newRow("two inputs") << QStringList{"--stdout", "in/a.wav", "in/b.flac"} << false << 2;
    QTest::newRow("a terminal") << QStringList{"--stdout", "in/b.flac"} << true << 2;
}

// The WAV on standard output is the very file that -o writes.
void TstCli::standardOutput()
{
    QFETCH(QStringList, args);
    QFETCH(bool, terminal);
    QFETCH(int, exit);
    const QStringList format{"-r", "22050", "-c", "1", "-b", "24", "-s", "30000", "--pad"};
    const QString tmp = freshDir();
    if (terminal) {
        QByteArray captured;
        QCOMPARE(testutil::run(
                     QStringLiteral("python3"),
                     QStringList{"-c", QLatin1String(ptyScript), root.path(), "xterm", program()} +
                         format + args,
                     &captured),
                 exit);
        QVERIFY2(captured.contains("standard output is a terminal"), captured.constData());
        return;
    }
    const Result r = run(format + args, path(tmp));
    QCOMPARE(r.exit, exit);
    // Nothing of the work is left in the temporary folder.
    QCOMPARE(QDir(path(tmp)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
             QStringList());
    if (exit != 0) {
        QVERIFY(r.out.isEmpty());
        return;
    }
    const QString out = freshDir();
    QCOMPARE(run(format + QStringList{"-o", out, "in/b.flac"}).exit, 0);
    QCOMPARE(r.out.size(), 30000);
    QCOMPARE(r.out, testutil::readAll(path(out + "/b.wav")));
}

void TstCli::presets_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("output"); // its name, then "rate bits size"
    QTest::addColumn<QString>("facts");

    // 2 s at 8 kHz, 8-bit mono, padded: 16044 bytes.
    QTest::newRow("by the words before its colon")
        << QStringList{"--preset", "VOICE PROMPT"} << 0 << "b_prompt.wav"
        << "8000 8 16044";
    QTest::newRow("options beside it win")
        << QStringList{"--preset", "Voice prompt: 8 kHz 8-bit mono, 2 s",
                       "-r",       "16000",
                       "-s",       "10000",
                       "--suffix", "_v"}
        << 0 << "b_v.wav"
        << "16000 8 10000";
    // The preset's loudness gives way to the user's own choice of gain.
    QTest::newRow("a peak beside it wins")
        << QStringList{"--preset", "voice prompt", "--normalize", "-1"} << 0 << "b_prompt.wav"
        << "8000 8 16044";
    QTest::newRow("no such preset") << QStringList{"--preset", "nope"} << 2 << ""
                                    << "";
}

void TstCli::presets()
{
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, output);
    QFETCH(QString, facts);
    const QString out = freshDir();
    const Result r = run(args + QStringList{"-q", "-o", out, "in/b.flac"});
    QCOMPARE(r.exit, exit);
    QCOMPARE(filesIn(out), output.isEmpty() ? QStringList() : QStringList{output});
    if (exit != 0)
        return;
    const QString file = path(out + "/" + output);
    QCOMPARE(QStringList({testutil::soxi(file, "-r"), testutil::soxi(file, "-b"),
                          QString::number(QFileInfo(file).size())})
                 .join(' '),
             facts);
    const Result list = run({"--list-presets"});
    QCOMPARE(list.exit, 0);
    QVERIFY(linesOf(list.out).contains("Voice prompt: 8 kHz 8-bit mono, 2 s"));
}

// The person's own presets, saved as the window saves them: the form's values
// with the bits and a name, kept by the bridge in the window's settings.
void TstCli::ownPresets_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("facts"); // rate bits size, or what standard error says

    QTest::newRow("a size in KiB") << QStringList{"--preset", "pad a1"} << "b_a1.wav"
                                   << "32000 16 2048";
    QTest::newRow("a duration") << QStringList{"--preset", "Prompt 8"} << "b_p8.wav"
                                << "16000 8 8044";
    QTest::newRow("options beside it win")
        << QStringList{"--preset", "Pad A1", "-r", "8000", "-s", "1000"} << "b_a1.wav"
        << "8000 16 1000";
    QTest::newRow("yours before a built-in's short name")
        << QStringList{"--preset", "speech"} << "b_mine.wav"
        << "11025 16 4044";
    QTest::newRow("a built-in's whole name")
        << QStringList{"--preset", "Speech: 22.05 kHz 16-bit mono, 5 s"} << "b_speech.wav"
        << "22050 16 220544";
    QTest::newRow("a value it cannot read") << QStringList{"--preset", "Broken"} << ""
                                            << "--preset \"Broken\": your preset's rate \"fast\"";
}

void TstCli::ownPresets()
{
    QFETCH(QStringList, args);
    QFETCH(QString, output);
    QFETCH(QString, facts);

    QCoreApplication::setOrganizationName(QLatin1String(presets::settingsOrganization));
    QCoreApplication::setApplicationName(QLatin1String(presets::settingsApplication));
    const auto kept = [](const QString &name, const QVariantMap &fields) {
        Form form;
        // The unit first, so that the size typed after it is in that unit.
        form.setProperty("sizeUnit", fields.value(QStringLiteral("sizeUnit"), 0));
        for (auto it = fields.constBegin(); it != fields.constEnd(); ++it)
            form.setProperty(it.key().toUtf8().constData(), it.value());
        QVariantMap preset = form.values();
        preset.insert(QStringLiteral("bits"), form.bits());
        preset.insert(QStringLiteral("name"), name);
        preset.remove(QStringLiteral("folder"));
        return preset;
    };
    QVariantList own{kept("Pad A1", {{"rateText", "32000"},
                                     {"channelsText", "2"},
                                     {"bits", 16},
                                     {"sizeUnit", 1},
                                     {"sizeText", "2"},
                                     {"suffix", "_a1"}}),
                     kept("Prompt 8", {{"rateText", "16000"},
                                       {"channelsText", "1"},
                                       {"bits", 8},
                                       {"durationMode", true},
                                       {"durationText", "0.5"},
                                       {"suffix", "_p8"}}),
                     kept("Speech", {{"rateText", "11025"},
                                     {"channelsText", "1"},
                                     {"bits", 16},
                                     {"sizeText", "4044"},
                                     {"suffix", "_mine"}}),
                     kept("Broken", {{"sizeText", "100"}})};
    QVariantMap broken = own.takeLast().toMap();
    broken.insert(QStringLiteral("rate"), QStringLiteral("fast"));
    own << broken;
    QCOMPARE(Rules().keepOwnPresets(own), QString());
    QVERIFY(QFileInfo(presets::windowSettingsFile()).absoluteFilePath().startsWith(path("config")));

    const QString out = freshDir();
    const Result r = run(args + QStringList{"-q", "-o", out, "in/b.flac"});
    QCOMPARE(filesIn(out), output.isEmpty() ? QStringList() : QStringList{output});
    if (output.isEmpty()) {
        QCOMPARE(r.exit, 2);
        QVERIFY2(QString::fromLocal8Bit(r.err).contains(facts), r.err.constData());
        return;
    }
    QCOMPARE(r.exit, 0);
    const QString file = path(out + "/" + output);
    QCOMPARE(QStringList({testutil::soxi(file, "-r"), testutil::soxi(file, "-b"),
                          QString::number(QFileInfo(file).size())})
                 .join(' '),
             facts);

    const QStringList list = linesOf(run({"--list-presets"}).out);
    QVERIFY(list.contains("Voice prompt: 8 kHz 8-bit mono, 2 s"));
    QVERIFY(list.contains("Pad A1"));
    QVERIFY(list.contains(
        "Speech (used instead of the built-in \"Speech: 22.05 kHz 16-bit mono, 5 s\")"));
}

void TstCli::habits_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exit");
    QTest::addColumn<QString>("said"); // on standard error, or the output's rate

    QTest::newRow("-r 44.1k") << QStringList{"-r", "44.1k", "-c", "1", "-b", "16"} << 0 << "44100";
    QTest::newRow("-r 48k") << QStringList{"-r", "48k", "-c", "1", "-b", "16"} << 0 << "48000";
    QTest::newRow("-b 12, once") << QStringList{"-r", "8000", "-c", "1", "-b", "12"} << 2
                                 << "-b/--bits \"12\": must be 8, 16, 24 or 32";
    QTest::newRow("-r without its value") << QStringList{"-r", "-c", "1", "-b", "16"} << 2
                                          << "-r/--rate needs a value, not the option \"-c\"";
}

void TstCli::habits()
{
    QFETCH(QStringList, args);
    QFETCH(int, exit);
    QFETCH(QString, said);
    const QString out = freshDir();
    const Result r = run(args + QStringList{"-o", out, "in/a.wav", "in/b.flac"});
    QCOMPARE(r.exit, exit);
    if (exit == 0) {
        QCOMPARE(testutil::soxi(path(out + "/a.wav"), "-r"), said);
        QCOMPARE(testutil::soxi(path(out + "/b.wav"), "-r"), said);
    } else {
        QCOMPARE(linesOf(r.err).size(), 2); // the error and the pointer to --help
        QVERIFY2(r.err.contains(said.toLocal8Bit()), r.err.constData());
        QCOMPARE(filesIn(out), QStringList());
    }
}

void TstCli::jsonRows()
{
    const QString out = freshDir();
    const QStringList args{"--json", "-r",       "22050",     "-c",          "1",
                           "-b",     "16",       "-s",        "50000",       "-o",
                           out,      "in/a.wav", "in/c.aiff", "in/gone.wav", "more/b.wav"};
    const Result plan = run(QStringList{"-n"} + args);
    QCOMPARE(plan.exit, 1);
    const Result done = run(QStringList{"-j", "2"} + args);
    QCOMPARE(done.exit, 1);

    static const char script[] =
        "import json, sys\n"
        "for line in sys.stdin:\n"
        "    r = json.loads(line)\n"
        "    f = r['input_facts']\n"
        "    print(r['index'], r['input'], r['output'].split('/')[-1], r['status'], r['bytes'],\n"
        "          r['short_by'], f.get('format', '-'), f.get('channels', '-'), "
        "bool(r['reason']))\n";
    QStringList rows[2];
    int i = 0;
    for (const Result *r : {&plan, &done}) {
        QProcess python;
        python.start(QStringLiteral("python3"), {QStringLiteral("-c"), QLatin1String(script)});
        python.write(r->out);
        python.closeWriteChannel();
        QVERIFY(python.waitForFinished(30000));
        QCOMPARE(python.exitCode(), 0);
        rows[i++] =
            QString::fromUtf8(python.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    }
    // 1 s of c.aiff at 22050 Hz mono 16-bit: 44100 sample bytes, 5856 short.
    QCOMPARE(rows[0], QStringList({"0 in/a.wav a.wav convert 50000 0 wav 2 False",
                                   "1 in/c.aiff c.wav convert 44144 5856 aiff 1 False",
                                   "2 in/gone.wav gone.wav refused 0 0 - - True",
                                   "3 more/b.wav b.wav convert 30914 19086 wav 1 False"}));
    QCOMPARE(rows[1], QStringList({"0 in/a.wav a.wav converted 50000 0 wav 2 False",
                                   "1 in/c.aiff c.wav converted 44144 5856 aiff 1 False",
                                   "2 in/gone.wav gone.wav refused 0 0 - - True",
                                   "3 more/b.wav b.wav converted 30914 19086 wav 1 False"}));
    QCOMPARE(QFileInfo(path(out + "/c.wav")).size(), 44144);
    QCOMPARE(QFileInfo(path(out + "/b.wav")).size(), 30914);
}

void TstCli::collisionsThroughTheCommand()
{
    for (const QString &jobs : {QStringLiteral("1"), QStringLiteral("2")}) {
        const QString out = freshDir();
        const Result r =
            run({"-j", jobs, "--command",
                 "$DoConvert,8000,1,16,0," + out + "/,,in/b.flac,more/b.wav,in/a.wav"});
        QCOMPARE(r.exit, 1);
        QVERIFY2(r.err.contains("more/b.wav: in/b.flac already writes " + out.toUtf8() + "/b.wav"),
                 r.err.constData());
        QCOMPARE(filesIn(out), QStringList({"a.wav", "b.wav"}));
        QCOMPARE(testutil::soxi(path(out + "/b.wav"), QStringLiteral("-s")),
                 QStringLiteral("8000")); // in/b.flac is 1 s long, more/b.wav 0.7 s
    }
}

// Ogg files named .oga (which libsox knows by content, not by name) are found
// in a folder; a name that merely ends like audio is not.
void TstCli::contentRecognisedInFolders()
{
    const QString in = freshDir();
    QVERIFY(QFile::copy(path("in/d.ogg"), path(in + "/x.oga")));
    QVERIFY(QFile::copy(path("in/a.wav"), path(in + "/y.wave")));
    QVERIFY(QFile::copy(path("in/bad.wav"), path(in + "/z.oga")));
    const Result r = run({"-n", "-r", "8000", "-c", "1", "-b", "16", "-o", in, in});
    QCOMPARE(r.exit, 0);
    QCOMPARE(QString::fromLocal8Bit(r.out).split('\n', Qt::SkipEmptyParts),
             QStringList({in + "/x.oga -> " + in + "/x.wav (16044 bytes, whole length)",
                          in + "/y.wave -> " + in + "/y.wav (24044 bytes, whole length)"}));
}

// --start, --fade-out and --pad reach the engine: the plan says where the
// slot lies, and the file holds it.
void TstCli::slotOptions()
{
    const QString out = freshDir();
    // in/b.flac: 1 s at 48000 Hz; from 0.25 s at 22050 Hz, 16537 frames remain.
    const QStringList args{"-r",    "22050", "-c",      "1",        "-b",         "16",
                           "-s",    "40044", "--start", "0.25",     "--fade-out", "20",
                           "--pad", "-o",    out,       "in/b.flac"};
    const Result plan = run(QStringList{"-n"} + args);
    QCOMPARE(plan.exit, 0);
    QCOMPARE(QString::fromLocal8Bit(plan.out).trimmed(),
             "in/b.flac -> " + out +
                 "/b.wav (40044 bytes, from 0.250 s, pads 6926 bytes of silence)");
    const Result json = run(QStringList{"-n", "--json"} + args);
    for (const char *field : {"\"start_frame\":5513", "\"pad_bytes\":6926", "\"fade_frames\":0",
                              "\"cut_frame\":0", "\"bytes\":40044"})
        QVERIFY2(json.out.contains(field), json.out.constData());
    QCOMPARE(run(args).exit, 0);
    const QByteArray bytes = testutil::readAll(path(out + "/b.wav"));
    QCOMPARE(bytes.size(), 40044);
    QVERIFY(bytes.endsWith(QByteArray(6926, '\0')));
    QVERIFY(bytes.at(40044 - 6927) != '\0' || bytes.at(40044 - 6928) != '\0');
}

// "-" reads the standard input, as the sox command does, once.
void TstCli::soundOptions_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("soxOptions"); // before the input
    QTest::addColumn<QStringList>("soxEffects"); // before "rate"
    QTest::addColumn<QString>("rateOption");
    QTest::addColumn<QString>("jsonHas");

    QTest::newRow("quality") << QStringList{"--quality", "quick"} << QStringList{"-D"}
                             << QStringList() << "-q"
                             << "\"quality\":\"quick\"";
    QTest::newRow("dither") << QStringList{"--dither"} << QStringList{"-R"} << QStringList()
                            << QString() << "\"dither\":true";
    QTest::newRow("gain") << QStringList{"--gain", "-3.5dB"} << QStringList{"-D"}
                          << QStringList{"gain", "-3.5"} << QString() << "\"gain_db\":-3.5";
}

// Each sound option reaches the file through the workers, as the sox command
// that the man page names makes it.
void TstCli::soundOptions()
{
    QFETCH(QStringList, options);
    QFETCH(QStringList, soxOptions);
    QFETCH(QStringList, soxEffects);
    QFETCH(QString, rateOption);
    QFETCH(QString, jsonHas);

    const QString out = freshDir();
    const Result r = run(QStringList{"--json", "-j", "2", "-r", "22050", "-c", "1", "-b", "16",
                                     "-o", out, "in/a.wav", "in/d.ogg"} +
                         options);
    QCOMPARE(r.exit, 0);
    QCOMPARE(r.out.count(jsonHas.toUtf8()), 2);
    for (const char *name : {"a", "d"}) {
        const QString ref = path(out + "/" + name + ".ref.wav");
        const QStringList args =
            soxOptions +
            QStringList{path(QStringLiteral("in/%1.%2").arg(name, name[0] == 'a' ? "wav" : "ogg")),
                        "-b",
                        "16",
                        "-t",
                        "wavpcm",
                        ref} +
            soxEffects + QStringList{"rate"} +
            (rateOption.isEmpty() ? QStringList() : QStringList{rateOption}) +
            QStringList{"22050", "channels", "1"};
        QCOMPARE(testutil::run(QStringLiteral("sox"), args), 0);
        QByteArray expected, got;
        QString format;
        QVERIFY(testutil::pythonWave(ref, &format, &expected));
        QVERIFY(testutil::pythonWave(path(out + "/" + name + ".wav"), &format, &got));
        QVERIFY(expected.size() > 10000);
        QVERIFY2(got == expected, name);
    }
}

void TstCli::measuredGains_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<double>("peakDbfs"); // NaN: only no clipping
    QTest::addColumn<QString>("errHas");
    QTest::addColumn<bool>("shared"); // one gain for both
    QTest::newRow("normalize") << QStringList{"--normalize", "-1.5"} << -1.5 << "to -1.50 dBFS"
                               << false;
    QTest::newRow("guard") << QStringList{"--gain", "10", "--guard"} << qQNaN()
                           << "so that nothing clips" << false;
    QTest::newRow("loudness") << QStringList{"--loudness", "-20"} << qQNaN() << "to -20.00 LUFS"
                              << false;
    QTest::newRow("normalize together") << QStringList{"--normalize", "-1.5", "--together"}
                                        << qQNaN() << "the one gain of all the inputs" << true;
    QTest::newRow("loudness together") << QStringList{"--loudness", "-20", "--together"} << qQNaN()
                                       << "the one gain of all the inputs" << true;
}

// The gain each file got, as --json reports it, is the sox command's gain
// for the same bytes, also from the workers.
void TstCli::measuredGains()
{
    QFETCH(QStringList, options);
    QFETCH(double, peakDbfs);
    QFETCH(QString, errHas);
    QFETCH(bool, shared);
    const QString out = freshDir();
    const Result r = run(QStringList{"--json", "-j", "2", "-r", "22050", "-c", "1", "-b", "16",
                                     "-o", out, "in/a.wav", "in/d.ogg"} +
                         options);
    QCOMPARE(r.exit, 0);
    QCOMPARE(QString::fromLocal8Bit(r.err).count(errHas), 2);
    const QList<QByteArray> rows = r.out.trimmed().split('\n');
    QCOMPARE(rows.size(), 2);
    QList<double> gains;
    for (const QByteArray &row : rows) {
        const QJsonObject o = QJsonDocument::fromJson(row).object();
        gains << o.value("gain_db").toDouble();
        QCOMPARE(o.value("measured").toObject().value("shared").toBool(), shared);
        QCOMPARE(o.value("clipped").toDouble(), 0.0);
        const double gain = o.value("gain_db").toDouble();
        QVERIFY(gain != 0 && gain < 10);
        const QString output = path(o.value("output").toString());
        const QString ref = output + ".ref.wav";
        // A normalizing gain comes after the mix (these inputs need no
        // lowering before it).
        const QStringList gainEffect{"gain", QString::number(gain, 'g', 17)};
        const QStringList rest{"rate", "22050", "channels", "1"};
        const bool last = options.contains("--normalize") || options.contains("--loudness");
        QCOMPARE(testutil::run(QStringLiteral("sox"),
                               QStringList{"-D", path(o.value("input").toString()), "-b", "16",
                                           "-t", "wavpcm", ref} +
                                   (last ? rest + gainEffect : gainEffect + rest)),
                 0);
        QByteArray expected, got;
        QString format;
        QVERIFY(testutil::pythonWave(ref, &format, &expected));
        QVERIFY(testutil::pythonWave(output, &format, &got));
        QVERIFY2(got == expected, qPrintable(output));
        if (qIsNaN(peakDbfs))
            continue;
        QByteArray stat;
        QCOMPARE(testutil::run(QStringLiteral("sox"), {output, "-n", "stat"}, nullptr, &stat), 0);
        double peak = 0;
        for (const QByteArray &line : stat.split('\n')) {
            if (line.contains("imum amplitude:"))
                peak = qMax(peak, std::fabs(line.mid(line.indexOf(':') + 1).trimmed().toDouble()));
        }
        QVERIFY2(std::fabs(20 * std::log10(peak) - peakDbfs) <= 0.05, qPrintable(output));
    }
    QCOMPARE(gains.first() == gains.last(), shared);
}

// The level is measured in a first reading, and a pipe gives its sound once.
void TstCli::measuringRefusesStandardInput()
{
    const QString out = freshDir();
    QProcess p;
    p.setWorkingDirectory(root.path());
    p.setStandardInputFile(path("in/b.flac"));
    p.start(program(), {"-r", "8000", "-c", "1", "-b", "16", "-o", out, "--guard", "-"});
    QVERIFY(p.waitForFinished(60000));
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains("-: the level can only be measured in a file"), err.constData());
    QCOMPARE(filesIn(out), QStringList());
}

void TstCli::standardInput()
{
    const QString out = freshDir();
    QProcess p;
    p.setWorkingDirectory(root.path());
    p.setStandardInputFile(path("in/b.flac"));
    p.start(program(), {"-r", "8000", "-c", "1", "-b", "16", "-o", out, "--suffix", "_x", "-",
                        "in/b.flac", "-"});
    QVERIFY(p.waitForFinished(60000));
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(p.exitCode(), 1);
    QVERIFY2(err.contains("-: the standard input can be read only once"), err.constData());
    QCOMPARE(filesIn(out), QStringList({"b_x.wav", "stdin_x.wav"}));
    QVERIFY(testutil::readAll(path(out + "/stdin_x.wav")) ==
            testutil::readAll(path(out + "/b_x.wav")));
}

// A name whose bytes the locale cannot decode is refused, and a file whose
// name is what Qt decodes it to is left alone unless it is named itself.
void TstCli::argumentTheLocaleCannotCarry_data()
{
    // p: a plain name, v: caf\uFFFD, b: caf\xE9, e: a frog beyond the BMP
    QTest::addColumn<QString>("inputs");
    QTest::addColumn<QStringList>("outputs");
    QTest::addColumn<QString>("count");

    const QString valid = QStringLiteral("caf\uFFFD.wav");
    QTest::newRow("alone") << "b" << QStringList() << "1 input: 0 converted, 1 failed";
    QTest::newRow("plain, valid, bad")
        << "pvb" << QStringList{"c.wav", valid} << "3 inputs: 2 converted, 1 failed";
    QTest::newRow("bad, valid") << "bv" << QStringList{valid} << "2 inputs: 1 converted, 1 failed";
    QTest::newRow("valid, bad, plain")
        << "vbp" << QStringList{"c.wav", valid} << "3 inputs: 2 converted, 1 failed";
    QTest::newRow("beyond the BMP, bad") << "eb" << QStringList{QStringLiteral("\U0001F438.wav")}
                                         << "2 inputs: 1 converted, 1 failed";
}

void TstCli::argumentTheLocaleCannotCarry()
{
    QFETCH(QString, inputs);
    QFETCH(QStringList, outputs);
    QFETCH(QString, count);

    const QString dir = freshDir();
    const QString out = freshDir();
    QVERIFY(QFile::copy(path("in/b.flac"), path(dir + QStringLiteral("/caf\uFFFD.flac"))));
    QVERIFY(QFile::copy(path("in/b.flac"), path(dir + QStringLiteral("/\U0001F438.flac"))));
    static const char script[] =
        "import os, shutil, subprocess, sys\n"
        "root, program, dir, out, inputs = sys.argv[1:6]\n"
        "os.chdir(root)\n"
        "shutil.copy('in/a.wav', dir.encode() + b'/caf\\xe9.flac')\n"
        "named = {'p': b'in/c.aiff', 'v': dir.encode() + '/caf\\ufffd.flac'.encode(),\n"
        "         'b': dir.encode() + b'/caf\\xe9.flac',\n"
        "         'e': dir.encode() + '/\\U0001F438.flac'.encode()}\n"
        "r = subprocess.run([program.encode(), b'-j', b'1', b'-r', b'8000', b'-c', b'1',\n"
        "                    b'-b', b'16', b'-o', out.encode()] + [named[i] for i in inputs],\n"
        "                   env=dict(os.environ, LC_ALL='C.UTF-8'), capture_output=True)\n"
        "sys.stdout.buffer.write(r.stderr)\n"
        "sys.exit(r.returncode)\n";
    QByteArray err;
    QCOMPARE(testutil::run(QStringLiteral("python3"),
                           {QStringLiteral("-c"), QLatin1String(script), root.path(), program(),
                            dir, out, inputs},
                           &err),
             1);
    QVERIFY2(err.contains(dir.toUtf8() + "/caf\\xE9.flac: file name is not valid in this locale"),
             err.constData());
    QVERIFY2(err.contains(count.toUtf8()), err.constData());
    QCOMPARE(filesIn(out), outputs);
}

// A name cannot drive the terminal that shows it: its control characters
// are written out, and its backslashes doubled so that it names one file.
void TstCli::namesWithControls_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("shown");
    QTest::newRow("escape sequence") << "a\x1b[2Jb"
                                     << "a\\x1B[2Jb";
    QTest::newRow("newline, tab, return") << "a\nb\tc\rd"
                                          << "a\\nb\\tc\\rd";
    QTest::newRow("bell, delete") << "a\x07"
                                     "b\x7f"
                                  << "a\\x07b\\x7F";
    QTest::newRow("C1 CSI") << QStringLiteral("a\u009B2Jb") << "a\\xC2\\x9B2Jb";
    QTest::newRow("backslash") << "a\\xE9b"
                               << "a\\\\xE9b";
}

void TstCli::namesWithControls()
{
    QFETCH(QString, name);
    QFETCH(QString, shown);

    const QString in = freshDir();
    const QString out = freshDir();
    QVERIFY(QFile::copy(path("in/b.flac"), path(in + "/" + name + ".flac")));
    const QStringList args{
        "-r", "8000", "-c", "1", "-b", "16", "-o", out, in + "/" + name + ".flac"};
    const Result plan = run(QStringList{"-n"} + args);
    // The diagnostic lines and a usage error name it too.
    const Result done = run(QStringList{"--json", "-v"} + args);
    const Result usage =
        run({"-r", "8000", "-c", "1", "-b", "16", "-o", "in/a.wav/" + name, "in/a.wav"});
    QCOMPARE(plan.exit, 0);
    QCOMPARE(done.exit, 0);
    QCOMPARE(usage.exit, 2);

    const QByteArray line = (in + "/" + shown + ".flac -> " + out + "/" + shown + ".wav").toUtf8();
    QVERIFY2(plan.out.startsWith(line + " (") && plan.out.count('\n') == 1, plan.out.constData());
    QVERIFY2(done.err.contains("\n[1/1] " + line + " ("), done.err.constData());
    for (const QByteArray &text : {plan.out, done.err, done.out, usage.err}) {
        for (const char byte : text)
            QVERIFY2(byte == '\n' || (uchar(byte) >= 0x20 && byte != 0x7F), text.constData());
        for (uchar c1 = 0x80; c1 <= 0x9F; ++c1)
            QVERIFY2(!text.contains(QByteArray("\xC2") + char(c1)), text.constData());
    }
    // A script reads the name itself, once escaped by JSON and no more, in
    // a run's rows and in a dry run's.
    const Result planned = run(QStringList{"-n", "--json"} + args);
    QCOMPARE(planned.exit, 0);
    for (const QByteArray &json : {done.out, planned.out}) {
        QCOMPARE(json.count('\n'), 1);
        const QJsonObject row = QJsonDocument::fromJson(json).object();
        QCOMPARE(row.value("input").toString(), in + "/" + name + ".flac");
        QCOMPARE(row.value("output").toString(), out + "/" + name + ".wav");
        QVERIFY(!row.contains("input_hex") && !row.contains("output_hex"));
    }
}

// A JSON row holds the bytes of a name that its text cannot give back, so
// that it cannot be taken for a file whose name reads the same.
void TstCli::jsonNameBytes()
{
    const QString in = freshDir();
    QVERIFY(QFile::copy(path("in/b.flac"), path(in + "/caf\\xE9.flac")));
    static const char script[] =
        "import json, os, shutil, subprocess, sys\n"
        "program, dir = sys.argv[1:3]\n"
        "shutil.copy(dir + '/caf\\\\xE9.flac', dir.encode() + b'/caf\\xe9.flac')\n"
        "r = subprocess.run([program, '-n', '--json', '-r', '8000', '-c', '1', '-b', '16',\n"
        "                    '-o', dir, dir], env=dict(os.environ, LC_ALL='C.UTF-8'),\n"
        "                   capture_output=True)\n"
        "for line in r.stdout.splitlines():\n"
        "    row = json.loads(line)\n"
        "    name = bytes.fromhex(row['input_hex']) if 'input_hex' in row else None\n"
        "    print(row['input'], row['status'], name == (dir.encode() + b'/caf\\xe9.flac'),\n"
        "          'output_hex' in row)\n";
    QByteArray printed;
    QCOMPARE(testutil::run(QStringLiteral("python3"),
                           {QStringLiteral("-c"), QLatin1String(script), program(), path(in)},
                           &printed),
             0);
    QCOMPARE(QString::fromUtf8(printed).split('\n', Qt::SkipEmptyParts),
             QStringList({path(in) + "/caf\\xE9.flac convert False False",
                          path(in) + "/caf\\xE9.flac refused True False"}));
}

// Out of descriptors, the workers that could not start leave their inputs to
// those that did, or to the tool's own process.
void TstCli::tooFewDescriptors_data()
{
    QTest::addColumn<int>("descriptors");
    QTest::addColumn<QString>("jobs");
    QTest::newRow("no worker starts") << 12 << "256";
    // Around here a start used to run short halfway and hang the run.
    QTest::newRow("descriptors for a worker or so") << 16 << "4";
    QTest::newRow("fewer workers than asked") << 24 << "4";
}

void TstCli::tooFewDescriptors()
{
    QFETCH(int, descriptors);
    QFETCH(QString, jobs);
    // UBSan's own check of an object's type opens a pipe, and fails without one.
    if (descriptors < 16 && qEnvironmentVariableIsSet("UBSAN_OPTIONS"))
        QSKIP("the sanitizers need descriptors of their own below 16");

    const QString out = freshDir();
    QStringList args{"-c",
                     "import os, resource, sys\n"
                     "n = int(sys.argv[1])\n"
                     "resource.setrlimit(resource.RLIMIT_NOFILE, (n, n))\n"
                     "os.execv(sys.argv[2], sys.argv[2:])\n",
                     QString::number(descriptors),
                     program(),
                     "-j",
                     jobs,
                     "-r",
                     "8000",
                     "-c",
                     "1",
                     "-b",
                     "16",
                     "-o",
                     path(out)};
    for (const char *input : {"in/a.wav", "in/b.flac", "in/c.aiff", "in/d.ogg", "more/Room B.WAV"})
        args << path(QLatin1String(input));
    QByteArray err;
    const int exit = testutil::run(QStringLiteral("python3"), args, nullptr, &err);
    QVERIFY2(exit == 0, err.constData());
    QVERIFY2(err.endsWith("5 inputs: 5 converted\n"), err.constData());
    QCOMPARE(filesIn(out).size(), 5);
}

// A report that cannot be written fails the run and stops it: a full disk, a
// closed standard output, a reader that has gone away.
void TstCli::reportsThatCannotBeWritten_data()
{
    QTest::addColumn<QString>("where"); // standard output: full, closed or unread
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("message"); // empty: none
    QTest::addColumn<int>("outputs");

    const QString full = QStringLiteral("No space left on device");
    QTest::newRow("json, full") << "full" << QStringList{"--json"} << full << 1;
    QTest::newRow("json, closed") << "closed" << QStringList{"--json"} << "Bad file descriptor"
                                  << 1;
    QTest::newRow("json, unread") << "unread" << QStringList{"--json"} << "" << 1;
    QTest::newRow("dry run, full") << "full" << QStringList{"-n"} << full << 0;
    QTest::newRow("dry run json, unread") << "unread" << QStringList{"-n", "--json"} << "" << 0;
    // Nothing is written there: a closed standard output is no failure.
    QTest::newRow("plain run, closed") << "closed" << QStringList() << "" << 3;
}

void TstCli::reportsThatCannotBeWritten()
{
    QFETCH(QString, where);
    QFETCH(QStringList, options);
    QFETCH(QString, message);
    QFETCH(int, outputs);

    const QString out = freshDir();
    static const char script[] =
        "import os, subprocess, sys\n"
        "mode, args = sys.argv[1], sys.argv[2:]\n"
        "where, close = None, None\n"
        "if mode == 'full':\n"
        "    where = open('/dev/full', 'wb')\n"
        "elif mode == 'unread':\n"
        "    r, where = os.pipe()\n"
        "    os.close(r)\n"
        "else:\n"
        "    close = lambda: os.close(1)\n"
        "p = subprocess.run(args, stdout=where, stderr=subprocess.PIPE, preexec_fn=close)\n"
        "sys.stdout.buffer.write(p.stderr)\n"
        "sys.exit(p.returncode if p.returncode >= 0 else 128 - p.returncode)\n";
    QByteArray err;
    const int exit = testutil::run(
        QStringLiteral("python3"),
        QStringList{"-c", QLatin1String(script), where, program(), "-j", "1", "-r", "8000", "-c",
                    "1", "-b", "16", "-o", path(out)} +
            options + QStringList{path("in/a.wav"), path("in/b.flac"), path("in/c.aiff")},
        &err);
    QVERIFY2(exit == (message.isEmpty() && outputs == 3 ? 0 : 1), err.constData());
    const QByteArray said = "sabletide-cli: cannot write to standard output: " + message.toUtf8();
    if (message.isEmpty())
        QVERIFY2(!err.contains("standard output"), err.constData());
    else
        QVERIFY2(err.endsWith(said + '\n'), err.constData());
    // The first input's row is the first that fails to be written.
    QCOMPARE(filesIn(out).size(), outputs);
}

// The tool carries the engine only: Qt Core and libsox, nothing of the window.
void TstCli::linksNoWindowLibraries()
{
    QByteArray out;
    QCOMPARE(testutil::run(QStringLiteral("ldd"), {program()}, &out), 0);
    QVERIFY(out.contains("libQt5Core"));
    QVERIFY(out.contains("libsox"));
    for (const char *library : {"libQt5Gui", "libQt5Qml", "libQt5Quick", "libQt5Widgets"})
        QVERIFY2(!out.contains(library), library);
    // Nor the engine's parts that only the window uses (sabletide_window_engine),
    // among the conversion's own.
    QByteArray symbols;
    QCOMPARE(testutil::run(QStringLiteral("nm"), {QStringLiteral("-C"), program()}, &symbols), 0);
    QVERIFY(symbols.contains("soxchain::run"));
    for (const char *room : {"overview::", "preview::", "slotFrames"})
        QVERIFY2(!symbols.contains(room), room);
}

void TstCli::diagnosticsByCategory_data()
{
    QTest::addColumn<bool>("verbose");
    QTest::addColumn<QString>("rules"); // QT_LOGGING_RULES
    QTest::addColumn<bool>("contract"); // the default category's lines
    QTest::addColumn<bool>("own");      // the program's own, with their category

    QTest::newRow("quiet") << false << "" << false << false;
    QTest::newRow("-v") << true << "" << true << true;
    QTest::newRow("one category asked") << false << "sabletide.batch.debug=true" << false << true;
    QTest::newRow("-v without the program's own")
        << true << "sabletide.*.debug=false" << true << false;
}

// A --command's "str" line comes before -v is read, and still shows.
// A worker given its rows ahead puts each output at its path while the next
// row converts, yet tells a row's end only once its output stands there,
// and tells no line of the next row before that end.
void TstCli::workerTellsARowOnceItStands()
{
    const QString in = path(freshDir());
    const QString out = path(freshDir());
    // Long enough that syncing its output takes a while; each its own length,
    // so that the progress lines tell whose they are.
    const QList<std::pair<QString, double>> inputs = {{QStringLiteral("long.wav"), 20},
                                                      {QStringLiteral("short.wav"), 0.5},
                                                      {QStringLiteral("missing.wav"), 0},
                                                      {QStringLiteral("middle.wav"), 3}};
    QByteArray rows;
    for (const auto &[name, seconds] : inputs) {
        if (seconds > 0)
            QVERIFY(testutil::makeAudio(in + QLatin1Char('/') + name, 44100, 2, 16, seconds));
        ConvertParams params;
        params.sampleRate = 48000;
        params.channels = 2;
        params.bitsPerSample = 24;
        params.inputPath = in + QLatin1Char('/') + name;
        params.outputPath = out + QLatin1Char('/') + name;
        rows += worker::rowLine(params);
    }
    QProcess p;
    p.start(program(), {QLatin1String(worker::argument)});
    QVERIFY(p.waitForStarted(10000));
    p.write(rows);
    p.closeWriteChannel();

    QStringList ended;
    QList<quint64> totals; // of the row that converts now
    QElapsedTimer clock;
    clock.start();
    while (p.state() == QProcess::Running || p.canReadLine()) {
        QVERIFY2(clock.elapsed() < 120000, "the worker does not end");
        if (!p.canReadLine()) {
            p.waitForReadyRead(1000);
            continue;
        }
        const worker::Answer answer = worker::readAnswerLine(p.readLine());
        QVERIFY(answer.kind != worker::Answer::Kind::Unreadable);
        if (answer.kind == worker::Answer::Kind::Progress && !totals.contains(answer.total))
            totals << answer.total;
        if (answer.kind != worker::Answer::Kind::End)
            continue;
        QVERIFY2(ended.size() < inputs.size(), "more ends than rows");
        const QString name = inputs.at(ended.size()).first;
        QVERIFY2(totals.size() <= 1, qPrintable(name));
        totals.clear();
        ended << (answer.outcome.isConverted() ? name : QStringLiteral("failed"));
        QCOMPARE(QFileInfo::exists(out + QLatin1Char('/') + name), answer.outcome.isConverted());
    }
    QCOMPARE(p.exitStatus(), QProcess::NormalExit);
    QCOMPARE(p.exitCode(), 0);
    QCOMPARE(ended, QStringList({QStringLiteral("long.wav"), QStringLiteral("short.wav"),
                                 QStringLiteral("failed"), QStringLiteral("middle.wav")}));
    QCOMPARE(filesIn(QDir(root.path()).relativeFilePath(out)),
             QStringList({QStringLiteral("long.wav"), QStringLiteral("middle.wav"),
                          QStringLiteral("short.wav")}));
}

void TstCli::verboseCommand()
{
    const QString out = freshDir();
    const Result r = run(
        {"--command", QStringLiteral("$DoConvert,8000,1,16,1000,%1/,,in/a.wav").arg(out), "-v"});
    QCOMPARE(r.exit, 0);
    QVERIFY2(r.err.startsWith("str \"1000\" 1000\ninput 0\n"), r.err.constData());
    QVERIFY2(!run({"--command", QStringLiteral("$DoConvert,8000,1,16,1000,%1/,,in/a.wav").arg(out)})
                  .err.contains("str "),
             "quiet");
}

// -v and QT_LOGGING_RULES switch the diagnostic lines by category.
void TstCli::diagnosticsByCategory()
{
    QFETCH(bool, verbose);
    QFETCH(QString, rules);
    QFETCH(bool, contract);
    QFETCH(bool, own);
    QProcess p;
    p.setWorkingDirectory(root.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_LOGGING_RULES"), rules);
    p.setProcessEnvironment(env);
    QStringList args{"-r", "8000", "-c", "1",        "-b",       "16",
                     "-s", "1000", "-o", freshDir(), "in/a.wav", "in/missing.wav"};
    if (verbose)
        args.prepend(QStringLiteral("-v"));
    p.start(program(), args);
    QVERIFY(p.waitForFinished(60000));
    const QByteArray err = p.readAllStandardError();
    QCOMPARE(p.exitCode(), 1);
    QCOMPARE(err.contains("\nsizeData 956 1000\n"), contract);
    QCOMPARE(err.contains("\nrate 0\n"), contract);
    QCOMPARE(err.contains("sabletide.batch: failed in/missing.wav - file not found"), own);
}

QTEST_GUILESS_MAIN(TstCli)
#include "tst_cli.moc"
