// The engine's rules as the window asks for them: output names, sizes and
// frames, and the files that dropped folders stand for. The bridge publishes
// one as _data.rules, so that the window and the command-line tool cannot
// disagree; none of these answers is worked out here a second time.
#pragma once

#include <QObject>
#include <QStringList>
#include <QThreadPool>
#include <QVariantList>
#include <QVariantMap>

#include <atomic>

class Rules : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int headerBytes READ headerBytes CONSTANT)
    // A double: QML has no integer that holds 4294967295.
    Q_PROPERTY(double maxFileBytes READ maxFileBytes CONSTANT)
    Q_PROPERTY(int maxSampleRate READ maxSampleRate CONSTANT)
    Q_PROPERTY(int maxChannels READ maxChannels CONSTANT)
    Q_PROPERTY(QStringList audioExtensions READ audioExtensions CONSTANT)
    // The built-in slot presets in the form's terms, each a map: name, rate,
    // channels, bits, durationMode, duration (seconds, as text), size (bytes,
    // as text), suffix, pad, fadeOutMs, and the sound options under Form::values()'
    // keys (a level as text, "" where not asked for).
    Q_PROPERTY(QVariantList presets READ presets CONSTANT)
public:
    explicit Rules(QObject *parent = nullptr);
    // Waits for the folder scans still running: they answer through this object.
    ~Rules() override;

    int headerBytes() const;
    double maxFileBytes() const;
    int maxSampleRate() const;
    int maxChannels() const;
    QStringList audioExtensions() const;
    QVariantList presets() const;

    // The person's own presets, as the window keeps them with its settings
    // (presets::readOwn), and keeping a new list of them: "" or why not.
    Q_INVOKABLE QVariantList ownPresets() const;
    Q_INVOKABLE QString keepOwnPresets(const QVariantList &own) const;

    Q_INVOKABLE QString outputPath(const QString &input, const QString &folder,
                                   const QString &suffix) const;
    Q_INVOKABLE bool isAudioFileName(const QString &name) const;
    Q_INVOKABLE int frameBytes(int channels, int bits) const;

    // { ok, value }: a whole number within the limits of a convert command.
    Q_INVOKABLE QVariantMap checkRate(const QString &text) const;
    Q_INVOKABLE QVariantMap checkChannels(const QString &text) const;
    // { ok, bytes, error }: a total size as the command-line tool reads it
    // ("65580", "1.5 MiB"); error follows the value in a sentence ("is empty").
    Q_INVOKABLE QVariantMap parseSize(const QString &text) const;
    // { ok, bytes, error }: the total size that `text` of sound makes at this
    // format ("0.7", "1:30"), as the command-line tool's --duration makes it.
    Q_INVOKABLE QVariantMap sizeForDuration(const QString &text, int rate, int channels,
                                            int bits) const;
    // { frames, whole, lower, upper } of a total size: the whole frames it
    // holds, whether it ends on a frame, and the whole-frame sizes just below
    // and above it (null where none holds a frame or fits in a WAV file).
    Q_INVOKABLE QVariantMap sizeLayout(double bytes, int channels, int bits) const;

    // The convert command of a checked form.
    Q_INVOKABLE QString composeCommand(int rate, int channels, int bits, double size,
                                       const QString &folder, const QString &suffix,
                                       const QStringList &inputs) const;

    // Outputs that would destroy an input or each other, found from the paths
    // alone, without the disk (the run itself compares files by identity):
    // [{ input, output, other, kind }], kind "itself" (other empty), "input"
    // (lands on the input `other`) or "shared" (`other` writes it first).
    Q_INVOKABLE QVariantList outputClashes(const QStringList &inputs, const QString &folder,
                                           const QString &suffix) const;
    // The outputs of `inputs` at which something already stands; each in its
    // own folder of `subfolders` inside `folder`, where given.
    Q_INVOKABLE QStringList existingOutputs(const QStringList &inputs, const QString &folder,
                                            const QString &suffix,
                                            const QStringList &subfolders = {}) const;

    // The output folder that the window's folder field names: "~" and "~/..."
    // are the home folder.
    Q_INVOKABLE QString typedFolder(const QString &typed) const;

    // { ok, missing, reason }: whether outputs can be written into `folder`,
    // judged as each output of a run is judged; missing: it only does not
    // exist yet, and makeFolder may make it.
    Q_INVOKABLE QVariantMap checkOutputFolder(const QString &folder) const;
    // Makes `folder` and the folders above it that are missing; "" when it
    // then stands, or why not.
    Q_INVOKABLE QString makeFolder(const QString &folder) const;

    // Opens folders up into their audio files, on a thread of its own, exactly
    // as the command-line tool does; each path on its own, so that one folder
    // refused does not cost the others. Returns the number that the answer,
    // sgInputsFound, carries. Answers come in the order of the requests.
    // With `tree`, folders are walked to any depth as sabletide-cli's -R walks
    // them, and each file found comes with its folder relative to the folder
    // given, for its output to keep that place under the output folder.
    Q_INVOKABLE int findInputs(const QStringList &paths, bool tree = false);
    // True when `folder` holds a folder that is not hidden, whose files
    // findInputs with `tree` would add as well.
    Q_INVOKABLE bool hasSubfolders(const QString &folder) const;

    // { ok, error }: one request option by its name ("pad", "fadeOutMs",
    // "start", "existing"), judged as the request will judge it.
    Q_INVOKABLE QVariantMap checkOption(const QString &name, const QVariant &value) const;

    // Plans `command` with `options` (as the request carries them) exactly as
    // the run will, on a thread of its own: libsox opens each input's header.
    // Returns the number that the answer, sgPlanned, carries. A request that a
    // later one overtakes before it starts is dropped unanswered: only the
    // form as it stands is worth the disk.
    Q_INVOKABLE int planRequest(const QString &command, const QVariantMap &options);

Q_SIGNALS:
    // refused: [{ path, reason, empty }]; empty is true, with no reason, for a
    // folder that holds no audio file.
    // subfolders: one for each of `paths` ("" for none) when the request
    // walked a tree; empty otherwise.
    void sgInputsFound(int request, QStringList paths, QVariantList refused,
                       QStringList subfolders);
    // One map per input, in the order of the command: input, output, status
    // ("convert", "skip" or "refused"), reason, the planner's sizes (bytes,
    // bytesExact, shortBy, padBytes) and output frames (startFrame, cutFrame,
    // fadeFrames), the same spans in seconds of output for display
    // (startSeconds, cutSeconds, fadeSeconds, padSeconds) and facts: { opened,
    // format, sampleRate, channels, bits, frames, seconds }. error: why the
    // command or its options were refused as a whole (rows then empty).
    void sgPlanned(int request, QVariantList rows, QString error);

private:
    QThreadPool scans;
    int lastRequest = 0;
    // Plans run one at a time, apart from the scans, so that a slow disk
    // under one never holds up the other.
    QThreadPool planners;
    std::atomic_int lastPlan{0};
};
