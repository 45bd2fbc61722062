// The command-line tool's own readers, called directly: sizes with units,
// lengths of time, the size that a length makes, the worker line protocol and
// which file names count as audio.
#include "convert/inputs.h"
#include "convert/progress.h"
#include "convert/units.h"
#include "convert/worker.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(SoundOptions)
Q_DECLARE_METATYPE(SettledGain)

class TstCliUnits : public QObject
{
    Q_OBJECT
private slots:
    void size_data();
    void size();
    void rate_data();
    void rate();
    void duration_data();
    void duration();
    void sizeForDuration_data();
    void sizeForDuration();
    void answerLines_data();
    void answerLines();
    void gainLines_data();
    void gainLines();
    void jobLines_data();
    void jobLines();
    void spareProcessors_data();
    void spareProcessors();
    void workers_data();
    void workers();
    void workerCount_data();
    void workerCount();
    void progressGate_data();
    void progressGate();
    void audioFileNames_data();
    void audioFileNames();
};

void TstCliUnits::size_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("bytes");
    QTest::addColumn<QString>("why"); // words of the refusal

    QTest::newRow("bytes") << "65580" << true << 65580u << "";
    QTest::newRow("zero means no cut") << "0" << true << 0u << "";
    QTest::newRow("first size with a sample byte") << "45" << true << 45u << "";
    QTest::newRow("B") << "100B" << true << 100u << "";
    QTest::newRow("KiB") << "64KiB" << true << 65536u << "";
    QTest::newRow("unit in lower case") << "64kib" << true << 65536u << "";
    QTest::newRow("decimal MiB") << "1.5MiB" << true << 1572864u << "";
    QTest::newRow("GiB") << "2GiB" << true << 2147483648u << "";
    QTest::newRow("kB counts in 1000s") << "10kB" << true << 10000u << "";
    QTest::newRow("MB counts in 1000s") << "10MB" << true << 10000000u << "";
    QTest::newRow("KB is kB") << "3KB" << true << 3000u << "";
    QTest::newRow("space before the unit") << "1.5 kB" << true << 1500u << "";
    QTest::newRow("spaces around") << "  1000 " << true << 1000u << "";
    QTest::newRow("zeros that carry nothing") << "0001.50000MiB" << true << 1572864u << "";
    QTest::newRow("half a KiB") << "0.5KiB" << true << 512u << "";
    QTest::newRow("nine decimals") << "1.000000001GB" << true << 1000000001u << "";
    QTest::newRow("largest") << "4294967295" << true << 4294967295u << "";
    QTest::newRow("largest in GB") << "4.294967295GB" << true << 4294967295u << "";
    QTest::newRow("a byte per KiB fraction") << "0.0009765625KiB" << false << 0u << "decimals";

    QTest::newRow("empty") << "" << false << 0u << "empty";
    QTest::newRow("words") << "big" << false << 0u << "number";
    QTest::newRow("negative") << "-5" << false << 0u << "number";
    QTest::newRow("two dots") << "1.2.3" << false << 0u << "not a number";
    QTest::newRow("dot without decimals") << "1." << false << 0u << "not a number";
    QTest::newRow("dot first") << ".5MiB" << false << 0u << "not a number";
    QTest::newRow("bare k") << "5k" << false << 0u << "ambiguous";
    QTest::newRow("bare M") << "5M" << false << 0u << "ambiguous";
    QTest::newRow("unknown unit") << "5 TB" << false << 0u << "unknown unit";
    QTest::newRow("not whole bytes") << "1.1MiB" << false << 0u << "1153433.6";
    QTest::newRow("half a byte") << "0.5" << false << 0u << "whole number of bytes";
    QTest::newRow("one past 32 bits") << "4294967296" << false << 0u << "4294967295";
    QTest::newRow("4GiB") << "4GiB" << false << 0u << "4294967295";
    QTest::newRow("huge") << "99999999999999999999" << false << 0u << "too large";
    QTest::newRow("header only") << "44" << false << 0u << "44-byte header";
    QTest::newRow("one byte") << "1" << false << 0u << "header";
    QTest::newRow("ten decimals") << "1.0000000001GB" << false << 0u << "decimals";
}

void TstCliUnits::size()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint32, bytes);
    QFETCH(QString, why);
    quint32 got = 12345;
    QString error;
    QCOMPARE(units::parseSize(text, &got, &error), ok);
    if (ok) {
        QCOMPARE(got, bytes);
    } else {
        QVERIFY2(error.contains(why), qPrintable(error));
        QCOMPARE(got, 12345u);
    }
}

