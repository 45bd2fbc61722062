#include "app/signals.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {

const int caught[] = {SIGHUP, SIGINT, SIGTERM};
// The handler may only write to a pipe; the event loop reads the other end.
int wakePipe[2] = {-1, -1};

void onSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    // A full pipe has woken the reader already.
    [[maybe_unused]] const ssize_t written = ::write(wakePipe[1], &byte, 1);
    errno = savedErrno;
}

} // namespace

SignalQuit::SignalQuit(QObject *parent) : QObject(parent)
{
    if (wakePipe[0] < 0 && ::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    for (const int signal : caught) {
        if (::sigaction(signal, &action, nullptr) != 0)
            return;
    }
    notifier = new QSocketNotifier(wakePipe[0], QSocketNotifier::Read, this);
    connect(notifier, SIGNAL(activated(int)), this, SLOT(slSignal()));
}

SignalQuit::~SignalQuit()
{
    // Past this object the default actions apply again: nothing reads the pipe.
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int signal : caught)
        ::sigaction(signal, &action, nullptr);
}

void SignalQuit::slSignal()
{
    unsigned char byte = 0;
    if (::read(wakePipe[0], &byte, 1) != 1)
        return;
    // The first signal decides the status; later ones find the loop leaving.
    notifier->setEnabled(false);
    QCoreApplication::exit(128 + byte);
}
