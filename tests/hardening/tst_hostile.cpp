// Hostile inputs, made here: empty and random files under audio names, cut
// files, WAV headers that lie, things that are not files, and names that are
// hard to spell. Each must end with a clear reason or a valid output, without
// a crash, and the inputs after it must still convert as they do alone.
#include "app/core.h"
#include "bridge/data.h"
#include "convert/command.h"
#include "convert/inputs.h"
#include "convert/soxinput.h"
#include "support.h"
#include "testutil.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace hardening;

namespace {

// Converted small and fast: every input becomes 22050 Hz mono 16-bit.
constexpr int rate = 22050;
constexpr int channels = 1;
constexpr int bits = 16;

} // namespace

class TestHostile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void inBatch_data();
    void inBatch();
    void throughCore();
    void refusedCommands_data();
    void refusedCommands();
    void namesTheLocaleCannotCarry();
    void pipeSwappedInAfterTheCheck();

private:
    // Writes the hostile input of a row into `folder` and returns its path.
    // `prefix` goes in front of every file name it makes.
    QString makeHostile(const QString &kind, const QString &folder, const QString &prefix = {});
    QString outputOf(const QString &input, const QString &folder) const;

    struct Row
    {
        const char *kind;
        bool converts;
        QString reason; // how the reason begins when it fails
    };
    static QList<Row> rows();

    std::unique_ptr<QTemporaryDir> base;
    std::unique_ptr<TmpDir> tmp;
    QString tmpPath;
    QString goodFlac, goodWav;
    // Outputs of the good inputs converted alone.
    QByteArray goodFlacOutput, goodWavOutput;
    int folders = 0;
};

void TestHostile::initTestCase()
{
    base = std::make_unique<QTemporaryDir>();
    QVERIFY(base->isValid());
    tmpPath = base->filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(tmpPath));
    tmp = std::make_unique<TmpDir>(tmpPath);

    const QString in = base->filePath(QStringLiteral("good"));
    QVERIFY(QDir().mkpath(in));
    goodFlac = in + QStringLiteral("/before.flac");
    goodWav = in + QStringLiteral("/after.wav");
    QVERIFY(testutil::makeAudio(goodFlac, 44100, 2, 16, 0.3));
    QVERIFY(testutil::makeAudio(goodWav, 48000, 1, 24, 0.3));

    const QString ref = base->filePath(QStringLiteral("alone"));
    QVERIFY(QDir().mkpath(ref));
    const QList<RowEnd> alone =
        runInProcess(convertCommand(rate, channels, bits, 0, ref, QString(), {goodFlac, goodWav}));
    QCOMPARE(alone.size(), 2);
    QVERIFY(alone.at(0).converted && alone.at(1).converted);
    goodFlacOutput = checksum(outputOf(goodFlac, ref));
    goodWavOutput = checksum(outputOf(goodWav, ref));
    QVERIFY(!goodFlacOutput.isEmpty() && !goodWavOutput.isEmpty());
}

void TestHostile::cleanupTestCase()
{
    tmp.reset();
    // The inputs with names not valid in the locale go too.
    QVERIFY(testutil::removeTree(base->path()));
}

QString TestHostile::outputOf(const QString &input, const QString &folder) const
{
    return ::command::outputPath(input, folder, QString());
}

