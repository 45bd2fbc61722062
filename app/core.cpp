#include "app/core.h"

#include "bridge/data.h"
#include "convert/batch.h"
#include "convert/command.h"
#include "convert/plan.h"
#include "convert/progress.h"
#include "convert/resampling.h"
#include "convert/units.h"
#include "convert/worker.h"
#include "convert/workerpool.h"

#include <QCoreApplication>
#include <QDebug>
#include <QElapsedTimer>
#include <QHash>
#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

#include <fcntl.h>
#include <unistd.h>

namespace {

// sgProgress comes at most this often for one input, and only once the
// fraction has grown by a step: a window redraws no faster, and a flood of
// queued signals from inputs side by side would keep its thread busy.
constexpr qint64 fractionIntervalMs = 50;
constexpr double fractionStep = 0.01;

// What the window has heard of one input while it converts.
struct Heard
{
    QString input;
    ProgressGate gate;
    double fraction = -1;
    QElapsedTimer sinceFraction;
};

// Takes the number of inputs to convert side by side out of the options the
// engine reads: 0, none or empty lets the plan decide.
bool takeJobs(QVariantMap *given, int *jobs, QString *problem)
{
    *jobs = 0;
    const QVariant value = given->take(QStringLiteral("jobs"));
    const QString text = value.toString();
    if (value.isNull() || text.trimmed().isEmpty())
        return true;
    quint32 count = 0;
    QString why;
    if (!units::parseCount(text, 0, worker::maxWorkers, &count, &why)) {
        *problem = QCoreApplication::translate("Core", "option jobs cannot be \"%1\"").arg(text);
        return false;
    }
    *jobs = int(count);
    return true;
}

} // namespace

Core::Core(QObject *parent, const QString &workerProgram)
    : QObject(parent), workerProgram(workerProgram)
{
    data = new Data();
    resampling = new Resampling();
    // Without the pipe a pool still stops, by looking at the flag now and then.
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        wakePipe[0] = wakePipe[1] = -1;
    QObject::connect(data, SIGNAL(sgConvert(QString)), this, SLOT(slConvert(QString)),
                     Qt::AutoConnection);
    QObject::connect(data, SIGNAL(sgConvertWith(QString, QString)), this,
                     SLOT(slConvertWith(QString, QString)), Qt::AutoConnection);
    QObject::connect(data, SIGNAL(sgConvertOptions(QString, QVariantMap)), this,
                     SLOT(slConvertOptions(QString, QVariantMap)), Qt::AutoConnection);
    QObject::connect(data, SIGNAL(sgCancel()), this, SLOT(slCancel()), Qt::AutoConnection);
}

Core::~Core()
{
    pending.clear();
    stop();
    worker.waitForFinished();
    for (const int fd : wakePipe) {
        if (fd >= 0)
            ::close(fd);
    }
}

void Core::slConvert(QString request)
{
    slConvertOptions(request, QVariantMap());
}

void Core::slConvertWith(QString request, QString existing)
{
    slConvertOptions(request, QVariantMap{{QStringLiteral("existing"), existing}});
}

void Core::slConvertOptions(QString request, QVariantMap given)
{
    if (busy) {
        pending.append(Request{request, given});
        data->notifyWait(true);
        return;
    }
    command = request;
    options = given;
    cancel = false;
    busy = true;
    data->notifyWait(true);
    startWorker();
}

void Core::slCancel()
{
    pending.clear();
    if (busy)
        stop();
}

void Core::stop()
{
    cancel = true;
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        // A full pipe wakes its reader already.
        [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    }
}

void Core::startWorker()
{
    worker = QtConcurrent::run(QThreadPool::globalInstance(), this, &Core::doConvert);
}

void Core::doConvert()
{
    // By input index: several inputs may convert at once.
    QHash<int, Heard> heard;
    BatchReport report;
    report.started = [&](int i, const QString &input, const QString &) {
        Heard &h = heard[i];
        h = Heard();
        h.input = input;
        data->notifyResampStarted(input);
    };
    report.progress = [&](int i, quint64 done, quint64 total) {
        const auto it = heard.find(i);
        if (it == heard.end())
            return;
        Heard &h = *it;
        // At most one signal per percent: the window needs no more.
        if (h.gate.pass(done, total))
            data->notifyResampProgress(h.input, qreal(done), qreal(total));
        if (total == 0)
            return;
        const double fraction = qMin(1.0, double(done) / double(total));
        if (fraction < h.fraction + fractionStep ||
            (h.sinceFraction.isValid() && !h.sinceFraction.hasExpired(fractionIntervalMs)))
            return;
        h.fraction = fraction;
        h.sinceFraction.start();
        data->notifyProgress(h.input, fraction);
    };
    report.clipped = [&](int i, quint64 samples) {
        data->notifyResampClipped(heard.value(i).input, qreal(samples));
    };
    report.warning = [&](int i, const QString &text) {
        data->notifyResampWarning(heard.value(i).input, text);
    };
    report.gain = [&](int i, const sound::Level &level) {
        data->notifyResampGain(heard.value(i).input, level.gainDb, level.ceilingHeld);
    };
    report.converted = [&](int i, const QString &input, const QString &) {
        if (heard.value(i).fraction < 1.0)
            data->notifyProgress(input, 1.0);
        heard.remove(i);
        data->notifyResampReady(input);
    };
    report.failed = [&](int i, const QString &input, const Outcome &outcome) {
        heard.remove(i);
        data->notifyResampFailed(input, outcome.text());
    };
    report.skipped = [&](int i, const QString &input, const QString &reason) {
        heard.remove(i);
        data->notifyResampSkipped(input, reason);
    };
    runRequest(options, report);
    command.clear();
    options.clear();
    // The end of the request is settled on the GUI thread, behind every signal
    // this run has emitted: the next queued request starts there, or the wait ends.
    QMetaObject::invokeMethod(this, "slRunEnded", Qt::QueuedConnection);
}

void Core::runRequest(const QVariantMap &given, const BatchReport &report)
{
    QVariantMap rest = given;
    int jobs = 0;
    RequestOptions read;
    QString problem;
    if (!takeJobs(&rest, &jobs, &problem) || !readRequestOptions(rest, &read, &problem)) {
        report.failed(-1, QString(), Outcome::refused(problem));
        return;
    }
    if (!command.isEmpty())
        qDebug() << command;
    ConvertCommand request;
    command::ParseError error;
    if (!command::parse(command, &request, &error)) {
        report.failed(-1, QString(), Outcome::refused(error.message));
        return;
    }
    applyOptions(read, &request);
    const Plan plan = makePlan(request, read.existing);
    makeTreeFolders(plan);

    int workers = 1;
    if (!workerProgram.isEmpty()) {
        workers = worker::workerCount(plan, jobs, QThread::idealThreadCount());
    }
    if (workers <= 1) {
        BatchReport here = report;
        // One input at a time: the other processors would idle.
        here.spareProcessors = QThread::idealThreadCount() - 1;
        runPlan(plan, *resampling, here, &cancel);
        return;
    }
    // This thread waits for the pool as it would for one conversion; the GUI
    // thread hears the news through the bridge's queued signals.
    worker::Pool pool(plan, workers,
                      worker::Program{workerProgram, {QLatin1String(worker::argument)}}, report,
                      &cancel, wakePipe[0]);
    pool.run();
}

void Core::slRunEnded()
{
    if (!pending.isEmpty() && !cancel) {
        const Request next = pending.takeFirst();
        command = next.command;
        options = next.options;
        startWorker();
        return;
    }
    busy = false;
    data->notifyWait(false);
}
