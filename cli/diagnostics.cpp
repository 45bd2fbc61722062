#include "cli/diagnostics.h"

#include "cli/reporter.h"
#include "convert/inputs.h"
#include "convert/logging.h"

#include <QList>
#include <QLoggingCategory>
#include <QMutex>

#include <cstdlib>

namespace diagnostics {

namespace {

// A diagnostic line that came before the command line said whether it is
// wanted, such as the "str" line of a --command.
struct Held
{
    QByteArray category;
    QtMsgType type;
    QString line;
};

QMutex lock;
bool decided = false;
QList<Held> held;
Reporter *activeReporter = nullptr;

bool enabled(const QByteArray &category, QtMsgType type)
{
    const QLoggingCategory now(category.constData());
    return type == QtInfoMsg ? now.isInfoEnabled() : now.isDebugEnabled();
}

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    // Names reach the log too, and none may drive the terminal.
    const QString line =
        inputs::withoutControls(qFormatLogMessage(type, context, message)) + QLatin1Char('\n');
    QMutexLocker locker(&lock);
    if (!decided && (type == QtDebugMsg || type == QtInfoMsg)) {
        held.append({QByteArray(context.category ? context.category : "default"), type, line});
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
    // Everything is held until show(), which lets through what its rules let.
    QLoggingCategory::setFilterRules(logging::cliRules(true));
    qInstallMessageHandler(handle);
}

void show(bool verbose)
{
    QLoggingCategory::setFilterRules(logging::cliRules(verbose));
    QMutexLocker locker(&lock);
    decided = true;
    for (const Held &h : qAsConst(held)) {
        if (enabled(h.category, h.type))
            writeError(h.line);
    }
    held.clear();
}

void setReporter(Reporter *reporter)
{
    QMutexLocker locker(&lock);
    activeReporter = reporter;
}

} // namespace diagnostics
