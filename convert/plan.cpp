#include "convert/plan.h"

#include "convert/fileid.h"
#include "convert/inputs.h"
#include "convert/soxchain.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>

#include <sys/stat.h>

namespace {

const char *const existingNames[] = {"overwrite", "skip", "fail"};

// Encodings whose samples take a fixed number of bytes each: for them a
// length that needs more bytes than the file holds is a header that lies
// (0xFFFFFFFF is a common placeholder of a WAV written as a stream).
bool isPlainPcm(sox_encoding_t encoding)
{
    switch (encoding) {
    case SOX_ENCODING_SIGN2:
    case SOX_ENCODING_UNSIGNED:
    case SOX_ENCODING_FLOAT:
    case SOX_ENCODING_ULAW:
    case SOX_ENCODING_ALAW:
        return true;
    default:
        return false;
    }
}

InputFacts factsOf(const sox_format_t &input, qint64 fileBytes)
{
    InputFacts facts;
    facts.opened = true;
    facts.format = QString::fromLatin1(input.filetype);
    facts.sampleRate = input.signal.rate;
    facts.channels = input.signal.channels;
    facts.bitsPerSample = input.signal.precision;
    if (input.signal.channels > 0)
        facts.frames = input.signal.length / input.signal.channels;
    const quint64 claimedBytes =
        quint64(input.signal.length) * (input.encoding.bits_per_sample / 8);
    if (isPlainPcm(input.encoding.encoding) && fileBytes >= 0 && claimedBytes > quint64(fileBytes))
        facts.frames = 0;
    return facts;
}

// The folder by its identity, so that two spellings of one folder give one key.
QString outputKey(const QString &output)
{
    const QFileInfo info(output);
    const FileId folder = fileId(info.absolutePath());
    if (!folder.exists)
        return info.absoluteFilePath();
    return QStringLiteral("%1:%2/%3").arg(folder.device).arg(folder.inode).arg(info.fileName());
}

void predictSize(const ConvertCommand &r, PlanRow *row)
{
    const InputFacts &f = row->facts;
    const bool sized = r.fileSize > units::headerBytes;
    const quint64 room = sized ? r.fileSize - units::headerBytes : 0;
    row->startFrame = r.slot.startFrame;
    if (f.frames == 0) {
        if (sized)
            row->bytes = r.fileSize;
        row->bytesExact = sized && r.slot.pad;
        return;
    }
    const quint64 frameBytes = units::frameBytes(r.channels, r.bitsPerSample);
    const quint64 total = units::framesAfterRate(f.frames, f.sampleRate, r.sampleRate);
    const quint64 available =
        total > r.slot.startFrame ? (total - r.slot.startFrame) * frameBytes : 0;
    const quint64 taken = sized ? qMin(available, room) : available;
    row->padBytes = r.slot.pad && sized ? room - taken : 0;
    row->bytes = units::headerBytes + taken + row->padBytes;
    row->bytesExact = true;
    row->shortBy = sized ? room - taken - row->padBytes : 0;
    if (available > taken) {
        row->cutFrame = r.slot.startFrame + taken / frameBytes;
        row->fadeFrames = qMin(units::framesIn(r.slot.fadeOutMs, r.sampleRate), taken / frameBytes);
    }
}

} // namespace

