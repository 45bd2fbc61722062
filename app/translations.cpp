#include "app/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QStringList translationFolders()
{
    const QString here = QCoreApplication::applicationDirPath();
    return {here + QStringLiteral("/translations"),
            QDir::cleanPath(here + QStringLiteral("/" SABLETIDE_INSTALLED_TRANSLATIONS))};
}

namespace {

bool install(QCoreApplication &app, const QLocale &locale, const QString &name,
             const QString &folder)
{
    auto *translator = new QTranslator(&app);
    if (translator->load(locale, name, QStringLiteral("_"), folder) &&
        QCoreApplication::installTranslator(translator))
        return true;
    delete translator;
    return false;
}

} // namespace

int installTranslations(QCoreApplication &app, const QLocale &locale, const QStringList &folders)
{
    int installed = 0;
    // The window's own words, and the engine's messages that it shows.
    for (const char *name : {"sabletide", "sabletide_engine"}) {
        for (const QString &folder : folders) {
            if (install(app, locale, QLatin1String(name), folder)) {
                ++installed;
                break;
            }
        }
    }
    // Qt's dialogs and its command-line help: "qt" gathers every module's
    // catalogue where the distribution ships them (qttranslations5-l10n).
    const QString qtFolder = QLibraryInfo::location(QLibraryInfo::TranslationsPath);
    if (install(app, locale, QStringLiteral("qt"), qtFolder) ||
        install(app, locale, QStringLiteral("qtbase"), qtFolder))
        ++installed;
    return installed;
}
