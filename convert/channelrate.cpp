#include "convert/channelrate.h"

#include "convert/soxhandles.h"
#include "convert/spare.h"

#include <pthread.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

namespace channelrate {

namespace {

// One block of one channel: its input and what the resampler gave for it.
struct Piece
{
    std::vector<sox_sample_t> in;
    std::vector<sox_sample_t> out; // the first `made` are the block's output
    size_t made = 0;
    sox_uint64_t clips = 0; // the resampler's clips once the block was done
};

// One channel's resampler, the thread that runs it and its pieces of the
// blocks in flight.
struct Lane
{
    sox_effect_t *rate = nullptr;
    Piece pieces[depth];
    pthread_t thread{};
    bool threaded = false;
    unsigned long long done = 0; // blocks resampled, ever; under `lock`
};

// Blocks go round a ring of `depth` slots: the chain's thread fills the next
// free slot with a block of each channel, every lane resamples its pieces in
// order at its own pace, and the chain's thread gives out the oldest block,
// interleaved again, once every lane is done with it. A lane that is ahead
// starts on the next block rather than wait for the others.
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
    void laneLoop(size_t lane);
    void resample(size_t lane, unsigned long long block);
    void dispatch(size_t frames, bool last);
    // Whether every lane is done with the oldest block in flight; with
    // `wait`, once they are.
    bool oldestDone(bool wait);
    bool emit(sox_sample_t *obuf, size_t room, size_t *given, bool wait);

    std::vector<std::string> options;
    sox_effect_t *outer = nullptr;
    size_t channels = 0;
    std::vector<Lane> lanes;
    std::vector<sox_sample_t> pending; // interleaved input of the next block
    size_t emitted = 0;                // frames of the oldest block given out
    bool lastHanded = false;           // the input's end has gone to the lanes
    bool failed = false;
    unsigned long long freed = 0; // blocks given out whole, ever

    std::mutex lock;
    std::condition_variable work;
    std::condition_variable laneDone;
    // Blocks handed to the lanes, ever: written by the chain's thread under
    // `lock`, which the lanes read it under.
    unsigned long long handed = 0;
    unsigned long long lastBlock = ~0ULL; // the block that ends the input; under `lock`
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
    lanes = std::vector<Lane>(channels);
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
    pending.reserve((blockFrames + sox_get_globals()->bufsiz) * channels);

    for (size_t c = 0; c < channels; ++c) {
        struct Start
        {
            Split *split;
            size_t lane;
        };
        auto *s = new Start{this, c};
        if (spare::startThread(
                &lanes[c].thread,
                [](void *arg) -> void * {
                    auto *s = static_cast<Start *>(arg);
                    Split *split = s->split;
                    const size_t lane = s->lane;
                    delete s;
                    split->laneLoop(lane);
                    return nullptr;
                },
                s))
            lanes[c].threaded = true;
        else
            delete s; // this lane runs on the chain's thread
    }
    return SOX_SUCCESS;
}

void Split::resample(size_t c, unsigned long long block)
{
    // Fed as libsox's chain feeds a channel, a buffer at a time: the
    // resampler's own buffers stay small enough for the processor's caches.
    sox_effect_t *e = lanes[c].rate;
    Piece &piece = lanes[c].pieces[block % depth];
    bool last = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        last = block == lastBlock;
    }
    const size_t step = std::max<size_t>(1, sox_get_globals()->bufsiz / channels);
    // Room for the block at the new rate; more is made if the filter's delay
    // or its end asks for it.
    const size_t expected =
        size_t(double(piece.in.size()) * e->out_signal.rate / e->in_signal.rate) + step * 4;
    if (piece.out.size() < expected)
        piece.out.resize(expected);
    size_t used = 0;
    size_t made = 0;
    const auto room = [&] {
        if (piece.out.size() - made < step)
            piece.out.resize(piece.out.size() * 2);
        return piece.out.size() - made;
    };
    while (used < piece.in.size()) {
        size_t isamp = std::min(step, piece.in.size() - used);
        size_t osamp = room();
        e->handler.flow(e, piece.in.data() + used, piece.out.data() + made, &isamp, &osamp);
        made += osamp;
        used += isamp;
    }
    while (last && e->handler.drain) {
        size_t osamp = room();
        const int status = e->handler.drain(e, piece.out.data() + made, &osamp);
        made += osamp;
        if (osamp == 0 || status != SOX_SUCCESS)
            break;
    }
    piece.made = made;
    piece.clips = e->clips;
}

void Split::laneLoop(size_t c)
{
    for (;;) {
        unsigned long long block = 0;
        {
            std::unique_lock<std::mutex> guard(lock);
            work.wait(guard, [&] { return quitting || lanes[c].done < handed; });
            if (quitting)
                return;
            block = lanes[c].done;
        }
        resample(c, block);
        {
            std::lock_guard<std::mutex> guard(lock);
            ++lanes[c].done;
        }
        laneDone.notify_one();
    }
}