void TstCliUnits::rate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("hertz"); // 0: refused

    QTest::newRow("hertz") << "44100" << 44100u;
    QTest::newRow("kHz") << "44.1k" << 44100u;
    QTest::newRow("whole kHz, capital") << "48K" << 48000u;
    QTest::newRow("two decimals") << "22.05k" << 22050u;
    QTest::newRow("trailing zeros") << "44.100k" << 44100u;
    QTest::newRow("below a hertz") << "44.1001k" << 0u;
    QTest::newRow("decimals without k") << "44.1" << 0u;
    QTest::newRow("k alone") << "k" << 0u;
    QTest::newRow("dot without decimals") << "44.k" << 0u;
    QTest::newRow("zero") << "0k" << 0u;
    QTest::newRow("negative") << "-48k" << 0u;
    // As typed on a command line: a sign or a space is no rate anyone meant.
    QTest::newRow("plus sign") << "+48000" << 0u;
    QTest::newRow("plus sign, kHz") << "+48k" << 0u;
    QTest::newRow("space before") << " 48000" << 0u;
    QTest::newRow("space after") << "48000 " << 0u;
}

void TstCliUnits::rate()
{
    QFETCH(QString, text);
    QFETCH(quint32, hertz);
    quint32 got = 12345;
    QString error;
    QCOMPARE(units::parseRate(text, &got, &error), hertz > 0);
    QCOMPARE(got, hertz > 0 ? hertz : 12345u);
    QCOMPARE(error.isEmpty(), hertz > 0);
}

void TstCliUnits::duration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint64>("nanoseconds");

    const quint64 s = 1000000000u;
    QTest::newRow("seconds") << "1" << true << s;
    QTest::newRow("decimal seconds") << "2.5" << true << 2 * s + s / 2;
    QTest::newRow("a millisecond") << "0.001" << true << quint64(1000000);
    QTest::newRow("a nanosecond") << "0.000000001" << true << quint64(1);
    QTest::newRow("mm:ss") << "1:30" << true << 90 * s;
    QTest::newRow("mm:ss.fff") << "01:30.250" << true << 90 * s + s / 4;
    QTest::newRow("h:mm:ss.f") << "1:02:03.5" << true << 3723 * s + s / 2;
    QTest::newRow("minutes past an hour") << "90:00" << true << 5400 * s;
    QTest::newRow("last instant of a minute") << "0:59.999999999" << true << 60 * s - 1;
    QTest::newRow("zero") << "0" << true << quint64(0);

    QTest::newRow("empty") << "" << false << quint64(0);
    QTest::newRow("words") << "long" << false << quint64(0);
    QTest::newRow("negative") << "-1" << false << quint64(0);
    QTest::newRow("60 seconds after a colon") << "1:60" << false << quint64(0);
    QTest::newRow("60 minutes after hours") << "1:60:00" << false << quint64(0);
    QTest::newRow("four fields") << "1:2:3:4" << false << quint64(0);
    QTest::newRow("decimal minutes") << "1.5:00" << false << quint64(0);
    QTest::newRow("nothing before the colon") << ":30" << false << quint64(0);
    QTest::newRow("ten decimals") << "1.0000000001" << false << quint64(0);
    QTest::newRow("beyond counting") << "99999999999" << false << quint64(0);
}

void TstCliUnits::duration()
{
    QFETCH(QString, text);
    QFETCH(bool, ok);
    QFETCH(quint64, nanoseconds);
    quint64 got = 7;
    QString error;
    QCOMPARE(units::parseDuration(text, &got, &error), ok);
    if (ok)
        QCOMPARE(got, nanoseconds);
    else
        QVERIFY(!error.isEmpty());
}

