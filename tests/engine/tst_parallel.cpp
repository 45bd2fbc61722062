// Spare processors change when a conversion's samples are made, never which:
// libsox's parallel channels, our own channel threads and the read-ahead
// decoder give the bytes, the failures and the debug lines of one thread, and
// leave no thread behind.
#include "convert/readahead.h"
#include "convert/resampling.h"
#include "convert/soxinput.h"
#include "convert/spare.h"

#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <vector>

class TestParallel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void waitsPassively_data();
    void waitsPassively();
    void useProcessors_data();
    void useProcessors();
    void sameBytes_data();
    void sameBytes();
    void measuredAlike_data();
    void measuredAlike();
    void sameSamples_data();
    void sameSamples();
    void damagedInputFailsAlike();
    void cancelJoinsDecoder();

private:
    QString fixture(const QString &ext, int channels, double seconds);

    QTemporaryDir dir;
    int outputs = 0;
};

namespace {

int threadCount()
{
    return QDir(QStringLiteral("/proc/self/task"))
        .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
        .size();
}

struct Run
{
    int result = 0;
    QString reason;
    QByteArray bytes;
    QStringList lines;
    QSet<bool> threadsDuringFlow; // libsox's use_threads, as the flow saw it
    int mostThreads = 0;          // this process's threads, as the flow saw them
    quint64 clipped = 0;
    int mostThreadsFirstHalf = 0; // a measured level's pass, where there is one
};

// The ways of spreading a conversion over threads.
constexpr int LibsoxChannels = 1, ReadAheadDecoder = 2, OwnChannels = 4;

Run convert(const QString &in, const QString &out, int rate, int channels, int bits,
            quint32 fileSize, bool parallelChannels, bool readAhead, bool splitChannels = false,
            const SoundOptions &sound = {})
{
    ConvertParams p;
    p.inputPath = in;
    p.outputPath = out;
    p.sampleRate = quint32(rate);
    p.channels = quint8(channels);
    p.bitsPerSample = quint8(bits);
    p.fileSize = fileSize;
    p.mayReplace = true;
    p.sound = sound;
    Run run;
    ConvertHooks hooks;
    hooks.parallelChannels = parallelChannels;
    hooks.readAhead = readAhead;
    hooks.splitChannels = splitChannels;
    hooks.progress = [&run](quint64 done, quint64 total) {
        run.threadsDuringFlow << (sox_get_globals()->use_threads == sox_true);
        run.mostThreads = qMax(run.mostThreads, threadCount());
        if (2 * done < total)
            run.mostThreadsFirstHalf = qMax(run.mostThreadsFirstHalf, threadCount());
    };
    hooks.clipped = [&run](quint64 samples) { run.clipped = samples; };
    {
        testutil::DebugCapture capture;
        Resampling r;
        run.result = r.resample(p, &run.reason, hooks);
        run.lines = capture.lines();
    }
    run.bytes = testutil::readAll(out);
    return run;
}

} // namespace

QString TestParallel::fixture(const QString &ext, int channels, double seconds)
{
    const QString path =
        dir.filePath(QStringLiteral("in-%1-%2.%3").arg(channels).arg(seconds).arg(ext));
    // Noise: every channel different, so that a channel in the wrong place shows.
    if (!QFile::exists(path) && !testutil::makeAudio(path, 44100, channels, 16, seconds, true))
        return QString();
    return path;
}

void TestParallel::initTestCase()
{
    QVERIFY(dir.isValid());
    QVERIFY(sox::ensureStarted());
    // main() restarted the test as the programs restart themselves.
    QVERIFY(spare::threadsWaitPassively());
}

void TestParallel::waitsPassively_data()
{
    QTest::addColumn<QByteArray>("policy");
    QTest::addColumn<QByteArray>("spinCount");
    QTest::addColumn<bool>("passive");
    QTest::newRow("unset") << QByteArray() << QByteArray() << false;
    QTest::newRow("PASSIVE") << QByteArray("PASSIVE") << QByteArray() << true;
    QTest::newRow("passive, spaced") << QByteArray(" passive ") << QByteArray() << true;
    QTest::newRow("active") << QByteArray("active") << QByteArray() << false;
    QTest::newRow("passive, but a spin count")
        << QByteArray("passive") << QByteArray("1000") << false;
    QTest::newRow("spin count 0") << QByteArray() << QByteArray("0") << true;
}

