#include "convert/workerpool.h"

#include "convert/logging.h"
#include "convert/resampling.h"
#include "convert/worker.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <unistd.h>

namespace worker {

namespace {

constexpr int pollMs = 100;

} // namespace

Pool::Pool(const Plan &plan, int workers, const Program &program, const BatchReport &report,
           const std::atomic_bool *cancel, int wakeDescriptor, QObject *parent)
    : QObject(parent), plan(plan), report(report), program(program), cancel(cancel),
      wakeDescriptor(wakeDescriptor), rows(plan.rows.size()), maxWorkers(qMax(1, workers))
{
    const QVector<QVector<int>> before = rowsBefore(plan);
    for (int i = 0; i < rows.size(); ++i)
        rows[i].after = before.at(i);
}

Pool::~Pool()
{
    // run() waits for every worker; this only guards against leaving one behind.
    for (const Worker &w : qAsConst(workers)) {
        w.process->closeWriteChannel();
        w.process->waitForFinished(-1);
    }
}

void Pool::run()
{
    QEventLoop eventLoop;
    loop = &eventLoop;
    QTimer poll;
    if (wakeDescriptor >= 0) {
        wakeNotifier = new QSocketNotifier(wakeDescriptor, QSocketNotifier::Read, this);
        connect(wakeNotifier, SIGNAL(activated(int)), this, SLOT(slWoken()));
    } else if (cancel) {
        // Nothing wakes this loop when the flag is set: look at it often
        // enough that a stop still ends the conversions within a second.
        connect(&poll, SIGNAL(timeout()), this, SLOT(slWoken()));
        poll.start(pollMs);
    }
    measuring = plan.request.sound.together;
    own.assign(size_t(plan.rows.size()), sound::Level());
    if (cancel && cancel->load()) {
        stop();
    } else {
        // The rows that the plan settled wait for nothing.
        for (int i = 0; i < plan.rows.size(); ++i) {
            const PlanRow &row = plan.rows.at(i);
            if (row.status == PlanRow::Status::Convert)
                continue;
            rows[i].state = Row::State::Done;
            if (row.status == PlanRow::Status::Skip) {
                if (report.skipped)
                    report.skipped(i, row.input, row.reason);
                continue;
            }
            if (report.started)
                report.started(i, row.input, row.output);
            if (report.failed)
                report.failed(i, row.input, Outcome::refused(row.reason));
        }
    }
    schedule();
    if (!finished)
        eventLoop.exec();
    loop = nullptr;
    delete wakeNotifier;
    wakeNotifier = nullptr;
}

int Pool::nextRunnable() const
{
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).state != Row::State::Waiting)
            continue;
        // Measuring reads the files and writes nothing.
        bool ready = true;
        for (const int earlier : measuring ? QVector<int>() : rows.at(i).after)
            ready = ready && rows.at(earlier).state == Row::State::Done;
        if (ready)
            return i;
    }
    return -1;
}

Pool::Worker *Pool::startWorker()
{
    QProcess *process = startProcess(program, this, &startError);
    if (!process) {
        // Out of processes, say; the rows are not the worse for it
        // (schedule()).
        qCDebug(lcWorker).noquote() << "cannot start a worker process:" << startError << "- with"
                                    << workers.size() << "running";
        return nullptr;
    }
    connect(process, SIGNAL(readyReadStandardOutput()), this, SLOT(slReadyRead()));
    connect(process, SIGNAL(finished(int, QProcess::ExitStatus)), this,
            SLOT(slFinished(int, QProcess::ExitStatus)));
    workers.append(Worker{process, -1});
    return &workers.last();
}

void Pool::convertHere(int row)
{
    if (!here)
        here = new Resampling(this);
    rows[row].state = Row::State::Running;
    BatchReport local = report;
    // One conversion at a time: the other processors would idle.
    local.spareProcessors = QThread::idealThreadCount() - 1;
    local.converted = [this](int i, const QString &, const QString &) { finishRow(i, Outcome()); };
    local.failed = [this](int i, const QString &, const Outcome &outcome) {
        finishRow(i, outcome);
    };
    const PlanRow &planned = plan.rows.at(row);
    if (measuring) {
        Outcome outcome;
        const bool ok =
            measureRow(plan, planned, *here, local, cancel, &own[size_t(row)], &outcome);
        rows[row].state = ok ? Row::State::Measured : Row::State::Running;
        if (!ok)
            finishRow(row, outcome);
    } else if (plan.request.sound.together) {
        convertSharedRow(plan, planned, *here, local, cancel, shared);
    } else {
        runRow(plan, planned, *here, local, cancel);
    }
    if (cancel && cancel->load())
        stop();
}

Pool::Worker *Pool::workerOf(QObject *process)
{
    for (Worker &w : workers) {
        if (w.process == process)
            return &w;
    }
    return nullptr;
}

