// One conversion through libsox, checked against the sox command on the same
// chain and read back by soxi and Python's wave module; and every way it can fail.
#include "convert/resampling.h"

#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <unistd.h>

class TestResample : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void matchesSox_data();
    void matchesSox();
    void soundMatchesSox_data();
    void soundMatchesSox();
    void ditherKeepsQuietSound_data();
    void ditherKeepsQuietSound();
    void guardKeepsFromClipping_data();
    void guardKeepsFromClipping();
    void normalizeReachesPeak_data();
    void normalizeReachesPeak();
    void oneHertzAwayKeepsSamples_data();
    void oneHertzAwayKeepsSamples();
    void longOutputCopiedAsItGrows_data();
    void longOutputCopiedAsItGrows();
    void earlyStopMatchesFullConversion_data();
    void earlyStopMatchesFullConversion();
    void failuresHaveReasons_data();
    void failuresHaveReasons();
    void inputNeverOverwritten_data();
    void inputNeverOverwritten();
    void earlierOutputKept_data();
    void earlierOutputKept();
    void cancel_data();
    void cancel();
    void progressReports_data();
    void progressReports();
    void extremeFormats_data();
    void extremeFormats();
    void scratchIsPrivate();
    void unusualInputNames_data();
    void unusualInputNames();
    void formatsConvertTwice_data();
    void formatsConvertTwice();
    void debugLines_data();
    void debugLines();
    void libsoxMessagesReachQtLog();

private:
    QString fixture(const QString &ext, int rate, int channels, int bits, double seconds,
                    bool noise = false);
    int scratchCount() const;
    QString fresh(const QString &name);

    // Made in the system's temporary folder before TMPDIR points into it.
    QTemporaryDir root;
    QString scratchDir; // the private TMPDIR where scratch files go
    QString work;       // fixtures and outputs
    int freshCount = 0;
};

namespace {

quint32 le32At(const QByteArray &b, int at)
{
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}

using testutil::expectedHeader;
using testutil::le16;
using testutil::le32;

int convert(const QString &in, const QString &out, int rate, int channels, int bits,
            quint32 fileSize, QString *reason = nullptr, const ConvertHooks &hooks = {},
            const SoundOptions &sound = {})
{
    ConvertParams p;
    p.inputPath = in;
    p.outputPath = out;
    p.sampleRate = quint32(rate);
    p.channels = quint8(channels);
    p.bitsPerSample = quint8(bits);
    p.fileSize = fileSize;
    p.sound = sound;
    Resampling r;
    return r.resample(p, reason, hooks);
}

// What the sox command makes of `in` on the same chain, as sample bytes read
// by Python's wave module (a plain 44-byte header so that it can).
// `rateOption` is the "rate" effect's quality option, if any; with `dither`
// the sox command dithers as it does by default, repeatably.
QByteArray soxReference(const QString &in, const QString &ref, int rate, int channels, int bits,
                        const QString &rateOption = QString(), bool dither = false,
                        double gainDb = 0)
{
    const QString inRate = testutil::soxi(in, QStringLiteral("-r"));
    const QString inChannels = testutil::soxi(in, QStringLiteral("-c"));
    QStringList args{dither ? QStringLiteral("-R") : QStringLiteral("-D"), in, QStringLiteral("-b"),
                     QString::number(bits)};
    if (bits == 8)
        args << QStringLiteral("-e") << QStringLiteral("unsigned");
    args << QStringLiteral("-t") << QStringLiteral("wavpcm") << ref;
    if (gainDb != 0)
        args << QStringLiteral("gain") << QString::number(gainDb);
    if (std::fabs(inRate.toDouble() - rate) > 1.0) {
        args << QStringLiteral("rate");
        if (!rateOption.isEmpty())
            args << rateOption;
        args << QString::number(rate);
    }
    if (inChannels.toInt() != channels)
        args << QStringLiteral("channels") << QString::number(channels);
    QByteArray err;
    if (testutil::run(QStringLiteral("sox"), args, nullptr, &err) != 0) {
        qWarning() << "sox" << args << err;
        return QByteArray();
    }
    QString format;
    QByteArray frames;
    if (!testutil::pythonWave(ref, &format, &frames))
        return QByteArray();
    return frames;
}

// The highest sample magnitude of a file in dBFS, as the sox command's "stat"
// effect reads it.
double peakDbfs(const QString &path)
{
    QByteArray err;
    if (testutil::run(QStringLiteral("sox"), {path, QStringLiteral("-n"), QStringLiteral("stat")},
                      nullptr, &err) != 0)
        return qQNaN();
    double peak = 0;
    for (const QByteArray &line : err.split('\n')) {
        if (line.startsWith("Maximum amplitude:") || line.startsWith("Minimum amplitude:"))
            peak = qMax(peak, std::fabs(line.mid(line.indexOf(':') + 1).trimmed().toDouble()));
    }
    return 20 * std::log10(peak);
}

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::System |
                               QDir::NoDotAndDotDot);
}

} // namespace

Q_DECLARE_METATYPE(SoundOptions)

QString TestResample::fixture(const QString &ext, int rate, int channels, int bits, double seconds,
                              bool noise)
{
    const QString path = QStringLiteral("%1/fixtures/%2-%3-%4-%5%6.%7")
                             .arg(work)
                             .arg(rate)
                             .arg(channels)
                             .arg(bits)
                             .arg(seconds)
                             .arg(noise ? QStringLiteral("-noise") : QString(), ext);
    if (!QFile::exists(path) && !testutil::makeAudio(path, rate, channels, bits, seconds, noise))
        return QString();
    return path;
}

int TestResample::scratchCount() const
{
    return QDir(scratchDir)
        .entryList({QStringLiteral("rezOrizezovu*")},
                   QDir::AllEntries | QDir::Hidden | QDir::System)
        .size();
}

// An empty folder of its own for one test row.
QString TestResample::fresh(const QString &name)
{
    const QString dir = QStringLiteral("%1/%2-%3").arg(work, name).arg(++freshCount);
    QDir().mkpath(dir);
    return dir;
}

void TestResample::initTestCase()
{
    QVERIFY(root.isValid());
    scratchDir = root.filePath(QStringLiteral("tmp"));
    work = root.filePath(QStringLiteral("work"));
    QVERIFY(QDir().mkpath(scratchDir));
    QVERIFY(QDir().mkpath(work + QStringLiteral("/fixtures")));
    // Every scratch file of this process lands here, where it can be counted.
    qputenv("TMPDIR", QFile::encodeName(scratchDir));
    QCOMPARE(QDir::tempPath(), QDir(scratchDir).canonicalPath());
    QCOMPARE(scratchCount(), 0);
}

void TestResample::cleanup()
{
    // Whatever the row did, success or failure, no scratch file may remain.
    QCOMPARE(scratchCount(), 0);
}

