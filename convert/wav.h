// Builds the canonical 44-byte RIFF/WAVE header of a plain PCM file.
#pragma once

#include <QByteArray>
#include <QObject>

class Wav : public QObject
{
    Q_OBJECT
public:
    explicit Wav(QObject *parent = nullptr);
    ~Wav() override;

    // The 44 bytes that stand in front of dataSize bytes of PCM samples. Every
    // value is cut to its field's width; nothing is checked.
    QByteArray header(quint16 channels, quint32 sampleRate, quint16 bitsPerSample,
                      quint32 dataSize) const;

    static QByteArray toLe32(quint32 value);
    static QByteArray toLe16(quint16 value);
};
