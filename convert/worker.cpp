#include "convert/worker.h"

#include "convert/interrupt.h"
#include "convert/resampling.h"
#include "convert/sound.h"
#include "convert/spare.h"

#include <QCoreApplication>
#include <QList>

#include <algorithm>
#include <cctype>
#include <iterator>

#include <cerrno>
#include <cmath>
#include <csignal>
#include <poll.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace worker {

namespace {

const QByteArray rowWord = QByteArrayLiteral("convert");
const QByteArray progressWord = QByteArrayLiteral("progress");
const QByteArray convertedWord = QByteArrayLiteral("converted");
const QByteArray failedWord = QByteArrayLiteral("failed");
const QByteArray cancelledWord = QByteArrayLiteral("cancelled");
const QByteArray clippedWord = QByteArrayLiteral("clipped");
const QByteArray warningWord = QByteArrayLiteral("warning");
const QByteArray gainWord = QByteArrayLiteral("gain");
// Without a known total, progress is sent after this many more samples.
constexpr quint64 unknownTotalStep = quint64(1) << 20;

QByteArray encode(const QString &text)
{
    return text.toUtf8().toPercentEncoding();
}

QString decode(const QByteArray &bytes)
{
    return QString::fromUtf8(QByteArray::fromPercentEncoding(bytes));
}

// A word as encode() writes it: unreserved characters and %XX escapes of
// UTF-8, nothing else.
bool decodes(const QByteArray &word, QString *text)
{
    for (int i = 0; i < word.size(); ++i) {
        const char c = word.at(i);
        if (c == '%') {
            if (i + 2 >= word.size() || !isxdigit(uchar(word.at(i + 1))) ||
                !isxdigit(uchar(word.at(i + 2))))
                return false;
            i += 2;
        } else if (!isalnum(uchar(c)) && c != '-' && c != '.' && c != '_' && c != '~') {
            return false;
        }
    }
    const QByteArray bytes = QByteArray::fromPercentEncoding(word);
    *text = QString::fromUtf8(bytes);
    return text->toUtf8() == bytes;
}

bool writeAll(const QByteArray &bytes)
{
    const char *data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, data, size_t(left));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        data += n;
        left -= n;
    }
    return true;
}

// Lines from standard input that stop coming once a signal has arrived, also
// while the parent is silent.
class LineReader
{
public:
    bool next(QByteArray *line, const std::atomic_bool &cancel, int wakeDescriptor)
    {
        for (;;) {
            const int end = buffer.indexOf('\n');
            if (end >= 0) {
                *line = buffer.left(end);
                buffer.remove(0, end + 1);
                return true;
            }
            if (cancel.load())
                return false;
            pollfd fds[2] = {{STDIN_FILENO, POLLIN, 0}, {wakeDescriptor, POLLIN, 0}};
            const int ready = ::poll(fds, wakeDescriptor >= 0 ? 2 : 1, -1);
            if (ready < 0 && errno == EINTR)
                continue;
            if (ready < 0 || (wakeDescriptor >= 0 && fds[1].revents != 0))
                return false;
            char chunk[4096];
            const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
            if (n < 0 && errno == EINTR)
                continue;
            if (n <= 0)
                return false;
            buffer.append(chunk, int(n));
        }
    }

private:
    QByteArray buffer;
};

// The sound options that differ from the plain conversion, as "name=value"
// words after the paths: a plain row's line stays as it always was.
QByteArray soundWords(const ConvertParams &p)
{
    const SoundOptions &s = p.sound;
    QByteArray words;
    if (s.quality != SoundOptions().quality)
        words += " quality=" + sound::qualityName(s.quality).toLatin1();
    if (s.dither)
        words += " dither=1";
    // 17 digits carry a double exactly.
    if (s.gainDb != 0)
        words += " gain=" + QByteArray::number(s.gainDb, 'g', 17);
    if (s.guard)
        words += " guard=1";
    if (s.normalize)
        words += " normalize=" + QByteArray::number(s.normalizeDbfs, 'g', 17);
    if (s.loudness)
        words += " loudness=" + QByteArray::number(s.loudnessLufs, 'g', 17);
    if (s.together)
        words += " together=1";
    if (s.trimStart)
        words += " trim=" + QByteArray::number(s.trimStartDbfs, 'g', 17);
    if (p.settled.given)
        words += " settled=" + QByteArray::number(p.settled.firstDb, 'g', 17) + ',' +
                 QByteArray::number(p.settled.lastDb, 'g', 17);
    if (p.measureOnly)
        words += " measure=1";
    return words;
}

