#include "convert/resampling.h"

#include "convert/fileid.h"
#include "convert/riff.h"
#include "convert/soxhandles.h"
#include "convert/wav.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <sys/xattr.h>

namespace {

constexpr quint32 headerSize = 44;
const QString scratchTemplate = QStringLiteral("rezOrizezovu-XXXXXX.wav");

QString errnoText(int code)
{
    if (code == ENOSPC)
        return QStringLiteral("the disk is full");
    if (code >= SOX_EHDR)
        return QString();
    return QString::fromLocal8Bit(std::strerror(code));
}

// Why a file cannot serve as input, before libsox is asked; empty when it may.
QString inputProblem(const QFileInfo &in)
{
    if (!in.exists())
        return QStringLiteral("file not found");
    if (in.isDir())
        return QStringLiteral("is a folder, not an audio file");
    // libsox would wait for ever on a pipe with no writer, or read an endless
    // device until the disk is full.
    if (!in.isFile())
        return QStringLiteral("is not a regular file (a device, pipe or socket)");
    if (!in.isReadable())
        return QStringLiteral("cannot read: permission denied");
    return QString();
}

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

// A path libsox can open: the local 8-bit encoding must carry it unchanged.
bool toLocalPath(const QString &path, QByteArray *local)
{
    *local = path.toLocal8Bit();
    return QString::fromLocal8Bit(*local) == path;
}

// The process's umask, which can only be read without changing it from
// /proc/self/status (Linux 4.7 and later); -1 when it cannot be read.
int processUmask()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("Umask:")) {
            bool ok = false;
            const int mask = line.mid(6).trimmed().toInt(&ok, 8);
            return ok ? mask : -1;
        }
    }
    return -1;
}

struct FlowState
{
    const ConvertHooks *hooks;
    const sox_format_t *output;
    quint64 samplesWanted; // 0: the whole input
    quint64 samplesExpected;
    bool cancelled = false;
};

int flowCallback(sox_bool /*allDone*/, void *data)
{
    auto *state = static_cast<FlowState *>(data);
    if (state->hooks->cancel && state->hooks->cancel->load(std::memory_order_relaxed)) {
        state->cancelled = true;
        return SOX_EOF;
    }
    const quint64 written = state->output->olength;
    if (state->hooks->progress)
        state->hooks->progress(written, state->samplesExpected);
    // The cut drops whatever the last buffer made beyond what the size needs.
    if (state->samplesWanted > 0 && written >= state->samplesWanted)
        return SOX_EOF;
    return SOX_SUCCESS;
}

class Conversion
{
public:
    Conversion(const ConvertParams &params, const ConvertHooks &hooks) : p(params), hooks(hooks) {}

    bool run(QString *why);

private:
    bool openInput(QString *why);
    bool openScratch(QString *why);
    bool addEffect(const char *name, int argc, char **argv, const sox_signalinfo_t *target,
                   QString *why);
    bool flow(QString *why);
    bool repackage(QString *why);
    bool moveIntoPlace(QFile &samples, const QByteArray &header, quint64 taken);

    const ConvertParams &p;
    const ConvertHooks &hooks;
    QTemporaryFile scratch; // its folder is chosen when it is opened
    QString scratchPath;
    sox::Format input;
    sox::Format output;
    sox::Chain chain;
    sox_signalinfo_t working{};
};

bool Conversion::openInput(QString *why)
{
    const QString problem = inputProblem(QFileInfo(p.inputPath));
    if (!problem.isEmpty()) {
        *why = problem;
        return false;
    }
    QByteArray local;
    if (!toLocalPath(p.inputPath, &local)) {
        *why = QStringLiteral("the path cannot be written in the system's file name encoding");
        return false;
    }
    sox::clearLastMessage();
    input.reset(sox_open_read(local.constData(), nullptr, nullptr, nullptr));
    if (!input) {
        *why = QStringLiteral("cannot read: not an audio file libsox knows");
        return false;
    }
    return true;
}

