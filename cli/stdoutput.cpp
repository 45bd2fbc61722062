#include "cli/stdoutput.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace stdoutput {

namespace {

bool closedAtStart = false;
int firstError = 0;

bool fail(int code)
{
    if (firstError == 0)
        firstError = code != 0 ? code : EIO;
    return false;
}

} // namespace

void claim()
{
    if (::fcntl(STDOUT_FILENO, F_GETFD) != -1 || errno != EBADF)
        return;
    closedAtStart = true;
    // The lowest free descriptor: 1 itself.
    const int fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
    if (fd >= 0 && fd != STDOUT_FILENO)
        ::close(fd);
}

bool write(const QByteArray &bytes)
{
    if (firstError != 0)
        return false;
    if (closedAtStart)
        return fail(EBADF);
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size()) ||
        std::fflush(stdout) != 0)
        return fail(errno);
    return true;
}

bool close()
{
    if (firstError != 0)
        return false;
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0 && !std::ferror(stdout);
    const int flushError = errno;
    if (!flushed)
        return fail(flushError);
    return std::fclose(stdout) == 0 || fail(errno);
}

int error()
{
    return firstError;
}

QString message()
{
    if (firstError == 0 || firstError == EPIPE)
        return QString();
    return QStringLiteral("cannot write to standard output: %1")
        .arg(QString::fromLocal8Bit(std::strerror(firstError)));
}

} // namespace stdoutput