QString TestHostile::makeHostile(const QString &kind, const QString &folder, const QString &prefix)
{
    const QString at = folder + QLatin1Char('/') + prefix;
    const auto file = [&](const QString &name, const QByteArray &bytes) {
        const QString path = at + name;
        return writeBytes(path, bytes) ? path : QString();
    };
    const auto cut = [&](const QString &name, const QString &from, qint64 keep) {
        QByteArray bytes = testutil::readAll(from);
        if (keep < 0)
            keep = bytes.size() / 2;
        return file(name, bytes.left(int(keep)));
    };

    if (kind.startsWith(QLatin1String("empty ")))
        return file(QStringLiteral("empty") + kind.mid(6), QByteArray());
    if (kind.startsWith(QLatin1String("random ")))
        return file(QStringLiteral("random") + kind.mid(7), randomBytes(64 * 1024, qHash(kind)));
    if (kind == QLatin1String("text named .wav"))
        return file(QStringLiteral("notes.wav"), "These are not samples.\n");
    if (kind == QLatin1String("RIFF and nothing else"))
        return file(QStringLiteral("riff4.wav"), "RIFF");

    if (kind.startsWith(QLatin1String("FLAC cut")) || kind.startsWith(QLatin1String("OGG cut"))) {
        const bool flac = kind.startsWith(QLatin1String("FLAC"));
        const QString whole =
            at + (flac ? QStringLiteral("whole.flac") : QStringLiteral("whole.ogg"));
        if (!testutil::makeAudio(whole, 44100, 2, 16, 2.0, true))
            return QString();
        const qint64 keep = kind.endsWith(QLatin1String("in half"))
                                ? -1
                                : kind.section(QLatin1Char(' '), -1).toLongLong();
        const QString path =
            cut(flac ? QStringLiteral("cut.flac") : QStringLiteral("cut.ogg"), whole, keep);
        QFile::remove(whole);
        return path;
    }
    if (kind.startsWith(QLatin1String("WAV cut"))) {
        const QString whole = at + QStringLiteral("whole.wav");
        if (!testutil::makeAudio(whole, 44100, 2, 16, 1.0))
            return QString();
        const QString path =
            cut(QStringLiteral("cut.wav"), whole, kind.endsWith(QLatin1String("header")) ? 44 : -1);
        QFile::remove(whole);
        return path;
    }

    // Headers that lie about sizes; -1 keeps a field true.
    struct Lie
    {
        const char *kind;
        qint64 riff, fmt;
        int channels;
        qint64 data;
        int samples;
    };
    static const Lie lies[] = {
        {"RIFF size beyond the file", 1000000, -1, 1, -1, 800},
        {"RIFF size 0xFFFFFFFF", 0xFFFFFFFF, -1, 1, -1, 800},
        {"data size beyond the file", -1, -1, 1, 1000000, 800},
        {"data size 0xFFFFFFFF", -1, -1, 1, 0xFFFFFFFF, 800},
        {"data size odd", -1, -1, 1, 799, 800},
        {"format size odd", -1, 17, 1, -1, 800},
        {"format size 0xFFFFFFFF", -1, 0xFFFFFFFF, 1, -1, 800},
        {"zero channels", -1, -1, 0, -1, 800},
    };
    for (const Lie &lie : lies) {
        if (kind == QLatin1String(lie.kind))
            return file(QStringLiteral("lying.wav"),
                        lyingWav(lie.riff, lie.fmt, lie.channels, lie.data, lie.samples));
    }

    if (kind == QLatin1String("a folder")) {
        const QString path = at + QStringLiteral("folder.wav");
        return QDir().mkpath(path) ? path : QString();
    }
    if (kind == QLatin1String("a named pipe")) {
        const QString path = at + QStringLiteral("pipe.wav");
        return ::mkfifo(QFile::encodeName(path).constData(), 0600) == 0 ? path : QString();
    }
    if (kind == QLatin1String("a link to an endless device")) {
        // u-law needs no header: libsox would read zeros for ever.
        const QString path = at + QStringLiteral("endless.ul");
        return QFile::link(QStringLiteral("/dev/zero"), path) ? path : QString();
    }
    if (kind == QLatin1String("a missing file"))
        return at + QStringLiteral("missing.flac");
    if (kind == QLatin1String("a NUL inside the path")) {
        // The file before the NUL exists: nothing may cut the path there.
        const QString path = at + QStringLiteral("nul.flac");
        return QFile::copy(goodFlac, path) ? path + QChar(0) + QStringLiteral(".txt") : QString();
    }

    QString name;
    if (kind == QLatin1String("a newline in the name"))
        name = QStringLiteral("two\nlines.flac");
    else if (kind == QLatin1String("quotes in the name"))
        name = QStringLiteral("it's \"live\" `take`.flac");
    else if (kind == QLatin1String("non-ASCII letters in the name"))
        name = QStringLiteral("Øresund – Ελληνικά 日本語.flac");
    else if (kind == QLatin1String("URL characters in the name"))
        name = QStringLiteral("100% #1 ?x=a&b.flac");
    if (name.isEmpty())
        return QString();
    const QString path = at + name;
    return QFile::copy(goodFlac, path) ? path : QString();
}

