// The command-line tool's reporter of a run in worker processes: runs the
// plan's rows through worker::Pool, which ends them in any order, and reports
// them to the terminal and to --json in input order, as if they had run one
// by one.
#pragma once

#include "convert/outcome.h"
#include "convert/plan.h"
#include "convert/sound.h"

#include <QHash>
#include <QObject>
#include <QVector>

class RowSink;

class InOrderReporter : public QObject
{
    Q_OBJECT
public:
    InOrderReporter(const Plan &plan, int workers, bool verbose, RowSink *sink,
                    QObject *parent = nullptr);

    // Returns once every input has been reported, or once an interrupt has
    // stopped the run and every worker has ended.
    void run();

private Q_SLOTS:
    void slStopping();

private:
    struct Row
    {
        enum class State { Waiting, Running, Done };
        State state = State::Waiting;
        bool announced = false;
        bool planned = true; // false for a row the plan skipped or refused
        bool skipped = false;
        QString skipReason;
        Outcome outcome = Outcome::failed(QString());
        qint64 bytes = 0;
        quint64 clipped = 0;
        QString warning;
        bool gainChosen = false; // its level in `levels`
        quint64 done = 0;        // latest progress, shown once the row's turn comes
        quint64 total = 0;
    };

    void finishRow(int row, bool skipped, const Outcome &outcome, const QString &skipReason);
    void reportDone(int row);
    void reportInOrder();
    void reportTheEnded();

    const Plan &plan;
    QVector<Row> rows;
    QHash<int, sound::Level> levels;
    int workers;
    bool verbose;
    RowSink *sink;
    int head = 0; // first row not yet reported
    bool cancelled = false;
};
