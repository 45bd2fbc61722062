#include "convert/scratchwriter.h"

#include "convert/scratch.h"
#include "convert/soxinput.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryFile>

namespace scratchwriter {

namespace {

// libsox quietly writes another format where it cannot honour the request
// (16 bits for 12, 4 or 0; 32 for 40; 48000 Hz for 0): refuse rather than
// write a header that lies about the data.
bool formatHonoured(const ConvertParams &p, const sox_format_t &output,
                    const sox_encodinginfo_t &asked, Outcome *why)
{
    if (output.encoding.bits_per_sample != p.bitsPerSample ||
        output.encoding.encoding != asked.encoding) {
        *why = Outcome::failed(QCoreApplication::translate(
                                   "engine", "cannot write %1-bit WAV; choose 8, 16, 24 or 32 bits")
                                   .arg(p.bitsPerSample));
        return false;
    }
    if (output.signal.channels != p.channels) {
        *why = Outcome::failed(
            QCoreApplication::translate("engine", "cannot write %1 channels").arg(p.channels));
        return false;
    }
    if (output.signal.rate != double(p.sampleRate)) {
        *why = Outcome::failed(
            QCoreApplication::translate("engine", "cannot write a sample rate of %1 Hz")
                .arg(p.sampleRate));
        return false;
    }
    return true;
}

} // namespace

sox::Format open(const ConvertParams &p, const sox_format_t &input, QTemporaryFile &scratch,
                 Outcome *why)
{
    // Created exclusively under a fresh name: nothing planted in the shared
    // temporary folder can be written through, and two running copies of the
    // program never share a scratch file.
    const QString folder = QDir::tempPath();
    // Qt gives an empty path for a TMPDIR that does not exist, and the scratch
    // file would then land in the root folder.
    if (folder.isEmpty()) {
        *why = Outcome::failed(
            QCoreApplication::translate("engine", "cannot create a scratch file"),
            QCoreApplication::translate("engine", "the temporary folder %1 does not exist")
                .arg(qEnvironmentVariable("TMPDIR")));
        return nullptr;
    }
    // What killed runs left goes first; a running copy's files stay.
    scratch::sweepTemporaryFolder();
    scratch.setFileTemplate(scratch::scratchTemplate(folder));
    if (!scratch.open()) {
        *why = Outcome::failed(
            QCoreApplication::translate("engine", "cannot create a scratch file in %1").arg(folder),
            scratch.errorString());
        return nullptr;
    }
    // Held while this handle stays open, which is until the file is removed.
    scratch::hold(int(scratch.handle()));
    const QString scratchPath = scratch.fileName();

    QByteArray local;
    if (!soxinput::toLocalPath(scratchPath, &local)) {
        *why = Outcome::failed(QCoreApplication::translate(
            "engine", "the temporary folder's path cannot be written in the system's "
                      "file name encoding"));
        return nullptr;
    }

    sox_signalinfo_t signal = input.signal;
    signal.rate = p.sampleRate;
    signal.channels = p.channels;
    signal.length = 0;

    sox_encodinginfo_t encoding = input.encoding;
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
    sox::Format output(
        sox_open_write(local.constData(), &signal, &encoding, "wavpcm", nullptr, nullptr));
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
        *why =
            Outcome::failed(QCoreApplication::translate("engine", "cannot write the scratch file"),
                            sox::lastMessage());
        return nullptr;
    }
    if (!formatHonoured(p, *output, encoding, why))
        return nullptr;
    return output;
}

} // namespace scratchwriter
