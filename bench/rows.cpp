// Times the real window on a folder of many clips, as `sabletide FOLDER`
// starts it: how long until every row is on the list and drawn, until the
// engine's plan of the rows is in, and how long the conversion takes from
// Enter to the end of the run; with the window process's memory and CPU time
// at each point. Converts with the window's own form, set through the view's
// properties, into an output folder that must exist and be empty, and checks
// that every clip has its output there. Prints one line of figures.
//
//   sabletide-bench-rows [--launched-ns NS] [--jobs N] [--qml-debug 1]
//                        FOLDER OUTPUT EXPECTED
//
// --qml-debug S lets qmlprofiler attach (qmlprofiler --interactive -- probe
// -qmljsdebugger=port:3768,block --qml-debug S ...), to say which bindings
// the window's time goes to; the probe waits S seconds (S > 1) at its end for
// the profiler to take its data.
// NS is CLOCK_MONOTONIC in nanoseconds when the caller started this process,
// so that the times count from the start of the program, not of main();
// without it they count from the kernel's start time of the process.
#include "app/core.h"
#include "app/translations.h"
#include "bridge/data.h"
#include "bridge/windowtypes.h"
#include "convert/soxhandles.h"

#include "memory.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QQuickItem>
#include <QQuickWindow>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>
#include <QtQml/qqmldebug.h>
#include <QtTest>

#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <functional>

namespace {

using bench::mib;
using bench::statusKib;

qint64 monotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

// How long ago, in nanoseconds, the kernel started this process (to its
// clock tick): field 22 of /proc/self/stat counts ticks of CLOCK_BOOTTIME.
qint64 processAgeNs()
{
    QFile stat(QStringLiteral("/proc/self/stat"));
    if (!stat.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray text = stat.readAll();
    // The command name may hold spaces; the fields count from its ")".
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    const qint64 ticks = fields.value(22 - 3).toLongLong();
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    const qint64 now = qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    return now - ticks * (1000000000 / sysconf(_SC_CLK_TCK));
}

// The longest time between ticks of a 5 ms timer on the GUI thread: how long
// the window could not answer.
class GapMeter
{
public:
    GapMeter()
    {
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [this] { note(); });
    }
    void start()
    {
        longestNs = 0;
        since.start();
        tick.start();
    }
    double stopMs()
    {
        note();
        tick.stop();
        return double(longestNs) / 1e6;
    }

private:
    void note()
    {
        longestNs = qMax(longestNs, since.nsecsElapsed());
        since.restart();
    }
    QTimer tick;
    QElapsedTimer since;
    qint64 longestNs = 0;
};

// Runs the event loop until `done` holds, checking it whenever `sender`
// emits `signal` and every 50 ms; false after `timeoutMs`.
bool waitFor(QObject *sender, const char *signal, const std::function<bool()> &done, int timeoutMs)
{
    if (done())
        return true;
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (done())
            loop.quit();
    });
    QMetaObject::Connection heard;
    if (sender) {
        heard = QObject::connect(sender, signal, &loop, SLOT(quit()));
    }
    QTimer::singleShot(timeoutMs, &loop, [&loop] { loop.exit(1); });
    poll.start();
    while (!done()) {
        if (loop.exec() == 1)
            return done();
    }
    return true;
}

