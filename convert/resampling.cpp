#include "convert/resampling.h"

#include "convert/fileid.h"
#include "convert/placement.h"
#include "convert/riff.h"
#include "convert/soxchain.h"
#include "convert/units.h"
#include "convert/wav.h"

#include <QDebug>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

// Why the output cannot be written where asked; empty when it can.
QString outputProblem(const ConvertParams &p)
{
    const QFileInfo out(p.outputPath);
    if (p.outputPath.isEmpty())
        return QStringLiteral("no output path");
    if (out.isDir())
        return QStringLiteral("the output path is a folder: %1").arg(p.outputPath);
    const QFileInfo folder(out.absolutePath());
    if (!folder.exists())
        return QStringLiteral("output folder does not exist: %1").arg(folder.filePath());
    if (!folder.isDir())
        return QStringLiteral("output folder is not a folder: %1").arg(folder.filePath());
    if (!folder.isWritable())
        return QStringLiteral("output folder is not writable: %1").arg(folder.filePath());
    if (out.exists() && fileId(p.inputPath) == fileId(p.outputPath))
        return QStringLiteral("the output would overwrite the input file itself");
    return QString();
}

// Cuts the samples of the finished scratch file to the requested size and
// writes them behind a fresh header to the output path.
bool repackage(const ConvertParams &p, const ConvertHooks &hooks, const QString &scratchPath,
               QString *why)
{
    QFile samples(scratchPath);
    if (!samples.open(QIODevice::ReadOnly)) {
        *why = QStringLiteral("cannot read the scratch file back: %1").arg(samples.errorString());
        return false;
    }
    const DataChunk chunk = findDataChunk(samples);
    if (!chunk.found) {
        *why = QStringLiteral("libsox wrote no sample data");
        return false;
    }
    quint64 taken = chunk.length;
    if (p.fileSize > units::headerBytes)
        taken = qMin<quint64>(taken, p.fileSize - units::headerBytes);
    qDebug() << "sizeData" << taken << p.fileSize;
    if (taken > units::maxDataBytes) {
        *why = QStringLiteral("the converted audio is larger than a WAV file can hold (4 GiB); "
                              "choose a size");
        return false;
    }
    const QByteArray header =
        Wav().header(p.channels, p.sampleRate, p.bitsPerSample, static_cast<quint32>(taken));
    if (!samples.seek(chunk.offset)) {
        *why = QStringLiteral("cannot read the scratch file back: %1").arg(samples.errorString());
        return false;
    }
    return placement::write(p.outputPath, header, samples, taken,
                            p.mayReplace ? placement::Replace::Allowed
                                         : placement::Replace::Refused,
                            hooks.cancel, why);
}

} // namespace

Resampling::Resampling(QObject *parent) : QObject(parent) {}

Resampling::~Resampling() = default;

int Resampling::resample(const ConvertParams &params, QString *reason, const ConvertHooks &hooks)
{
    QString why = outputProblem(params);
    // Removed when it goes out of scope, on every path.
    QTemporaryFile scratch;
    const bool ok = why.isEmpty() && soxchain::run(params, hooks, scratch, &why) &&
                    repackage(params, hooks, scratch.fileName(), &why);
    if (!ok)
        qDebug().noquote() << "failed" << params.inputPath << "-" << why;
    if (reason)
        *reason = why;
    return ok ? 1 : -1;
}
