#include "convert/preview.h"

#include "convert/batch.h"
#include "convert/chainbuilder.h"
#include "convert/logging.h"
#include "convert/overview.h"
#include "convert/resampling.h"
#include "convert/scratch.h"
#include "convert/soxhandles.h"
#include "convert/soxinput.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFile>
#include <QPair>
#include <QTemporaryFile>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace preview {

namespace {

QString outputName(const QByteArray &type)
{
    if (type == "pulseaudio")
        return QStringLiteral("PulseAudio");
    if (type == "alsa")
        return QStringLiteral("ALSA");
    return QString::fromLocal8Bit(type);
}

// libsox says "can't open output file `default': <why>"; the why is the news.
QString openFailure(const QString &message)
{
    const QLatin1String prefix("can't open output file `");
    const int end = message.indexOf(QLatin1String("': "));
    if (message.startsWith(prefix) && end > 0)
        return message.mid(end + 3);
    return message.isEmpty() ? QCoreApplication::translate("engine", "it cannot be opened")
                             : message;
}

// A sound output being opened on a thread of its own. A device may block its
// open for ever (an OSS device on a pipe that nobody reads): whoever asked
// stops waiting when stopped, and nothing else waits for the opener, not even
// the program's exit. Shared by both, so that neither outlives what it uses;
// an opener that finishes after being given up closes what it opened.
struct Opening
{
    sox::Hold hold; // libsox stays loaded for the opener
    std::mutex lock;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    sox_format_t *format = nullptr;
    // Of each output that failed: its type and libsox's message.
    QVector<QPair<QByteArray, QString>> failures;
};

void openFirst(const std::shared_ptr<Opening> &opening, const QVector<Output> &outputs,
               sox_signalinfo_t signal)
{
    sox_format_t *opened = nullptr;
    QVector<QPair<QByteArray, QString>> failures;
    for (const Output &o : outputs) {
        qCDebug(lcPreview).noquote() << "opening the sound output" << o.type << o.device;
        sox::clearLastMessage();
        opened = sox_open_write(o.device.constData(), &signal, nullptr, o.type.constData(), nullptr,
                                nullptr);
        if (opened)
            break;
        failures.append({o.type, sox::lastMessage()});
    }
    std::unique_lock<std::mutex> locker(opening->lock);
    if (opening->abandoned) {
        locker.unlock();
        if (opened)
            sox_close(opened);
        return;
    }
    opening->format = opened;
    opening->failures = failures;
    opening->done = true;
    opening->finished.notify_all();
}

// The first of `outputs` that opens, for sound at `rate` and `channels`; null
// with the reason when none does, or cancelled once `stop` is set.
sox::Format openOutput(const QVector<Output> &outputs, quint32 rate, quint32 channels,
                       const std::atomic_bool *stop, QString *why)
{
    if (!sox::ensureStarted()) {
        *why = QCoreApplication::translate(
            "engine", "No sound output is available: the sound library could not be started");
        return nullptr;
    }
    sox_signalinfo_t signal{};
    // Sound servers and cards take two channels and common rates; the chain
    // mixes down and resamples what they do not take, for listening only.
    signal.rate = rate <= 192000 ? rate : 48000;
    signal.channels = qMin(channels, 2u);
    signal.precision = 32;
    auto opening = std::make_shared<Opening>();
    std::thread([opening, outputs, signal] { openFirst(opening, outputs, signal); }).detach();
    std::unique_lock<std::mutex> locker(opening->lock);
    while (!opening->done) {
        if (stop && stop->load()) {
            opening->abandoned = true;
            *why = ::Outcome::cancelled().text();
            return nullptr;
        }
        // The stop flag has no wake-up of its own.
        opening->finished.wait_for(locker, std::chrono::milliseconds(20));
    }
    if (opening->format)
        return sox::Format(opening->format);
    QStringList reasons;
    for (const auto &failure : qAsConst(opening->failures))
        reasons << QStringLiteral("%1: %2").arg(outputName(failure.first),
                                                openFailure(failure.second));
    *why = QCoreApplication::translate("engine", "No sound output is available: %1")
               .arg(reasons.isEmpty() ? QCoreApplication::translate("engine", "none is configured")
                                      : reasons.join(QLatin1String("; ")));
    return nullptr;
}

Outcome playTo(sox_format_t *out, const QString &path, const PlayHooks &hooks, QString *why)
{
    ::Outcome problem;
    sox::Format in = soxinput::open(path, &problem);
    if (!in) {
        *why =
            ::Outcome::failed(QCoreApplication::translate("engine", "cannot read the preview back"),
                              problem.text())
                .text();
        return Outcome::Failed;
    }
    if (hooks.playing)
        hooks.playing();
    bool writeFailed = false;
    const owneffects::SampleSink sink = [&](const qint32 *samples, size_t count) {
        writeFailed = sox_write(out, samples, count) != count;
        return !writeFailed;
    };
    ::Outcome played;
    if (streamSamples(in.get(), quint32(out->signal.rate), out->signal.channels, sink, hooks.stop,
                      &played))
        return Outcome::Played;
    if (played.isCancelled()) {
        *why = played.text();
        return Outcome::Stopped;
    }
    if (writeFailed)
        played = ::Outcome::failed(
            QCoreApplication::translate("engine", "the sound output stopped taking sound"),
            QString::fromLocal8Bit(out->sox_errstr));
    *why = played.text();
    return Outcome::Failed;
}

} // namespace