int fail(const char *what)
{
    std::fprintf(stderr, "sabletide-bench-rows: %s\n", what);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    const qint64 mainNs = monotonicNs();
    const qint64 ageAtMainNs = processAgeNs();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    // The window's Settings go to a folder of this run, never to the user's.
    QTemporaryDir settingsHome;
    if (!settingsHome.isValid())
        return fail("cannot make a settings folder");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(settingsHome.path()));
    QStandardPaths::setTestModeEnabled(true);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsHome.path());

    QApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments().mid(1);
    qint64 launchedNs = -1;
    int jobs = -1;
    int qmlDebug = 0;
    while (args.size() >= 2 && args.first().startsWith(QLatin1String("--"))) {
        bool ok = false;
        if (args.first() == QLatin1String("--launched-ns"))
            launchedNs = args.at(1).toLongLong(&ok);
        else if (args.first() == QLatin1String("--jobs"))
            jobs = args.at(1).toInt(&ok);
        else if (args.first() == QLatin1String("--qml-debug"))
            qmlDebug = args.at(1).toInt(&ok);
        if (!ok)
            break;
        args = args.mid(2);
    }
    bool countOk = false;
    const int expected = args.size() == 3 ? args.at(2).toInt(&countOk) : 0;
    if (!countOk || expected < 1) {
        std::fprintf(stderr, "usage: %s [--launched-ns NS] [--jobs N] FOLDER OUTPUT EXPECTED\n",
                     argv[0]);
        return 2;
    }
    const QString folder = QFileInfo(args.at(0)).absoluteFilePath();
    const QString output = QFileInfo(args.at(1)).absoluteFilePath();
    if (!QFileInfo(output).isDir() || !QDir(output).isEmpty())
        return fail("the output folder must exist and be empty");
    // From the caller's start when it gave it, else from the kernel's.
    const qint64 originNs = launchedNs > 0 ? launchedNs : mainNs - ageAtMainNs;
    const auto sinceStart = [originNs] { return double(monotonicNs() - originNs) / 1e9; };

    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    QCoreApplication::setOrganizationName(QStringLiteral("OrvaneBench"));
    QCoreApplication::setApplicationName(QStringLiteral("SabletideRows"));
    QGuiApplication::setQuitOnLastWindowClosed(false);

    // Before the window's engine exists; off by default, as in the program.
    if (qmlDebug)
        static QQmlDebuggingEnabler enabler(false);
    // As main.cpp starts the window, with the folder on its command line.
    installTranslations(app);
    Data::setStartInputs({folder});
    sox::Session session;
    sox::loadAllFormats();
    registerWindowTypes();
    // The probe sits in bench/window-real/ beside the window's documents, the
    // window program (the workers) in bin/.
    const QFileInfo program(QCoreApplication::applicationDirPath() +
                            QStringLiteral("/../../bin/sabletide"));
    if (!program.isExecutable())
        return fail("the window program is not built beside the benchmarks");
    Core core(nullptr, program.canonicalFilePath());
    if (!core.bridge()->isLoaded())
        return fail("the window did not load");

    QQuickWindow *window = nullptr;
    for (QWindow *w : QGuiApplication::topLevelWindows()) {
        auto *quick = qobject_cast<QQuickWindow *>(w);
        if (quick && quick->objectName() == QLatin1String("window"))
            window = quick;
    }
    QQuickItem *view =
        window ? window->findChild<QQuickItem *>(QStringLiteral("converterView")) : nullptr;
    QObject *batch = view ? view->property("batch").value<QObject *>() : nullptr;
    if (!batch)
        return fail("the window has no view with a batch");
    const auto prop = [](QObject *o, const char *name) { return o->property(name); };

    GapMeter gaps;
    gaps.start();
    // The rows are shown once the list holds them all and a frame with them
    // has been drawn.
    if (!waitFor(
            batch, SIGNAL(countChanged()), [&] { return prop(batch, "count").toInt() >= expected; },
            120000))
        return fail("the rows did not all come");
    const double listedS = sinceStart();
    bool swapped = false;
    QMetaObject::Connection onSwap =
        QObject::connect(window, &QQuickWindow::frameSwapped, [&swapped] { swapped = true; });
    window->update();
    const bool drawn = waitFor(
        window, SIGNAL(frameSwapped()), [&] { return swapped; }, 10000);
    QObject::disconnect(onSwap);
    const double shownS = drawn ? sinceStart() : -1;
    // The rows drawn: delegates of the list with an input's path.
    auto *list = view->findChild<QQuickItem *>(QStringLiteral("inputList"));
    auto *content = list ? list->property("contentItem").value<QQuickItem *>() : nullptr;
    int drawnRows = 0;
    if (content) {
        const QList<QQuickItem *> items = content->childItems();
        for (QQuickItem *item : items)
            drawnRows += item->isVisible() && !item->property("path").toString().isEmpty();
    }
    const qint64 shownRssKib = statusKib("VmRSS");
    const qint64 shownHwmKib = statusKib("VmHWM");
    const double shownCpu = bench::cpuSeconds();
    if (prop(batch, "count").toInt() != expected)
        return fail("the list holds another number of rows than the folder's clips");

    // The form as a person would fill it; then the engine plans every row.
    view->setProperty("rateText", QStringLiteral("22050"));
    view->setProperty("channelsText", QStringLiteral("1"));
    view->setProperty("bitsIndex", 1);
    view->setProperty("sizeText", QStringLiteral("0"));
    view->setProperty("folderText", output);
    view->setProperty("suffixText", QString());
    if (jobs >= 0)
        view->setProperty("jobs", jobs);
    QObject *form = prop(view, "form").value<QObject *>();
    // The form writes its folder with a closing "/".
    if (!form || prop(form, "bits").toInt() != 16 || prop(form, "rateText").toString() != "22050" ||
        QDir::cleanPath(prop(form, "outputFolder").toString()) != output)
        return fail("the form did not take the values");
    if (!waitFor(
            batch, SIGNAL(plansChanged()),
            [&] {
                return prop(batch, "planCurrent").toBool() && prop(view, "canConvert").toBool();
            },
            120000))
        return fail("the rows were never planned, or the window will not convert");
    const double plannedS = sinceStart();
    const double loadGapMs = gaps.stopMs();
    if (prop(batch, "willConvert").toInt() != expected)
        return fail("the plan does not convert every row");

    // Enter, on the active window, as the person presses it.
    window->requestActivate();
    if (!QTest::qWaitForWindowActive(window))
        return fail("the window never became active");
    const qint64 cpuBefore = qint64(bench::cpuSeconds() * 1e3);
    QElapsedTimer clock;
    gaps.start();
    clock.start();
    QTest::keyClick(window, Qt::Key_Return);
    if (!prop(batch, "running").toBool() && prop(batch, "runState").toString().isEmpty())
        return fail("Enter started no run");
    if (!waitFor(
            batch, SIGNAL(runChanged()),
            [&] {
                return !prop(batch, "running").toBool() &&
                       prop(batch, "runState").toString() != QLatin1String("converting");
            },
            600000))
        return fail("the run did not end");
    const double convertS = double(clock.nsecsElapsed()) / 1e9;
    const double convertGapMs = gaps.stopMs();
    const double convertCpu = double(qint64(bench::cpuSeconds() * 1e3) - cpuBefore) / 1e3;
    const qint64 endRssKib = statusKib("VmRSS");
    const qint64 peakKib = statusKib("VmHWM");

    const int converted = prop(batch, "convertedCount").toInt();
    const int failed = prop(batch, "failedCount").toInt();
    const QString state = prop(batch, "runState").toString();
    int outputs = 0;
    for (const QFileInfo &f : QDir(output).entryInfoList({QStringLiteral("*.wav")}, QDir::Files)) {
        outputs += f.size() > 44 ? 1 : 0;
    }
    std::printf("rows count=%d listed_s=%.3f shown_s=%.3f planned_s=%.3f convert_s=%.3f "
                "shown_rss_mib=%.1f shown_hwm_mib=%.1f end_rss_mib=%.1f peak_rss_mib=%.1f "
                "load_cpu_s=%.2f convert_cpu_s=%.2f load_gap_ms=%.1f convert_gap_ms=%.1f "
                "drawn_rows=%d state=%s converted=%d failed=%d outputs=%d\n",
                expected, listedS, shownS, plannedS, convertS, mib(shownRssKib), mib(shownHwmKib),
                mib(endRssKib), mib(peakKib), shownCpu, convertCpu, loadGapMs, convertGapMs,
                drawnRows, qPrintable(state), converted, failed, outputs);
    std::fflush(stdout);
    // Time for an attached profiler to stop recording and fetch its data.
    if (qmlDebug > 1)
        waitFor(
            nullptr, nullptr, [] { return false; }, qmlDebug * 1000);
    if (state != QLatin1String("done") || converted != expected || failed != 0 ||
        outputs != expected)
        return fail("not every clip was converted");
    if (!drawn || drawnRows < 1)
        return fail("the window drew no frame with its rows");
    return 0;
}
