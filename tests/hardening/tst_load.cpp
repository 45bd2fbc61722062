// Load through the controller: one request with 1,000 short inputs, and 20
// requests sent back to back. Every file is accounted for, each output is the
// one its input gives alone, and memory stays flat. The memory figures are
// printed for the record; the only bound on them is a generous sanity check.
#include "app/core.h"
#include "bridge/data.h"
#include "convert/command.h"
#include "support.h"
#include "testutil.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace hardening;

namespace {

// Every output is cut to 2,044 bytes of 32 kHz mono 16-bit.
constexpr int rate = 32000;
constexpr int channels = 1;
constexpr int bits = 16;
constexpr quint32 size = 2044;

// Far above what a leak-free run needs, far below what a leak of one scratch
// buffer per input would take; sanitizer builds hold freed memory for a while.
constexpr qint64 sanityBoundKiB = 512 * 1024;

} // namespace

class TestLoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();
    void thousandInputs();
    void twentyRequests();

private:
    // The input of number i: one of three good kinds, every tenth one broken.
    QString makeInput(int i);
    // Checks one output against what its kind gives alone.
    bool sameAsAlone(const QString &input, const QString &folder) const;
    void report(const char *what, qint64 peakBefore, qint64 rssBefore, qint64 ms);

    std::unique_ptr<QTemporaryDir> base;
    std::unique_ptr<TmpDir> tmp;
    QString tmpPath, in;
    QStringList kinds;                // the good fixtures
    QHash<QString, QByteArray> alone; // extension of a good kind -> its output's checksum
    QString bad;
    QString badReason;
};

void TestLoad::initTestCase()
{
    // Thousands of conversions: their debug lines would bury the figures.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    base = std::make_unique<QTemporaryDir>();
    QVERIFY(base->isValid());
    tmpPath = base->filePath(QStringLiteral("tmp"));
    in = base->filePath(QStringLiteral("in"));
    const QString fixtures = base->filePath(QStringLiteral("fixtures"));
    QVERIFY(QDir().mkpath(tmpPath) && QDir().mkpath(in) && QDir().mkpath(fixtures));
    tmp = std::make_unique<TmpDir>(tmpPath);

    kinds = QStringList{fixtures + QStringLiteral("/a.wav"), fixtures + QStringLiteral("/b.flac"),
                        fixtures + QStringLiteral("/c.ogg")};
    QVERIFY(testutil::makeAudio(kinds.at(0), 44100, 2, 16, 0.05));
    QVERIFY(testutil::makeAudio(kinds.at(1), 48000, 1, 24, 0.05, true));
    QVERIFY(testutil::makeAudio(kinds.at(2), 22050, 2, 16, 0.1));
    bad = fixtures + QStringLiteral("/d.mp3");
    QVERIFY(writeBytes(bad, randomBytes(4096, 3)));

    // Each kind converted alone, in a request of its own.
    const QString ref = base->filePath(QStringLiteral("alone"));
    QVERIFY(QDir().mkpath(ref));
    for (const QString &kind : qAsConst(kinds)) {
        const QList<RowEnd> o =
            runInProcess(convertCommand(rate, channels, bits, size, ref, QString(), {kind}));
        QCOMPARE(o.size(), 1);
        QVERIFY2(o.at(0).converted, qPrintable(o.at(0).reason));
        const QString output = ::command::outputPath(kind, ref, QString());
        QCOMPARE(QFileInfo(output).size(), qint64(size));
        alone.insert(QFileInfo(kind).suffix(), checksum(output));
    }
    const QList<RowEnd> o =
        runInProcess(convertCommand(rate, channels, bits, size, ref, QString(), {bad}));
    QCOMPARE(o.size(), 1);
    QVERIFY(!o.at(0).converted);
    badReason = o.at(0).reason;
    QVERIFY(!badReason.isEmpty());
}

void TestLoad::cleanupTestCase()
{
    tmp.reset();
}

QString TestLoad::makeInput(int i)
{
    const QString from = i % 10 == 9 ? bad : kinds.at(i % 3);
    const QString path =
        in +
        QStringLiteral("/%1-%2").arg(i, 4, 10, QLatin1Char('0')).arg(QFileInfo(from).fileName());
    if (!QFileInfo::exists(path) && !QFile::copy(from, path))
        return QString();
    return path;
}

bool TestLoad::sameAsAlone(const QString &input, const QString &folder) const
{
    const QByteArray expected = alone.value(QFileInfo(input).suffix());
    return !expected.isEmpty() &&
           checksum(::command::outputPath(input, folder, QString())) == expected;
}

void TestLoad::report(const char *what, qint64 peakBefore, qint64 rssBefore, qint64 ms)
{
    const qint64 peakAfter = peakRssKiB();
    const qint64 rssAfter = rssKiB();
    qInfo("%s: %lld ms; VmHWM %lld -> %lld KiB, VmRSS %lld -> %lld KiB", what, ms, peakBefore,
          peakAfter, rssBefore, rssAfter);
    QVERIFY2(peakAfter - peakBefore < sanityBoundKiB,
             qPrintable(QStringLiteral("peak memory grew by %1 KiB").arg(peakAfter - peakBefore)));
}