void TestResample::matchesSox_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("inRate");
    QTest::addColumn<int>("inChannels");
    QTest::addColumn<int>("inBits");
    QTest::addColumn<bool>("noise");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("fileSize");
    QTest::addColumn<double>("seconds");

    QTest::newRow("wav 44.1k stereo 16 -> 48k mono 24, whole")
        << "wav" << 44100 << 2 << 16 << false << 48000 << 1 << 24 << 0u << 0.4;
    QTest::newRow("flac 48k mono 24 -> 22.05k stereo 16, 1000 bytes")
        << "flac" << 48000 << 1 << 24 << false << 22050 << 2 << 16 << 1000u << 0.4;
    QTest::newRow("aiff 22.05k stereo 16 -> 96k stereo 32, 45 bytes")
        << "aiff" << 22050 << 2 << 16 << false << 96000 << 2 << 32 << 45u << 0.4;
    QTest::newRow("ogg 44.1k stereo -> same rate and channels, 44 bytes")
        << "ogg" << 44100 << 2 << 16 << false << 44100 << 2 << 16 << 44u << 0.4;
    QTest::newRow("wav 96k 6ch 32 noise -> 44.1k stereo 16, odd 100001 bytes")
        << "wav" << 96000 << 6 << 32 << true << 44100 << 2 << 16 << 100001u << 0.4;
    QTest::newRow("flac 44.1k mono 16 -> 48k 6ch 24, whole")
        << "flac" << 44100 << 1 << 16 << false << 48000 << 6 << 24 << 0u << 0.4;
    QTest::newRow("wav 22.05k mono 8 -> same, whole")
        << "wav" << 22050 << 1 << 8 << false << 22050 << 1 << 8 << 0u << 0.4;
    QTest::newRow("aiff 48k stereo 24 -> 8k mono 8, 777 bytes")
        << "aiff" << 48000 << 2 << 24 << false << 8000 << 1 << 8 << 777u << 0.4;
    QTest::newRow("ogg 48k mono -> 96k stereo 32, more than the input holds")
        << "ogg" << 48000 << 1 << 16 << false << 96000 << 2 << 32 << 50000000u << 0.4;
    QTest::newRow("flac 96k 6ch 24 noise -> 88.2k 6ch 24, 65580 bytes")
        << "flac" << 96000 << 6 << 24 << true << 88200 << 6 << 24 << 65580u << 0.4;
    QTest::newRow("wav 44.1k stereo 16 -> 2 Hz away")
        << "wav" << 44100 << 2 << 16 << false << 44102 << 2 << 16 << 0u << 0.4;
    QTest::newRow("aiff 8k mono 32 -> 192k stereo 16, 2001 bytes")
        << "aiff" << 8000 << 1 << 32 << false << 192000 << 2 << 16 << 2001u << 0.4;
    QTest::newRow("wav 32k stereo 16 -> 22.05k mono 16, cut mid-frame")
        << "wav" << 32000 << 2 << 16 << false << 22050 << 1 << 16 << 1001u << 0.4;
    // 6615 one-byte samples: libsox pads its data chunk, the output does not.
    QTest::newRow("wav 22.05k mono 8 -> same, odd length, whole")
        << "wav" << 22050 << 1 << 8 << false << 22050 << 1 << 8 << 0u << 0.3;
    QTest::newRow("size 43 means no cut")
        << "flac" << 44100 << 2 << 16 << false << 48000 << 2 << 16 << 43u << 0.3;
    QTest::newRow("largest size") << "wav" << 44100 << 1 << 16 << false << 48000 << 1 << 24
                                  << 4294967295u << 0.3;
}

void TestResample::matchesSox()
{
    QFETCH(QString, ext);
    QFETCH(int, inRate);
    QFETCH(int, inChannels);
    QFETCH(int, inBits);
    QFETCH(bool, noise);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(quint32, fileSize);
    QFETCH(double, seconds);

    const QString in = fixture(ext, inRate, inChannels, inBits, seconds, noise);
    QVERIFY(!in.isEmpty());
    const QString dir = fresh(QStringLiteral("match"));
    const QString out = dir + QStringLiteral("/out.wav");

    QString reason;
    QCOMPARE(convert(in, out, rate, channels, bits, fileSize, &reason), 1);
    QVERIFY(reason.isEmpty());

    const QByteArray reference =
        soxReference(in, dir + QStringLiteral("/reference.wav"), rate, channels, bits);
    QVERIFY(reference.size() > 2000);
    const int wanted = fileSize > 44 ? int(qMin<quint64>(fileSize - 44, quint64(reference.size())))
                                     : reference.size();

    const QByteArray file = testutil::readAll(out);
    QCOMPARE(file.size(), 44 + wanted);
    QCOMPARE(file.left(44).toHex(' '),
             expectedHeader(channels, rate, bits, quint32(wanted)).toHex(' '));
    QVERIFY2(file.mid(44) == reference.left(wanted), "samples differ from the sox command's");

    // Read back by readers that are not ours.
    const int frameSize = channels * bits / 8;
    QString format;
    QByteArray frames;
    QVERIFY(testutil::pythonWave(out, &format, &frames));
    QCOMPARE(format, QStringLiteral("%1 %2 %3 %4")
                         .arg(rate)
                         .arg(channels)
                         .arg(bits / 8)
                         .arg(wanted / frameSize));
    QVERIFY(frames == reference.left(wanted / frameSize * frameSize));
    QCOMPARE(testutil::soxi(out, QStringLiteral("-r")), QString::number(rate));
    QCOMPARE(testutil::soxi(out, QStringLiteral("-c")), QString::number(channels));
    QCOMPARE(testutil::soxi(out, QStringLiteral("-b")), QString::number(bits));
    QCOMPARE(testutil::soxi(out, QStringLiteral("-e")), bits == 8
                                                            ? QStringLiteral("Unsigned Integer PCM")
                                                            : QStringLiteral("Signed Integer PCM"));
}

