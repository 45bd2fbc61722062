#include "convert/resampling.h"

#include "convert/earlycopy.h"
#include "convert/fileid.h"
#include "convert/logging.h"
#include "convert/placement.h"
#include "convert/riff.h"
#include "convert/scratch.h"
#include "convert/slot.h"
#include "convert/soxchain.h"
#include "convert/units.h"
#include "convert/wav.h"

#include <QCoreApplication>
#include <QDebug>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// Why the output cannot be written where asked; empty when it can.
QString outputProblem(const ConvertParams &p)
{
    const QFileInfo out(p.outputPath);
    if (p.outputPath.isEmpty())
        return QCoreApplication::translate("engine", "no output path");
    // A link to a folder is a link like any other, which the output replaces.
    if (out.isDir() && !out.isSymLink())
        return QCoreApplication::translate("engine", "the output path is a folder: %1")
            .arg(p.outputPath);
    const QString folder = placement::folderProblem(out.absolutePath());
    if (!folder.isEmpty())
        return folder;
    // A card's driver may give two spellings of one file two identities.
    if (out.exists() &&
        (fileId(p.inputPath) == fileId(p.outputPath) || sameWithoutCase(p.inputPath, p.outputPath)))
        return QCoreApplication::translate("engine",
                                           "the output would overwrite the input file itself");
    return QString();
}

// Writes `count` bytes of silence.
bool writeSilence(QIODevice &out, quint64 count, char value, QString *why)
{
    const QByteArray block(int(qMin<quint64>(count, 1 << 20)), value);
    while (count > 0) {
        const qint64 n = out.write(block.constData(), qint64(qMin<quint64>(count, block.size())));
        if (n <= 0) {
            *why = out.errorString();
            return false;
        }
        count -= quint64(n);
    }
    return true;
}

placement::Replace replaceFor(const ConvertParams &p)
{
    return p.mayReplace ? placement::Replace::Allowed : placement::Replace::Refused;
}

placement::Hooks placingFor(const ConvertHooks &hooks)
{
    placement::Hooks placing;
    placing.placed = hooks.placed;
    return placing;
}

// Cuts the samples of the finished scratch file to the requested size, from
// the requested start, and writes them behind a fresh header to the output
// path: faded out where the cut falls inside the sound, padded with silence
// where the sound ends before the size. What `early` copied while the chain
// ran is kept where it still stands as the cut wants it.
bool repackage(const ConvertParams &p, const ConvertHooks &hooks, const QString &scratchPath,
               EarlyCopy &early, QString *why, placement::Pending *pending)
{
    early.settle();
    QFile samples(scratchPath);
    if (!samples.open(QIODevice::ReadOnly)) {
        *why = QCoreApplication::translate("engine", "cannot read the scratch file back: %1")
                   .arg(samples.errorString());
        return false;
    }
    const DataChunk chunk = findDataChunk(samples);
    if (!chunk.found) {
        *why = QCoreApplication::translate("engine", "the conversion gave no sound data");
        return false;
    }
    const quint64 frameBytes = units::frameBytes(p.channels, p.bitsPerSample);
    const quint64 skip = p.slot.startFrame * frameBytes;
    if (skip > 0 && skip >= chunk.length) {
        *why = QCoreApplication::translate(
                   "engine", "the start lies at or after the end of the sound (%1 frames)")
                   .arg(chunk.length / frameBytes);
        return false;
    }
    const quint64 available = chunk.length - skip;
    const bool sized = p.fileSize > units::headerBytes;
    const quint64 room = sized ? p.fileSize - units::headerBytes : available;
    const quint64 taken = qMin(available, room);
    qDebug() << "sizeData" << taken << p.fileSize;
    const quint64 padding = p.slot.pad && sized ? room - taken : 0;
    if (taken + padding > units::maxDataBytes) {
        *why = QCoreApplication::translate(
            "engine", "the converted audio is larger than a WAV file can hold (4 GiB); "
                      "choose a size");
        return false;
    }
    // The fade ends at the cut, and only a cut inside the sound has one.
    const quint64 fadeBytes = available > taken ? slot::fadeBytes(p, taken) : 0;
    const QByteArray header = Wav().header(p.channels, p.sampleRate, p.bitsPerSample,
                                           static_cast<quint32>(taken + padding));
    // The copy took the samples from byte 44, where libsox's header ends.
    const bool kept = early.pending().isWaiting() && chunk.offset == units::headerBytes &&
                      early.copied() <= taken - fadeBytes;
    const quint64 copied = kept ? early.copied() : 0;
    if (kept)
        *pending = std::move(early.pending());
    else if (!placement::begin(p.outputPath, replaceFor(p), why, pending, placingFor(hooks)))
        return false;
    if (!samples.seek(chunk.offset + qint64(skip + copied))) {
        *why = QCoreApplication::translate("engine", "cannot read the scratch file back: %1")
                   .arg(samples.errorString());
        return false;
    }
    const auto body = [&](QIODevice &out, QString *problem) {
        if (out.write(header) != header.size() ||
            (copied > 0 && !out.seek(qint64(units::headerBytes + copied))) ||
            !copyBytes(samples, out, taken - fadeBytes - copied, hooks.cancel, problem))
            return false;
        if (fadeBytes > 0) {
            QByteArray tail = samples.read(qint64(fadeBytes));
            if (quint64(tail.size()) != fadeBytes) {
                *problem =
                    QCoreApplication::translate("engine", "cannot read the converted samples back");
                return false;
            }
            slot::fadeOut(tail.data(), fadeBytes, p.channels, p.bitsPerSample);
            if (out.write(tail) != tail.size())
                return false;
        }
        return writeSilence(out, padding, slot::silenceByte(p.bitsPerSample), problem);
    };
    return pending->finish(body, why);
}

} // namespace

