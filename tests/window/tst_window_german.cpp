// Runs the window's German Qt Quick tests (german.qml): the locale set
// to German and the translations that start-up installs for it, made by this
// build. The bridge is a stand-in that carries the engine's real rules.
#include "app/translations.h"
#include "bridge/rules.h"

#include <QCoreApplication>
#include <QQmlContext>
#include <QQmlEngine>
#include <QtQuickTest>

class RulesOnly : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Rules *rules READ rules CONSTANT)
public:
    Rules *rules() { return &engineRules; }

private:
    Rules engineRules;
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
    }

    void qmlEngineAvailable(QQmlEngine *engine)
    {
        engine->rootContext()->setContextProperty(QStringLiteral("_data"), &bridge);
    }

private:
    RulesOnly bridge;
};

QUICK_TEST_MAIN_WITH_SETUP(window_german, Setup)

#include "tst_window_german.moc"
