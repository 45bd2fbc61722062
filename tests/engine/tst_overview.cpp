// Seeing and hearing a slot before converting: the overview's peaks of known
// signals in the right buckets, its frames against the conversion's own
// samples, its cache, and the preview's bytes against the output's.
#include "convert/batch.h"
#include "convert/overview.h"
#include "convert/preview.h"
#include "convert/resampling.h"
#include "convert/scratch.h"
#include "convert/units.h"

#include "testutil.h"

#include <QDir>
#include <QTemporaryDir>
#include <QtTest>

#include <cstring>
#include <unistd.h>

namespace {

// Buckets [first, last] must lie within [low, high] and reach both ends.
struct Span
{
    int first;
    int last;
    double low;
    double high;
};

// Little-endian 32-bit samples of a plain 44-byte-header WAV file.
QVector<qint32> samples32(const QString &path)
{
    const QByteArray bytes = testutil::readAll(path).mid(44);
    QVector<qint32> out(bytes.size() / 4);
    std::memcpy(out.data(), bytes.constData(), size_t(out.size()) * 4);
    return out;
}

} // namespace

Q_DECLARE_METATYPE(QVector<Span>)

class TestOverview : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void knownSignals_data();
    void knownSignals();
    void overstatedLength();
    void agreesWithConversion_data();
    void agreesWithConversion();
    void gathersStreams_data();
    void gathersStreams();
    void cancelled();
    void cacheFollowsTheFile();
    void previewHoldsTheOutputBytes_data();
    void previewHoldsTheOutputBytes();
    void startTextLandsOnItsFrame_data();
    void startTextLandsOnItsFrame();
    void playing_data();
    void playing();

private:
    QString sox(const QString &name, int channels, const QStringList &effects);
    QStringList leftovers() const;

    QTemporaryDir root;
    QString tmp;   // the private TMPDIR: scratch and preview files land here
    QString sweep; // 1 s of a 44.1 kHz stereo sweep
};

void TestOverview::initTestCase()
{
    QVERIFY(root.isValid());
    tmp = root.filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tmp));
    qputenv("TMPDIR", QFile::encodeName(tmp));
    sweep = root.filePath(QStringLiteral("sweep.flac"));
    QVERIFY(testutil::makeAudio(sweep, 44100, 2, 16, 1.0));
}

// An 8000 Hz 16-bit fixture of sox's making, without dither.
QString TestOverview::sox(const QString &name, int channels, const QStringList &effects)
{
    const QString path = root.filePath(name);
    // The format before -n makes the synthesis itself 8000 Hz: nothing resamples.
    QStringList args{QStringLiteral("-D"), QStringLiteral("-r"),      QStringLiteral("8000"),
                     QStringLiteral("-c"), QString::number(channels), QStringLiteral("-n"),
                     QStringLiteral("-b"), QStringLiteral("16"),      path};
    QByteArray err;
    if (testutil::run(QStringLiteral("sox"), args + effects, nullptr, &err) != 0) {
        qWarning().noquote() << err;
        return QString();
    }
    return path;
}

QStringList TestOverview::leftovers() const
{
    return QDir(tmp).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

void TestOverview::knownSignals_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("channels");
    QTest::addColumn<QString>("effects");
    QTest::addColumn<QVector<Span>>("spans");

    const double half = 16384 / 32768.0;
    QTest::newRow("tone burst: 4096 frames of silence, 2048 of tone, 2048 of silence")
        << "burst.wav" << 1 << "synth 0.256 sine 1000 vol 0.5 pad 0.512 0.256"
        << QVector<Span>{{0, 31, 0, 0}, {32, 47, -half, half}, {48, 63, 0, 0}};
    QTest::newRow("silence") << "silence.wav" << 1 << "trim 0 1.024"
                             << QVector<Span>{{0, 63, 0, 0}};
    QTest::newRow("full-scale square") << "square.wav" << 1 << "synth 1.024 square 100"
                                       << QVector<Span>{{0, 63, -32767 / 32768.0, 32767 / 32768.0}};
    QTest::newRow("tone in the right channel only")
        << "right.wav" << 2 << "synth 1.024 sine 1000 vol 0.5 remix 0 1"
        << QVector<Span>{{0, 63, -half, half}};
}

