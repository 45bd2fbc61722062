// The bridge as the window's Qt Quick tests see it: a stand-in that carries
// the engine's real rules, so that each test decides what the program answers.
#pragma once

#include "bridge/rules.h"

#include <QObject>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

// Plays the part of the program's bridge: records every request the window
// sends, and lets a test emit the bridge's signals when it chooses.
class StandInBridge : public QObject
{
    Q_OBJECT
    Q_PROPERTY(Rules *rules READ rules CONSTANT)
    Q_PROPERTY(QStringList commands READ commands NOTIFY commandsChanged)
    // Beside each command, the options it went with, and their "existing".
    Q_PROPERTY(QVariantList options MEMBER optionsSent NOTIFY commandsChanged)
    Q_PROPERTY(QStringList existing MEMBER existingSent NOTIFY commandsChanged)
    Q_PROPERTY(int cancels MEMBER cancels NOTIFY commandsChanged)
    // Like the real controller, answer a request with sgWait(true) before
    // doConvertOptions returns.
    Q_PROPERTY(bool answersWait MEMBER answersWait)
    // What openFolder answers, as the desktop would, and the folders asked for.
    Q_PROPERTY(bool folderOpens MEMBER folderOpens)
    Q_PROPERTY(QStringList openedFolders MEMBER openedFolders)
public:
    QStringList commands() const { return sent; }
    Rules *rules() { return &engineRules; }

    Q_INVOKABLE void doConvertOptions(QString command, QVariantMap options)
    {
        sent << command;
        optionsSent << options;
        existingSent << options.value(QStringLiteral("existing")).toString();
        Q_EMIT commandsChanged();
        if (answersWait)
            Q_EMIT sgWait(true);
    }
    Q_INVOKABLE void doCancel()
    {
        ++cancels;
        Q_EMIT commandsChanged();
    }
    Q_INVOKABLE bool openFolder(const QString &path)
    {
        openedFolders << path;
        return folderOpens;
    }
    Q_INVOKABLE void reset()
    {
        openedFolders.clear();
        folderOpens = true;
        sent.clear();
        optionsSent.clear();
        existingSent.clear();
        cancels = 0;
        answersWait = true;
        Q_EMIT commandsChanged();
    }
    Q_INVOKABLE void emitWait(bool wait) { Q_EMIT sgWait(wait); }
    Q_INVOKABLE void emitReady(QString fileName) { Q_EMIT sgResampReady(fileName); }
    Q_INVOKABLE void emitFailed(QString fileName, QString reason)
    {
        Q_EMIT sgResampFailed(fileName, reason);
    }
    Q_INVOKABLE void emitSkipped(QString fileName, QString reason)
    {
        Q_EMIT sgResampSkipped(fileName, reason);
    }
    Q_INVOKABLE void emitStarted(QString fileName) { Q_EMIT sgResampStarted(fileName); }
    Q_INVOKABLE void emitProgress(QString fileName, qreal done, qreal total)
    {
        Q_EMIT sgResampProgress(fileName, done, total);
    }
    Q_INVOKABLE void emitClipped(QString fileName, qreal samples)
    {
        Q_EMIT sgResampClipped(fileName, samples);
    }
    Q_INVOKABLE void emitFraction(QString fileName, double fraction)
    {
        Q_EMIT sgProgress(fileName, fraction);
    }
    Q_INVOKABLE void emitGain(QString fileName, double gainDb, bool ceilingHeld)
    {
        Q_EMIT sgResampGain(fileName, gainDb, ceilingHeld);
    }

Q_SIGNALS:
    void commandsChanged();
    void sgWait(bool wait);
    void sgResampReady(QString fileName);
    void sgResampFailed(QString fileName, QString reason);
    void sgResampSkipped(QString fileName, QString reason);
    void sgResampStarted(QString fileName);
    void sgResampProgress(QString fileName, qreal done, qreal total);
    void sgResampClipped(QString fileName, qreal samples);
    void sgProgress(QString fileName, double fraction);
    void sgResampGain(QString fileName, double gainDb, bool ceilingHeld);

private:
    Rules engineRules;
    QStringList sent;
    QVariantList optionsSent;
    QStringList existingSent;
    int cancels = 0;
    bool answersWait = true;
    bool folderOpens = true;
    QStringList openedFolders;
};