void TstCliUnits::sizeForDuration_data()
{
    QTest::addColumn<quint64>("nanoseconds");
    QTest::addColumn<quint32>("rate");
    QTest::addColumn<quint32>("channels");
    QTest::addColumn<quint32>("bits");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<quint32>("bytes");

    const quint64 s = 1000000000u;
    QTest::newRow("a second of CD stereo") << s << 44100u << 2u << 16u << true << 176444u;
    QTest::newRow("half a second, 24 bits") << s / 2 << 44100u << 1u << 24u << true << 66194u;
    QTest::newRow("8 bits") << s << 8000u << 1u << 8u << true << 8044u;
    QTest::newRow("32 bits, 6 channels") << 2 * s << 48000u << 6u << 32u << true << 2304044u;
    // 0.333333333 s at 48 kHz is 15999.99998 frames: the partial frame goes.
    QTest::newRow("partial frame dropped")
        << quint64(333333333) << 48000u << 1u << 16u << true << 32042u;
    QTest::newRow("one frame") << s / 8000 << 8000u << 1u << 16u << true << 46u;
    QTest::newRow("just short of a frame") << s / 8000 - 1 << 8000u << 1u << 16u << false << 0u;
    QTest::newRow("zero length") << quint64(0) << 48000u << 2u << 16u << false << 0u;
    QTest::newRow("largest size") << 4294967251u * s << 1u << 1u << 8u << true << 4294967295u;
    QTest::newRow("one frame past 32 bits") << 4294967252u * s << 1u << 1u << 8u << false << 0u;
    QTest::newRow("an hour at the top rate") << 3600 * s << 768000u << 8u << 32u << false << 0u;
    QTest::newRow("no bytes per frame") << s << 48000u << 1u << 0u << false << 0u;
}

void TstCliUnits::sizeForDuration()
{
    QFETCH(quint64, nanoseconds);
    QFETCH(quint32, rate);
    QFETCH(quint32, channels);
    QFETCH(quint32, bits);
    QFETCH(bool, ok);
    QFETCH(quint32, bytes);
    quint32 got = 0;
    QString error;
    QCOMPARE(units::sizeForDuration(nanoseconds, rate, channels, bits, &got, &error), ok);
    if (ok)
        QCOMPARE(got, bytes);
    else
        QVERIFY(!error.isEmpty());
}

void TstCliUnits::answerLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<quint64>("done");

    using K = worker::Answer::Kind;
    QTest::newRow("progress") << worker::progressLine(8192, 96000) << int(K::Progress) << ""
                              << quint64(8192);
    QTest::newRow("huge progress") << worker::progressLine(quint64(1) << 40, 0) << int(K::Progress)
                                   << "" << (quint64(1) << 40);
    QTest::newRow("converted") << worker::endLine(Outcome()) << int(K::End) << "" << quint64(0);
    QTest::newRow("cancelled") << worker::endLine(Outcome::cancelled()) << int(K::End)
                               << "cancelled" << quint64(0);
    QTest::newRow("reason with spaces")
        << worker::endLine(Outcome::failed("cannot read", "not an audio file libsox knows"))
        << int(K::End) << "cannot read: not an audio file libsox knows" << quint64(0);
    QTest::newRow("reason with a newline and a percent")
        << worker::endLine(Outcome::failed("line one\nline two 100%")) << int(K::End)
        << "line one\nline two 100%" << quint64(0);
    QTest::newRow("reason beyond Latin-1")
        << worker::endLine(Outcome::failed(QStringLiteral("output folder does not exist"),
                                           QStringLiteral("/tmp/\u00e9t\u00e9 \u97f3")))
        << int(K::End) << QStringLiteral("output folder does not exist: /tmp/\u00e9t\u00e9 \u97f3")
        << quint64(0);
    QTest::newRow("empty reason") << worker::endLine(Outcome::failed("")) << int(K::End) << ""
                                  << quint64(0);
    QTest::newRow("warning") << worker::warningLine("ends early: 2 s") << int(K::Warning)
                             << "ends early: 2 s" << quint64(0);
    // A reason that a faulty encoder let through as it was: read as nothing,
    // not as a shorter or longer reason.
    QTest::newRow("reason not encoded")
        << QByteArray("failed cannot read: no %1\n") << int(K::Unreadable) << "" << quint64(0);
    QTest::newRow("reason cut by a broken escape")
        << QByteArray("failed cannot%2 %4\n") << int(K::Unreadable) << "" << quint64(0);
    QTest::newRow("reason not UTF-8")
        << QByteArray("failed %FF%FE x\n") << int(K::Unreadable) << "" << quint64(0);
    QTest::newRow("warning not encoded")
        << QByteArray("warning a:b\n") << int(K::Unreadable) << "" << quint64(0);
    QTest::newRow("garbage") << QByteArray("hello there\n") << int(K::Unreadable) << ""
                             << quint64(0);
    QTest::newRow("gain not a number")
        << QByteArray("gain loud\n") << int(K::Unreadable) << "" << quint64(0);
    QTest::newRow("gain not finite")
        << QByteArray("gain nan\n") << int(K::Unreadable) << "" << quint64(0);
    QTest::newRow("progress without total")
        << QByteArray("progress 5\n") << int(K::Unreadable) << "" << quint64(0);
    QTest::newRow("progress not numbers")
        << QByteArray("progress a b\n") << int(K::Unreadable) << "" << quint64(0);
}

