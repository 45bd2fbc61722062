#include "cli/workerpool.h"

#include "cli/interrupt.h"
#include "cli/rowsink.h"
#include "cli/worker.h"
#include "convert/inputs.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFileInfo>
#include <QHash>
#include <QSocketNotifier>
#include <QThread>

#include <unistd.h>

WorkerPool::WorkerPool(const Plan &plan, int workers, bool verbose, RowSink *sink, QObject *parent)
    : QObject(parent), plan(plan), maxWorkers(qMax(1, workers)), verbose(verbose), sink(sink)
{
    // Two jobs that read or write the same file run in input order, so that
    // every output ends up as a run of one job after the other leaves it.
    QHash<QString, int> lastToTouch;
    for (const PlanRow &row : plan.rows) {
        const int i = row.index;
        Job job;
        job.output = row.output;
        if (row.status != PlanRow::Status::Convert) {
            job.planned = false;
            job.state = Job::State::Done;
            job.outcome =
                row.status == PlanRow::Status::Skip ? Job::Outcome::Skipped : Job::Outcome::Failed;
            job.reason = row.reason;
            jobs.append(job);
            continue;
        }
        for (const QString &key : {inputs::fileKey(row.input), inputs::fileKey(row.output)}) {
            const auto earlier = lastToTouch.constFind(key);
            // An input that names its own output (refused by the conversion)
            // touches one file twice and must not wait for itself.
            if (earlier != lastToTouch.constEnd() && earlier.value() != i &&
                !job.after.contains(earlier.value()))
                job.after.append(earlier.value());
            lastToTouch.insert(key, i);
        }
        jobs.append(job);
    }
}

WorkerPool::~WorkerPool()
{
    // run() waits for every worker; this only guards against leaving one behind.
    for (const Worker &w : qAsConst(workers)) {
        w.process->closeWriteChannel();
        w.process->waitForFinished(-1);
    }
}

void WorkerPool::run()
{
    QEventLoop eventLoop;
    loop = &eventLoop;
    if (interrupt::wakeDescriptor() >= 0) {
        interruptNotifier =
            new QSocketNotifier(interrupt::wakeDescriptor(), QSocketNotifier::Read, this);
        connect(interruptNotifier, SIGNAL(activated(int)), this, SLOT(slInterrupted()));
    }
    if (interrupt::flag().load())
        slInterrupted();
    schedule();
    if (!finished)
        eventLoop.exec();
    loop = nullptr;
}

int WorkerPool::nextRunnable() const
{
    for (int i = head; i < jobs.size(); ++i) {
        if (jobs.at(i).state != Job::State::Waiting)
            continue;
        bool ready = true;
        for (const int earlier : jobs.at(i).after)
            ready = ready && jobs.at(earlier).state == Job::State::Done;
        if (ready)
            return i;
    }
    return -1;
}

WorkerPool::Worker *WorkerPool::startWorker()
{
    auto *process = new QProcess(this);
    // Diagnostics and warnings of a worker reach the terminal as they are.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QStringList arguments{QStringLiteral("--worker")};
    if (verbose)
        arguments << QStringLiteral("--verbose");
    process->start(QCoreApplication::applicationFilePath(), arguments);
    // Starting is a fork and an exec: waiting for it costs little and keeps a
    // failure to start out of the event loop.
    if (!process->waitForStarted(-1)) {
        startError = process->errorString();
        delete process;
        return nullptr;
    }
    connect(process, SIGNAL(readyReadStandardOutput()), this, SLOT(slReadyRead()));
    connect(process, SIGNAL(finished(int, QProcess::ExitStatus)), this,
            SLOT(slFinished(int, QProcess::ExitStatus)));
    workers.append(Worker{process, -1});
    return &workers.last();
}

WorkerPool::Worker *WorkerPool::workerOf(QObject *process)
{
    for (Worker &w : workers) {
        if (w.process == process)
            return &w;
    }
    return nullptr;
}

void WorkerPool::schedule()
{
    while (!cancelled) {
        const int job = nextRunnable();
        if (job < 0)
            break;
        Worker *idle = nullptr;
        for (Worker &w : workers) {
            if (w.job < 0 && w.process->state() != QProcess::NotRunning) {
                idle = &w;
                break;
            }
        }
        if (!idle && workers.size() < maxWorkers && startError.isEmpty())
            idle = startWorker();
        if (!idle && workers.isEmpty()) {
            // No worker runs and none will start: say so for each input.
            jobs[job].state = Job::State::Done;
            jobs[job].reason = QStringLiteral("cannot start a worker process: %1").arg(startError);
            continue;
        }
        if (!idle)
            break;
        int toStart = 0;
        int running = 0;
        for (const Job &j : qAsConst(jobs))
            toStart += j.state == Job::State::Waiting ? 1 : 0;
        for (const Worker &w : qAsConst(workers))
            running += w.job >= 0 ? 1 : 0;
        const int spare = worker::spareProcessorsFor(toStart, running, QThread::idealThreadCount());
        idle->job = job;
        jobs[job].state = Job::State::Running;
        idle->process->write(worker::rowLine(plan.params(plan.rows.at(job)), spare));
    }
    reportInOrder();

    bool waiting = false;
    for (int i = head; i < jobs.size() && !waiting; ++i)
        waiting = jobs.at(i).state == Job::State::Waiting;
    if (!waiting || cancelled) {
        // An idle worker with nothing left to do reads the end of its input
        // and exits.
        for (const Worker &w : qAsConst(workers)) {
            if (w.job < 0)
                w.process->closeWriteChannel();
        }
    }
    endIfDone();
}

