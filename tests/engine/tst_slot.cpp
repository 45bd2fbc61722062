// Slot options, judged by the bytes: padding, the fade at a cut, the start,
// and the count of clipped samples against the sox command's own.
#include "convert/resampling.h"

#include "testutil.h"

#include <QRegularExpression>

#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>

namespace {

// The sample data of a WAV file as Python's wave module reads it.
QByteArray samplesOf(const QString &path)
{
    QString format;
    QByteArray frames;
    return testutil::pythonWave(path, &format, &frames) ? frames : QByteArray();
}

qint64 sampleAt(const QByteArray &data, int offset, int bytes)
{
    if (bytes == 1)
        return qint64(quint8(data.at(offset))) - 128;
    qint64 v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= qint64(quint8(data.at(offset + i))) << (8 * i);
    const qint64 sign = qint64(1) << (8 * bytes - 1);
    return (v ^ sign) - sign;
}

} // namespace

class TestSlot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void pad_data();
    void pad();
    void fadeOut_data();
    void fadeOut();
    void fadeShapeMatchesSox_data();
    void fadeShapeMatchesSox();
    void start_data();
    void start();
    void clippedCountMatchesSox();

private:
    QString convert(int bits, quint32 size, const SlotOptions &slot, quint64 *clipped = nullptr,
                    const QString &input = QString());

    QTemporaryDir root;
    QString input; // 1 s, 44.1 kHz stereo
    int outputs = 0;
};

void TestSlot::initTestCase()
{
    QVERIFY(root.isValid());
    qputenv("TMPDIR", QFile::encodeName(root.path()));
    input = root.filePath(QStringLiteral("in.flac"));
    QVERIFY(testutil::makeAudio(input, 44100, 2, 16, 1.0));
}

// Converts to 22050 Hz stereo; returns the output path, or "" on failure.
QString TestSlot::convert(int bits, quint32 size, const SlotOptions &slot, quint64 *clipped,
                          const QString &from)
{
    ConvertParams p;
    p.inputPath = from.isEmpty() ? input : from;
    p.outputPath = root.filePath(QStringLiteral("out%1.wav").arg(++outputs));
    p.sampleRate = 22050;
    p.channels = 2;
    p.bitsPerSample = quint8(bits);
    p.fileSize = size;
    p.slot = slot;
    ConvertHooks hooks;
    hooks.clipped = [clipped](quint64 n) {
        if (clipped)
            *clipped = n;
    };
    QString reason;
    if (Resampling().resample(p, &reason, hooks) != 1) {
        qWarning().noquote() << reason;
        return QString();
    }
    return p.outputPath;
}

void TestSlot::pad_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<char>("silence");
    QTest::newRow("16-bit: signed zero") << 16 << char(0);
    QTest::newRow("8-bit: unsigned middle") << 8 << char(0x80);
}

// The plain conversion's data, then silence up to the size.
void TestSlot::pad()
{
    QFETCH(int, bits);
    QFETCH(char, silence);

    const QByteArray whole = samplesOf(convert(bits, 0, {}));
    QVERIFY(!whole.isEmpty());
    const quint32 size = 44 + quint32(whole.size()) + 7777; // ends inside a frame
    SlotOptions padded;
    padded.pad = true;
    const QString out = convert(bits, size, padded);
    QCOMPARE(QFileInfo(out).size(), qint64(size));
    const QByteArray bytes = testutil::readAll(out);
    QCOMPARE(bytes.left(44), testutil::expectedHeader(2, 22050, bits, size - 44));
    QVERIFY(bytes.mid(44, whole.size()) == whole);
    QVERIFY(bytes.mid(44 + whole.size()) == QByteArray(7777, silence));
    // Without the option a short sound keeps its shorter file.
    QCOMPARE(QFileInfo(convert(bits, size, {})).size(), qint64(44 + whole.size()));
}

void TestSlot::fadeOut_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("size");
    QTest::newRow("16-bit, cut at a frame") << 16 << quint32(44 + 4 * 10000);
    QTest::newRow("24-bit, cut inside a frame") << 24 << quint32(44 + 6 * 10000 + 5);
    QTest::newRow("8-bit") << 8 << quint32(44 + 2 * 10000);
}

