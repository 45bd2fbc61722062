// Replays the fuzz targets' seed corpora and every input that once broke them
// through the same checks, so that each ordinary build guards what fuzzing found.
#include "checks.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QtTest>

class TestFuzzReplay : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void replay_data();
    void replay();

private:
    static void addRows(const QString &target, const QString &set);
};

void TestFuzzReplay::initTestCase()
{
    fuzzcheck::silenceQtLog();
}

void TestFuzzReplay::addRows(const QString &target, const QString &set)
{
    QDirIterator it(QStringLiteral(SABLETIDE_FUZZ_DIR "/") + set + QLatin1Char('/') + target,
                    QDir::Files);
    QStringList paths;
    while (it.hasNext())
        paths << it.next();
    paths.sort();
    for (const QString &path : qAsConst(paths)) {
        const QString name =
            target + QLatin1Char('/') + set + QLatin1Char('/') + QFileInfo(path).fileName();
        QTest::newRow(qPrintable(name)) << target << path;
    }
}

void TestFuzzReplay::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    for (const QString &target : {QStringLiteral("command"), QStringLiteral("riff")}) {
        addRows(target, QStringLiteral("corpus"));
        addRows(target, QStringLiteral("regressions"));
    }
}

void TestFuzzReplay::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.errorString()));
    const QByteArray bytes = file.readAll();
    const QString problem = target == QLatin1String("command") ? fuzzcheck::checkCommand(bytes)
                                                               : fuzzcheck::checkRiff(bytes);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

QTEST_GUILESS_MAIN(TestFuzzReplay)
#include "tst_fuzzreplay.moc"
