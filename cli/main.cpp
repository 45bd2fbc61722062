// sabletide-cli: the window's conversions from a shell, a Makefile or a script.
#include "cli/diagnostics.h"
#include "cli/inorderreporter.h"
#include "cli/names.h"
#include "cli/options.h"
#include "cli/reporter.h"
#include "cli/rowjson.h"
#include "cli/rowsink.h"
#include "cli/stdoutput.h"
#include "convert/batch.h"
#include "convert/inputs.h"
#include "convert/interrupt.h"
#include "convert/plan.h"
#include "convert/planmap.h"
#include "convert/resampling.h"
#include "convert/soxhandles.h"
#include "convert/spare.h"
#include "convert/worker.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <memory>

namespace {

// libsox starts on first use (opening up a folder asks it which formats it
// reads) and stops once, at the very end.
struct SoxShutdown
{
    ~SoxShutdown() { sox::shutdown(); }
};

void writeOut(const QString &text)
{
    stdoutput::write(text.toLocal8Bit());
}

// A report that could not be written fails the run, whatever it would have
// ended with.
int closeOutput(int status)
{
    if (stdoutput::close())
        return status;
    const QString message = stdoutput::message();
    if (!message.isEmpty())
        writeError(QStringLiteral("%1: %2\n").arg(QCoreApplication::applicationName(), message));
    return cli::exitSomeFailed;
}

int usageError(const QString &message)
{
    writeError(QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                   .arg(QCoreApplication::applicationName(), inputs::withoutControls(message)));
    return cli::exitUsage;
}

QString sizeText(const Plan &plan, const PlanRow &row)
{
    const quint32 asked = plan.request.fileSize;
    if (!row.bytesExact && row.facts.framesEstimated)
        return QStringLiteral("about %1 bytes (the input only estimates its length)")
            .arg(row.bytes);
    if (!row.bytesExact)
        return asked > 44 ? QStringLiteral("at most %1 bytes").arg(asked)
                          : QStringLiteral("whole length");
    if (asked <= 44)
        return QStringLiteral("%1 bytes, whole length").arg(row.bytes);
    const double rate = plan.request.sampleRate;
    QStringList slot;
    if (row.startFrame > 0)
        slot << QStringLiteral("from %1 s").arg(row.startFrame / rate, 0, 'f', 3);
    if (row.cutFrame > 0 && row.fadeFrames > 0)
        slot << QStringLiteral("fades out %1 s before the cut")
                    .arg(row.fadeFrames / rate, 0, 'f', 3);
    if (row.padBytes > 0)
        slot << QStringLiteral("pads %1 bytes of silence").arg(row.padBytes);
    if (!slot.isEmpty())
        return QStringLiteral("%1 bytes, %2").arg(row.bytes).arg(slot.join(QStringLiteral(", ")));
    if (row.shortBy > 0)
        return QStringLiteral("%1 bytes, %2 short of %3: the sound ends first")
            .arg(row.bytes)
            .arg(row.shortBy)
            .arg(asked);
    return QStringLiteral("%1 bytes").arg(row.bytes);
}

int dryRun(const Plan &plan, const names::Given &given, bool json)
{
    for (const PlanRow &row : plan.rows) {
        if (json) {
            const QByteArray line =
                rowjson::line(plan, row, planmap::statusName(row.status), row.bytes, row.reason, 0,
                              names::inputBytes(row, given));
            if (!stdoutput::write(line))
                break;
            continue;
        }
        QString what;
        const QString reason = inputs::withoutControls(row.reason);
        switch (row.status) {
        case PlanRow::Status::Convert:
            what = QStringLiteral(" (%1)").arg(sizeText(plan, row));
            break;
        case PlanRow::Status::Skip:
            what = QStringLiteral(": skip, %1").arg(reason);
            break;
        case PlanRow::Status::Refused:
            what = QStringLiteral(": refused, %1").arg(reason);
            break;
        }
        const QString input = names::input(row, given);
        // An input refused for its name has no output name either.
        if (!stdoutput::write(
                (row.output.isEmpty()
                     ? QStringLiteral("%1%2\n").arg(input, what)
                     : QStringLiteral("%1 -> %2%3\n").arg(input, names::output(row), what))
                    .toLocal8Bit()))
            break;
    }
    return closeOutput(plan.count(PlanRow::Status::Refused) > 0 ? cli::exitSomeFailed
                                                                : cli::exitConverted);
}

// The finished output, whole, to standard output.
bool copyToStandardOutput(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        writeError(QStringLiteral("%1: %2\n").arg(path, file.errorString()));
        return false;
    }
    while (!file.atEnd()) {
        const QByteArray block = file.read(1 << 20);
        if (block.isEmpty() && file.error() != QFileDevice::NoError) {
            writeError(QStringLiteral("%1: %2\n").arg(path, file.errorString()));
            return false;
        }
        if (!stdoutput::write(block))
            return false;
    }
    return true;
}

