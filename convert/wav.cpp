#include "convert/wav.h"

#include <QDataStream>
#include <QString>

namespace {

struct HeaderRecord
{
    QString riffId;
    quint32 riffSize;
    QString formType;
    QString formatId;
    quint32 formatSize;
    quint16 audioFormat;
    quint16 channels;
    quint32 sampleRate;
    quint32 byteRate;
    quint16 blockAlign;
    quint16 bitsPerSample;
};

// The bytes of `value`, least significant first, made as every number that
// goes into a file here is: by a little-endian QDataStream over a fresh
// QByteArray.
template <typename T> QByteArray littleEndian(T value)
{
    QByteArray bytes;
    QDataStream stream(&bytes, QIODevice::WriteOnly);
    stream.setByteOrder(QDataStream::LittleEndian);
    stream << value;
    return bytes;
}

} // namespace

Wav::Wav(QObject *parent) : QObject(parent) {}

Wav::~Wav() = default;

QByteArray Wav::header(quint16 channels, quint32 sampleRate, quint16 bitsPerSample,
                       quint32 dataSize) const
{
    HeaderRecord h;
    h.riffId = QStringLiteral("RIFF");
    // RIFF counts the pad byte that word-aligns odd-length data, although the
    // data chunk's own length does not.
    h.riffSize = dataSize + 36u + (dataSize & 1u);
    h.formType = QStringLiteral("WAVE");
    h.formatId = QStringLiteral("fmt ");
    h.formatSize = 16;
    h.audioFormat = 1;
    h.channels = channels;
    h.sampleRate = sampleRate;
    h.blockAlign = static_cast<quint16>(channels * static_cast<quint16>(bitsPerSample / 8u));
    h.byteRate = sampleRate * h.blockAlign;
    h.bitsPerSample = bitsPerSample;

    QByteArray out;
    out.reserve(44);
    out.append(h.riffId.toUtf8());
    out.append(toLe32(h.riffSize));
    out.append(h.formType.toUtf8());
    out.append(h.formatId.toUtf8());
    out.append(toLe32(h.formatSize));
    out.append(toLe16(h.audioFormat));
    out.append(toLe16(h.channels));
    out.append(toLe32(h.sampleRate));
    out.append(toLe32(h.byteRate));
    out.append(toLe16(h.blockAlign));
    out.append(toLe16(h.bitsPerSample));
    out.append("data", 4);
    out.append(toLe32(dataSize));
    return out;
}

QByteArray Wav::toLe32(quint32 value)
{
    return littleEndian(static_cast<qint32>(value));
}

QByteArray Wav::toLe16(quint16 value)
{
    return littleEndian(static_cast<qint16>(value));
}