void TestResample::soundMatchesSox_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("inRate");
    QTest::addColumn<int>("inChannels");
    QTest::addColumn<int>("inBits");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("fileSize");
    QTest::addColumn<SoundOptions>("sound");
    QTest::addColumn<QString>("rateOption");

    const std::pair<SoundOptions::Quality, const char *> qualities[] = {
        {SoundOptions::Quality::Quick, "-q"},
        {SoundOptions::Quality::Low, "-l"},
        {SoundOptions::Quality::Medium, "-m"},
        {SoundOptions::Quality::High, "-h"},
        {SoundOptions::Quality::VeryHigh, "-v"}};
    for (const auto &q : qualities) {
        SoundOptions sound;
        sound.quality = q.first;
        QTest::newRow(qPrintable(QStringLiteral("flac 44.1k stereo -> 48k mono 24, rate %1")
                                     .arg(QLatin1String(q.second))))
            << "flac" << 44100 << 2 << 16 << 48000 << 1 << 24 << 0u << sound << q.second;
        QTest::newRow(qPrintable(QStringLiteral("wav 48k mono -> 22.05k stereo 16, 1000 bytes, "
                                                "rate %1")
                                     .arg(QLatin1String(q.second))))
            << "wav" << 48000 << 1 << 16 << 22050 << 2 << 16 << 1000u << sound << q.second;
    }

    // Twice stereo in one process: each file's noise starts afresh, and the
    // channels take it in turn as libsox runs them.
    SoundOptions dither;
    dither.dither = true;
    QTest::newRow("dither: 24 -> 16 bits, same rate, stereo")
        << "wav" << 44100 << 2 << 24 << 44100 << 2 << 16 << 0u << dither << QString();
    QTest::newRow("dither: 24 -> 16 bits, same rate, stereo, again")
        << "wav" << 44100 << 2 << 24 << 44100 << 2 << 16 << 0u << dither << QString();
    QTest::newRow("dither: 16 bits resampled")
        << "flac" << 44100 << 2 << 16 << 48000 << 2 << 16 << 0u << dither << QString();
    QTest::newRow("dither: 16 bits mixed down, same rate")
        << "wav" << 44100 << 2 << 16 << 44100 << 1 << 16 << 0u << dither << QString();
    QTest::newRow("dither: 16 bits as they are")
        << "wav" << 44100 << 2 << 16 << 44100 << 2 << 16 << 0u << dither << QString();
    QTest::newRow("dither: 24 -> 8 bits, 777 bytes")
        << "flac" << 48000 << 1 << 24 << 22050 << 1 << 8 << 777u << dither << QString();
    QTest::newRow("dither: 16 -> 24 bits resampled")
        << "wav" << 44100 << 1 << 16 << 48000 << 1 << 24 << 0u << dither << QString();
    dither.quality = SoundOptions::Quality::Low;
    QTest::newRow("dither: low quality")
        << "wav" << 44100 << 2 << 24 << 32000 << 1 << 16 << 0u << dither << "-l";

    const std::pair<double, bool> gains[] = {{-6, false}, {-20, true}, {12, false}, {3.5, true}};
    for (const auto &g : gains) {
        SoundOptions gain;
        gain.gainDb = g.first;
        gain.dither = g.second;
        const QString name = QStringLiteral("gain %1%2")
                                 .arg(g.first)
                                 .arg(g.second ? QStringLiteral(", dithered") : QString());
        QTest::newRow(qPrintable(name + QStringLiteral(": resampled, mixed down")))
            << "wav" << 44100 << 2 << 16 << 48000 << 1 << 16 << 0u << gain << QString();
        QTest::newRow(qPrintable(name + QStringLiteral(": same format")))
            << "flac" << 44100 << 2 << 16 << 44100 << 2 << 16 << 0u << gain << QString();
        QTest::newRow(qPrintable(name + QStringLiteral(": 24 -> 8 bits")))
            << "wav" << 44100 << 1 << 24 << 22050 << 1 << 8 << 0u << gain << QString();
    }
}

// The sound options against the sox command that their documentation names.
void TestResample::soundMatchesSox()
{
    QFETCH(QString, ext);
    QFETCH(int, inRate);
    QFETCH(int, inChannels);
    QFETCH(int, inBits);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(quint32, fileSize);
    QFETCH(SoundOptions, sound);
    QFETCH(QString, rateOption);

    const QString in = fixture(ext, inRate, inChannels, inBits, 0.4, true);
    QVERIFY(!in.isEmpty());
    const QString dir = fresh(QStringLiteral("sound"));
    const QString out = dir + QStringLiteral("/out.wav");
    QString reason;
    QCOMPARE(convert(in, out, rate, channels, bits, fileSize, &reason, {}, sound), 1);
    QVERIFY(reason.isEmpty());

    const QByteArray reference =
        soxReference(in, dir + QStringLiteral("/reference.wav"), rate, channels, bits, rateOption,
                     sound.dither, sound.gainDb);
    QVERIFY(reference.size() > 2000);
    const int wanted = fileSize > 44 ? int(fileSize - 44) : reference.size();
    QString format;
    QByteArray frames;
    QVERIFY(testutil::pythonWave(out, &format, &frames));
    QCOMPARE(frames.size(), wanted / (channels * bits / 8) * (channels * bits / 8));
    QVERIFY2(frames == reference.left(frames.size()), "samples differ from the sox command's");
}

void TestResample::ditherKeepsQuietSound_data()
{
    QTest::addColumn<bool>("dither");
    QTest::addColumn<bool>("silent");
    QTest::newRow("plain") << false << true;
    QTest::newRow("dithered") << true << false;
}

// A sine at -60 dBFS is a tenth of an 8-bit step: rounded it is silence,
// dithered it lives on in the noise.
void TestResample::ditherKeepsQuietSound()
{
    QFETCH(bool, dither);
    QFETCH(bool, silent);
    const QString dir = fresh(QStringLiteral("quiet"));
    const QString in = dir + QStringLiteral("/sine.wav");
    QCOMPARE(
        testutil::run(QStringLiteral("sox"), {"-R", "-n", "-r", "44100", "-c", "1", "-b", "24", in,
                                              "synth", "0.5", "sine", "1000", "vol", "-60dB"}),
        0);
    SoundOptions sound;
    sound.dither = dither;
    const QString out = dir + QStringLiteral("/out.wav");
    QCOMPARE(convert(in, out, 44100, 1, 8, 0, nullptr, {}, sound), 1);
    QString format;
    QByteArray frames;
    QVERIFY(testutil::pythonWave(out, &format, &frames));
    QCOMPARE(format, QStringLiteral("44100 1 1 22050"));
    QCOMPARE(frames.count(char(0x80)) == frames.size(), silent);
    if (!silent) {
        // The noise carries the sine: the samples lean its way.
        double sum = 0;
        for (int i = 0; i < frames.size(); ++i)
            sum += (quint8(frames[i]) - 128) * std::sin(2 * M_PI * 1000 * i / 44100.0);
        QVERIFY2(sum > 0.02 * frames.size(), qPrintable(QString::number(sum / frames.size())));
    }
}

void TestResample::guardKeepsFromClipping_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("gainDb");
    QTest::addColumn<bool>("dither");
    QTest::addColumn<QStringList>("remix");
    QTest::addColumn<bool>("nearFullScale");

    // A square wave just below full scale overshoots where it is resampled.
    QTest::newRow("resampled, 24 bits") << 48000 << 24 << 0.0 << false << QStringList() << true;
    QTest::newRow("6 dB louder, 16 bits") << 44100 << 16 << 6.0 << false << QStringList() << true;
    QTest::newRow("12 dB louder, resampled, 8 bits dithered")
        << 22050 << 8 << 12.0 << true << QStringList() << true;
    // Channels in opposite phase mix down to nothing, yet clip in the
    // resampler before they are mixed.
    QTest::newRow("opposite channels resampled, mixed down")
        << 48000 << 16 << 0.0 << false << QStringList{"remix", "1", "1v-1"} << false;
}

