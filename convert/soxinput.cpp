#include "convert/soxinput.h"

#include "convert/errors.h"
#include "convert/inputs.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace soxinput {

namespace {

// How libsox 14.4 begins its complaint when neither content nor name tells
// it the format.
const char noTypeMessage[] = "can't determine type";

// The extension as libsox finds it: after the last "." of the last component.
QByteArray extensionOf(const QByteArray &path)
{
    const QByteArray name = path.mid(path.lastIndexOf('/') + 1);
    const int dot = name.lastIndexOf('.');
    return dot < 0 ? QByteArray() : name.mid(dot + 1);
}

Outcome cannotRead(const char *detail)
{
    return Outcome::failed(QCoreApplication::translate("engine", "cannot read"),
                           QCoreApplication::translate("engine", detail));
}

} // namespace

sox::Format open(const QString &path, Outcome *why, const std::function<void()> &beforeRead)
{
    if (inputs::isStandardInput(path)) {
        if (beforeRead)
            beforeRead();
        if (!sox::ensureStarted()) {
            *why = errors::soundLibraryNotStarted();
            return nullptr;
        }
        sox::clearLastMessage();
        sox::Format input(sox_open_read("-", nullptr, nullptr, nullptr));
        if (!input)
            *why = cannotRead(QT_TRANSLATE_NOOP(
                "engine", "the format of the standard input cannot be told from its content (MP3 "
                          "without a tag, headerless data); give a file"));
        return input;
    }
    // open(2) would stop at a NUL and open the file named by what is before it.
    if (path.contains(QChar(0))) {
        *why = errors::unreadable(ENOENT);
        return nullptr;
    }
    // A name the locale cannot carry would, encoded, name another file.
    QByteArray local;
    if (!toLocalPath(path, &local)) {
        *why = Outcome::failed(
            QCoreApplication::translate("engine", "file name is not valid in this locale"));
        return nullptr;
    }
    // Opened without waiting (a pipe with no writer would hold the open for
    // ever) and judged by what was opened, not by the name, which may by then
    // name something else.
    const int fd = ::open(local.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *why = errors::unreadable(errno);
        return nullptr;
    }
    const auto closeFd = qScopeGuard([fd] { ::close(fd); });
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        *why = errors::unreadable(errno);
        return nullptr;
    }
    if (S_ISDIR(st.st_mode)) {
        *why = Outcome::failed(
            QCoreApplication::translate("engine", "is a folder, not an audio file"));
        return nullptr;
    }
    // libsox would read an endless device until the disk is full.
    if (!S_ISREG(st.st_mode)) {
        *why = Outcome::failed(QCoreApplication::translate(
            "engine", "is not a regular file (a device, pipe or socket)"));
        return nullptr;
    }
    if (beforeRead)
        beforeRead();
    if (!sox::ensureStarted()) {
        *why = errors::soundLibraryNotStarted();
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
        *why = cannotRead(QT_TRANSLATE_NOOP("engine", "not a sound file in a format this program "
                                                      "reads"));
    return input;
}

bool lengthIsEstimate(const sox_format_t &input)
{
    const QLatin1String type(input.filetype ? input.filetype : "");
    return type == QLatin1String("mp3") || type == QLatin1String("mp2");
}

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

bool toLocalPath(const QString &path, QByteArray *local)
{
    *local = path.toLocal8Bit();
    return QString::fromLocal8Bit(*local) == path;
}

} // namespace soxinput
