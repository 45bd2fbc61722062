#include "bridge/data.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QQmlContext>
#include <QQuickStyle>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <cstdio>
#include <utility>

Data::Data(QObject *parent)
    : QObject(parent), engineRules(), engine(), context(engine.rootContext()),
      folderOpener([](const QUrl &url) { return QDesktopServices::openUrl(url); })
{
    chooseControlsStyle();
    context->setContextProperty(QStringLiteral("_data"), this);
    const QString path = documentPath();
    // From the local path, not parsed text: "#", "?" and "%20" in a folder's
    // name are then plain characters of the name.
    engine.load(QUrl::fromLocalFile(path));
    if (!isLoaded()) {
        std::fprintf(stderr, "sabletide: cannot load the window document %s\n", qPrintable(path));
        if (!engine.rootObjects().isEmpty())
            std::fprintf(stderr, "sabletide: %s declares no window\n", qPrintable(path));
        // Leave as soon as the event loop runs, rather than live on with no window.
        QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(1); });
    }
}

Data::~Data() = default;

void Data::chooseControlsStyle()
{
    // Qt Quick Controls' default style draws in shades of its own, whatever
    // the desktop's; Fusion takes the desktop's palette, dark or light. A
    // style the user or the desktop names still wins.
    // Once: a second window of the same program (as in the tests) finds the
    // style loaded, and Qt refuses a change then.
    static const bool chosen = [] {
        if (qEnvironmentVariableIsEmpty("QT_QUICK_CONTROLS_STYLE"))
            QQuickStyle::setStyle(QStringLiteral("Fusion"));
        return true;
    }();
    Q_UNUSED(chosen);
}

namespace {
// Set by main before the window loads, read by it while it loads.
QStringList &givenInputs()
{
    static QStringList paths;
    return paths;
}
} // namespace

void Data::setStartInputs(const QStringList &paths)
{
    givenInputs() = paths;
}

QStringList Data::startInputs() const
{
    return givenInputs();
}

QString Data::documentPath()
{
    return QCoreApplication::applicationDirPath() + QStringLiteral("/main.qml");
}

bool Data::isLoaded() const
{
    // A document without a window leaves nothing to close, so the program
    // would never end.
    const QList<QObject *> roots = engine.rootObjects();
    for (QObject *root : roots) {
        if (qobject_cast<QWindow *>(root))
            return true;
    }
    return false;
}

void Data::doConvert(QString command)
{
    Q_EMIT sgConvert(command);
}

void Data::doConvertWith(QString command, QString existing)
{
    Q_EMIT sgConvertWith(command, existing);
}

bool Data::openFolder(const QString &path) const
{
    // From the local path, so that "#" and "?" in a name stay in the name.
    return folderOpener(QUrl::fromLocalFile(path));
}

void Data::setFolderOpener(FolderOpener opener)
{
    folderOpener = std::move(opener);
}

void Data::notifyWait(bool wait)
{
    Q_EMIT sgWait(wait);
}

void Data::notifyResampReady(QString fileName)
{
    Q_EMIT sgResampReady(fileName);
}

void Data::notifyResampFailed(QString fileName, QString reason)
{
    Q_EMIT sgResampFailed(fileName, reason);
}

void Data::doConvertOptions(QString command, QVariantMap options)
{
    Q_EMIT sgConvertOptions(command, options);
}

void Data::doCancel()
{
    Q_EMIT sgCancel();
}

void Data::notifyResampStarted(QString fileName)
{
    Q_EMIT sgResampStarted(fileName);
}

void Data::notifyResampProgress(QString fileName, qreal done, qreal total)
{
    Q_EMIT sgResampProgress(fileName, done, total);
}

void Data::notifyResampClipped(QString fileName, qreal samples)
{
    Q_EMIT sgResampClipped(fileName, samples);
}

void Data::notifyResampWarning(QString fileName, QString text)
{
    Q_EMIT sgResampWarning(fileName, text);
}

void Data::notifyResampSkipped(QString fileName, QString reason)
{
    Q_EMIT sgResampSkipped(fileName, reason);
}

void Data::notifyProgress(QString fileName, double fraction)
{
    Q_EMIT sgProgress(fileName, fraction);
}

void Data::notifyResampGain(QString fileName, double gainDb, bool ceilingHeld)
{
    Q_EMIT sgResampGain(fileName, gainDb, ceilingHeld);
}
