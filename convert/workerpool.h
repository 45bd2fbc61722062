// Runs the rows of a plan in worker processes, several at a time. Each row's
// news comes through a BatchReport as it happens: started when a worker takes
// it, its progress, its clipped count, then its end; rows side by side
// interleave. Every row is reported once, as runPlan would report it.
#pragma once

#include "convert/batch.h"
#include "convert/plan.h"
#include "convert/workerprocess.h"

#include <QObject>
#include <QProcess>
#include <QStringList>
#include <QVector>

#include <atomic>
#include <vector>

class QEventLoop;
class QSocketNotifier;
class Resampling;

namespace worker {

class Pool : public QObject
{
    Q_OBJECT
public:
    // Stops once `cancel` is set; `wakeDescriptor`, when not -1, becomes
    // readable when it is, so that the pool hears it at once.
    Pool(const Plan &plan, int workers, const Program &program, const BatchReport &report,
         const std::atomic_bool *cancel = nullptr, int wakeDescriptor = -1,
         QObject *parent = nullptr);
    ~Pool() override;

    // Runs an event loop of its own until every row has been reported and
    // every worker has ended. Call it on a thread that has nothing else to
    // do meanwhile: a command-line tool's main thread, or a controller's
    // worker thread, never a window's.
    void run();

Q_SIGNALS:
    // The run begins to stop: what comes after is the running rows' end and
    // a cancelled end for the rows that never started.
    void sgStopping();

private Q_SLOTS:
    void slReadyRead();
    void slFinished(int exitCode, QProcess::ExitStatus status);
    void slWoken();

private:
    struct Row
    {
        // Measured: the first round of a shared gain is through with it.
        enum class State { Waiting, Running, Measured, Done };
        QVector<int> after; // earlier rows that touch the same files
        State state = State::Waiting;
    };
    struct Worker
    {
        QProcess *process = nullptr;
        int row = -1;         // the row it converts
        int ahead = -1;       // a short row sent before it is through with `row`
        bool dropped = false; // stopped for an answer that cannot be read
    };

    void schedule();
    void send(Worker *w, int row, bool now);
    void announce(int row);
    void nextInLine(Worker *w);
    void putBack(Worker *w);
    int nextRunnable() const;
    Worker *startWorker();
    void convertHere(int row);
    Worker *workerOf(QObject *process);
    void finishRow(int row, const Outcome &outcome);
    void dropWorker(Worker *w, int row);
    void stop();
    void endIfDone();
    void settleIfMeasured();

    const Plan &plan;
    BatchReport report;
    Program program;
    const std::atomic_bool *cancel;
    int wakeDescriptor;
    QVector<Row> rows;
    QVector<Worker> workers;
    int maxWorkers;
    bool stopping = false;
    bool finished = false;
    // The first of a shared gain's two rounds (runPlan's), with what it found.
    bool measuring = false;
    std::vector<sound::Level> own;
    Shared shared;
    QString startError;         // why the last worker could not start
    Resampling *here = nullptr; // converts the rows when no worker will start
    QEventLoop *loop = nullptr;
    QSocketNotifier *wakeNotifier = nullptr;
};

} // namespace worker
