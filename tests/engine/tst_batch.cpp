// A whole convert command: inputs in order, each reported once, failures with
// their reasons, a refused command once, cancelling, and the sound options a
// request carries by name.
#include "convert/batch.h"
#include "convert/command.h"
#include "convert/resampling.h"
#include "convert/workerpool.h"

#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

class TestBatch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();
    void mixedInputs();
    void refusedCommand_data();
    void refusedCommand();
    void noInputs_data();
    void noInputs();
    void cancel_data();
    void cancel();
    void sameInputTwice();
    void outputOnAnotherInput_data();
    void outputOnAnotherInput();
    void diagnostics_data();
    void diagnostics();
    void diagnosticsByCategory_data();
    void diagnosticsByCategory();
    void requestSound_data();
    void requestSound();
    void unreadableAnswer_data();
    void unreadableAnswer();
    void shortRowsSentAhead_data();
    void shortRowsSentAhead();

private:
    QString command(const QString &folder, const QStringList &inputs, quint32 size = 1000,
                    const QString &suffix = QStringLiteral("_48k")) const;
    int scratchCount() const;

    QTemporaryDir root;
    QString scratchDir;
    QString in;  // fixtures
    QString out; // a fresh output folder per test
};

namespace {

// Every report of a run, in the order it came, as one line each.
struct Recorder
{
    QStringList events;
    int progressCalls = 0;
    std::function<void(int)> onConverted;
    bool checkPlaced = false; // a real conversion's outputs, not a fake worker's

    BatchReport report()
    {
        BatchReport r;
        r.started = [this](int i, const QString &input, const QString &output) {
            events << QStringLiteral("started %1 %2 -> %3")
                          .arg(i)
                          .arg(QFileInfo(input).fileName(), QFileInfo(output).fileName());
        };
        r.progress = [this](int, quint64, quint64) { ++progressCalls; };
        r.converted = [this](int i, const QString &input, const QString &output) {
            events << QStringLiteral("converted %1 %2 -> %3")
                          .arg(i)
                          .arg(QFileInfo(input).fileName(), QFileInfo(output).fileName());
            // Told only once the output stands at its path.
            if (checkPlaced && !QFileInfo::exists(output))
                events << QStringLiteral("%1 is not in place").arg(output);
            if (onConverted)
                onConverted(i);
        };
        r.failed = [this](int i, const QString &input, const Outcome &outcome) {
            events << QStringLiteral("failed %1 %2: %3")
                          .arg(i)
                          .arg(QFileInfo(input).fileName(), outcome.text());
        };
        return r;
    }
};

// The sound options that differ from the plain conversion's, by the names a
// request gives them.
QVariantMap differing(const SoundOptions &s)
{
    QVariantMap m;
    if (s.quality != SoundOptions::Quality::High)
        m.insert("quality", sound::qualityName(s.quality));
    const std::pair<const char *, bool> switches[] = {
        {"dither", s.dither}, {"guard", s.guard}, {"together", s.together}};
    for (const auto &on : switches) {
        if (on.second)
            m.insert(on.first, true);
    }
    if (s.gainDb != 0)
        m.insert("gainDb", s.gainDb);
    if (s.normalize)
        m.insert("normalizeDbfs", s.normalizeDbfs);
    if (s.loudness)
        m.insert("loudnessLufs", s.loudnessLufs);
    if (s.trimStart)
        m.insert("trimStartDbfs", s.trimStartDbfs);
    return m;
}

} // namespace