void TestResample::guardKeepsFromClipping()
{
    QFETCH(int, rate);
    QFETCH(int, bits);
    QFETCH(double, gainDb);
    QFETCH(bool, dither);
    QFETCH(QStringList, remix);
    QFETCH(bool, nearFullScale);
    const QString dir = fresh(QStringLiteral("guard"));
    const QString in = dir + QStringLiteral("/square.wav");
    const QStringList synth{"-R", "-n",    "-r",  "44100",  "-c",  "2",   "-b",  "16",
                            in,   "synth", "0.5", "square", "441", "vol", "0.99"};
    QCOMPARE(testutil::run(QStringLiteral("sox"), synth + remix), 0);
    SoundOptions sound;
    sound.gainDb = gainDb;
    sound.dither = dither;
    for (const bool guard : {false, true}) {
        sound.guard = guard;
        quint64 clipped = 0;
        QList<double> gains;
        ConvertHooks hooks;
        hooks.clipped = [&](quint64 samples) { clipped += samples; };
        hooks.gain = [&](const sound::Level &level) { gains << level.gainDb; };
        const QString out =
            dir + (guard ? QStringLiteral("/guarded.wav") : QStringLiteral("/plain.wav"));
        QString reason;
        QCOMPARE(convert(in, out, rate, 1, bits, 0, &reason, hooks, sound), 1);
        if (!guard) {
            QVERIFY(clipped > 0); // the input would clip
            QVERIFY(gains.isEmpty());
            continue;
        }
        QCOMPARE(clipped, 0u);
        QCOMPARE(gains.size(), 1);
        QVERIFY(gains.first() < gainDb);
        if (!nearFullScale)
            continue;
        // Lowered just enough: the peak stays close to full scale.
        const double peak = peakDbfs(out);
        QVERIFY2(peak > -0.3 && peak <= 0, qPrintable(QString::number(peak)));
    }
}

void TestResample::normalizeReachesPeak_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("dbfs");
    QTest::addColumn<double>("startSeconds");
    QTest::addColumn<quint32>("fileSize");
    QTest::addColumn<QString>("shape"); // "left": in one channel; "full": at full scale

    QTest::newRow("16 bits to -1 dBFS, whole") << 16 << -1.0 << 0.0 << 0u << "";
    QTest::newRow("24 bits to -6.5 dBFS, whole") << 24 << -6.5 << 0.0 << 0u << "";
    QTest::newRow("16 bits to -0.1 dBFS, cut") << 16 << -0.1 << 0.0 << 20000u << "";
    // The loud first half lies before the start: only the quiet part counts.
    QTest::newRow("16 bits to -1 dBFS, quiet slot") << 16 << -1.0 << 0.6 << 40000u << "";
    QTest::newRow("24 bits to -3 dBFS, quiet slot") << 24 << -3.0 << 0.6 << 0u << "";
    // Mixed down, the left channel's 0.9 becomes 0.45: raised before the mix,
    // it would clip.
    QTest::newRow("16 bits to -1 dBFS, one channel") << 16 << -1.0 << 0.0 << 0u << "left";
    // A square wave at full scale overshoots in the resampler.
    QTest::newRow("16 bits to -1 dBFS, full scale") << 16 << -1.0 << 0.0 << 0u << "full";
}

void TestResample::normalizeReachesPeak()
{
    QFETCH(int, bits);
    QFETCH(double, dbfs);
    QFETCH(double, startSeconds);
    QFETCH(quint32, fileSize);
    QFETCH(QString, shape);
    const QString dir = fresh(QStringLiteral("normalize"));
    const QString loud = dir + QStringLiteral("/loud.wav");
    const QString quiet = dir + QStringLiteral("/quiet.wav");
    const QString in = dir + QStringLiteral("/in.flac");
    QCOMPARE(
        testutil::run(QStringLiteral("sox"), {"-R", "-n", "-r", "44100", "-c", "2", "-b", "16",
                                              loud, "synth", "0.5", "sine", "440", "vol", "0.9"}),
        0);
    QCOMPARE(
        testutil::run(QStringLiteral("sox"), {"-R", "-n", "-r", "44100", "-c", "2", "-b", "16",
                                              quiet, "synth", "1", "sine", "300", "vol", "0.05"}),
        0);
    const QStringList made =
        shape == QLatin1String("full")   ? QStringList{"-n",    "-r", "44100",  "-c",  "2",    in,
                                                     "synth", "1",  "square", "440", "gain", "-n"}
        : shape == QLatin1String("left") ? QStringList{loud, quiet, in, "remix", "1", "0"}
                                         : QStringList{loud, quiet, in};
    QCOMPARE(testutil::run(QStringLiteral("sox"), made), 0);

    ConvertParams p;
    p.inputPath = in;
    p.outputPath = dir + QStringLiteral("/out.wav");
    p.sampleRate = 48000;
    p.channels = 1;
    p.bitsPerSample = quint8(bits);
    p.fileSize = fileSize;
    p.slot.startFrame = quint64(startSeconds * 48000);
    p.sound.normalize = true;
    p.sound.normalizeDbfs = dbfs;
    QList<double> gains;
    ConvertHooks hooks;
    hooks.gain = [&](const sound::Level &level) { gains << level.gainDb; };
    quint64 clipped = 0;
    hooks.clipped = [&](quint64 samples) { clipped = samples; };
    QString reason;
    QCOMPARE(Resampling().resample(p, &reason, hooks), 1);
    QCOMPARE(gains.size(), 1);
    // Nothing clips where the whole sound goes into the file.
    if (startSeconds == 0 && fileSize == 0)
        QCOMPARE(clipped, quint64(0));
    const double peak = peakDbfs(p.outputPath);
    QVERIFY2(std::fabs(peak - dbfs) <= 0.05,
             qPrintable(QStringLiteral("peak %1 dBFS, gain %2 dB").arg(peak).arg(gains.first())));
}

void TestResample::oneHertzAwayKeepsSamples_data()
{
    QTest::addColumn<int>("rate");
    QTest::newRow("1 Hz above") << 44101;
    QTest::newRow("1 Hz below") << 44099;
}

void TestResample::oneHertzAwayKeepsSamples()
{
    QFETCH(int, rate);
    const QString in = fixture(QStringLiteral("wav"), 44100, 2, 16, 0.3);
    QVERIFY(!in.isEmpty());
    const QString out = fresh(QStringLiteral("hertz")) + QStringLiteral("/out.wav");
    QCOMPARE(convert(in, out, rate, 2, 16, 0), 1);

    QString inFormat, outFormat;
    QByteArray inFrames, outFrames;
    QVERIFY(testutil::pythonWave(in, &inFormat, &inFrames));
    QVERIFY(testutil::pythonWave(out, &outFormat, &outFrames));
    QCOMPARE(inFormat, QStringLiteral("44100 2 2 13230"));
    // Labelled with the rate asked for, holding the samples as they were.
    QCOMPARE(outFormat, QStringLiteral("%1 2 2 13230").arg(rate));
    QVERIFY(outFrames == inFrames);
}

void TestResample::longOutputCopiedAsItGrows_data()
{
    QTest::addColumn<quint64>("startFrame");
    QTest::addColumn<quint32>("fileSize");
    QTest::addColumn<bool>("pad");
    QTest::addColumn<quint32>("fadeMs");
    QTest::addColumn<QString>("ending"); // converted, refused or cancelled

    // 40 s at 48 kHz, stereo, 32 bits: 15.36 MB, several of the copy's steps.
    QTest::newRow("whole") << quint64(0) << 0u << false << 0u << "converted";
    QTest::newRow("start, cut inside a frame, fade")
        << quint64(12345) << quint32(44 + 12000003) << false << 20u << "converted";
    QTest::newRow("start, then pad")
        << quint64(48000) << quint32(44 + 16000000) << true << 20u << "converted";
    // The step at 8 MiB finds the scratch file inside the 3 s fade (1,152,000
    // bytes), which ends 1 MiB after it: the fade's bytes wait for the end.
    QTest::newRow("cut past a step, inside a long fade")
        << quint64(0) << quint32(44 + 8388608 + 1048576) << false << 3000u << "converted";
    QTest::newRow("an earlier file kept") << quint64(0) << 0u << false << 0u << "refused";
    QTest::newRow("stopped while copying") << quint64(0) << 0u << false << 0u << "cancelled";
}