QList<TestHostile::Row> TestHostile::rows()
{
    const bool fails = false;
    const bool converts = true;
    const QString unknown =
        QStringLiteral("cannot read: not a sound file in a format this program reads");
    const QString damaged = QStringLiteral("the input is damaged or cut short");
    const QString notRegular = QStringLiteral("is not a regular file");
    const QString none;
    return {
        {"empty .wav", fails, unknown},
        {"empty .flac", fails, unknown},
        {"empty .mp3", fails, unknown},
        {"empty .ogg", fails, unknown},
        {"random .wav", fails, unknown},
        {"random .flac", fails, unknown},
        {"random .mp3", fails, unknown},
        {"random .ogg", fails, unknown},
        {"text named .wav", fails, unknown},
        {"RIFF and nothing else", fails, unknown},
        {"FLAC cut at 42", fails, unknown},
        {"FLAC cut at 1000", fails, damaged},
        {"FLAC cut in half", fails, damaged},
        {"OGG cut at 1000", fails, unknown},
        // An Ogg or WAV file cut short is still well formed up to the cut, and
        // libsox reports nothing wrong: what is there converts.
        {"OGG cut in half", converts, none},
        {"WAV cut after the header", converts, none},
        {"WAV cut in half", converts, none},
        {"RIFF size beyond the file", converts, none},
        {"RIFF size 0xFFFFFFFF", converts, none},
        {"data size beyond the file", converts, none},
        {"data size 0xFFFFFFFF", converts, none},
        {"data size odd", converts, none},
        {"format size odd", fails, unknown},
        {"format size 0xFFFFFFFF", fails, unknown},
        {"zero channels", fails, unknown},
        {"a folder", fails, QStringLiteral("is a folder, not an audio file")},
        {"a named pipe", fails, notRegular},
        {"a link to an endless device", fails, notRegular},
        {"a missing file", fails, QStringLiteral("file not found")},
        {"a NUL inside the path", fails, QStringLiteral("file not found")},
        {"a newline in the name", converts, none},
        {"quotes in the name", converts, none},
        {"non-ASCII letters in the name", converts, none},
        {"URL characters in the name", converts, none},
    };
}

void TestHostile::inBatch_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<QString>("reason");
    for (const Row &row : rows())
        QTest::newRow(row.kind) << QString::fromLatin1(row.kind) << row.converts << row.reason;
}

void TestHostile::inBatch()
{
    QFETCH(QString, kind);
    QFETCH(bool, converts);
    QFETCH(QString, reason);

    const QString in = base->filePath(QStringLiteral("in%1").arg(++folders));
    const QString out = base->filePath(QStringLiteral("out%1").arg(folders));
    QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
    const QString hostile = makeHostile(kind, in);
    QVERIFY2(!hostile.isEmpty(), "could not make the hostile input");
    const QByteArray hostileBefore = checksum(hostile);

    const QList<RowEnd> outcomes = runInProcess(
        convertCommand(rate, channels, bits, 0, out, QString(), {goodFlac, hostile, goodWav}));

    QCOMPARE(outcomes.size(), 3);
    QCOMPARE(outcomes.at(1).input, hostile);
    QCOMPARE(outcomes.at(1).converted, converts);
    if (converts) {
        QString format;
        QVERIFY2(testutil::pythonWave(outputOf(hostile, out), &format),
                 "Python's wave module cannot read the output");
        QVERIFY2(
            format.startsWith(QStringLiteral("%1 %2 %3 ").arg(rate).arg(channels).arg(bits / 8)),
            qPrintable(format));
    } else {
        QVERIFY2(outcomes.at(1).reason.startsWith(reason), qPrintable(outcomes.at(1).reason));
        QVERIFY(!QFileInfo::exists(outputOf(hostile, out)));
    }

    // The inputs around it convert exactly as they do alone.
    QVERIFY(outcomes.at(0).converted);
    QVERIFY(outcomes.at(2).converted);
    QCOMPARE(checksum(outputOf(goodFlac, out)), goodFlacOutput);
    QCOMPARE(checksum(outputOf(goodWav, out)), goodWavOutput);

    QCOMPARE(checksum(hostile), hostileBefore);
    QCOMPARE(scratchFiles(tmpPath), QStringList());
    QStringList expected{QFileInfo(outputOf(goodFlac, out)).fileName(),
                         QFileInfo(outputOf(goodWav, out)).fileName()};
    if (converts)
        expected << QFileInfo(outputOf(hostile, out)).fileName();
    expected.sort();
    QCOMPARE(entries(out), expected);
}