QVector<Output> defaultOutputs()
{
    const QByteArray driver = qgetenv("AUDIODRIVER");
    if (!driver.isEmpty()) {
        const QByteArray device = qgetenv("AUDIODEV");
        return {{driver, device.isEmpty() ? QByteArrayLiteral("default") : device}};
    }
    return {{QByteArrayLiteral("pulseaudio"), QByteArrayLiteral("default")},
            {QByteArrayLiteral("alsa"), QByteArrayLiteral("default")}};
}

void prepareProcess()
{
    if (!qEnvironmentVariableIsSet("PULSE_LATENCY_MSEC"))
        qputenv("PULSE_LATENCY_MSEC", "100");
    // libsox loads its format plugins (FLAC, Ogg, MP3) at the first lookup of
    // one, and a lookup on another thread meanwhile finds none and fails the
    // file: load them while no other thread can look.
    sox::loadAllFormats();
}

bool requestFor(const QString &command, const QVariantMap &options, const QString &input,
                ConvertCommand *request, QString *error)
{
    ConvertCommand c;
    RequestOptions read;
    if (!command::parse(command, &c, error) || !readRequestOptions(options, &read, error))
        return false;
    applyOptions(read, &c);
    // The input's own start, where the request gives it one, is the start.
    const int at = c.inputs.indexOf(input);
    if (at >= 0)
        c.slot.startFrame = c.startFrameOf(at);
    c.startFrames.clear();
    c.inputs = QStringList{input};
    *request = c;
    return true;
}

Plan planOne(const ConvertCommand &request, const QString &input)
{
    ConvertCommand c = request;
    c.inputs = QStringList{input};
    // A folder that is never made: no output can stand there or land on the
    // input. The preview's bytes go to a file of their own.
    c.outputFolder = QDir::tempPath() + QStringLiteral("/.sabletide-preview-never-made/");
    c.suffix.clear();
    return makePlan(c, Existing::Overwrite);
}

QString startText(quint64 frame, quint32 rate)
{
    if (rate == 0)
        return QStringLiteral("0");
    const unsigned __int128 scaled = (unsigned __int128)frame * 1000000000u;
    const quint64 ns = quint64((scaled + rate / 2) / rate);
    QString text = QString::number(ns / 1000000000u);
    const quint64 fraction = ns % 1000000000u;
    if (fraction > 0) {
        QString decimals = QString::number(fraction).rightJustified(9, QLatin1Char('0'));
        while (decimals.endsWith(QLatin1Char('0')))
            decimals.chop(1);
        text += QLatin1Char('.') + decimals;
    }
    return text;
}

bool SlotFile::make(const Plan &plan, const PlanRow &row, const std::atomic_bool *cancel,
                    QString *why)
{
    const QString folder = QDir::tempPath();
    if (folder.isEmpty()) {
        *why = QCoreApplication::translate(
                   "engine", "cannot make the preview: the temporary folder %1 does not exist")
                   .arg(qEnvironmentVariable("TMPDIR"));
        return false;
    }
    // Claims a fresh name, which the output then replaces.
    QTemporaryFile placeholder(scratch::previewTemplate(folder));
    if (!placeholder.open()) {
        *why = QCoreApplication::translate("engine", "cannot make the preview in %1: %2")
                   .arg(folder, placeholder.errorString());
        return false;
    }
    placeholder.setAutoRemove(false);
    name = placeholder.fileName();
    held = ::fcntl(int(placeholder.handle()), F_DUPFD_CLOEXEC, 0);
    scratch::hold(held);
    placeholder.close();

    ConvertParams params = plan.params(row);
    params.outputPath = name;
    params.mayReplace = true;
    ConvertHooks hooks;
    hooks.cancel = cancel;
    // The output comes locked from its partial file; a copy of its descriptor
    // keeps it so, with no moment between in which a sweep could take it.
    int output = -1;
    hooks.placed = [&output](int fd) { output = ::fcntl(fd, F_DUPFD_CLOEXEC, 0); };
    if (Resampling().resample(params, why, hooks) != 1)
        return false;
    if (held >= 0)
        ::close(held);
    held = output;
    return true;
}

SlotFile::~SlotFile()
{
    // Removed before it is let go, so that no sweep finds it unlocked.
    if (!name.isEmpty())
        ::unlink(QFile::encodeName(name).constData());
    if (held >= 0)
        ::close(held);
}

Outcome play(const ConvertCommand &request, const QString &input, const QVector<Output> &outputs,
             const PlayHooks &hooks, QString *why)
{
    const auto stopped = [&hooks] { return hooks.stop && hooks.stop->load(); };
    // The output first: without one there is nothing to make the preview for.
    sox::Format out = openOutput(outputs, request.sampleRate, request.channels, hooks.stop, why);
    if (!out)
        return stopped() ? Outcome::Stopped : Outcome::Failed;
    const Plan plan = planOne(request, input);
    const PlanRow &row = plan.rows.first();
    if (row.status != PlanRow::Status::Convert) {
        *why = row.reason;
        return Outcome::Failed;
    }
    SlotFile file;
    if (!file.make(plan, row, hooks.stop, why))
        return stopped() ? Outcome::Stopped : Outcome::Failed;
    return playTo(out.get(), file.path(), hooks, why);
}

} // namespace preview
