// Converts one audio file into a WAV file of a fixed format and exact size.
#pragma once

#include "convert/convertparams.h"
#include "convert/outcome.h"
#include "convert/placement.h"
#include "convert/sound.h"

#include <QObject>

#include <atomic>
#include <functional>

// What a caller can do to a conversion while it runs.
struct ConvertHooks
{
    // Polled between libsox's buffers and between copied blocks; true stops the
    // conversion, whose outcome is then Outcome::Kind::Cancelled.
    const std::atomic_bool *cancel = nullptr;
    // Output samples made so far, and the number expected (0 when unknown).
    // Where the level is measured first (SoundOptions::measures) both passes
    // count, and the number expected is twice the output's.
    std::function<void(quint64 done, quint64 total)> progress;
    // Samples that libsox clipped on their way, once the chain has run.
    std::function<void(quint64 samples)> clipped;
    // Something the output should not pass over in silence although it was
    // written: an input that ends before the length its header gives.
    std::function<void(const QString &text)> warning;
    // The gain that the sound's own level chose (SoundOptions::measures), and
    // the levels measured, before the conversion writes anything.
    std::function<void(const sound::Level &level)> gain;
    // Processors this conversion may take beside its own: libsox then runs an
    // effect's channels side by side (as `sox --multi-threaded` does), where
    // libgomp's threads sleep while they wait (spare::threadsWaitPassively).
    // Worth it only where processors would otherwise idle; the same bytes.
    bool parallelChannels = false;
    // Decodes the input on a thread of its own, a few buffers ahead of the
    // effects. The same samples; worth it only beside an idle processor.
    bool readAhead = false;
    // Resamples each channel on a thread of its own, a large block at a time
    // (channelrate). The same samples; worth it only beside an idle processor.
    bool splitChannels = false;
    // Runs with the output's descriptor once the output stands at its path
    // (placement::Hooks::placed): a dup() of it keeps the output locked.
    std::function<void(int fd)> placed;
};

class Resampling : public QObject
{
    Q_OBJECT
public:
    explicit Resampling(QObject *parent = nullptr);
    ~Resampling() override;

    // Decodes params.inputPath with libsox, converts it to the requested rate,
    // channel count and bit depth, and writes params.outputPath: a 44-byte
    // header and the samples cut to params.fileSize. Returns 1 only when the
    // whole output was written and committed; otherwise -1, with the reason in
    // `reason`, no new or half-written file at outputPath and any earlier file
    // there untouched. No scratch file outlives the call. With
    // params.measureOnly, only measures (hooks.gain) and writes nothing.
    int resample(const ConvertParams &params, QString *reason = nullptr,
                 const ConvertHooks &hooks = {});
    // The same, with what became of it: converted, failed with the reason's
    // summary and detail, or cancelled (a conversion that fails once
    // hooks.cancel is set was stopped, whatever the words it failed with).
    Outcome run(const ConvertParams &params, const ConvertHooks &hooks = {});
    // The same up to the output's last step: a converted outcome leaves the
    // output written whole in `pending`, for commit() to sync and rename onto
    // its path; until then nothing stands at params.outputPath.
    Outcome run(const ConvertParams &params, const ConvertHooks &hooks,
                placement::Pending *pending);
    // Puts the output that run() left in `pending` at its path: converted, or
    // failed with the reason (cancelled where `cancel` is set by then). Needs
    // no libsox, so it may run on another thread while the next conversion
    // starts.
    static Outcome commit(const ConvertParams &params, const std::atomic_bool *cancel,
                          placement::Pending *pending);

private:
    static Outcome failedWith(const ConvertParams &params, const std::atomic_bool *cancel,
                              Outcome outcome);
};
