#include "convert/spare.h"

#include "convert/channelrate.h"
#include "convert/readahead.h"
#include "convert/resampling.h"
#include "convert/units.h"

#include <QtGlobal>

#include <csignal>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace spare {

void useProcessors(int processors, ConvertHooks *hooks)
{
    hooks->readAhead = processors >= 1;
    hooks->splitChannels = processors >= 1;
    hooks->parallelChannels = processors >= channelThreadsFrom;
}

Threads threadsFor(const ConvertHooks &hooks, const sox_signalinfo_t &input, double outputRate)
{
    const bool longEnough = input.length == 0 ||
                            input.length > ReadAhead::worthwhileBuffers * sox_get_globals()->bufsiz;
    Threads threads;
    threads.readAhead = hooks.readAhead && longEnough;
    // The channels' threads overlap one block with the next: an input of a
    // few blocks is resampled at its end, with nothing beside it.
    const bool blocksEnough =
        input.length == 0 ||
        input.length > splitBlocksFrom * channelrate::blockFrames * input.channels;
    threads.splitChannels = hooks.splitChannels && blocksEnough && input.channels >= 2 &&
                            units::rateEffectNeeded(input.rate, outputRate);
    // As far as the channels' threads hold in flight, so that neither waits.
    if (threads.splitChannels)
        threads.readAheadSamples = channelrate::samplesInFlight(input.channels);
    // libgomp's threads that spin while they wait would take the processors
    // back from the work on a busy machine.
    threads.libsoxChannels =
        hooks.parallelChannels && longEnough && !threads.splitChannels && threadsWaitPassively();
    return threads;
}

bool waitsPassively(const QByteArray &waitPolicy, const QByteArray &spinCount)
{
    // A spin count of its own outweighs the policy.
    if (!spinCount.isNull())
        return spinCount.trimmed() == "0";
    return waitPolicy.trimmed().toLower() == "passive";
}

bool threadsWaitPassively()
{
    return waitsPassively(qgetenv("OMP_WAIT_POLICY"), qgetenv("GOMP_SPINCOUNT"));
}

void restartWithPassiveThreads(char **argv, int processors)
{
    if (processors - 1 < channelThreadsFrom || qEnvironmentVariableIsSet("OMP_WAIT_POLICY") ||
        qEnvironmentVariableIsSet("GOMP_SPINCOUNT"))
        return;
    std::vector<char *> environment;
    for (char **e = environ; *e; ++e)
        environment.push_back(*e);
    static char passive[] = "OMP_WAIT_POLICY=PASSIVE";
    environment.push_back(passive);
    environment.push_back(nullptr);
    ::execve("/proc/self/exe", argv, environment.data());
    // Still here: this process goes on, with libsox's channels on one thread.
}

bool startThread(pthread_t *thread, void *(*main)(void *), void *arg)
{
    sigset_t all, previous;
    sigfillset(&all);
    pthread_sigmask(SIG_SETMASK, &all, &previous);
    const bool started = pthread_create(thread, nullptr, main, arg) == 0;
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    return started;
}

} // namespace spare