bool readSoundWord(const QByteArray &word, ConvertParams *p)
{
    SoundOptions *s = &p->sound;
    const int eq = word.indexOf('=');
    if (eq <= 0)
        return false;
    const QByteArray name = word.left(eq);
    const QByteArray value = word.mid(eq + 1);
    if (name == "quality")
        return sound::parseQuality(QString::fromLatin1(value), &s->quality);
    if (name == "dither" && value == "1") {
        s->dither = true;
        return true;
    }
    QString why;
    if (name == "gain")
        return sound::parseGain(QString::fromLatin1(value), &s->gainDb, &why);
    if (name == "guard" && value == "1") {
        s->guard = true;
        return true;
    }
    if (name == "normalize") {
        s->normalize = true;
        return sound::parseLevel(QString::fromLatin1(value), &s->normalizeDbfs, &why);
    }
    if (name == "loudness") {
        s->loudness = true;
        return sound::parseLoudness(QString::fromLatin1(value), &s->loudnessLufs, &why);
    }
    if (name == "together" && value == "1") {
        s->together = true;
        return true;
    }
    if (name == "trim") {
        s->trimStart = true;
        return sound::parseTrimLevel(QString::fromLatin1(value), &s->trimStartDbfs, &why);
    }
    if (name == "settled") {
        const QList<QByteArray> gains = value.split(',');
        bool ok[2] = {};
        if (gains.size() != 2)
            return false;
        p->settled = SettledGain{true, gains.at(0).toDouble(&ok[0]), gains.at(1).toDouble(&ok[1])};
        return ok[0] && ok[1] && std::isfinite(p->settled.firstDb) &&
               std::isfinite(p->settled.lastDb);
    }
    if (name == "measure" && value == "1") {
        p->measureOnly = true;
        return true;
    }
    return false;
}

} // namespace

QByteArray rowLine(const ConvertParams &p, int spareProcessors)
{
    return rowWord + ' ' + QByteArray::number(p.sampleRate) + ' ' + QByteArray::number(p.channels) +
           ' ' + QByteArray::number(p.bitsPerSample) + ' ' + QByteArray::number(p.fileSize) + ' ' +
           (p.mayReplace ? '1' : '0') + ' ' + (p.slot.pad ? '1' : '0') + ' ' +
           QByteArray::number(p.slot.fadeOutMs) + ' ' + QByteArray::number(p.slot.startFrame) +
           ' ' + QByteArray::number(qBound(0, spareProcessors, 255)) + ' ' + encode(p.inputPath) +
           ' ' + encode(p.outputPath) + soundWords(p) + '\n';
}

Job readJobLine(const QByteArray &line)
{
    Job job;
    const QList<QByteArray> words = line.split(' ');
    if (words.size() < 12 || words.at(0) != rowWord)
        return job;
    ConvertParams read;
    for (int i = 12; i < words.size(); ++i) {
        if (!readSoundWord(words.at(i), &read))
            return job;
    }
    bool ok[9] = {};
    const uint rate = words.at(1).toUInt(&ok[0]);
    const uint channels = words.at(2).toUInt(&ok[1]);
    const uint bits = words.at(3).toUInt(&ok[2]);
    const uint size = words.at(4).toUInt(&ok[3]);
    const uint replace = words.at(5).toUInt(&ok[4]);
    const uint pad = words.at(6).toUInt(&ok[5]);
    const uint fade = words.at(7).toUInt(&ok[6]);
    const quint64 start = words.at(8).toULongLong(&ok[7]);
    const uint spare = words.at(9).toUInt(&ok[8]);
    if (std::find(std::begin(ok), std::end(ok), false) != std::end(ok) || channels > 255 ||
        bits > 255 || replace > 1 || pad > 1 || spare > 255)
        return job;
    job.kind = Job::Kind::Convert;
    job.params.sampleRate = rate;
    job.params.channels = quint8(channels);
    job.params.bitsPerSample = quint8(bits);
    job.params.fileSize = size;
    job.params.mayReplace = replace == 1;
    job.params.slot.pad = pad == 1;
    job.params.slot.fadeOutMs = fade;
    job.params.slot.startFrame = start;
    job.params.sound = read.sound;
    job.params.settled = read.settled;
    job.params.measureOnly = read.measureOnly;
    job.spareProcessors = int(spare);
    // An empty path is percent-encoded to nothing, which split() keeps as a word.
    job.params.inputPath = decode(words.at(10));
    job.params.outputPath = decode(words.at(11));
    return job;
}

