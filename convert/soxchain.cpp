#include "convert/soxchain.h"

#include "convert/chainbuilder.h"
#include "convert/errors.h"
#include "convert/levelpass.h"
#include "convert/logging.h"
#include "convert/readahead.h"
#include "convert/scratchwriter.h"
#include "convert/slot.h"
#include "convert/sound.h"
#include "convert/soxinput.h"
#include "convert/spare.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QTemporaryFile>

namespace soxchain {

namespace {

// libsox's seed of its noise as it starts, which the sox command keeps with
// -R. Taken before any dither of this process has advanced it.
sox_int32_t initialNoiseSeed()
{
    static const sox_int32_t seed = sox_get_globals()->ranqd1;
    return seed;
}

struct FlowState
{
    const ConvertHooks *hooks;
    const sox_format_t *output;
    quint64 samplesWanted;  // 0: the whole input
    quint64 samplesAllowed; // beyond this a WAV file cannot describe the data
    quint64 samplesExpected;
    quint64 progressBase = 0; // what a first, measuring pass has shown done
    const std::function<void(quint64)> *written = nullptr;
    bool cancelled = false;
    bool tooLarge = false;
};

int flowCallback(sox_bool /*allDone*/, void *data)
{
    auto *state = static_cast<FlowState *>(data);
    if (state->hooks->cancel && state->hooks->cancel->load(std::memory_order_relaxed)) {
        state->cancelled = true;
        return SOX_EOF;
    }
    const quint64 written = state->output->olength;
    if (state->hooks->progress)
        state->hooks->progress(state->progressBase + written, state->samplesExpected);
    if (*state->written)
        (*state->written)(written);
    // The cut drops whatever the last buffer made beyond what the size needs.
    if (state->samplesWanted > 0 && written >= state->samplesWanted)
        return SOX_EOF;
    if (written > state->samplesAllowed) {
        state->tooLarge = true;
        return SOX_EOF;
    }
    return SOX_SUCCESS;
}

bool cancelled(const ConvertHooks &hooks, bool seen, Outcome *why)
{
    // A signal can also end a flow as a failed read or write (EINTR) before
    // the callback sees the flag.
    if (!seen && !(hooks.cancel && hooks.cancel->load()))
        return false;
    *why = Outcome::cancelled();
    return true;
}

class Chain
{
public:
    Chain(const ConvertParams &params, const ConvertHooks &hooks,
          const std::function<void(quint64)> &written)
        : p(params), hooks(hooks), written(written)
    {
    }

    bool openInput(Outcome *why);
    bool openScratch(QTemporaryFile &scratch, Outcome *why);
    bool measure(Outcome *why);
    bool flow(Outcome *why);

private:
    QString shortened(const FlowState &state, quint64 promised) const;

