// Runs the window's German Qt Quick tests (german.qml): the locale set
// to German and the translations that start-up installs for it, made by this
// build. The bridge is a stand-in that carries the engine's real rules, keeps
// the commands the window sends and lets a test answer them.
#include "app/translations.h"
#include "bridge/preview.h"
#include "bridge/rules.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtQuickTest>

class StandInBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Rules *rules READ rules CONSTANT)
    Q_PROPERTY(QStringList commands MEMBER sent)
public:
    Rules *rules() { return &engineRules; }

    Q_INVOKABLE void doConvertOptions(const QString &command, const QVariantMap &)
    {
        sent << command;
        Q_EMIT sgWait(true);
    }
    Q_INVOKABLE void doCancel() {}
    Q_INVOKABLE void reset() { sent.clear(); }
    Q_INVOKABLE void emitWait(bool wait) { Q_EMIT sgWait(wait); }
    Q_INVOKABLE void emitReady(const QString &fileName) { Q_EMIT sgResampReady(fileName); }
    Q_INVOKABLE void emitFailed(const QString &fileName, const QString &reason)
    {
        Q_EMIT sgResampFailed(fileName, reason);
    }

Q_SIGNALS:
    void sgWait(bool wait);
    void sgResampReady(QString fileName);
    void sgResampFailed(QString fileName, QString reason);
    void sgResampSkipped(QString fileName, QString reason);
    void sgResampStarted(QString fileName);
    void sgResampProgress(QString fileName, qreal done, qreal total);
    void sgResampClipped(QString fileName, qreal samples);

private:
    Rules engineRules;
    QStringList sent;
};

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
        registerPreviewTypes();
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

QUICK_TEST_MAIN_WITH_SETUP(window_german, Setup)

#include "tst_window_german.moc"