// 8192 frames into 64 buckets of 128 frames, at the input's own format.
void TestOverview::knownSignals()
{
    QFETCH(QString, name);
    QFETCH(int, channels);
    QFETCH(QString, effects);
    QFETCH(QVector<Span>, spans);

    const QString path = sox(name, channels, effects.split(QLatin1Char(' ')));
    QVERIFY(!path.isEmpty());
    Overview o;
    QString why;
    QVERIFY2(overview::compute(path, 8000, quint32(channels), 64, {}, &o, &why), qPrintable(why));
    QCOMPARE(o.frames, quint64(8192));
    QCOMPARE(o.framesPerBucket, quint64(128));
    QCOMPARE(o.buckets(), 64);
    for (const Span &s : spans) {
        for (int b = s.first; b <= s.last; ++b) {
            const QByteArray where = QByteArray::number(b);
            QVERIFY2(qAbs(o.minimum.at(b) - s.low) < 1e-3, where.constData());
            QVERIFY2(qAbs(o.maximum.at(b) - s.high) < 1e-3, where.constData());
        }
    }
}

// A WAV file written as a stream claims the largest length its header can
// hold; the overview still spreads the sound over its buckets.
void TestOverview::overstatedLength()
{
    const QString path = sox(QStringLiteral("stream.wav"), 1,
                             QStringLiteral("synth 1.024 sine 1000").split(QLatin1Char(' ')));
    QVERIFY(!path.isEmpty());
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.seek(40));
    QCOMPARE(file.write(testutil::le32(0xFFFFFFFFu)), qint64(4));
    file.close();

    Overview o;
    QString why;
    QVERIFY2(overview::compute(path, 8000, 1, 64, {}, &o, &why), qPrintable(why));
    QCOMPARE(o.frames, quint64(8192));
    QCOMPARE(o.buckets(), 64);
}

void TestOverview::agreesWithConversion_data()
{
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<quint8>("channels");
    QTest::newRow("down to 22050 Hz mono") << 22050u << quint8(1);
    QTest::newRow("up to 48000 Hz stereo") << 48000u << quint8(2);
    QTest::newRow("same rate, mixed to mono") << 44100u << quint8(1);
}

// The overview's frames are the output frames: bucket for bucket, its peaks
// are those of the 32-bit conversion at the same rate and channels, and its
// length is the planner's.
void TestOverview::agreesWithConversion()
{
    QFETCH(quint32, rate);
    QFETCH(quint8, channels);

    Overview o;
    QString why;
    QVERIFY2(overview::compute(sweep, rate, channels, 256, {}, &o, &why), qPrintable(why));

    ConvertParams p;
    p.inputPath = sweep;
    p.outputPath = root.filePath(QStringLiteral("agree.wav"));
    p.sampleRate = rate;
    p.channels = channels;
    p.bitsPerSample = 32;
    QVERIFY(Resampling().resample(p, &why) == 1);
    const QVector<qint32> written = samples32(p.outputPath);

    QCOMPARE(o.frames, quint64(written.size() / channels));
    QCOMPARE(o.frames, units::framesAfterRate(44100, 44100, rate));
    QCOMPARE(o.buckets(), int((o.frames + o.framesPerBucket - 1) / o.framesPerBucket));
    for (int b = 0; b < o.buckets(); ++b) {
        qint32 low = std::numeric_limits<qint32>::max();
        qint32 high = std::numeric_limits<qint32>::min();
        const quint64 end = qMin(o.frames, (b + 1) * o.framesPerBucket) * channels;
        for (quint64 i = b * o.framesPerBucket * channels; i < end; ++i) {
            low = qMin(low, written.at(int(i)));
            high = qMax(high, written.at(int(i)));
        }
        QVERIFY(o.minimum.at(b) == float(low / 2147483648.0));
        QVERIFY(o.maximum.at(b) == float(high / 2147483648.0));
    }
}

void TestOverview::gathersStreams_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<quint64>("perBucket");
    QTest::newRow("a frame a bucket") << 8 << quint64(1);
    QTest::newRow("one more: widths double") << 9 << quint64(2);
    QTest::newRow("a hundred") << 100 << quint64(16);
}

