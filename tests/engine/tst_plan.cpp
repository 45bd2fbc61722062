// The planner: the sizes it predicts are the sizes written, colliding outputs
// are refused rather than lost, and existing outputs are treated as asked.
#include "convert/batch.h"
#include "convert/fileid.h"
#include "convert/plan.h"
#include "convert/resampling.h"

#include "testutil.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestPlan : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void fileIdentity_data();
    void fileIdentity();
    void predictedSizeIsWritten_data();
    void predictedSizeIsWritten();
    void collisions_data();
    void collisions();
    void namesTheFolderCannotHold_data();
    void namesTheFolderCannotHold();
    void existingOutputs_data();
    void existingOutputs();
    void outputAppearingAfterThePlan();
    void ownStarts_data();
    void ownStarts();

private:
    QString fixture(const QString &ext, int rate, int channels, double seconds);
    ConvertCommand request(const QString &folder, const QStringList &inputs, quint32 size = 0,
                           quint32 rate = 48000) const;

    QTemporaryDir root;
    int made = 0;
};

void TestPlan::initTestCase()
{
    QVERIFY(root.isValid());
    qputenv("TMPDIR", QFile::encodeName(root.path()));
}

QString TestPlan::fixture(const QString &ext, int rate, int channels, double seconds)
{
    const QString dir = root.filePath(QStringLiteral("in%1").arg(++made));
    QDir().mkpath(dir);
    const QString path = dir + QStringLiteral("/take.") + ext;
    return testutil::makeAudio(path, rate, channels, 16, seconds) ? path : QString();
}

ConvertCommand TestPlan::request(const QString &folder, const QStringList &inputs, quint32 size,
                                 quint32 rate) const
{
    ConvertCommand c;
    c.sampleRate = rate;
    c.channels = 1;
    c.bitsPerSample = 16;
    c.fileSize = size;
    c.outputFolder = folder + QLatin1Char('/');
    c.inputs = inputs;
    return c;
}

void TestPlan::predictedSizeIsWritten_data()
{
    QTest::addColumn<QString>("ext");
    QTest::addColumn<int>("inRate");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<quint32>("outRate");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<quint64>("shortBy");
    QTest::addColumn<bool>("pad");
    QTest::addColumn<bool>("exact"); // the plan may promise the size

    // 1.2345 s at 44100 Hz: 54441 frames, which no rate divides evenly.
    QTest::newRow("wav, whole, 44100 to 48000")
        << "wav" << 44100 << 1.2345 << 48000u << 0u << quint64(0) << false << true;
    QTest::newRow("flac, whole, 44100 to 22050")
        << "flac" << 44100 << 1.2345 << 22050u << 0u << quint64(0) << false << true;
    QTest::newRow("aiff, whole, 8000 to 44100")
        << "aiff" << 8000 << 0.7777 << 44100u << 0u << quint64(0) << false << true;
    QTest::newRow("ogg, whole, 44100 to 32000")
        << "ogg" << 44100 << 1.2345 << 32000u << 0u << quint64(0) << false << true;
    QTest::newRow("wav, whole, 1 Hz apart: no rate change")
        << "wav" << 48000 << 0.5 << 48001u << 0u << quint64(0) << false << true;
    // 0.3 s at 48 kHz mono 16-bit: 28800 sample bytes.
    QTest::newRow("flac, short of the size") << "flac" << 44100 << 0.3 << 48000u << 100000u
                                             << quint64(100000 - 44 - 28800) << false << true;
    QTest::newRow("wav, longer than the size, cut mid-frame")
        << "wav" << 44100 << 2.0 << 48000u << 100001u << quint64(0) << false << true;
    // An MP3's header gives only an estimate: a size is promised only where
    // padding fills the slot whatever the sound's true length.
    QTest::newRow("mp3, whole") << "mp3" << 44100 << 9.35 << 48000u << 0u << quint64(0) << false
                                << false;
    QTest::newRow("mp3, short of the size") << "mp3" << 44100 << 1.0 << 48000u << 200000u
                                            << quint64(200000 - 44 - 96000) << false << false;
    QTest::newRow("mp3, padded to the size")
        << "mp3" << 44100 << 1.0 << 48000u << 200000u << quint64(0) << true << true;
}

