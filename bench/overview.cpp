// Measures the waveform overview of a long input as the window makes it:
// SlotPreview computes it on its worker while the GUI thread ticks a 5 ms
// timer. Prints the time it took, the longest gap between ticks (the goal is
// under 20 ms) and resident memory before, at its peak and after.
//
//   sabletide-bench-overview [--rate HZ] [--channels N] [FILE]
//
// Without FILE it makes a 60-minute 44.1 kHz stereo FLAC with the sox command
// in a temporary folder first.
#include "bridge/preview.h"
#include "convert/soxhandles.h"

#include "memory.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>

using bench::mib;
using bench::statusKib;

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    registerPreviewTypes();
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addOption({QStringLiteral("rate"), QStringLiteral("Output rate."), QStringLiteral("HZ"),
                      QStringLiteral("48000")});
    parser.addOption({QStringLiteral("channels"), QStringLiteral("Output channels."),
                      QStringLiteral("N"), QStringLiteral("1")});
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The input."));
    parser.process(app);

    QTemporaryDir work;
    QString input = parser.positionalArguments().value(0);
    if (input.isEmpty()) {
        input = work.filePath(QStringLiteral("long.flac"));
        std::fprintf(stderr, "making 60 minutes of 44.1 kHz stereo FLAC...\n");
        const int rc = QProcess::execute(
            QStringLiteral("sox"),
            {QStringLiteral("-n"), QStringLiteral("-r"), QStringLiteral("44100"),
             QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-b"), QStringLiteral("16"),
             input, QStringLiteral("synth"), QStringLiteral("3600"), QStringLiteral("sine"),
             QStringLiteral("100-8000"), QStringLiteral("vol"), QStringLiteral("0.5")});
        if (rc != 0)
            return 2;
    }
    const QString command = QStringLiteral("$DoConvert,%1,%2,24,0,%3/,,%4")
                                .arg(parser.value(QStringLiteral("rate")),
                                     parser.value(QStringLiteral("channels")), work.path(), input);

    sox::Session session;
    SlotPreview preview;
    QEventLoop loop;
    QString failure;
    QObject::connect(&preview, &SlotPreview::overviewChanged, &loop, [&] {
        if (preview.overview().isValid())
            loop.quit();
    });
    QObject::connect(&preview, &SlotPreview::sgOverviewFailed, &loop,
                     [&](const QString &, const QString &why) {
                         failure = why;
                         loop.quit();
                     });

    const qint64 before = statusKib("VmRSS");
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
    });
    clock.start();
    sinceTick.start();
    tick.start();
    preview.doShow(command, {}, input);
    loop.exec();
    tick.stop();
    maxGapNs = qMax(maxGapNs, sinceTick.nsecsElapsed());
    const qint64 elapsedMs = clock.elapsed();
    if (!failure.isEmpty()) {
        std::fprintf(stderr, "overview failed: %s\n", qPrintable(failure));
        return 1;
    }
    const Overview o = preview.overview().value<Overview>();

    // Asked again: from the cache.
    QElapsedTimer again;
    again.start();
    preview.doShow(command, {}, input);
    const qint64 againUs = again.nsecsElapsed() / 1000;
    const bool cached = preview.overview().isValid();

    std::printf("overview frames=%llu buckets=%d seconds=%.2f ticks=%lld max_gui_gap_ms=%.1f "
                "rss_before_mib=%.1f rss_peak_mib=%.1f rss_after_mib=%.1f again_us=%lld "
                "again_cached=%d\n",
                static_cast<unsigned long long>(o.frames), o.buckets(), elapsedMs / 1000.0,
                static_cast<long long>(ticks), maxGapNs / 1e6, mib(before), mib(statusKib("VmHWM")),
                mib(statusKib("VmRSS")), static_cast<long long>(againUs), cached ? 1 : 0);
    preview.shutdown();
    return 0;
}