int spareProcessorsFor(int rowsToStart, int rowsRunning, int processors)
{
    return qMax(0, processors - rowsRunning - rowsToStart);
}

int workersFor(const Plan &plan, int jobs)
{
    // Measured with bench/run on 2 processors: a worker process starts in
    // about 40 ms (Qt, libsox and its format plugins); a conversion costs
    // about 1 ms, and at least 1 ms more per second of each input channel.
    constexpr double startSeconds = 0.040;
    constexpr double perInput = 0.001;
    constexpr double perChannelSecond = 0.001;
    // An input that does not say how long it is may be long.
    constexpr double unknownSeconds = 60;
    double work = 0;
    int rows = 0;
    for (const PlanRow &row : plan.rows) {
        if (row.status != PlanRow::Status::Convert)
            continue;
        ++rows;
        const InputFacts &f = row.facts;
        double seconds =
            f.frames > 0 && f.sampleRate > 0 ? f.frames / f.sampleRate : unknownSeconds;
        // A slot stops the chain at its cut.
        if (row.cutFrame > 0 && plan.request.sampleRate > 0)
            seconds = qMin(seconds, double(row.cutFrame) / plan.request.sampleRate);
        work += perInput + seconds * qMax(1u, f.channels) * perChannelSecond;
    }
    // A worker pays for its start once it has twice that much to do.
    const int worth = int(work / (2 * startSeconds));
    return qMax(1, qMin(qMin(jobs, rows), worth));
}

QByteArray progressLine(quint64 done, quint64 total)
{
    return progressWord + ' ' + QByteArray::number(done) + ' ' + QByteArray::number(total) + '\n';
}

QByteArray clippedLine(quint64 samples)
{
    return clippedWord + ' ' + QByteArray::number(samples) + '\n';
}

QByteArray warningLine(const QString &text)
{
    return warningWord + ' ' + encode(text) + '\n';
}

QByteArray gainLine(const sound::Level &level)
{
    // 17 digits carry a double exactly; "nan" and "-inf" stand for what was
    // not measured or was silent.
    QByteArray line = gainWord;
    for (const double value :
         {level.gainDb, level.firstDb, level.peakDbfs, level.loudnessLufs, level.truePeakDbtp})
        line += ' ' + QByteArray::number(value, 'g', 17);
    return line + ' ' + (level.ceilingHeld ? '1' : '0') + ' ' + (level.shared ? '1' : '0') + '\n';
}

QByteArray endLine(const Outcome &outcome)
{
    switch (outcome.kind) {
    case Outcome::Kind::Converted:
        return convertedWord + '\n';
    case Outcome::Kind::Cancelled:
        return cancelledWord + '\n';
    case Outcome::Kind::Refused:
    case Outcome::Kind::Failed:
        break;
    }
    return failedWord + ' ' + encode(outcome.summary) + ' ' + encode(outcome.detail) + '\n';
}

