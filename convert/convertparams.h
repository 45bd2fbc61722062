// The values of one conversion: the output format and size, and the two paths.
#pragma once

#include <QString>

struct ConvertParams
{
    quint8 channels = 0;
    quint32 sampleRate = 0; // Hz; 32 bits so that 88200, 96000 and 192000 fit
    quint8 bitsPerSample = 0;
    quint32 fileSize = 0; // whole output file, header included; 0 to 44 keeps everything
    QString inputPath;
    QString outputPath;
    // False when a file already at outputPath must be left as it is: the
    // conversion then fails instead of replacing it.
    bool mayReplace = true;
};