void convertHere(const Plan &plan, RowSink &sink)
{
    Resampling resampling;
    int running = -1;
    BatchReport report;
    report.started = [&](int index, const QString &, const QString &) {
        running = index;
        sink.started(index);
    };
    report.progress = [&](int index, quint64 done, quint64 total) {
        sink.progress(index, done, total);
    };
    report.clipped = [&](int index, quint64 samples) { sink.clipped(index, samples); };
    report.warning = [&](int index, const QString &text) { sink.warning(index, text); };
    report.gain = [&](int index, const sound::Level &level) { sink.gain(index, level); };
    // One conversion at a time: the other processors would idle.
    report.spareProcessors = QThread::idealThreadCount() - 1;
    report.converted = [&](int index, const QString &, const QString &output) {
        sink.converted(index, QFileInfo(output).size());
    };
    report.skipped = [&](int index, const QString &, const QString &reason) {
        if (!interrupt::flag().load())
            sink.skipped(index, reason);
    };
    report.failed = [&](int index, const QString &, const Outcome &outcome) {
        // After an interrupt only the input that was running has something
        // to say; the rest never started.
        if (interrupt::flag().load() && index != running)
            return;
        sink.failed(index, outcome);
    };
    runPlan(plan, resampling, report, &interrupt::flag());
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt seeds the generator that names the scratch file from RDRAND, a word
    // at a time: 0.3 ms of a tiny file's call on a virtual machine, against
    // 0.05 ms for the one getrandom(2) it falls back to. Read on first use.
    if (!qEnvironmentVariableIsSet("QT_NO_CPU_FEATURE"))
        qputenv("QT_NO_CPU_FEATURE", "rdrnd");
    // Before libgomp has read its environment, that is before anything else.
    spare::restartWithPassiveThreads(argv, QThread::idealThreadCount());
    // Before anything opens a file, which could take a closed standard output's place.
    stdoutput::claim();
    diagnostics::install();
    QCoreApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationName(QStringLiteral("sabletide-cli"));
    QCoreApplication::setApplicationVersion(QLatin1String(cli::version));
    SoxShutdown soxShutdown;

    // Qt's arguments() decodes with the locale too, but gives bytes it cannot
    // decode a stand-in character that a real name may hold as well.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << inputs::decodeArgument(QByteArray(argv[i]));
    cli::Options options;
    QString error;
    const bool understood = cli::parseArguments(arguments, &options, &error);
    diagnostics::show(options.verbose);
    if (!understood)
        return usageError(error);

    switch (options.action) {
    case cli::Options::Action::Help:
        writeOut(options.helpText);
        return closeOutput(cli::exitConverted);
    case cli::Options::Action::ListPresets:
        writeOut(options.helpText);
        return closeOutput(cli::exitConverted);
    case cli::Options::Action::Version:
        writeOut(QStringLiteral("%1 %2\n").arg(QCoreApplication::applicationName(),
                                               QLatin1String(cli::version)));
        return closeOutput(cli::exitConverted);
    case cli::Options::Action::Worker:
        return worker::serve();
    case cli::Options::Action::Convert:
        break;
    }

    // The output for standard output is made whole in a folder of its own,
    // then copied out: a reader gets all of it, or nothing on a failure.
    std::unique_ptr<QTemporaryDir> staging;
    if (options.toStandardOutput) {
        staging = std::make_unique<QTemporaryDir>(QDir::tempPath() +
                                                  QStringLiteral("/sabletide-stdout-XXXXXX"));
        if (!staging->isValid()) {
            writeError(QStringLiteral("cannot make a folder in %1: %2\n")
                           .arg(QDir::tempPath(), staging->errorString()));
            return cli::exitSomeFailed;
        }
        options.command.outputFolder = staging->path() + QLatin1Char('/');
    }
    const ConvertCommand &c = options.command;
    if (!options.dryRun && !interrupt::install())
        return usageError(QStringLiteral("cannot catch Ctrl-C"));
    Plan plan = makePlan(c, options.existing);
    if (options.toStandardOutput && options.dryRun) {
        for (PlanRow &row : plan.rows)
            row.output = QStringLiteral("-");
    }
    names::Given given;
    for (const inputs::Refused &refused : qAsConst(options.refused)) {
        PlanRow row;
        row.index = plan.rows.size();
        if (!refused.bytes.isEmpty())
            given.insert(row.index, refused.bytes);
        row.input = refused.path;
        row.status = PlanRow::Status::Refused;
        row.reason = refused.reason;
        plan.rows.append(row);
    }
    // A worker that has gone away shows as a failed write, not as a signal;
    // so does a reader of the reports that has.
    std::signal(SIGPIPE, SIG_IGN);
    const QString outputFolder = inputs::withoutControls(c.outputFolder);
    if (options.dryRun) {
        if (options.makeOutputFolder && !options.quiet)
            writeError(QStringLiteral("%1: the output folder will be made\n").arg(outputFolder));
        return dryRun(plan, given, options.json);
    }
    // The output folder and, for a tree, the folders under it, as the rows
    // that convert need them; shaped by the umask as any new folder.
    if (options.makeOutputFolder) {
        if (!QDir().mkpath(c.outputFolder)) {
            writeError(QStringLiteral("%1: cannot make the output folder\n").arg(outputFolder));
            return cli::exitSomeFailed;
        }
        if (!options.quiet)
            writeError(QStringLiteral("%1: made the output folder\n").arg(outputFolder));
    }
    makeTreeFolders(plan);

    if (plan.rows.isEmpty()) {
        if (!options.quiet)
            writeError(QStringLiteral("nothing to convert: the command names no input\n"));
        return cli::exitConverted;
    }

    Reporter reporter(Reporter::styleFor(options.quiet), plan.rows.size());
    diagnostics::setReporter(&reporter);
    RowSink sink(plan, given, reporter, options.json);
    // The standard input is this process's own: a run that reads it stays here.
    const bool readsStandardInput =
        std::any_of(plan.rows.cbegin(), plan.rows.cend(),
                    [](const PlanRow &row) { return inputs::isStandardInput(row.input); });
    // -j N asks for N workers; left to itself the tool starts no more than
    // the work pays for.
    const int workers =
        readsStandardInput
            ? 1
            : worker::workerCount(plan, options.jobsGiven ? options.jobs : 0, options.jobs);
    if (workers <= 1) {
        convertHere(plan, sink);
    } else {
        InOrderReporter reporting(plan, workers, options.verbose, &sink);
        reporting.run();
    }
    const int signal = interrupt::signalNumber();
    if (signal == 0 && stdoutput::error() != 0) {
        // The count would speak of a run that was cut short.
        reporter.clearLine();
        diagnostics::setReporter(nullptr);
        return closeOutput(cli::exitSomeFailed);
    }
    if (signal == 0 && options.toStandardOutput && reporter.convertedCount() == 1 &&
        !copyToStandardOutput(plan.rows.constFirst().output)) {
        reporter.clearLine();
        diagnostics::setReporter(nullptr);
        return closeOutput(cli::exitSomeFailed);
    }
    reporter.finish(signal);
    diagnostics::setReporter(nullptr);
    if (signal != 0)
        return 128 + signal;
    return closeOutput(reporter.failedCount() > 0 ? cli::exitSomeFailed : cli::exitConverted);
}
