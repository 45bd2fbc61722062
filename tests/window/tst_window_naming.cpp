// The window previews output names with its own copy of the engine's naming
// rule (qml/Logic.js). Both must give the same name for the same input: the
// shared table of cases, then a sweep of generated names, run through both.
#include "convert/command.h"

#include <QFile>
#include <QJSEngine>
#include <QtTest>

namespace {

// A .pragma line is QML's, not JavaScript's.
QString scriptText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    for (QString &line : lines) {
        if (line.trimmed().startsWith(QLatin1String(".pragma")))
            line.clear();
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestWindowNaming : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void initTestCase();
    void sharedCases_data();
    void sharedCases();
    void sweep();

private:
    QString jsOutputPath(const QString &input, const QString &folder, const QString &suffix);

    QJSEngine logic;
    QJSEngine table;
};

void TestWindowNaming::initTestCase()
{
    const QJSValue l = logic.evaluate(scriptText(QStringLiteral(SABLETIDE_QML_DIR "/Logic.js")));
    QVERIFY2(!l.isError(), qPrintable(l.toString()));
    QVERIFY(logic.globalObject().property(QStringLiteral("outputPath")).isCallable());
    const QJSValue t =
        table.evaluate(scriptText(QStringLiteral(SABLETIDE_TESTS_DIR "/naming_cases.js")));
    QVERIFY2(!t.isError(), qPrintable(t.toString()));
    QVERIFY(table.globalObject()
                .property(QStringLiteral("cases"))
                .property(QStringLiteral("length"))
                .toInt() >= 20);
}

QString TestWindowNaming::jsOutputPath(const QString &input, const QString &folder,
                                       const QString &suffix)
{
    QJSValue f = logic.globalObject().property(QStringLiteral("outputPath"));
    const QJSValue r = f.call({QJSValue(input), QJSValue(folder), QJSValue(suffix)});
    return r.isError() ? QStringLiteral("error: ") + r.toString() : r.toString();
}

void TestWindowNaming::sharedCases_data()
{
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<QString>("expected");
    const QJSValue cases = table.globalObject().property(QStringLiteral("cases"));
    const int n = cases.property(QStringLiteral("length")).toInt();
    for (int i = 0; i < n; ++i) {
        const QJSValue c = cases.property(i);
        QTest::newRow(qPrintable(c.property(QStringLiteral("tag")).toString()))
            << c.property(QStringLiteral("input")).toString()
            << c.property(QStringLiteral("folder")).toString()
            << c.property(QStringLiteral("suffix")).toString()
            << c.property(QStringLiteral("expected")).toString();
    }
}

void TestWindowNaming::sharedCases()
{
    QFETCH(QString, input);
    QFETCH(QString, folder);
    QFETCH(QString, suffix);
    QFETCH(QString, expected);
    QCOMPARE(command::outputPath(input, folder, suffix), expected);
    QCOMPARE(jsOutputPath(input, folder, suffix), expected);
}

// Names built from the pieces that the rule looks at: dots, "wav" in every
// case, slashes, spaces and characters outside Latin-1.
void TestWindowNaming::sweep()
{
    const QStringList folders{QString(),
                              QStringLiteral("/"),
                              QStringLiteral("/out/"),
                              QStringLiteral("/out"),
                              QStringLiteral("rel"),
                              QStringLiteral("/x.wav/"),
                              QStringLiteral("/X.WAV")};
    const QStringList suffixes{QString(), QStringLiteral("_s"), QStringLiteral(".wav"),
                               QStringLiteral("é")};
    const QStringList stems{QString(),
                            QStringLiteral("a"),
                            QStringLiteral("."),
                            QStringLiteral(".a"),
                            QStringLiteral("a."),
                            QStringLiteral("a b"),
                            QStringLiteral("ü.wav"),
                            QStringLiteral("a.wav.b")};
    const QStringList endings{QString(),
                              QStringLiteral(".wav"),
                              QStringLiteral(".WAV"),
                              QStringLiteral(".wAv"),
                              QStringLiteral(".wave"),
                              QStringLiteral("wav"),
                              QStringLiteral(".flac"),
                              QStringLiteral(".")};
    const QStringList dirs{QString(), QStringLiteral("/"), QStringLiteral("/in.wav/"),
                           QStringLiteral("in/")};
    int compared = 0;
    for (const QString &dir : dirs) {
        for (const QString &stem : stems) {
            for (const QString &ending : endings) {
                const QString input = dir + stem + ending;
                for (const QString &folder : folders) {
                    for (const QString &suffix : suffixes) {
                        const QString cpp = command::outputPath(input, folder, suffix);
                        const QString js = jsOutputPath(input, folder, suffix);
                        if (cpp != js)
                            QFAIL(qPrintable(QStringLiteral("input \"%1\", folder \"%2\", suffix "
                                                            "\"%3\": engine \"%4\", window \"%5\"")
                                                 .arg(input, folder, suffix, cpp, js)));
                        ++compared;
                    }
                }
            }
        }
    }
    QCOMPARE(compared, 4 * 8 * 8 * 7 * 4);
}

QTEST_GUILESS_MAIN(TestWindowNaming)

#include "tst_window_naming.moc"