void TestParallel::waitsPassively()
{
    QFETCH(QByteArray, policy);
    QFETCH(QByteArray, spinCount);
    QFETCH(bool, passive);
    QCOMPARE(spare::waitsPassively(policy, spinCount), passive);
}

void TestParallel::useProcessors_data()
{
    QTest::addColumn<int>("processors");
    QTest::addColumn<bool>("readAhead");
    QTest::addColumn<bool>("parallelChannels");
    QTest::addColumn<bool>("splitChannels");
    QTest::newRow("none") << 0 << false << false << false;
    QTest::newRow("one: the decoder and our channels") << 1 << true << false << true;
    QTest::newRow("two: and libsox's channels") << 2 << true << true << true;
    QTest::newRow("seven") << 7 << true << true << true;
}

void TestParallel::useProcessors()
{
    QFETCH(int, processors);
    QFETCH(bool, readAhead);
    QFETCH(bool, parallelChannels);
    QFETCH(bool, splitChannels);
    ConvertHooks hooks;
    spare::useProcessors(processors, &hooks);
    QCOMPARE(hooks.readAhead, readAhead);
    QCOMPARE(hooks.parallelChannels, parallelChannels);
    QCOMPARE(hooks.splitChannels, splitChannels);
}

void TestParallel::sameBytes_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("inChannels");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("fileSize");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<bool>("spreads"); // false: too short for threads to pay
    QTest::addColumn<bool>("splits");  // our channel threads: channels, a rate and blocks to split

    for (const int ch : {1, 2, 6}) {
        for (const int bits : {8, 16, 24, 32}) {
            for (const int rate : {44100, 48000}) {
                QTest::addRow("%d ch, %d bits, %s", ch, bits,
                              rate == 44100 ? "same rate" : "rate change")
                    << "flac" << ch << rate << ch << bits << 0u << 3.5 << true
                    << (ch >= 2 && rate != 44100);
            }
        }
    }
    QTest::newRow("wav, downmix and rate")
        << "wav" << 2 << 48000 << 1 << 24 << 0u << 3.5 << true << true;
    QTest::newRow("ogg, upmix and rate")
        << "ogg" << 2 << 22050 << 6 << 16 << 0u << 3.5 << true << true;
    QTest::newRow("mp3, rate") << "mp3" << 2 << 48000 << 2 << 16 << 0u << 3.5 << true << true;
    QTest::newRow("flac, stopped early for a size")
        << "flac" << 6 << 48000 << 2 << 24 << 100044u << 3.5 << true << true;
    // Full-scale squares: the resampler's overshoot clips, in every block;
    // more blocks than the channel threads hold in flight.
    QTest::newRow("clipped on the way")
        << "square" << 2 << 48000 << 1 << 16 << 0u << 8.0 << true << true;
    QTest::newRow("too few blocks for the channels' threads")
        << "wav" << 2 << 48000 << 1 << 16 << 0u << 2.0 << true << false;
    QTest::newRow("a clip of a few buffers")
        << "wav" << 2 << 48000 << 1 << 16 << 0u << 0.3 << false << false;
}