void TestBatch::initTestCase()
{
    QVERIFY(root.isValid());
    scratchDir = root.filePath(QStringLiteral("tmp"));
    in = root.filePath(QStringLiteral("in"));
    QVERIFY(QDir().mkpath(scratchDir));
    QVERIFY(QDir().mkpath(in + QStringLiteral("/folder.wav")));
    qputenv("TMPDIR", QFile::encodeName(scratchDir));

    QVERIFY(testutil::makeAudio(in + QStringLiteral("/take1.wav"), 44100, 2, 16, 0.3));
    QVERIFY(
        QFile::copy(in + QStringLiteral("/take1.wav"), in + QStringLiteral("/take1 again.wav")));
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/Room B.WAV"), 22050, 1, 16, 0.3));
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/take2.flac"), 48000, 2, 24, 0.3));
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/take3.ogg"), 44100, 1, 16, 0.3));
    QVERIFY(testutil::makeAudio(in + QStringLiteral("/long.flac"), 44100, 2, 16, 3.0));
    QFile text(in + QStringLiteral("/notes.wav"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("words, not samples\n");
}

void TestBatch::cleanup()
{
    QCOMPARE(scratchCount(), 0);
}

QString TestBatch::command(const QString &folder, const QStringList &inputs, quint32 size,
                           const QString &suffix) const
{
    QStringList paths;
    for (const QString &name : inputs)
        paths << (name.isEmpty() || name.startsWith(QLatin1Char('/'))
                      ? name
                      : in + QLatin1Char('/') + name);
    return QStringLiteral("$DoConvert,48000,1,16,%1,%2,%3,").arg(size).arg(folder, suffix) +
           paths.join(QLatin1Char(','));
}

int TestBatch::scratchCount() const
{
    return QDir(scratchDir).entryList({QStringLiteral("rezOrizezovu*")}).size();
}

void TestBatch::mixedInputs()
{
    QTemporaryDir dir;
    Resampling resampling;
    Recorder rec;
    rec.checkPlaced = true;
    const QString text =
        command(dir.path(), {"take1.wav", "missing.flac", "Room B.WAV", "notes.wav", "folder.wav",
                             "take2.flac", "take3.ogg"});
    QVERIFY(runBatch(text, resampling, rec.report()));

    const QStringList expected{
        "started 0 take1.wav -> take1_48k.wav",
        "converted 0 take1.wav -> take1_48k.wav",
        "started 1 missing.flac -> missing_48k.wav",
        "failed 1 missing.flac: file not found",
        "started 2 Room B.WAV -> Room B_48k.wav",
        "converted 2 Room B.WAV -> Room B_48k.wav",
        "started 3 notes.wav -> notes_48k.wav",
        "failed 3 notes.wav: cannot read: not a sound file in a format this program reads",
        "started 4 folder.wav -> folder_48k.wav",
        "failed 4 folder.wav: is a folder, not an audio file",
        "started 5 take2.flac -> take2_48k.wav",
        "converted 5 take2.flac -> take2_48k.wav",
        "started 6 take3.ogg -> take3_48k.wav",
        "converted 6 take3.ogg -> take3_48k.wav",
    };
    QCOMPARE(rec.events, expected);
    QVERIFY(rec.progressCalls > 0);

    QStringList written = QDir(dir.path()).entryList(QDir::Files);
    written.sort();
    QCOMPARE(written,
             (QStringList{"Room B_48k.wav", "take1_48k.wav", "take2_48k.wav", "take3_48k.wav"}));
    for (const QString &name : qAsConst(written)) {
        QString format;
        QVERIFY(testutil::pythonWave(dir.filePath(name), &format));
        QCOMPARE(format, QStringLiteral("48000 1 2 478"));
        QCOMPARE(QFileInfo(dir.filePath(name)).size(), qint64(1000));
    }
}

void TestBatch::refusedCommand_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reasonHas");

    const QString tail = QStringLiteral(",/o/,_s,/in/a.wav,/in/b.wav");
    QTest::newRow("empty") << ""
                           << "empty";
    QTest::newRow("tag in other case") << "$doConvert,48000,1,16,0" + tail << "position 0";
    QTest::newRow("rate 0") << "$DoConvert,0,1,16,0" + tail << "position 1";
    QTest::newRow("rate 768001") << "$DoConvert,768001,1,16,0" + tail << "768001";
    QTest::newRow("channels 256") << "$DoConvert,48000,256,16,0" + tail << "position 2";
    QTest::newRow("bits 256") << "$DoConvert,48000,1,256,0" + tail << "position 3";
    QTest::newRow("size 4294967296") << "$DoConvert,48000,1,16,4294967296" + tail << "4294967296";
    QTest::newRow("size not a number") << "$DoConvert,48000,1,16,lots" + tail << "lots";
}

void TestBatch::refusedCommand()
{
    QFETCH(QString, text);
    QFETCH(QString, reasonHas);

    Resampling resampling;
    Recorder rec;
    QVERIFY(!runBatch(text, resampling, rec.report()));
    QCOMPARE(rec.events.size(), 1);
    QVERIFY2(rec.events.first().startsWith(QLatin1String("failed -1 : ")),
             qPrintable(rec.events.first()));
    QVERIFY2(rec.events.first().contains(reasonHas), qPrintable(rec.events.first()));
    QCOMPARE(rec.progressCalls, 0);
}

void TestBatch::noInputs_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("tag alone") << "$DoConvert";
    QTest::newRow("seven parts") << "$DoConvert,48000,1,16,0,/o/,_s";
    QTest::newRow("only empty inputs") << "$DoConvert,48000,1,16,0,/o/,_s,,,";
}