// A long output goes into its partial file while libsox still writes the
// scratch file; the output's bytes are still the sox command's, cut, faded
// and padded as a short one's.
void TestResample::longOutputCopiedAsItGrows()
{
    QFETCH(quint64, startFrame);
    QFETCH(quint32, fileSize);
    QFETCH(bool, pad);
    QFETCH(quint32, fadeMs);
    QFETCH(QString, ending);

    const QString in = fixture(QStringLiteral("flac"), 44100, 1, 16, 40.0);
    QVERIFY(!in.isEmpty());
    const QString dir = fresh(QStringLiteral("early"));
    ConvertParams p;
    p.inputPath = in;
    p.outputPath = dir + QStringLiteral("/out.wav");
    p.sampleRate = 48000;
    p.channels = 2;
    p.bitsPerSample = 32;
    p.fileSize = fileSize;
    p.slot.startFrame = startFrame;
    p.slot.pad = pad;
    p.slot.fadeOutMs = fadeMs;
    const QByteArray earlier("an earlier output");
    if (ending == QLatin1String("refused")) {
        p.mayReplace = false;
        QFile file(p.outputPath);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
    }
    std::atomic_bool cancel{false};
    bool partialSeen = false;
    ConvertHooks hooks;
    hooks.cancel = &cancel;
    hooks.progress = [&](quint64, quint64) {
        partialSeen = partialSeen || !QDir(dir)
                                          .entryList({QStringLiteral(".sabletide-*.part")},
                                                     QDir::Hidden | QDir::Files)
                                          .isEmpty();
        if (partialSeen && ending == QLatin1String("cancelled"))
            cancel = true;
    };
    const Outcome outcome = Resampling().run(p, hooks);
    QCOMPARE(scratchCount(), 0);
    if (ending != QLatin1String("converted")) {
        QCOMPARE(outcome.text(),
                 ending == QLatin1String("cancelled")
                     ? QStringLiteral("cancelled")
                     : QStringLiteral("cannot write %1: the file exists").arg(p.outputPath));
        QCOMPARE(entries(dir), ending == QLatin1String("cancelled")
                                   ? QStringList()
                                   : QStringList{QStringLiteral("out.wav")});
        if (ending == QLatin1String("refused"))
            QCOMPARE(testutil::readAll(p.outputPath), earlier);
        else
            QVERIFY(partialSeen);
        return;
    }
    QVERIFY2(outcome.isConverted(), qPrintable(outcome.text()));
    QCOMPARE(entries(dir), QStringList{QStringLiteral("out.wav")});
    // The output's partial file was there before the conversion ended.
    QVERIFY(partialSeen);

    const QByteArray whole =
        soxReference(in, dir + QStringLiteral("/../early-reference.wav"), 48000, 2, 32);
    QVERIFY(whole.size() > 15000000);
    const int skip = int(startFrame) * 8;
    const int available = whole.size() - skip;
    const int room = fileSize > 44 ? int(fileSize - 44) : available;
    const int taken = qMin(available, room);
    const int padding = pad ? room - taken : 0;
    const int fadeBytes =
        available > taken && fadeMs > 0 ? int(fadeMs) * 48 * 8 + taken % 8 : 0; // 48 frames a ms
    const QByteArray file = testutil::readAll(p.outputPath);
    QCOMPARE(file.size(), 44 + taken + padding);
    QCOMPARE(file.left(44).toHex(' '),
             expectedHeader(2, 48000, 32, quint32(taken + padding)).toHex(' '));
    QVERIFY2(file.mid(44, taken - fadeBytes) == whole.mid(skip, taken - fadeBytes),
             "samples differ from the sox command's");
    if (fadeBytes > 0) {
        QVERIFY(file.mid(44 + taken - fadeBytes, fadeBytes) !=
                whole.mid(skip + taken - fadeBytes, fadeBytes));
        const int silentFrom = taken - taken % 8 - 8;
        QVERIFY(file.mid(44 + silentFrom) == QByteArray(taken - silentFrom + padding, '\0'));
    }
    QVERIFY(file.mid(44 + taken) == QByteArray(padding, '\0'));
    QString format;
    QVERIFY(testutil::pythonWave(p.outputPath, &format));
    QCOMPARE(format, QStringLiteral("48000 2 4 %1").arg((taken + padding) / 8));
}

void TestResample::earlyStopMatchesFullConversion_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("inRate");
    QTest::addColumn<int>("inChannels");
    QTest::addColumn<int>("inBits");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("fileSize");

    QTest::newRow("flac -> 48k mono 24, 1000")
        << "flac" << 44100 << 2 << 16 << 48000 << 1 << 24 << 1000u;
    QTest::newRow("flac -> 48k mono 24, 65580")
        << "flac" << 44100 << 2 << 16 << 48000 << 1 << 24 << 65580u;
    QTest::newRow("ogg -> 22.05k stereo 16, odd 100001")
        << "ogg" << 44100 << 2 << 16 << 22050 << 2 << 16 << 100001u;
    QTest::newRow("wav 96k 6ch 32 -> 44.1k stereo 16, 200000")
        << "wav" << 96000 << 6 << 32 << 44100 << 2 << 16 << 200000u;
    QTest::newRow("aiff, no effects, 5001")
        << "aiff" << 22050 << 1 << 16 << 22050 << 1 << 16 << 5001u;
    QTest::newRow("wav 48k stereo 24 -> 8k mono 8, 3001")
        << "wav" << 48000 << 2 << 24 << 8000 << 1 << 8 << 3001u;
}

void TestResample::earlyStopMatchesFullConversion()
{
    QFETCH(QString, ext);
    QFETCH(int, inRate);
    QFETCH(int, inChannels);
    QFETCH(int, inBits);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(quint32, fileSize);

    const QString in = fixture(ext, inRate, inChannels, inBits, 3.0);
    QVERIFY(!in.isEmpty());
    const QString dir = fresh(QStringLiteral("early"));
    QCOMPARE(convert(in, dir + QStringLiteral("/full.wav"), rate, channels, bits, 0), 1);

    quint64 mostDone = 0;
    ConvertHooks hooks;
    hooks.progress = [&mostDone](quint64 done, quint64) { mostDone = qMax(mostDone, done); };
    QString reason;
    QCOMPARE(convert(in, dir + QStringLiteral("/cut.wav"), rate, channels, bits, fileSize, &reason,
                     hooks),
             1);

    const QByteArray full = testutil::readAll(dir + QStringLiteral("/full.wav"));
    const QByteArray cut = testutil::readAll(dir + QStringLiteral("/cut.wav"));
    QVERIFY(full.size() > int(fileSize));
    QCOMPARE(cut.size(), int(fileSize));
    QCOMPARE(le32At(cut, 40), fileSize - 44);
    QVERIFY2(cut.mid(44) == full.mid(44, int(fileSize) - 44),
             "an early stop changed the leading samples");
    // libsox really stopped early, well before making the whole file.
    const quint64 fullSamples = quint64(full.size() - 44) / quint64(bits / 8);
    QVERIFY2(mostDone < fullSamples / 2,
             qPrintable(QStringLiteral("%1 of %2 samples made").arg(mostDone).arg(fullSamples)));
}

