#include "convert/channelrate.h"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <csignal>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace channelrate {

namespace {

// One channel's resampler and the thread that runs it.
struct Lane
{
    sox_effect_t *rate = nullptr;
    std::vector<sox_sample_t> in;  // the block being resampled
    std::vector<sox_sample_t> out; // what it gave
    pthread_t thread{};
    bool threaded = false;
};

class Split
{
public:
    explicit Split(std::vector<std::string> options) : options(std::move(options)) {}
    ~Split() { stop(); }

    int start(sox_effect_t *effp);
    int flow(const sox_sample_t *ibuf, sox_sample_t *obuf, size_t *isamp, size_t *osamp);
    int drain(sox_sample_t *obuf, size_t *osamp);
    void stop();
    // The record that counts this effect's clips.
    void flowsIn(sox_effect_t *effp) { outer = effp; }

private:
    static void *laneMain(void *self);
    void laneLoop(size_t lane);
    void resample(size_t lane);
    void dispatch(bool last);
    bool collect();
    size_t emit(sox_sample_t *obuf, size_t room);

    std::vector<std::string> options;
    sox_effect_t *outer = nullptr;
    size_t channels = 0;
    std::vector<Lane> lanes;
    std::vector<sox_sample_t> pending; // interleaved input of the next block
    std::vector<sox_sample_t> ready;   // interleaved output not yet given
    size_t readyOffset = 0;
    bool busy = false;    // the lanes hold a block
    bool flushed = false; // the last block has been resampled and drained
    bool failed = false;

    std::mutex lock;
    std::condition_variable work;
    std::condition_variable done;
    unsigned long long generation = 0; // blocks handed out
    size_t finished = 0;               // lanes done with the current one
    bool lastBlock = false;
    bool quitting = false;
};

struct Priv
{
    Split *split;
};

Split *of(sox_effect_t *effp)
{
    return static_cast<Priv *>(effp->priv)->split;
}

int Split::start(sox_effect_t *effp)
{
    channels = effp->in_signal.channels;
    const sox_effect_handler_t *rate = sox_find_effect("rate");
    if (!rate || channels == 0)
        return SOX_EOF;
    std::vector<char *> argv;
    for (std::string &o : options)
        argv.push_back(&o[0]);
    lanes.resize(channels);
    for (size_t c = 0; c < channels; ++c) {
        Lane &lane = lanes[c];
        lane.rate = sox_create_effect(rate);
        if (!lane.rate ||
            sox_effect_options(lane.rate, int(argv.size()), argv.data()) != SOX_SUCCESS)
            return SOX_EOF;
        // As sox_add_effect sets up each flow of a multi-flow effect.
        sox_effect_t *e = lane.rate;
        e->global_info = effp->global_info;
        e->in_signal = effp->in_signal;
        e->in_encoding = effp->in_encoding;
        e->out_signal = effp->out_signal;
        e->out_encoding = effp->out_encoding;
        e->flows = 1;
        e->flow = c;
        e->clips = 0;
        e->imin = 0;
        if (c > 0)
            e->in_signal.mult = nullptr; // only one channel can change it
        const int started = e->handler.start(e);
        if (started != SOX_SUCCESS) {
            e->flows = 0; // nothing to stop
            return started;
        }
    }
    effp->out_signal = lanes[0].rate->out_signal;
    effp->out_signal.channels = effp->in_signal.channels;
    pending.reserve(blockFrames * channels);

    // Signals stay with the threads that were there before.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    for (size_t c = 0; c < channels; ++c) {
        struct Start
        {
            Split *split;
            size_t lane;
        };
        auto *s = new Start{this, c};
        if (pthread_create(
                &lanes[c].thread, nullptr,
                [](void *arg) -> void * {
                    auto *s = static_cast<Start *>(arg);
                    Split *split = s->split;
                    const size_t lane = s->lane;
                    delete s;
                    split->laneLoop(lane);
                    return nullptr;
                },
                s) == 0)
            lanes[c].threaded = true;
        else
            delete s; // this lane runs on the chain's thread
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return SOX_SUCCESS;
}

void Split::resample(size_t c)
{
    // Fed as libsox's chain feeds a channel, a buffer at a time: the
    // resampler's own buffers stay small enough for the processor's caches.
    Lane &lane = lanes[c];
    sox_effect_t *e = lane.rate;
    const size_t step = std::max<size_t>(1, sox_get_globals()->bufsiz / channels);
    lane.out.resize(lane.in.size() * 2 + step * 4);
    size_t used = 0;
    size_t made = 0;
    const auto room = [&] {
        if (lane.out.size() - made < step)
            lane.out.resize(lane.out.size() * 2);
        return lane.out.size() - made;
    };
    while (used < lane.in.size()) {
        size_t isamp = std::min(step, lane.in.size() - used);
        size_t osamp = room();
        e->handler.flow(e, lane.in.data() + used, lane.out.data() + made, &isamp, &osamp);
        made += osamp;
        used += isamp;
    }
    while (lastBlock && e->handler.drain) {
        size_t osamp = room();
        const int status = e->handler.drain(e, lane.out.data() + made, &osamp);
        made += osamp;
        if (osamp == 0 || status != SOX_SUCCESS)
            break;
    }
    lane.out.resize(made);
}

void Split::laneLoop(size_t c)
{
    unsigned long long seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> guard(lock);
            work.wait(guard, [&] { return quitting || generation > seen; });
            if (quitting)
                return;
            seen = generation;
        }
        resample(c);
        bool all = false;
        {
            std::lock_guard<std::mutex> guard(lock);
            all = ++finished == channels;
        }
        if (all)
            done.notify_one();
    }
}