void TestBatch::noInputs()
{
    QFETCH(QString, text);
    Resampling resampling;
    Recorder rec;
    QVERIFY(runBatch(text, resampling, rec.report()));
    QCOMPARE(rec.events, QStringList());
}

void TestBatch::cancel_data()
{
    QTest::addColumn<int>("cancelAfter"); // -1: before the start
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("before the start")
        << -1
        << QStringList{"failed 0 take1.wav: cancelled", "failed 1 long.flac: cancelled",
                       "failed 2 take3.ogg: cancelled"};
    QTest::newRow("after the first input")
        << 0
        // The next row converts while the first one's output is put in place.
        << QStringList{"started 0 take1.wav -> take1.wav", "converted 0 take1.wav -> take1.wav",
                       "started 1 long.flac -> long.wav", "failed 1 long.flac: cancelled",
                       "failed 2 take3.ogg: cancelled"};
}

void TestBatch::cancel()
{
    QFETCH(int, cancelAfter);
    QFETCH(QStringList, expected);

    QTemporaryDir dir;
    Resampling resampling;
    std::atomic_bool cancel{cancelAfter < 0};
    Recorder rec;
    rec.onConverted = [&](int i) {
        if (i == cancelAfter)
            cancel = true;
    };
    QVERIFY(runBatch(command(dir.path(), {"take1.wav", "long.flac", "take3.ogg"}, 0, QString()),
                     resampling, rec.report(), &cancel));
    QCOMPARE(rec.events, expected);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files),
             cancelAfter < 0 ? QStringList() : QStringList{"take1.wav"});
}

void TestBatch::sameInputTwice()
{
    // The first keeps the output path; the second is refused, naming the first.
    QTemporaryDir dir;
    Resampling resampling;
    Recorder rec;
    QVERIFY(
        runBatch(command(dir.path(), {"take2.flac", "take2.flac"}, 0), resampling, rec.report()));
    QCOMPARE(rec.events.filter(QStringLiteral("converted")).size(), 1);
    QCOMPARE(rec.events.filter(QStringLiteral("failed")),
             QStringList{QStringLiteral("failed 1 take2.flac: %1/take2.flac already writes "
                                        "%2/take2_48k.wav; give a suffix or convert them apart")
                             .arg(in, dir.path())});
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"take2_48k.wav"});
    QCOMPARE(testutil::soxi(dir.filePath("take2_48k.wav"), QStringLiteral("-s")),
             QStringLiteral("14400"));
}

void TestBatch::outputOnAnotherInput_data()
{
    QTest::addColumn<QStringList>("inputs"); // copied into one folder
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("sameFolder"); // outputs beside the inputs
    QTest::addColumn<QStringList>("expected");

    const QString self = QStringLiteral("the output would overwrite the input file itself");
    QTest::newRow("flac lands on the wav of the same name")
        << QStringList{"take.flac", "take.wav"} << "" << true
        << QStringList{
               "started 0 take.flac -> take.wav",
               "failed 0 take.flac: the output would overwrite {dir}/take.wav, another input "
               "of this request",
               "started 1 take.wav -> take.wav", "failed 1 take.wav: " + self};
    QTest::newRow("the wav first, then the flac")
        << QStringList{"take.wav", "take.flac"} << "" << true
        << QStringList{
               "started 0 take.wav -> take.wav", "failed 0 take.wav: " + self,
               "started 1 take.flac -> take.wav",
               "failed 1 take.flac: the output would overwrite {dir}/take.wav, another input "
               "of this request"};
    QTest::newRow("suffix makes another input's name")
        << QStringList{"a.wav", "a_x.wav"} << "_x" << true
        << QStringList{"started 0 a.wav -> a_x.wav",
                       "failed 0 a.wav: the output would overwrite {dir}/a_x.wav, another input of "
                       "this request",
                       "started 1 a_x.wav -> a_x_x.wav", "converted 1 a_x.wav -> a_x_x.wav"};
    // Both would write take.wav there: the first keeps it.
    QTest::newRow("another folder: the two outputs collide")
        << QStringList{"take.flac", "take.wav"} << "" << false
        << QStringList{"started 0 take.flac -> take.wav", "converted 0 take.flac -> take.wav",
                       "started 1 take.wav -> take.wav",
                       "failed 1 take.wav: {dir}/take.flac already writes {out}/take.wav; give a "
                       "suffix or convert them apart"};
}