void TestResample::failuresHaveReasons_data()
{
    QTest::addColumn<QString>("input"); // relative to the row's folder, made below
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("bits");
    QTest::addColumn<QString>("reasonHas");

    QTest::newRow("missing input") << "nothing.wav"
                                   << "out.wav" << 16 << "file not found";
    QTest::newRow("empty input path") << ""
                                      << "out.wav" << 16 << "file not found";
    QTest::newRow("text named .wav")
        << "text.wav"
        << "out.wav" << 16 << "not a sound file in a format this program reads";
    QTest::newRow("random bytes named .flac")
        << "random.flac"
        << "out.wav" << 16 << "not a sound file in a format this program reads";
    QTest::newRow("empty .ogg") << "empty.ogg"
                                << "out.wav" << 16
                                << "not a sound file in a format this program reads";
    QTest::newRow("folder as input") << "folder.wav"
                                     << "out.wav" << 16 << "is a folder";
    QTest::newRow("FLAC cut in half") << "cut.flac"
                                      << "out.wav" << 16 << "damaged";
    QTest::newRow("output folder missing")
        << "good.wav"
        << "missing/out.wav" << 16 << "output folder does not exist";
    QTest::newRow("output folder is a file")
        << "good.wav"
        << "plain.txt/out.wav" << 16 << "output folder is not a folder";
    QTest::newRow("output path is a folder") << "good.wav"
                                             << "folder.wav" << 16 << "output path is a folder";
    QTest::newRow("no output path") << "good.wav"
                                    << "" << 16 << "no output path";
    QTest::newRow("12 bits") << "good.wav"
                             << "out.wav" << 12 << "cannot write 12-bit";
    QTest::newRow("4 bits") << "good.wav"
                            << "out.wav" << 4 << "cannot write 4-bit";
    QTest::newRow("0 bits") << "good.wav"
                            << "out.wav" << 0 << "cannot write 0-bit";
    QTest::newRow("40 bits") << "good.wav"
                             << "out.wav" << 40 << "cannot write 40-bit";
}

void TestResample::failuresHaveReasons()
{
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(int, bits);
    QFETCH(QString, reasonHas);

    const QString dir = fresh(QStringLiteral("fail"));
    auto write = [&dir](const QString &name, const QByteArray &bytes) {
        QFile f(dir + QLatin1Char('/') + name);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    };
    QVERIFY(QFile::copy(fixture(QStringLiteral("wav"), 44100, 2, 16, 0.3), dir + "/good.wav"));
    const QByteArray flac = testutil::readAll(fixture(QStringLiteral("flac"), 44100, 2, 16, 3.0));
    QVERIFY(flac.size() > 10000);
    QVERIFY(write(QStringLiteral("cut.flac"), flac.left(flac.size() / 2)));
    QVERIFY(write(QStringLiteral("text.wav"), "These are words, not samples.\n"));
    QByteArray noise(8000, Qt::Uninitialized);
    for (int i = 0; i < noise.size(); ++i)
        noise[i] = char((i * 2654435761u) >> 13);
    QVERIFY(write(QStringLiteral("random.flac"), noise));
    QVERIFY(write(QStringLiteral("empty.ogg"), QByteArray()));
    QVERIFY(write(QStringLiteral("plain.txt"), "a file, not a folder"));
    QVERIFY(QDir(dir).mkdir(QStringLiteral("folder.wav")));
    const QStringList before = entries(dir);

    const QString in = input.isEmpty() ? QString() : dir + QLatin1Char('/') + input;
    const QString out = output.isEmpty() ? QString() : dir + QLatin1Char('/') + output;
    QString reason;
    QCOMPARE(convert(in, out, 48000, 2, bits, 0, &reason), -1);
    QVERIFY2(reason.contains(reasonHas), qPrintable(reason));
    // Nothing new beside the inputs: no output, no half-written file.
    QCOMPARE(entries(dir), before);
    QVERIFY(QFileInfo(dir + QStringLiteral("/folder.wav")).isDir());
}

void TestResample::inputNeverOverwritten_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("same path") << "same";
    QTest::newRow("with ./ in it") << "dot";
    QTest::newRow("through ../") << "dotdot";
    QTest::newRow("relative path") << "relative";
    QTest::newRow("symbolic link to the input") << "symlink";
    QTest::newRow("hard link to the input") << "hardlink";
    QTest::newRow("through a linked folder") << "linkedFolder";
}

void TestResample::inputNeverOverwritten()
{
    QFETCH(QString, how);
    const QString dir = fresh(QStringLiteral("self"));
    const QString in = dir + QStringLiteral("/take.wav");
    QVERIFY(QFile::copy(fixture(QStringLiteral("wav"), 44100, 2, 16, 0.3), in));
    const QByteArray original = testutil::readAll(in);

    QString out;
    if (how == QLatin1String("same")) {
        out = in;
    } else if (how == QLatin1String("dot")) {
        out = dir + QStringLiteral("/./take.wav");
    } else if (how == QLatin1String("dotdot")) {
        out =
            dir + QStringLiteral("/../") + QFileInfo(dir).fileName() + QStringLiteral("/take.wav");
    } else if (how == QLatin1String("relative")) {
        out = QDir::current().relativeFilePath(in);
        QVERIFY(QFileInfo(out).isRelative());
    } else if (how == QLatin1String("symlink")) {
        out = dir + QStringLiteral("/link.wav");
        QVERIFY(QFile::link(in, out));
    } else if (how == QLatin1String("hardlink")) {
        out = dir + QStringLiteral("/hard.wav");
        QCOMPARE(::link(QFile::encodeName(in).constData(), QFile::encodeName(out).constData()), 0);
    } else if (how == QLatin1String("linkedFolder")) {
        QVERIFY(QFile::link(dir, dir + QStringLiteral("-alias")));
        out = dir + QStringLiteral("-alias/take.wav");
    }

    QString reason;
    QCOMPARE(convert(in, out, 48000, 1, 24, 1000, &reason), -1);
    QVERIFY2(reason.contains(QLatin1String("overwrite the input")), qPrintable(reason));
    QVERIFY(testutil::readAll(in) == original);
    if (how == QLatin1String("symlink"))
        QVERIFY(QFileInfo(out).isSymLink());
}

void TestResample::earlierOutputKept_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("bits");
    QTest::addColumn<bool>("cancelled");
    QTest::addColumn<QString>("reasonHas");

    QTest::newRow("missing input") << "missing.wav" << 16 << false << "file not found";
    QTest::newRow("not audio") << "text.wav" << 16 << false << "format this program reads";
    QTest::newRow("12 bits after libsox opened") << "good.flac" << 12 << false << "12-bit";
    QTest::newRow("damaged input halfway") << "cut.flac" << 16 << false << "damaged";
    QTest::newRow("cancelled") << "good.flac" << 16 << true << "cancelled";
}

