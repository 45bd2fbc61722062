// Worker processes of sabletide-cli and of the window program: libsox keeps
// its state per process, so inputs convert side by side only in processes of
// their own. The parent plans the request and hands a worker one planned
// conversion at a time on its standard input; the worker answers on its
// standard output with progress lines and one result line per conversion.
#pragma once

#include "convert/plan.h"
#include "convert/workerprotocol.h"

#include <QByteArray>
#include <QString>

#include <atomic>

namespace worker {

// The hidden argument that starts a program as a worker.
inline constexpr char argument[] = "--worker";

// The most workers one request may ask for.
constexpr quint32 maxWorkers = 256;

// The processors the next row may take beside its own: those that no row
// runs on and that no row left to start (itself included) will take, so
// that the last rows of a batch use what the others leave idle and a full
// batch is not oversubscribed.
int spareProcessorsFor(int rowsToStart, int rowsRunning, int processors);

// About how long a worker takes to convert the plan's row `row` (seconds),
// from its length and channels: the measure of workersFor and of which rows
// are short enough to be sent to a worker before it is through with the one
// before (Pool).
double rowSeconds(const Plan &plan, const PlanRow &row);
// A row this short is sent to a busy worker ahead of its turn: a worker
// then never waits for its next row, which on a busy machine costs it up
// to a few milliseconds each time.
constexpr double aheadBelowSeconds = 0.05;

// How many workers the plan's conversions are worth, at most `jobs`: a worker
// takes about as long to start as some forty tiny inputs take to convert, so
// short work stays in one process (1) and longer work spreads.
int workersFor(const Plan &plan, int jobs);

// How many workers a request runs on: as many as `asked` (-j, or the
// window's jobs), no more than the rows that convert; with none asked (0),
// what the work is worth on `processors` (workersFor).
int workerCount(const Plan &plan, int asked, int processors);

// The worker's main loop: converts each input named on standard input until
// its end, or until `cancel` is set. Returns the process exit status.
int run(const std::atomic_bool &cancel, int wakeDescriptor);

// A worker process's whole work: catches SIGINT, SIGTERM and SIGHUP (a
// conversion they stop leaves no scratch or partial file), then runs the
// loop. Returns the exit status: 128 + the signal's number after a signal.
int serve();

} // namespace worker
