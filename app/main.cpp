#include "app/core.h"
#include "convert/soxhandles.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("Orvane"));
    QCoreApplication::setApplicationName(QStringLiteral("Sabletide"));
    QCoreApplication::setApplicationVersion(QStringLiteral(SABLETIDE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvane.Sabletide"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/sabletide.svg")));

    // Stopped only after the controller has waited for its worker.
    sox::Session soxSession;
    Core core(nullptr);
    return QApplication::exec();
}