void TestBatch::outputOnAnotherInput()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, suffix);
    QFETCH(bool, sameFolder);
    QFETCH(QStringList, expected);

    QTemporaryDir source, elsewhere;
    QStringList paths;
    QHash<QString, QByteArray> originals;
    for (const QString &name : inputs) {
        const QString from =
            in + (name.endsWith(QLatin1String(".flac")) ? QStringLiteral("/take2.flac")
                                                        : QStringLiteral("/take1.wav"));
        QVERIFY(QFile::copy(from, source.filePath(name)));
        paths << source.filePath(name);
        originals.insert(name, testutil::readAll(source.filePath(name)));
    }
    Resampling resampling;
    Recorder rec;
    const QString folder = sameFolder ? source.path() : elsewhere.path();
    QVERIFY(runBatch(command(folder, paths, 0, suffix), resampling, rec.report()));
    expected.replaceInStrings(QStringLiteral("{dir}"), source.path());
    expected.replaceInStrings(QStringLiteral("{out}"), elsewhere.path());
    QCOMPARE(rec.events, expected);
    for (const QString &name : inputs)
        QVERIFY2(testutil::readAll(source.filePath(name)) == originals.value(name),
                 qPrintable(name + " was overwritten"));
}

void TestBatch::diagnostics_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("lines"); // after the first, which is the command itself

    QTest::newRow("one input, rate and channels change")
        << "$DoConvert,48000,1,16,1000,%1,_48k,%2/take1.wav"
        << QStringList{"str \"1000\" 1000", "input 0",  "rate 0",
                       "channels 0",        "output 0", "sizeData 956 1000"};
    QTest::newRow("two inputs, nothing to change")
        << "$DoConvert,44100,2,16,1000,%1,_x,%2/take1.wav,%2/take1 again.wav"
        << QStringList{"str \"1000\" 1000", "input 0",  "output 0",         "sizeData 956 1000",
                       "input 0",           "output 0", "sizeData 956 1000"};
    QTest::newRow("refused at the size")
        << "$DoConvert,48000,1,16,-5,%1,,%2/take1.wav" << QStringList{"str \"-5\" 0"};
    QTest::newRow("refused before the size")
        << "$DoConvert,48000,0,16,1000,%1,,%2/take1.wav" << QStringList{};
}

void TestBatch::diagnostics()
{
    QFETCH(QString, text);
    QFETCH(QStringList, lines);

    QTemporaryDir dir;
    text = text.arg(dir.path(), in);
    Resampling resampling;
    QStringList logged;
    {
        testutil::DebugCapture capture;
        runBatch(text, resampling, BatchReport());
        logged = capture.lines();
    }

    QVERIFY(!logged.isEmpty());
    // The whole command, as QDebug writes a string: in double quotes.
    QCOMPARE(logged.takeFirst(), QLatin1Char('"') + text + QLatin1Char('"'));
    QCOMPARE(logged, lines);
}

