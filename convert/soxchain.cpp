#include "convert/soxchain.h"

#include "convert/inputs.h"

#include "convert/readahead.h"
#include "convert/scratch.h"
#include "convert/sound.h"
#include "convert/soxhandles.h"
#include "convert/spare.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <QTemporaryFile>

#include <ebur128.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace soxchain {

namespace {

// How libsox 14.4 begins its complaint when neither content nor name tells
// it the format.
const char noTypeMessage[] = "can't determine type";

QString openErrorText(int code)
{
    if (code == ENOENT || code == ENOTDIR)
        return QCoreApplication::translate("engine", "file not found");
    if (code == EACCES || code == EPERM)
        return QCoreApplication::translate("engine", "cannot read: permission denied");
    return QCoreApplication::translate("engine", "cannot read: %1")
        .arg(QString::fromLocal8Bit(std::strerror(code)));
}

// The extension as libsox finds it: after the last "." of the last component.
QByteArray extensionOf(const QByteArray &path)
{
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.mid(dot + 1);
}

QString errnoText(int code)
{
    if (code == ENOSPC)
        return QCoreApplication::translate("engine", "the disk is full");
    if (code >= SOX_EHDR)
        return QString();
    return QString::fromLocal8Bit(std::strerror(code));
}

// The frames the input's header promises, where it promises anything to
// hold the sound to: 0 for an unknown length, an estimate, or the
// placeholder of a file written as a stream (0x7ffff000 or 0xffffffff
// bytes).
quint64 promisedFrames(const sox_format_t &input)
{
    if (input.signal.length == 0 || input.signal.channels == 0 || lengthIsEstimate(input))
        return 0;
    const quint64 claimedBytes =
        quint64(input.signal.length) * qMax(1u, input.encoding.bits_per_sample / 8);
    if (claimedBytes >= 0x7ffff000u)
        return 0;
    return input.signal.length / input.signal.channels;
}

// libsox's seed of its noise as it starts, which the sox command keeps with
// -R. Taken before any dither of this process has advanced it.
sox_int32_t initialNoiseSeed()
{
    static const sox_int32_t seed = sox_get_globals()->ranqd1;
    return seed;
}

struct MeterDeleter
{
    void operator()(ebur128_state *state) const { ebur128_destroy(&state); }
};
using Meter = std::unique_ptr<ebur128_state, MeterDeleter>;

// The highest sample magnitude that passes an effect of ours, in a window of
// interleaved samples counted from the start ([from, to); to 0: no end). As
// the chain's last effect it consumes what it is given. With a meter, the
// window's whole frames also go to it, times `meterScale`.
struct Peak
{
    quint64 from = 0;
    quint64 to = 0;
    bool last = false;
    quint64 seen = 0;
    double highest = 0;
    ebur128_state *meter = nullptr;
    double meterScale = 1;
    std::vector<double> frames; // the window's samples not yet metered
    bool meterFailed = false;
};

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

// Drops the frames before the first one with a sample above `threshold`
// (a magnitude on libsox's scale), then passes everything on.
struct Trim
{
    double threshold = 0;
    bool begun = false;
    quint64 droppedFrames = 0;
};

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

struct FlowState
{
    const ConvertHooks *hooks;
    const sox_format_t *output;
    quint64 samplesWanted;  // 0: the whole input
    quint64 samplesAllowed; // beyond this a WAV file cannot describe the data
    quint64 samplesExpected;
    quint64 progressBase = 0; // what a first, measuring pass has shown done
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
    // The cut drops whatever the last buffer made beyond what the size needs.
    if (state->samplesWanted > 0 && written >= state->samplesWanted)
        return SOX_EOF;
    if (written > state->samplesAllowed) {
        state->tooLarge = true;
        return SOX_EOF;
    }
    return SOX_SUCCESS;
}

class Chain
{
public:
    Chain(const ConvertParams &params, const ConvertHooks &hooks) : p(params), hooks(hooks) {}

