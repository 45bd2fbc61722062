// Memory cards: folders that do not tell "kick.wav" from "KICK.wav". The
// built sabletide-cli on a real exFAT file system (an image on a loop device,
// mounted through FUSE), and the plan's rule for such names on any disk.
#include "support.h"

#include "convert/command.h"
#include "convert/plan.h"

#include <QtTest>

namespace {

struct Run
{
    int exit = -1;
    QByteArray out;
    QByteArray err;
};

Run runCli(const QString &folder, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(folder);
    p.start(testutil::binDir() + QStringLiteral("/sabletide-cli"), args);
    Run r;
    if (!p.waitForStarted(10000) || !p.waitForFinished(120000))
        return r;
    r.out = p.readAllStandardOutput();
    r.err = p.readAllStandardError();
    r.exit = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return r;
}

bool runTool(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    const bool ok = p.waitForStarted(10000) && p.waitForFinished(60000) &&
                    p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return ok;
}

// An exFAT file system of 32 MiB on a loop device, mounted on `folder` while
// it lives; needs root, /dev/fuse, losetup and exfat-fuse.
class ExfatCard
{
public:
    explicit ExfatCard(const QString &image, const QString &folder) : folder(folder)
    {
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(32 << 20)) {
            why = QStringLiteral("cannot make the image");
            return;
        }
        file.close();
        QString said;
        if (!hardening::isRoot() || !QFileInfo::exists(QStringLiteral("/dev/fuse"))) {
            why = QStringLiteral("needs root and /dev/fuse");
        } else if (!runTool(QStringLiteral("mkfs.exfat"), {image}, &said)) {
            why = QStringLiteral("mkfs.exfat failed: ") + said;
        } else if (!runTool(QStringLiteral("losetup"),
                            {QStringLiteral("-f"), QStringLiteral("--show"), image}, &device)) {
            why = QStringLiteral("no loop device: ") + device;
            device.clear();
        } else if (!QDir().mkpath(folder) ||
                   !runTool(QStringLiteral("mount.exfat-fuse"), {device, folder}, &said)) {
            why = QStringLiteral("mount.exfat-fuse failed: ") + said;
        } else {
            mounted = true;
        }
    }
    ~ExfatCard()
    {
        if (mounted)
            runTool(QStringLiteral("umount"), {folder});
        if (!device.isEmpty())
            runTool(QStringLiteral("losetup"), {QStringLiteral("-d"), device});
    }
    ExfatCard(const ExfatCard &) = delete;
    ExfatCard &operator=(const ExfatCard &) = delete;

    bool mounted = false;
    QString why;

private:
    QString folder;
    QString device;
};

} // namespace

class TstCard : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void namesDifferingInCase_data();
    void namesDifferingInCase();
    void ruleOnAnyDisk_data();
    void ruleOnAnyDisk();
    void longOutputOnCard();

private:
    QTemporaryDir root;
    std::unique_ptr<ExfatCard> card;
    QString cardPath;
};

void TstCard::initTestCase()
{
    QVERIFY(root.isValid());
    cardPath = root.filePath(QStringLiteral("card"));
    card = std::make_unique<ExfatCard>(root.filePath(QStringLiteral("card.img")), cardPath);
    if (!card->mounted)
        qWarning("no exFAT card for this run (%s); only the rule is tested", qPrintable(card->why));
}

void TstCard::cleanupTestCase()
{
    card.reset();
}