// Every hostile input in one request through the controller, each after a
// good one: the window hears of each file exactly once, in order.
void TestHostile::throughCore()
{
    const QString in = base->filePath(QStringLiteral("core-in"));
    const QString out = base->filePath(QStringLiteral("core-out"));
    QVERIFY(QDir().mkpath(in) && QDir().mkpath(out));
    QStringList inputs, good, expectReady, expectFailed, expectReasons;
    const QList<Row> table = rows();
    for (int i = 0; i < table.size(); ++i) {
        const QString prefix = QStringLiteral("%1-").arg(i, 2, 10, QLatin1Char('0'));
        const QString copy = in + QLatin1Char('/') + prefix + QStringLiteral("good.flac");
        QVERIFY(QFile::copy(goodFlac, copy));
        const QString hostile = makeHostile(QLatin1String(table.at(i).kind), in, prefix);
        QVERIFY2(!hostile.isEmpty(), table.at(i).kind);
        inputs << copy << hostile;
        good << copy;
        expectReady << copy;
        if (table.at(i).converts) {
            expectReady << hostile;
        } else {
            expectFailed << hostile;
            expectReasons << table.at(i).reason;
        }
    }

    Core core;
    Data *data = core.bridge();
    QSignalSpy ready(data, SIGNAL(sgResampReady(QString)));
    QSignalSpy failed(data, SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy wait(data, SIGNAL(sgWait(bool)));
    data->doConvert(convertCommand(rate, channels, bits, 0, out, QString(), inputs));
    QTRY_COMPARE_WITH_TIMEOUT(wait.count(), 2, 240000);
    QCOMPARE(wait.at(0).at(0).toBool(), true);
    QCOMPARE(wait.at(1).at(0).toBool(), false);

    QStringList readyNames, failedNames;
    for (const QList<QVariant> &args : qAsConst(ready))
        readyNames << args.at(0).toString();
    for (const QList<QVariant> &args : qAsConst(failed))
        failedNames << args.at(0).toString();
    QCOMPARE(readyNames, expectReady);
    QCOMPARE(failedNames, expectFailed);
    for (int i = 0; i < failed.size(); ++i) {
        const QString why = failed.at(i).at(1).toString();
        QVERIFY2(why.startsWith(expectReasons.at(i)),
                 qPrintable(failedNames.at(i) + QStringLiteral(": ") + why));
    }
    for (const QString &copy : qAsConst(good))
        QCOMPARE(checksum(outputOf(copy, out)), goodFlacOutput);
    QCOMPARE(scratchFiles(tmpPath), QStringList());
}

// Commands that must be refused whole, with the position at fault named.
void TestHostile::refusedCommands_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("reason");
    // Found by fuzzing: the suffix carried the output into another folder.
    QTest::newRow("suffix with a folder")
        << QStringLiteral("/tmp/ouk/") << QStringLiteral("position 6 (name suffix)");
    QTest::newRow("suffix that climbs out")
        << QStringLiteral("/../../x") << QStringLiteral("position 6 (name suffix)");
}

