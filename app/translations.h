// Puts the program's words in the language of the locale it starts in:
// Sabletide's own translations and Qt's, where there are any for it.
#pragma once

#include <QLocale>
#include <QStringList>

class QCoreApplication;

// The folders that hold Sabletide's .qm files: translations/ beside the
// executable (the build tree), then where the package installs them.
QStringList translationFolders();

// Installs on `app` the translators for `locale`: Sabletide's own (the
// window's words and the engine's messages), each from the first of `folders`
// that has it, and Qt's own catalogue from Qt's folder.
// Returns how many it installed; English, the language of the source, needs
// none. The translators belong to `app`.
int installTranslations(QCoreApplication &app, const QLocale &locale = QLocale(),
                        const QStringList &folders = translationFolders());