void Pool::schedule()
{
    while (!stopping) {
        const int next = nextRunnable();
        if (next < 0)
            break;
        Worker *idle = nullptr;
        for (Worker &w : workers) {
            if (w.row < 0 && !w.dropped && w.process->state() != QProcess::NotRunning) {
                idle = &w;
                break;
            }
        }
        if (!idle && workers.size() < maxWorkers && startError.isEmpty())
            idle = startWorker();
        if (!idle && workers.isEmpty()) {
            // No worker runs and none will start: the rows convert in this
            // process, as with one job. With workers running, the rows wait
            // for them instead.
            convertHere(next);
            continue;
        }
        if (idle) {
            send(idle, next, true);
            continue;
        }
        // Every worker is busy: a short row goes to one whose row is short
        // too, to be read as soon as that one ends.
        Worker *busy = nullptr;
        if (rowSeconds(plan, plan.rows.at(next)) < aheadBelowSeconds) {
            for (Worker &w : workers) {
                if (w.ahead < 0 && !w.dropped && w.process->state() != QProcess::NotRunning &&
                    rowSeconds(plan, plan.rows.at(w.row)) < aheadBelowSeconds) {
                    busy = &w;
                    break;
                }
            }
        }
        if (!busy)
            break;
        send(busy, next, false);
    }

    bool waiting = false;
    for (int i = 0; i < rows.size() && !waiting; ++i)
        waiting = rows.at(i).state == Row::State::Waiting;
    // After the measuring round the workers have the conversions to do.
    if ((!waiting && !measuring) || stopping) {
        // An idle worker with nothing left to do reads the end of its input
        // and exits.
        for (const Worker &w : qAsConst(workers)) {
            if (w.row < 0)
                w.process->closeWriteChannel();
        }
    }
    endIfDone();
    settleIfMeasured();
}

// Sends `row` to `w`: now, as the row it converts, or ahead of its turn, to
// be announced when the row before it ends (nextInLine).
void Pool::send(Worker *w, int row, bool now)
{
    const PlanRow &planned = plan.rows.at(row);
    int toStart = 0;
    int running = 0;
    for (const Row &r : qAsConst(rows))
        toStart += r.state == Row::State::Waiting ? 1 : 0;
    for (const Worker &other : qAsConst(workers))
        running += other.row >= 0 ? 1 : 0;
    const int spare = spareProcessorsFor(toStart, running, QThread::idealThreadCount());
    rows[row].state = Row::State::Running;
    ConvertParams params = plan.params(planned);
    if (measuring || !plan.request.sound.together)
        params.measureOnly = measuring;
    else
        params.settled = shared.gains.at(row);
    if (now) {
        w->row = row;
        announce(row);
    } else {
        w->ahead = row;
    }
    w->process->write(rowLine(params, spare));
}

// What a worker's row begins with: its start, or for a row of a shared gain,
// which the measuring round announced, the gain it got.
void Pool::announce(int row)
{
    const PlanRow &planned = plan.rows.at(row);
    if (measuring || !plan.request.sound.together) {
        if (report.started)
            report.started(row, planned.input, planned.output);
    } else if (report.gain) {
        report.gain(row, shared.levels.at(row));
    }
}

// The worker ended its row: the row sent ahead, if any, is its row now.
void Pool::nextInLine(Worker *w)
{
    w->row = w->ahead;
    w->ahead = -1;
    if (w->row >= 0)
        announce(w->row);
}

// A worker that will convert nothing more gives back the row sent ahead,
// which it never began.
void Pool::putBack(Worker *w)
{
    if (w->ahead >= 0)
        rows[w->ahead].state = Row::State::Waiting;
    w->ahead = -1;
}

// Once every row is measured, the second round converts them.
void Pool::settleIfMeasured()
{
    if (!measuring || stopping)
        return;
    QVector<bool> measured(rows.size(), false);
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).state == Row::State::Waiting || rows.at(i).state == Row::State::Running)
            return;
        measured[i] = rows.at(i).state == Row::State::Measured;
    }
    measuring = false;
    shared = shareGain(plan, QVector<sound::Level>(own.begin(), own.end()), measured);
    for (int i = 0; i < rows.size(); ++i) {
        if (measured.at(i))
            rows[i].state = Row::State::Waiting;
    }
    schedule();
}

void Pool::slWoken()
{
    char drain[64];
    while (wakeDescriptor >= 0 && ::read(wakeDescriptor, drain, sizeof drain) > 0) {
    }
    // A wake left over from an earlier run, with the flag cleared since, is
    // not a stop.
    if (cancel && cancel->load())
        stop();
}

void Pool::stop()
{
    if (stopping)
        return;
    stopping = true;
    Q_EMIT sgStopping();
    // Workers in a terminal's process group may have the signal already; the
    // rest hear it through SIGTERM, which stops their conversion and removes
    // its scratch and partial files.
    for (const Worker &w : qAsConst(workers)) {
        w.process->closeWriteChannel();
        if (w.row >= 0)
            w.process->terminate();
    }
    endIfDone();
}

void Pool::endIfDone()
{
    if (finished || !workers.isEmpty())
        return;
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).state == Row::State::Done)
            continue;
        if (!stopping)
            return;
        // Never started: as runPlan reports the rows after a stop.
        rows[i].state = Row::State::Done;
        if (report.failed)
            report.failed(i, plan.rows.at(i).input, Outcome::cancelled());
    }
    finished = true;
    if (loop)
        loop->quit();
}

} // namespace worker