void TestPlan::predictedSizeIsWritten()
{
    QFETCH(QString, ext);
    QFETCH(int, inRate);
    QFETCH(double, seconds);
    QFETCH(quint32, outRate);
    QFETCH(quint32, size);
    QFETCH(quint64, shortBy);
    QFETCH(bool, pad);
    QFETCH(bool, exact);

    const QString input = fixture(ext, inRate, 2, seconds);
    QVERIFY(!input.isEmpty());
    QTemporaryDir out;
    ConvertCommand c = request(out.path(), {input}, size, outRate);
    c.slot.pad = pad;
    const Plan plan = makePlan(c);
    QCOMPARE(plan.rows.size(), 1);
    const PlanRow &row = plan.rows.first();
    QCOMPARE(int(row.status), int(PlanRow::Status::Convert));
    QCOMPARE(row.facts.format, ext == QLatin1String("ogg") ? QStringLiteral("vorbis") : ext);
    QCOMPARE(row.facts.channels, 2u);
    QCOMPARE(row.facts.sampleRate, double(inRate));
    QCOMPARE(row.bytesExact, exact);
    QCOMPARE(row.facts.framesEstimated, ext == QLatin1String("mp3"));
    if (exact)
        QCOMPARE(row.shortBy, shortBy);

    Resampling resampling;
    int converted = 0;
    BatchReport report;
    report.converted = [&](int, const QString &, const QString &) { ++converted; };
    runPlan(plan, resampling, report);
    QCOMPARE(converted, 1);
    if (!exact)
        return;
    QCOMPARE(quint64(QFileInfo(row.output).size()), row.bytes);
    if (size == 0)
        QCOMPARE(testutil::soxi(row.output, QStringLiteral("-s")).toULongLong(),
                 (row.bytes - 44) / 2);
}

void TestPlan::collisions_data()
{
    QTest::addColumn<QStringList>("inputs"); // "!" marks a file that is not made
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<int>("firstWriter"); // the row named in the refusal, or -1

    QTest::newRow("same name from two folders")
        << QStringList{"a/kick.wav", "b/kick.wav"} << QStringList{"convert", "refused"} << 0;
    QTest::newRow("flac and wav of one name")
        << QStringList{"b/kick.flac", "b/kick.wav"} << QStringList{"convert", "refused"} << 0;
    QTest::newRow("three into one") << QStringList{"a/kick.wav", "b/kick.flac", "b/kick.wav"}
                                    << QStringList{"convert", "refused", "refused"} << 0;
    // An input that cannot be read writes nothing, so the next one may.
    QTest::newRow("unreadable first")
        << QStringList{"!a/gone.wav", "b/gone.flac"} << QStringList{"refused", "convert"} << -1;
    // One file on a memory card, so refused on every disk.
    QTest::newRow("names differing in case")
        << QStringList{"a/kick.wav", "b/Kick.wav"} << QStringList{"convert", "refused"} << 0;
}

void TestPlan::collisions()
{
    QFETCH(QStringList, inputs);
    QFETCH(QStringList, statuses);
    QFETCH(int, firstWriter);

    QTemporaryDir dir, out;
    QStringList paths;
    for (QString name : inputs) {
        const bool make = !name.startsWith(QLatin1Char('!'));
        const QString path = dir.filePath(name.remove(QLatin1Char('!')));
        QDir().mkpath(QFileInfo(path).absolutePath());
        if (make)
            QVERIFY(testutil::makeAudio(path, 8000, 1, 16, 0.1));
        paths << path;
    }
    const Plan plan = makePlan(request(out.path(), paths));
    QStringList got;
    for (const PlanRow &row : plan.rows) {
        got << (row.status == PlanRow::Status::Convert ? QStringLiteral("convert")
                                                       : QStringLiteral("refused"));
        if (row.status == PlanRow::Status::Refused && firstWriter >= 0)
            QVERIFY2(
                row.reason.startsWith(paths.at(firstWriter) + QStringLiteral(" already writes")),
                qPrintable(row.reason));
    }
    QCOMPARE(got, statuses);
}