void TestSlot::fadeOut()
{
    QFETCH(int, bits);
    QFETCH(quint32, size);

    const int sampleBytes = bits / 8;
    const int frameBytes = 2 * sampleBytes;
    const QByteArray plain = testutil::readAll(convert(bits, size, {})).mid(44);
    SlotOptions faded;
    faded.fadeOutMs = 100; // 2205 frames at 22050 Hz
    const QByteArray bytes = testutil::readAll(convert(bits, size, faded)).mid(44);
    QCOMPARE(bytes.size(), plain.size());
    const int wholeFrames = bytes.size() / frameBytes;
    const int fadeStart = (wholeFrames - 2205) * frameBytes;
    // Untouched before the fade; no louder inside it; silent at the cut.
    QVERIFY(bytes.left(fadeStart) == plain.left(fadeStart));
    QVERIFY(bytes.mid(fadeStart, frameBytes) == plain.mid(fadeStart, frameBytes));
    qint64 previousPeak = std::numeric_limits<qint64>::max();
    for (int quarter = 0; quarter < 4; ++quarter) {
        qint64 peak = 0;
        for (int f = fadeStart + quarter * 551 * frameBytes;
             f < fadeStart + (quarter + 1) * 551 * frameBytes; f += sampleBytes) {
            const qint64 v = qAbs(sampleAt(bytes, f, sampleBytes));
            QVERIFY(v <= qAbs(sampleAt(plain, f, sampleBytes)));
            peak = qMax(peak, v);
        }
        QVERIFY2(peak < previousPeak || peak == 0, qPrintable(QString::number(quarter)));
        previousPeak = peak;
    }
    const char silence = bits == 8 ? char(0x80) : char(0);
    QVERIFY(bytes.mid((wholeFrames - 1) * frameBytes) ==
            QByteArray(bytes.size() - (wholeFrames - 1) * frameBytes, silence));
    // A sound that fits whole is not faded.
    QVERIFY(testutil::readAll(convert(bits, 44 + 4000000, faded)) ==
            testutil::readAll(convert(bits, 44 + 4000000, {})));
}

void TestSlot::fadeShapeMatchesSox_data()
{
    QTest::addColumn<int>("bits");
    QTest::addColumn<quint32>("fadeMs");
    QTest::newRow("16-bit, 100 ms") << 16 << 100u;
    QTest::newRow("24-bit, 30 ms") << 24 << 30u;
}

// The fade's curve, frame by frame, is that of the sox command's own
// logarithmic fade (fade l) over the same frames: 0 dB where it begins,
// -100 dB at its end. Ours ends one frame sooner, on a silent last frame,
// which moves each frame's gain by less than 100 dB / the fade's frames.
void TestSlot::fadeShapeMatchesSox()
{
    QFETCH(int, bits);
    QFETCH(quint32, fadeMs);
    const int sampleBytes = bits / 8;
    const int frames = 10000;
    const quint32 size = 44 + quint32(frames * 2 * sampleBytes);
    const int fadeFrames = int(fadeMs * 22050 / 1000);
    const QString plain = convert(bits, size, {});
    SlotOptions faded;
    faded.fadeOutMs = fadeMs;
    const QByteArray ours = samplesOf(convert(bits, size, faded));
    const QString ref = root.filePath(QStringLiteral("fade-ref%1.wav").arg(bits));
    QCOMPARE(
        testutil::run(QStringLiteral("sox"),
                      {QStringLiteral("-D"), plain, QStringLiteral("-t"), QStringLiteral("wavpcm"),
                       ref, QStringLiteral("fade"), QStringLiteral("l"), QStringLiteral("0"),
                       QStringLiteral("%1s").arg(frames), QStringLiteral("%1s").arg(fadeFrames)}),
        0);
    const QByteArray sox = samplesOf(ref);
    const QByteArray before = samplesOf(plain);
    QCOMPARE(ours.size(), sox.size());
    const double full = double(qint64(1) << (bits - 1));
    // 100 dB over the fade's frames: how far one frame moves the gain.
    const double frameDb = 100.0 / fadeFrames;
    int compared = 0;
    for (int f = frames - fadeFrames; f < frames - 1; ++f) {
        for (int c = 0; c < 2; ++c) {
            const int at = (f * 2 + c) * sampleBytes;
            const double x = double(sampleAt(before, at, sampleBytes));
            const double a = double(sampleAt(ours, at, sampleBytes));
            const double b = double(sampleAt(sox, at, sampleBytes));
            // Where rounding to whole steps says little of the gain, the
            // samples still differ by no more than a step or two.
            if (std::fabs(b) < 0.002 * full || std::fabs(x) < 0.01 * full) {
                QVERIFY2(
                    std::fabs(a - b) <= std::max(2.0, 0.002 * full),
                    qPrintable(QStringLiteral("frame %1: %2 against %3").arg(f).arg(a).arg(b)));
                continue;
            }
            const double apart = 20 * std::log10(a / b);
            QVERIFY2(
                std::fabs(apart) <= 2 * frameDb + 0.05,
                qPrintable(QStringLiteral("frame %1: %2 dB from sox's fade").arg(f).arg(apart)));
            ++compared;
        }
    }
    // The comparison reached well into the fade.
    QVERIFY2(compared > fadeFrames / 2, qPrintable(QString::number(compared)));
}