void Split::dispatch(bool last)
{
    const size_t frames = pending.size() / channels;
    for (size_t c = 0; c < channels; ++c) {
        std::vector<sox_sample_t> &in = lanes[c].in;
        in.resize(frames);
        const sox_sample_t *s = pending.data() + c;
        for (size_t i = 0; i < frames; ++i, s += channels)
            in[i] = *s;
    }
    pending.clear();
    bool anyThreaded = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        lastBlock = last;
        finished = 0;
        ++generation;
        for (const Lane &lane : lanes)
            anyThreaded = anyThreaded || lane.threaded;
    }
    if (anyThreaded)
        work.notify_all();
    for (size_t c = 0; c < channels; ++c) {
        if (!lanes[c].threaded) {
            resample(c);
            std::lock_guard<std::mutex> guard(lock);
            ++finished;
        }
    }
    busy = true;
}

bool Split::collect()
{
    // Waits for the lanes' block and appends it, interleaved, to what is ready.
    if (!busy)
        return true;
    {
        std::unique_lock<std::mutex> guard(lock);
        done.wait(guard, [&] { return finished == channels; });
    }
    busy = false;
    const size_t frames = lanes[0].out.size();
    sox_uint64_t clips = 0;
    for (const Lane &lane : lanes) {
        clips += lane.rate->clips;
        if (lane.out.size() != frames)
            failed = true; // as libsox's "flowed asymmetrically"
    }
    outer->clips = clips;
    if (failed)
        return false;
    if (readyOffset > 0) {
        ready.erase(ready.begin(), ready.begin() + long(readyOffset));
        readyOffset = 0;
    }
    const size_t base = ready.size();
    ready.resize(base + frames * channels);
    for (size_t c = 0; c < channels; ++c) {
        const sox_sample_t *s = lanes[c].out.data();
        sox_sample_t *d = ready.data() + base + c;
        for (size_t i = 0; i < frames; ++i, d += channels)
            *d = s[i];
    }
    return true;
}

size_t Split::emit(sox_sample_t *obuf, size_t room)
{
    size_t n = std::min(room - room % channels, ready.size() - readyOffset);
    std::memcpy(obuf, ready.data() + readyOffset, n * sizeof *obuf);
    readyOffset += n;
    if (readyOffset == ready.size()) {
        ready.clear();
        readyOffset = 0;
    }
    return n;
}