void Split::dispatch(size_t frames, bool last)
{
    // The slot is free: its block was given out whole.
    const unsigned long long block = handed;
    for (size_t c = 0; c < channels; ++c) {
        std::vector<sox_sample_t> &in = lanes[c].pieces[block % depth].in;
        in.resize(frames);
        const sox_sample_t *s = pending.data() + c;
        for (size_t i = 0; i < frames; ++i, s += channels)
            in[i] = *s;
    }
    pending.erase(pending.begin(), pending.begin() + long(frames * channels));
    bool anyThreaded = false;
    {
        std::lock_guard<std::mutex> guard(lock);
        if (last)
            lastBlock = block;
        ++handed;
        for (const Lane &lane : lanes)
            anyThreaded = anyThreaded || lane.threaded;
    }
    if (anyThreaded)
        work.notify_all();
    for (size_t c = 0; c < channels; ++c) {
        if (!lanes[c].threaded) {
            resample(c, block);
            std::lock_guard<std::mutex> guard(lock);
            ++lanes[c].done;
        }
    }
    lastHanded = last;
}

bool Split::oldestDone(bool wait)
{
    const auto done = [&] {
        for (const Lane &lane : lanes)
            if (lane.done <= freed)
                return false;
        return true;
    };
    std::unique_lock<std::mutex> guard(lock);
    if (wait)
        laneDone.wait(guard, done);
    return done();
}

bool Split::emit(sox_sample_t *obuf, size_t room, size_t *given, bool wait)
{
    // Gives out the blocks that every lane is done with, oldest first, as far
    // as `room` goes; with `wait`, waits for the oldest if nothing else is.
    *given = 0;
    size_t frames = room / channels;
    while (frames > 0 && freed < handed) {
        const size_t slot = size_t(freed % depth);
        if (emitted == 0) {
            if (!oldestDone(wait && *given == 0))
                break;
            sox_uint64_t clips = 0;
            for (const Lane &lane : lanes) {
                clips += lane.pieces[slot].clips;
                if (lane.pieces[slot].made != lanes[0].pieces[slot].made)
                    failed = true; // as libsox's "flowed asymmetrically"
            }
            outer->clips = clips;
            if (failed)
                return false;
        }
        const size_t total = lanes[0].pieces[slot].made;
        const size_t n = std::min(frames, total - emitted);
        for (size_t c = 0; c < channels; ++c) {
            const sox_sample_t *s = lanes[c].pieces[slot].out.data() + emitted;
            sox_sample_t *d = obuf + *given + c;
            for (size_t i = 0; i < n; ++i, d += channels)
                *d = s[i];
        }
        *given += n * channels;
        frames -= n;
        emitted += n;
        if (emitted == total) {
            emitted = 0;
            ++freed;
        }
    }
    return true;
}

int Split::flow(const sox_sample_t *ibuf, sox_sample_t *obuf, size_t *isamp, size_t *osamp)
{
    // All input is taken: it waits in `pending` for a free slot.
    pending.insert(pending.end(), ibuf, ibuf + *isamp);
    const size_t block = blockFrames * channels;
    while (pending.size() >= block && handed - freed < depth)
        dispatch(blockFrames, false);
    // Waits only when the ring is full and a block's input waits: the lanes
    // are then the slowest part, and the input can wait for them.
    const bool wait = pending.size() >= block;
    size_t given = 0;
    if (!emit(obuf, *osamp, &given, wait))
        return SOX_EOF;
    *osamp = given;
    if (wait && handed - freed < depth)
        dispatch(blockFrames, false);
    return SOX_SUCCESS;
}

int Split::drain(sox_sample_t *obuf, size_t *osamp)
{
    const size_t block = blockFrames * channels;
    while (!lastHanded && handed - freed < depth) {
        const bool last = pending.size() <= block;
        dispatch(last ? pending.size() / channels : blockFrames, last);
    }
    size_t given = 0;
    if (!emit(obuf, *osamp, &given, true))
        return SOX_EOF;
    *osamp = given;
    return given == 0 && lastHanded && freed == handed ? SOX_EOF : SOX_SUCCESS;
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
        if (!lane.rate)
            continue;
        // Counted once, by this effect; libsox warns of what its effects clipped.
        lane.rate->clips = 0;
        if (lane.rate->flows > 0)
            sox_delete_effect(lane.rate); // started: stopped, and its state freed
        else
            sox::LoneEffectFreer()(lane.rate);
    }
    lanes.clear();
}

int getopts(sox_effect_t *effp, int argc, char **argv)
{
    std::vector<std::string> options;
    for (int i = 1; i < argc; ++i)
        options.emplace_back(argv[i]);
    // A check of the options as "rate" makes it, on a copy.
    const sox::LoneEffect check(sox_create_effect(sox_find_effect("rate")));
    if (!check)
        return SOX_EOF;
    std::vector<char *> args;
    for (std::string &o : options)
        args.push_back(&o[0]);
    const int result = sox_effect_options(check.get(), int(args.size()), args.data());
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
