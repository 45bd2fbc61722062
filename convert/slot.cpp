#include "convert/slot.h"

#include "convert/units.h"

#include <cmath>
#include <cstring>

namespace slot {

quint64 samplesWanted(const ConvertParams &p)
{
    if (p.fileSize <= units::headerBytes)
        return 0;
    const unsigned bytesPerSample = p.bitsPerSample / 8u;
    return (quint64(p.fileSize - units::headerBytes) + bytesPerSample - 1) / bytesPerSample +
           p.slot.startFrame * p.channels + (p.slot.fadeOutMs > 0 ? p.channels : 0);
}

quint64 samplesExpected(const ConvertParams &p, quint64 inputLength, quint32 inputChannels,
                        double inputRate)
{
    if (samplesWanted(p) > 0)
        return samplesWanted(p);
    if (inputLength == 0 || inputRate <= 0 || inputChannels == 0)
        return 0;
    return quint64(double(inputLength) / inputChannels * double(p.sampleRate) / inputRate) *
           p.channels;
}

namespace {

qint64 readSample(const unsigned char *p, quint32 bytes)
{
    if (bytes == 1)
        return qint64(p[0]) - 128;
    quint64 u = 0;
    for (quint32 i = 0; i < bytes; ++i)
        u |= quint64(p[i]) << (8 * i);
    const quint64 sign = quint64(1) << (8 * bytes - 1);
    return qint64(u ^ sign) - qint64(sign);
}

void writeSample(unsigned char *p, quint32 bytes, qint64 value)
{
    if (bytes == 1) {
        p[0] = static_cast<unsigned char>(value + 128);
        return;
    }
    for (quint32 i = 0; i < bytes; ++i)
        p[i] = static_cast<unsigned char>(quint64(value) >> (8 * i));
}

} // namespace

quint64 fadeBytes(const ConvertParams &p, quint64 taken)
{
    if (p.slot.fadeOutMs == 0)
        return 0;
    const quint64 frameBytes = units::frameBytes(p.channels, p.bitsPerSample);
    return qMin(taken,
                units::framesIn(p.slot.fadeOutMs, p.sampleRate) * frameBytes + taken % frameBytes);
}

double fadeGain(quint64 remaining, quint64 span)
{
    if (remaining == 0 || span <= 1)
        return 0.0;
    const double x = qMin(1.0, double(remaining) / double(span - 1));
    return std::pow(0.1, (1.0 - x) * 5.0);
}

void fadeOut(char *data, quint64 bytes, quint32 channels, quint32 bits)
{
    const quint32 sampleBytes = (bits + 7) / 8;
    const quint64 frameBytes = quint64(channels) * sampleBytes;
    if (frameBytes == 0)
        return;
    const quint64 frames = bytes / frameBytes;
    auto *p = reinterpret_cast<unsigned char *>(data);
    for (quint64 f = 0; f < frames; ++f) {
        const double gain = fadeGain(frames - 1 - f, frames);
        for (quint32 c = 0; c < channels; ++c) {
            unsigned char *sample = p + f * frameBytes + quint64(c) * sampleBytes;
            writeSample(sample, sampleBytes,
                        qint64(std::llround(double(readSample(sample, sampleBytes)) * gain)));
        }
    }
    std::memset(p + frames * frameBytes, silenceByte(bits), size_t(bytes - frames * frameBytes));
}

} // namespace slot