void TstCard::namesDifferingInCase_data()
{
    // Files made on the card ("name:seconds"), the inputs and the output
    // folder given to the tool (empty: the card itself), and what is left:
    // each input "converted" or "refused".
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("outputFolder");
    QTest::addColumn<QStringList>("outcomes");

    QTest::newRow("an input under another input's output")
        << QStringList{"kick.wav:2", "KICK.flac:0.1"} << QStringList{"kick.wav", "KICK.flac"}
        << QString() << QStringList{"refused", "refused"};
    QTest::newRow("the output of an input in capitals")
        << QStringList{"Room B.WAV:0.3"} << QStringList{"Room B.WAV"} << QString()
        << QStringList{"refused"};
    QTest::newRow("two outputs into one folder")
        << QStringList{"a/Kick.wav:0.2", "b/kick.flac:0.3"}
        << QStringList{"a/Kick.wav", "b/kick.flac"} << QStringLiteral("out")
        << QStringList{"converted", "refused"};
    QTest::newRow("folded beyond ASCII")
        << QStringList{"a/Øl.wav:0.2", "b/øL.flac:0.3"} << QStringList{"a/Øl.wav", "b/øL.flac"}
        << QStringLiteral("out") << QStringList{"converted", "refused"};
}

void TstCard::namesDifferingInCase()
{
    if (!card || !card->mounted)
        QSKIP(qPrintable(QStringLiteral("no exFAT card: ") + (card ? card->why : QString())));
    QFETCH(QStringList, files);
    QFETCH(QStringList, inputs);
    QFETCH(QString, outputFolder);
    QFETCH(QStringList, outcomes);

    static int cases = 0;
    const QString here = cardPath + QStringLiteral("/case%1").arg(++cases);
    QVERIFY(QDir().mkpath(here));
    QHash<QString, QByteArray> sums;
    for (const QString &file : files) {
        const QString name = file.section(QLatin1Char(':'), 0, 0);
        const QString path = here + QLatin1Char('/') + name;
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(
            testutil::makeAudio(path, 8000, 1, 16, file.section(QLatin1Char(':'), 1).toDouble()));
        sums.insert(name, hardening::checksum(path));
    }
    if (!outputFolder.isEmpty())
        QVERIFY(QDir(here).mkpath(outputFolder));

    QStringList args{QStringLiteral("-r"),
                     QStringLiteral("8000"),
                     QStringLiteral("-c"),
                     QStringLiteral("1"),
                     QStringLiteral("-b"),
                     QStringLiteral("16"),
                     QStringLiteral("--json"),
                     QStringLiteral("-o"),
                     outputFolder.isEmpty() ? QStringLiteral(".") : outputFolder};
    const Run run = runCli(here, args + inputs);
    QCOMPARE(run.exit, 1);
    const QStringList lines =
        QString::fromUtf8(run.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), inputs.size());
    for (int i = 0; i < lines.size(); ++i) {
        const QJsonObject row = QJsonDocument::fromJson(lines.at(i).toUtf8()).object();
        QCOMPARE(row.value(QStringLiteral("status")).toString(), outcomes.at(i));
        // A refusal names both files.
        if (outcomes.at(i) == QLatin1String("refused") && i > 0)
            QVERIFY2(row.value(QStringLiteral("reason")).toString().contains(inputs.at(0)),
                     qPrintable(row.value(QStringLiteral("reason")).toString()));
    }
    // Every original as it was.
    for (auto it = sums.cbegin(); it != sums.cend(); ++it)
        QCOMPARE(hardening::checksum(here + QLatin1Char('/') + it.key()), it.value());
    // The one output converted is the first input's.
    if (outcomes.contains(QStringLiteral("converted"))) {
        const QStringList made =
            QDir(here + QLatin1Char('/') + outputFolder).entryList(QDir::Files);
        QCOMPARE(made.size(), 1);
        QCOMPARE(
            testutil::soxi(here + QLatin1Char('/') + outputFolder + QLatin1Char('/') + made.first(),
                           QStringLiteral("-D"))
                .toDouble(),
            files.first().section(QLatin1Char(':'), 1).toDouble());
    }
}