bool Conversion::openScratch(QString *why)
{
    // Created exclusively under a fresh name: nothing planted in the shared
    // temporary folder can be written through, and two running copies of the
    // program never share a scratch file.
    const QString folder = QDir::tempPath();
    // Qt gives an empty path for a TMPDIR that does not exist, and the scratch
    // file would then land in the root folder.
    if (folder.isEmpty()) {
        *why = QStringLiteral("cannot create a scratch file: the temporary folder %1 does not "
                              "exist")
                   .arg(qEnvironmentVariable("TMPDIR"));
        return false;
    }
    scratch.setFileTemplate(folder + QLatin1Char('/') + scratchTemplate);
    if (!scratch.open()) {
        *why = QStringLiteral("cannot create a scratch file in %1: %2")
                   .arg(QDir::tempPath(), scratch.errorString());
        return false;
    }
    scratchPath = scratch.fileName();

    QByteArray local;
    if (!toLocalPath(scratchPath, &local)) {
        *why = QStringLiteral("the temporary folder's path cannot be written in the system's "
                              "file name encoding");
        return false;
    }

    sox_signalinfo_t signal = input->signal;
    signal.rate = p.sampleRate;
    signal.channels = p.channels;
    signal.length = 0;

    sox_encodinginfo_t encoding = input->encoding;
    // WAV's 8-bit PCM is unsigned; asked for signed 8-bit, libsox would quietly
    // write 16 bits instead.
    encoding.encoding = p.bitsPerSample == 8 ? SOX_ENCODING_UNSIGNED : SOX_ENCODING_SIGN2;
    encoding.bits_per_sample = p.bitsPerSample;
    // The byte order is the WAV writer's own; one copied from a big-endian
    // input (AIFF) would swap every sample.
    encoding.reverse_bytes = sox_option_default;
    encoding.reverse_nibbles = sox_option_default;
    encoding.reverse_bits = sox_option_default;
    encoding.opposite_endian = sox_false;

    sox::clearLastMessage();
    // "wavpcm" keeps the plain 44-byte header at every depth and channel count
    // (plain "wav" writes an extensible one above 16 bits or 2 channels), so
    // that the samples already stand where the output wants them.
    output.reset(sox_open_write(local.constData(), &signal, &encoding, "wavpcm", nullptr, nullptr));
    // libsox opened the scratch file with truncation, and ext4 marks a file
    // truncated to nothing to be forced onto the disk whole when a handle to
    // it is next closed (its guard for files replaced in place). Closing one
    // now, before any sample is written, clears the mark: libsox's own close
    // then leaves the writing to the kernel's pace, as for any new file.
    {
        QFile touch(scratchPath);
        if (touch.open(QIODevice::ReadOnly))
            touch.close();
    }
    if (!output) {
        const QString detail = sox::lastMessage();
        *why = QStringLiteral("libsox cannot write the scratch file%1")
                   .arg(detail.isEmpty() ? QString() : QStringLiteral(": ") + detail);
        return false;
    }
    // libsox quietly writes another format where it cannot honour the request
    // (16 bits for 12, 4 or 0; 32 for 40; 48000 Hz for 0): refuse rather than
    // write a header that lies about the data.
    if (output->encoding.bits_per_sample != p.bitsPerSample ||
        output->encoding.encoding != encoding.encoding) {
        *why = QStringLiteral("cannot write %1-bit WAV; choose 8, 16, 24 or 32 bits")
                   .arg(p.bitsPerSample);
        return false;
    }
    if (output->signal.channels != p.channels) {
        *why = QStringLiteral("cannot write %1 channels").arg(p.channels);
        return false;
    }
    if (output->signal.rate != double(p.sampleRate)) {
        *why = QStringLiteral("cannot write a sample rate of %1 Hz").arg(p.sampleRate);
        return false;
    }
    return true;
}

bool Conversion::addEffect(const char *name, int argc, char **argv, const sox_signalinfo_t *target,
                           QString *why)
{
    const sox_effect_handler_t *handler = sox_find_effect(name);
    sox::Effect effect(handler ? sox_create_effect(handler) : nullptr);
    if (!effect) {
        *why = QStringLiteral("libsox has no \"%1\" effect").arg(QLatin1String(name));
        return false;
    }
    if (sox_effect_options(effect.get(), argc, argv) != SOX_SUCCESS) {
        *why = QStringLiteral("libsox refused the options of its \"%1\" effect")
                   .arg(QLatin1String(name));
        return false;
    }
    const int result = sox_add_effect(chain.get(), effect.get(), &working, target);
    qDebug().noquote() << name << result;
    if (result != SOX_SUCCESS) {
        *why = QStringLiteral("libsox could not set up its \"%1\" effect").arg(QLatin1String(name));
        return false;
    }
    return true;
}