void TestHostile::refusedCommands()
{
    QFETCH(QString, suffix);
    QFETCH(QString, reason);
    const QString out = base->filePath(QStringLiteral("refused%1").arg(++folders));
    QVERIFY(QDir().mkpath(out + QStringLiteral("/before")));
    const QStringList before = entries(base->path());

    Core core;
    Data *data = core.bridge();
    QSignalSpy ready(data, SIGNAL(sgResampReady(QString)));
    QSignalSpy failed(data, SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy wait(data, SIGNAL(sgWait(bool)));
    data->doConvert(convertCommand(rate, channels, bits, 0, out + QStringLiteral("/before"), suffix,
                                   {goodFlac}));
    QTRY_COMPARE(wait.count(), 2);
    QCOMPARE(wait.at(1).at(0).toBool(), false);
    QCOMPARE(ready.count(), 0);
    QCOMPARE(failed.count(), 1);
    QCOMPARE(failed.at(0).at(0).toString(), QString());
    QVERIFY2(failed.at(0).at(1).toString().startsWith(reason),
             qPrintable(failed.at(0).at(1).toString()));
    QCOMPARE(entries(base->path()), before);
    QCOMPARE(entries(out + QStringLiteral("/before")), QStringList());
}

// A name that is not valid in the locale comes out of Qt with a stand-in
// character, and that name, encoded again, is another file's: here one that
// exists. Neither a folder scan nor an open may take the one for the other.
void TestHostile::namesTheLocaleCannotCarry()
{
    const QString reason = QStringLiteral("file name is not valid in this locale");
    const QString in = base->filePath(QStringLiteral("unnamable"));
    QVERIFY(QDir().mkpath(in));
    const QByteArray latin1 = QFile::encodeName(in) + "/caf\xe9.wav";
    QCOMPARE(::link(QFile::encodeName(goodFlac).constData(), latin1.constData()), 0);
    const QString standIn = QFile::decodeName(latin1);
    QVERIFY(standIn.contains(QChar(0xFFFD)));
    QVERIFY(QFile::copy(goodWav, standIn));
    QVERIFY(QFile::copy(goodWav, in + QStringLiteral("/plain.wav")));

    QStringList files;
    QString error;
    QList<inputs::Refused> refused;
    QVERIFY2(inputs::expand({in}, &files, &error, &refused), qPrintable(error));
    QCOMPARE(files, (QStringList{standIn, in + QStringLiteral("/plain.wav")}));
    QCOMPARE(refused.size(), 1);
    QCOMPARE(refused.at(0).path, in + QStringLiteral("/caf\\xE9.wav"));
    QCOMPARE(refused.at(0).reason, reason);
    // A caller with no list for them hears of the file all the same.
    QVERIFY(!inputs::expand({in}, &files, &error));
    QCOMPARE(error, in + QStringLiteral("/caf\\xE9.wav: ") + reason);

    // Named on the command line: Qt's arguments() would hold the stand-in.
    QCOMPARE(inputs::argumentProblem(latin1.constData()), reason);
    QCOMPARE(inputs::argumentProblem(QFile::encodeName(standIn).constData()), QString());

    // A path the locale cannot encode: encoded, it names "caf?.wav".
    const QString unpaired = in + QStringLiteral("/caf") + QChar(0xD800) + QStringLiteral(".wav");
    QVERIFY(QFile::copy(goodWav, QFile::decodeName(QFile::encodeName(unpaired))));
    Outcome why;
    QVERIFY(!soxinput::open(unpaired, &why));
    QCOMPARE(why.text(), reason);
}

// The input becomes a named pipe between the check and libsox's open. libsox
// must read the file that was checked: opening the name again would wait for a
// writer for ever (here a writer comes, and the open finds an empty pipe).
void TestHostile::pipeSwappedInAfterTheCheck()
{
    const QString in = base->filePath(QStringLiteral("swap"));
    QVERIFY(QDir().mkpath(in));
    const QString input = in + QStringLiteral("/swapped.wav");
    QVERIFY(QFile::copy(goodWav, input));
    const QByteArray name = QFile::encodeName(input);
    const QByteArray fifo = QFile::encodeName(in + QStringLiteral("/fifo"));
    QCOMPARE(::mkfifo(fifo.constData(), 0600), 0);

    bool swapped = false;
    std::thread writer;
    Outcome why;
    const sox::Format opened = soxinput::open(input, &why, [&] {
        swapped = ::rename(fifo.constData(), name.constData()) == 0;
        writer = std::thread([name] {
            const int fd = ::open(name.constData(), O_WRONLY | O_CLOEXEC);
            if (fd >= 0)
                ::close(fd);
        });
    });
    // A writer still waiting for a reader goes once this one comes.
    const int reader = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (writer.joinable())
        writer.join();
    ::close(reader);

    QVERIFY(swapped);
    QVERIFY2(opened, qPrintable(why.text()));
    QCOMPARE(opened->signal.rate, 48000.0);
    QCOMPARE(opened->signal.channels, 1u);
}

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
