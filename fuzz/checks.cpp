#include "checks.h"

#include "convert/command.h"
#include "convert/riff.h"

#include <QBuffer>
#include <QtEndian>

namespace fuzzcheck {

namespace {

QString show(const QString &text)
{
    return QLatin1Char('"') + text.toHtmlEscaped() + QLatin1Char('"');
}

bool sameCommand(const ConvertCommand &a, const ConvertCommand &b)
{
    return a.sampleRate == b.sampleRate && a.channels == b.channels &&
           a.bitsPerSample == b.bitsPerSample && a.fileSize == b.fileSize &&
           a.outputFolder == b.outputFolder && a.suffix == b.suffix && a.inputs == b.inputs;
}

// The output must be the folder, one separator, and a file name of its own.
QString checkOutput(const ConvertCommand &c, const QString &input)
{
    const QString out = command::outputPath(input, c.outputFolder, c.suffix);
    if (!out.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive))
        return QStringLiteral("output %1 of input %2 does not end in .wav")
            .arg(show(out), show(input));

    QString prefix = c.outputFolder;
    if (!prefix.isEmpty() && !prefix.endsWith(QLatin1Char('/')))
        prefix += QLatin1Char('/');
    if (!out.startsWith(prefix))
        return QStringLiteral("output %1 is not in folder %2").arg(show(out), show(c.outputFolder));
    const QString name = out.mid(prefix.size());
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..") ||
        name == QLatin1String("."))
        return QStringLiteral("output %1 of input %2 leaves folder %3")
            .arg(show(out), show(input), show(c.outputFolder));

    // A name already ending in .wav keeps its own spelling without a suffix.
    const QString inputName = input.mid(input.lastIndexOf(QLatin1Char('/')) + 1);
    if (c.suffix.isEmpty() && inputName.endsWith(QLatin1String(".wav"), Qt::CaseInsensitive) &&
        name != inputName)
        return QStringLiteral("output name %1 differs from input name %2")
            .arg(show(name), show(inputName));
    return QString();
}

} // namespace

QString checkCommand(const QByteArray &bytes)
{
    const QString text = QString::fromUtf8(bytes);
    ConvertCommand c;
    QString error;
    if (!command::parse(text, &c, &error)) {
        if (error.isEmpty())
            return QStringLiteral("refused %1 without a reason").arg(show(text));
        return QString();
    }
    for (const QString &input : qAsConst(c.inputs)) {
        if (input.isEmpty())
            return QStringLiteral("an empty input survived parsing");
        const QString problem = checkOutput(c, input);
        if (!problem.isEmpty())
            return problem;
    }
    // A command with no input converts nothing; only a full one must round-trip.
    if (c.inputs.isEmpty())
        return QString();
    const QString again = command::compose(c);
    ConvertCommand d;
    if (!command::parse(again, &d, &error))
        return QStringLiteral("compose gave %1, which parse refuses: %2").arg(show(again), error);
    if (!sameCommand(c, d))
        return QStringLiteral("compose and parse changed the command: %1").arg(show(again));
    return QString();
}

QString checkRiff(const QByteArray &bytes)
{
    QBuffer device;
    device.setData(bytes);
    if (!device.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot open the buffer");
    const DataChunk chunk = findDataChunk(device);

    // The same walk over plain bytes, in 64-bit arithmetic throughout.
    DataChunk expected;
    const quint64 size = quint64(bytes.size());
    if (size >= 12 && bytes.startsWith("RIFF") && bytes.mid(8, 4) == "WAVE") {
        quint64 pos = 12;
        while (pos + 8 <= size) {
            const quint32 length = qFromLittleEndian<quint32>(bytes.constData() + pos + 4);
            if (bytes.mid(int(pos), 4) == "data") {
                expected.found = true;
                expected.offset = qint64(pos + 8);
                expected.length = quint32(qMin<quint64>(length, size - pos - 8));
                break;
            }
            pos += 8 + quint64(length) + (length & 1u);
        }
    }

    if (chunk.found != expected.found || chunk.offset != expected.offset ||
        chunk.length != expected.length)
        return QStringLiteral("walk gave found %1 offset %2 length %3; expected %4 %5 %6")
            .arg(chunk.found)
            .arg(chunk.offset)
            .arg(chunk.length)
            .arg(expected.found)
            .arg(expected.offset)
            .arg(expected.length);
    if (!chunk.found)
        return QString();
    if (chunk.offset < 20 || quint64(chunk.offset) + chunk.length > size)
        return QStringLiteral("data at %1, %2 bytes, lies outside %3 bytes")
            .arg(chunk.offset)
            .arg(chunk.length)
            .arg(size);
    if (bytes.mid(int(chunk.offset - 8), 4) != "data")
        return QStringLiteral("offset %1 does not follow a data id").arg(chunk.offset);

    QBuffer copy;
    copy.open(QIODevice::WriteOnly);
    QString why;
    if (!device.seek(chunk.offset) || !copyBytes(device, copy, chunk.length, nullptr, &why))
        return QStringLiteral("cannot copy the %1 bytes found: %2").arg(chunk.length).arg(why);
    if (copy.data() != bytes.mid(int(chunk.offset), int(chunk.length)))
        return QStringLiteral("the copy differs from the data chunk");
    // Asking for one byte more than the file holds must fail, and say why.
    if (quint64(chunk.offset) + chunk.length == size) {
        why.clear();
        if (!device.seek(chunk.offset) ||
            copyBytes(device, copy, quint64(chunk.length) + 1, nullptr, &why) || why.isEmpty())
            return QStringLiteral("copying past the end did not fail with a reason");
    }
    return QString();
}

namespace {
void dropMessage(QtMsgType, const QMessageLogContext &, const QString &) {}
} // namespace

void silenceQtLog()
{
    qInstallMessageHandler(dropMessage);
}

} // namespace fuzzcheck