bool Conversion::flow(QString *why)
{
    chain.reset(sox_create_effects_chain(&input->encoding, &output->encoding));
    if (!chain) {
        *why = QStringLiteral("libsox could not build its effects chain");
        return false;
    }
    // sox_add_effect writes each effect's output signal back into `working`.
    working = input->signal;
    char *inputArg = reinterpret_cast<char *>(input.get());
    char *outputArg = reinterpret_cast<char *>(output.get());
    if (!addEffect("input", 1, &inputArg, &input->signal, why))
        return false;
    if (std::fabs(input->signal.rate - output->signal.rate) > 1.0 &&
        !addEffect("rate", 0, nullptr, &output->signal, why))
        return false;
    if (input->signal.channels != output->signal.channels &&
        !addEffect("channels", 0, nullptr, &output->signal, why))
        return false;
    if (!addEffect("output", 1, &outputArg, &output->signal, why))
        return false;

    const unsigned bytesPerSample = p.bitsPerSample / 8u;
    FlowState state{&hooks, output.get(), 0, 0};
    if (p.fileSize > headerSize)
        state.samplesWanted =
            (quint64(p.fileSize - headerSize) + bytesPerSample - 1) / bytesPerSample;
    if (state.samplesWanted > 0) {
        state.samplesExpected = state.samplesWanted;
    } else if (input->signal.length > 0 && input->signal.rate > 0 && input->signal.channels > 0) {
        state.samplesExpected = quint64(double(input->signal.length) / input->signal.channels *
                                        output->signal.rate / input->signal.rate) *
                                output->signal.channels;
    }

    // SOX_EOF comes both from a stop that we asked for and from a failure:
    // the handles say which it was.
    sox_flow_effects(chain.get(), flowCallback, &state);
    chain.reset();

    if (state.cancelled) {
        *why = QStringLiteral("cancelled");
        return false;
    }
    if (output->sox_errno != 0) {
        const QString text = errnoText(output->sox_errno);
        *why = QStringLiteral("cannot write the scratch file in %1: %2")
                   .arg(QDir::tempPath(),
                        text.isEmpty() ? QString::fromLocal8Bit(output->sox_errstr) : text);
        return false;
    }
    if (input->sox_errno != 0) {
        *why = QStringLiteral("the input is damaged or cut short: %1")
                   .arg(QString::fromLocal8Bit(input->sox_errstr));
        return false;
    }
    const int closed = sox_close(output.release());
    input.reset();
    if (closed != SOX_SUCCESS) {
        *why = QStringLiteral("cannot finish the scratch file in %1").arg(QDir::tempPath());
        return false;
    }
    return true;
}

bool Conversion::repackage(QString *why)
{
    QFile samples(scratchPath);
    if (!samples.open(QIODevice::ReadWrite)) {
        *why = QStringLiteral("cannot read the scratch file back: %1").arg(samples.errorString());
        return false;
    }
    const DataChunk chunk = findDataChunk(samples);
    if (!chunk.found) {
        *why = QStringLiteral("libsox wrote no sample data");
        return false;
    }
    // libsox writes nothing after the samples but a pad byte, so more bytes
    // than that behind the chunk mean its 32-bit length wrapped past 4 GiB.
    const quint64 behind = quint64(samples.size() - chunk.offset);
    const bool wrapped = behind > quint64(chunk.length) + 1u;
    quint64 taken = wrapped ? behind : chunk.length;
    if (p.fileSize > headerSize) {
        taken = qMin<quint64>(taken, p.fileSize - headerSize);
    } else if (wrapped) {
        *why = QStringLiteral("the converted audio is larger than a WAV file can hold (4 GiB); "
                              "choose a size");
        return false;
    }
    qDebug() << "sizeData" << taken << p.fileSize;
    if (taken + headerSize - 8 + (taken & 1u) > 0xFFFFFFFFu) {
        *why = QStringLiteral("the converted audio is larger than a WAV file can hold (4 GiB); "
                              "choose a size");
        return false;
    }

    const QByteArray header =
        Wav().header(p.channels, p.sampleRate, p.bitsPerSample, static_cast<quint32>(taken));
    if (chunk.offset == headerSize && moveIntoPlace(samples, header, taken))
        return true;

    // Written aside and renamed into place on commit: a failure leaves no
    // half-written file and whatever was at the path before stays whole.
    QSaveFile out(p.outputPath);
    out.setDirectWriteFallback(false);
    if (!out.open(QIODevice::WriteOnly)) {
        *why = QStringLiteral("cannot write %1: %2").arg(p.outputPath, out.errorString());
        return false;
    }
    QString copyProblem;
    if (out.write(header) != header.size() || !samples.seek(chunk.offset) ||
        !copyBytes(samples, out, taken, hooks.cancel, &copyProblem)) {
        out.cancelWriting();
        if (copyProblem == QLatin1String("cancelled"))
            *why = copyProblem;
        else
            *why = QStringLiteral("cannot write %1: %2")
                       .arg(p.outputPath, copyProblem.isEmpty() ? out.errorString() : copyProblem);
        return false;
    }
    // Flushed here, while the device still knows why a write failed: commit()
    // closes it first, and the reason is then lost ("Unknown error").
    if (!out.flush()) {
        *why = QStringLiteral("cannot write %1: %2").arg(p.outputPath, out.errorString());
        out.cancelWriting();
        return false;
    }
    if (!out.commit()) {
        *why = QStringLiteral("cannot write %1: %2").arg(p.outputPath, out.errorString());
        return false;
    }
    return true;
}

