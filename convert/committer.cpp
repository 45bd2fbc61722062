#include "convert/committer.h"

#include "convert/resampling.h"

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

void Committer::finish(const ConvertParams &params, const std::atomic_bool *cancel,
                       placement::Pending pending, const Outcome &result,
                       const std::function<void(const Outcome &)> &told)
{
    settle();
    if (!result.isConverted() || !pending.isWaiting()) {
        told(result);
        return;
    }
    {
        std::lock_guard<std::mutex> locked(lock);
        busy = true;
        placed = false;
        ended = told;
    }
    thread = std::thread([this, params, cancel, result, p = std::move(pending)]() mutable {
        const Outcome done = Resampling::commit(params, cancel, &p);
        std::lock_guard<std::mutex> locked(lock);
        outcome = done.isConverted() ? result : done;
        if (from == TellFrom::PlacingThread)
            tellHeld();
        else
            placed = true;
    });
}

void Committer::settle()
{
    if (thread.joinable())
        thread.join();
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
    told(outcome);
    for (const auto &item : news)
        item();
}

void Committer::tellHeld()
{
    // Under the lock, so that no news of the next row slips in between.
    ended(outcome);
    for (const auto &item : qAsConst(held))
        item();
    held.clear();
    ended = nullptr;
    busy = false;
}
