#include "convert/workerpool.h"

#include "convert/inputs.h"
#include "convert/resampling.h"
#include "convert/worker.h"

#include <QCoreApplication>
#include <QDebug>
#include <QEventLoop>
#include <QHash>
#include <QProcessEnvironment>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
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
    // Two rows that read or write the same file run in input order, so that
    // every output ends up as a run of one row after the other leaves it.
    QHash<QString, int> lastToTouch;
    for (int i = 0; i < plan.rows.size(); ++i) {
        const PlanRow &row = plan.rows.at(i);
        if (row.status != PlanRow::Status::Convert)
            continue;
        for (const QString &key : {inputs::fileKey(row.input), inputs::fileKey(row.output)}) {
            const auto earlier = lastToTouch.constFind(key);
            // An input that names its own output (refused by the conversion)
            // touches one file twice and must not wait for itself.
            if (earlier != lastToTouch.constEnd() && earlier.value() != i &&
                !rows[i].after.contains(earlier.value()))
                rows[i].after.append(earlier.value());
            lastToTouch.insert(key, i);
        }
    }
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
    // QProcess, short of descriptors halfway through a start, can close one
    // of a running worker's pipes and leave the run waiting for ever (seen
    // under ulimit -n 15): a start goes ahead only with room for all it opens
    // at once, and a margin.
    constexpr int pipesToStart = 6;
    int probe[pipesToStart][2];
    int made = 0;
    while (made < pipesToStart && ::pipe2(probe[made], O_CLOEXEC) == 0)
        ++made;
    const int probeError = errno;
    for (int i = 0; i < made; ++i) {
        ::close(probe[i][0]);
        ::close(probe[i][1]);
    }
    if (made < pipesToStart) {
        startError = QString::fromLocal8Bit(std::strerror(probeError));
        qDebug().noquote() << "no worker process started:" << startError << "- with"
                           << workers.size() << "running";
        return nullptr;
    }
    auto *process = new QProcess(this);
    // Diagnostics and warnings of a worker reach standard error as they are.
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A worker may be handed spare processors for libsox's channel threads,
    // whose libgomp threads must sleep while they wait (spare.h); a program
    // that restarted itself for that already says so.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    if (!environment.contains(QStringLiteral("OMP_WAIT_POLICY")) &&
        !environment.contains(QStringLiteral("GOMP_SPINCOUNT"))) {
        environment.insert(QStringLiteral("OMP_WAIT_POLICY"), QStringLiteral("PASSIVE"));
        process->setProcessEnvironment(environment);
    }
    process->start(program.path, program.arguments);
    // Starting is a fork and an exec: waiting for it costs little and keeps a
    // failure to start out of the event loop.
    if (!process->waitForStarted(-1)) {
        // Out of processes, say; the rows are not the worse for it
        // (schedule()).
        startError = process->errorString();
        qDebug().noquote() << "cannot start a worker process:" << startError << "- with"
                           << workers.size() << "running";
        delete process;
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
        const PlanRow &row = plan.rows.at(next);
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
        if (!idle)
            break;
        int toStart = 0;
        int running = 0;
        for (const Row &r : qAsConst(rows))
            toStart += r.state == Row::State::Waiting ? 1 : 0;
        for (const Worker &w : qAsConst(workers))
            running += w.row >= 0 ? 1 : 0;
        const int spare = spareProcessorsFor(toStart, running, QThread::idealThreadCount());
        idle->row = next;
        rows[next].state = Row::State::Running;
        ConvertParams params = plan.params(row);
        // A row of a shared gain was announced by the measuring round.
        if (measuring || !plan.request.sound.together) {
            if (report.started)
                report.started(next, row.input, row.output);
            params.measureOnly = measuring;
        } else {
            params.settled = shared.gains.at(next);
            if (report.gain)
                report.gain(next, shared.levels.at(next));
        }
        idle->process->write(rowLine(params, spare));
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

void Pool::slReadyRead()
{
    Worker *w = workerOf(sender());
    if (!w)
        return;
    bool ended = false;
    while (w->process->canReadLine()) {
        const Answer answer = readAnswerLine(w->process->readLine());
        const int row = w->row;
        if (answer.kind == Answer::Kind::Unreadable) {
            dropWorker(w, row);
            ended = true;
            break;
        }
        if (row < 0)
            continue;
        switch (answer.kind) {
        case Answer::Kind::Progress:
            if (!stopping && report.progress)
                report.progress(row, answer.done, answer.total);
            break;
        case Answer::Kind::Clipped:
            if (answer.done > 0 && report.clipped)
                report.clipped(row, answer.done);
            break;
        case Answer::Kind::Warning:
            if (report.warning)
                report.warning(row, answer.warning);
            break;
        case Answer::Kind::Gain:
            if (measuring)
                own[size_t(row)] = answer.level;
            else if (report.gain)
                report.gain(row, answer.level);
            break;
        case Answer::Kind::End:
            w->row = -1;
            finishRow(row, answer.outcome);
            ended = true;
            break;
        case Answer::Kind::Unreadable:
            break;
        }
    }
    if (ended)
        schedule();
}

void Pool::dropWorker(Worker *w, int row)
{
    // A worker whose answers cannot be read is not trusted with another
    // row: its row fails now, and it is stopped rather than waited for.
    qDebug().noquote() << "a worker's answer cannot be read; stopping it";
    w->row = -1;
    w->dropped = true;
    w->process->closeWriteChannel();
    w->process->terminate();
    disconnect(w->process, SIGNAL(readyReadStandardOutput()), this, SLOT(slReadyRead()));
    if (row >= 0)
        finishRow(row, Outcome::failed(QCoreApplication::translate(
                           "engine", "the worker process gave an answer that cannot be read")));
}

void Pool::slFinished(int exitCode, QProcess::ExitStatus status)
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
    const int row = w->row;
    for (int i = 0; i < workers.size(); ++i) {
        if (workers.at(i).process == process) {
            workers.remove(i);
            break;
        }
    }
    process->deleteLater();
    if (row >= 0) {
        QString reason;
        if (status == QProcess::CrashExit)
            reason = QCoreApplication::translate("engine", "the worker process crashed");
        else
            reason =
                QCoreApplication::translate("engine", "the worker process ended with status %1")
                    .arg(exitCode);
        finishRow(row, Outcome::failed(reason));
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

void Pool::finishRow(int row, const Outcome &outcome)
{
    if (measuring && outcome.isConverted()) {
        rows[row].state = Row::State::Measured;
        return;
    }
    rows[row].state = Row::State::Done;
    const PlanRow &planned = plan.rows.at(row);
    if (outcome.isConverted()) {
        if (report.converted)
            report.converted(row, planned.input, planned.output);
    } else if (report.failed) {
        // A stop may interrupt what the conversion was waiting for; its own
        // words would then blame the file.
        report.failed(row, planned.input, stopping ? Outcome::cancelled() : outcome);
    }
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
