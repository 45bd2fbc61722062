// The bridge between the QML window and the program: owns the QML engine,
// publishes itself as _data and carries requests and news across.
#pragma once

#include "bridge/rules.h"

#include <QObject>
#include <QQmlApplicationEngine>
#include <QVariantMap>

#include <functional>

class QQmlContext;
class QUrl;

class Data : public QObject
{
    Q_OBJECT
    // The engine's rules, for the window to ask rather than work out again.
    Q_PROPERTY(Rules *rules READ rules CONSTANT)
    // Absolute paths of the files and folders named on the command line, for
    // the window to put on its list when it opens.
    Q_PROPERTY(QStringList startInputs READ startInputs CONSTANT)
public:
    explicit Data(QObject *parent = nullptr);
    ~Data() override;

    void notifyWait(bool wait);
    void notifyResampReady(QString fileName);
    void notifyResampFailed(QString fileName, QString reason);
    // An input left alone because its output exists and the request said to skip it.
    void notifyResampSkipped(QString fileName, QString reason);
    void notifyResampStarted(QString fileName);
    // Output samples made so far of the input being converted, and how many
    // are expected (0 when unknown).
    void notifyResampProgress(QString fileName, qreal done, qreal total);
    void notifyResampClipped(QString fileName, qreal samples);
    void notifyResampWarning(QString fileName, QString text);
    void notifyProgress(QString fileName, double fraction);
    void notifyResampGain(QString fileName, double gainDb, bool ceilingHeld);

    Rules *rules() { return &engineRules; }
    static void setStartInputs(const QStringList &paths);
    QStringList startInputs() const;

    // The Qt Quick Controls style of the window, before it loads.
    static void chooseControlsStyle();
    // The window document, beside the executable.
    static QString documentPath();
    // True when the window document loaded and declared a window.
    bool isLoaded() const;

    // How openFolder asks the desktop to show a folder, true when something
    // took it: QDesktopServices unless replaced, as the screenshots do to
    // show a desktop that has no file manager.
    using FolderOpener = std::function<bool(const QUrl &)>;
    void setFolderOpener(FolderOpener opener);

Q_SIGNALS:
    void sgConvert(QString);
    void sgWait(bool wait);
    void sgResampReady(QString fileName);

public:
    // Converts, replacing outputs that exist.
    Q_INVOKABLE void doConvert(QString);
    // Converts, doing with outputs that exist what `existing` says:
    // "overwrite", "skip" or "fail".
    Q_INVOKABLE void doConvertWith(QString command, QString existing);
    // Converts with options that the command cannot carry, by name:
    // "existing" (as above), "pad" (bool), "fadeOutMs", "start" (seconds) and
    // "jobs": how many inputs convert side by side, each in a process of its
    // own; 0 or none lets the program judge, up to one per processor.
    Q_INVOKABLE void doConvertOptions(QString command, QVariantMap options);
    // Stops the running request and drops those that wait: the inputs being
    // converted and every one not yet started fail with "cancelled"; finished
    // outputs stay, and an input that finished first is still ready.
    Q_INVOKABLE void doCancel();
    // Shows a folder in the desktop's file manager; false when none took it,
    // as where no file manager is registered.
    Q_INVOKABLE bool openFolder(const QString &path) const;

Q_SIGNALS:
    // Each input's news comes in order: sgResampStarted, its progress, any
    // sgResampClipped, then one of sgResampReady, sgResampFailed or
    // sgResampSkipped; an input skipped, or stopped before it started, has
    // no start. Inputs converting side by side interleave their news.
    void sgResampFailed(QString fileName, QString reason);
    void sgConvertWith(QString command, QString existing);
    void sgConvertOptions(QString command, QVariantMap options);
    void sgCancel();
    void sgResampStarted(QString fileName);
    void sgResampProgress(QString fileName, qreal done, qreal total);
    void sgResampClipped(QString fileName, qreal samples);
    void sgResampSkipped(QString fileName, QString reason);
    // How much of an input's output is made, from 0 to 1: at most once per
    // hundredth and about 20 times a second for each input, between its
    // sgResampStarted and its end. An input that converts ends with 1 just
    // before its sgResampReady; one that fails or is stopped ends where it
    // stood. Nothing comes for an input whose length is unknown until then.
    void sgProgress(QString fileName, double fraction);
    // A converted input whose output is not all it seems, such as an input
    // that ends before the length its header gives; comes where
    // sgResampClipped would, before the input's end.
    void sgResampWarning(QString fileName, QString text);
    // The gain that an input's own level chose (a level target, or guard),
    // in decibels, and whether the true-peak ceiling held a loudness target
    // back; comes where sgResampClipped would, before the input's end.
    void sgResampGain(QString fileName, double gainDb, bool ceilingHeld);

private:
    // Before the engine: the window asks it while loading, and until it is gone.
    Rules engineRules;
    QQmlApplicationEngine engine;
    QQmlContext *context;
    FolderOpener folderOpener;
};
