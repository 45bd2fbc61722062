#include "convert/interrupt.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace interrupt {

namespace {

std::atomic_bool cancelled{false};
std::atomic_int caught{0};
int wakePipe[2] = {-1, -1};

static_assert(std::atomic_bool::is_always_lock_free && std::atomic_int::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

void stop()
{
    cancelled.store(true);
    if (wakePipe[1] >= 0) {
        const char byte = 1;
        // A full pipe already wakes its reader; the result does not matter.
        [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    }
}

void onSignal(int signal)
{
    const int savedErrno = errno;
    int expected = 0;
    caught.compare_exchange_strong(expected, signal);
    stop();
    errno = savedErrno;
}

} // namespace

bool install()
{
    if (wakePipe[0] < 0) {
        if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
    }
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    // No SA_RESTART: a call that waits (an open, a read of a pipe) returns
    // EINTR instead of waiting on, deaf to the signal; the flag then says why.
    action.sa_flags = 0;
    // A closed terminal (SIGHUP) ends the work as Ctrl-C does, scratch removed.
    return ::sigaction(SIGINT, &action, nullptr) == 0 &&
           ::sigaction(SIGTERM, &action, nullptr) == 0 &&
           ::sigaction(SIGHUP, &action, nullptr) == 0;
}

const std::atomic_bool &flag()
{
    return cancelled;
}

void cancel()
{
    const int savedErrno = errno;
    stop();
    errno = savedErrno;
}

int signalNumber()
{
    return caught.load();
}

int wakeDescriptor()
{
    return wakePipe[0];
}

} // namespace interrupt
