// What the window shows and plays of one input before converting it: the
// planner's slot for it, its waveform overview, and its output's bytes to
// listen to. The work runs off the GUI thread; answers come back as
// properties and signals.
#pragma once

#include "convert/overview.h"
#include "convert/preview.h"

#include <QObject>
#include <QVariant>
#include <QVariantMap>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

class PreviewWorker;

// Registers WaveformItem and SlotPreview for QML as "import Sabletide.Preview
// 1.0", and prepares the process for sound (preview::prepareProcess). Call
// once at start-up, before the window loads and before other threads run.
void registerPreviewTypes();

class SlotPreview : public QObject
{
    Q_OBJECT
    // The input that doShow last named.
    Q_PROPERTY(QString input READ input NOTIFY slotChanged)
    // The planner's row for it, for WaveformItem: { ok, reason, totalFrames,
    // startFrame, cutFrame, fadeFrames, padFrames, rate, bytes }; frames and
    // bytes as doubles. ok is false, with the reason, where the conversion
    // would refuse the input (a start past the end, an unreadable file);
    // the frames then say what is known. Empty until the first answer.
    Q_PROPERTY(QVariantMap slot READ slot NOTIFY slotChanged)
    // Its Overview at the command's rate and channels, for WaveformItem's
    // overview; null while it is being made or when it cannot be.
    Q_PROPERTY(QVariant overview READ overview NOTIFY overviewChanged)
    // From 0 to 1 while the overview is being made, else -1.
    Q_PROPERTY(double overviewProgress READ overviewProgress NOTIFY overviewProgressChanged)
    // "idle", "preparing" (making the bytes to play) or "playing".
    Q_PROPERTY(QString playState READ playState NOTIFY playStateChanged)
    // The input being prepared or played; empty when idle.
    Q_PROPERTY(QString playingInput READ playingInput NOTIFY playStateChanged)

public:
    explicit SlotPreview(QObject *parent = nullptr);
    // Stops and waits for its work, as shutdown() does.
    ~SlotPreview() override;

    // Shows `input` under the window's convert command and options (those it
    // would send to doConvertOptions; "existing" is ignored, and so are the
    // command's inputs): plans its slot and makes or finds its overview.
    // Asking for another input or format stops the overview being made: the
    // window shows one at a time. Overviews already made are kept, by file
    // and format, until the file changes or doForget drops them.
    Q_INVOKABLE void doShow(const QString &command, const QVariantMap &options,
                            const QString &input);
    // Drops what is kept of `input`: call it when the file leaves the list.
    Q_INVOKABLE void doForget(const QString &input);
    // Makes the bytes that `input`'s output will hold, as doShow would plan
    // it, and plays them; a preview that plays is stopped first.
    Q_INVOKABLE void doPlay(const QString &command, const QVariantMap &options,
                            const QString &input);
    // Stops the preview at once: playState is "idle" on return, and
    // sgPlayEnded follows when the sound output has closed.
    Q_INVOKABLE void doStop();
    // The start option's text that lands on `frame` at `rate`, for a start
    // marker dragged to it.
    Q_INVOKABLE QString startText(double frame, double rate) const;

    QString input() const { return shownInput; }
    QVariantMap slot() const { return slotValue; }
    QVariant overview() const { return overviewValue; }
    double overviewProgress() const { return progress; }
    QString playState() const { return state; }
    QString playingInput() const { return playInput; }

    // Where previews play; preview::defaultOutputs() unless set.
    void setOutputs(const QVector<preview::Output> &outputs);
    // Stops the preview, cancels the overviews and waits for all of it to end.
    void shutdown();

Q_SIGNALS:
    void slotChanged();
    void overviewChanged();
    void overviewProgressChanged();
    void playStateChanged();
    void sgOverviewFailed(QString input, QString reason);
    // Nothing could play: the reason says why ("No sound output is
    // available: ...", or why the input cannot convert).
    void sgPlayFailed(QString input, QString reason);
    // The preview played to its end, or was stopped.
    void sgPlayEnded(QString input);

private Q_SLOTS:
    // Runs what the workers handed back, on the GUI thread.
    void slDeliver();

private:
    struct OverviewJob
    {
        QString input;
        quint32 rate;
        quint32 channels;
        std::shared_ptr<std::atomic_bool> cancel;
    };

    void showOverview(const QString &input, quint32 rate, quint32 channels);
    void setOverview(const QVariant &value, const QString &input, quint32 rate, quint32 channels);
    void setProgress(double value);
    void setState(const QString &value, const QString &input);
    void cancelOverviews(const QString &except, quint32 rate, quint32 channels);
    // From a worker: runs `answer` on the GUI thread.
    void deliver(std::function<void()> answer);

    // GUI thread only; workers get copies and answer through deliver().
    QString shownInput;
    QVariantMap slotValue;
    QVariant overviewValue;
    QString overviewKey; // input, rate and channels of overviewValue
    double progress = -1;
    QString state = QStringLiteral("idle");
    QString playInput;
    QVector<OverviewJob> overviewJobs;
    std::shared_ptr<std::atomic_bool> playStop;
    quint64 playSerial = 0;
    QVector<preview::Output> outputs;
    overview::Cache cache;
    // Read by the planning worker to skip requests overtaken while queued.
    std::atomic<quint64> showSerial{0};

    // Answers on their way to the GUI thread. A std::mutex rather than Qt's
    // event queue carries them, so that ThreadSanitizer sees the hand-over.
    std::mutex mailLock;
    std::vector<std::function<void()>> mail;

    std::unique_ptr<PreviewWorker> planning;
    std::unique_ptr<PreviewWorker> overviews;
    // Playback's libsox use stays on this one thread, but for the opening of
    // the sound output, which may block for ever: that runs on a thread of
    // its own that neither this one nor the program's exit waits for.
    std::unique_ptr<PreviewWorker> playback;
};