    const ConvertParams &p;
    const ConvertHooks &hooks;
    const std::function<void(quint64)> &written;
    sox::Format input;
    sox::Format output;
    double gainDb = p.sound.gainDb;
    // Of a normalizing gain, the part that goes before the resampler: just
    // enough lowering that nothing clips on the way to the mix (0 or less).
    double gainFirstDb = 0;
    quint64 measuredProgress = 0; // what the measuring pass showed done
    owneffects::Trim trim;
};

bool Chain::openInput(Outcome *why)
{
    input = soxinput::open(p.inputPath, why);
    return bool(input);
}

bool Chain::openScratch(QTemporaryFile &scratch, Outcome *why)
{
    output = scratchwriter::open(p, *input, scratch, why);
    return bool(output);
}

bool Chain::measure(Outcome *why)
{
    levelpass::Gains gains;
    if (!levelpass::measure(p, hooks, *input, *output, &gains, why))
        return false;
    gainDb = gains.gainDb;
    gainFirstDb = gains.firstDb;
    measuredProgress = gains.progress;
    return true;
}

bool Chain::flow(Outcome *why)
{
    ChainBuilder chain(ChainBuilder::Purpose::Convert, *input, output->encoding);
    if (!chain.ok(why))
        return false;
    initialNoiseSeed();
    char *outputArg = reinterpret_cast<char *>(output.get());
    if (!chain.addInput(input.get(), why) ||
        (p.sound.trimStart && !chain.addTrim(p.sound.trimStartDbfs, &trim, output->signal, why)))
        return false;
    // A normalizing gain comes after the channels are mixed, where the peak
    // it aims at is measured: before them, a channel louder than the mix, or
    // the resampler's overshoot, would clip. Only what keeps that from
    // clipping goes first. Every other gain comes first, as the sox command's
    // "gain" before "rate".
    const double firstDb = p.sound.aims() ? gainFirstDb : gainDb;
    const double lastDb = p.sound.aims() ? gainDb - gainFirstDb : 0;
    if (firstDb != 0 && !chain.addGain(firstDb, output->signal, why))
        return false;
    // Each gives the same samples as one thread would, only sooner where a
    // processor would otherwise idle.
    const spare::Threads threads = spare::threadsFor(hooks, input->signal, output->signal.rate);
    chain.splitChannels(threads.splitChannels);
    if (!chain.addRateAndChannels(input->signal, output->signal, p.sound.quality, why))
        return false;
    if (lastDb != 0 && !chain.addGain(lastDb, output->signal, why))
        return false;
    // Where the sox command dithers: the samples carry more bits than the
    // output keeps, below 24 bits. libsox's "dither" would judge by the 32
    // bits its "input" effect claims.
    if (p.sound.dither && chain.precision() > output->signal.precision &&
        output->signal.precision < 24) {
        // Each channel's noise is seeded from this global, which the effect
        // then advances: a fresh seed keeps a file's bytes from depending on
        // what the process converted before it.
        sox_get_globals()->ranqd1 = initialNoiseSeed();
        if (!chain.add("dither", 0, nullptr, &output->signal, why))
            return false;
    }
    if (!chain.add("output", 1, &outputArg, &output->signal, why))
        return false;

    const unsigned bytesPerSample = p.bitsPerSample / 8u;
    FlowState state{&hooks, output.get(), slot::samplesWanted(p),
                    units::maxDataBytes / bytesPerSample, 0};
    state.written = &written;
    state.samplesExpected =
        slot::samplesExpected(p, input->signal.length, input->signal.channels, input->signal.rate);
    if (p.sound.measures()) {
        // The second half of the progress, after the measuring pass.
        state.progressBase = measuredProgress;
        state.samplesExpected *= 2;
    }

    const quint64 promised = soxinput::promisedFrames(*input);
    ReadAhead ahead(input.get(), threads.readAheadSamples);
    if (threads.readAhead)
        ahead.start();
    sox_get_globals()->use_threads = threads.libsoxChannels ? sox_true : sox_false;
    // SOX_EOF comes both from a stop that we asked for and from a failure:
    // the handles say which it was.
    sox_flow_effects(chain.get(), flowCallback, &state);
    // The decoder ends before anything reads the input's state or closes it.
    ahead.stop();
    // Counted by the writer too, where it narrows the samples.
    if (hooks.clipped)
        hooks.clipped(output->clips + chain.clips());
    chain.reset();

    if (cancelled(hooks, state.cancelled, why))
        return false;
    if (state.tooLarge) {
        *why = Outcome::failed(QCoreApplication::translate(
            "engine", "the converted audio is larger than a WAV file can hold (4 GiB); "
                      "choose a size"));
        return false;
    }
    if (output->sox_errno != 0) {
        *why = Outcome::failed(
            QCoreApplication::translate("engine", "cannot write the scratch file in %1")
                .arg(QDir::tempPath()),
            errors::formatText(*output));
        return false;
    }
    if (input->sox_errno != 0) {
        *why = errors::damagedInput(*input);
        return false;
    }
    const QString warning = shortened(state, promised);
    const int closed = sox_close(output.release());
    input.reset();
    if (closed != SOX_SUCCESS) {
        *why = Outcome::failed(
            QCoreApplication::translate("engine", "cannot finish the scratch file in %1")
                .arg(QDir::tempPath()));
        return false;
    }
    if (!warning.isEmpty()) {
        qCDebug(lcChain).noquote() << "short input" << p.inputPath << "-" << warning;
        if (hooks.warning)
            hooks.warning(warning);
    }
    return true;
}

// A sound that ends before its header's length was cut short (or is being
// cut while it is read), and a trim that found no sound: the output is
// written, but must not pass for the whole. Empty when neither happened.
QString Chain::shortened(const FlowState &state, quint64 promised) const
{
    const bool cutByUs = state.samplesWanted > 0 && output->olength >= state.samplesWanted;
    const quint64 madeFrames = output->olength / output->signal.channels;
    const quint64 promisedOut = units::framesAfterRate(
        promised - qMin(promised, trim.droppedFrames), input->signal.rate, output->signal.rate);
    QString shortened;
    if (promised > 0 && !cutByUs && madeFrames < promisedOut)
        shortened = QCoreApplication::translate(
                        "engine", "the input ends after %1 s of the %2 s its header gives")
                        .arg(QString::number(madeFrames / output->signal.rate, 'f', 2),
                             QString::number(promised / input->signal.rate, 'f', 2));
    if (p.sound.trimStart && !trim.begun)
        shortened = QCoreApplication::translate(
                        "engine", "no sample rises above %1 dBFS: the output holds no sound")
                        .arg(p.sound.trimStartDbfs);
    if (!shortened.isEmpty() && p.slot.pad && p.fileSize > units::headerBytes)
        shortened += QCoreApplication::translate("engine", "; silence fills the rest");
    return shortened;
}

} // namespace

bool run(const ConvertParams &params, const ConvertHooks &hooks, QTemporaryFile &scratch,
         Outcome *why, const std::function<void(quint64 samples)> &written)
{
    if (!sox::ensureStarted()) {
        *why = errors::soundLibraryNotStarted();
        return false;
    }
    Chain chain(params, hooks, written);
    return chain.openInput(why) && chain.openScratch(scratch, why) && chain.measure(why) &&
           (params.measureOnly || chain.flow(why));
}

} // namespace soxchain
