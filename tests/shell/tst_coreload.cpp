// The controller listens only once the window document has loaded: a request
// the document sends while it loads reaches nobody.
#include "app/core.h"
#include "bridge/data.h"

#include <QGuiApplication>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QThreadPool>
#include <QWindow>
#include <QtTest>

class TestCoreLoad : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }
    void callDuringLoadReachesNoReceiver();
};

void TestCoreLoad::callDuringLoadReachesNoReceiver()
{
    Core core(nullptr);
    Data *bridge = core.bridge();

    QWindow *window = nullptr;
    for (QWindow *w : QGuiApplication::topLevelWindows()) {
        if (w->title() == QLatin1String("load-time call"))
            window = w;
    }
    QVERIFY2(window, "the test's own window document was not loaded");
    QVERIFY(window->property("called").toBool());
    // Had the call reached the controller, the wait would have begun inside it.
    QCOMPARE(window->property("waits").toInt(), 0);

    // A request made after loading runs; anything that the load-time call had
    // started would have been reported before this request's end.
    QSignalSpy waitSpy(bridge, SIGNAL(sgWait(bool)));
    QSignalSpy failedSpy(bridge, SIGNAL(sgResampFailed(QString, QString)));
    QSignalSpy readySpy(bridge, SIGNAL(sgResampReady(QString)));
    bridge->doConvert(QString());
    QTRY_VERIFY_WITH_TIMEOUT(waitSpy.count() == 2, 60000);
    QThreadPool::globalInstance()->waitForDone();
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();

    QCOMPARE(waitSpy.count(), 2);
    QCOMPARE(waitSpy.at(0).at(0).toBool(), true);
    QCOMPARE(waitSpy.at(1).at(0).toBool(), false);
    QCOMPARE(failedSpy.count(), 1);
    QCOMPARE(failedSpy.at(0).at(0).toString(), QString());
    QCOMPARE(readySpy.count(), 0);
    QCOMPARE(window->property("waits").toInt(), 2);
    QCOMPARE(window->property("failures").toInt(), 1);
    QCOMPARE(window->property("readies").toInt(), 0);
}

QTEST_MAIN(TestCoreLoad)
#include "tst_coreload.moc"
