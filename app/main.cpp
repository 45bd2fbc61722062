#include "app/core.h"
#include "app/signals.h"
#include "convert/scratch.h"
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

    // Outlives the controller, so that a second signal cannot cut its wait short.
    SignalQuit signalQuit;
    // Scratch files of runs that were killed outright, before this one adds its own.
    scratch::sweepTemporaryFolder();

    // Stopped only after the controller has waited for its worker.
    sox::Session soxSession;
    Core core(nullptr);
    // A signal ends the loop with 128 + its number, after which the controller
    // cancels and waits as on a closed window.
    return QApplication::exec();
}
