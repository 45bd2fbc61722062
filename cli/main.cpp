// sabletide-cli: the window's conversions from a shell, a Makefile or a script.
#include "cli/diagnostics.h"
#include "cli/interrupt.h"
#include "cli/options.h"
#include "cli/reporter.h"
#include "cli/worker.h"
#include "cli/workerpool.h"
#include "convert/batch.h"
#include "convert/resampling.h"
#include "convert/soxhandles.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <csignal>
#include <cstdio>

namespace {

// libsox starts on first use (opening up a folder asks it which formats it
// reads) and stops once, at the very end.
struct SoxShutdown
{
    ~SoxShutdown() { sox::shutdown(); }
};

void writeOut(const QString &text)
{
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
}

int usageError(const QString &message)
{
    writeError(QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                   .arg(QCoreApplication::applicationName(), message));
    return cli::exitUsage;
}

int dryRun(const ConvertCommand &c)
{
    for (const QString &input : c.inputs) {
        const QString size = c.fileSize > 44 ? QStringLiteral("%1 bytes").arg(c.fileSize)
                                             : QStringLiteral("whole length");
        writeOut(QStringLiteral("%1 -> %2 (%3)\n")
                     .arg(input, command::outputPath(input, c.outputFolder, c.suffix), size));
    }
    std::fflush(stdout);
    return cli::exitConverted;
}

void convertHere(const ConvertCommand &c, Reporter &reporter)
{
    Resampling resampling;
    int running = -1;
    BatchReport report;
    report.started = [&](int index, const QString &input, const QString &) {
        running = index;
        reporter.started(index, input);
    };
    report.progress = [&](int index, quint64 done, quint64 total) {
        reporter.progress(index, done, total);
    };
    report.converted = [&](int index, const QString &input, const QString &output) {
        reporter.converted(index, input, output, QFileInfo(output).size());
    };
    report.failed = [&](int index, const QString &input, const QString &reason) {
        // After an interrupt only the input that was running has something
        // to say; the rest never started.
        if (interrupt::flag().load() && index != running)
            return;
        reporter.failed(index, input, reason);
    };
    runBatch(command::compose(c), resampling, report, &interrupt::flag());
}

} // namespace

int main(int argc, char *argv[])
{
    diagnostics::install();
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationName(QStringLiteral("sabletide-cli"));
    QCoreApplication::setApplicationVersion(QLatin1String(cli::version));
    SoxShutdown soxShutdown;

    cli::Options options;
    QString error;
    const bool understood = cli::parseArguments(QCoreApplication::arguments(), &options, &error);
    diagnostics::show(options.verbose);
    if (!understood)
        return usageError(error);

    switch (options.action) {
    case cli::Options::Action::Help:
        writeOut(options.helpText);
        return cli::exitConverted;
    case cli::Options::Action::Version:
        writeOut(QStringLiteral("%1\n").arg(QLatin1String(cli::version)));
        return cli::exitConverted;
    case cli::Options::Action::Worker: {
        interrupt::install();
        // Every input logs the whole command again; once per worker is enough.
        diagnostics::showOnce(QStringLiteral("\"$DoConvert"));
        const int status = worker::run(interrupt::flag(), interrupt::wakeDescriptor());
        return interrupt::signalNumber() != 0 ? 128 + interrupt::signalNumber() : status;
    }
    case cli::Options::Action::Convert:
        break;
    }

    const ConvertCommand &c = options.command;
    if (options.dryRun)
        return dryRun(c);

    if (!interrupt::install())
        return usageError(QStringLiteral("cannot catch Ctrl-C"));
    // A worker that has gone away shows as a failed write, not as a signal.
    std::signal(SIGPIPE, SIG_IGN);

    if (c.inputs.isEmpty()) {
        if (!options.quiet)
            writeError(QStringLiteral("nothing to convert: the command names no input\n"));
        return cli::exitConverted;
    }

    Reporter reporter(Reporter::styleFor(options.quiet), c.inputs.size());
    diagnostics::setReporter(&reporter);
    const int workers = qMin(options.jobs, c.inputs.size());
    if (workers <= 1) {
        convertHere(c, reporter);
    } else {
        WorkerPool pool(c, workers, options.verbose, &reporter);
        pool.run();
    }
    const int signal = interrupt::signalNumber();
    reporter.finish(signal);
    diagnostics::setReporter(nullptr);
    if (signal != 0)
        return 128 + signal;
    return reporter.failedCount() > 0 ? cli::exitSomeFailed : cli::exitConverted;
}
