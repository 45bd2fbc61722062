// The pool's side of the answer lines (workerprotocol.h): each row's news
// as its worker tells it, the row's end, and a worker that ends or cannot
// be understood.
#include "convert/workerpool.h"

#include "convert/logging.h"
#include "convert/worker.h"

#include <QCoreApplication>
#include <QDebug>

namespace worker {

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
            nextInLine(w);
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
    qCDebug(lcWorker).noquote() << "a worker's answer cannot be read; stopping it";
    w->row = -1;
    putBack(w);
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
    putBack(w);
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

} // namespace worker
