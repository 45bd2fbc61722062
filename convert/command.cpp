#include "convert/command.h"

#include "convert/inputs.h"

#include <QCoreApplication>
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
    {QT_TRANSLATE_NOOP("engine", "sample rate"), 1, maxSampleRate},
    {QT_TRANSLATE_NOOP("engine", "channel count"), 1, maxChannels},
    {QT_TRANSLATE_NOOP("engine", "bits per sample"), 0, 255},
    {QT_TRANSLATE_NOOP("engine", "file size"), 0, 0xFFFFFFFFu},
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

namespace {

bool refuse(ParseError *error, int position, const QString &field, const QString &problem)
{
    error->position = position;
    error->field = field;
    error->problem = problem;
    error->message = position <= 0 ? problem
                                   : QCoreApplication::translate("engine", "position %1 (%2) %3")
                                         .arg(position)
                                         .arg(field, problem);
    return false;
}

} // namespace

namespace {

// The range check of the number at `pos` (1 to 4).
bool checkNumber(int pos, quint32 value, ParseError *error)
{
    const NumberField &field = numberFields[pos - 1];
    if (value >= field.min && value <= field.max)
        return true;
    return refuse(error, pos, QCoreApplication::translate("engine", field.what),
                  QCoreApplication::translate("engine", "must be from %1 to %2, not %3")
                      .arg(field.min)
                      .arg(field.max)
                      .arg(value));
}

bool checkSuffix(const QString &suffix, ParseError *error)
{
    // A "/" in the suffix would put the output in another folder than the one
    // chosen, or in one that does not exist.
    if (!suffix.contains(QLatin1Char('/')))
        return true;
    return refuse(
        error, 6, QCoreApplication::translate("engine", "name suffix"),
        QCoreApplication::translate("engine", "must not contain \"/\": \"%1\"").arg(suffix));
}

} // namespace

bool validate(const ConvertCommand &c, ParseError *error)
{
    return checkNumber(1, c.sampleRate, error) && checkNumber(2, c.channels, error) &&
           checkNumber(3, c.bitsPerSample, error) && checkNumber(4, c.fileSize, error) &&
           checkSuffix(c.suffix, error);
}

bool parse(const QString &text, ConvertCommand *out, ParseError *error)
{
    ConvertCommand c;
    if (text.isEmpty())
        return refuse(error, -1, QString(),
                      QCoreApplication::translate("engine", "the convert command is empty"));
    const QStringList parts = text.split(QLatin1Char(','), Qt::KeepEmptyParts);
    if (parts.at(0).indexOf(QLatin1String(tag)) != 0) {
        return refuse(
            error, 0, QCoreApplication::translate("engine", "command tag"),
            QCoreApplication::translate("engine", "position 0 must begin with \"%1\", not \"%2\"")
                .arg(QLatin1String(tag), parts.at(0)));
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
            return refuse(error, pos, QCoreApplication::translate("engine", field.what),
                          QCoreApplication::translate("engine", "must be from %1 to %2, not %3")
                              .arg(field.min)
                              .arg(field.max)
                              .arg(part.trimmed()));
        }
        if (!ok) {
            return refuse(
                error, pos, QCoreApplication::translate("engine", field.what),
                QCoreApplication::translate("engine", "is not a whole number: \"%1\"").arg(part));
        }
        if (!checkNumber(pos, value, error))
            return false;
        numbers[pos - 1] = value;
    }
    c.sampleRate = numbers[0];
    c.channels = static_cast<quint8>(numbers[1]);
    c.bitsPerSample = static_cast<quint8>(numbers[2]);
    c.fileSize = numbers[3];
    c.outputFolder = parts.value(5);
    c.suffix = parts.value(6);
    if (!checkSuffix(c.suffix, error))
        return false;
    for (int pos = firstInputPosition; pos < parts.size(); ++pos) {
        if (!parts.at(pos).isEmpty())
            c.inputs.append(parts.at(pos));
    }
    *out = c;
    return true;
}

bool parse(const QString &text, ConvertCommand *out, QString *error)
{
    ParseError e;
    if (parse(text, out, &e))
        return true;
    *error = e.message;
    return false;
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
    // The standard input has no name of its own.
    QString name =
        inputs::isStandardInput(inputPath) ? QStringLiteral("stdin") : inputPath.mid(slash + 1);

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

QString treeFolder(const QString &folder, const QString &sub)
{
    if (sub.isEmpty())
        return folder;
    return (folder.endsWith(QLatin1Char('/')) ? folder : folder + QLatin1Char('/')) + sub +
           QLatin1Char('/');
}

} // namespace command

QString ConvertCommand::outputFolderOf(int i) const
{
    return command::treeFolder(outputFolder, subfolders.value(i));
}
