#include "convert/command.h"

#include <QDebug>
#include <QVector>

namespace command {

namespace {

const QLatin1String wavExtension(".wav");

struct NumberField
{
    const char *what;
    quint32 min;
    quint32 max;
};

// Positions 1 to 4, in order.
const NumberField numberFields[] = {
    {"sample rate", 1, maxSampleRate},
    {"channel count", 1, 255},
    {"bits per sample", 0, 255},
    {"file size", 0, 0xFFFFFFFFu},
};

} // namespace

bool isDigits(const QString &text)
{
    if (text.isEmpty())
        return false;
    for (const QChar ch : text) {
        if (ch < QLatin1Char('0') || ch > QLatin1Char('9'))
            return false;
    }
    return true;
}

bool parse(const QString &text, ConvertCommand *out, QString *error)
{
    ConvertCommand c;
    if (text.isEmpty()) {
        *error = QStringLiteral("the convert command is empty");
        return false;
    }
    const QStringList parts = text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    if (parts.at(0).indexOf(QLatin1String(tag)) != 0) {
        *error = QStringLiteral("position 0 must begin with \"%1\", not \"%2\"")
                     .arg(QLatin1String(tag), parts.at(0));
        return false;
    }

    quint32 numbers[4] = {};
    for (int pos = 1; pos <= 4; ++pos) {
        const NumberField &field = numberFields[pos - 1];
        // A command that ends early names no input: nothing to convert, and
        // nothing wrong with it.
        if (pos >= parts.size())
            break;
        const QString &part = parts.at(pos);
        bool ok = false;
        const uint value = part.toUInt(&ok, 10);
        if (pos == 4)
            qDebug() << "str" << part << value;
        // Digits that toUInt refuses are refused for their size, not their spelling.
        if (!ok && isDigits(part.trimmed())) {
            *error = QStringLiteral("position %1 (%2) must be from %3 to %4, not %5")
                         .arg(pos)
                         .arg(field.what)
                         .arg(field.min)
                         .arg(field.max)
                         .arg(part.trimmed());
            return false;
        }
        if (!ok) {
            *error = QStringLiteral("position %1 (%2) is not a whole number: \"%3\"")
                         .arg(pos)
                         .arg(field.what, part);
            return false;
        }
        if (value < field.min || value > field.max) {
            *error = QStringLiteral("position %1 (%2) must be from %3 to %4, not %5")
                         .arg(pos)
                         .arg(field.what)
                         .arg(field.min)
                         .arg(field.max)
                         .arg(value);
            return false;
        }
        numbers[pos - 1] = value;
    }
    c.sampleRate = numbers[0];
    c.channels = static_cast<quint8>(numbers[1]);
    c.bitsPerSample = static_cast<quint8>(numbers[2]);
    c.fileSize = numbers[3];
    c.outputFolder = parts.value(5);
    c.suffix = parts.value(6);
    // A "/" in the suffix would put the output in another folder than the one
    // chosen, or in one that does not exist.
    if (c.suffix.contains(QLatin1Char('/'))) {
        *error =
            QStringLiteral("position 6 (name suffix) must not contain \"/\": \"%1\"").arg(c.suffix);
        return false;
    }
    for (int pos = firstInputPosition; pos < parts.size(); ++pos) {
        if (!parts.at(pos).isEmpty())
            c.inputs.append(parts.at(pos));
    }
    *out = c;
    return true;
}

QString compose(const ConvertCommand &c)
{
    QStringList parts{QLatin1String(tag),
                      QString::number(c.sampleRate),
                      QString::number(c.channels),
                      QString::number(c.bitsPerSample),
                      QString::number(c.fileSize),
                      c.outputFolder,
                      c.suffix};
    parts += c.inputs;
    return parts.join(QLatin1Char(','));
}

QString outputPath(const QString &inputPath, const QString &folder, const QString &suffix)
{
    const int slash = inputPath.lastIndexOf(QLatin1Char('/'));
    QString name = inputPath.mid(slash + 1);

    if (name.endsWith(wavExtension, Qt::CaseInsensitive)) {
        if (!suffix.isEmpty())
            name = name.left(name.size() - wavExtension.size()) + suffix + wavExtension;
    } else {
        // A leading dot names a hidden file, not an extension.
        const int dot = name.lastIndexOf(QLatin1Char('.'));
        if (dot > 0)
            name.truncate(dot);
        name += suffix + wavExtension;
    }

    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')))
        return folder + name;
    return folder + QLatin1Char('/') + name;
}

} // namespace command
