// Levels that the sound's own measurement chooses: a loudness target checked
// by ffmpeg's EBU R128 meter, one gain shared by a request's files, and a
// start trimmed to the first loud sample, read back by Python's wave module.
#include "convert/batch.h"
#include "convert/resampling.h"

#include "testutil.h"

#include <QTemporaryDir>
#include <QtTest>

#include <cmath>

class TestLevel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void loudnessMeetsMeter_data();
    void loudnessMeetsMeter();
    void togetherKeepsBalance_data();
    void togetherKeepsBalance();
    void trimStartsAtSound_data();
    void trimStartsAtSound();

private:
    QString fresh(const QString &name);

    QTemporaryDir root;
    int freshCount = 0;
};

namespace {

// Sounds of 4 s that stand in for speech (noise in speech's band, its
// level swinging four times a second) and music (a tone and a square,
// swelling twice a second), at 44.1 kHz, 16 bits.
const QStringList speech{"pinknoise", "sinc", "150-5000", "tremolo", "4", "80"};
const QStringList music{"sine", "220", "square", "330", "tremolo", "2", "40"};

bool makeSound(const QString &path, int channels, const QStringList &synth, double volume,
               double seconds = 4)
{
    return testutil::run(QStringLiteral("sox"),
                         QStringList{"-R", "-n", "-r", "44100", "-c", QString::number(channels),
                                     "-b", "16", path, "synth", QString::number(seconds)} +
                             synth + QStringList{"vol", QString::number(volume)}) == 0;
}

// Integrated loudness (LUFS) and true peak (dBTP) as ffmpeg's ebur128 filter
// measures them.
bool meter(const QString &path, double *lufs, double *truePeak)
{
    QByteArray err;
    if (testutil::run(
            QStringLiteral("ffmpeg"),
            {"-nostats", "-hide_banner", "-i", path, "-af", "ebur128=peak=true", "-f", "null", "-"},
            nullptr, &err) != 0)
        return false;
    // The summary comes last.
    const QByteArray summary = err.mid(err.lastIndexOf("Summary:"));
    bool ok[2] = {};
    for (const QByteArray &line : summary.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (words.size() >= 2 && words.at(0) == "I:")
            *lufs = words.at(1).toDouble(&ok[0]);
        if (words.size() >= 2 && words.at(0) == "Peak:")
            *truePeak = words.at(1).toDouble(&ok[1]);
    }
    return ok[0] && ok[1];
}

// What Python's wave module reads in a PCM file: its RMS and peak in dBFS
// and the first frame with a sample above `dbfs`.
struct Read
{
    double rmsDb = 0;
    double peakDb = 0;
    int firstLoud = -1;
    int frames = 0;
};

bool readBack(const QString &path, double dbfs, Read *read)
{
    static const char script[] = R"(
import sys, wave, math
w = wave.open(sys.argv[1]); n = w.getnchannels(); b = w.getsampwidth()
raw = w.readframes(w.getnframes())
if b == 1:
    s = [(x - 128) / 128 for x in raw]
else:
    s = [int.from_bytes(raw[i:i + b], 'little', signed=True) / 2 ** (8 * b - 1)
         for i in range(0, len(raw), b)]
limit = 10 ** (float(sys.argv[2]) / 20)
first = next((i // n for i, x in enumerate(s) if abs(x) > limit), -1)
rms = math.sqrt(sum(x * x for x in s) / len(s))
print(20 * math.log10(rms), 20 * math.log10(max(abs(x) for x in s)), first, len(s) // n)
)";
    QByteArray out;
    if (testutil::run(QStringLiteral("python3"),
                      {"-c", QLatin1String(script), path, QString::number(dbfs)}, &out) != 0)
        return false;
    const QList<QByteArray> words = out.simplified().split(' ');
    if (words.size() != 4)
        return false;
    *read = Read{words.at(0).toDouble(), words.at(1).toDouble(), words.at(2).toInt(),
                 words.at(3).toInt()};
    return true;
}

} // namespace

void TestLevel::initTestCase()
{
    QVERIFY(root.isValid());
}

QString TestLevel::fresh(const QString &name)
{
    const QString dir = root.filePath(QStringLiteral("%1-%2").arg(name).arg(++freshCount));
    QDir().mkpath(dir);
    return dir;
}

void TestLevel::loudnessMeetsMeter_data()
{
    QTest::addColumn<QStringList>("synth");
    QTest::addColumn<int>("channelsIn");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("target");
    QTest::addColumn<bool>("held"); // by the true peak ceiling

    QTest::newRow("speech, 48 kHz") << speech << 1 << 48000 << 1 << 16 << -16.0 << false;
    QTest::newRow("music mixed down, 24 bits") << music << 2 << 48000 << 1 << 24 << -16.0 << false;
    QTest::newRow("music in stereo, 22.05 kHz") << music << 2 << 22050 << 2 << 16 << -16.0 << false;
    QTest::newRow("speech held by the ceiling") << speech << 1 << 44100 << 1 << 16 << -8.0 << true;
}

void TestLevel::loudnessMeetsMeter()
{
    QFETCH(QStringList, synth);
    QFETCH(int, channelsIn);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(double, target);
    QFETCH(bool, held);
    const QString dir = fresh(QStringLiteral("loudness"));
    ConvertParams p;
    p.inputPath = dir + QStringLiteral("/in.wav");
    p.outputPath = dir + QStringLiteral("/out.wav");
    QVERIFY(makeSound(p.inputPath, channelsIn, synth, 0.3));
    p.sampleRate = quint32(rate);
    p.channels = quint8(channels);
    p.bitsPerSample = quint8(bits);
    p.sound.loudness = true;
    p.sound.loudnessLufs = target;
    QList<sound::Level> levels;
    ConvertHooks hooks;
    hooks.gain = [&](const sound::Level &level) { levels << level; };
    QString reason;
    QVERIFY2(Resampling().resample(p, &reason, hooks) == 1, qPrintable(reason));
    QCOMPARE(levels.size(), 1);
    double lufs = 0, truePeak = 0;
    QVERIFY(meter(p.outputPath, &lufs, &truePeak));
    const QString said = QStringLiteral("ffmpeg: %1 LUFS, %2 dBTP; ours %3 LUFS after %4 dB")
                             .arg(lufs)
                             .arg(truePeak)
                             .arg(levels.first().loudnessAfter())
                             .arg(levels.first().gainDb);
    QCOMPARE(levels.first().ceilingHeld, held);
    // What the tool says it made is what the meter reads.
    QVERIFY2(std::fabs(lufs - levels.first().loudnessAfter()) <= 0.3, qPrintable(said));
    if (held)
        QVERIFY2(lufs < target - 1 && truePeak <= sound::truePeakCeilingDbtp + 0.1,
                 qPrintable(said));
    else
        QVERIFY2(std::fabs(lufs - target) <= 0.3, qPrintable(said));
}

void TestLevel::togetherKeepsBalance_data()
{
    QTest::addColumn<bool>("loudness"); // or the peak
    QTest::addColumn<double>("target");
    QTest::addColumn<bool>("withSilence"); // a third, silent input

    QTest::newRow("peaks") << false << -1.0 << false;
    QTest::newRow("loudness") << true << -20.0 << false;
    QTest::newRow("loudness beside silence") << true << -20.0 << true;
}

// Two sounds of different levels keep their distance; the louder one reaches
// the target, and a silent input does not hold the others back.
void TestLevel::togetherKeepsBalance()
{
    QFETCH(bool, loudness);
    QFETCH(double, target);
    QFETCH(bool, withSilence);
    const QString dir = fresh(QStringLiteral("together"));
    ConvertCommand c;
    c.sampleRate = 44100;
    c.channels = 1;
    c.bitsPerSample = 16;
    c.outputFolder = dir + QStringLiteral("/out/");
    QDir().mkpath(c.outputFolder);
    c.inputs = QStringList{dir + QStringLiteral("/loud.wav"), dir + QStringLiteral("/quiet.wav")};
    QVERIFY(makeSound(c.inputs.at(0), 1, speech, 0.5));
    QVERIFY(makeSound(c.inputs.at(1), 1, QStringList{"sine", "440", "tremolo", "3", "50"}, 0.1));
    if (withSilence) {
        c.inputs << dir + QStringLiteral("/silent.wav");
        QVERIFY(makeSound(c.inputs.last(), 1, QStringList{"sine", "440"}, 0));
    }
    c.sound.together = true;
    c.sound.normalize = !loudness;
    c.sound.normalizeDbfs = target;
    c.sound.loudness = loudness;
    c.sound.loudnessLufs = target;
    const Plan plan = makePlan(c);
    QMap<int, sound::Level> levels;
    int converted = 0;
    BatchReport report;
    report.gain = [&](int i, const sound::Level &level) { levels.insert(i, level); };
    report.converted = [&](int, const QString &, const QString &) { ++converted; };
    report.failed = [](int, const QString &input, const Outcome &outcome) {
        qWarning() << input << outcome.text();
    };
    Resampling resampling;
    runPlan(plan, resampling, report);
    QCOMPARE(converted, c.inputs.size());
    QCOMPARE(levels.size(), c.inputs.size());
    for (const sound::Level &level : levels) {
        QVERIFY(level.shared);
        QVERIFY(level.gainDb == levels.first().gainDb);
    }
    Read in[2], out[2];
    for (int i = 0; i < 2; ++i) {
        QVERIFY(readBack(plan.rows.at(i).input, -100, &in[i]));
        QVERIFY(readBack(plan.rows.at(i).output, -100, &out[i]));
    }
    const double before = in[0].rmsDb - in[1].rmsDb;
    const double after = out[0].rmsDb - out[1].rmsDb;
    QVERIFY2(std::fabs(after - before) <= 0.05,
             qPrintable(QStringLiteral("%1 dB apart, then %2").arg(before).arg(after)));
    double reached = qMax(out[0].peakDb, out[1].peakDb);
    if (loudness) {
        double lufs[2] = {}, truePeak = 0;
        QVERIFY(meter(plan.rows.at(0).output, &lufs[0], &truePeak));
        QVERIFY(meter(plan.rows.at(1).output, &lufs[1], &truePeak));
        reached = qMax(lufs[0], lufs[1]);
    }
    QVERIFY2(std::fabs(reached - target) <= (loudness ? 0.3 : 0.05),
             qPrintable(QString::number(reached)));
}

void TestLevel::trimStartsAtSound_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channelsIn"); // with 2, the sound begins in the right alone
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("startSeconds");

    QTest::newRow("mono, rate kept") << 44100 << 1 << 1 << 16 << 0.0;
    QTest::newRow("right channel first, 48 kHz") << 48000 << 2 << 2 << 16 << 0.0;
    QTest::newRow("mixed down to 8 bits") << 22050 << 2 << 1 << 8 << 0.0;
    QTest::newRow("start counted after the trim") << 44100 << 1 << 1 << 16 << 0.25;
}

// 0.7 s of noise at -74 dBFS, then a tone at -6 dBFS for a second: trimmed
// at -48 dBFS, the output begins with the tone.
void TestLevel::trimStartsAtSound()
{
    QFETCH(int, rate);
    QFETCH(int, channelsIn);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(double, startSeconds);
    const QString dir = fresh(QStringLiteral("trim"));
    const QString hush = dir + QStringLiteral("/hush.wav");
    const QString tone = dir + QStringLiteral("/tone.wav");
    QVERIFY(makeSound(hush, channelsIn, QStringList{"whitenoise"}, 0.0002, 0.7));
    QVERIFY(makeSound(tone, channelsIn,
                      channelsIn == 2 ? QStringList{"sine", "440", "remix", "0", "1"}
                                      : QStringList{"sine", "440"},
                      0.5, 1));
    ConvertParams p;
    p.inputPath = dir + QStringLiteral("/in.wav");
    QCOMPARE(testutil::run(QStringLiteral("sox"), {hush, tone, p.inputPath}), 0);
    p.sampleRate = quint32(rate);
    p.channels = quint8(channels);
    p.bitsPerSample = quint8(bits);
    p.sound.trimStart = true;
    p.sound.trimStartDbfs = -48;
    QString reason;
    p.outputPath = dir + QStringLiteral("/trimmed.wav");
    QVERIFY2(Resampling().resample(p, &reason) == 1, qPrintable(reason));
    Read trimmed;
    QVERIFY(readBack(p.outputPath, -48, &trimmed));
    // Within 1 ms of the first loud sample, and the whole tone kept.
    QVERIFY2(trimmed.firstLoud >= 0 && trimmed.firstLoud <= rate / 1000,
             qPrintable(QString::number(trimmed.firstLoud)));
    QVERIFY2(std::abs(trimmed.frames - rate) <= rate / 1000,
             qPrintable(QString::number(trimmed.frames)));
    if (startSeconds == 0)
        return;
    p.slot.startFrame = quint64(startSeconds * rate);
    p.outputPath = dir + QStringLiteral("/started.wav");
    QVERIFY2(Resampling().resample(p, &reason) == 1, qPrintable(reason));
    QByteArray whole, started;
    QString format;
    QVERIFY(testutil::pythonWave(dir + QStringLiteral("/trimmed.wav"), &format, &whole));
    QVERIFY(testutil::pythonWave(p.outputPath, &format, &started));
    const int skip = int(p.slot.startFrame) * channels * bits / 8;
    QVERIFY(started.size() > 0);
    QVERIFY(started == whole.mid(skip));
}

QTEST_GUILESS_MAIN(TestLevel)
#include "tst_level.moc"
