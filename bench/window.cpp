// Measures the window program while it converts: the time from the request
// to the end of the wait, resident memory above its idle size, and the
// longest gap between ticks of a 5 ms timer on the GUI thread. Each argument
// is one convert command, run in turn through Core as the window would send
// it; Core converts side by side in copies of the built window program, as
// the window does, with its jobs left to judge unless --jobs N comes first.
// Prints one line of figures per command.
#include "app/core.h"
#include "bridge/data.h"
#include "convert/soxhandles.h"

#include "memory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QTimer>

#include <cstdio>

namespace {

using bench::mib;
using bench::statusKib;

// Sets VmHWM back to the present VmRSS, so that each command gets its own peak.
bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

void settle(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (qEnvironmentVariableIsEmpty("QT_QUICK_BACKEND"))
        qputenv("QT_QUICK_BACKEND", "software");
    QApplication app(argc, argv);
    QStringList commands = QCoreApplication::arguments().mid(1);
    // --jobs N sends the commands with that option, as the window's setting does.
    QVariantMap options;
    if (commands.size() >= 2 && commands.first() == QLatin1String("--jobs")) {
        options.insert(QStringLiteral("jobs"), commands.at(1));
        commands = commands.mid(2);
    }
    if (commands.isEmpty()) {
        std::fprintf(stderr, "usage: %s [--jobs N] COMMAND...\n", argv[0]);
        return 2;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    sox::Session session;
    // The probe sits in bench/, the window program in bin/.
    const QFileInfo window(QCoreApplication::applicationDirPath() +
                           QStringLiteral("/../bin/sabletide"));
    const QString workers = window.isExecutable() ? window.canonicalFilePath() : QString();
    Core core(nullptr, workers);
    Data *data = core.bridge();
    if (!data->isLoaded())
        return 2;

    settle(1000);
    const qint64 idle = statusKib("VmRSS");
    std::printf("idle rss_mib=%.1f workers=%s\n", mib(idle),
                workers.isEmpty() ? "none" : qPrintable(workers));

    int failures = 0;
    for (const QString &command : commands) {
        int ready = 0;
        int failed = 0;
        QEventLoop loop;
        QMetaObject::Connection onWait =
            QObject::connect(data, &Data::sgWait, &loop, [&loop](bool wait) {
                if (!wait)
                    loop.quit();
            });
        QMetaObject::Connection onReady = QObject::connect(data, &Data::sgResampReady, &loop,
                                                           [&ready](const QString &) { ++ready; });
        QMetaObject::Connection onFailed = QObject::connect(
            data, &Data::sgResampFailed, &loop, [&failed](const QString &file, const QString &why) {
                ++failed;
                std::fprintf(stderr, "%s: %s\n", qPrintable(file), qPrintable(why));
            });

        const qint64 start = statusKib("VmRSS");
        const bool peakReset = resetPeak();
        qint64 sampledPeak = start;
        qint64 maxGapNs = 0;
        qint64 ticks = 0;
        QElapsedTimer clock;
        QElapsedTimer sinceTick;
        QTimer tick;
        tick.setTimerType(Qt::PreciseTimer);
        tick.setInterval(5);
        QObject::connect(&tick, &QTimer::timeout, [&] {
            maxGapNs = qMax(maxGapNs, sinceTick.nsecsElapsed());
            sinceTick.restart();
            ++ticks;
            sampledPeak = qMax(sampledPeak, statusKib("VmRSS"));
        });

        clock.start();
        sinceTick.start();
        tick.start();
        data->doConvertOptions(command, options);
        loop.exec();
        tick.stop();
        // The gap from the last tick to the end counts as well.
        maxGapNs = qMax(maxGapNs, sinceTick.nsecsElapsed());
        const double seconds = double(clock.nsecsElapsed()) / 1e9;
        QObject::disconnect(onWait);
        QObject::disconnect(onReady);
        QObject::disconnect(onFailed);

        const qint64 hwm = peakReset ? statusKib("VmHWM") : -1;
        const qint64 peak = qMax(sampledPeak, hwm);
        std::printf("run seconds=%.3f start_rss_mib=%.1f peak_rss_mib=%.1f above_idle_mib=%.1f "
                    "max_gap_ms=%.1f ticks=%lld converted=%d failed=%d peak_from=%s\n",
                    seconds, mib(start), mib(peak), mib(peak - idle), double(maxGapNs) / 1e6, ticks,
                    ready, failed, peakReset ? "VmHWM" : "samples");
        std::fflush(stdout);
        failures += failed;
        settle(200);
    }
    return failures == 0 ? 0 : 1;
}
