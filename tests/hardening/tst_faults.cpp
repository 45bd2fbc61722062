// Bad luck on disk: folders that are missing or refuse writes, full disks for
// the output and for the scratch file, links planted in the temporary folder,
// and the window closed in the middle of a conversion. Whatever happens, the
// user gets a reason, the input and any earlier output stay as they were, and
// no scratch file is left behind.
#include "app/core.h"
#include "bridge/data.h"
#include "convert/command.h"
#include "convert/resampling.h"
#include "convert/units.h"
#include "support.h"
#include "testutil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <unistd.h>

using namespace hardening;

namespace {

enum class Fault {
    OutputFolderMissing,
    OutputFolderNotWritable,
    EarlierOutputReadOnly,
    InputNotReadable,
    OutputPathIsFolder,
    OutputIsTheInputThroughALink,
    OutputNameTooLong,
    OutputDiskFull,
    OutputDiskFullSmallOutput,
    ScratchDiskFull,
    ScratchDiskFullSmallOutput,
    ScratchFolderReadOnly,
    ScratchFolderMissing,
    LinksPlantedInScratchFolder,
};

// Converted to 48 kHz stereo 16-bit, about 190 KB per second of input.
constexpr int rate = 48000;
constexpr int channels = 2;
constexpr int bits = 16;

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestFaults : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();

    void fault_data();
    void fault();
    void windowClosedWhileConverting();
    void scratchStopsAtTheWavLimit();

private:
    std::unique_ptr<QTemporaryDir> base;
    QString in, out, tmp, input;
};