void TstCliUnits::answerLines()
{
    QFETCH(QByteArray, line);
    QFETCH(int, kind);
    QFETCH(QString, reason);
    QFETCH(quint64, done);
    // Exactly one line each, whatever the text held.
    QCOMPARE(line.count('\n'), 1);
    QVERIFY(line.endsWith('\n'));
    const worker::Answer answer = worker::readAnswerLine(line);
    QCOMPARE(int(answer.kind), kind);
    QCOMPARE(answer.kind == worker::Answer::Kind::Warning ? answer.warning : answer.outcome.text(),
             reason);
    QCOMPARE(answer.done, done);
}

void TstCliUnits::gainLines_data()
{
    QTest::addColumn<double>("db");
    QTest::addColumn<double>("lufs"); // and the other levels measured
    QTest::addColumn<bool>("held");
    const double nan = qQNaN();
    QTest::newRow("a guarded gain") << -0.9649602320527642 << nan << false;
    QTest::newRow("none") << 0.0 << nan << false;
    QTest::newRow("a normalizing gain") << 37.123456789012345 << nan << false;
    QTest::newRow("a hair") << -1e-9 << nan << false;
    QTest::newRow("a loudness gain") << -3.25 << -12.756 << false;
    QTest::newRow("held by the ceiling") << 2.5 << -31.1 << true;
    QTest::newRow("silent") << 0.0 << -qInf() << false;
}

// The gain a worker chose, and what it measured, reach the parent to the
// last bit.
void TstCliUnits::gainLines()
{
    QFETCH(double, db);
    QFETCH(double, lufs);
    QFETCH(bool, held);
    sound::Level level;
    level.gainDb = db;
    level.firstDb = -db / 7;
    level.loudnessLufs = lufs;
    level.peakDbfs = lufs / 3;
    level.truePeakDbtp = lufs / 5;
    level.ceilingHeld = held;
    level.shared = held;
    const QByteArray line = worker::gainLine(level);
    QCOMPARE(line.count('\n'), 1);
    const worker::Answer answer = worker::readAnswerLine(line);
    QCOMPARE(int(answer.kind), int(worker::Answer::Kind::Gain));
    QVERIFY(answer.level.gainDb == db);
    QVERIFY(answer.level.firstDb == level.firstDb);
    for (const auto &[got, sent] : {std::pair{answer.level.loudnessLufs, lufs},
                                    std::pair{answer.level.peakDbfs, level.peakDbfs},
                                    std::pair{answer.level.truePeakDbtp, level.truePeakDbtp}})
        QVERIFY2(got == sent || (std::isnan(got) && std::isnan(sent)),
                 qPrintable(QString::number(got)));
    QCOMPARE(answer.level.ceilingHeld, held);
    QCOMPARE(answer.level.shared, held);
}

