#include "cli/diagnostics.h"

#include "cli/reporter.h"
#include "convert/inputs.h"

#include <QMutex>
#include <QStringList>

#include <cstdlib>

namespace diagnostics {

namespace {

enum class Mode { Undecided, Hidden, Shown };

QMutex lock;
Mode mode = Mode::Undecided;
QStringList held;
Reporter *activeReporter = nullptr;

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Names reach the log too, and none may drive the terminal.
    const QString line =
        inputs::withoutControls(qFormatLogMessage(type, context, message)) + QLatin1Char('\n');
    QMutexLocker locker(&lock);
    if (type == QtDebugMsg || type == QtInfoMsg) {
        if (mode == Mode::Undecided) {
            held.append(line);
            return;
        }
        if (mode == Mode::Hidden)
            return;
    }
    if (activeReporter)
        activeReporter->clearLine();
    writeError(line);
    if (type == QtFatalMsg)
        std::abort();
}

} // namespace

void install()
{
    qInstallMessageHandler(handle);
}

void show(bool verbose)
{
    QMutexLocker locker(&lock);
    mode = verbose ? Mode::Shown : Mode::Hidden;
    if (verbose) {
        for (const QString &line : qAsConst(held))
            writeError(line);
    }
    held.clear();
}

void setReporter(Reporter *reporter)
{
    QMutexLocker locker(&lock);
    activeReporter = reporter;
}

} // namespace diagnostics
