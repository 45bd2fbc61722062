// How a conversion may use processors beside its own without taking them
// from other work: libsox's parallel channels run on libgomp, whose idle
// threads spin unless told otherwise when the process starts.
#pragma once

#include <QByteArray>

#include <cstddef>
#include <pthread.h>

#include <sox.h>

struct ConvertHooks;

namespace spare {

// Sets what a conversion does with `processors` processors beside its own:
// the first decodes ahead of the effects (ConvertHooks::readAhead) and
// resamples the channels on threads of our own (ConvertHooks::splitChannels);
// libsox's channel threads (ConvertHooks::parallelChannels) want more, since
// on two processors they slowed down a conversion that already decoded ahead.
void useProcessors(int processors, ConvertHooks *hooks);
constexpr int channelThreadsFrom = 2;

// What one conversion's flow uses of what its hooks allow, for an input of
// `input`'s signal resampled to `outputRate`. Threads pay only on an input
// longer than a few of libsox's buffers; our channel threads only where
// there are channels to split and a rate to change, and libsox's then not.
constexpr unsigned splitBlocksFrom = 3; // of channelrate::blockFrames
struct Threads
{
    bool readAhead = false;
    std::size_t readAheadSamples = 0; // how far the decoder runs ahead; 0: its least
    bool splitChannels = false;
    bool libsoxChannels = false;
};
Threads threadsFor(const ConvertHooks &hooks, const sox_signalinfo_t &input, double outputRate);

// Whether libgomp, with these values of OMP_WAIT_POLICY and GOMP_SPINCOUNT
// (null when unset), lets its idle threads sleep rather than spin.
bool waitsPassively(const QByteArray &waitPolicy, const QByteArray &spinCount);

// Whether this process's libgomp threads sleep while they wait. Spinning
// ones turn a busy or virtual machine's spare time into several times the
// work; libsox's parallel channels are used only where this holds.
bool threadsWaitPassively();

// Starts this program again, in place (same process id, arguments and
// descriptors), with OMP_WAIT_POLICY=PASSIVE, where a program on a machine
// of `processors` processors could use libsox's channel threads and the
// environment does not already say how libgomp waits. The restart costs
// about as much as the program's start. Call first thing in main(): libgomp
// reads its environment once, as it loads. Returns only where no restart
// was made.
void restartWithPassiveThreads(char **argv, int processors);

// Starts a thread of ours that leaves signals to the threads that were there
// before, so that a Ctrl-C still interrupts what it interrupted. False where
// no thread can start; the caller then does the work itself.
bool startThread(pthread_t *thread, void *(*main)(void *), void *arg);

} // namespace spare
