#include "app/core.h"
#include "app/signals.h"
#include "app/translations.h"
#include "bridge/data.h"
#include "bridge/windowtypes.h"
#include "convert/presets.h"
#include "convert/scratch.h"
#include "convert/soxhandles.h"
#include "convert/worker.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QIcon>

namespace {

// The window converts several inputs at once in copies of itself started with
// the worker argument: those need neither a window nor a display. They start
// in the window's environment, so with its locale, and give their reasons in
// the window's language.
int runWorker(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    installTranslations(app);
    QCoreApplication::setOrganizationName(QLatin1String(presets::settingsOrganization));
    QCoreApplication::setApplicationName(QLatin1String(presets::settingsApplication));
    sox::Session soxSession;
    return worker::serve();
}

void nameTheProgram()
{
    QCoreApplication::setOrganizationName(QLatin1String(presets::settingsOrganization));
    QCoreApplication::setApplicationName(QLatin1String(presets::settingsApplication));
    QCoreApplication::setApplicationVersion(QStringLiteral(SABLETIDE_VERSION));
}

// Files and folders to put on the list, as a file manager's "Open with"
// passes them.
void describeCommandLine(QCommandLineParser &parser)
{
    parser.setApplicationDescription(
        QCoreApplication::translate("main", "Converts audio files into PCM WAV files of one format "
                                            "and one exact size, for fixed-size slots."));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addPositionalArgument(
        QStringLiteral("FILE"),
        QCoreApplication::translate("main", "Audio file or folder to put on the list at start."),
        QStringLiteral("[FILE...]"));
}

// Whether the command line asks for the help or the version alone.
bool asksForAnAnswer(int argc, char *argv[])
{
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--") == 0)
            return false;
        for (const char *option : {"-h", "-?", "--help", "-v", "--version"}) {
            if (qstrcmp(argv[i], option) == 0)
                return true;
        }
    }
    return false;
}

// The help and the version are text: they answer where no window can open
// (over ssh, in a text console, under help2man), which a QApplication, made
// first, would abort for. A command line this parser alone cannot read, such
// as one with Qt's own -platform, goes on to the window's parser.
void answerWithoutAWindow(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    installTranslations(app);
    nameTheProgram();
    QCommandLineParser parser;
    describeCommandLine(parser);
    if (parser.parse(QCoreApplication::arguments()))
        parser.process(app); // leaves the program
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc == 2 && qstrcmp(argv[1], worker::argument) == 0)
        return runWorker(argc, argv);
    if (asksForAnAnswer(argc, argv))
        answerWithoutAWindow(argc, argv);
    QApplication app(argc, argv);
    installTranslations(app);
    nameTheProgram();
    QGuiApplication::setDesktopFileName(QStringLiteral("org.orvane.Sabletide"));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/sabletide.svg")));

    // --help and --version answer here only beside Qt's own options, such as
    // -platform, which the QApplication has taken out of the command line.
    QCommandLineParser parser;
    describeCommandLine(parser);
    parser.process(app);
    QStringList startInputs;
    for (const QString &given : parser.positionalArguments())
        startInputs << QFileInfo(given).absoluteFilePath();
    Data::setStartInputs(startInputs);

    // Outlives the controller, so that a second signal cannot cut its wait short.
    SignalQuit signalQuit;
    // Scratch files of runs that were killed outright, before this one adds its own.
    scratch::sweepTemporaryFolder();

    // Stopped only after the controller has waited for its worker.
    sox::Session soxSession;
    // The window opens files on several threads (plans, folder scans, the
    // conversion): every format is loaded before any of them starts.
    sox::loadAllFormats();
    // The window's preview types, before Core loads the window.
    registerWindowTypes();
    // Inputs convert side by side in copies of this program.
    Core core(nullptr, QCoreApplication::applicationFilePath());
    // A signal ends the loop with 128 + its number, after which the controller
    // cancels and waits as on a closed window.
    return QApplication::exec();
}