void TstCliUnits::jobLines_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::addColumn<bool>("readable");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("spare");
    QTest::addColumn<SoundOptions>("sound");
    QTest::addColumn<SettledGain>("settled");
    QTest::addColumn<bool>("measureOnly");

    // Paths that a line of words must carry whole: spaces, newlines, "%",
    // commas, letters beyond ASCII.
    const std::pair<const char *, const char *> paths[] = {
        {"in/a.wav", "out/a_x.wav"},
        {"in/Room B.WAV", "my out/Room B.WAV"},
        {"in/two\nlines.wav", "out/two\nlines.wav"},
        {"in/100%.wav", "out/100%%20.wav"},
        {"in,comma/a.wav", "\u00fcber/\u97f3.wav"},
    };
    int spare = 0;
    int quality = 0;
    for (const auto &p : paths) {
        spare = (spare + 1) % 3;
        SoundOptions sound;
        sound.quality = SoundOptions::Quality(quality % 5);
        sound.dither = quality % 2 == 1;
        sound.gainDb = quality * -1.1;
        sound.guard = quality % 3 == 1;
        sound.normalize = quality % 3 == 2;
        sound.normalizeDbfs = quality * -0.3;
        sound.loudness = quality % 2 == 0;
        sound.loudnessLufs = -14.3 - quality;
        sound.together = quality % 2 == 1;
        sound.trimStart = quality % 3 == 0;
        sound.trimStartDbfs = -48.25 - quality++;
        ConvertParams params;
        params.sampleRate = 48000;
        params.channels = 2;
        params.bitsPerSample = 24;
        params.fileSize = 65580;
        params.inputPath = QString::fromUtf8(p.first);
        params.outputPath = QString::fromUtf8(p.second);
        params.slot.pad = true;
        params.slot.fadeOutMs = 25;
        params.slot.startFrame = quint64(1) << 40;
        params.sound = sound;
        params.settled = SettledGain{quality % 2 == 0, -0.1 * quality, 1.0 / 3 * quality};
        params.measureOnly = quality % 2 == 1;
        QTest::newRow(p.first) << worker::rowLine(params, spare) << true << params.inputPath
                               << params.outputPath << spare << sound << params.settled
                               << params.measureOnly;
    }
    QTest::newRow("written out") << QByteArray("convert 48000 2 24 65580 1 1 25 1099511627776 1 "
                                               "a b\n")
                                 << true << "a"
                                 << "b" << 1 << SoundOptions() << SettledGain() << false;
    SoundOptions low;
    low.quality = SoundOptions::Quality::Low;
    low.dither = true;
    low.gainDb = -6.5;
    QTest::newRow("sound written out")
        << QByteArray("convert 48000 2 24 65580 1 1 25 1099511627776 1 a b quality=low dither=1 "
                      "gain=-6.5\n")
        << true << "a"
        << "b" << 1 << low << SettledGain() << false;
    for (const char *bad : {"convert 48000 2 24 0 1 0 0 0 0 a.wav\n",
                            "convert 48000 256 24 0 1 0 0 0 0 a b\n",
                            "convert x 2 24 0 1 0 0 0 0 a b\n",
                            "convert 48000 2 24 0 2 0 0 0 0 a b\n",
                            "convert 48000 2 24 0 1 2 0 0 0 a b\n",
                            "convert 48000 2 24 0 1 0 -5 0 0 a b\n",
                            "convert 48000 2 24 0 1 0 0 0 256 a b\n",
                            "convert 48000 2 24 0 1 0 0 0 a b\n",
                            "input 0\n",
                            "\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b quality=best\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b volume=2\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b quality\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b dither=2\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b gain=nan\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b gain=61\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b guard=yes\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b normalize=1\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b loudness=+10\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b trim=0\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b settled=-1\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b settled=inf,0\n",
                            "convert 48000 2 24 0 1 0 0 0 0 a b measure=yes\n"})
        QTest::newRow(bad) << QByteArray(bad) << false << QString() << QString() << 0
                           << SoundOptions() << SettledGain() << false;
}

void TstCliUnits::jobLines()
{
    QFETCH(QByteArray, line);
    QFETCH(bool, readable);
    QFETCH(QString, input);
    QFETCH(QString, output);
    QFETCH(int, spare);
    QFETCH(SoundOptions, sound);
    QFETCH(SettledGain, settled);
    QFETCH(bool, measureOnly);
    QCOMPARE(line.count('\n'), 1);
    QVERIFY(line.endsWith('\n'));
    const worker::Job job = worker::readJobLine(line.chopped(1));
    QCOMPARE(job.kind == worker::Job::Kind::Convert, readable);
    if (!readable)
        return;
    QCOMPARE(job.params.inputPath, input);
    QCOMPARE(job.params.outputPath, output);
    QCOMPARE(job.params.sampleRate, 48000u);
    QCOMPARE(int(job.params.channels), 2);
    QCOMPARE(int(job.params.bitsPerSample), 24);
    QCOMPARE(job.params.fileSize, 65580u);
    QVERIFY(job.params.mayReplace);
    QVERIFY(job.params.slot.pad);
    QCOMPARE(job.params.slot.fadeOutMs, 25u);
    QCOMPARE(job.params.slot.startFrame, quint64(1) << 40);
    QCOMPARE(job.spareProcessors, spare);
    QCOMPARE(int(job.params.sound.quality), int(sound.quality));
    QCOMPARE(job.params.sound.dither, sound.dither);
    QVERIFY(job.params.sound.gainDb == sound.gainDb); // exactly, not nearly
    QCOMPARE(job.params.sound.guard, sound.guard);
    QCOMPARE(job.params.sound.normalize, sound.normalize);
    if (sound.normalize)
        QVERIFY(job.params.sound.normalizeDbfs == sound.normalizeDbfs);
    QCOMPARE(job.params.sound.loudness, sound.loudness);
    if (sound.loudness)
        QVERIFY(job.params.sound.loudnessLufs == sound.loudnessLufs);
    QCOMPARE(job.params.sound.together, sound.together);
    QCOMPARE(job.params.sound.trimStart, sound.trimStart);
    if (sound.trimStart)
        QVERIFY(job.params.sound.trimStartDbfs == sound.trimStartDbfs);
    QCOMPARE(job.params.settled.given, settled.given);
    if (settled.given) {
        QVERIFY(job.params.settled.firstDb == settled.firstDb);
        QVERIFY(job.params.settled.lastDb == settled.lastDb);
    }
    QCOMPARE(job.params.measureOnly, measureOnly);
}