void TestPlan::namesTheFolderCannotHold_data()
{
    QTest::addColumn<QString>("stem");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<bool>("refused");

    // 248 letters + "_48k.wav": the input's own name fits, the output's does not.
    QTest::newRow("too long by the suffix") << QString(248, 'k') << "_48k" << true;
    QTest::newRow("255 bytes exactly") << QString(247, 'k') << "_48k" << false;
    // 124 letters of two bytes each: 132 characters, 256 bytes with "_48k.wav".
    QTest::newRow("too long in bytes, not in letters")
        << QString(124, QChar(0xe9)) << "_48k" << true;
}

// The dry run refuses what the real run could not do.
void TestPlan::namesTheFolderCannotHold()
{
    QFETCH(QString, stem);
    QFETCH(QString, suffix);
    QFETCH(bool, refused);

    QTemporaryDir in, out;
    const QString input = in.filePath(stem + QStringLiteral(".flac"));
    QVERIFY(testutil::makeAudio(input, 8000, 1, 16, 0.1));
    ConvertCommand c = request(out.path(), {input});
    c.suffix = suffix;
    const Plan plan = makePlan(c);
    QCOMPARE(plan.rows.first().status == PlanRow::Status::Refused, refused);
    if (refused)
        QVERIFY2(plan.rows.first().reason.contains(QStringLiteral("its folder allows 255")),
                 qPrintable(plan.rows.first().reason));
    Resampling resampling;
    runPlan(plan, resampling, BatchReport());
    QCOMPARE(QDir(out.path()).entryList(QDir::Files | QDir::Hidden).size(), refused ? 0 : 1);
}

void TestPlan::existingOutputs_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<int>("status");
    QTest::addColumn<bool>("replaced");

    QTest::newRow("overwrite") << "overwrite" << int(PlanRow::Status::Convert) << true;
    QTest::newRow("skip") << "skip" << int(PlanRow::Status::Skip) << false;
    QTest::newRow("fail") << "fail" << int(PlanRow::Status::Refused) << false;
}

void TestPlan::existingOutputs()
{
    QFETCH(QString, existing);
    QFETCH(int, status);
    QFETCH(bool, replaced);

    const QString input = fixture(QStringLiteral("flac"), 44100, 1, 0.2);
    QTemporaryDir out;
    const QString earlier = out.filePath(QStringLiteral("take.wav"));
    {
        QFile f(earlier);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("earlier");
    }
    Existing policy;
    QVERIFY(parseExisting(existing, &policy));
    QCOMPARE(existingName(policy), existing);
    const Plan plan = makePlan(request(out.path(), {input}), policy);
    QCOMPARE(int(plan.rows.first().status), status);

    Resampling resampling;
    QStringList events;
    BatchReport report;
    report.converted = [&](int, const QString &, const QString &) { events << "converted"; };
    report.skipped = [&](int, const QString &, const QString &) { events << "skipped"; };
    report.failed = [&](int, const QString &, const Outcome &o) { events << "failed " + o.text(); };
    runPlan(plan, resampling, report);
    QCOMPARE(events.size(), 1);
    QCOMPARE(testutil::readAll(earlier) != "earlier", replaced);
}