    bool openInput(QString *why);
    bool openScratch(QTemporaryFile &scratch, QString *why);
    bool measure(QString *why);
    bool flow(QString *why);

private:
    bool addEffect(const char *name, int argc, char **argv, const sox_signalinfo_t *target,
                   QString *why);
    bool addEffect(const sox_effect_handler_t *handler, const char *name, int argc, char **argv,
                   const sox_signalinfo_t *target, QString *why);
    bool addGain(double db, QString *why);
    bool addTrim(Trim *trim, QString *why);
    bool addRateAndChannels(const sox_signalinfo_t &from, QString *why, Peak *afterRate = nullptr);
    quint64 samplesWanted() const;
    quint64 samplesExpected(const sox_signalinfo_t &from) const;

    const ConvertParams &p;
    const ConvertHooks &hooks;
    sox::Format input;
    sox::Format output;
    sox::Chain chain;
    sox_signalinfo_t working{};
    // The precision that the sox command's chain would give the samples so
    // far: its input keeps the file's, where libsox's "input" effect claims
    // 32 bits, and effects that only modify samples keep what they are given.
    unsigned soxPrecision = 0;
    double gainDb = p.sound.gainDb;
    // Of a normalizing gain, the part that goes before the resampler: just
    // enough lowering that nothing clips on the way to the mix (0 or less).
    double gainFirstDb = 0;
    quint64 measuredProgress = 0; // what the measuring pass showed done
    Trim trim;
};

bool Chain::openInput(QString *why)
{
    input = soxchain::openInput(p.inputPath, why);
    return bool(input);
}

bool Chain::openScratch(QTemporaryFile &scratch, QString *why)
{
    // Created exclusively under a fresh name: nothing planted in the shared
    // temporary folder can be written through, and two running copies of the
    // program never share a scratch file.
    const QString folder = QDir::tempPath();
    // Qt gives an empty path for a TMPDIR that does not exist, and the scratch
    // file would then land in the root folder.
    if (folder.isEmpty()) {
        *why = QCoreApplication::translate(
                   "engine", "cannot create a scratch file: the temporary folder %1 does not "
                             "exist")
                   .arg(qEnvironmentVariable("TMPDIR"));
        return false;
    }
    // What killed runs left goes first; a running copy's files stay.
    scratch::sweepTemporaryFolder();
    scratch.setFileTemplate(scratch::scratchTemplate(folder));
    if (!scratch.open()) {
        *why = QCoreApplication::translate("engine", "cannot create a scratch file in %1: %2")
                   .arg(QDir::tempPath(), scratch.errorString());
        return false;
    }
    // Held while this handle stays open, which is until the file is removed.
    scratch::hold(int(scratch.handle()));
    const QString scratchPath = scratch.fileName();

    QByteArray local;
    if (!toLocalPath(scratchPath, &local)) {
        *why = QCoreApplication::translate(
            "engine", "the temporary folder's path cannot be written in the system's "
                      "file name encoding");
        return false;
    }

    sox_signalinfo_t signal = input->signal;
    signal.rate = p.sampleRate;
    signal.channels = p.channels;
    signal.length = 0;

    sox_encodinginfo_t encoding = input->encoding;
    // WAV's 8-bit PCM is unsigned; asked for signed 8-bit, libsox would quietly
    // write 16 bits instead.
    encoding.encoding = p.bitsPerSample == 8 ? SOX_ENCODING_UNSIGNED : SOX_ENCODING_SIGN2;
    encoding.bits_per_sample = p.bitsPerSample;
    // The byte order is the WAV writer's own; one copied from a big-endian
    // input (AIFF) would swap every sample.
    encoding.reverse_bytes = sox_option_default;
    encoding.reverse_nibbles = sox_option_default;
    encoding.reverse_bits = sox_option_default;
    encoding.opposite_endian = sox_false;

    sox::clearLastMessage();
    // "wavpcm" keeps the plain 44-byte header at every depth and channel count
    // (plain "wav" writes an extensible one above 16 bits or 2 channels), so
    // that the samples already stand where the output wants them.
    output.reset(sox_open_write(local.constData(), &signal, &encoding, "wavpcm", nullptr, nullptr));
    // libsox opened the scratch file with truncation, and ext4 marks a file
    // truncated to nothing to be forced onto the disk whole when a handle to
    // it is next closed (its guard for files replaced in place). Closing one
    // now, before any sample is written, clears the mark: libsox's own close
    // then leaves the writing to the kernel's pace, as for any new file.
    {
        QFile touch(scratchPath);
        if (touch.open(QIODevice::ReadOnly))
            touch.close();
    }
    if (!output) {
        const QString detail = sox::lastMessage();
        *why = QCoreApplication::translate("engine", "cannot write the scratch file%1")
                   .arg(detail.isEmpty() ? QString() : QStringLiteral(": ") + detail);
        return false;
    }
    // libsox quietly writes another format where it cannot honour the request
    // (16 bits for 12, 4 or 0; 32 for 40; 48000 Hz for 0): refuse rather than
    // write a header that lies about the data.
    if (output->encoding.bits_per_sample != p.bitsPerSample ||
        output->encoding.encoding != encoding.encoding) {
        *why = QCoreApplication::translate("engine",
                                           "cannot write %1-bit WAV; choose 8, 16, 24 or 32 bits")
                   .arg(p.bitsPerSample);
        return false;
    }
    if (output->signal.channels != p.channels) {
        *why = QCoreApplication::translate("engine", "cannot write %1 channels").arg(p.channels);
        return false;
    }
    if (output->signal.rate != double(p.sampleRate)) {
        *why = QCoreApplication::translate("engine", "cannot write a sample rate of %1 Hz")
                   .arg(p.sampleRate);
        return false;
    }
    return true;
}

bool Chain::addEffect(const char *name, int argc, char **argv, const sox_signalinfo_t *target,
                      QString *why)
{
    return addEffect(sox_find_effect(name), name, argc, argv, target, why);
}

bool Chain::addEffect(const sox_effect_handler_t *handler, const char *name, int argc, char **argv,
                      const sox_signalinfo_t *target, QString *why)
{
    sox::Effect effect(handler ? sox_create_effect(handler) : nullptr);
    if (!effect) {
        *why = QCoreApplication::translate(
                   "engine", "cannot convert: the installed sound library has no \"%1\" effect")
                   .arg(QLatin1String(name));
        return false;
    }
    if (sox_effect_options(effect.get(), argc, argv) != SOX_SUCCESS) {
        *why = QCoreApplication::translate(
                   "engine", "cannot convert this file to the chosen format: the \"%1\" effect "
                             "refused its options")
                   .arg(QLatin1String(name));
        return false;
    }
    const size_t effectsBefore = chain->length;
    const int result = sox_add_effect(chain.get(), effect.get(), &working, target);
    // An effect with nothing to do in this configuration is left out and
    // changes nothing, in the sox command's chain as in ours.
    if (chain->length > effectsBefore && !(handler->flags & SOX_EFF_MODIFY))
        soxPrecision = working.precision;
    qDebug().noquote() << name << result;
    if (result != SOX_SUCCESS) {
        *why = QCoreApplication::translate(
                   "engine", "cannot convert this file to the chosen format: the \"%1\" effect "
                             "could not be set up")
                   .arg(QLatin1String(name));
        return false;
    }
    return true;
}

// First, where the input's own samples are scaled: the sox command's "gain"
// written before "rate" and "channels".
bool Chain::addGain(double db, QString *why)
{
    // 17 digits carry the double exactly, as the sox command would read it.
    QByteArray text = QByteArray::number(db, 'g', 17);
    char *arg = text.data();
    return addEffect("gain", 1, &arg, &output->signal, why);
}

// Right after the input, so that the level is the input's own.
bool Chain::addTrim(Trim *trimming, QString *why)
{
    if (!p.sound.trimStart)
        return true;
    *trimming = Trim();
    trimming->threshold = std::pow(10.0, p.sound.trimStartDbfs / 20) * SOX_SAMPLE_MAX;
    char *arg = reinterpret_cast<char *>(trimming);
    return addEffect(trimHandler(), "trim-start", 1, &arg, &output->signal, why);
}

// `afterRate`, when given, watches the samples between the two effects.
bool Chain::addRateAndChannels(const sox_signalinfo_t &from, QString *why, Peak *afterRate)
{
    // Without an option the effect runs at its default quality, high: the
    // plain conversion's bytes stay those of the bare effect.
    char *rateArg = const_cast<char *>(sound::rateOption(p.sound.quality));
    const bool defaultQuality = p.sound.quality == SoundOptions::Quality::High;
    if (units::rateEffectNeeded(from.rate, output->signal.rate) &&
        !addEffect("rate", defaultQuality ? 0 : 1, defaultQuality ? nullptr : &rateArg,
                   &output->signal, why))
        return false;
    char *afterRateArg = reinterpret_cast<char *>(afterRate);
    if (afterRate && !addEffect(peakHandler(), "peak", 1, &afterRateArg, &output->signal, why))
        return false;
    if (from.channels != output->signal.channels &&
        !addEffect("channels", 0, nullptr, &output->signal, why))
        return false;
    return true;
}

quint64 Chain::samplesWanted() const
{
    if (p.fileSize <= units::headerBytes)
        return 0;
    // The slot's samples after its start; with a fade one frame more, so that
    // a sound that goes on past the cut always shows it.
    const unsigned bytesPerSample = p.bitsPerSample / 8u;
    return (quint64(p.fileSize - units::headerBytes) + bytesPerSample - 1) / bytesPerSample +
           p.slot.startFrame * p.channels + (p.slot.fadeOutMs > 0 ? p.channels : 0);
}

// Output samples the chain should make from an input, for progress: 0 when
// unknown.
quint64 Chain::samplesExpected(const sox_signalinfo_t &from) const
{
    if (samplesWanted() > 0)
        return samplesWanted();
    if (from.length == 0 || from.rate <= 0 || from.channels == 0)
        return 0;
    return quint64(double(from.length) / from.channels * output->signal.rate / from.rate) *
           output->signal.channels;
}

// A first pass over the same chain, lowered by measureHeadroomDb, that finds
// the peaks which the gain depends on: where the gain is applied, and where
// the output would be written (over the slot alone when normalizing).
bool Chain::measure(QString *why)
{
    if (!p.sound.measures())
        return true;
    if (p.settled.given) {
        gainFirstDb = p.settled.firstDb;
        gainDb = p.settled.firstDb + p.settled.lastDb;
        measuredProgress = samplesExpected(input->signal);
        return true;
    }
    if (inputs::isStandardInput(p.inputPath)) {
        *why = QCoreApplication::translate(
            "engine", "the level can only be measured in a file, which is read twice; give a "
                      "file, not the standard input");
        return false;
    }
    sox::Format again = soxchain::openInput(p.inputPath, why);
    if (!again)
        return false;
    sox::Chain measuring(sox_create_effects_chain(&again->encoding, &output->encoding));
    if (!measuring) {
        *why = QCoreApplication::translate(
            "engine",
            "cannot convert this file: the sound library could not build its effects chain");
        return false;
    }
    // The effects go into the measuring chain through the usual helpers.
    std::swap(chain, measuring);
    const auto restore = qScopeGuard([&] { std::swap(chain, measuring); });
    working = again->signal;
    Peak atGain;
    Peak afterRate;
    Peak atOutput;
    atOutput.last = true;
    // The scale of the samples measured: libsox's full scale at 0 dB, with
    // the pass's lowering undone.
    const double scale = std::pow(10.0, measureHeadroomDb / 20) / -double(SOX_SAMPLE_MIN);
    Meter meter;
    if (p.sound.loudness) {
        meter.reset(ebur128_init(output->signal.channels, unsigned(output->signal.rate),
                                 EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
        if (!meter) {
            *why =
                QCoreApplication::translate("engine", "cannot measure the loudness: out of memory");
            return false;
        }
        atOutput.meter = meter.get();
        atOutput.meterScale = scale;
    }
    Trim trimming;
    if (p.sound.aims()) {
        atOutput.from = p.slot.startFrame * p.channels;
        const quint64 wanted = samplesWanted();
        atOutput.to = wanted > 0 ? atOutput.from + (quint64(p.fileSize - units::headerBytes) +
                                                    p.bitsPerSample / 8u - 1) /
                                                       (p.bitsPerSample / 8u)
                                 : 0;
    }
    char *inputArg = reinterpret_cast<char *>(again.get());
    char *atGainArg = reinterpret_cast<char *>(&atGain);
    char *atOutputArg = reinterpret_cast<char *>(&atOutput);
    if (!addEffect("input", 1, &inputArg, &again->signal, why) || !addTrim(&trimming, why) ||
        !addGain(-measureHeadroomDb, why) ||
        !addEffect(peakHandler(), "peak", 1, &atGainArg, &output->signal, why) ||
        !addRateAndChannels(again->signal, why, &afterRate) ||
        !addEffect(peakHandler(), "peak", 1, &atOutputArg, &output->signal, why))
        return false;
    MeasureState state{&hooks, &atOutput, samplesWanted(), samplesExpected(again->signal)};
    sox_get_globals()->use_threads = sox_false;
    sox_flow_effects(chain.get(), measureCallback, &state);
    // The caller tells a stop by the flag.
    if (state.cancelled || (hooks.cancel && hooks.cancel->load()))
        return false;
    if (again->sox_errno != 0) {
        *why = QCoreApplication::translate("engine", "the input is damaged or cut short: %1")
                   .arg(QString::fromLocal8Bit(again->sox_errstr));
        return false;
    }
    if (atOutput.meterFailed) {
        *why = QCoreApplication::translate("engine", "cannot measure the loudness: out of memory");
        return false;
    }
    // Between the gain and the channels, samples clip only past full scale.
    const double inPeak = qMax(atGain.highest, afterRate.highest) * scale;
    const double outPeak = atOutput.highest * scale;
    sound::Level level;
    level.peakDbfs = 20 * std::log10(outPeak);
    if (p.sound.normalize) {
        gainDb = sound::normalizingGain(p.sound.normalizeDbfs, outPeak);
    } else if (p.sound.loudness) {
        double lufs = -HUGE_VAL;
        double truePeak = 0;
        for (unsigned c = 0; c < output->signal.channels; ++c) {
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
    if (p.sound.aims() && outPeak > 0)
        gainFirstDb = sound::guardedGain(0, inPeak, 0, p.bitsPerSample);
    level.gainDb = gainDb;
    level.firstDb = gainFirstDb;
    qDebug().noquote() << "measured" << p.inputPath << "peaks" << inPeak << outPeak << "loudness"
                       << level.loudnessLufs << "gain" << gainDb;
    if (hooks.gain)
        hooks.gain(level);
    measuredProgress = state.samplesExpected > 0 ? state.samplesExpected : atOutput.seen;
    return true;
}

bool Chain::flow(QString *why)
{
    chain.reset(sox_create_effects_chain(&input->encoding, &output->encoding));
    if (!chain) {
        *why = QCoreApplication::translate(
            "engine",
            "cannot convert this file: the sound library could not build its effects chain");
        return false;
    }
    initialNoiseSeed();
    // sox_add_effect writes each effect's output signal back into `working`.
    working = input->signal;
    char *inputArg = reinterpret_cast<char *>(input.get());
    char *outputArg = reinterpret_cast<char *>(output.get());
    if (!addEffect("input", 1, &inputArg, &input->signal, why))
        return false;
    soxPrecision = input->signal.precision;
    if (!addTrim(&trim, why))
        return false;
    // A normalizing gain comes after the channels are mixed, where the peak
    // it aims at is measured: before them, a channel louder than the mix, or
    // the resampler's overshoot, would clip. Only what keeps that from
    // clipping goes first. Every other gain comes first, as the sox command's
    // "gain" before "rate".
    const double firstDb = p.sound.aims() ? gainFirstDb : gainDb;
    const double lastDb = p.sound.aims() ? gainDb - gainFirstDb : 0;
    if (firstDb != 0 && !addGain(firstDb, why))
        return false;
    if (!addRateAndChannels(input->signal, why))
        return false;
    if (lastDb != 0 && !addGain(lastDb, why))
        return false;
    // Where the sox command dithers: the samples carry more bits than the
    // output keeps, below 24 bits. libsox's "dither" would judge by the 32
    // bits its "input" effect claims.
    if (p.sound.dither && soxPrecision > output->signal.precision &&
        output->signal.precision < 24) {
        // Each channel's noise is seeded from this global, which the effect
        // then advances: a fresh seed keeps a file's bytes from depending on
        // what the process converted before it.
        sox_get_globals()->ranqd1 = initialNoiseSeed();
        if (!addEffect("dither", 0, nullptr, &output->signal, why))
            return false;
    }
    if (!addEffect("output", 1, &outputArg, &output->signal, why))
        return false;

    const unsigned bytesPerSample = p.bitsPerSample / 8u;
    FlowState state{&hooks, output.get(), samplesWanted(), units::maxDataBytes / bytesPerSample, 0};
    state.samplesExpected = samplesExpected(input->signal);
    if (p.sound.measures()) {
        // The second half of the progress, after the measuring pass.
        state.progressBase = measuredProgress;
        state.samplesExpected *= 2;
    }

    // Both give the same samples as one thread would, only sooner where a
    // processor would otherwise idle; on an input of a few buffers threads
    // cost more to start than they can save.
    const bool spread =
        input->signal.length == 0 ||
        input->signal.length > ReadAhead::worthwhileBuffers * sox_get_globals()->bufsiz;
    const quint64 promised = promisedFrames(*input);
    ReadAhead ahead(input.get());
    if (hooks.readAhead && spread)
        ahead.start();
    // libgomp's threads that spin while they wait would take the processors
    // back from the work on a busy machine.
    sox_get_globals()->use_threads =
        hooks.parallelChannels && spread && spare::threadsWaitPassively() ? sox_true : sox_false;
    // SOX_EOF comes both from a stop that we asked for and from a failure:
    // the handles say which it was.
    sox_flow_effects(chain.get(), flowCallback, &state);
    // The decoder ends before anything reads the input's state or closes it.
    ahead.stop();
    if (hooks.clipped) {
        // Counted per effect and per flow, as the sox command counts them,
        // and by the writer where it narrows the samples.
        quint64 clips = output->clips;
        for (size_t i = 0; i < chain->length; ++i) {
            for (size_t f = 0; f < chain->effects[i][0].flows; ++f)
                clips += chain->effects[i][f].clips;
        }
        hooks.clipped(clips);
    }
    chain.reset();

    // A signal can also end the flow as a failed read or write (EINTR) before
    // the callback sees the flag.
    // The caller tells a stop by the flag.
    if (state.cancelled || (hooks.cancel && hooks.cancel->load()))
        return false;
    if (state.tooLarge) {
        *why = QCoreApplication::translate(
            "engine", "the converted audio is larger than a WAV file can hold (4 GiB); "
                      "choose a size");
        return false;
    }
    if (output->sox_errno != 0) {
        const QString text = errnoText(output->sox_errno);
        *why = QCoreApplication::translate("engine", "cannot write the scratch file in %1: %2")
                   .arg(QDir::tempPath(),
                        text.isEmpty() ? QString::fromLocal8Bit(output->sox_errstr) : text);
        return false;
    }
    if (input->sox_errno != 0) {
        *why = QCoreApplication::translate("engine", "the input is damaged or cut short: %1")
                   .arg(QString::fromLocal8Bit(input->sox_errstr));
        return false;
    }
    // A sound that ends before its header's length was cut short (or is
    // being cut while it is read); its output must not pass for the whole.
    const bool cutByUs = state.samplesWanted > 0 && output->olength >= state.samplesWanted;
    const quint64 madeFrames = output->olength / output->signal.channels;
    const quint64 promisedOut = units::framesAfterRate(
        promised - qMin(promised, trim.droppedFrames), input->signal.rate, output->signal.rate);
    QString shortened;
    if (promised > 0 && !cutByUs && madeFrames < promisedOut) {
        shortened = QCoreApplication::translate(
                        "engine", "the input ends after %1 s of the %2 s its header gives")
                        .arg(QString::number(madeFrames / output->signal.rate, 'f', 2),
                             QString::number(promised / input->signal.rate, 'f', 2));
        if (p.slot.pad && p.fileSize > units::headerBytes)
            shortened += QCoreApplication::translate("engine", "; silence fills the rest");
    }
    const int closed = sox_close(output.release());
    input.reset();
    if (closed != SOX_SUCCESS) {
        *why = QCoreApplication::translate("engine", "cannot finish the scratch file in %1")
                   .arg(QDir::tempPath());
        return false;
    }
    if (p.sound.trimStart && !trim.begun) {
        shortened = QCoreApplication::translate(
                        "engine", "no sample rises above %1 dBFS: the output holds no sound")
                        .arg(p.sound.trimStartDbfs);
        if (p.slot.pad && p.fileSize > units::headerBytes)
            shortened += QCoreApplication::translate("engine", "; silence fills the rest");
    }
    if (!shortened.isEmpty()) {
        qDebug().noquote() << "short input" << p.inputPath << "-" << shortened;
        if (hooks.warning)
            hooks.warning(shortened);
    }
    return true;
}

} // namespace

sox::Format openInput(const QString &path, QString *why, const std::function<void()> &beforeRead)
{
    if (inputs::isStandardInput(path)) {
        if (beforeRead)
            beforeRead();
        if (!sox::ensureStarted()) {
            *why = QCoreApplication::translate(
                "engine", "cannot convert: the sound library could not be started");
            return nullptr;
        }
        sox::clearLastMessage();
        sox::Format input(sox_open_read("-", nullptr, nullptr, nullptr));
        if (!input)
            *why = QCoreApplication::translate(
                "engine", "cannot read: the format of the standard input cannot be told from "
                          "its content (MP3 without a tag, headerless data); give a file");
        return input;
    }
    // open(2) would stop at a NUL and open the file named by what is before it.
    if (path.contains(QChar(0))) {
        *why = QCoreApplication::translate("engine", "file not found");
        return nullptr;
    }
    // A name the locale cannot carry would, encoded, name another file.
    QByteArray local;
    if (!toLocalPath(path, &local)) {
        *why = QCoreApplication::translate("engine", "file name is not valid in this locale");
        return nullptr;
    }
    // Opened without waiting (a pipe with no writer would hold the open for
    // ever) and judged by what was opened, not by the name, which may by then
    // name something else.
    const int fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *why = openErrorText(errno);
        return nullptr;
    }
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *why = openErrorText(errno);
        return nullptr;
    }
    if (S_ISDIR(st.st_mode)) {
        *why = QCoreApplication::translate("engine", "is a folder, not an audio file");
        return nullptr;
    }
    // libsox would read an endless device until the disk is full.
    if (!S_ISREG(st.st_mode)) {
        *why = QCoreApplication::translate("engine",
                                           "is not a regular file (a device, pipe or socket)");
        return nullptr;
    }
    if (beforeRead)
        beforeRead();
    if (!sox::ensureStarted()) {
        *why = QCoreApplication::translate(
            "engine", "cannot convert: the sound library could not be started");
        return nullptr;
    }
    // libsox opens by name; this name is the very file judged above, whatever
    // the path names now.
    const QByteArray self = QByteArrayLiteral("/proc/self/fd/") + QByteArray::number(fd);
    sox::clearLastMessage();
    sox::Format input(sox_open_read(self.constData(), nullptr, nullptr, nullptr));
    // libsox tells the format from the content first and from the name's
    // extension second; the descriptor's name has none, so the path's is
    // given where the content did not tell.
    const QByteArray type = extensionOf(local);
    if (!input && !type.isEmpty() && sox::lastMessage().startsWith(QLatin1String(noTypeMessage))) {
        sox::clearLastMessage();
        input.reset(sox_open_read(self.constData(), nullptr, nullptr, type.constData()));
    }
    if (!input)
        *why = QCoreApplication::translate(
            "engine", "cannot read: not a sound file in a format this program reads");
    return input;
}

bool lengthIsEstimate(const sox_format_t &input)
{
    const QLatin1String type(input.filetype ? input.filetype : "");
    return type == QLatin1String("mp3") || type == QLatin1String("mp2");
}

bool toLocalPath(const QString &path, QByteArray *local)
{
    *local = path.toLocal8Bit();
    return QString::fromLocal8Bit(*local) == path;
}

bool run(const ConvertParams &params, const ConvertHooks &hooks, QTemporaryFile &scratch,
         QString *why)
{
    if (!sox::ensureStarted()) {
        *why = QCoreApplication::translate(
            "engine", "cannot convert: the sound library could not be started");
        return false;
    }
    Chain chain(params, hooks);
    return chain.openInput(why) && chain.openScratch(scratch, why) && chain.measure(why) &&
           (params.measureOnly || chain.flow(why));
}

} // namespace soxchain