void TstCliUnits::spareProcessors_data()
{
    QTest::addColumn<int>("toStart"); // the row itself included
    QTest::addColumn<int>("running");
    QTest::addColumn<int>("processors");
    QTest::addColumn<int>("spare");
    QTest::newRow("one row, two processors") << 1 << 0 << 2 << 1;
    QTest::newRow("one row, eight processors") << 1 << 0 << 8 << 7;
    QTest::newRow("one processor") << 1 << 0 << 1 << 0;
    QTest::newRow("a full batch") << 500 << 0 << 2 << 0;
    QTest::newRow("last row, the other processor busy") << 1 << 1 << 2 << 0;
    QTest::newRow("last row of four, one busy") << 1 << 1 << 4 << 2;
    QTest::newRow("three rows fill three idle") << 3 << 1 << 4 << 0;
}

void TstCliUnits::spareProcessors()
{
    QFETCH(int, toStart);
    QFETCH(int, running);
    QFETCH(int, processors);
    QFETCH(int, spare);
    QCOMPARE(worker::spareProcessorsFor(toStart, running, processors), spare);
}

void TstCliUnits::workers_data()
{
    QTest::addColumn<int>("inputs");
    QTest::addColumn<double>("seconds");    // each; 0: the length is unknown
    QTest::addColumn<double>("cutSeconds"); // where a slot cuts each; 0: no cut
    QTest::addColumn<int>("jobs");
    QTest::addColumn<int>("workers");
    QTest::newRow("two tiny clips") << 2 << 0.05 << 0.0 << 2 << 1;
    QTest::newRow("a hundred tiny clips") << 100 << 0.05 << 0.0 << 2 << 1;
    QTest::newRow("500 one-second clips") << 500 << 1.0 << 0.0 << 2 << 2;
    QTest::newRow("500 one-second clips, one job") << 500 << 1.0 << 0.0 << 1 << 1;
    QTest::newRow("one long input") << 1 << 600.0 << 0.0 << 8 << 1;
    QTest::newRow("three long inputs") << 3 << 600.0 << 0.0 << 8 << 3;
    QTest::newRow("lengths unknown") << 2 << 0.0 << 0.0 << 2 << 2;
    QTest::newRow("one-second slots of long inputs") << 3 << 600.0 << 1.0 << 8 << 1;
}

void TstCliUnits::workers()
{
    QFETCH(int, inputs);
    QFETCH(double, seconds);
    QFETCH(double, cutSeconds);
    QFETCH(int, jobs);
    QFETCH(int, workers);
    Plan plan;
    plan.request.sampleRate = 48000;
    for (int i = 0; i < inputs; ++i) {
        PlanRow row;
        row.index = i;
        row.facts.sampleRate = 44100;
        row.facts.channels = 2;
        row.facts.frames = quint64(seconds * 44100);
        row.cutFrame = quint64(cutSeconds * 48000);
        plan.rows.append(row);
    }
    // Rows that do not convert cost nothing.
    PlanRow refused;
    refused.status = PlanRow::Status::Refused;
    refused.facts.frames = quint64(3600 * 44100);
    plan.rows.append(refused);
    QCOMPARE(worker::workersFor(plan, jobs), workers);
}

