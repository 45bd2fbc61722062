// What the bridge answers when the window asks for the engine's rules: the
// files a folder stands for (the command-line tool's own choice, run beside
// it), sizes from durations, frame layout, clashes and existing outputs, and
// the requests that carry the answer to existing outputs to the controller,
// the planner's rows as the window gets them, and the bytes of the window's
// request beside the command-line tool's.
#include "app/core.h"
#include "bridge/data.h"
#include "bridge/rules.h"
#include "convert/plan.h"
#include "convert/soxhandles.h"
#include "convert/units.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

class TestWindowRules : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void sameFilesAsTheCommandLine();
    void eachPathAnsweredAlone();
    void sizeForDuration_data();
    void sizeForDuration();
    void sizeLayout_data();
    void sizeLayout();
    void outputClashes_data();
    void outputClashes();
    void existingOutputs();
    void existingChoiceReachesTheController_data();
    void existingChoiceReachesTheController();
    void planRequest_data();
    void planRequest();
    void sameBytesAsTheCommandLine_data();
    void sameBytesAsTheCommandLine();

private:
    // Runs one scan and returns its answer: [paths, refused].
    QVariantList find(const QStringList &paths);

    QTemporaryDir scratch;
    sox::Session soxSession;
    Rules rules;
    // 8 kHz mono 16-bit: 0.3 s (2,400 frames) and 1 s (8,000 frames).
    QString shortInput;
    QString longInput;
};

void TestWindowRules::initTestCase()
{
    QVERIFY(scratch.isValid());
    QVERIFY(QDir(scratch.path()).mkpath(QStringLiteral("sounds")));
    shortInput = scratch.filePath(QStringLiteral("sounds/short.wav"));
    longInput = scratch.filePath(QStringLiteral("sounds/long.flac"));
    QVERIFY(testutil::makeAudio(shortInput, 8000, 1, 16, 0.3));
    QVERIFY(testutil::makeAudio(longInput, 22050, 2, 16, 1.0, true));
}

QVariantList TestWindowRules::find(const QStringList &paths)
{
    QSignalSpy found(&rules, &Rules::sgInputsFound);
    const int request = rules.findInputs(paths);
    // Queued: never inside the call.
    if (found.count() != 0 || !found.wait(60000) || found.count() != 1 ||
        found.at(0).at(0).toInt() != request)
        return {};
    return {found.at(0).at(1), found.at(0).at(2)};
}

