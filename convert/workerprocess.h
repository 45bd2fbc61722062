// Starting a worker process for the pool (workerpool.h), and the order that
// rows sharing a file keep when they run side by side.
#pragma once

#include "convert/plan.h"

#include <QString>
#include <QStringList>
#include <QVector>

class QObject;
class QProcess;

namespace worker {

// How to start a worker: a program that runs worker::serve() when given
// these arguments.
struct Program
{
    QString path;
    QStringList arguments;
};

// A started worker process owned by `parent`, its diagnostics forwarded to
// standard error; null, with the system's reason, when it cannot start (out
// of processes, or of descriptors for its pipes).
QProcess *startProcess(const Program &program, QObject *parent, QString *error);

// For each row of `plan`, the earlier rows it waits for: two rows that read
// or write the same file run in input order, so that every output ends up as
// a run of one row after the other leaves it.
QVector<QVector<int>> rowsBefore(const Plan &plan);

} // namespace worker
