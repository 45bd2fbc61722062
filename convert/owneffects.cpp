#include "convert/owneffects.h"

#include <cmath>
#include <cstring>
#include <ebur128.h>

namespace owneffects {

namespace {

// Our own effects take their state as their one argument: a pointer, kept
// in the effect's private area.
template <typename State> int stateGetopts(sox_effect_t *effp, int argc, char **argv)
{
    if (argc != 2 || argv[1] == nullptr)
        return SOX_EOF;
    *static_cast<State **>(effp->priv) = reinterpret_cast<State *>(argv[1]);
    return SOX_SUCCESS;
}

int peakFlow(sox_effect_t *effp, const sox_sample_t *ibuf, sox_sample_t *obuf, size_t *isamp,
             size_t *osamp)
{
    Peak *peak = *static_cast<Peak **>(effp->priv);
    const size_t n = peak->last ? *isamp : qMin(*isamp, *osamp);
    for (size_t i = 0; i < n; ++i) {
        const quint64 at = peak->seen + i;
        if (at >= peak->from && (peak->to == 0 || at < peak->to)) {
            peak->highest = qMax(peak->highest, std::fabs(double(ibuf[i])));
            if (peak->meter)
                peak->frames.push_back(ibuf[i] * peak->meterScale);
        }
    }
    if (peak->meter) {
        const size_t channels = effp->in_signal.channels;
        const size_t whole = peak->frames.size() / channels;
        if (whole > 0 &&
            ebur128_add_frames_double(peak->meter, peak->frames.data(), whole) != EBUR128_SUCCESS) {
            peak->meterFailed = true;
            return SOX_EOF;
        }
        peak->frames.erase(peak->frames.begin(), peak->frames.begin() + whole * channels);
    }
    if (!peak->last)
        std::memcpy(obuf, ibuf, n * sizeof *ibuf);
    peak->seen += n;
    *isamp = n;
    *osamp = peak->last ? 0 : n;
    return SOX_SUCCESS;
}

int trimFlow(sox_effect_t *effp, const sox_sample_t *ibuf, sox_sample_t *obuf, size_t *isamp,
             size_t *osamp)
{
    Trim *trim = *static_cast<Trim **>(effp->priv);
    const size_t channels = qMax<size_t>(1, effp->in_signal.channels);
    size_t skipped = 0;
    if (!trim->begun) {
        const size_t frames = *isamp / channels;
        for (; skipped < frames * channels && !trim->begun; skipped += channels) {
            for (size_t c = 0; c < channels; ++c)
                trim->begun |= std::fabs(double(ibuf[skipped + c])) > trim->threshold;
        }
        if (trim->begun)
            skipped -= channels;
        trim->droppedFrames += skipped / channels;
    }
    const size_t n = trim->begun ? qMin(*isamp - skipped, *osamp) : 0;
    std::memcpy(obuf, ibuf + skipped, n * sizeof *ibuf);
    *isamp = skipped + n;
    *osamp = n;
    return SOX_SUCCESS;
}

int sinkFlow(sox_effect_t *effect, const sox_sample_t *in, sox_sample_t *, size_t *inCount,
             size_t *outCount)
{
    Sink *state = *static_cast<Sink **>(effect->priv);
    *outCount = 0;
    if (!state->refused && !(*state->sink)(in, *inCount))
        state->refused = true;
    return SOX_SUCCESS;
}

} // namespace

const sox_effect_handler_t *peakHandler()
{
    static sox_effect_handler_t handler = {"peak",
                                           nullptr,
                                           SOX_EFF_MCHAN | SOX_EFF_MODIFY,
                                           stateGetopts<Peak>,
                                           nullptr,
                                           peakFlow,
                                           nullptr,
                                           nullptr,
                                           nullptr,
                                           sizeof(Peak *)};
    return &handler;
}

const sox_effect_handler_t *trimHandler()
{
    static sox_effect_handler_t handler = {"trim-start",
                                           nullptr,
                                           SOX_EFF_MCHAN | SOX_EFF_MODIFY,
                                           stateGetopts<Trim>,
                                           nullptr,
                                           trimFlow,
                                           nullptr,
                                           nullptr,
                                           nullptr,
                                           sizeof(Trim *)};
    return &handler;
}

const sox_effect_handler_t *sinkHandler()
{
    static sox_effect_handler_t handler = {
        "sabletide-sink", nullptr, SOX_EFF_MCHAN, stateGetopts<Sink>, nullptr, sinkFlow,
        nullptr,          nullptr, nullptr,       sizeof(Sink *)};
    return &handler;
}

} // namespace owneffects