void TestParallel::sameBytes()
{
    QFETCH(QString, ext);
    QFETCH(int, inChannels);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(quint32, fileSize);
    QFETCH(double, seconds);
    QFETCH(bool, spreads);
    QFETCH(bool, splits);

    // Seconds: more blocks than the read-ahead holds, so that it wraps, and
    // enough of the channel threads' blocks to overlap.
    QString in;
    if (ext == QLatin1String("square")) {
        in = dir.filePath(QStringLiteral("square.flac"));
        const QStringList synth = {
            QStringLiteral("-n"),    QStringLiteral("-r"),        QStringLiteral("44100"),
            QStringLiteral("-c"),    QString::number(inChannels), in,
            QStringLiteral("synth"), QString::number(seconds),    QStringLiteral("square"),
            QStringLiteral("1000"),  QStringLiteral("square"),    QStringLiteral("1500"),
            QStringLiteral("gain"),  QStringLiteral("-n")};
        QCOMPARE(testutil::run(QStringLiteral("sox"), synth), 0);
    } else {
        in = fixture(ext, inChannels, seconds);
    }
    QVERIFY(!in.isEmpty());
    const auto out = [this] { return dir.filePath(QStringLiteral("out-%1.wav").arg(++outputs)); };
    const Run alone = convert(in, out(), rate, channels, bits, fileSize, false, false);
    QCOMPARE(alone.result, 1);
    QVERIFY(alone.bytes.size() > 44);
    QCOMPARE(alone.threadsDuringFlow, QSet<bool>{false});
    QCOMPARE(alone.clipped > 0, ext == QLatin1String("square"));
    for (const int ways :
         {ReadAheadDecoder, LibsoxChannels, LibsoxChannels | ReadAheadDecoder, OwnChannels,
          OwnChannels | ReadAheadDecoder, OwnChannels | LibsoxChannels | ReadAheadDecoder}) {
        const bool parallel = ways & LibsoxChannels;
        const bool ahead = ways & ReadAheadDecoder;
        const bool split = ways & OwnChannels;
        const int before = threadCount();
        const Run spread =
            convert(in, out(), rate, channels, bits, fileSize, parallel, ahead, split);
        QCOMPARE(spread.result, 1);
        QVERIFY2(spread.bytes == alone.bytes, qPrintable(QStringLiteral("ways %1").arg(ways)));
        QCOMPARE(spread.lines, alone.lines);
        QCOMPARE(spread.clipped, alone.clipped);
        QCOMPARE(spread.threadsDuringFlow, QSet<bool>{parallel && spreads && !(split && splits)});
        if (split && splits)
            QVERIFY(spread.mostThreads >= before + inChannels);
        if (ways == OwnChannels && !splits)
            QCOMPARE(spread.mostThreads, before);
        // libgomp keeps its threads for the next parallel flow; the decoder
        // and our channel threads are always joined.
        if (!parallel)
            QCOMPARE(threadCount(), before);
    }
}

void TestParallel::measuredAlike_data()
{
    QTest::addColumn<bool>("loudness"); // else a peak
    QTest::newRow("peak") << false;
    QTest::newRow("loudness") << true;
}

// A level is measured in a pass of its own, spread as the conversion is: the
// same level, so the same gain and bytes.
void TestParallel::measuredAlike()
{
    QFETCH(bool, loudness);
    SoundOptions sound;
    sound.normalize = !loudness;
    sound.normalizeDbfs = -3;
    sound.loudness = loudness;
    sound.loudnessLufs = -20;
    const QString in = fixture(QStringLiteral("flac"), 2, 5.0);
    QVERIFY(!in.isEmpty());
    const auto out = [this] { return dir.filePath(QStringLiteral("out-%1.wav").arg(++outputs)); };
    const Run alone = convert(in, out(), 48000, 1, 16, 0, false, false, false, sound);
    QCOMPARE(alone.result, 1);
    const int before = threadCount();
    const Run spread = convert(in, out(), 48000, 1, 16, 0, false, true, true, sound);
    QCOMPARE(spread.result, 1);
    QVERIFY(spread.bytes == alone.bytes);
    QCOMPARE(spread.lines, alone.lines);
    // The decoder and a thread per channel, in the measuring pass too.
    QCOMPARE(spread.mostThreadsFirstHalf, before + 1 + 2);
    QCOMPARE(threadCount(), before);
}

void TestParallel::sameSamples_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("chunk"); // samples asked for at a time
    QTest::addColumn<bool>("cut");  // the file cut in half

    QTest::newRow("wav, libsox's buffer") << "wav" << 2 << 8192 << false;
    QTest::newRow("flac, small reads") << "flac" << 2 << 1000 << false;
    QTest::newRow("flac, 6 channels, odd reads") << "flac" << 6 << 6 * 7 << false;
    QTest::newRow("ogg, large reads") << "ogg" << 1 << 100000 << false;
    QTest::newRow("flac cut in half") << "flac" << 2 << 8192 << true;
}