void TestBatch::diagnosticsByCategory_data()
{
    QTest::addColumn<QString>("rules");
    QTest::addColumn<QStringList>("lines"); // after the command itself, where it shows

    const QStringList contract{"str \"1000\" 1000", "input 0",  "rate 0",
                               "channels 0",        "output 0", "sizeData 956 1000"};
    const QStringList own{"failed %1/missing.flac - file not found",
                          "failed %1/notes.wav - cannot read: not a sound file in a format this "
                          "program reads"};
    QTest::newRow("the program's own off") << "sabletide.*.debug=false" << contract;
    QTest::newRow("only the batch's") << "default.debug=false\nsabletide.sox.debug=false" << own;
    QTest::newRow("the batch's off too")
        << "default.debug=false\nsabletide.sox.debug=false\nsabletide.batch.debug=false"
        << QStringList();
}

// The lines that the conversion's contract names stay in the default
// category; the program's own diagnostics have categories of their own.
void TestBatch::diagnosticsByCategory()
{
    QFETCH(QString, rules);
    QFETCH(QStringList, lines);
    for (QString &line : lines)
        line.replace(QLatin1String("%1"), in);
    QTemporaryDir dir;
    const QString text = command(dir.path(), {"take1.wav", "missing.flac", "notes.wav"});
    Resampling resampling;
    QStringList logged;
    QLoggingCategory::setFilterRules(rules);
    {
        testutil::DebugCapture capture;
        runBatch(text, resampling, BatchReport());
        logged = capture.lines();
    }
    QLoggingCategory::setFilterRules(QString());
    if (!rules.startsWith(QLatin1String("default.debug=false")))
        QCOMPARE(logged.takeFirst(), QLatin1Char('"') + text + QLatin1Char('"'));
    QCOMPARE(logged, lines);
}

void TestBatch::requestSound_data()
{
    QTest::addColumn<QVariantMap>("given");
    // What the request then asks beyond the plain conversion, or why not.
    QTest::addColumn<QVariantMap>("asked");
    QTest::addColumn<QString>("refusal");

    const QVariantMap none;
    QTest::newRow("none") << none << none << "";
    QTest::newRow("a fixed gain, guarded") << QVariantMap{{"quality", "very-high"},
                                                          {"dither", true},
                                                          {"gainDb", "-6.5"},
                                                          {"guard", "true"},
                                                          {"trimStartDbfs", -48}}
                                           << QVariantMap{{"quality", "very-high"},
                                                          {"dither", true},
                                                          {"gainDb", -6.5},
                                                          {"guard", true},
                                                          {"trimStartDbfs", -48.0}}
                                           << "";
    QTest::newRow("a loudness, together")
        << QVariantMap{{"loudnessLufs", -16}, {"together", true}, {"quality", "quick"}}
        << QVariantMap{{"loudnessLufs", -16.0}, {"together", true}, {"quality", "quick"}} << "";
    QTest::newRow("a peak in dB, switches off")
        << QVariantMap{{"normalizeDbfs", "-1 dB"}, {"dither", false}, {"guard", "false"}}
        << QVariantMap{{"normalizeDbfs", -1.0}} << "";
    QTest::newRow("no such quality")
        << QVariantMap{{"quality", "best"}} << none << "option quality cannot be \"best\"";
    QTest::newRow("a gain of 200 dB")
        << QVariantMap{{"gainDb", 200}} << none << "option gainDb cannot be \"200\"";
    QTest::newRow("a loudness of +10 LUFS")
        << QVariantMap{{"loudnessLufs", 10}} << none << "option loudnessLufs cannot be \"10\"";
    QTest::newRow("a trim at full scale")
        << QVariantMap{{"trimStartDbfs", 0}} << none << "option trimStartDbfs cannot be \"0\"";
    QTest::newRow("a switch in words")
        << QVariantMap{{"dither", "yes"}} << none << "option dither cannot be \"yes\"";
    QTest::newRow("together alone") << QVariantMap{{"together", true}} << none
                                    << "option together needs normalizeDbfs or loudnessLufs";
    QTest::newRow("a peak and a loudness")
        << QVariantMap{{"normalizeDbfs", -1}, {"loudnessLufs", -16}} << none
        << "options normalizeDbfs and loudnessLufs cannot be given together";
    QTest::newRow("a loudness, guarded")
        << QVariantMap{{"loudnessLufs", -16}, {"guard", true}} << none
        << "options loudnessLufs and guard cannot be given together";
}

