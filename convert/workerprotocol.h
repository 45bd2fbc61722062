// The lines that a worker process and its parent exchange: a planned
// conversion one way, its progress, news and outcome the other.
#pragma once

#include "convert/convertparams.h"
#include "convert/outcome.h"
#include "convert/sound.h"

#include <QByteArray>
#include <QString>

namespace worker {

// One line each way, ending in "\n". Text is percent-encoded UTF-8, so that
// a newline in a path or a reason cannot split a line. `spareProcessors`:
// how many processors the conversion may use beside its own
// (spare::useProcessors), which the parent gives only where they would
// otherwise idle; 0 to 255. Sound options other than the plain conversion's
// follow the paths as "name=value" words.
QByteArray rowLine(const ConvertParams &params, int spareProcessors = 0);

struct Job
{
    enum class Kind { Convert, Unreadable };
    Kind kind = Kind::Unreadable;
    ConvertParams params;
    int spareProcessors = 0;
};
Job readJobLine(const QByteArray &line);

struct Answer
{
    // End: the conversion's outcome, in `outcome`.
    enum class Kind { Progress, Clipped, Warning, Gain, End, Unreadable };
    Kind kind = Kind::Unreadable;
    quint64 done = 0; // samples done, or clipped
    quint64 total = 0;
    QString warning;
    sound::Level level;
    Outcome outcome;
};

QByteArray progressLine(quint64 done, quint64 total);
QByteArray clippedLine(quint64 samples);
QByteArray warningLine(const QString &text);
QByteArray gainLine(const sound::Level &level);
// The conversion's end: "converted", "cancelled", or "failed" with the
// reason's summary and detail.
QByteArray endLine(const Outcome &outcome);
// Unreadable for a line that is not one of the above to the letter, a text
// that is not percent-encoded UTF-8 included.
Answer readAnswerLine(const QByteArray &line);

} // namespace worker