void TstCard::ruleOnAnyDisk_data()
{
    // Inputs made in the output folder ("." in front) or in folders of their
    // own; the status of each row.
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QStringList>("statuses");

    QTest::newRow("an input under another's output")
        << QStringList{"./kick.wav", "./KICK.flac"} << QString()
        << QStringList{"refused", "refused"};
    QTest::newRow("the input itself in capitals")
        << QStringList{"./Room B.WAV"} << QString() << QStringList{"refused"};
    QTest::newRow("a suffix keeps them apart")
        << QStringList{"./Room B.WAV"} << QStringLiteral("_48k") << QStringList{"convert"};
    QTest::newRow("outputs in two cases") << QStringList{"a/Kick.wav", "b/kick.flac"} << QString()
                                          << QStringList{"convert", "refused"};
    QTest::newRow("outputs folded beyond ASCII")
        << QStringList{"a/STRASSE.wav", "b/strasse.flac", "c/ΣΟΦΙΑ.wav", "d/σοφια.flac"}
        << QString() << QStringList{"convert", "refused", "convert", "refused"};
    QTest::newRow("different names") << QStringList{"a/kick.wav", "b/snare.flac"} << QString()
                                     << QStringList{"convert", "convert"};
}

// The same rule where the disk tells the names apart: a plan made on the
// computer holds on the card.
void TstCard::ruleOnAnyDisk()
{
    QFETCH(QStringList, inputs);
    QFETCH(QString, suffix);
    QFETCH(QStringList, statuses);

    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("out"));
    QStringList paths;
    for (const QString &input : inputs) {
        const QString path =
            input.startsWith(QLatin1String("./")) ? out + input.mid(1) : dir.filePath(input);
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QVERIFY(testutil::makeAudio(path, 8000, 1, 16, 0.1));
        paths << path;
    }
    QVERIFY(QDir().mkpath(out));
    ConvertCommand request;
    request.sampleRate = 8000;
    request.channels = 1;
    request.bitsPerSample = 16;
    request.outputFolder = out;
    request.suffix = suffix;
    request.inputs = paths;
    const Plan plan = makePlan(request);
    QStringList got;
    for (const PlanRow &row : plan.rows)
        got << (row.status == PlanRow::Status::Convert ? QStringLiteral("convert")
                                                       : QStringLiteral("refused"));
    QCOMPARE(got, statuses);
    // The window's check of the spelled paths agrees.
    const QVector<PathClash> clashes = pathClashes(paths, out, suffix);
    QCOMPARE(clashes.size(), statuses.count(QStringLiteral("refused")));
}

// A long output is copied onto the card while libsox still writes the scratch
// file on another file system: the bytes are the sox command's all the same.
void TstCard::longOutputOnCard()
{
    if (!card || !card->mounted)
        QSKIP(qPrintable(QStringLiteral("no exFAT card: ") + (card ? card->why : QString())));
    const QString in = root.filePath(QStringLiteral("long.flac"));
    QVERIFY(testutil::makeAudio(in, 44100, 1, 16, 30.0));
    const QString here = cardPath + QStringLiteral("/long");
    QVERIFY(QDir().mkpath(here));
    const Run run =
        runCli(root.path(), {QStringLiteral("-r"), QStringLiteral("48000"), QStringLiteral("-c"),
                             QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("32"),
                             QStringLiteral("-o"), here, in});
    QCOMPARE(run.exit, 0);
    const QString reference = root.filePath(QStringLiteral("long-reference.wav"));
    QCOMPARE(testutil::run(QStringLiteral("sox"),
                           {QStringLiteral("-D"), in, QStringLiteral("-b"), QStringLiteral("32"),
                            QStringLiteral("-t"), QStringLiteral("wavpcm"), reference,
                            QStringLiteral("rate"), QStringLiteral("48000"),
                            QStringLiteral("channels"), QStringLiteral("2")}),
             0);
    const QByteArray samples = testutil::readAll(reference).mid(44);
    QCOMPARE(samples.size(), 30 * 48000 * 8);
    QCOMPARE(QDir(here).entryList(QDir::Files | QDir::Hidden), QStringList{"long.wav"});
    const QByteArray file = testutil::readAll(here + QStringLiteral("/long.wav"));
    QCOMPARE(file.left(44), testutil::expectedHeader(2, 48000, 32, quint32(samples.size())));
    QVERIFY2(file.mid(44) == samples, "samples differ from the sox command's");
}

QTEST_GUILESS_MAIN(TstCard)
#include "tst_card.moc"
