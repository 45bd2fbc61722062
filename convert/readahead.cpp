#include "convert/readahead.h"

#include <algorithm>
#include <csignal>
#include <cstring>

namespace {

// The read-ahead whose buffer this thread's reads of its input come from.
thread_local ReadAhead *serving = nullptr;

} // namespace

ReadAhead::ReadAhead(sox_format_t *input) : input(input) {}

ReadAhead::~ReadAhead()
{
    stop();
}

bool ReadAhead::start()
{
    if (running || !input || !input->handler.read || serving)
        return false;
    const std::size_t channels = std::max<std::size_t>(1, input->signal.channels);
    // What libsox's "input" effect asks for at a time: a buffer of whole frames.
    blockSamples = std::max(channels, sox_get_globals()->bufsiz / channels * channels);
    storage.assign(blocks * blockSamples, 0);
    filled.assign(blocks, 0);
    readOffset = 0;
    produced = consumed = 0;
    stopping = false;
    ownReader = input->handler.read;

    // Signals stay with the threads that were there before: a Ctrl-C still
    // interrupts what it interrupted, never the decoder.
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const int failed = pthread_create(&thread, nullptr, &ReadAhead::decoderMain, this);
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    if (failed != 0) {
        storage = {};
        return false;
    }
    running = true;
    serving = this;
    input->handler.read = &ReadAhead::readFromBuffer;
    return true;
}

void ReadAhead::stop()
{
    if (!running)
        return;
    {
        std::lock_guard<std::mutex> guard(lock);
        stopping = true;
    }
    changed.notify_all();
    pthread_join(thread, nullptr);
    running = false;
    input->handler.read = ownReader;
    if (serving == this)
        serving = nullptr;
    storage = {};
}

std::size_t ReadAhead::readFromBuffer(sox_format_t *ft, sox_sample_t *buf, std::size_t len)
{
    if (!serving || serving->input != ft) {
        // Only the thread that started the read-ahead reads through it.
        ft->sox_errno = SOX_EINVAL;
        return 0;
    }
    return serving->take(buf, len);
}

std::size_t ReadAhead::take(sox_sample_t *buf, std::size_t len)
{
    if (len == 0)
        return 0;
    const std::size_t block = consumed % blocks;
    {
        std::unique_lock<std::mutex> guard(lock);
        changed.wait(guard, [this] { return produced > consumed; });
    }
    // The decoder leaves a block alone from the moment it is counted as
    // produced until it is counted as consumed.
    const std::size_t available = filled[block] - readOffset;
    if (available == 0)
        return 0; // the end, which stays the end however often it is read
    const std::size_t n = std::min(len, available);
    std::memcpy(buf, storage.data() + block * blockSamples + readOffset, n * sizeof *buf);
    readOffset += n;
    if (readOffset == filled[block]) {
        readOffset = 0;
        {
            std::lock_guard<std::mutex> guard(lock);
            ++consumed;
        }
        changed.notify_all();
    }
    return n;
}

void *ReadAhead::decoderMain(void *self)
{
    static_cast<ReadAhead *>(self)->decode();
    return nullptr;
}

void ReadAhead::decode()
{
    // sox_read's own limit, kept here since sox_read no longer calls the reader.
    const sox_uint64_t length = input->signal.length;
    sox_uint64_t decoded = 0;
    for (;;) {
        std::size_t block;
        {
            std::unique_lock<std::mutex> guard(lock);
            changed.wait(guard, [this] { return stopping || produced - consumed < blocks; });
            if (stopping)
                return;
            block = produced % blocks;
        }
        std::size_t want = blockSamples;
        if (length != SOX_UNSPEC)
            want = std::size_t(std::min<sox_uint64_t>(want, length - decoded));
        std::size_t got = ownReader(input, storage.data() + block * blockSamples, want);
        if (got > want)
            got = 0;
        decoded += got;
        {
            std::lock_guard<std::mutex> guard(lock);
            filled[block] = got;
            ++produced;
        }
        changed.notify_all();
        if (got == 0)
            return;
    }
}