// The plan found no output, but one appears before the conversion ends: with
// "skip" or "fail" it still stands afterwards.
void TestPlan::outputAppearingAfterThePlan()
{
    const QString input = fixture(QStringLiteral("wav"), 44100, 1, 0.2);
    QTemporaryDir out;
    const Plan plan = makePlan(request(out.path(), {input}), Existing::Skip);
    QCOMPARE(int(plan.rows.first().status), int(PlanRow::Status::Convert));
    const QString output = plan.rows.first().output;
    {
        QFile f(output);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("someone else's");
    }
    QString reason;
    QCOMPARE(Resampling().resample(plan.params(plan.rows.first()), &reason), -1);
    QVERIFY2(reason.contains(QStringLiteral("exists")), qPrintable(reason));
    QCOMPARE(testutil::readAll(output), QByteArray("someone else's"));
    QCOMPARE(QDir(out.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList{QStringLiteral("take.wav")});
}

void TestPlan::ownStarts_data()
{
    QTest::addColumn<QVariant>("starts");
    QTest::addColumn<QList<qint64>>("frames"); // each row's start at 48 kHz; -1: refused

    QTest::newRow("none: the request's") << QVariant() << QList<qint64>{12000, 12000};
    QTest::newRow("the second its own")
        << QVariant(QStringList{"", "0.5"}) << QList<qint64>{12000, 24000};
    QTest::newRow("its own zero") << QVariant(QStringList{"0", ""}) << QList<qint64>{0, 12000};
    QTest::newRow("unreadable") << QVariant(QStringList{"", "soon"}) << QList<qint64>{-1, -1};
}

// A row's own start replaces the request's for that row alone, in its plan
// and in the file it writes.
void TestPlan::ownStarts()
{
    QFETCH(QVariant, starts);
    QFETCH(QList<qint64>, frames);

    const QString input = fixture(QStringLiteral("wav"), 48000, 1, 1.0);
    QTemporaryDir out;
    QVariantMap given{{"start", "0.25"}};
    if (starts.isValid())
        given.insert(QStringLiteral("starts"), starts);
    RequestOptions options;
    QString why;
    QCOMPARE(readRequestOptions(given, &options, &why), frames.first() >= 0);
    if (frames.first() < 0)
        return;
    QDir().mkpath(out.filePath(QStringLiteral("b")));
    ConvertCommand c = request(out.path(), {input, input}, 0);
    c.outputFolder = out.path() + QLatin1Char('/');
    c.subfolders = QStringList{QString(), QStringLiteral("b")};
    applyOptions(options, &c);
    const Plan plan = makePlan(c);
    Resampling resampling;
    runPlan(plan, resampling, BatchReport());
    for (int i = 0; i < 2; ++i) {
        QCOMPARE(qint64(plan.rows.at(i).startFrame), frames.at(i));
        QCOMPARE(testutil::soxi(plan.rows.at(i).output, QStringLiteral("-s")).toLongLong(),
                 48000 - frames.at(i));
    }
}

QTEST_GUILESS_MAIN(TestPlan)
void TestPlan::fileIdentity_data()
{
    QTest::addColumn<QString>("other"); // how the second path names the file
    QTest::addColumn<bool>("sameId");
    QTest::addColumn<bool>("sameKey");
    QTest::addColumn<bool>("sameStamp");
    QTest::newRow("another spelling") << "dir/./a.wav" << true << true << true;
    QTest::newRow("a link to it") << "link.wav" << true << true << true;
    QTest::newRow("a hard link") << "hard.wav" << true << false << true;
    QTest::newRow("through a linked folder") << "dirlink/a.wav" << true << true << true;
    QTest::newRow("a copy") << "copy.wav" << false << false << false;
    QTest::newRow("rewritten since") << "dir/a.wav+" << true << true << false;
    QTest::newRow("not yet there, through a linked folder")
        << "dirlink/new.wav" << false << true << false;
}

// Which file a path names, in the one home of file identity: its device
// and inode, a key of its spelling, and its version.
void TestPlan::fileIdentity()
{
    QFETCH(QString, other);
    QFETCH(bool, sameId);
    QFETCH(bool, sameKey);
    QFETCH(bool, sameStamp);
    QTemporaryDir dir;
    const QString root = dir.path() + QLatin1Char('/');
    QVERIFY(QDir().mkpath(root + "dir"));
    const QString a = root + (other.endsWith("new.wav") ? "dir/new.wav" : "dir/a.wav");
    QFile file(root + "dir/a.wav");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("sound");
    file.close();
    QVERIFY(QFile::link(root + "dir/a.wav", root + "link.wav"));
    QVERIFY(QFile::link(root + "dir", root + "dirlink"));
    QCOMPARE(::link(QFile::encodeName(root + "dir/a.wav").constData(),
                    QFile::encodeName(root + "hard.wav").constData()),
             0);
    QVERIFY(QFile::copy(root + "dir/a.wav", root + "copy.wav"));
    const FileStamp before = fileStamp(a);
    const QString key = fileKey(a);
    if (other.endsWith(QLatin1Char('+'))) {
        other.chop(1);
        QVERIFY(file.open(QIODevice::Append));
        file.write(" and more");
        file.close();
    }
    const QString b = root + other;
    QCOMPARE(fileId(a) == fileId(b), sameId);
    QCOMPARE(fileKey(b) == key, sameKey);
    QCOMPARE(fileStamp(b) == before, sameStamp);
}

#include "tst_plan.moc"
