// Runs the window's German Qt Quick tests (german.qml): the locale set
// to German and the translations that start-up installs for it, made by this
// build. The bridge is a stand-in that carries the engine's real rules, keeps
// the commands the window sends and lets a test answer them.
#include "app/translations.h"
#include "bridge/windowtypes.h"
#include "standinbridge.h"

#include <QApplication>
#include <QCoreApplication>
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
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        if (installTranslations(*QCoreApplication::instance(), QLocale(),
                                {QStringLiteral(SABLETIDE_TRANSLATIONS_DIR)}) < 1)
            qFatal("no German translation in %s", SABLETIDE_TRANSLATIONS_DIR);
        registerWindowTypes();
        // The window's own settings (its presets) land in the test's folder.
        QStandardPaths::setTestModeEnabled(true);
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, scratch.path());
        QCoreApplication::setOrganizationName(QStringLiteral("OrvaneTest"));
        QCoreApplication::setApplicationName(QStringLiteral("SabletideGermanTest"));
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->rootContext()->setContextProperty(QStringLiteral("_data"), &bridge);
        // An output folder that exists: the window checks it before it sends.
        engine->rootContext()->setContextProperty(QStringLiteral("_outputFolder"), scratch.path());
    }

private:
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
    return quick_test_main_with_setup(argc, argv, "window_german", QUICK_TEST_SOURCE_DIR, &setup);
}

#include "tst_window_german.moc"
