#include "convert/plan.h"

#include "convert/fileid.h"
#include "convert/inputs.h"
#include "convert/soxinput.h"
#include "convert/units.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <climits>
#include <sys/stat.h>
#include <unistd.h>

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
    facts.framesEstimated = facts.frames > 0 && soxinput::lengthIsEstimate(input);
    return facts;
}

// The spelling of a path as the user would compare it: absolute and tidied.
QString spelled(const QString &path)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath());
}

// The first row recorded under any of `keys`, or -1.
int firstUnder(const QHash<QString, int> &rows, const QStringList &keys)
{
    for (const QString &key : keys) {
        const auto found = rows.constFind(key);
        if (found != rows.constEnd())
            return found.value();
    }
    return -1;
}

// Why the output name cannot be made in its folder; empty when it can.
QString nameProblem(const QString &output)
{
    const QFileInfo info(output);
    const QByteArray folder = QFile::encodeName(info.absolutePath());
    long nameMax = ::pathconf(folder.constData(), _PC_NAME_MAX);
    if (nameMax <= 0)
        nameMax = NAME_MAX;
    const qsizetype nameBytes = QFile::encodeName(info.fileName()).size();
    if (nameBytes > nameMax)
        return QCoreApplication::translate(
                   "engine", "the output name %1 is %2 bytes long; its folder allows %3")
            .arg(info.fileName())
            .arg(nameBytes)
            .arg(nameMax);
    long pathMax = ::pathconf(folder.constData(), _PC_PATH_MAX);
    if (pathMax <= 0)
        pathMax = PATH_MAX;
    if (QFile::encodeName(info.absoluteFilePath()).size() >= pathMax)
        return QCoreApplication::translate(
                   "engine", "the output path is longer than the system allows (%1 bytes)")
            .arg(pathMax);
    return QString();
}

