#include "convert/errors.h"

#include <QCoreApplication>

#include <cerrno>
#include <cstring>
#include <sox.h>

namespace errors {

QString errnoText(int code)
{
    if (code == ENOSPC)
        return QCoreApplication::translate("engine", "the disk is full");
    if (code >= SOX_EHDR)
        return QString();
    return QString::fromLocal8Bit(std::strerror(code));
}

QString formatText(const sox_format_t &format)
{
    const QString text = errnoText(format.sox_errno);
    return text.isEmpty() ? QString::fromLocal8Bit(format.sox_errstr) : text;
}

Outcome unreadable(int code)
{
    if (code == ENOENT || code == ENOTDIR)
        return Outcome::failed(QCoreApplication::translate("engine", "file not found"));
    const QString cannotRead = QCoreApplication::translate("engine", "cannot read");
    if (code == EACCES || code == EPERM)
        return Outcome::failed(cannotRead,
                               QCoreApplication::translate("engine", "permission denied"));
    return Outcome::failed(cannotRead, QString::fromLocal8Bit(std::strerror(code)));
}

Outcome damagedInput(const sox_format_t &input)
{
    return Outcome::failed(
        QCoreApplication::translate("engine", "the input is damaged or cut short"),
        QString::fromLocal8Bit(input.sox_errstr));
}

Outcome soundLibraryNotStarted()
{
    return Outcome::failed(
        QCoreApplication::translate("engine", "cannot convert"),
        QCoreApplication::translate("engine", "the sound library could not be started"));
}

} // namespace errors