void TestResample::earlierOutputKept()
{
    QFETCH(QString, input);
    QFETCH(int, bits);
    QFETCH(bool, cancelled);
    QFETCH(QString, reasonHas);

    const QString dir = fresh(QStringLiteral("kept"));
    const QString good = fixture(QStringLiteral("flac"), 44100, 2, 16, 3.0);
    QVERIFY(QFile::copy(good, dir + QStringLiteral("/good.flac")));
    const QByteArray flac = testutil::readAll(good);
    {
        QFile cut(dir + QStringLiteral("/cut.flac"));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(flac.left(flac.size() / 2));
        QFile text(dir + QStringLiteral("/text.wav"));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("no audio here\n");
    }
    const QString out = dir + QStringLiteral("/out.wav");
    QCOMPARE(convert(dir + QStringLiteral("/good.flac"), out, 22050, 1, 16, 5000), 1);
    const QByteArray earlier = testutil::readAll(out);
    QCOMPARE(earlier.size(), 5000);
    const QStringList before = entries(dir);

    const std::atomic_bool cancel{cancelled};
    ConvertHooks hooks;
    hooks.cancel = &cancel;
    QString reason;
    QCOMPARE(convert(dir + QLatin1Char('/') + input, out, 48000, 2, bits, 0, &reason, hooks), -1);
    QVERIFY2(reason.contains(reasonHas), qPrintable(reason));
    QVERIFY(testutil::readAll(out) == earlier);
    QCOMPARE(entries(dir), before);

    // A later success replaces the file whole.
    QCOMPARE(convert(dir + QStringLiteral("/good.flac"), out, 8000, 1, 8, 45), 1);
    QCOMPARE(QFileInfo(out).size(), qint64(45));
}

void TestResample::cancel_data()
{
    QTest::addColumn<int>("cancelAtCall"); // 0: before the start
    QTest::addColumn<int>("progressCalls");
    QTest::newRow("before the start") << 0 << 0;
    QTest::newRow("at the first progress report") << 1 << 1;
    QTest::newRow("at the third progress report") << 3 << 3;
}

void TestResample::cancel()
{
    QFETCH(int, cancelAtCall);
    QFETCH(int, progressCalls);

    const QString in = fixture(QStringLiteral("flac"), 44100, 2, 16, 3.0);
    const QString dir = fresh(QStringLiteral("cancel"));
    const QString out = dir + QStringLiteral("/out.wav");
    std::atomic_bool cancel{cancelAtCall == 0};
    int calls = 0;
    ConvertHooks hooks;
    hooks.cancel = &cancel;
    hooks.progress = [&](quint64, quint64) {
        if (++calls == cancelAtCall)
            cancel = true;
    };
    QString reason;
    QCOMPARE(convert(in, out, 48000, 1, 24, 0, &reason, hooks), -1);
    QCOMPARE(reason, QStringLiteral("cancelled"));
    QCOMPARE(calls, progressCalls);
    QVERIFY(entries(dir).isEmpty());
}

void TestResample::progressReports_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("fileSize");
    QTest::addColumn<bool>("normalize"); // two passes

    QTest::newRow("wav, rate and channels") << "wav" << 48000 << 1 << 24 << 0u << false;
    QTest::newRow("flac, more channels") << "flac" << 22050 << 6 << 16 << 0u << false;
    QTest::newRow("ogg, 8 bits") << "ogg" << 44100 << 2 << 8 << 0u << false;
    QTest::newRow("aiff, nothing to change") << "aiff" << 44100 << 2 << 16 << 0u << false;
    QTest::newRow("flac, cut to 100000 bytes") << "flac" << 48000 << 1 << 24 << 100000u << false;
    QTest::newRow("wav, normalized") << "wav" << 48000 << 1 << 24 << 0u << true;
    QTest::newRow("flac, cut to 100000 bytes, normalized")
        << "flac" << 48000 << 1 << 24 << 100000u << true;
}

void TestResample::progressReports()
{
    QFETCH(QString, ext);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(quint32, fileSize);
    QFETCH(bool, normalize);

    const QString in = fixture(ext, 44100, 2, 16, 3.0);
    QVERIFY(!in.isEmpty());
    const QString out = fresh(QStringLiteral("progress")) + QStringLiteral("/out.wav");
    SoundOptions sound;
    sound.normalize = normalize;
    sound.normalizeDbfs = -1;
    const quint64 passes = normalize ? 2 : 1;
    QList<quint64> done;
    QSet<quint64> totals;
    ConvertHooks hooks;
    hooks.progress = [&](quint64 d, quint64 t) {
        done << d;
        totals << t;
    };
    QCOMPARE(convert(in, out, rate, channels, bits, fileSize, nullptr, hooks, sound), 1);

    QVERIFY(done.size() > 1);
    QCOMPARE(totals.size(), 1);
    const quint64 total = *totals.begin();
    for (int i = 1; i < done.size(); ++i)
        QVERIFY2(done.at(i) >= done.at(i - 1), "progress went backwards");
    // The measuring pass shows the first half.
    if (normalize)
        QVERIFY(done.first() < total / 2);
    const quint64 bytesPerSample = quint64(bits / 8);
    if (fileSize == 0) {
        // The expected count comes from the input's length, before libsox made anything.
        const quint64 written = quint64(QFileInfo(out).size() - 44) / bytesPerSample;
        QCOMPARE(total, passes * written);
        QCOMPARE(done.last(), passes * written);
    } else {
        QCOMPARE(total, passes * ((fileSize - 44 + bytesPerSample - 1) / bytesPerSample));
        QVERIFY(done.last() >= total);
    }
}

void TestResample::extremeFormats_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("seconds");

    QTest::newRow("1 Hz, 3 s") << 1 << 2 << 16 << 3.0;
    QTest::newRow("2 Hz") << 2 << 2 << 16 << 0.5;
    QTest::newRow("7 Hz") << 7 << 1 << 16 << 0.5;
    QTest::newRow("768 kHz") << 768000 << 2 << 16 << 0.5;
    QTest::newRow("255 channels of 8 bits") << 44100 << 255 << 8 << 0.5;
    QTest::newRow("255 channels of 32 bits at 96 kHz") << 96000 << 255 << 32 << 0.5;
}

void TestResample::extremeFormats()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(double, seconds);

    const QString in = fixture(QStringLiteral("wav"), 44100, 2, 16, seconds);
    const QString dir = fresh(QStringLiteral("extreme"));
    const QString out = dir + QStringLiteral("/out.wav");
    QString reason;
    QCOMPARE(convert(in, out, rate, channels, bits, 0, &reason), 1);
    const QByteArray reference =
        soxReference(in, dir + QStringLiteral("/reference.wav"), rate, channels, bits);
    const QByteArray file = testutil::readAll(out);
    QCOMPARE(file.size(), 44 + reference.size());
    QCOMPARE(file.left(44).toHex(' '),
             expectedHeader(channels, rate, bits, quint32(reference.size())).toHex(' '));
    QVERIFY(file.mid(44) == reference);
}

