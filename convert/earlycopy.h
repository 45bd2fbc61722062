// Copies a long conversion's samples from the scratch file into the output's
// partial file while libsox still writes them, and syncs them to the disk as
// they come, on a thread of its own: what is left to copy and sync once the
// conversion ends is then the last few megabytes, not the whole output.
#pragma once

#include "convert/convertparams.h"
#include "convert/placement.h"

#include <QtGlobal>

#include <condition_variable>
#include <mutex>
#include <pthread.h>

class QTemporaryFile;

class EarlyCopy
{
public:
    // Data written between two copies; shorter outputs are copied only at the
    // end, as they always were.
    static constexpr quint64 stepBytes = quint64(4) << 20;

    // For the output `p` describes, from `scratch` once libsox writes into
    // it, placed as placement::begin() places it.
    EarlyCopy(const ConvertParams &p, const QTemporaryFile &scratch, placement::Replace replace,
              placement::Hooks hooks);
    EarlyCopy(const EarlyCopy &) = delete;
    EarlyCopy &operator=(const EarlyCopy &) = delete;
    ~EarlyCopy() { settle(); }

    // Between libsox's buffers, with the samples it has written so far: hands
    // what came since the last step to the copying thread. Any trouble ends
    // the copying quietly; the end then writes the whole output as it would
    // have without it, and meets and reports the same trouble.
    void advance(quint64 samplesWritten);
    // Lets the copy in hand finish and ends the copying; before the scratch
    // file goes, and before copied() and pending() are read.
    void settle();

    // The output's partial file, holding copied() sample bytes behind room
    // for the header; nothing held when no copy was made.
    placement::Pending &pending() { return partial; }
    quint64 copied() const { return done; }

private:
    bool begin();
    void copyLoop();
    static void *copyMain(void *early);

    const ConvertParams &p;
    const QTemporaryFile &scratch;
    const placement::Replace replace;
    const placement::Hooks hooks;
    const quint64 bytesPerSample;
    quint64 start = 0; // the scratch file's byte where the output's samples begin
    quint64 limit = 0; // sample bytes that the end's cut and fade leave alone
    quint64 nextAt;    // sample bytes written when the next step is due
    bool stopped = false;
    bool inKernel = true; // copy_file_range works between these two files
    pthread_t thread{};
    bool running = false;
    placement::Pending partial;

    std::mutex lock;
    std::condition_variable wake;
    quint64 wanted = 0; // sample bytes that stand in the scratch file to be copied
    quint64 done = 0;   // sample bytes copied and synced, from `start`
    bool ending = false;
    bool failed = false;
};
