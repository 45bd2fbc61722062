// Runs the window's Qt Quick tests (tst_*.qml beside this file) against a
// stand-in bridge, so that each test decides what the program answers.
#include <QDir>
#include <QFile>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtQuickTest>

// Plays the part of the program's bridge: records every command the window
// sends, and lets a test emit the bridge's signals when it chooses.
class StandInBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QStringList commands READ commands NOTIFY commandsChanged)
    // Like the real controller, answer a request with sgWait(true) before
    // doConvert returns.
    Q_PROPERTY(bool answersWait MEMBER answersWait)
public:
    QStringList commands() const { return sent; }

    Q_INVOKABLE void doConvert(QString command)
    {
        sent << command;
        Q_EMIT commandsChanged();
        if (answersWait)
            Q_EMIT sgWait(true);
    }
    Q_INVOKABLE void reset()
    {
        sent.clear();
        answersWait = true;
        Q_EMIT commandsChanged();
    }
    Q_INVOKABLE void emitWait(bool wait) { Q_EMIT sgWait(wait); }
    Q_INVOKABLE void emitReady(QString fileName) { Q_EMIT sgResampReady(fileName); }
    Q_INVOKABLE void emitFailed(QString fileName, QString reason)
    {
        Q_EMIT sgResampFailed(fileName, reason);
    }

Q_SIGNALS:
    void commandsChanged();
    void sgWait(bool wait);
    void sgResampReady(QString fileName);
    void sgResampFailed(QString fileName, QString reason);

private:
    QStringList sent;
    bool answersWait = true;
};

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
        QCoreApplication::setOrganizationName(QStringLiteral("OrvaneTest"));
        QCoreApplication::setApplicationName(QStringLiteral("SabletideWindowTest"));
        makeFixtures();
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->rootContext()->setContextProperty(QStringLiteral("_data"), &bridge);
        engine->rootContext()->setContextProperty(QStringLiteral("_fixtures"),
                                                  scratch.filePath(QStringLiteral("drop")));
    }

private:
    // A folder to drop: audio files of several kinds and cases, a file that is
    // not audio, a subfolder (not entered) and a name with a comma. The window
    // only looks at names, so the files may be empty.
    void makeFixtures()
    {
        QDir root(scratch.path());
        root.mkpath(QStringLiteral("drop/songs/deeper"));
        root.mkpath(QStringLiteral("drop/empty"));
        root.mkpath(QStringLiteral("drop/with,comma"));
        const QStringList files{QStringLiteral("drop/songs/b.FLAC"),
                                QStringLiteral("drop/songs/a.wav"),
                                QStringLiteral("drop/songs/c.ogg"),
                                QStringLiteral("drop/songs/notes.txt"),
                                QStringLiteral("drop/songs/x,y.wav"),
                                QStringLiteral("drop/songs/deeper/d.wav"),
                                QStringLiteral("drop/with,comma/e.wav"),
                                QStringLiteral("drop/loose.aiff"),
                                QStringLiteral("drop/README")};
        for (const QString &f : files) {
            QFile file(root.filePath(f));
            if (!file.open(QIODevice::WriteOnly))
                qFatal("cannot write the fixture %s", qPrintable(file.fileName()));
        }
    }

    QTemporaryDir scratch;
    StandInBridge bridge;
};

QUICK_TEST_MAIN_WITH_SETUP(window, Setup)

#include "tst_window_qml.moc"