void TestResample::scratchIsPrivate()
{
    // The old fixed scratch name, planted as a link to someone's file.
    const QString victim = fresh(QStringLiteral("victim")) + QStringLiteral("/precious.txt");
    {
        QFile f(victim);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    const QString planted = scratchDir + QStringLiteral("/rezOrizezovu.wav");
    QVERIFY(QFile::link(victim, planted));
    // Gone again whatever happens below, or every later row would count it.
    const auto unplant = qScopeGuard([&planted] { QFile::remove(planted); });

    int seen = -1;
    QFile::Permissions permissions;
    ConvertHooks hooks;
    hooks.progress = [&](quint64, quint64) {
        const QStringList names = QDir(scratchDir).entryList({QStringLiteral("rezOrizezovu-*")});
        seen = qMax(seen, names.size());
        if (!names.isEmpty())
            permissions = QFile::permissions(scratchDir + QLatin1Char('/') + names.first());
    };
    const QString out = fresh(QStringLiteral("private")) + QStringLiteral("/out.wav");
    QCOMPARE(convert(fixture(QStringLiteral("flac"), 44100, 2, 16, 3.0), out, 48000, 2, 16, 0,
                     nullptr, hooks),
             1);
    QCOMPARE(seen, 1); // one scratch file of a unique name while libsox wrote
    QVERIFY(permissions & QFile::WriteOwner);
    QCOMPARE(int(permissions &
                 (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther)),
             0);
    QVERIFY(testutil::readAll(victim) == "keep me");
    QVERIFY(QFileInfo(planted).isSymLink());
}

void TestResample::unusualInputNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("ext"); // what the file really is
    QTest::newRow("spaces") << "a take with spaces.wav"
                            << "wav";
    QTest::newRow("not ASCII") << "Grüße Ωμέγα.flac"
                               << "flac";
    QTest::newRow("leading dash") << "-take.ogg"
                                  << "ogg";
    QTest::newRow("no extension") << "notes"
                                  << "flac";
    QTest::newRow("extension that lies") << "take.dat"
                                         << "wav";
}

void TestResample::unusualInputNames()
{
    QFETCH(QString, name);
    QFETCH(QString, ext);
    const QString dir = fresh(QStringLiteral("names"));
    const QString in = dir + QLatin1Char('/') + name;
    QVERIFY(QFile::copy(fixture(ext, 44100, 2, 16, 0.3), in));
    const QString out = dir + QStringLiteral("/Ausgabe ö.wav");
    QString reason;
    QCOMPARE(convert(in, out, 22050, 1, 16, 1044, &reason), 1);
    QVERIFY(reason.isEmpty());
    QCOMPARE(QFileInfo(out).size(), qint64(1044));
    QCOMPARE(testutil::soxi(out, QStringLiteral("-r")), QStringLiteral("22050"));
}

void TestResample::formatsConvertTwice_data()
{
    QTest::addColumn<QString>("ext");
    QTest::newRow("flac") << "flac";
    QTest::newRow("mp3") << "mp3";
    QTest::newRow("ogg") << "ogg";
}

void TestResample::formatsConvertTwice()
{
    // With libsox started and stopped per conversion, the second conversion of
    // a plugin format called into an unloaded plugin and crashed.
    QFETCH(QString, ext);
    const QString in = fixture(ext, 44100, 2, 16, 0.5);
    if (in.isEmpty() && ext == QLatin1String("mp3"))
        QSKIP("the sox command cannot write MP3 here");
    QVERIFY(!in.isEmpty());
    const QString dir = fresh(QStringLiteral("twice"));
    QCOMPARE(convert(in, dir + QStringLiteral("/1.wav"), 48000, 1, 16, 0), 1);
    QCOMPARE(convert(in, dir + QStringLiteral("/2.wav"), 48000, 1, 16, 0), 1);
    const QByteArray first = testutil::readAll(dir + QStringLiteral("/1.wav"));
    QVERIFY(first.size() > 44 + 40000);
    QVERIFY(testutil::readAll(dir + QStringLiteral("/2.wav")) == first);
}

void TestResample::debugLines_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<quint32>("fileSize");
    QTest::addColumn<QStringList>("lines");

    QTest::newRow("no effect needed")
        << 44100 << 2 << 1000u << QStringList{"input 0", "output 0", "sizeData 956 1000"};
    QTest::newRow("1 Hz away: no rate")
        << 44101 << 2 << 1000u << QStringList{"input 0", "output 0", "sizeData 956 1000"};
    QTest::newRow("rate") << 48000 << 2 << 1000u
                          << QStringList{"input 0", "rate 0", "output 0", "sizeData 956 1000"};
    QTest::newRow("channels") << 44100 << 1 << 1000u
                              << QStringList{"input 0", "channels 0", "output 0",
                                             "sizeData 956 1000"};
    QTest::newRow("rate and channels")
        << 48000 << 6 << 1000u
        << QStringList{"input 0", "rate 0", "channels 0", "output 0", "sizeData 956 1000"};
    // 0.3 s of stereo 16-bit: 13230 frames of 4 bytes.
    QTest::newRow("no cut") << 44100 << 2 << 0u
                            << QStringList{"input 0", "output 0", "sizeData 52920 0"};
    QTest::newRow("45 bytes") << 44100 << 2 << 45u
                              << QStringList{"input 0", "output 0", "sizeData 1 45"};
}

void TestResample::debugLines()
{
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(quint32, fileSize);
    QFETCH(QStringList, lines);

    const QString in = fixture(QStringLiteral("wav"), 44100, 2, 16, 0.3);
    const QString out = fresh(QStringLiteral("debug")) + QStringLiteral("/out.wav");
    int result = 0;
    QStringList logged;
    {
        testutil::DebugCapture capture;
        result = convert(in, out, rate, channels, 16, fileSize);
        logged = capture.lines();
    }
    QCOMPARE(result, 1);
    QCOMPARE(logged, lines);
}

void TestResample::libsoxMessagesReachQtLog()
{
    const QString dir = fresh(QStringLiteral("messages"));
    {
        QFile f(dir + QStringLiteral("/words.wav"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("RIFF and then nothing useful at all\n");
    }
    QString reason;
    int result = 0;
    QStringList logged;
    {
        testutil::DebugCapture capture;
        result = convert(dir + QStringLiteral("/words.wav"), dir + QStringLiteral("/out.wav"),
                         48000, 2, 16, 0, &reason);
        logged = capture.lines();
    }
    QCOMPARE(result, -1);
    bool fromLibsox = false, failedLine = false;
    for (const QString &line : qAsConst(logged)) {
        fromLibsox |= line.startsWith(QLatin1String("libsox error"));
        failedLine |= line.startsWith(QLatin1String("failed")) &&
                      line.contains(QLatin1String("words.wav")) && line.contains(reason);
    }
    QVERIFY2(fromLibsox, qPrintable(logged.join(QLatin1Char('\n'))));
    QVERIFY2(failedLine, qPrintable(logged.join(QLatin1Char('\n'))));
}

QTEST_GUILESS_MAIN(TestResample)
#include "tst_resample.moc"
