// Decodes a libsox input on a thread of its own, a bounded distance ahead of
// the chain that reads it, so that decoding runs beside the effects.
#pragma once

#include <sox.h>

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <pthread.h>
#include <vector>

class ReadAhead
{
public:
    // The decoder reads this many samples at a time (whole frames of them),
    // and runs at most minBlocks blocks, three of libsox's buffers or the
    // samples asked for, whichever is most, ahead of the chain.
    static constexpr std::size_t blockSize = 8192;
    static constexpr std::size_t minBlocks = 16;
    // An input of fewer of libsox's buffers than this has nothing to overlap.
    static constexpr std::size_t worthwhileBuffers = 4;

    // For `input`, an open libsox input that this object does not own and that
    // must outlive it. With `samplesAhead`, the decoder runs that far ahead
    // (whole blocks, never less than the least): as far as the effects after
    // it hold in flight.
    explicit ReadAhead(sox_format_t *input, std::size_t samplesAhead = 0);
    ~ReadAhead();
    ReadAhead(const ReadAhead &) = delete;
    ReadAhead &operator=(const ReadAhead &) = delete;

    // From here on, the thread that calls start() reads the input's samples
    // from the buffer (through sox_read, as libsox's "input" effect does),
    // in the same order and with the same end and error as before; the
    // decoder thread alone calls the format's own reader. False, with the
    // input read as before, when no thread could be started.
    bool start();

    // Stops the decoder (it ends the block that it is decoding), joins it and
    // gives the input its own reader back, so that the handle's state (its
    // error above all) can be read. Safe to call more than once; the
    // destructor calls it.
    void stop();

private:
    using Reader = std::size_t (*)(sox_format_t *, sox_sample_t *, std::size_t);

    static std::size_t readFromBuffer(sox_format_t *ft, sox_sample_t *buf, std::size_t len);
    static void *decoderMain(void *self);
    std::size_t take(sox_sample_t *buf, std::size_t len);
    void decode();

    sox_format_t *input;
    std::size_t samplesAhead = 0;
    Reader ownReader = nullptr;
    std::size_t blockSamples = 0;
    std::size_t blocks = 0;
    std::vector<sox_sample_t> storage; // `blocks` blocks of blockSamples
    std::vector<std::size_t> filled;   // samples in each block; 0 marks the end
    std::size_t readOffset = 0;        // into the block being read; reader's own
    std::mutex lock;
    std::condition_variable decoderCanGo;
    std::condition_variable readerCanGo;
    std::size_t produced = 0; // blocks decoded, ever
    std::size_t consumed = 0; // blocks read to their end, ever
    bool decoderWaits = false;
    bool readerWaits = false;
    bool stopping = false;
    bool running = false;
    pthread_t thread{};
};
