// Looks at a whole request before anything converts: what each input is, where
// its output goes, how large that output will really be, and whether it may
// be written at all.
#pragma once

#include "convert/command.h"
#include "convert/convertparams.h"

#include <QVector>

// What happens to an output path where a file already stands.
enum class Existing { Overwrite, Skip, Fail };

// "overwrite", "skip" or "fail"; false for anything else.
bool parseExisting(const QString &text, Existing *existing);
QString existingName(Existing existing);

// What libsox says of an input from its header, without decoding it.
struct InputFacts
{
    bool opened = false;
    QString format; // libsox's name for the file type, "flac"
    double sampleRate = 0;
    unsigned channels = 0;
    unsigned bitsPerSample = 0; // the precision of its samples
    // 0 when libsox does not know the length, or the header claims more
    // samples than the file can hold.
    quint64 frames = 0;
    // The header only estimates `frames` (MP3 guesses from its frames' headers
    // or its bit rate; the decoder's delay and padding change the count).
    bool framesEstimated = false;
};

struct PlanRow
{
    enum class Status { Convert, Skip, Refused };

    int index = 0;
    QString input;
    QString output;
    InputFacts facts;
    Status status = Status::Convert;
    QString reason; // why a row is skipped or refused
    // The size of the output once written, header included; 0 when the input
    // does not say how long it is and no size was asked for. With a size
    // asked for and an unknown length, the size asked for (at most).
    quint64 bytes = 0;
    bool bytesExact = false;
    // Bytes that a sound shorter than the requested size leaves unfilled.
    quint64 shortBy = 0;
    // Where the slot lies in the whole conversion, in output frames: it
    // starts at startFrame and cuts the sound at cutFrame (0 when the whole
    // sound from the start fits, or its length is unknown); the last
    // fadeFrames before the cut fade out; padBytes of silence follow a sound
    // that ends before the size.
    quint64 startFrame = 0;
    quint64 cutFrame = 0;
    quint64 fadeFrames = 0;
    quint64 padBytes = 0;
};

struct Plan
{
    ConvertCommand request;
    Existing existing = Existing::Overwrite;
    QVector<PlanRow> rows;

    // The conversion of one row.
    ConvertParams params(const PlanRow &row) const;
    int count(PlanRow::Status status) const;
};

// True when anything stands at an output path, a link too, broken or not:
// an output replaces the entry itself, never what a link points to.
bool outputExists(const QString &path);

// An output that would destroy an input or another output, judged from the
// paths as spelled (tidied of "//" and "/./") and without case, as a memory
// card compares names, without the disk: what a form can tell before
// anything is opened. The plan refuses the same rows, and also those that
// only the disk shows.
struct PathClash
{
    enum class Kind {
        Itself, // the output is the input
        Input,  // the output lands on the input `other`
        Shared  // the input `other`, earlier, writes the same output
    };
    int input = -1;
    int other = -1;
    QString output;
    Kind kind = Kind::Itself;
};
QVector<PathClash> pathClashes(const QStringList &inputs, const QString &folder,
                               const QString &suffix);

// One row per input, in the order of the request. Inputs are opened (not
// decoded) to learn their facts. Refused: an input that cannot be read, an
// output that would land on an input of the request, an output that an
// earlier input already writes (the same folder and name; names that differ
// only in case are one name, as on FAT and exFAT cards, wherever the files
// are), a name longer than its folder allows, one too large for a WAV file,
// and under
// Existing::Fail an output that exists, and a start at or after the end of
// the sound. Skipped: under Existing::Skip an output that exists.
Plan makePlan(const ConvertCommand &request, Existing existing = Existing::Overwrite);

// Makes the folders under the output folder that the rows converting into a
// subfolder of it (ConvertCommand::subfolders) write into, as far as they are
// missing, shaped by the umask. A folder that cannot be made fails its rows
// as they write, naming it. The output folder itself is the caller's to make
// or to refuse.
void makeTreeFolders(const Plan &plan);