// Read by the rules the command-line tool reads its options by, and put into
// the request as they were read.
void TestBatch::requestSound()
{
    QFETCH(QVariantMap, given);
    QFETCH(QVariantMap, asked);
    QFETCH(QString, refusal);

    RequestOptions read;
    QString error;
    given.insert("pad", true);
    QCOMPARE(readRequestOptions(given, &read, &error), refusal.isEmpty());
    QCOMPARE(error, refusal);
    if (!refusal.isEmpty())
        return;
    QVERIFY(read.pad);
    QCOMPARE(differing(read.sound), asked);
    ConvertCommand c;
    c.sampleRate = 8000;
    c.sound.dither = true;
    applyOptions(read, &c);
    QCOMPARE(differing(c.sound), asked);
}

QTEST_GUILESS_MAIN(TestBatch)

void TestBatch::unreadableAnswer_data()
{
    QTest::addColumn<QString>("answer");
    QTest::newRow("reason not encoded") << "failed cannot read: no such file";
    QTest::newRow("broken escape") << "failed cannot%2 x";
    QTest::newRow("progress not numbers") << "progress a b";
    QTest::newRow("not a word it knows") << "done";
}

// A worker whose answer cannot be read fails its row at once and is stopped,
// rather than left to convert or wait for ever: this one would sleep for
// ten minutes after its answer.
void TestBatch::unreadableAnswer()
{
    QFETCH(QString, answer);
    QTemporaryDir dir;
    ConvertCommand c;
    command::ParseError error;
    QVERIFY(command::parse(command(dir.path(), {"take1.wav"}), &c, &error));
    const Plan plan = makePlan(c);
    Recorder rec;
    const worker::Program fake{QStringLiteral("/bin/sh"),
                               {QStringLiteral("-c"),
                                QStringLiteral("read line; printf '%s\\n' \"$0\"; exec sleep 600"),
                                answer}};
    worker::Pool pool(plan, 1, fake, rec.report());
    pool.run();
    QCOMPARE(rec.events,
             QStringList({"started 0 take1.wav -> take1_48k.wav",
                          "failed 0 take1.wav: the worker process gave an answer that cannot be "
                          "read"}));
}

void TestBatch::shortRowsSentAhead_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QStringList>("events");
    // It answers its first row only once the second is there: a pool that
    // waited for the answer first would leave it waiting.
    QTest::newRow("the next row waits in the worker")
        << "read a; read -t 5 b || exit 3; echo converted; echo converted; read c; echo converted"
        << QStringList{
               "started 0 take1.wav -> take1_48k.wav",   "converted 0 take1.wav -> take1_48k.wav",
               "started 1 Room B.WAV -> Room B_48k.wav", "converted 1 Room B.WAV -> Room B_48k.wav",
               "started 2 take3.ogg -> take3_48k.wav",   "converted 2 take3.ogg -> take3_48k.wav"};
    // A worker that dies with a row sent ahead never began it: the row goes
    // to the next worker, and is reported once.
    QTest::newRow("a worker dies holding the next row")
        << "read a; read -t 1 b; exit 3"
        << QStringList{"started 0 take1.wav -> take1_48k.wav",
                       "failed 0 take1.wav: the worker process ended with status 3",
                       "started 1 Room B.WAV -> Room B_48k.wav",
                       "failed 1 Room B.WAV: the worker process ended with status 3",
                       "started 2 take3.ogg -> take3_48k.wav",
                       "failed 2 take3.ogg: the worker process ended with status 3"};
}

// Short rows go to a busy worker ahead of their turn, and are announced only
// when the row before them ends.
void TestBatch::shortRowsSentAhead()
{
    QFETCH(QString, script);
    QFETCH(QStringList, events);
    QTemporaryDir dir;
    ConvertCommand c;
    command::ParseError error;
    QVERIFY(
        command::parse(command(dir.path(), {"take1.wav", "Room B.WAV", "take3.ogg"}), &c, &error));
    const Plan plan = makePlan(c);
    Recorder rec;
    const worker::Program fake{QStringLiteral("/bin/bash"), {QStringLiteral("-c"), script}};
    worker::Pool pool(plan, 1, fake, rec.report());
    pool.run();
    QCOMPARE(rec.events, events);
}

#include "tst_batch.moc"
