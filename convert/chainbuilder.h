// Builds a libsox effects chain one effect at a time, for a conversion and
// for the waveform overview and the slot preview alike: the same effects in
// the same order, each failure in the words of what the chain is for.
#pragma once

#include "convert/outcome.h"
#include "convert/owneffects.h"
#include "convert/sound.h"
#include "convert/soxhandles.h"

#include <atomic>

class ChainBuilder
{
public:
    // What the chain is for: a conversion writes a debug line per effect
    // ("rate 0"); the overview and the preview draw or play the sound.
    enum class Purpose { Convert, Draw };

    // A chain from `input`'s samples to `output`'s encoding; its working
    // signal starts as `input`'s. Check ok() before adding.
    ChainBuilder(Purpose purpose, const sox_format_t &input, const sox_encodinginfo_t &output);

    // False, with the reason, when libsox could not make the chain.
    bool ok(Outcome *why) const;

    // Adds libsox's effect `name`, or one of ours (owneffects), taking the
    // working signal towards `target`.
    bool add(const char *name, int argc, char **argv, const sox_signalinfo_t *target, Outcome *why);
    bool add(const sox_effect_handler_t *handler, const char *name, int argc, char **argv,
             const sox_signalinfo_t *target, Outcome *why);
    // The input effect that reads `input`.
    bool addInput(sox_format_t *input, Outcome *why);
    // "rate" (at `quality`) where the rate changes, then `between` where
    // given, then "channels" where the channel count changes: the format
    // change of every chain here.
    bool addRateAndChannels(const sox_signalinfo_t &from, const sox_signalinfo_t &target,
                            SoundOptions::Quality quality, Outcome *why,
                            owneffects::Peak *between = nullptr);
    // From here on, "rate" of two channels or more runs each channel on a
    // thread of its own (channelrate): the same samples.
    void splitChannels(bool split) { splitRate = split; }
    // "gain" by `db`, as the sox command's gain effect.
    bool addGain(double db, const sox_signalinfo_t &target, Outcome *why);
    // Our trim of the frames before the first sample above `dbfs`, with its
    // state in `trim`, which starts afresh.
    bool addTrim(double dbfs, owneffects::Trim *trim, const sox_signalinfo_t &target, Outcome *why);

    // The precision that the sox command's chain would give the samples so
    // far: its input keeps the file's, where libsox's "input" effect claims
    // 32 bits, and effects that only modify samples keep what they are given.
    unsigned precision() const { return soxPrecision; }
    // Samples clipped, per effect and per flow, as the sox command counts them.
    quint64 clips() const;
    sox_effects_chain_t *get() const { return chain.get(); }
    void reset() { chain.reset(); }

private:
    Purpose purpose;
    sox::Chain chain;
    sox_signalinfo_t working{};
    unsigned soxPrecision = 0;
    bool splitRate = false;
};

// Runs the opened `input` through the conversion's format change to `rate`
// and `channels` (ChainBuilder::addRateAndChannels at the default quality)
// into `sink`. Polls `cancel` between libsox's buffers. False when it failed,
// with the reason, or was cancelled (Outcome::Kind::Cancelled).
bool streamSamples(sox_format_t *input, quint32 rate, quint32 channels,
                   const owneffects::SampleSink &sink, const std::atomic_bool *cancel,
                   Outcome *why);