Resampling::Resampling(QObject *parent) : QObject(parent) {}

Resampling::~Resampling() = default;

int Resampling::resample(const ConvertParams &params, QString *reason, const ConvertHooks &hooks)
{
    const Outcome outcome = run(params, hooks);
    if (reason)
        *reason = outcome.text();
    return outcome.isConverted() ? 1 : -1;
}

Outcome Resampling::run(const ConvertParams &params, const ConvertHooks &hooks)
{
    placement::Pending pending;
    const Outcome outcome = run(params, hooks, &pending);
    if (!outcome.isConverted())
        return outcome;
    const Outcome placed = commit(params, hooks.cancel, &pending);
    return placed.isConverted() ? outcome : placed;
}

Outcome Resampling::run(const ConvertParams &params, const ConvertHooks &hooks,
                        placement::Pending *pending)
{
    Outcome outcome;
    QString why = outputProblem(params);
    // Removed on every path, and while its lock still covers it.
    QTemporaryFile scratch;
    EarlyCopy early(params, scratch, replaceFor(params), placingFor(hooks));
    const auto written = [&early](quint64 samples) { early.advance(samples); };
    if (!why.isEmpty())
        outcome = Outcome::failed(why);
    else if (soxchain::run(params, hooks, scratch, &outcome, written) && !params.measureOnly &&
             !repackage(params, hooks, scratch.fileName(), early, &why, pending))
        outcome = Outcome::failed(why);
    // Nothing reads the scratch file once it goes.
    early.settle();
    scratch::discard(scratch);
    return outcome.isConverted() ? outcome : failedWith(params, hooks.cancel, outcome);
}

Outcome Resampling::commit(const ConvertParams &params, const std::atomic_bool *cancel,
                           placement::Pending *pending)
{
    // Measuring writes nothing.
    if (!pending->isWaiting())
        return Outcome();
    // A stop that came while the output waited for its turn keeps it off its
    // path, as it would have stopped its conversion.
    if (cancel && cancel->load()) {
        *pending = placement::Pending();
        return failedWith(params, cancel, Outcome::cancelled());
    }
    QString why;
    return pending->commit(&why) ? Outcome() : failedWith(params, cancel, Outcome::failed(why));
}

Outcome Resampling::failedWith(const ConvertParams &params, const std::atomic_bool *cancel,
                               Outcome outcome)
{
    // A stop may interrupt what the conversion was waiting for; its own words
    // would then blame the file.
    if (cancel && cancel->load())
        outcome = Outcome::cancelled();
    qCDebug(lcChain).noquote() << "failed" << params.inputPath << "-" << outcome.text();
    return outcome;
}
