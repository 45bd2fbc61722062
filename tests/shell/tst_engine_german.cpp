// The engine's reasons reach the window in its language, German here, both
// from the window's own process and from its worker processes; the
// command-line tool, started in the same German environment, stays English.
#include "app/core.h"
#include "app/translations.h"
#include "bridge/data.h"
#include "testutil.h"

#include <QFile>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

namespace {

constexpr int patience = 60000;

const QString notFound = QStringLiteral("Datei nicht gefunden");
const QString damaged = QStringLiteral("die Eingabe ist beschädigt oder abgeschnitten: ");

} // namespace

class TestEngineGerman : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void windowReasons_data();
    void windowReasons();
    void toolStaysEnglish();

private:
    QStringList inputs() const;

    QTemporaryDir dir;
};

void TestEngineGerman::initTestCase()
{
    QStandardPaths::setTestModeEnabled(true);
    QVERIFY(dir.isValid());
    // The locale comes from the environment that ctest gives, as the window's
    // comes from the desktop's; its workers inherit it.
    QCOMPARE(QLocale().language(), QLocale::German);
    // As the window's start-up does, from the catalogues this build made.
    QVERIFY(installTranslations(*QCoreApplication::instance(), QLocale(),
                                {QStringLiteral(SABLETIDE_TRANSLATIONS_DIR)}) >= 2);

    // Whole headers and half the samples: the plan opens them, the conversion fails.
    const QString whole = dir.filePath(QStringLiteral("whole.flac"));
    QVERIFY(testutil::makeAudio(whole, 44100, 2, 16, 2.0));
    const QByteArray bytes = testutil::readAll(whole);
    for (const char *name : {"cut_a.flac", "cut_b.flac"}) {
        QFile cut(dir.filePath(QLatin1String(name)));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        QCOMPARE(cut.write(bytes.left(bytes.size() / 2)), qint64(bytes.size() / 2));
    }
}

QStringList TestEngineGerman::inputs() const
{
    return {dir.filePath(QStringLiteral("absent.flac")), dir.filePath(QStringLiteral("cut_a.flac")),
            dir.filePath(QStringLiteral("cut_b.flac"))};
}

void TestEngineGerman::windowReasons_data()
{
    QTest::addColumn<int>("jobs");

    QTest::newRow("in the window's process") << 1;
    // Two inputs to convert and two jobs: each damaged input fails in a worker.
    QTest::newRow("in worker processes") << 2;
}

// The planner's refusal and the conversion's failure, as the window hears them.
void TestEngineGerman::windowReasons()
{
    QFETCH(int, jobs);

    // The controller never deletes its bridge, and goes first.
    std::unique_ptr<Data> bridge;
    auto core = std::make_unique<Core>(nullptr, testutil::binDir() + QStringLiteral("/sabletide"));
    bridge.reset(core->bridge());
    QSignalSpy failed(bridge.get(), SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy ready(bridge.get(), SIGNAL(sgResampReady(QString)));
    QSignalSpy wait(bridge.get(), SIGNAL(sgWait(bool)));
    const QString out = dir.filePath(QStringLiteral("out%1").arg(jobs));
    QVERIFY(QDir().mkpath(out));
    QVERIFY(QMetaObject::invokeMethod(
        bridge.get(), "doConvertOptions", Qt::DirectConnection,
        Q_ARG(QString, testutil::convertCommand(22050, 1, 16, 0, out, QString(), inputs())),
        Q_ARG(QVariantMap, (QVariantMap{{QStringLiteral("jobs"), jobs}}))));
    QTRY_COMPARE_WITH_TIMEOUT(wait.count(), 2, patience);
    QCOMPARE(wait.at(1).at(0).toBool(), false);

    QCOMPARE(ready.count(), 0);
    QCOMPARE(failed.count(), 3);
    QHash<QString, QString> reasons;
    for (const QList<QVariant> &args : qAsConst(failed))
        reasons.insert(QFileInfo(args.at(0).toString()).fileName(), args.at(1).toString());
    QCOMPARE(reasons.value(QStringLiteral("absent.flac")), notFound);
    for (const QString &name : {QStringLiteral("cut_a.flac"), QStringLiteral("cut_b.flac")}) {
        const QString reason = reasons.value(name);
        QVERIFY2(reason.startsWith(damaged), qUtf8Printable(name + QStringLiteral(": ") + reason));
    }
}

// The tool never installs a translator, whatever the locale.
void TestEngineGerman::toolStaysEnglish()
{
    const QString out = dir.filePath(QStringLiteral("out-cli"));
    QVERIFY(QDir().mkpath(out));
    QByteArray stdOut, stdErr;
    const QStringList args = QStringList{QStringLiteral("-r"), QStringLiteral("22050"),
                                         QStringLiteral("-c"), QStringLiteral("1"),
                                         QStringLiteral("-b"), QStringLiteral("16"),
                                         QStringLiteral("-o"), out} +
                             inputs();
    QCOMPARE(testutil::run(testutil::binDir() + QStringLiteral("/sabletide-cli"), args, &stdOut,
                           &stdErr),
             1);
    const QString said = QString::fromUtf8(stdOut + stdErr);
    QVERIFY2(said.contains(inputs().at(0) + QStringLiteral(": file not found\n")),
             qUtf8Printable(said));
    QVERIFY2(
        said.contains(inputs().at(1) + QStringLiteral(": the input is damaged or cut short: ")),
        qUtf8Printable(said));
}

QTEST_MAIN(TestEngineGerman)
#include "tst_engine_german.moc"