void TstCliUnits::workerCount_data()
{
    QTest::addColumn<int>("converting"); // rows of ten minutes each
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("processors");
    QTest::addColumn<int>("workers");
    QTest::newRow("as many as asked") << 8 << 3 << 2 << 3;
    QTest::newRow("no more than the rows") << 2 << 6 << 8 << 2;
    QTest::newRow("one asked") << 5 << 1 << 8 << 1;
    QTest::newRow("none asked: the processors") << 8 << 0 << 4 << 4;
    QTest::newRow("none asked, one row") << 1 << 0 << 4 << 1;
}

// The window and the command-line tool ask for their workers in one place.
void TstCliUnits::workerCount()
{
    QFETCH(int, converting);
    QFETCH(int, asked);
    QFETCH(int, processors);
    QFETCH(int, workers);
    Plan plan;
    plan.request.sampleRate = 48000;
    for (int i = 0; i < converting; ++i) {
        PlanRow row;
        row.index = i;
        row.facts.sampleRate = 48000;
        row.facts.channels = 2;
        row.facts.frames = 600 * 48000;
        plan.rows.append(row);
    }
    PlanRow refused;
    refused.status = PlanRow::Status::Refused;
    plan.rows.append(refused);
    QCOMPARE(worker::workerCount(plan, asked, processors), workers);
}

void TstCliUnits::progressGate_data()
{
    QTest::addColumn<quint64>("total");
    QTest::addColumn<QVector<quint64>>("done");
    QTest::addColumn<QVector<quint64>>("passed");
    QTest::addColumn<QVector<qint64>>("at"); // milliseconds of each news; none: spacing 0
    QTest::newRow("one per percent")
        << quint64(1000) << QVector<quint64>{0, 5, 9, 10, 11, 19, 20, 1000}
        << QVector<quint64>{0, 10, 20, 1000} << QVector<qint64>();
    QTest::newRow("beyond the total stays at 100")
        << quint64(100) << QVector<quint64>{99, 100, 150} << QVector<quint64>{99, 100}
        << QVector<qint64>();
    QTest::newRow("unknown total: per 2^20 samples")
        << quint64(0) << QVector<quint64>{1, 1048575, 1048576, 2000000, 2097152}
        << QVector<quint64>{1, 1048576, 2097152} << QVector<qint64>();
    QTest::newRow("a worker's, spaced")
        << quint64(100) << QVector<quint64>{0, 10, 20, 30, 40, 41, 50}
        << QVector<quint64>{0, 30, 50} << QVector<qint64>{5, 20, 40, 55, 80, 104, 106};
}

// What a worker sends and what the window hears of a conversion's progress.
void TstCliUnits::progressGate()
{
    QFETCH(quint64, total);
    QFETCH(QVector<quint64>, done);
    QFETCH(QVector<quint64>, passed);
    QFETCH(QVector<qint64>, at);
    ProgressGate gate(at.isEmpty() ? 0 : workerNewsSpacingMs);
    QVector<quint64> got;
    for (int i = 0; i < done.size(); ++i) {
        if (gate.pass(done.at(i), total, at.isEmpty() ? 0 : at.at(i)))
            got.append(done.at(i));
    }
    QCOMPARE(got, passed);
}

void TstCliUnits::audioFileNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("audio");
    QTest::newRow("wav") << "take.wav" << true;
    QTest::newRow("upper-case WAV") << "Room B.WAV" << true;
    QTest::newRow("flac") << "a.flac" << true;
    QTest::newRow("ogg") << "a.ogg" << true;
    QTest::newRow("mp3") << "a.mp3" << true;
    QTest::newRow("aif") << "a.aif" << true;
    QTest::newRow("two dots") << "a.b.aiff" << true;
    QTest::newRow("hidden") << ".take.wav" << false;
    QTest::newRow("text") << "notes.txt" << false;
    QTest::newRow("headerless raw") << "a.raw" << false;
    QTest::newRow("headerless s16") << "a.s16" << false;
    QTest::newRow("no extension") << "wav" << false;
    QTest::newRow("ends in a dot") << "take." << false;
    QTest::newRow("not read by libsox") << "a.opus" << false;
    QTest::newRow("extension only in the middle") << "a.wav.bak" << false;
}

void TstCliUnits::audioFileNames()
{
    QFETCH(QString, name);
    QFETCH(bool, audio);
    QCOMPARE(inputs::isAudioFileName(name), audio);
}

QTEST_GUILESS_MAIN(TstCliUnits)
#include "tst_cliunits.moc"