// One folder, chosen from by the window and by sabletide-cli: names libsox
// knows, content libsox knows under names it does not (.oga, .wave), and what
// is neither. The command-line tool's dry run names each input, its output
// and its size.
void TestWindowRules::sameFilesAsTheCommandLine()
{
    QDir root(scratch.path());
    QVERIFY(root.mkpath(QStringLiteral("mix/sub")));
    QVERIFY(root.mkpath(QStringLiteral("mixout")));
    const QString folder = root.filePath(QStringLiteral("mix"));
    QVERIFY(testutil::makeAudio(folder + QStringLiteral("/a.wav"), 8000, 1, 16, 1.0));
    QVERIFY(testutil::makeAudio(folder + QStringLiteral("/real.wav"), 22050, 2, 16, 1.0));
    QVERIFY(
        QFile::rename(folder + QStringLiteral("/real.wav"), folder + QStringLiteral("/real.wave")));
    QVERIFY(testutil::makeAudio(folder + QStringLiteral("/sub/deep.wav"), 8000, 1, 16, 1.0));
    QVERIFY(testutil::makeAudio(folder + QStringLiteral("/.hidden.wav"), 8000, 1, 16, 1.0));
    QCOMPARE(testutil::run(QStringLiteral("sox"),
                           {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                            QStringLiteral("-t"), QStringLiteral("ogg"),
                            folder + QStringLiteral("/x.oga"), QStringLiteral("synth"),
                            QStringLiteral("1"), QStringLiteral("sine"), QStringLiteral("440")}),
             0);
    for (const char *name : {"/junk.wave", "/notes.txt"}) {
        QFile f(folder + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("not a sound\n");
    }

    const QVariantList answer = find({folder});
    QCOMPARE(answer.size(), 2);
    const QStringList window = answer.at(0).toStringList();
    QCOMPARE(window,
             (QStringList{folder + QStringLiteral("/a.wav"), folder + QStringLiteral("/real.wave"),
                          folder + QStringLiteral("/x.oga")}));
    QCOMPARE(answer.at(1).toList().size(), 0);

    const QString out = root.filePath(QStringLiteral("mixout/"));
    QByteArray printed;
    QByteArray said;
    QCOMPARE(testutil::run(testutil::binDir() + QStringLiteral("/sabletide-cli"),
                           {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
                            QStringLiteral("-c"), QStringLiteral("1"), QStringLiteral("-b"),
                            QStringLiteral("16"), QStringLiteral("-d"), QStringLiteral("0.7"),
                            QStringLiteral("-o"), out, folder},
                           &printed, &said),
             0);
    const QVariantMap size = rules.sizeForDuration(QStringLiteral("0.7"), 44100, 1, 16);
    QCOMPARE(size.value(QStringLiteral("bytes")).toDouble(), 44.0 + 30870 * 2);
    static const QRegularExpression row(QStringLiteral("^(.*) -> (.*) \\((\\d+) bytes\\)$"));
    QStringList cli;
    for (const QString &line :
         QString::fromUtf8(printed).split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QRegularExpressionMatch m = row.match(line);
        QVERIFY2(m.hasMatch(), qPrintable(line));
        cli << m.captured(1);
        QCOMPARE(m.captured(2), rules.outputPath(m.captured(1), out, QString()));
        QCOMPARE(m.captured(3).toDouble(), size.value(QStringLiteral("bytes")).toDouble());
    }
    QCOMPARE(cli, window);
}

// A folder refused or empty costs only itself; the others are still found.
void TestWindowRules::eachPathAnsweredAlone()
{
    QDir root(scratch.path());
    QVERIFY(root.mkpath(QStringLiteral("alone/good")));
    QVERIFY(root.mkpath(QStringLiteral("alone/empty")));
    QVERIFY(root.mkpath(QStringLiteral("alone/bad")));
    const QString base = root.filePath(QStringLiteral("alone"));
    for (const char *name : {"/good/a.flac", "/bad/b.wav", "/bad/c,d.wav", "/empty/e.txt"}) {
        QFile f(base + QLatin1String(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    const QStringList asked{base + QStringLiteral("/bad"), base + QStringLiteral("/empty"),
                            base + QStringLiteral("/missing.wav"), base + QStringLiteral("/good")};
    const QVariantList answer = find(asked);
    QCOMPARE(answer.size(), 2);
    QCOMPARE(answer.at(0).toStringList(), (QStringList{base + QStringLiteral("/missing.wav"),
                                                       base + QStringLiteral("/good/a.flac")}));
    const QVariantList refused = answer.at(1).toList();
    QCOMPARE(refused.size(), 2);
    const QVariantMap bad = refused.at(0).toMap();
    QCOMPARE(bad.value(QStringLiteral("path")).toString(), asked.at(0));
    QVERIFY2(bad.value(QStringLiteral("reason"))
                 .toString()
                 .startsWith(base + QStringLiteral("/bad/c,d.wav: ")),
             qPrintable(bad.value(QStringLiteral("reason")).toString()));
    QCOMPARE(bad.value(QStringLiteral("empty")).toBool(), false);
    const QVariantMap empty = refused.at(1).toMap();
    QCOMPARE(empty.value(QStringLiteral("path")).toString(), asked.at(1));
    QCOMPARE(empty.value(QStringLiteral("reason")).toString(), QString());
    QCOMPARE(empty.value(QStringLiteral("empty")).toBool(), true);

    // Answers come in the order asked, each under its own number.
    QSignalSpy found(&rules, &Rules::sgInputsFound);
    const int first = rules.findInputs({base + QStringLiteral("/good")});
    const int second = rules.findInputs({base + QStringLiteral("/missing.wav")});
    QTRY_COMPARE(found.count(), 2);
    QCOMPARE(found.at(0).at(0).toInt(), first);
    QCOMPARE(found.at(1).at(0).toInt(), second);
    QCOMPARE(found.at(1).at(1).toStringList(), QStringList{base + QStringLiteral("/missing.wav")});
}

// Durations as typed, through the engine's integer nanoseconds: no frame is
// lost to rounding where a float would lose it.
void TestWindowRules::sizeForDuration_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("bytes"); // 0: refused

    QTest::newRow("0.7 s keeps its last frame") << "0.7" << 44100 << 1 << 16 << 44.0 + 30870 * 2;
    QTest::newRow("0.1 s keeps its last frame") << "0.1" << 44100 << 1 << 16 << 44.0 + 4410 * 2;
    QTest::newRow("0.3 s at 48 kHz") << "0.3" << 48000 << 1 << 8 << 44.0 + 14400;
    QTest::newRow("2.5 s of 24-bit stereo") << "2.5" << 48000 << 2 << 24 << 44.0 + 120000 * 6;
    QTest::newRow("part of a frame is dropped") << "1.00001" << 8000 << 1 << 32 << 44.0 + 8000 * 4;
    QTest::newRow("six channels") << "1" << 8000 << 6 << 16 << 44.0 + 8000 * 12;
    QTest::newRow("minutes and seconds") << "1:30" << 8000 << 1 << 8 << 44.0 + 720000;
    QTest::newRow("zero holds no frame") << "0" << 44100 << 2 << 16 << 0.0;
    QTest::newRow("shorter than a frame") << "0.0001" << 8000 << 1 << 16 << 0.0;
    QTest::newRow("too long") << "300000" << 8000 << 1 << 16 << 0.0;
    QTest::newRow("negative") << "-1" << 8000 << 1 << 16 << 0.0;
    QTest::newRow("no rate") << "1" << 0 << 1 << 16 << 0.0;
}

void TestWindowRules::sizeForDuration()
{
    QFETCH(QString, text);
    QFETCH(int, rate);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(double, bytes);
    const QVariantMap a = rules.sizeForDuration(text, rate, channels, bits);
    QCOMPARE(a.value(QStringLiteral("ok")).toBool(), bytes > 0);
    QCOMPARE(a.value(QStringLiteral("bytes")).toDouble(), bytes);
    QCOMPARE(a.value(QStringLiteral("error")).toString().isEmpty(), bytes > 0);
}

void TestWindowRules::sizeLayout_data()
{
    QTest::addColumn<double>("size");
    QTest::addColumn<int>("channels");
    QTest::addColumn<int>("bits");
    QTest::addColumn<double>("frames");
    QTest::addColumn<bool>("whole");
    QTest::addColumn<QVariant>("lower");
    QTest::addColumn<QVariant>("upper");
    const QVariant none = QVariant::fromValue(nullptr);

    QTest::newRow("whole") << 1000.0 << 2 << 16 << 239.0 << true << none << none;
    QTest::newRow("one second") << 176444.0 << 2 << 16 << 44100.0 << true << none << none;
    QTest::newRow("zero is the whole sound") << 0.0 << 2 << 16 << 0.0 << true << none << none;
    QTest::newRow("torn frame does not count")
        << 176447.0 << 2 << 16 << 44100.0 << false << QVariant(176444.0) << QVariant(176448.0);
    QTest::newRow("24-bit stereo")
        << 100.0 << 2 << 24 << 9.0 << false << QVariant(98.0) << QVariant(104.0);
    QTest::newRow("no whole frame below")
        << 47.0 << 2 << 16 << 0.0 << false << none << QVariant(48.0);
    QTest::newRow("less than a frame") << 47.0 << 1 << 32 << 0.0 << false << none << QVariant(48.0);
    QTest::newRow("no whole frame above")
        << 4294967295.0 << 2 << 16 << 1073741812.0 << false << QVariant(4294967292.0) << none;
    QTest::newRow("8-bit mono is always whole")
        << 4294967295.0 << 1 << 8 << 4294967251.0 << true << none << none;
}

void TestWindowRules::sizeLayout()
{
    QFETCH(double, size);
    QFETCH(int, channels);
    QFETCH(int, bits);
    QFETCH(double, frames);
    QFETCH(bool, whole);
    QFETCH(QVariant, lower);
    QFETCH(QVariant, upper);
    const QVariantMap a = rules.sizeLayout(size, channels, bits);
    QCOMPARE(a.value(QStringLiteral("frames")).toDouble(), frames);
    QCOMPARE(a.value(QStringLiteral("whole")).toBool(), whole);
    QCOMPARE(a.value(QStringLiteral("lower")), lower);
    QCOMPARE(a.value(QStringLiteral("upper")), upper);
}

void TestWindowRules::outputClashes_data()
{
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("found"); // kind, input, other; in turn

    QTest::newRow("distinct") << QStringList{"/in/a.wav", "/in/b.flac"} << "/in/"
                              << "_s" << QStringList{};
    QTest::newRow("written over itself") << QStringList{"/in/a.flac", "/in/b.wav"} << "/in"
                                         << "" << QStringList{"itself", "/in/b.wav", ""};
    QTest::newRow("over itself, spelled with //") << QStringList{"/in//b.wav"} << "/in/"
                                                  << "" << QStringList{"itself", "/in//b.wav", ""};
    QTest::newRow("lands on another input")
        << QStringList{"/in/a.flac", "/in/a.wav"} << "/in/"
        << "" << QStringList{"input", "/in/a.flac", "/in/a.wav", "itself", "/in/a.wav", ""};
    QTest::newRow("two inputs, one output")
        << QStringList{"/in/a.flac", "/other/a.ogg", "/x/a.mp3"} << "/out/"
        << "_s"
        << QStringList{"shared", "/other/a.ogg", "/in/a.flac", "shared", "/x/a.mp3", "/in/a.flac"};
}

void TestWindowRules::outputClashes()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, folder);
    QFETCH(QString, suffix);
    QFETCH(QStringList, found);
    QStringList got;
    const QVariantList clashes = rules.outputClashes(inputs, folder, suffix);
    for (const QVariant &c : clashes) {
        const QVariantMap m = c.toMap();
        got << m.value(QStringLiteral("kind")).toString()
            << m.value(QStringLiteral("input")).toString()
            << m.value(QStringLiteral("other")).toString();
        QCOMPARE(m.value(QStringLiteral("output")).toString(),
                 rules.outputPath(m.value(QStringLiteral("input")).toString(), folder, suffix));
    }
    QCOMPARE(got, found);
}

// Anything standing at an output path counts, a dangling link too.
void TestWindowRules::existingOutputs()
{
    QDir root(scratch.path());
    QVERIFY(root.mkpath(QStringLiteral("existing")));
    const QString out = root.filePath(QStringLiteral("existing/"));
    QFile made(out + QStringLiteral("a_s.wav"));
    QVERIFY(made.open(QIODevice::WriteOnly));
    QVERIFY(QFile::link(out + QStringLiteral("nowhere"), out + QStringLiteral("b_s.wav")));
    const QStringList inputs{"/in/a.flac", "/in/b.wav", "/in/c.ogg"};
    QCOMPARE(rules.existingOutputs(inputs, out, QStringLiteral("_s")),
             (QStringList{out + QStringLiteral("a_s.wav"), out + QStringLiteral("b_s.wav")}));
    QCOMPARE(rules.existingOutputs(inputs, out, QStringLiteral("_t")), QStringList{});
}

void TestWindowRules::existingChoiceReachesTheController_data()
{
    QTest::addColumn<QString>("existing");
    QTest::newRow("overwrite") << "overwrite";
    QTest::newRow("skip") << "skip";
    QTest::newRow("fail") << "fail";
}

// The window's answer travels with its command; the bare request stays as it was.
void TestWindowRules::existingChoiceReachesTheController()
{
    QFETCH(QString, existing);
    Data data;
    QVERIFY(data.property("rules").value<Rules *>() == data.rules());
    QSignalSpy with(&data, &Data::sgConvertWith);
    QSignalSpy bare(&data, &Data::sgConvert);
    QSignalSpy skipped(&data, &Data::sgResampSkipped);
    const QString command = testutil::convertCommand(8000, 1, 16, 0, QStringLiteral("/out"),
                                                     QString(), {QStringLiteral("/in/a.wav")});
    QVERIFY(QMetaObject::invokeMethod(&data, "doConvertWith", Q_ARG(QString, command),
                                      Q_ARG(QString, existing)));
    QCOMPARE(with.count(), 1);
    QCOMPARE(with.at(0), (QVariantList{command, existing}));
    QCOMPARE(bare.count(), 0);
    data.notifyResampSkipped(QStringLiteral("/in/a.wav"), QStringLiteral("the output exists"));
    QCOMPARE(skipped.count(), 1);
    QCOMPARE(skipped.at(0),
             (QVariantList{QStringLiteral("/in/a.wav"), QStringLiteral("the output exists")}));
    QCOMPARE(with.count(), 1);
}

void TestWindowRules::planRequest_data()
{
    QTest::addColumn<QVariantMap>("options");
    QTest::addColumn<QString>("error");

    QTest::newRow("none") << QVariantMap() << QString();
    QTest::newRow("pad") << QVariantMap{{"pad", true}} << QString();
    QTest::newRow("start and fade")
        << QVariantMap{{"start", "0.25"}, {"fadeOutMs", "20"}, {"pad", false}} << QString();
    QTest::newRow("misspelt option")
        << QVariantMap{{"fade", "20"}} << QStringLiteral("unknown option \"fade\"");
}

// The rows the window gets are the planner's own, for a sound shorter and one
// longer than the 0.5 s slot.
void TestWindowRules::planRequest()
{
    QFETCH(QVariantMap, options);
    QFETCH(QString, error);
    const QString command = testutil::convertCommand(8000, 1, 16, 44 + 8000, QStringLiteral("/out"),
                                                     QString(), {shortInput, longInput});
    QSignalSpy planned(&rules, &Rules::sgPlanned);
    const int request = rules.planRequest(command, options);
    QVERIFY(planned.wait(60000));
    QCOMPARE(planned.count(), 1);
    QCOMPARE(planned.at(0).at(0).toInt(), request);
    QCOMPARE(planned.at(0).at(2).toString(), error);
    const QVariantList rows = planned.at(0).at(1).toList();
    if (!error.isEmpty()) {
        QCOMPARE(rows.size(), 0);
        return;
    }

    ConvertCommand c;
    command::ParseError parseError;
    QVERIFY(command::parse(command, &c, &parseError));
    c.slot.pad = options.value(QStringLiteral("pad")).toBool();
    c.slot.fadeOutMs = options.value(QStringLiteral("fadeOutMs")).toUInt();
    c.slot.startFrame = options.contains(QStringLiteral("start")) ? 2000 : 0;
    const Plan plan = makePlan(c);
    QCOMPARE(rows.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const PlanRow &want = plan.rows.at(i);
        const QVariantMap got = rows.at(i).toMap();
        QCOMPARE(got.value(QStringLiteral("input")).toString(), want.input);
        QCOMPARE(got.value(QStringLiteral("status")).toString(), QStringLiteral("convert"));
        QCOMPARE(got.value(QStringLiteral("bytes")).toDouble(), double(want.bytes));
        QCOMPARE(got.value(QStringLiteral("shortBy")).toDouble(), double(want.shortBy));
        QCOMPARE(got.value(QStringLiteral("padBytes")).toDouble(), double(want.padBytes));
        QCOMPARE(got.value(QStringLiteral("startFrame")).toDouble(), double(want.startFrame));
        QCOMPARE(got.value(QStringLiteral("cutFrame")).toDouble(), double(want.cutFrame));
        QCOMPARE(got.value(QStringLiteral("fadeFrames")).toDouble(), double(want.fadeFrames));
        QCOMPARE(got.value(QStringLiteral("padSeconds")).toDouble(), want.padBytes / 2 / 8000.0);
        const QVariantMap facts = got.value(QStringLiteral("facts")).toMap();
        QCOMPARE(facts.value(QStringLiteral("frames")).toDouble(), double(want.facts.frames));
        QCOMPARE(facts.value(QStringLiteral("sampleRate")).toDouble(), want.facts.sampleRate);
    }
    // The short sound leaves room the slot fills or leaves empty; the long one is cut.
    const PlanRow &shortRow = plan.rows.at(0);
    QCOMPARE(shortRow.padBytes + shortRow.shortBy, 8000u - (2400 - c.slot.startFrame) * 2);
    QCOMPARE(plan.rows.at(1).cutFrame, c.slot.startFrame + 4000);
}

void TestWindowRules::sameBytesAsTheCommandLine_data()
{
    QTest::addColumn<QVariantMap>("options");
    QTest::addColumn<QStringList>("flags");

    // What the window sends with none of the slot options set.
    QTest::newRow("none set") << QVariantMap{{"existing", "overwrite"},
                                             {"pad", false},
                                             {"fadeOutMs", 0},
                                             {"start", ""}}
                              << QStringList();
    QTest::newRow("pad, fade, start")
        << QVariantMap{{"existing", "overwrite"},
                       {"pad", true},
                       {"fadeOutMs", 20},
                       {"start", "0.25"}}
        << QStringList{"--pad", "--fade-out", "20", "--start", "0.25"};
    // The form's sound options, as Form sends them: a level measured while
    // converting, dither and a resampler other than the default.
    QTest::newRow("loudness, dither, quality")
        << QVariantMap{{"existing", "overwrite"}, {"pad", true},
                       {"fadeOutMs", 0},          {"start", ""},
                       {"loudnessLufs", -20.0},   {"dither", true},
                       {"quality", "low"}}
        << QStringList{"--pad", "--loudness", "-20", "--dither", "--quality", "low"};
}

// The window's request through the real controller writes what sabletide-cli
// writes with the same options, for a sound that the slot pads and one it cuts.
void TestWindowRules::sameBytesAsTheCommandLine()
{
    QFETCH(QVariantMap, options);
    QFETCH(QStringList, flags);
    QTemporaryDir out;
    QVERIFY(out.isValid());
    QDir(out.path()).mkpath(QStringLiteral("window"));
    QDir(out.path()).mkpath(QStringLiteral("cli"));
    const QStringList inputs{shortInput, longInput};

    Core core(nullptr);
    QSignalSpy wait(core.bridge(), SIGNAL(sgWait(bool)));
    QSignalSpy ready(core.bridge(), SIGNAL(sgResampReady(QString)));
    const QString command = testutil::convertCommand(
        8000, 1, 16, 44 + 8000, out.filePath(QStringLiteral("window")), QString(), inputs);
    QVERIFY(QMetaObject::invokeMethod(core.bridge(), "doConvertOptions", Q_ARG(QString, command),
                                      Q_ARG(QVariantMap, options)));
    QTRY_COMPARE_WITH_TIMEOUT(wait.count(), 2, 60000);
    QCOMPARE(ready.count(), 2);

    QCOMPARE(testutil::run(testutil::binDir() + QStringLiteral("/sabletide-cli"),
                           QStringList{"-q", "-r", "8000", "-c", "1", "-b", "16", "-s", "8044",
                                       "-o", out.filePath(QStringLiteral("cli"))} +
                               flags + inputs),
             0);
    for (const char *name : {"short.wav", "long.wav"}) {
        const QByteArray window = testutil::readAll(out.filePath(QStringLiteral("window/")) + name);
        QVERIFY2(window.size() > 44, name);
        QCOMPARE(window, testutil::readAll(out.filePath(QStringLiteral("cli/")) + name));
    }
}

QTEST_MAIN(TestWindowRules)

#include "tst_window_rules.moc"
