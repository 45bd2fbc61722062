// Where one conversion's time goes: runs the chain a step at a time (decode
// only; decode and resample; and downmix; the whole conversion) and then the
// whole conversion with each way of using spare processors, and prints wall
// and CPU seconds for each. bench/run prints its table; NOTES.md reads it.
#include "convert/resampling.h"
#include "convert/soxhandles.h"
#include "convert/spare.h"
#include "memory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLoggingCategory>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

struct Times
{
    double wall = 0;
    double cpu = 0;
};

template <typename Work> Times timed(Work work)
{
    QElapsedTimer clock;
    const double cpu = bench::cpuSeconds();
    clock.start();
    work();
    return Times{double(clock.nsecsElapsed()) / 1e9, bench::cpuSeconds() - cpu};
}

// The last effect of a chain that is timed without its writer: takes every
// sample and keeps none.
int discard(sox_effect_t *, const sox_sample_t *, sox_sample_t *, size_t *, size_t *osamp)
{
    *osamp = 0;
    return SOX_SUCCESS;
}

const sox_effect_handler_t *discardHandler()
{
    static const sox_effect_handler_t handler = {
        "discard", nullptr, SOX_EFF_MCHAN, nullptr, nullptr, discard, nullptr, nullptr, nullptr, 0};
    return &handler;
}

bool addEffect(sox_effects_chain_t *chain, const sox_effect_handler_t *handler, int argc,
               char **argv, sox_signalinfo_t *working, const sox_signalinfo_t *target)
{
    sox::Effect effect(sox_create_effect(handler));
    return effect && sox_effect_options(effect.get(), argc, argv) == SOX_SUCCESS &&
           sox_add_effect(chain, effect.get(), working, target) == SOX_SUCCESS;
}

// Decodes `path` through libsox's "input" effect, then resamples to `rate`
// when given and downmixes to `channels` when given, and discards the result.
bool partChain(const QByteArray &path, double rate, unsigned channels)
{
    sox::Format input(sox_open_read(path.constData(), nullptr, nullptr, nullptr));
    if (!input)
        return false;
    sox_signalinfo_t target = input->signal;
    if (rate > 0)
        target.rate = rate;
    if (channels > 0)
        target.channels = channels;
    sox::Chain chain(sox_create_effects_chain(&input->encoding, nullptr));
    sox_signalinfo_t working = input->signal;
    char *inputArg = reinterpret_cast<char *>(input.get());
    bool ok =
        addEffect(chain.get(), sox_find_effect("input"), 1, &inputArg, &working, &input->signal);
    if (ok && rate > 0)
        ok = addEffect(chain.get(), sox_find_effect("rate"), 0, nullptr, &working, &target);
    if (ok && channels > 0)
        ok = addEffect(chain.get(), sox_find_effect("channels"), 0, nullptr, &working, &target);
    ok = ok && addEffect(chain.get(), discardHandler(), 0, nullptr, &working, &target);
    if (!ok)
        return false;
    sox_get_globals()->use_threads = sox_false;
    sox_flow_effects(chain.get(), nullptr, nullptr);
    return input->sox_errno == 0;
}

} // namespace

int main(int argc, char *argv[])
{
    // As the programs do where they use libsox's channel threads, here on any
    // machine, so that those threads can be timed.
    spare::restartWithPassiveThreads(argv, 1 + spare::channelThreadsFrom);
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fprintf(stderr, "usage: %s INPUT [RUNS]\n", qPrintable(args.value(0)));
        return 2;
    }
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));
    const QByteArray input = args.at(1).toLocal8Bit();
    const int runs = args.size() == 3 ? qMax(1, args.at(2).toInt()) : 3;
    sox::Session session;
    QTemporaryDir out;
    if (!out.isValid())
        return 2;

    ConvertParams params;
    params.inputPath = args.at(1);
    params.outputPath = out.filePath(QStringLiteral("out.wav"));
    params.sampleRate = 48000;
    params.channels = 1;
    params.bitsPerSample = 24;
    params.mayReplace = true;
    Resampling resampling;
    bool failed = false;
    const auto whole = [&](bool parallelChannels, bool readAhead, bool splitChannels = false) {
        return [&, parallelChannels, readAhead, splitChannels] {
            ConvertHooks hooks;
            hooks.parallelChannels = parallelChannels;
            hooks.readAhead = readAhead;
            hooks.splitChannels = splitChannels;
            failed |= resampling.resample(params, nullptr, hooks) != 1;
        };
    };
    struct Step
    {
        const char *name;
        std::function<void()> work;
        std::vector<Times> times;
    };
    std::vector<Step> steps = {
        {"decode", [&] { failed |= !partChain(input, 0, 0); }, {}},
        {"decode, rate", [&] { failed |= !partChain(input, 48000, 0); }, {}},
        {"decode, rate, channels", [&] { failed |= !partChain(input, 48000, 1); }, {}},
        {"whole conversion", whole(false, false), {}},
        {"whole, parallel channels", whole(true, false), {}},
        {"whole, read-ahead", whole(false, true), {}},
        {"whole, both", whole(true, true), {}},
        {"whole, our channel threads", whole(false, false, true), {}},
        {"whole, read-ahead and our channel threads", whole(false, true, true), {}},
    };
    // Round after round, so that a change in the machine's load falls on all.
    for (int run = 0; run < runs; ++run) {
        for (Step &step : steps)
            step.times.push_back(timed(step.work));
    }
    if (failed) {
        std::fprintf(stderr, "a step failed\n");
        return 1;
    }
    std::printf("| Step (48 kHz mono 24-bit) | Wall s | CPU s |\n|---|---:|---:|\n");
    for (Step &step : steps) {
        const auto median = [&step](double Times::*field) {
            std::vector<double> v;
            for (const Times &t : step.times)
                v.push_back(t.*field);
            std::sort(v.begin(), v.end());
            return v[v.size() / 2];
        };
        std::printf("| %s | %.3f | %.3f |\n", step.name, median(&Times::wall), median(&Times::cpu));
    }
    return 0;
}