Answer readAnswerLine(const QByteArray &line)
{
    Answer answer;
    // Only the line's end goes: an empty last word (a reason without detail)
    // is a word.
    const QList<QByteArray> words =
        (line.endsWith('\n') ? line.left(line.size() - 1) : line).split(' ');
    if (words.size() == 3 && words.at(0) == progressWord) {
        bool doneOk = false, totalOk = false;
        answer.done = words.at(1).toULongLong(&doneOk);
        answer.total = words.at(2).toULongLong(&totalOk);
        if (doneOk && totalOk)
            answer.kind = Answer::Kind::Progress;
    } else if (words.size() == 2 && words.at(0) == clippedWord) {
        bool ok = false;
        answer.done = words.at(1).toULongLong(&ok);
        if (ok)
            answer.kind = Answer::Kind::Clipped;
    } else if (words.size() == 2 && words.at(0) == warningWord) {
        if (decodes(words.at(1), &answer.warning))
            answer.kind = Answer::Kind::Warning;
    } else if (words.size() == 8 && words.at(0) == gainWord) {
        bool ok[5] = {};
        sound::Level &level = answer.level;
        level.gainDb = words.at(1).toDouble(&ok[0]);
        level.firstDb = words.at(2).toDouble(&ok[1]);
        level.peakDbfs = words.at(3).toDouble(&ok[2]);
        level.loudnessLufs = words.at(4).toDouble(&ok[3]);
        level.truePeakDbtp = words.at(5).toDouble(&ok[4]);
        level.ceilingHeld = words.at(6) == "1";
        level.shared = words.at(7) == "1";
        if (std::find(std::begin(ok), std::end(ok), false) == std::end(ok) &&
            std::isfinite(level.gainDb) && std::isfinite(level.firstDb))
            answer.kind = Answer::Kind::Gain;
    } else if (words.size() == 1 && words.at(0) == convertedWord) {
        answer.kind = Answer::Kind::End;
    } else if (words.size() == 1 && words.at(0) == cancelledWord) {
        answer.kind = Answer::Kind::End;
        answer.outcome = Outcome::cancelled();
    } else if (words.size() == 3 && words.at(0) == failedWord) {
        QString summary, detail;
        if (decodes(words.at(1), &summary) && decodes(words.at(2), &detail)) {
            answer.kind = Answer::Kind::End;
            answer.outcome = Outcome::failed(summary, detail);
        }
    }
    return answer;
}

int run(const std::atomic_bool &cancel, int wakeDescriptor)
{
#ifdef __linux__
    // A parent that dies without a word must not leave this one converting.
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
#endif
    // A parent gone away shows as a failed write, not as a fatal signal.
    std::signal(SIGPIPE, SIG_IGN);

    Resampling resampling;
    LineReader reader;
    QByteArray line;
    while (reader.next(&line, cancel, wakeDescriptor)) {
        const Job job = readJobLine(line);
        if (job.kind != Job::Kind::Convert) {
            if (!writeAll(endLine(Outcome::failed(QCoreApplication::translate(
                    "engine", "the worker was sent no input it can read")))))
                return 1;
            continue;
        }
        bool parentGone = false;
        int lastPercent = -1;
        quint64 lastDone = 0;
        ConvertHooks hooks;
        hooks.cancel = &cancel;
        spare::useProcessors(job.spareProcessors, &hooks);
        hooks.progress = [&](quint64 done, quint64 total) {
            if (total > 0) {
                const int percent = int(qMin<quint64>(100, done * 100 / total));
                if (percent == lastPercent)
                    return;
                lastPercent = percent;
            } else {
                if (done - lastDone < unknownTotalStep)
                    return;
                lastDone = done;
            }
            parentGone |= !writeAll(progressLine(done, total));
        };
        hooks.clipped = [&](quint64 samples) {
            if (samples > 0)
                parentGone |= !writeAll(clippedLine(samples));
        };
        hooks.warning = [&](const QString &text) { parentGone |= !writeAll(warningLine(text)); };
        hooks.gain = [&](const sound::Level &level) { parentGone |= !writeAll(gainLine(level)); };
        parentGone |= !writeAll(endLine(resampling.run(job.params, hooks)));
        if (parentGone)
            return 1;
    }
    return 0;
}

int serve()
{
    if (!interrupt::install())
        return 1;
    const int status = run(interrupt::flag(), interrupt::wakeDescriptor());
    return interrupt::signalNumber() != 0 ? 128 + interrupt::signalNumber() : status;
}

} // namespace worker