// Makes the scratch file itself the output where that gives the very file
// that writing a copy would: its header is rewritten, its tail cut and it is
// renamed over the output path. Copying every sample and then freeing the
// scratch file's pages cost about 4% of a whole conversion. The rename
// replaces the output whole, as the copy's commit does; like the sox command,
// and unlike that commit, it does not wait for the disk (another 3%).
// Returns false, with the samples at
// headerSize still intact for the copy, wherever the move does not apply:
// another file system, a folder whose group or default permissions new files
// inherit, an earlier output that is a link or that the copy would refuse.
bool Conversion::moveIntoPlace(QFile &samples, const QByteArray &header, quint64 taken)
{
    const QFileInfo target(p.outputPath);
    if (target.isSymLink() || (target.exists() && (!target.isFile() || !target.isWritable())))
        return false;
    const QByteArray folderPath = QFile::encodeName(target.absolutePath());
    struct stat folder, scratchFile;
    if (::stat(folderPath.constData(), &folder) != 0 ||
        ::fstat(samples.handle(), &scratchFile) != 0 || folder.st_dev != scratchFile.st_dev ||
        (folder.st_mode & S_ISGID) != 0 ||
        ::getxattr(folderPath.constData(), "system.posix_acl_default", nullptr, 0) > 0)
        return false;
    if (!samples.seek(0) || samples.write(header) != header.size() ||
        !samples.resize(qint64(headerSize + taken)) || !samples.flush())
        return false;
    // The permissions the copy gives: an earlier output's, or those of a new
    // file (the scratch file was made private).
    if (target.exists()) {
        if (!samples.setPermissions(target.permissions()))
            return false;
    } else {
        const int mask = processUmask();
        if (mask < 0 || ::fchmod(samples.handle(), mode_t(0666 & ~mask)) != 0)
            return false;
    }
    if (std::rename(QFile::encodeName(scratchPath).constData(),
                    QFile::encodeName(p.outputPath).constData()) != 0)
        return false;
    // Its name in the temporary folder is free now, and may be someone else's.
    scratch.setAutoRemove(false);
    return true;
}

bool Conversion::run(QString *why)
{
    const QString problem = outputProblem(p);
    if (!problem.isEmpty()) {
        *why = problem;
        return false;
    }
    if (!sox::ensureStarted()) {
        *why = QStringLiteral("libsox could not be started");
        return false;
    }
    return openInput(why) && openScratch(why) && flow(why) && repackage(why);
}

} // namespace

Resampling::Resampling(QObject *parent) : QObject(parent) {}

Resampling::~Resampling() = default;

int Resampling::resample(const ConvertParams &params, QString *reason, const ConvertHooks &hooks)
{
    QString why;
    Conversion conversion(params, hooks);
    const bool ok = conversion.run(&why);
    if (!ok)
        qDebug().noquote() << "failed" << params.inputPath << "-" << why;
    if (reason)
        *reason = why;
    return ok ? 1 : -1;
}
