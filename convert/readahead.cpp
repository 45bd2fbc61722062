#include "convert/readahead.h"

#include "convert/spare.h"

#include <algorithm>
#include <cstring>

namespace {

// The read-ahead whose buffer this thread's reads of its input come from.
thread_local ReadAhead *serving = nullptr;

} // namespace

ReadAhead::ReadAhead(sox_format_t *input, std::size_t samplesAhead)
    : input(input), samplesAhead(samplesAhead)
{
}

ReadAhead::~ReadAhead()
{
    stop();
}

bool ReadAhead::start()
{
    if (running || !input || !input->handler.read || serving)
        return false;
    const std::size_t channels = std::max<std::size_t>(1, input->signal.channels);
    blockSamples = std::max(channels, blockSize / channels * channels);
    blocks = std::max({minBlocks, 3 * sox_get_globals()->bufsiz / blockSamples + 1,
                       (samplesAhead + blockSamples - 1) / blockSamples});
    storage.assign(blocks * blockSamples, 0);
    filled.assign(blocks, 0);
    readOffset = 0;
    produced = consumed = 0;
    stopping = false;
    ownReader = input->handler.read;

    // A Ctrl-C interrupts the flow, never the decoder.
    if (!spare::startThread(&thread, &ReadAhead::decoderMain, this)) {
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
    decoderCanGo.notify_one();
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
    // As a reader fills what it is asked for, block after block, and gives
    // less only at the end.
    std::size_t done = 0;
    while (done < len) {
        const std::size_t block = consumed % blocks;
        {
            std::unique_lock<std::mutex> guard(lock);
            if (produced == consumed) {
                readerWaits = true;
                readerCanGo.wait(guard, [this] { return produced > consumed; });
                readerWaits = false;
            }
        }
        // The decoder leaves a block alone from the moment it is counted as
        // produced until it is counted as consumed.
        const std::size_t available = filled[block] - readOffset;
        if (available == 0)
            break; // the end, which stays the end however often it is read
        const std::size_t n = std::min(len - done, available);
        std::memcpy(buf + done, storage.data() + block * blockSamples + readOffset,
                    n * sizeof *buf);
        done += n;
        readOffset += n;
        if (readOffset == filled[block]) {
            readOffset = 0;
            bool wake = false;
            {
                std::lock_guard<std::mutex> guard(lock);
                ++consumed;
                wake = decoderWaits && produced - consumed <= blocks / 2;
            }
            if (wake)
                decoderCanGo.notify_one();
        }
    }
    return done;
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
            // Waking a thread costs more than a block takes to copy (a great
            // deal more on a virtual machine): once the buffer is full, the
            // decoder sleeps until half of it has been read.
            if (produced - consumed == blocks) {
                decoderWaits = true;
                decoderCanGo.wait(guard,
                                  [this] { return stopping || produced - consumed <= blocks / 2; });
                decoderWaits = false;
            }
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
        bool wake = false;
        {
            std::lock_guard<std::mutex> guard(lock);
            filled[block] = got;
            ++produced;
            wake = readerWaits;
        }
        if (wake)
            readerCanGo.notify_one();
        if (got == 0)
            return;
    }
}