void WorkerPool::slReadyRead()
{
    Worker *w = workerOf(sender());
    if (!w)
        return;
    bool answered = false;
    while (w->process->canReadLine()) {
        const worker::Answer answer = worker::readAnswerLine(w->process->readLine());
        const int job = w->job;
        if (job < 0)
            continue;
        switch (answer.kind) {
        case worker::Answer::Kind::Progress:
            jobs[job].done = answer.done;
            jobs[job].total = answer.total;
            if (job == head && jobs.at(job).announced && !cancelled)
                sink->progress(job, answer.done, answer.total);
            break;
        case worker::Answer::Kind::Converted:
        case worker::Answer::Kind::Failed:
            w->job = -1;
            finishJob(job,
                      answer.kind == worker::Answer::Kind::Converted ? Job::Outcome::Converted
                                                                     : Job::Outcome::Failed,
                      answer.reason);
            answered = true;
            break;
        case worker::Answer::Kind::Clipped:
            jobs[job].clipped = answer.done;
            break;
        case worker::Answer::Kind::Unreadable:
            break;
        }
    }
    if (answered)
        schedule();
}

void WorkerPool::slFinished(int exitCode, QProcess::ExitStatus status)
{
    auto *process = qobject_cast<QProcess *>(sender());
    if (!process)
        return;
    // The last lines may still wait in the buffer.
    if (workerOf(process) && process->canReadLine())
        slReadyRead();
    Worker *w = workerOf(process);
    if (!w)
        return;
    const int job = w->job;
    for (int i = 0; i < workers.size(); ++i) {
        if (workers.at(i).process == process) {
            workers.remove(i);
            break;
        }
    }
    process->deleteLater();
    if (job >= 0) {
        QString reason;
        if (cancelled)
            reason = QStringLiteral("cancelled");
        else if (status == QProcess::CrashExit)
            reason = QStringLiteral("the worker process crashed");
        else
            reason = QStringLiteral("the worker process ended with status %1").arg(exitCode);
        finishJob(job, Job::Outcome::Failed, reason);
    }
    schedule();
}

void WorkerPool::slInterrupted()
{
    char drain[64];
    while (interrupt::wakeDescriptor() >= 0 &&
           ::read(interrupt::wakeDescriptor(), drain, sizeof drain) > 0) {
    }
    if (cancelled)
        return;
    cancelled = true;
    sink->clearLine();
    // Workers in the terminal's process group have the signal already; one
    // sent to this process alone reaches them through SIGTERM.
    for (const Worker &w : qAsConst(workers)) {
        w.process->closeWriteChannel();
        if (w.job >= 0)
            w.process->terminate();
    }
    endIfDone();
}

void WorkerPool::finishJob(int job, Job::Outcome outcome, const QString &reason)
{
    Job &j = jobs[job];
    j.state = Job::State::Done;
    j.outcome = outcome;
    j.reason = reason;
    if (outcome == Job::Outcome::Converted)
        j.bytes = QFileInfo(j.output).size();
    reportInOrder();
}

void WorkerPool::reportDone(int job)
{
    const Job &j = jobs.at(job);
    if (j.clipped > 0)
        sink->clipped(job, j.clipped);
    switch (j.outcome) {
    case Job::Outcome::Converted:
        sink->converted(job, j.bytes);
        break;
    case Job::Outcome::Skipped:
        sink->skipped(job, j.reason);
        break;
    case Job::Outcome::Failed:
        sink->failed(job, j.reason);
        break;
    }
}

void WorkerPool::reportInOrder()
{
    while (head < jobs.size()) {
        Job &j = jobs[head];
        if (j.state == Job::State::Waiting)
            return;
        if (!j.announced && j.planned) {
            j.announced = true;
            sink->started(head);
            if (j.state == Job::State::Running && j.total > 0 && !cancelled)
                sink->progress(head, j.done, j.total);
        }
        if (j.state != Job::State::Done)
            return;
        reportDone(head);
        ++head;
    }
}

void WorkerPool::endIfDone()
{
    if (!workers.isEmpty() || (!cancelled && head < jobs.size()) || finished)
        return;
    if (cancelled) {
        // Inputs that never started stay unreported; those that ended are
        // still reported, in order.
        for (; head < jobs.size(); ++head) {
            const Job &j = jobs.at(head);
            if (j.state != Job::State::Done || !j.planned)
                continue;
            sink->started(head);
            reportDone(head);
        }
    }
    finished = true;
    if (loop)
        loop->quit();
}