int Split::flow(const sox_sample_t *ibuf, sox_sample_t *obuf, size_t *isamp, size_t *osamp)
{
    // All input is taken: it waits in `pending` for the next block.
    pending.insert(pending.end(), ibuf, ibuf + *isamp);
    if (pending.size() >= blockFrames * channels) {
        if (!collect())
            return SOX_EOF;
        dispatch(false);
    }
    *osamp = emit(obuf, *osamp);
    return SOX_SUCCESS;
}

int Split::drain(sox_sample_t *obuf, size_t *osamp)
{
    if (!flushed) {
        if (!collect())
            return SOX_EOF;
        dispatch(true);
        if (!collect())
            return SOX_EOF;
        flushed = true;
    }
    *osamp = emit(obuf, *osamp);
    return *osamp == 0 ? SOX_EOF : SOX_SUCCESS;
}

void Split::stop()
{
    {
        std::lock_guard<std::mutex> guard(lock);
        quitting = true;
    }
    work.notify_all();
    for (Lane &lane : lanes) {
        if (lane.threaded)
            pthread_join(lane.thread, nullptr);
        lane.threaded = false;
    }
    for (Lane &lane : lanes) {
        if (lane.rate) {
            // Counted once, by this effect; libsox warns of what its effects clipped.
            lane.rate->clips = 0;
            sox_delete_effect(lane.rate);
        }
    }
    lanes.clear();
}

int getopts(sox_effect_t *effp, int argc, char **argv)
{
    std::vector<std::string> options;
    for (int i = 1; i < argc; ++i)
        options.emplace_back(argv[i]);
    // A check of the options as "rate" makes it, on a copy.
    sox_effect_t *check = sox_create_effect(sox_find_effect("rate"));
    if (!check)
        return SOX_EOF;
    std::vector<char *> args;
    for (std::string &o : options)
        args.push_back(&o[0]);
    const int result = sox_effect_options(check, int(args.size()), args.data());
    sox_delete_effect(check);
    if (result != SOX_SUCCESS)
        return result;
    static_cast<Priv *>(effp->priv)->split = new Split(std::move(options));
    return SOX_SUCCESS;
}

int start(sox_effect_t *effp)
{
    return of(effp)->start(effp);
}

int flow(sox_effect_t *effp, const sox_sample_t *ibuf, sox_sample_t *obuf, size_t *isamp,
         size_t *osamp)
{
    // sox_add_effect starts the effect's record, then flows a copy of it.
    of(effp)->flowsIn(effp);
    return of(effp)->flow(ibuf, obuf, isamp, osamp);
}

int drain(sox_effect_t *effp, sox_sample_t *obuf, size_t *osamp)
{
    of(effp)->flowsIn(effp);
    return of(effp)->drain(obuf, osamp);
}

int stop(sox_effect_t *effp)
{
    of(effp)->stop();
    return SOX_SUCCESS;
}

int kill(sox_effect_t *effp)
{
    delete of(effp);
    static_cast<Priv *>(effp->priv)->split = nullptr;
    return SOX_SUCCESS;
}

} // namespace

const sox_effect_handler_t *handler()
{
    static const sox_effect_handler_t split = [] {
        sox_effect_handler_t h{};
        const sox_effect_handler_t *rate = sox_find_effect("rate");
        h.name = "rate";
        h.usage = rate ? rate->usage : nullptr;
        h.flags = (rate ? rate->flags : SOX_EFF_RATE) | SOX_EFF_MCHAN;
        h.getopts = &getopts;
        h.start = &channelrate::start;
        h.flow = &channelrate::flow;
        h.drain = &channelrate::drain;
        h.stop = &channelrate::stop;
        h.kill = &channelrate::kill;
        h.priv_size = sizeof(Priv);
        return h;
    }();
    return &split;
}

} // namespace channelrate
