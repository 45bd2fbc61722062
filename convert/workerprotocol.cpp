#include "convert/workerprotocol.h"

#include <QList>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <iterator>

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

} // namespace worker