void TestSlot::start_data()
{
    QTest::addColumn<quint64>("startFrame");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<bool>("pad");
    QTest::addColumn<quint32>("fadeMs");

    QTest::newRow("whole from 0.25 s") << quint64(5513) << 0u << false << 0u;
    QTest::newRow("cut from an odd frame")
        << quint64(12345) << quint32(44 + 4 * 3000) << false << 0u;
    QTest::newRow("start, fade and cut")
        << quint64(12345) << quint32(44 + 4 * 3000) << false << 20u;
    QTest::newRow("start, then pad") << quint64(20000) << quint32(44 + 4 * 3000) << true << 20u;
}

// The slot holds the whole conversion's bytes from the start frame on.
void TestSlot::start()
{
    QFETCH(quint64, startFrame);
    QFETCH(quint32, size);
    QFETCH(bool, pad);
    QFETCH(quint32, fadeMs);

    const QByteArray whole = samplesOf(convert(16, 0, {}));
    SlotOptions slot;
    slot.startFrame = startFrame;
    slot.pad = pad;
    slot.fadeOutMs = fadeMs;
    const QByteArray bytes = testutil::readAll(convert(16, size, slot)).mid(44);
    const QByteArray expected = whole.mid(int(startFrame) * 4, size > 44 ? int(size - 44) : -1);
    const int fadeBytes = fadeMs > 0 && expected.size() == int(size - 44) ? 441 * 4 : 0;
    QCOMPARE(bytes.size(), pad ? int(size - 44) : expected.size());
    QVERIFY(bytes.left(expected.size() - fadeBytes) == expected.left(expected.size() - fadeBytes));
    if (pad)
        QVERIFY(bytes.mid(expected.size()) == QByteArray(bytes.size() - expected.size(), '\0'));
    // A start past the end has nothing to give.
    slot.startFrame = 22050 + 10;
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("start lies")));
    QVERIFY(convert(16, size, slot).isEmpty());
}

// libsox counts what it clips; the sox command warns of the same count.
void TestSlot::clippedCountMatchesSox()
{
    const QString loud = root.filePath(QStringLiteral("loud.wav"));
    QCOMPARE(testutil::run(QStringLiteral("sox"),
                           {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                            QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                            QStringLiteral("16"), loud, QStringLiteral("synth"),
                            QStringLiteral("0.5"), QStringLiteral("square"), QStringLiteral("440"),
                            QStringLiteral("gain"), QStringLiteral("-n")}),
             0);
    QByteArray err;
    QCOMPARE(
        testutil::run(QStringLiteral("sox"),
                      {QStringLiteral("-D"), loud, QStringLiteral("-r"), QStringLiteral("22050"),
                       QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"),
                       QStringLiteral("16"), root.filePath(QStringLiteral("ref.wav"))},
                      nullptr, &err),
        0);
    // One warning per effect that clipped, and one for the writer.
    quint64 soxCount = 0;
    auto it = QRegularExpression(QStringLiteral("clipped (\\d+) samples"))
                  .globalMatch(QString::fromLocal8Bit(err));
    while (it.hasNext())
        soxCount += it.next().captured(1).toULongLong();
    QVERIFY2(soxCount > 0, err.constData());
    quint64 clipped = 0;
    QVERIFY(!convert(16, 0, {}, &clipped, loud).isEmpty());
    QCOMPARE(clipped, soxCount);
    // A quiet input clips nothing.
    QVERIFY(!convert(16, 0, {}, &clipped).isEmpty());
    QCOMPARE(clipped, quint64(0));
}

QTEST_GUILESS_MAIN(TestSlot)
#include "tst_slot.moc"