bool outputExists(const QString &path)
{
    struct stat st;
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

bool parseExisting(const QString &text, Existing *existing)
{
    for (int i = 0; i < 3; ++i) {
        if (text == QLatin1String(existingNames[i])) {
            *existing = Existing(i);
            return true;
        }
    }
    return false;
}

QString existingName(Existing existing)
{
    return QLatin1String(existingNames[int(existing)]);
}

ConvertParams Plan::params(const PlanRow &row) const
{
    ConvertParams p;
    p.sampleRate = request.sampleRate;
    p.channels = request.channels;
    p.bitsPerSample = request.bitsPerSample;
    p.fileSize = request.fileSize;
    p.inputPath = row.input;
    p.outputPath = row.output;
    p.mayReplace = existing == Existing::Overwrite;
    p.slot = request.slot;
    return p;
}

int Plan::count(PlanRow::Status status) const
{
    int n = 0;
    for (const PlanRow &row : rows)
        n += row.status == status ? 1 : 0;
    return n;
}

Plan makePlan(const ConvertCommand &request, Existing existing)
{
    Plan plan;
    plan.request = request;
    plan.existing = existing;

    QVector<FileId> inputIds;
    inputIds.reserve(request.inputs.size());
    for (const QString &input : request.inputs)
        inputIds.append(inputs::isStandardInput(input) ? FileId() : fileId(input));
    bool standardInputSeen = false;
    // Each output path, by the row that writes it.
    QHash<QString, int> writers;

    for (int i = 0; i < request.inputs.size(); ++i) {
        PlanRow row;
        row.index = i;
        row.input = request.inputs.at(i);
        row.output = command::outputPath(row.input, request.outputFolder, request.suffix);
        const auto refuse = [&row](const QString &reason) {
            row.status = PlanRow::Status::Refused;
            row.reason = reason;
        };

        QString why;
        // The standard input can be read only once, by the conversion itself.
        const bool stream = inputs::isStandardInput(row.input);
        const sox::Format opened = stream ? nullptr : soxchain::openInput(row.input, &why);
        if (opened) {
            row.facts = factsOf(*opened, QFileInfo(row.input).size());
            predictSize(request, &row);
        } else if (stream) {
            predictSize(request, &row);
        }

        const FileId outputId = fileId(row.output);
        const int landsOn = outputId.exists ? inputIds.indexOf(outputId) : -1;
        const auto writer = writers.constFind(outputKey(row.output));
        if (stream && standardInputSeen) {
            refuse(
                QCoreApplication::translate("engine", "the standard input can be read only once"));
        } else if (!opened && !stream) {
            refuse(why);
        } else if (landsOn == i) {
            refuse(QCoreApplication::translate("engine",
                                               "the output would overwrite the input file itself"));
        } else if (landsOn >= 0) {
            refuse(QCoreApplication::translate(
                       "engine", "the output would overwrite %1, another input of this request")
                       .arg(request.inputs.at(landsOn)));
        } else if (writer != writers.constEnd()) {
            refuse(QCoreApplication::translate(
                       "engine", "%1 already writes %2; give a suffix or convert them apart")
                       .arg(request.inputs.at(writer.value()), row.output));
        } else if (row.bytesExact && request.slot.startFrame > 0 &&
                   row.bytes == units::headerBytes + row.padBytes) {
            refuse(QCoreApplication::translate(
                       "engine", "the start lies at or after the end of the sound (%1 s)")
                       .arg(row.facts.frames / row.facts.sampleRate));
        } else if (request.fileSize <= units::headerBytes && row.bytesExact &&
                   row.bytes - units::headerBytes > units::maxDataBytes) {
            refuse(QCoreApplication::translate(
                "engine", "the converted audio is larger than a WAV file can hold (4 GiB); "
                          "choose a size"));
        } else if (existing != Existing::Overwrite && outputExists(row.output)) {
            row.status =
                existing == Existing::Skip ? PlanRow::Status::Skip : PlanRow::Status::Refused;
            row.reason =
                QCoreApplication::translate("engine", "the output %1 exists").arg(row.output);
        }
        standardInputSeen |= stream;
        if (row.status == PlanRow::Status::Convert)
            writers.insert(outputKey(row.output), i);
        plan.rows.append(row);
    }
    return plan;
}

QVector<PathClash> pathClashes(const QStringList &inputs, const QString &folder,
                               const QString &suffix)
{
    QHash<QString, int> inputAt;
    for (int i = 0; i < inputs.size(); ++i)
        inputAt.insert(QDir::cleanPath(inputs.at(i)), i);
    QHash<QString, int> writer;
    QVector<PathClash> clashes;
    for (int i = 0; i < inputs.size(); ++i) {
        PathClash clash;
        clash.input = i;
        clash.output = command::outputPath(inputs.at(i), folder, suffix);
        const QString key = QDir::cleanPath(clash.output);
        const int landsOn = inputAt.value(key, -1);
        if (landsOn == i) {
            clash.kind = PathClash::Kind::Itself;
        } else if (landsOn >= 0) {
            clash.kind = PathClash::Kind::Input;
            clash.other = landsOn;
        } else if (writer.contains(key)) {
            clash.kind = PathClash::Kind::Shared;
            clash.other = writer.value(key);
        } else {
            writer.insert(key, i);
            continue;
        }
        clashes.append(clash);
    }
    return clashes;
}
