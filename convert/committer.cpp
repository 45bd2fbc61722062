#include "convert/committer.h"

#include "convert/resampling.h"
#include "convert/spare.h"

void Committer::tell(const std::function<void()> &news)
{
    if (from == TellFrom::CallerThread && placed.load())
        settle();
    {
        std::lock_guard<std::mutex> locked(lock);
        if (busy) {
            held.append(news);
            return;
        }
        // Told under the lock on a placing thread's terms: never beside it.
        if (from == TellFrom::PlacingThread) {
            news();
            return;
        }
    }
    news();
}

void Committer::finish(const ConvertParams &rowParams, const std::atomic_bool *rowCancel,
                       placement::Pending rowPending, const Outcome &rowResult,
                       const std::function<void(const Outcome &)> &told)
{
    settle();
    if (!rowResult.isConverted() || !rowPending.isWaiting()) {
        told(rowResult);
        return;
    }
    {
        std::lock_guard<std::mutex> locked(lock);
        busy = true;
        placed = false;
        ended = told;
        params = rowParams;
        cancel = rowCancel;
        pending = std::move(rowPending);
        result = rowResult;
    }
    running = !nextHere && spare::startThread(&thread, &Committer::placingMain, this);
    nextHere = false;
    // Out of threads, or asked: the output is put in place here.
    if (!running) {
        place();
        settle();
    }
}

void *Committer::placingMain(void *committer)
{
    static_cast<Committer *>(committer)->place();
    return nullptr;
}

void Committer::place()
{
    const Outcome done = Resampling::commit(params, cancel, &pending);
    std::lock_guard<std::mutex> locked(lock);
    if (!done.isConverted())
        result = done;
    if (from == TellFrom::PlacingThread)
        tellHeld();
    else
        placed = true;
}

void Committer::settle()
{
    if (running) {
        pthread_join(thread, nullptr);
        running = false;
    }
    std::unique_lock<std::mutex> locked(lock);
    if (!busy)
        return;
    if (from == TellFrom::PlacingThread) {
        tellHeld();
        return;
    }
    // Told off the lock: a report may well call tell() again.
    busy = false;
    placed = false;
    const auto told = std::move(ended);
    const auto news = std::move(held);
    held.clear();
    locked.unlock();
    told(result);
    for (const auto &item : news)
        item();
}

void Committer::tellHeld()
{
    // Under the lock, so that no news of the next row slips in between.
    ended(result);
    for (const auto &item : qAsConst(held))
        item();
    held.clear();
    ended = nullptr;
    busy = false;
}