// Stereo frames of rising value, in blocks that split frames, into 8 buckets:
// each holds exactly its own frames' extremes, the lowest from its first
// frame's left channel, the highest from its last frame's right.
void TestOverview::gathersStreams()
{
    QFETCH(int, frames);
    QFETCH(quint64, perBucket);

    overview::Gatherer g(8, 2);
    QVector<qint32> stereo;
    for (int f = 0; f < frames; ++f)
        stereo << f * 1000 << f * 1000 + 7;
    for (int at = 0; at < stereo.size(); at += 7)
        g.add(stereo.constData() + at, size_t(qMin(7, stereo.size() - at)));
    const Overview o = g.finish(8000);
    QCOMPARE(o.frames, quint64(frames));
    QCOMPARE(o.framesPerBucket, perBucket);
    QCOMPARE(o.buckets(), int((frames + perBucket - 1) / perBucket));
    for (int b = 0; b < o.buckets(); ++b) {
        const quint64 last = qMin<quint64>(frames - 1, (b + 1) * perBucket - 1);
        QCOMPARE(o.minimum.at(b), float(double(b * perBucket * 1000) / 2147483648.0));
        QCOMPARE(o.maximum.at(b), float(double(last * 1000 + 7) / 2147483648.0));
    }
}

void TestOverview::cancelled()
{
    std::atomic_bool cancel{true};
    overview::Hooks hooks;
    hooks.cancel = &cancel;
    Overview o;
    QString why;
    QVERIFY(!overview::compute(sweep, 22050, 1, 64, hooks, &o, &why));
    QCOMPARE(why, QStringLiteral("cancelled"));
    QCOMPARE(o.frames, quint64(0));
}

// Found again at the same file and format; not once the file changes, at
// another format, or after forget.
void TestOverview::cacheFollowsTheFile()
{
    const QString path = root.filePath(QStringLiteral("cached.wav"));
    QVERIFY(testutil::makeAudio(path, 8000, 1, 16, 0.5));
    overview::Cache cache;
    Overview made;
    QString why;
    const FileStamp stamp = fileStamp(path);
    QVERIFY(overview::compute(path, 8000, 1, 64, {}, &made, &why));
    cache.insert(path, stamp, made);

    Overview found;
    QVERIFY(cache.find(path, 8000, 1, &found));
    QCOMPARE(found.maximum, made.maximum);
    QVERIFY(!cache.find(path, 16000, 1, &found));
    QVERIFY(!cache.find(path, 8000, 2, &found));

    QVERIFY(testutil::makeAudio(path, 8000, 1, 16, 0.25));
    QVERIFY(!cache.find(path, 8000, 1, &found));
    cache.insert(path, fileStamp(path), made);
    QVERIFY(cache.find(path, 8000, 1, &found));
    cache.forget(path);
    QVERIFY(!cache.find(path, 8000, 1, &found));
}

void TestOverview::previewHoldsTheOutputBytes_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<QVariantMap>("options");

    QTest::newRow("cut") << 16 << quint32(44 + 4 * 10000) << QVariantMap();
    QTest::newRow("start, fade and a cut inside a frame")
        << 24 << quint32(44 + 6 * 8000 + 5) << QVariantMap{{"start", "0.25"}, {"fadeOutMs", "30"}};
    QTest::newRow("start, then padding")
        << 8 << quint32(44 + 2 * 20000) << QVariantMap{{"start", "0.5"}, {"pad", true}};
    QTest::newRow("the whole sound") << 16 << 0u << QVariantMap{{"fadeOutMs", "30"}};
}

// The preview's bytes are those that the window's request writes, in a file
// that a sweep knows as this process's and cannot take while it is in use
// (even one that sees this process as gone, from another process id
// namespace), and that is gone with it.
void TestOverview::previewHoldsTheOutputBytes()
{
    QFETCH(int, bits);
    QFETCH(quint32, size);
    QFETCH(QVariantMap, options);

    // A folder of its own per row; a convert command cannot carry a comma.
    static int row = 0;
    const QString folder = root.filePath(QStringLiteral("out%1").arg(++row));
    QVERIFY(QDir().mkpath(folder));
    const QString command =
        testutil::convertCommand(22050, 2, bits, size, folder, QString(), {sweep});
    RequestOptions read;
    QString why;
    QVERIFY(readRequestOptions(options, &read, &why));
    int converted = 0;
    BatchReport report;
    report.converted = [&converted](int, const QString &, const QString &) { ++converted; };
    Resampling resampling;
    QVERIFY(runBatch(command, resampling, report, nullptr, read));
    QCOMPARE(converted, 1);
    const QByteArray output = testutil::readAll(folder + QStringLiteral("/sweep.wav"));
    QVERIFY(output.size() > 44);

    ConvertCommand request;
    QVERIFY2(preview::requestFor(command, options, sweep, &request, &why), qPrintable(why));
    const Plan plan = preview::planOne(request, sweep);
    QCOMPARE(plan.rows.first().bytes, quint64(output.size()));
    QString path;
    {
        preview::SlotFile file;
        QVERIFY2(file.make(plan, plan.rows.first(), nullptr, &why), qPrintable(why));
        path = file.path();
        QVERIFY2(path.startsWith(tmp + QStringLiteral("/sabletide-preview-%1-").arg(::getpid())),
                 qPrintable(path));
        QCOMPARE(scratch::sweep(tmp, scratch::previewFiles, [](pid_t) { return true; }), 0);
        QVERIFY(testutil::readAll(path) == output);
    }
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(leftovers(), QStringList());
}

