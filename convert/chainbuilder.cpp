#include "convert/chainbuilder.h"

#include "convert/channelrate.h"
#include "convert/errors.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDebug>

#include <cmath>

namespace {

// The words that lead a failure, by what the chain was for: a missing
// effect, an effect that refused its options or its set-up, a chain that
// libsox did not make.
enum class Failure { NoEffect, Options, SetUp, NoChain };

QString lead(ChainBuilder::Purpose purpose, Failure failure)
{
    if (purpose == ChainBuilder::Purpose::Draw)
        return QCoreApplication::translate("engine", "cannot draw the sound");
    switch (failure) {
    case Failure::NoEffect:
        return QCoreApplication::translate("engine", "cannot convert");
    case Failure::Options:
    case Failure::SetUp:
        return QCoreApplication::translate("engine",
                                           "cannot convert this file to the chosen format");
    case Failure::NoChain:
        break;
    }
    return QCoreApplication::translate("engine", "cannot convert this file");
}

struct StreamState
{
    const std::atomic_bool *cancel;
    const owneffects::Sink *sink;
    bool cancelled = false;
};

int streamCallback(sox_bool, void *data)
{
    auto *state = static_cast<StreamState *>(data);
    if (state->cancel && state->cancel->load(std::memory_order_relaxed)) {
        state->cancelled = true;
        return SOX_EOF;
    }
    return state->sink->refused ? SOX_EOF : SOX_SUCCESS;
}

} // namespace

ChainBuilder::ChainBuilder(Purpose purpose, const sox_format_t &input,
                           const sox_encodinginfo_t &output)
    : purpose(purpose), chain(sox_create_effects_chain(&input.encoding, &output)),
      working(input.signal)
{
}

bool ChainBuilder::ok(Outcome *why) const
{
    if (!chain)
        *why =
            Outcome::failed(lead(purpose, Failure::NoChain),
                            QCoreApplication::translate(
                                "engine", "the sound library could not build its effects chain"));
    return bool(chain);
}

bool ChainBuilder::add(const char *name, int argc, char **argv, const sox_signalinfo_t *target,
                       Outcome *why)
{
    return add(sox_find_effect(name), name, argc, argv, target, why);
}

bool ChainBuilder::add(const sox_effect_handler_t *handler, const char *name, int argc, char **argv,
                       const sox_signalinfo_t *target, Outcome *why)
{
    const QString effectName = QLatin1String(name);
    sox::Effect effect(handler ? sox_create_effect(handler) : nullptr);
    if (!effect) {
        *why = Outcome::failed(lead(purpose, Failure::NoEffect),
                               QCoreApplication::translate(
                                   "engine", "the installed sound library has no \"%1\" effect")
                                   .arg(effectName));
        return false;
    }
    if (sox_effect_options(effect.get(), argc, argv) != SOX_SUCCESS) {
        *why = Outcome::failed(
            lead(purpose, Failure::Options),
            QCoreApplication::translate("engine", "the \"%1\" effect refused its options")
                .arg(effectName));
        return false;
    }
    const size_t effectsBefore = chain->length;
    const int result = sox_add_effect(chain.get(), effect.get(), &working, target);
    // An effect with nothing to do in this configuration is left out and
    // changes nothing, in the sox command's chain as in ours.
    if (chain->length > effectsBefore && !(handler->flags & SOX_EFF_MODIFY))
        soxPrecision = working.precision;
    if (purpose == Purpose::Convert)
        qDebug().noquote() << name << result;
    if (result != SOX_SUCCESS) {
        *why = Outcome::failed(
            lead(purpose, Failure::SetUp),
            QCoreApplication::translate("engine", "the \"%1\" effect could not be set up")
                .arg(effectName));
        return false;
    }
    return true;
}

bool ChainBuilder::addInput(sox_format_t *input, Outcome *why)
{
    working = input->signal;
    char *arg = reinterpret_cast<char *>(input);
    if (!add("input", 1, &arg, &input->signal, why))
        return false;
    soxPrecision = input->signal.precision;
    return true;
}

bool ChainBuilder::addRateAndChannels(const sox_signalinfo_t &from, const sox_signalinfo_t &target,
                                      SoundOptions::Quality quality, Outcome *why,
                                      owneffects::Peak *between)
{
    // Without an option the effect runs at its default quality, high: the
    // plain conversion's bytes stay those of the bare effect.
    char *rateArg = const_cast<char *>(sound::rateOption(quality));
    const bool defaultQuality = quality == SoundOptions::Quality::High;
    const sox_effect_handler_t *rate =
        splitRate && working.channels >= 2 ? channelrate::handler() : sox_find_effect("rate");
    if (units::rateEffectNeeded(from.rate, target.rate) &&
        !add(rate, "rate", defaultQuality ? 0 : 1, defaultQuality ? nullptr : &rateArg, &target,
             why))
        return false;
    char *betweenArg = owneffects::argument(between);
    if (between && !add(owneffects::peakHandler(), "peak", 1, &betweenArg, &target, why))
        return false;
    if (from.channels != target.channels && !add("channels", 0, nullptr, &target, why))
        return false;
    return true;
}

bool ChainBuilder::addGain(double db, const sox_signalinfo_t &target, Outcome *why)
{
    // 17 digits carry the double exactly, as the sox command would read it.
    QByteArray text = QByteArray::number(db, 'g', 17);
    char *arg = text.data();
    return add("gain", 1, &arg, &target, why);
}

bool ChainBuilder::addTrim(double dbfs, owneffects::Trim *trim, const sox_signalinfo_t &target,
                           Outcome *why)
{
    *trim = owneffects::Trim();
    trim->threshold = std::pow(10.0, dbfs / 20) * SOX_SAMPLE_MAX;
    char *arg = owneffects::argument(trim);
    return add(owneffects::trimHandler(), "trim-start", 1, &arg, &target, why);
}

quint64 ChainBuilder::clips() const
{
    quint64 clips = 0;
    for (size_t i = 0; i < chain->length; ++i) {
        for (size_t f = 0; f < chain->effects[i][0].flows; ++f)
            clips += chain->effects[i][f].clips;
    }
    return clips;
}

bool streamSamples(sox_format_t *input, quint32 rate, quint32 channels,
                   const owneffects::SampleSink &sink, const std::atomic_bool *cancel, Outcome *why)
{
    ChainBuilder chain(ChainBuilder::Purpose::Draw, *input, input->encoding);
    if (!chain.ok(why))
        return false;
    sox_signalinfo_t target = input->signal;
    target.rate = rate;
    target.channels = channels;
    target.length = 0;
    owneffects::Sink sinkState{&sink, false};
    char *sinkArg = owneffects::argument(&sinkState);
    if (!chain.addInput(input, why) ||
        !chain.addRateAndChannels(input->signal, target, SoundOptions::Quality::High, why) ||
        !chain.add(owneffects::sinkHandler(), "sabletide-sink", 1, &sinkArg, &target, why))
        return false;

    StreamState state{cancel, &sinkState};
    sox_flow_effects(chain.get(), streamCallback, &state);
    chain.reset();
    if (state.cancelled || (cancel && cancel->load())) {
        *why = Outcome::cancelled();
        return false;
    }
    if (sinkState.refused) {
        if (why->summary.isEmpty())
            *why = Outcome::failed(
                QCoreApplication::translate("engine", "the samples could not be used"));
        return false;
    }
    if (input->sox_errno != 0) {
        *why = errors::damagedInput(*input);
        return false;
    }
    return true;
}