void TestLoad::thousandInputs()
{
    constexpr int count = 1000;
    const QString out = base->filePath(QStringLiteral("out-1000"));
    QVERIFY(QDir().mkpath(out));
    QStringList inputs, good, broken;
    for (int i = 0; i < count; ++i) {
        const QString path = makeInput(i);
        QVERIFY(!path.isEmpty());
        inputs << path;
        (path.endsWith(QLatin1String(".mp3")) ? broken : good) << path;
    }

    Core core;
    Data *data = core.bridge();
    QSignalSpy ready(data, SIGNAL(sgResampReady(QString)));
    QSignalSpy failed(data, SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy wait(data, SIGNAL(sgWait(bool)));
    const qint64 peakBefore = peakRssKiB();
    const qint64 rssBefore = rssKiB();
    QElapsedTimer clock;
    clock.start();
    data->doConvert(convertCommand(rate, channels, bits, size, out, QString(), inputs));
    QTRY_COMPARE_WITH_TIMEOUT(wait.count(), 2, 1200000);
    report("1000 inputs in one request", peakBefore, rssBefore, clock.elapsed());

    QCOMPARE(wait.at(0).at(0).toBool(), true);
    QCOMPARE(wait.at(1).at(0).toBool(), false);
    QCOMPARE(ready.count(), good.size());
    QCOMPARE(failed.count(), broken.size());
    for (int i = 0; i < ready.count(); ++i)
        QCOMPARE(ready.at(i).at(0).toString(), good.at(i));
    for (int i = 0; i < failed.count(); ++i) {
        QCOMPARE(failed.at(i).at(0).toString(), broken.at(i));
        QCOMPARE(failed.at(i).at(1).toString(), badReason);
    }
    for (const QString &input : qAsConst(good))
        QVERIFY2(sameAsAlone(input, out), qPrintable(input));
    QCOMPARE(entries(out).size(), good.size());
    QCOMPARE(scratchFiles(tmpPath), QStringList());
}

void TestLoad::twentyRequests()
{
    constexpr int requests = 20;
    constexpr int perRequest = 10;
    Core core;
    Data *data = core.bridge();
    QSignalSpy ready(data, SIGNAL(sgResampReady(QString)));
    QSignalSpy failed(data, SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy wait(data, SIGNAL(sgWait(bool)));

    QStringList good, broken, folders;
    QList<QStringList> inputsOf;
    for (int r = 0; r < requests; ++r) {
        const QString out = base->filePath(QStringLiteral("out-request-%1").arg(r));
        QVERIFY(QDir().mkpath(out));
        folders << out;
        QStringList inputs;
        for (int i = 0; i < perRequest; ++i) {
            const QString path = makeInput(r * perRequest + i);
            QVERIFY(!path.isEmpty());
            inputs << path;
            (path.endsWith(QLatin1String(".mp3")) ? broken : good) << path;
        }
        inputsOf << inputs;
    }

    const qint64 peakBefore = peakRssKiB();
    const qint64 rssBefore = rssKiB();
    QElapsedTimer clock;
    clock.start();
    // All sent before any can finish, as a window clicked twenty times would.
    for (int r = 0; r < requests; ++r)
        data->doConvert(
            convertCommand(rate, channels, bits, size, folders.at(r), QString(), inputsOf.at(r)));
    QTRY_VERIFY_WITH_TIMEOUT(!wait.isEmpty() && !wait.last().at(0).toBool(), 600000);
    report("20 requests back to back", peakBefore, rssBefore, clock.elapsed());

    // Busy once per request sent, free once at the very end.
    QCOMPARE(wait.count(), requests + 1);
    for (int i = 0; i < requests; ++i)
        QCOMPARE(wait.at(i).at(0).toBool(), true);
    QCOMPARE(ready.count(), good.size());
    QCOMPARE(failed.count(), broken.size());
    for (int i = 0; i < ready.count(); ++i)
        QCOMPARE(ready.at(i).at(0).toString(), good.at(i));
    for (int i = 0; i < failed.count(); ++i)
        QCOMPARE(failed.at(i).at(0).toString(), broken.at(i));
    for (int r = 0; r < requests; ++r) {
        int converted = 0;
        for (const QString &input : inputsOf.at(r)) {
            if (good.contains(input)) {
                QVERIFY2(sameAsAlone(input, folders.at(r)), qPrintable(input));
                ++converted;
            }
        }
        QCOMPARE(entries(folders.at(r)).size(), converted);
    }
    QCOMPARE(scratchFiles(tmpPath), QStringList());
}

QTEST_MAIN(TestLoad)
#include "tst_load.moc"
