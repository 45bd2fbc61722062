#include "convert/worker.h"

#include "convert/committer.h"
#include "convert/interrupt.h"
#include "convert/progress.h"
#include "convert/resampling.h"
#include "convert/sound.h"
#include "convert/spare.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

int spareProcessorsFor(int rowsToStart, int rowsRunning, int processors)
{
    return qMax(0, processors - rowsRunning - rowsToStart);
}

namespace {

// Measured with bench/run on 2 processors: a worker process starts in about
// 40 ms (Qt, libsox and its format plugins); a conversion costs about 1 ms,
// and at least 1 ms more per second of each input channel.
constexpr double startSeconds = 0.040;
constexpr double perInput = 0.001;
constexpr double perChannelSecond = 0.001;
// An input that does not say how long it is may be long.
constexpr double unknownSeconds = 60;

} // namespace

double rowSeconds(const Plan &plan, const PlanRow &row)
{
    const InputFacts &f = row.facts;
    double seconds = f.frames > 0 && f.sampleRate > 0 ? f.frames / f.sampleRate : unknownSeconds;
    // A slot stops the chain at its cut.
    if (row.cutFrame > 0 && plan.request.sampleRate > 0)
        seconds = qMin(seconds, double(row.cutFrame) / plan.request.sampleRate);
    return perInput + seconds * qMax(1u, f.channels) * perChannelSecond;
}

int workersFor(const Plan &plan, int jobs)
{
    double work = 0;
    int rows = 0;
    for (const PlanRow &row : plan.rows) {
        if (row.status != PlanRow::Status::Convert)
            continue;
        ++rows;
        work += rowSeconds(plan, row);
    }
    // A worker pays for its start once it has twice that much to do.
    const int worth = int(work / (2 * startSeconds));
    return qMax(1, qMin(qMin(jobs, rows), worth));
}

int workerCount(const Plan &plan, int asked, int processors)
{
    return asked > 0 ? qMin(asked, plan.count(PlanRow::Status::Convert))
                     : workersFor(plan, processors);
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
    std::atomic_bool parentGone{false};
    const auto send = [&parentGone](const QByteArray &line) {
        if (!writeAll(line))
            parentGone = true;
    };
    const auto sendEnd = [&send](const Outcome &outcome) { send(endLine(outcome)); };
    // The parent sends the next row once this one has ended: told as soon as
    // the output stands. Gone before what it tells with.
    Committer committer(Committer::TellFrom::PlacingThread);
    QByteArray line;
    while (reader.next(&line, cancel, wakeDescriptor)) {
        const Job job = readJobLine(line);
        if (job.kind != Job::Kind::Convert) {
            committer.finish(job.params, &cancel, {},
                             Outcome::failed(QCoreApplication::translate(
                                 "engine", "the worker was sent no input it can read")),
                             sendEnd);
            if (parentGone)
                return 1;
            continue;
        }
        ProgressGate gate(workerNewsSpacingMs);
        QElapsedTimer clock;
        clock.start();
        ConvertHooks hooks;
        hooks.cancel = &cancel;
        spare::useProcessors(job.spareProcessors, &hooks);
        const auto tell = [&committer, &send](const QByteArray &news) {
            committer.tell([&send, news] { send(news); });
        };
        hooks.progress = [&](quint64 done, quint64 total) {
            if (gate.pass(done, total, clock.elapsed()))
                tell(progressLine(done, total));
        };
        hooks.clipped = [&](quint64 samples) {
            if (samples > 0)
                tell(clippedLine(samples));
        };
        hooks.warning = [&](const QString &text) { tell(warningLine(text)); };
        hooks.gain = [&](const sound::Level &level) { tell(gainLine(level)); };
        placement::Pending pending;
        const Outcome outcome = resampling.run(job.params, hooks, &pending);
        committer.finish(job.params, &cancel, std::move(pending), outcome, sendEnd);
        if (parentGone)
            return 1;
    }
    // The last output stands at its path, and is told, before the worker ends.
    committer.settle();
    return parentGone ? 1 : 0;
}

int serve()
{
    if (!interrupt::install())
        return 1;
    const int status = run(interrupt::flag(), interrupt::wakeDescriptor());
    return interrupt::signalNumber() != 0 ? 128 + interrupt::signalNumber() : status;
}

} // namespace worker