void TestParallel::sameSamples()
{
    QFETCH(QString, ext);
    QFETCH(int, channels);
    QFETCH(int, chunk);
    QFETCH(bool, cut);

    QString in = fixture(ext, channels, 2.0);
    QVERIFY(!in.isEmpty());
    if (cut) {
        const QByteArray whole = testutil::readAll(in);
        in = dir.filePath(QStringLiteral("cut.") + ext);
        QFile f(in);
        QVERIFY(f.open(QIODevice::WriteOnly));
        QCOMPARE(f.write(whole.left(whole.size() / 2)), qint64(whole.size() / 2));
    }
    struct Read
    {
        std::vector<sox_sample_t> samples;
        int error = 0;
    };
    const auto readAll = [&](bool ahead, Read *read) {
        Outcome why;
        sox::Format input = soxinput::open(in, &why);
        QVERIFY2(input, qPrintable(why.text()));
        const auto ownReader = input->handler.read;
        const int before = threadCount();
        ReadAhead readAhead(input.get());
        if (ahead) {
            QVERIFY(readAhead.start());
            QVERIFY(input->handler.read != ownReader);
        }
        std::vector<sox_sample_t> buffer(static_cast<size_t>(chunk));
        for (;;) {
            const size_t n = sox_read(input.get(), buffer.data(), buffer.size());
            if (n == 0)
                break;
            read->samples.insert(read->samples.end(), buffer.begin(), buffer.begin() + long(n));
        }
        // The end stays the end.
        QCOMPARE(sox_read(input.get(), buffer.data(), buffer.size()), size_t(0));
        readAhead.stop();
        QVERIFY(input->handler.read == ownReader);
        QCOMPARE(threadCount(), before);
        read->error = input->sox_errno;
    };
    Read alone, ahead;
    readAll(false, &alone);
    if (QTest::currentTestFailed())
        return;
    readAll(true, &ahead);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(alone.samples.size() > 4 * 8192);
    QVERIFY(alone.samples == ahead.samples);
    QCOMPARE(ahead.error, alone.error);
    QCOMPARE(alone.error != 0, cut);
}

void TestParallel::damagedInputFailsAlike()
{
    const QByteArray whole = testutil::readAll(fixture(QStringLiteral("flac"), 2, 2.0));
    const QString in = dir.filePath(QStringLiteral("damaged.flac"));
    QFile f(in);
    QVERIFY(f.open(QIODevice::WriteOnly));
    QCOMPARE(f.write(whole.left(whole.size() / 2)), qint64(whole.size() / 2));
    f.close();
    const QString out = dir.filePath(QStringLiteral("damaged.wav"));
    const Run alone = convert(in, out, 48000, 1, 24, 0, false, false);
    QCOMPARE(alone.result, -1);
    QVERIFY2(alone.reason.startsWith(QStringLiteral("the input is damaged or cut short: ")),
             qPrintable(alone.reason));
    const int before = threadCount();
    const Run ahead = convert(in, out, 48000, 1, 24, 0, false, true);
    QCOMPARE(ahead.result, -1);
    QCOMPARE(ahead.reason, alone.reason);
    QCOMPARE(ahead.lines, alone.lines);
    QVERIFY(!QFile::exists(out));
    QCOMPARE(threadCount(), before);
}

void TestParallel::cancelJoinsDecoder()
{
    // Far longer than the read-ahead holds: the decoder and the channels'
    // threads are still at work when the cancel comes.
    const QString in = fixture(QStringLiteral("flac"), 2, 10.0);
    ConvertParams p;
    p.inputPath = in;
    p.outputPath = dir.filePath(QStringLiteral("cancelled.wav"));
    p.sampleRate = 48000;
    p.channels = 1;
    p.bitsPerSample = 24;
    std::atomic_bool cancel{false};
    int calls = 0;
    ConvertHooks hooks;
    hooks.cancel = &cancel;
    hooks.readAhead = true;
    hooks.splitChannels = true;
    int during = 0;
    hooks.progress = [&](quint64, quint64) {
        during = qMax(during, threadCount());
        if (++calls == 2)
            cancel = true;
    };
    const int before = threadCount();
    QString reason;
    QCOMPARE(Resampling().resample(p, &reason, hooks), -1);
    QCOMPARE(reason, QStringLiteral("cancelled"));
    QCOMPARE(calls, 2);
    QCOMPARE(during, before + 1 + 2); // the decoder and a thread per channel
    QCOMPARE(threadCount(), before);
    QVERIFY(!QFile::exists(p.outputPath));
}

int main(int argc, char *argv[])
{
    // As a program on a machine that could use libsox's channel threads, so
    // that the threads are used here on any machine.
    spare::restartWithPassiveThreads(argv, 1 + spare::channelThreadsFrom);
    QCoreApplication app(argc, argv);
    TestParallel test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_parallel.moc"