void TestFaults::init()
{
    base = std::make_unique<QTemporaryDir>();
    QVERIFY(base->isValid());
    // Readable by the unprivileged user that some faults run as.
    QVERIFY(QFile::setPermissions(
        base->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                          QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
    in = base->filePath(QStringLiteral("in"));
    out = base->filePath(QStringLiteral("out"));
    tmp = base->filePath(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(in) && QDir().mkpath(out) && QDir().mkpath(tmp));
    QVERIFY(QFile::setPermissions(tmp, QFileDevice::Permissions(0x7777)));
    input = in + QStringLiteral("/take.flac");
    QVERIFY(testutil::makeAudio(input, 44100, 2, 16, 2.0, true));
}

void TestFaults::cleanup()
{
    base.reset();
}

void TestFaults::fault_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("asNobody");

    QTest::newRow("output folder missing")
        << Fault::OutputFolderMissing << false << QStringLiteral("output folder does not exist")
        << false;
    // As root, permission bits stop nobody: these run as the user nobody.
    QTest::newRow("output folder not writable")
        << Fault::OutputFolderNotWritable << false
        << QStringLiteral("output folder is not writable") << true;
    QTest::newRow("earlier output read-only")
        << Fault::EarlierOutputReadOnly << false << QStringLiteral("cannot write") << true;
    QTest::newRow("input not readable") << Fault::InputNotReadable << false
                                        << QStringLiteral("cannot read: permission denied") << true;
    QTest::newRow("output path is a folder")
        << Fault::OutputPathIsFolder << false << QStringLiteral("the output path is a folder")
        << false;
    QTest::newRow("output is the input through a link")
        << Fault::OutputIsTheInputThroughALink << false
        << QStringLiteral("the output would overwrite the input file itself") << false;
    // The input's name fits; with the suffix the output's does not.
    // Refused by the plan, before anything is written.
    QTest::newRow("output name too long")
        << Fault::OutputNameTooLong << false << QStringLiteral("the output name ") << false;
    QTest::newRow("output disk full")
        << Fault::OutputDiskFull << false << QStringLiteral("cannot write ") << false;
    // Small enough to sit in the file's buffer until the commit.
    QTest::newRow("output disk full, small output")
        << Fault::OutputDiskFullSmallOutput << false << QStringLiteral("cannot write ") << false;
    QTest::newRow("scratch disk full") << Fault::ScratchDiskFull << false
                                       << QStringLiteral("cannot write the scratch file") << false;
    QTest::newRow("scratch disk full, small output")
        << Fault::ScratchDiskFullSmallOutput << false << QStringLiteral("cannot ") << false;
    QTest::newRow("scratch folder read-only")
        << Fault::ScratchFolderReadOnly << false << QStringLiteral("cannot create a scratch file")
        << false;
    QTest::newRow("scratch folder missing")
        << Fault::ScratchFolderMissing << false << QStringLiteral("cannot create a scratch file")
        << false;
    QTest::newRow("links planted in the scratch folder")
        << Fault::LinksPlantedInScratchFolder << true << QString() << false;
}

void TestFaults::fault()
{
    QFETCH(Fault, fault);
    QFETCH(bool, converts);
    QFETCH(QString, reason);
    QFETCH(bool, asNobody);
    asNobody = asNobody && isRoot();
    QString cannot;
    if (asNobody && !canRunAsNobody(QCoreApplication::applicationFilePath(), &cannot))
        QSKIP(qPrintable(QStringLiteral("as root, permissions need another user: ") + cannot));

    QString folder = out;
    QString scratch = tmp;
    std::unique_ptr<Tmpfs> mount;
    const auto needMount = [&](const QString &where, qint64 bytes, bool readOnly) {
        mount = std::make_unique<Tmpfs>(where, bytes, readOnly);
        return mount->mounted();
    };

    // An earlier output at the path, which no failure may touch.
    QByteArray earlier = randomBytes(8192, 7);
    bool hasEarlier = true;
    QStringList planted; // names planted in the scratch folder
    const QString victim = base->filePath(QStringLiteral("victim.bin"));
    const QString throughDangling = base->filePath(QStringLiteral("made-through-a-link"));

    switch (fault) {
    case Fault::OutputFolderMissing:
        folder = base->filePath(QStringLiteral("no/such/folder"));
        hasEarlier = false;
        break;
    case Fault::OutputFolderNotWritable:
        break; // locked below, once the earlier output is in it
    case Fault::EarlierOutputReadOnly:
        // The folder lets the user in; the file itself is not theirs to replace.
        QVERIFY(QFile::setPermissions(out, QFileDevice::Permissions(0x7777)));
        break;
    case Fault::InputNotReadable:
        QVERIFY(QFile::setPermissions(out, QFileDevice::Permissions(0x7777)));
        QVERIFY(QFile::setPermissions(input, QFile::WriteOwner));
        hasEarlier = false;
        break;
    case Fault::OutputPathIsFolder:
        QVERIFY(QDir().mkpath(::command::outputPath(input, out, QString())));
        hasEarlier = false;
        break;
    case Fault::OutputIsTheInputThroughALink:
        QVERIFY(QFile::link(input, ::command::outputPath(input, out, QStringLiteral("_link"))));
        hasEarlier = false;
        break;
    case Fault::OutputNameTooLong: {
        const QString longName =
            in + QLatin1Char('/') + QString(250, QLatin1Char('x')) + QStringLiteral(".flac");
        QVERIFY(QFile::copy(input, longName));
        input = longName;
        hasEarlier = false;
        break;
    }
    case Fault::OutputDiskFull:
    case Fault::OutputDiskFullSmallOutput:
        folder = base->filePath(QStringLiteral("small"));
        if (!needMount(folder, 64 * 1024, false))
            QSKIP(qPrintable(QStringLiteral("a full disk needs a tmpfs: ") + mount->error()));
        break;
    case Fault::ScratchDiskFull:
    case Fault::ScratchDiskFullSmallOutput:
        scratch = base->filePath(QStringLiteral("small"));
        if (!needMount(scratch, 64 * 1024, false))
            QSKIP(qPrintable(QStringLiteral("a full disk needs a tmpfs: ") + mount->error()));
        break;
    case Fault::ScratchFolderReadOnly:
        if (isRoot()) {
            scratch = base->filePath(QStringLiteral("readonly"));
            if (!needMount(scratch, 1024 * 1024, true))
                QSKIP(qPrintable(QStringLiteral("a read-only folder for root needs a tmpfs: ") +
                                 mount->error()));
        } else {
            QVERIFY(QFile::setPermissions(tmp, QFile::ReadOwner | QFile::ExeOwner));
        }
        break;
    case Fault::ScratchFolderMissing:
        scratch = base->filePath(QStringLiteral("no/such/tmp"));
        break;
    case Fault::LinksPlantedInScratchFolder:
        QVERIFY(writeBytes(victim, "a file that someone else owns\n"));
        planted << QStringLiteral("rezOrizezovu.wav") << QStringLiteral("rezOrizezovu-AAAAAA.wav")
                << QStringLiteral("rezOrizezovu-zzzzzz.wav")
                << QStringLiteral("rezOrizezovu-000000.wav");
        for (const QString &name : qAsConst(planted))
            QVERIFY(QFile::link(victim, tmp + QLatin1Char('/') + name));
        planted << QStringLiteral("rezOrizezovu-dangle.wav");
        QVERIFY(QFile::link(throughDangling, tmp + QStringLiteral("/rezOrizezovu-dangle.wav")));
        planted.sort();
        break;
    }

    const QString suffix = fault == Fault::OutputIsTheInputThroughALink ? QStringLiteral("_link")
                           : fault == Fault::OutputNameTooLong          ? QStringLiteral("_48k")
                                                                        : QString();
    const QString output = ::command::outputPath(input, folder, suffix);
    if (hasEarlier) {
        QVERIFY(writeBytes(output, earlier));
        if (fault == Fault::EarlierOutputReadOnly)
            QVERIFY(QFile::setPermissions(output, QFile::ReadOwner | QFile::ReadOther));
    }
    // Unlocked again whatever happens, so that the temporary folder can go.
    const auto unlock = qScopeGuard([this] {
        QFile::setPermissions(out, QFileDevice::Permissions(0x7755));
        QFile::setPermissions(tmp, QFileDevice::Permissions(0x7777));
    });
    if (fault == Fault::OutputDiskFullSmallOutput || fault == Fault::ScratchDiskFullSmallOutput) {
        // Every block taken.
        QFile filler((fault == Fault::OutputDiskFullSmallOutput ? folder : scratch) +
                     QStringLiteral("/filler"));
        QVERIFY(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size()) {
        }
        if (fault == Fault::ScratchDiskFullSmallOutput)
            planted << QStringLiteral("filler");
    }
    if (fault == Fault::OutputFolderNotWritable && !isRoot())
        QVERIFY(QFile::setPermissions(out, QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray inputBefore = checksum(input);
    const QByteArray outputBefore = checksum(output);
    const QByteArray victimBefore = checksum(victim);
    const QStringList folderBefore = entries(folder);

    const quint32 size =
        fault == Fault::OutputDiskFullSmallOutput || fault == Fault::ScratchDiskFullSmallOutput
            ? 1044
            : 0;
    const QString text = convertCommand(rate, channels, bits, size, folder, suffix, {input});
    QList<RowEnd> outcomes;
    if (asNobody) {
        QString error;
        QVERIFY2(
            runAsNobody(QCoreApplication::applicationFilePath(), text, scratch, &outcomes, &error),
            qPrintable(error));
    } else {
        TmpDir inScratch(scratch);
        outcomes = runInProcess(text);
    }

    QCOMPARE(outcomes.size(), 1);
    QCOMPARE(outcomes.at(0).input, input);
    QCOMPARE(outcomes.at(0).converted, converts);
    QVERIFY2(outcomes.at(0).reason.startsWith(reason), qPrintable(outcomes.at(0).reason));
    // A reason that says nothing is no reason.
    QVERIFY2(!outcomes.at(0).reason.contains(QLatin1String("Unknown error")),
             qPrintable(outcomes.at(0).reason));

    // Nothing lost, nothing left.
    QCOMPARE(checksum(input), inputBefore);
    if (!converts) {
        QCOMPARE(checksum(output), outputBefore);
        QCOMPARE(entries(folder), folderBefore);
    } else {
        QString format;
        QVERIFY(testutil::pythonWave(output, &format));
        QVERIFY2(format.startsWith(QStringLiteral("48000 2 2 ")), qPrintable(format));
    }
    // The scratch folder holds nothing but what was planted there.
    QCOMPARE(entries(scratch), planted);
    if (fault == Fault::LinksPlantedInScratchFolder) {
        QCOMPARE(checksum(victim), victimBefore);
        QVERIFY(!QFileInfo::exists(throughDangling));
        for (const QString &name : qAsConst(planted))
            QVERIFY(QFileInfo(tmp + QLatin1Char('/') + name).isSymLink());
    }
}

// The window closes while a request of many long inputs converts: the
// controller cancels and waits. The inputs done before stay done, the one at
// work and all after it are reported cancelled, their earlier outputs are
// untouched, and no scratch file is left. Twenty inputs give the GUI thread,
// busy drawing its first frame, ample time to see the work under way.
void TestFaults::windowClosedWhileConverting()
{
    constexpr int count = 20;
    const QString original = in + QStringLiteral("/long.flac");
    QVERIFY(testutil::makeAudio(original, 44100, 2, 16, 60.0, true));
    const QByteArray originalBefore = checksum(original);
    QStringList inputs, outputs;
    QList<QByteArray> earlier;
    for (int i = 0; i < count; ++i) {
        // Hard links: twenty inputs for the disk space of one.
        const QString input = in + QStringLiteral("/long-%1.flac").arg(i, 2, 10, QLatin1Char('0'));
        QCOMPARE(
            ::link(QFile::encodeName(original).constData(), QFile::encodeName(input).constData()),
            0);
        inputs << input;
        outputs << ::command::outputPath(input, out, QString());
        QVERIFY(writeBytes(outputs.last(), randomBytes(4096, quint32(100 + i))));
        earlier << checksum(outputs.last());
    }

    TmpDir inScratch(tmp);
    auto core = std::make_unique<Core>();
    Data *data = core->bridge();
    QSignalSpy ready(data, SIGNAL(sgResampReady(QString)));
    QSignalSpy failed(data, SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy wait(data, SIGNAL(sgWait(bool)));
    data->doConvert(convertCommand(96000, 1, 16, 0, out, QString(), inputs));
    // The scratch file exists only while libsox converts an input.
    QTRY_VERIFY_WITH_TIMEOUT(!scratchFiles(tmp).isEmpty(), 120000);
    core.reset();
    QCoreApplication::processEvents();

    // Every input once: a head that converted, a tail that was cancelled.
    QCOMPARE(ready.count() + failed.count(), count);
    QVERIFY(failed.count() >= 1);
    const int done = ready.count();
    qInfo("%d of %d inputs converted before the window closed", done, count);
    for (int i = 0; i < count; ++i) {
        if (i < done) {
            QCOMPARE(ready.at(i).at(0).toString(), inputs.at(i));
            QCOMPARE(QFileInfo(outputs.at(i)).size(), qint64(44 + 96000 * 2 * 60));
        } else {
            QCOMPARE(failed.at(i - done).at(0).toString(), inputs.at(i));
            QCOMPARE(failed.at(i - done).at(1).toString(), QStringLiteral("cancelled"));
            QCOMPARE(checksum(outputs.at(i)), earlier.at(i));
        }
    }
    QCOMPARE(wait.count(), 1);
    QCOMPARE(wait.at(0).at(0).toBool(), true);

    QCOMPARE(checksum(original), originalBefore);
    QCOMPARE(entries(out).size(), count);
    QCOMPARE(entries(tmp), QStringList());
}

// With size 0 nothing cuts the output. An input longer than a WAV file can
// hold stops once the scratch file reaches that size, rather than fill the
// temporary disk, and fails saying why.
void TestFaults::scratchStopsAtTheWavLimit()
{
    const qint64 free = QStorageInfo(tmp).bytesAvailable();
    if (free < (qint64(5) << 30))
        QSKIP(qPrintable(QStringLiteral("needs 5 GiB free for a 4 GiB scratch file, has %1 MiB")
                             .arg(free >> 20)));
    // 8-bit mono at 768 kHz with the length left open, in front of 160 MiB of
    // silence that takes no disk space: as 8 channels of 32 bits, 5 GiB.
    const QString endless = in + QStringLiteral("/endless.au");
    QFile au(endless);
    QVERIFY(au.open(QIODevice::WriteOnly));
    QDataStream header(&au);
    header.writeRawData(".snd", 4);
    header << quint32(32) << quint32(0xFFFFFFFF) << quint32(2) << quint32(768000) << quint32(1)
           << quint32(0) << quint32(0);
    QVERIFY(au.resize(qint64(160) << 20));
    au.close();

    TmpDir inScratch(tmp);
    QString scratch;
    qint64 largest = 0;
    ConvertHooks hooks;
    hooks.progress = [&](quint64, quint64) {
        if (scratch.isEmpty() && !scratchFiles(tmp).isEmpty())
            scratch = tmp + QLatin1Char('/') + scratchFiles(tmp).first();
        largest = qMax(largest, QFileInfo(scratch).size());
    };
    ConvertParams params;
    params.channels = 8;
    params.sampleRate = 768000;
    params.bitsPerSample = 32;
    params.inputPath = endless;
    params.outputPath = out + QStringLiteral("/endless.wav");
    Resampling resampling;
    QString reason;
    QCOMPARE(resampling.resample(params, &reason, hooks), -1);

    QCOMPARE(reason, QStringLiteral("the converted audio is larger than a WAV file can hold "
                                    "(4 GiB); choose a size"));
    qInfo("the scratch file reached %lld bytes", largest);
    // Within a few of libsox's buffers of the limit, on either side.
    QVERIFY(largest > qint64(units::maxFileBytes) - (qint64(4) << 20));
    QVERIFY(largest < qint64(units::maxFileBytes) + (qint64(4) << 20));
    QCOMPARE(entries(tmp), QStringList());
    QCOMPARE(entries(out), QStringList());
}

int main(int argc, char *argv[])
{
    // The unprivileged side of runAsNobody.
    const int child = childMain(argc, argv);
    if (child >= 0)
        return child;
    QApplication app(argc, argv);
    TestFaults test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_faults.moc"
