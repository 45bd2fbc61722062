// Runs the rows of a plan in worker processes, several at a time, and reports
// them in input order as if they had run one by one.
#pragma once

#include "convert/plan.h"

#include <QObject>
#include <QProcess>
#include <QVector>

class QEventLoop;
class QSocketNotifier;
class RowSink;

class WorkerPool : public QObject
{
    Q_OBJECT
public:
    WorkerPool(const Plan &plan, int workers, bool verbose, RowSink *sink,
               QObject *parent = nullptr);
    ~WorkerPool() override;

    // Returns once every input has been reported, or once an interrupt has
    // stopped the run and every worker has ended.
    void run();

private slots:
    void slReadyRead();
    void slFinished(int exitCode, QProcess::ExitStatus status);
    void slInterrupted();

private:
    struct Job
    {
        enum class State { Waiting, Running, Done };
        enum class Outcome { Converted, Skipped, Failed };
        QString output;
        QVector<int> after; // earlier jobs that touch the same files
        State state = State::Waiting;
        bool announced = false;
        bool planned = true; // false for a row the plan skipped or refused
        Outcome outcome = Outcome::Failed;
        QString reason;
        qint64 bytes = 0;
        quint64 clipped = 0;
        quint64 done = 0; // latest progress, shown once the job's turn comes
        quint64 total = 0;
    };
    struct Worker
    {
        QProcess *process = nullptr;
        int job = -1;
    };

    void schedule();
    int nextRunnable() const;
    Worker *startWorker();
    Worker *workerOf(QObject *process);
    void finishJob(int job, Job::Outcome outcome, const QString &reason);
    void reportDone(int job);
    void reportInOrder();
    void stopWorkers();
    void endIfDone();

    const Plan &plan;
    QVector<Job> jobs;
    QVector<Worker> workers;
    int maxWorkers;
    bool verbose;
    RowSink *sink;
    int head = 0; // first job not yet reported
    bool cancelled = false;
    bool finished = false;
    QString startError; // why the last worker could not start
    QEventLoop *loop = nullptr;
    QSocketNotifier *interruptNotifier = nullptr;
};
