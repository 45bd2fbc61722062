#include "convert/levelpass.h"

#include "convert/chainbuilder.h"
#include "convert/errors.h"
#include "convert/inputs.h"
#include "convert/logging.h"
#include "convert/readahead.h"
#include "convert/slot.h"
#include "convert/sound.h"
#include "convert/soxinput.h"
#include "convert/spare.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDebug>

#include <ebur128.h>

#include <cmath>
#include <memory>

namespace levelpass {

namespace {

using owneffects::Peak;

struct MeterDeleter
{
    void operator()(ebur128_state *state) const { ebur128_destroy(&state); }
};
using Meter = std::unique_ptr<ebur128_state, MeterDeleter>;

// What the measuring pass lowers the sound by, so that a peak that the
// resampler lifts past full scale is measured rather than clipped.
constexpr double measureHeadroomDb = 12;

struct MeasureState
{
    const ConvertHooks *hooks;
    const Peak *end;
    quint64 samplesWanted;   // 0: the whole input
    quint64 samplesExpected; // in this pass; 0 when unknown
    bool cancelled = false;
};

int measureCallback(sox_bool /*allDone*/, void *data)
{
    auto *state = static_cast<MeasureState *>(data);
    const std::atomic_bool *cancel = state->hooks->cancel;
    if (cancel && cancel->load(std::memory_order_relaxed)) {
        state->cancelled = true;
        return SOX_EOF;
    }
    // The first of two passes: the first half of the progress, which the
    // early stop's overshoot must not carry past.
    if (state->hooks->progress) {
        const quint64 expected = state->samplesExpected;
        state->hooks->progress(expected > 0 ? qMin(state->end->seen, expected) : state->end->seen,
                               2 * expected);
    }
    return state->samplesWanted > 0 && state->end->seen >= state->samplesWanted ? SOX_EOF
                                                                                : SOX_SUCCESS;
}

quint64 expectedFrom(const ConvertParams &p, const sox_signalinfo_t &from)
{
    return slot::samplesExpected(p, from.length, from.channels, from.rate);
}

Outcome outOfMemory()
{
    return Outcome::failed(QCoreApplication::translate("engine", "cannot measure the loudness"),
                           QCoreApplication::translate("engine", "out of memory"));
}

} // namespace

bool measure(const ConvertParams &p, const ConvertHooks &hooks, const sox_format_t &input,
             const sox_format_t &output, Gains *gains, Outcome *why)
{
    gains->gainDb = p.sound.gainDb;
    if (!p.sound.measures())
        return true;
    if (p.settled.given) {
        gains->firstDb = p.settled.firstDb;
        gains->gainDb = p.settled.firstDb + p.settled.lastDb;
        gains->progress = expectedFrom(p, input.signal);
        return true;
    }
    if (inputs::isStandardInput(p.inputPath)) {
        *why = Outcome::failed(QCoreApplication::translate(
            "engine", "the level can only be measured in a file, which is read twice; give a "
                      "file, not the standard input"));
        return false;
    }
    sox::Format again = soxinput::open(p.inputPath, why);
    if (!again)
        return false;
    ChainBuilder chain(ChainBuilder::Purpose::Convert, *again, output.encoding);
    if (!chain.ok(why))
        return false;
    Peak atGain;
    Peak afterRate;
    Peak atOutput;
    atOutput.last = true;
    // The scale of the samples measured: libsox's full scale at 0 dB, with
    // the pass's lowering undone.
    const double scale = std::pow(10.0, measureHeadroomDb / 20) / -double(SOX_SAMPLE_MIN);
    Meter meter;
    if (p.sound.loudness) {
        meter.reset(ebur128_init(output.signal.channels, unsigned(output.signal.rate),
                                 EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
        if (!meter) {
            *why = outOfMemory();
            return false;
        }
        atOutput.meter = meter.get();
        atOutput.meterScale = scale;
    }
    owneffects::Trim trimming;
    if (p.sound.aims()) {
        atOutput.from = p.slot.startFrame * p.channels;
        const quint64 wanted = slot::samplesWanted(p);
        atOutput.to = wanted > 0 ? atOutput.from + (quint64(p.fileSize - units::headerBytes) +
                                                    p.bitsPerSample / 8u - 1) /
                                                       (p.bitsPerSample / 8u)
                                 : 0;
    }
    char *atGainArg = owneffects::argument(&atGain);
    char *atOutputArg = owneffects::argument(&atOutput);
    const sox_signalinfo_t &target = output.signal;
    // The same samples as one thread's, spread as the conversion's are.
    const spare::Threads threads = spare::threadsFor(hooks, again->signal, target.rate);
    chain.splitChannels(threads.splitChannels);
    if (!chain.addInput(again.get(), why) ||
        (p.sound.trimStart && !chain.addTrim(p.sound.trimStartDbfs, &trimming, target, why)) ||
        !chain.addGain(-measureHeadroomDb, target, why) ||
        !chain.add(owneffects::peakHandler(), "peak", 1, &atGainArg, &target, why) ||
        !chain.addRateAndChannels(again->signal, target, p.sound.quality, why, &afterRate) ||
        !chain.add(owneffects::peakHandler(), "peak", 1, &atOutputArg, &target, why))
        return false;
    MeasureState state{&hooks, &atOutput, slot::samplesWanted(p), expectedFrom(p, again->signal)};
    sox_get_globals()->use_threads = sox_false;
    ReadAhead ahead(again.get(), threads.readAheadSamples);
    if (threads.readAhead)
        ahead.start();
    sox_flow_effects(chain.get(), measureCallback, &state);
    // The handle's error is the decoder's once the read-ahead gives it back.
    ahead.stop();
    // A signal can also end the flow as a failed read (EINTR) before the
    // callback sees the flag.
    if (state.cancelled || (hooks.cancel && hooks.cancel->load())) {
        *why = Outcome::cancelled();
        return false;
    }
    if (again->sox_errno != 0) {
        *why = errors::damagedInput(*again);
        return false;
    }
    if (atOutput.meterFailed) {
        *why = outOfMemory();
        return false;
    }
    // Between the gain and the channels, samples clip only past full scale.
    const double inPeak = qMax(atGain.highest, afterRate.highest) * scale;
    const double outPeak = atOutput.highest * scale;
    sound::Level level;
    level.peakDbfs = 20 * std::log10(outPeak);
    double gainDb = 0;
    if (p.sound.normalize) {
        gainDb = sound::normalizingGain(p.sound.normalizeDbfs, outPeak);
    } else if (p.sound.loudness) {
        double lufs = -HUGE_VAL;
        double truePeak = 0;
        for (unsigned c = 0; c < output.signal.channels; ++c) {
            double channelPeak = 0;
            if (ebur128_true_peak(meter.get(), c, &channelPeak) == EBUR128_SUCCESS)
                truePeak = qMax(truePeak, channelPeak);
        }
        if (ebur128_loudness_global(meter.get(), &lufs) != EBUR128_SUCCESS)
            lufs = -HUGE_VAL;
        level.loudnessLufs = lufs;
        level.truePeakDbtp = 20 * std::log10(truePeak);
        gainDb =
            sound::loudnessGain(p.sound.loudnessLufs, lufs, level.truePeakDbtp, &level.ceilingHeld);
    } else {
        gainDb = sound::guardedGain(p.sound.gainDb, inPeak, outPeak, p.bitsPerSample);
    }
    gains->gainDb = gainDb;
    if (p.sound.aims() && outPeak > 0)
        gains->firstDb = sound::guardedGain(0, inPeak, 0, p.bitsPerSample);
    level.gainDb = gainDb;
    level.firstDb = gains->firstDb;
    qCDebug(lcChain).noquote() << "measured" << p.inputPath << "peaks" << inPeak << outPeak
                               << "loudness" << level.loudnessLufs << "gain" << gainDb;
    if (hooks.gain)
        hooks.gain(level);
    gains->progress = state.samplesExpected > 0 ? state.samplesExpected : atOutput.seen;
    return true;
}

} // namespace levelpass