void predictSize(const ConvertCommand &r, PlanRow *row)
{
    const InputFacts &f = row->facts;
    const bool sized = r.fileSize > units::headerBytes;
    const quint64 room = sized ? r.fileSize - units::headerBytes : 0;
    const quint64 start = r.startFrameOf(row->index);
    row->startFrame = start;
    // Where the sound begins is known only once it is read.
    if (f.frames == 0 || r.sound.trimStart) {
        if (sized)
            row->bytes = r.fileSize;
        row->bytesExact = sized && r.slot.pad;
        return;
    }
    const quint64 frameBytes = units::frameBytes(r.channels, r.bitsPerSample);
    const quint64 total = units::framesAfterRate(f.frames, f.sampleRate, r.sampleRate);
    const quint64 available = total > start ? (total - start) * frameBytes : 0;
    const quint64 taken = sized ? qMin(available, room) : available;
    row->padBytes = r.slot.pad && sized ? room - taken : 0;
    row->bytes = units::headerBytes + taken + row->padBytes;
    // A padded slot is filled whatever the sound's true length.
    row->bytesExact = !f.framesEstimated || (sized && r.slot.pad);
    row->shortBy = sized ? room - taken - row->padBytes : 0;
    if (available > taken) {
        row->cutFrame = start + taken / frameBytes;
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
    p.slot.startFrame = row.startFrame;
    p.sound = request.sound;
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
    // Each input, and each output path by the row that writes it, under the
    // keys of a folder that ignores case: what collides on a memory card is
    // refused everywhere, so that a plan made on one disk holds on the card.
    QHash<QString, int> inputAt;
    for (int i = 0; i < request.inputs.size(); ++i) {
        if (inputs::isStandardInput(request.inputs.at(i)))
            continue;
        for (const QString &key : caseFoldedKeys(request.inputs.at(i)))
            inputAt.insert(key, inputAt.value(key, i));
    }
    bool standardInputSeen = false;
    QHash<QString, int> writers;

    for (int i = 0; i < request.inputs.size(); ++i) {
        PlanRow row;
        row.index = i;
        row.input = request.inputs.at(i);
        row.output = command::outputPath(row.input, request.outputFolderOf(i), request.suffix);
        const auto refuse = [&row](const QString &reason) {
            row.status = PlanRow::Status::Refused;
            row.reason = reason;
        };

        Outcome why;
        // The standard input can be read only once, by the conversion itself.
        const bool stream = inputs::isStandardInput(row.input);
        const sox::Format opened = stream ? nullptr : soxinput::open(row.input, &why);
        if (opened) {
            row.facts = factsOf(*opened, QFileInfo(row.input).size());
            predictSize(request, &row);
        } else if (stream) {
            predictSize(request, &row);
        }

        const FileId outputId = fileId(row.output);
        const QStringList outputKeys = caseFoldedKeys(row.output);
        int landsOn = outputId.exists ? inputIds.indexOf(outputId) : -1;
        // Only the case tells them apart, where the disk says they are two.
        const bool byCase = landsOn < 0 && (landsOn = firstUnder(inputAt, outputKeys)) >= 0 &&
                            spelled(row.output) != spelled(request.inputs.at(landsOn));
        const int writer = firstUnder(writers, outputKeys);
        const QString tooLong = nameProblem(row.output);
        if (stream && standardInputSeen) {
            refuse(
                QCoreApplication::translate("engine", "the standard input can be read only once"));
        } else if (!opened && !stream) {
            refuse(why.text());
        } else if (landsOn == i && byCase) {
            refuse(QCoreApplication::translate(
                       "engine", "the output %1 differs from the input only in case; on a memory "
                                 "card (FAT, exFAT) it would replace the input; give a suffix")
                       .arg(row.output));
        } else if (landsOn == i) {
            refuse(QCoreApplication::translate("engine",
                                               "the output would overwrite the input file itself"));
        } else if (landsOn >= 0 && byCase) {
            refuse(QCoreApplication::translate(
                       "engine", "the output %1 differs from %2, another input of this request, "
                                 "only in case; on a memory card (FAT, exFAT) it would replace it")
                       .arg(row.output, request.inputs.at(landsOn)));
        } else if (landsOn >= 0) {
            refuse(QCoreApplication::translate(
                       "engine", "the output would overwrite %1, another input of this request")
                       .arg(request.inputs.at(landsOn)));
        } else if (writer >= 0 && spelled(plan.rows.at(writer).output) != spelled(row.output)) {
            refuse(QCoreApplication::translate(
                       "engine", "%1 already writes %2, which differs from %3 only in case and is "
                                 "the same file on a memory card (FAT, exFAT); give a suffix or "
                                 "convert them apart")
                       .arg(request.inputs.at(writer), plan.rows.at(writer).output, row.output));
        } else if (writer >= 0) {
            refuse(QCoreApplication::translate(
                       "engine", "%1 already writes %2; give a suffix or convert them apart")
                       .arg(request.inputs.at(writer), row.output));
        } else if (!tooLong.isEmpty()) {
            refuse(tooLong);
        } else if (row.bytesExact && row.startFrame > 0 &&
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
        if (row.status == PlanRow::Status::Convert) {
            for (const QString &key : outputKeys)
                writers.insert(key, i);
        }
        plan.rows.append(row);
    }
    return plan;
}

QVector<PathClash> pathClashes(const QStringList &inputs, const QString &folder,
                               const QString &suffix)
{
    QHash<QString, int> inputAt;
    for (int i = 0; i < inputs.size(); ++i)
        inputAt.insert(QDir::cleanPath(inputs.at(i)).toCaseFolded(), i);
    QHash<QString, int> writer;
    QVector<PathClash> clashes;
    for (int i = 0; i < inputs.size(); ++i) {
        PathClash clash;
        clash.input = i;
        clash.output = command::outputPath(inputs.at(i), folder, suffix);
        // As a memory card compares names: without case.
        const QString key = QDir::cleanPath(clash.output).toCaseFolded();
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

void makeTreeFolders(const Plan &plan)
{
    QSet<QString> made;
    for (const PlanRow &row : plan.rows) {
        if (row.status != PlanRow::Status::Convert ||
            plan.request.subfolders.value(row.index).isEmpty())
            continue;
        const QString folder = QFileInfo(row.output).path();
        if (!made.contains(folder)) {
            QDir().mkpath(folder);
            made.insert(folder);
        }
    }
}
