// Listening to a slot before converting: the bytes its output will hold, made
// by the very call that writes outputs, played through libsox's own sound
// output.
#pragma once

#include "convert/plan.h"

#include <QByteArray>
#include <QVariantMap>
#include <QVector>

#include <atomic>
#include <functional>

namespace preview {

// A sound output as libsox opens it: its file type and device name.
struct Output
{
    QByteArray type;
    QByteArray device;
};

// Where previews play: $AUDIODRIVER on $AUDIODEV (else "default") when set,
// as the sox command reads them; otherwise PulseAudio's default output, then
// ALSA's.
QVector<Output> defaultOutputs();

// Readies the process for previews: asks PulseAudio for a tenth of a second
// of buffer instead of its two, so that a stopped preview falls silent at once
// (libsox drains the output when it closes it; a $PULSE_LATENCY_MSEC that is
// set is left alone), and loads libsox's format plugins, whose loading is not
// safe while other threads open files. Changes the environment: call it at
// start-up, before other threads run.
void prepareProcess();

// The request that the window's convert command and options make, narrowed
// to `input`. False, with the reason, for a command or options that cannot
// be read.
bool requestFor(const QString &command, const QVariantMap &options, const QString &input,
                ConvertCommand *request, QString *error);

// The plan of `input` alone under `request`, with its output in the temporary
// folder, so that only what concerns the sound itself refuses it (a start past
// its end, a whole sound larger than a WAV file can hold), not its output path.
Plan planOne(const ConvertCommand &request, const QString &input);

// The text of the start option that lands on `frame` again: seconds to the
// nanosecond, which the start option rounds back to the same frame.
QString startText(quint64 frame, quint32 rate);

// The bytes that one planned output will hold, in a private file of the
// temporary folder that goes with this object. Named after this process and
// locked by it from its creation to its removal, so that only one that a
// killed run left is swept.
class SlotFile
{
public:
    SlotFile() = default;
    ~SlotFile();
    SlotFile(const SlotFile &) = delete;
    SlotFile &operator=(const SlotFile &) = delete;

    // Writes the output of `row` of `plan` with Resampling::resample, the call
    // that writes outputs, to this file instead of the output path. False,
    // with the reason (a conversion's reason, or "cancelled"), otherwise.
    // Call once.
    bool make(const Plan &plan, const PlanRow &row, const std::atomic_bool *cancel, QString *why);
    QString path() const { return name; }

private:
    QString name;
    // A descriptor of the file at `name`, whose lock it holds.
    int held = -1;
};

enum class Outcome { Played, Stopped, Failed };

struct PlayHooks
{
    // Polled between libsox's buffers while the file is made and played.
    const std::atomic_bool *stop = nullptr;
    // The output opened: sound begins.
    std::function<void()> playing;
};

// Plays the WAV file `path` to the first of `outputs` that opens. Fails with
// "No sound output is available: " and libsox's reasons when none opens.
Outcome playFile(const QString &path, const QVector<Output> &outputs, const PlayHooks &hooks,
                 QString *why);

// Plans `input` under `request`, makes its output's bytes, plays them and
// removes them again, also when stopped or failing.
Outcome play(const ConvertCommand &request, const QString &input, const QVector<Output> &outputs,
             const PlayHooks &hooks, QString *why);

} // namespace preview
