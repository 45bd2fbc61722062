#include "cli/worker.h"

#include "convert/batch.h"
#include "convert/resampling.h"

#include <QList>

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>
#ifdef __linux__
#include <sys/prctl.h>
#endif

namespace worker {

namespace {

const QByteArray requestWord = QByteArrayLiteral("request");
const QByteArray inputWord = QByteArrayLiteral("input");
const QByteArray progressWord = QByteArrayLiteral("progress");
const QByteArray convertedWord = QByteArrayLiteral("converted");
const QByteArray failedWord = QByteArrayLiteral("failed");
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

} // namespace

QByteArray requestLine(const QString &command)
{
    return requestWord + ' ' + encode(command) + '\n';
}

QByteArray inputLine(int index)
{
    return inputWord + ' ' + QByteArray::number(index) + '\n';
}

Job readJobLine(const QByteArray &line)
{
    Job job;
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() == 2 && words.at(0) == requestWord) {
        job.kind = Job::Kind::Request;
        job.command = decode(words.at(1));
    } else if (words.size() == 2 && words.at(0) == inputWord) {
        bool ok = false;
        job.index = words.at(1).toInt(&ok);
        if (ok && job.index >= 0)
            job.kind = Job::Kind::Input;
    }
    return job;
}

QByteArray progressLine(quint64 done, quint64 total)
{
    return progressWord + ' ' + QByteArray::number(done) + ' ' + QByteArray::number(total) + '\n';
}

QByteArray convertedLine()
{
    return convertedWord + '\n';
}

QByteArray failedLine(const QString &reason)
{
    return failedWord + ' ' + encode(reason) + '\n';
}

Answer readAnswerLine(const QByteArray &line)
{
    Answer answer;
    const QList<QByteArray> words = line.trimmed().split(' ');
    if (words.size() == 3 && words.at(0) == progressWord) {
        bool doneOk = false, totalOk = false;
        answer.done = words.at(1).toULongLong(&doneOk);
        answer.total = words.at(2).toULongLong(&totalOk);
        if (doneOk && totalOk)
            answer.kind = Answer::Kind::Progress;
    } else if (words.size() == 1 && words.at(0) == convertedWord) {
        answer.kind = Answer::Kind::Converted;
    } else if (words.size() == 2 && words.at(0) == failedWord) {
        answer.kind = Answer::Kind::Failed;
        answer.reason = decode(words.at(1));
    } else if (words.size() == 1 && words.at(0) == failedWord) {
        answer.kind = Answer::Kind::Failed;
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
    QString request;
    while (reader.next(&line, cancel, wakeDescriptor)) {
        const Job job = readJobLine(line);
        if (job.kind == Job::Kind::Request) {
            request = job.command;
            continue;
        }
        if (job.kind != Job::Kind::Input || request.isEmpty()) {
            if (!writeAll(failedLine(QStringLiteral("the worker was sent no input it can read"))))
                return 1;
            continue;
        }
        bool answered = false;
        bool parentGone = false;
        int lastPercent = -1;
        quint64 lastDone = 0;
        BatchReport report;
        report.progress = [&](int, quint64 done, quint64 total) {
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
        // Only the one input is reported; a refused command is reported once.
        report.converted = [&](int, const QString &, const QString &) {
            if (!answered)
                parentGone |= !writeAll(convertedLine());
            answered = true;
        };
        report.failed = [&](int, const QString &, const QString &reason) {
            if (!answered)
                parentGone |= !writeAll(failedLine(reason));
            answered = true;
        };
        runBatch(request, resampling, report, &cancel, job.index);
        if (!answered)
            parentGone |= !writeAll(
                failedLine(QStringLiteral("the command has no input %1").arg(job.index + 1)));
        if (parentGone)
            return 1;
    }
    return 0;
}

} // namespace worker
