// Puts a converted row's output at its path on a thread of its own while the
// next row already converts: the sync before the rename waits for the disk,
// about a millisecond a file, which a batch of short rows would otherwise
// wait out row by row. What is told of the rows keeps its order: the next
// row's news is held until the row before it has ended.
#pragma once

#include "convert/convertparams.h"
#include "convert/outcome.h"
#include "convert/placement.h"

#include <QList>

#include <atomic>
#include <functional>
#include <mutex>
#include <pthread.h>

class Committer
{
public:
    // Where the end of a row being placed, and the news held behind it, is
    // told: on the placing thread as soon as the output stands (a worker's
    // lines, which the parent waits for), or on the caller's thread at its
    // next tell(), finish() or settle() (reports that must stay on one thread).
    enum class TellFrom { PlacingThread, CallerThread };

    explicit Committer(TellFrom from) : from(from) {}
    Committer(const Committer &) = delete;
    Committer &operator=(const Committer &) = delete;
    ~Committer() { settle(); }

    // News of the row that converts now: told at once, or held while the row
    // before it is being placed.
    void tell(const std::function<void()> &news);
    // The row that converted ended with `outcome`. `ended` is told what
    // became of it: at once where nothing waits to be placed (a failure, or
    // measuring), else once its output stands at its path or has failed to.
    // Waits first for the row before it.
    void finish(const ConvertParams &params, const std::atomic_bool *cancel,
                placement::Pending pending, const Outcome &outcome,
                const std::function<void(const Outcome &)> &ended);
    // Waits until the row being placed has ended and its end, and the news
    // held behind it, are told.
    void settle();
    // The next row that finish() places is put in place on the caller's
    // thread, its end told before finish() returns: nothing converts beside
    // it (the last row), and a thread of its own would only cost its start.
    void placeNextHere() { nextHere = true; }

private:
    void tellHeld();
    void place();
    static void *placingMain(void *committer);

    const TellFrom from;
    pthread_t thread{};
    bool running = false;  // a placing thread to join
    bool nextHere = false; // placeNextHere()
    // What the placing thread works on, handed over before it starts.
    ConvertParams params;
    const std::atomic_bool *cancel = nullptr;
    placement::Pending pending;
    Outcome result; // what became of it, once placed
    std::mutex lock;
    bool busy = false;              // a row is being placed or its end not yet told
    std::atomic_bool placed{false}; // for TellFrom::CallerThread: its commit is over
    std::function<void(const Outcome &)> ended;
    QList<std::function<void()>> held;
};
