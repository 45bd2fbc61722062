// Runs the window's Qt Quick tests (tst_*.qml beside this file) against a
// stand-in bridge, so that each test decides what the program answers. The
// engine's rules are the real ones: the window cannot drift from them here.
#include "bridge/data.h"
#include "bridge/windowtypes.h"
#include "standinbridge.h"
#include "testutil.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtQuickTest>

class Setup : public QObject
{
    Q_OBJECT
public Q_SLOTS:
    void applicationAvailable()
    {
        // The window's Settings must land in the test's own folder.
        QStandardPaths::setTestModeEnabled(true);
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("config"))));
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           scratch.filePath(QStringLiteral("config")));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope,
                           scratch.filePath(QStringLiteral("config")));
        // A home of the test's own, for folders typed from "~".
        qputenv("HOME", QFile::encodeName(scratch.filePath(QStringLiteral("home"))));
        QCoreApplication::setOrganizationName(QStringLiteral("OrvaneTest"));
        QCoreApplication::setApplicationName(QStringLiteral("SabletideWindowTest"));
        makeFixtures();
        // The controls look as in the program.
        Data::chooseControlsStyle();
        // The view shows its selected input through the real preview types.
        registerWindowTypes();
        // The form object the form's tests make.
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->rootContext()->setContextProperty(QStringLiteral("_data"), &bridge);
        engine->rootContext()->setContextProperty(QStringLiteral("_fixtures"),
                                                  scratch.filePath(QStringLiteral("drop")));
        engine->rootContext()->setContextProperty(QStringLiteral("_home"),
                                                  scratch.filePath(QStringLiteral("home")));
    }

private:
    // Folders to drop: audio files of several kinds and cases, a file that is
    // not audio, a subfolder (not entered), names with a comma, and outputs
    // that exist already. Names libsox knows are taken by their name, so the
    // files may be empty.
    void makeFixtures()
    {
        QDir root(scratch.path());
        root.mkpath(QStringLiteral("drop/songs/deeper"));
        root.mkpath(QStringLiteral("drop/empty"));
        root.mkpath(QStringLiteral("drop/mixed"));
        root.mkpath(QStringLiteral("drop/with,comma"));
        root.mkpath(QStringLiteral("drop/done"));
        // The output folder of most tests: the view checks it before it sends.
        root.mkpath(QStringLiteral("drop/out"));
        const QStringList files{
            QStringLiteral("drop/songs/b.FLAC"),       QStringLiteral("drop/songs/a.wav"),
            QStringLiteral("drop/songs/c.ogg"),        QStringLiteral("drop/songs/notes.txt"),
            QStringLiteral("drop/songs/deeper/d.wav"), QStringLiteral("drop/mixed/m.wav"),
            QStringLiteral("drop/mixed/x,y.wav"),      QStringLiteral("drop/with,comma/e.wav"),
            QStringLiteral("drop/loose.aiff"),         QStringLiteral("drop/README"),
            QStringLiteral("drop/done/a.wav"),         QStringLiteral("drop/done/b.flac"),
            QStringLiteral("drop/done/a_done.wav"),    QStringLiteral("drop/done/b_done.wav")};
        for (const QString &f : files) {
            QFile file(root.filePath(f));
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write the fixture %s", qPrintable(file.fileName()));
        }
        // A real sound for the planner: 0.5 s, 4,000 frames of 8 kHz mono 16-bit.
        root.mkpath(QStringLiteral("drop/real"));
        if (!testutil::makeAudio(root.filePath(QStringLiteral("drop/real/half.wav")), 8000, 1, 16,
                                 0.5))
            qFatal("cannot make the sound fixture");
    }

    QTemporaryDir scratch;
    StandInBridge bridge;
};

// The window runs under a QApplication, as in the program: where the platform
// has no folder dialog of its own, its folder pickers show Qt's widget one.
int main(int argc, char **argv)
{
    QTEST_SET_MAIN_SOURCE_PATH
    QApplication app(argc, argv);
    Setup setup;
    return quick_test_main_with_setup(argc, argv, "window", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "tst_window_qml.moc"