void TestOverview::startTextLandsOnItsFrame_data()
{
    QTest::addColumn<quint64>("frame");
    QTest::addColumn<quint32>("rate");
    QTest::newRow("0") << quint64(0) << 48000u;
    QTest::newRow("one frame at 768 kHz") << quint64(1) << 768000u;
    QTest::newRow("odd frame at 22050 Hz") << quint64(12345) << 22050u;
    QTest::newRow("last frame of a second") << quint64(44099) << 44100u;
    QTest::newRow("an hour and a bit at 768 kHz") << quint64(2764800001) << 768000u;
    QTest::newRow("1 Hz") << quint64(7) << 1u;
}

// The text the window puts in its start option brings back the frame.
void TestOverview::startTextLandsOnItsFrame()
{
    QFETCH(quint64, frame);
    QFETCH(quint32, rate);
    quint64 ns = 0;
    QString why;
    const QString text = preview::startText(frame, rate);
    QVERIFY2(units::parseDuration(text, &ns, &why), qPrintable(text + QLatin1Char(' ') + why));
    QCOMPARE(units::frameAt(ns, rate), frame);
}

void TestOverview::playing_data()
{
    QTest::addColumn<QByteArray>("type");
    QTest::addColumn<QByteArray>("device");
    QTest::addColumn<int>("stopAt"); // 0 never, 1 before, 2 once playing
    QTest::addColumn<int>("outcome");
    QTest::addColumn<int>("playingCalls");
    QTest::addColumn<QString>("reason");

    const QString none = QStringLiteral("No sound output is available: ");
    // ALSA's "null" device takes sound as fast as it comes and plays none.
    QTest::newRow("to its end") << QByteArray("alsa") << QByteArray("null") << 0
                                << int(preview::Outcome::Played) << 1 << QString();
    QTest::newRow("stopped once playing") << QByteArray("alsa") << QByteArray("null") << 2
                                          << int(preview::Outcome::Stopped) << 1 << "cancelled";
    QTest::newRow("stopped before") << QByteArray("alsa") << QByteArray("null") << 1
                                    << int(preview::Outcome::Stopped) << 0 << "cancelled";
    QTest::newRow("no such device") << QByteArray("alsa") << QByteArray("sabletide-no-such-device")
                                    << 0 << int(preview::Outcome::Failed) << 0 << none + "ALSA: ";
    QTest::newRow("no such output type")
        << QByteArray("sabletide-no-such-type") << QByteArray("default") << 0
        << int(preview::Outcome::Failed) << 0 << none + "sabletide-no-such-type: ";
}

// Plays, stops or says why not, and leaves no file behind.
void TestOverview::playing()
{
    QFETCH(QByteArray, type);
    QFETCH(QByteArray, device);
    QFETCH(int, stopAt);
    QFETCH(int, outcome);
    QFETCH(int, playingCalls);
    QFETCH(QString, reason);

    ConvertCommand request;
    QString why;
    QVERIFY(preview::requestFor(
        testutil::convertCommand(22050, 2, 16, 44 + 4 * 20000, tmp, QString(), {sweep}),
        QVariantMap{{"fadeOutMs", "20"}}, sweep, &request, &why));
    std::atomic_bool stop{stopAt == 1};
    int calls = 0;
    preview::PlayHooks hooks;
    hooks.stop = &stop;
    hooks.playing = [&] {
        ++calls;
        if (stopAt == 2)
            stop = true;
    };
    const preview::Outcome result = preview::play(request, sweep, {{type, device}}, hooks, &why);
    QVERIFY2(why.startsWith(reason), qPrintable(why));
    QCOMPARE(int(result), outcome);
    QCOMPARE(calls, playingCalls);
    QCOMPARE(leftovers(), QStringList());
}

QTEST_GUILESS_MAIN(TestOverview)
#include "tst_overview.moc"
