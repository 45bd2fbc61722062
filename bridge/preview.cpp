#include "bridge/preview.h"

#include "bridge/waveform.h"
#include "convert/planmap.h"

#include <QCoreApplication>
#include <QQmlEngine>

#include <condition_variable>
#include <deque>
#include <thread>

// One thread that runs jobs in the order given. Jobs are handed over under a
// std::mutex, which ThreadSanitizer sees (Qt 5's thread pool hands them over
// under locks it cannot see).
class PreviewWorker
{
public:
    PreviewWorker() : thread([this] { loop(); }) {}
    ~PreviewWorker()
    {
        {
            std::lock_guard<std::mutex> locker(lock);
            quitting = true;
        }
        wake.notify_all();
        thread.join();
    }
    void post(std::function<void()> job)
    {
        {
            std::lock_guard<std::mutex> locker(lock);
            jobs.push_back(std::move(job));
        }
        wake.notify_all();
    }
    // Returns once every job posted so far has ended.
    void waitForIdle()
    {
        std::unique_lock<std::mutex> locker(lock);
        wake.wait(locker, [this] { return jobs.empty() && !busy; });
    }

private:
    void loop()
    {
        std::unique_lock<std::mutex> locker(lock);
        for (;;) {
            wake.wait(locker, [this] { return quitting || !jobs.empty(); });
            if (jobs.empty())
                return;
            std::function<void()> job = std::move(jobs.front());
            jobs.pop_front();
            busy = true;
            locker.unlock();
            job();
            job = nullptr;
            locker.lock();
            busy = false;
            wake.notify_all();
        }
    }

    std::mutex lock;
    std::condition_variable wake;
    std::deque<std::function<void()>> jobs;
    bool busy = false;
    bool quitting = false;
    std::thread thread; // last: it starts once the rest exists
};

namespace {

// Buckets per overview: enough that a few seconds of a half-hour sound,
// zoomed to its slot, still show over a hundred (half a MiB an overview).
constexpr int overviewBuckets = 65536;

const QString idle = QStringLiteral("idle");

QString keyOf(const QString &input, quint32 rate, quint32 channels)
{
    return QStringLiteral("%1\n%2\n%3").arg(input).arg(rate).arg(channels);
}

// The plan's own figures of the row, and the frames the waveform draws.
QVariantMap slotMap(const ConvertCommand &request, const PlanRow &row)
{
    const SlotFrames f = slotFrames(request, row);
    QVariantMap map = planmap::rowMap(request, row);
    map.insert(QStringLiteral("ok"), row.status == PlanRow::Status::Convert);
    map.insert(QStringLiteral("totalFrames"), double(f.totalFrames));
    map.insert(QStringLiteral("padFrames"), double(f.padFrames));
    map.insert(QStringLiteral("rate"), double(f.rate));
    return map;
}

} // namespace

void registerPreviewTypes()
{
    preview::prepareProcess();
    qRegisterMetaType<Overview>();
    qmlRegisterType<WaveformItem>("Sabletide.Preview", 1, 0, "WaveformItem");
    qmlRegisterType<SlotPreview>("Sabletide.Preview", 1, 0, "SlotPreview");
}

SlotPreview::SlotPreview(QObject *parent)
    : QObject(parent), outputs(preview::defaultOutputs()), planning(new PreviewWorker),
      overviews(new PreviewWorker), playback(new PreviewWorker)
{
    // The window's engine may never be destroyed: stop before libsox is.
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this,
                &SlotPreview::shutdown);
}

SlotPreview::~SlotPreview()
{
    shutdown();
}

void SlotPreview::setOutputs(const QVector<preview::Output> &given)
{
    outputs = given;
}

void SlotPreview::shutdown()
{
    cancelOverviews(QString(), 0, 0);
    if (playStop)
        playStop->store(true);
    ++showSerial;
    planning->waitForIdle();
    overviews->waitForIdle();
    playback->waitForIdle();
}

void SlotPreview::deliver(std::function<void()> answer)
{
    bool first = false;
    {
        std::lock_guard<std::mutex> locker(mailLock);
        first = mail.empty();
        mail.push_back(std::move(answer));
    }
    // One wake-up carries everything that arrives before it is handled.
    if (first)
        QMetaObject::invokeMethod(this, "slDeliver", Qt::QueuedConnection);
}

void SlotPreview::slDeliver()
{
    std::vector<std::function<void()>> arrived;
    {
        std::lock_guard<std::mutex> locker(mailLock);
        arrived.swap(mail);
    }
    for (const auto &answer : arrived)
        answer();
}

void SlotPreview::doShow(const QString &command, const QVariantMap &options, const QString &input)
{
    const quint64 serial = ++showSerial;
    const bool otherInput = input != shownInput;
    shownInput = input;
    ConvertCommand request;
    QString error;
    if (!preview::requestFor(command, options, input, &request, &error)) {
        slotValue = {{QStringLiteral("ok"), false}, {QStringLiteral("reason"), error}};
        Q_EMIT slotChanged();
        cancelOverviews(QString(), 0, 0);
        setOverview(QVariant(), QString(), 0, 0);
        setProgress(-1);
        return;
    }
    if (otherInput) {
        slotValue.clear();
        Q_EMIT slotChanged();
    }
    // Planning opens the input, which for some files means reading all of it.
    planning->post([this, request, input, serial] {
        if (showSerial.load() != serial)
            return;
        const QVariantMap answer = slotMap(request, preview::planOne(request, input).rows.first());
        deliver([this, answer, serial] {
            if (showSerial.load() != serial)
                return;
            slotValue = answer;
            Q_EMIT slotChanged();
        });
    });
    showOverview(input, request.sampleRate, request.channels);
}

void SlotPreview::showOverview(const QString &input, quint32 rate, quint32 channels)
{
    const QString key = keyOf(input, rate, channels);
    Overview cached;
    if (cache.find(input, rate, channels, &cached)) {
        cancelOverviews(QString(), 0, 0);
        setProgress(-1);
        if (overviewKey != key)
            setOverview(QVariant::fromValue(cached), input, rate, channels);
        return;
    }
    // The one shown may be of an older version of the file.
    setOverview(QVariant(), QString(), 0, 0);
    cancelOverviews(input, rate, channels);
    for (const OverviewJob &job : qAsConst(overviewJobs)) {
        if (job.input == input && job.rate == rate && job.channels == channels &&
            !job.cancel->load())
            return;
    }
    auto cancel = std::make_shared<std::atomic_bool>(false);
    overviewJobs.append(OverviewJob{input, rate, channels, cancel});
    setProgress(0);
    overviews->post([this, input, rate, channels, cancel] {
        const FileStamp stamp = fileStamp(input);
        overview::Hooks hooks;
        hooks.cancel = cancel.get();
        hooks.progress = [this, cancel](quint64 done, quint64 total) {
            if (total == 0)
                return;
            const double fraction = qMin(1.0, double(done) / double(total));
            deliver([this, cancel, fraction] {
                if (!cancel->load())
                    setProgress(fraction);
            });
        };
        Overview made;
        QString why;
        const bool ok =
            overview::compute(input, rate, channels, overviewBuckets, hooks, &made, &why);
        deliver([=] {
            for (int i = overviewJobs.size() - 1; i >= 0; --i) {
                if (overviewJobs.at(i).cancel == cancel)
                    overviewJobs.removeAt(i);
            }
            if (cancel->load())
                return;
            setProgress(-1);
            if (!ok) {
                Q_EMIT sgOverviewFailed(input, why);
                return;
            }
            cache.insert(input, stamp, made);
            if (input == shownInput)
                setOverview(QVariant::fromValue(made), input, rate, channels);
        });
    });
}

void SlotPreview::cancelOverviews(const QString &except, quint32 rate, quint32 channels)
{
    for (const OverviewJob &job : qAsConst(overviewJobs)) {
        if (job.input != except || job.rate != rate || job.channels != channels)
            job.cancel->store(true);
    }
}

void SlotPreview::setOverview(const QVariant &value, const QString &input, quint32 rate,
                              quint32 channels)
{
    const QString key = value.isValid() ? keyOf(input, rate, channels) : QString();
    if (key == overviewKey)
        return;
    overviewKey = key;
    overviewValue = value;
    Q_EMIT overviewChanged();
}

void SlotPreview::setProgress(double value)
{
    if (value == progress)
        return;
    progress = value;
    Q_EMIT overviewProgressChanged();
}

void SlotPreview::doForget(const QString &input)
{
    cache.forget(input);
    for (const OverviewJob &job : qAsConst(overviewJobs)) {
        if (job.input == input)
            job.cancel->store(true);
    }
    if (input == shownInput)
        setProgress(-1);
}

void SlotPreview::setState(const QString &value, const QString &input)
{
    if (state == value && playInput == input)
        return;
    state = value;
    playInput = input;
    Q_EMIT playStateChanged();
}

void SlotPreview::doPlay(const QString &command, const QVariantMap &options, const QString &input)
{
    doStop();
    ConvertCommand request;
    QString error;
    if (!preview::requestFor(command, options, input, &request, &error)) {
        Q_EMIT sgPlayFailed(input, error);
        return;
    }
    auto stop = std::make_shared<std::atomic_bool>(false);
    playStop = stop;
    const quint64 serial = ++playSerial;
    setState(QStringLiteral("preparing"), input);
    playback->post([this, request, input, given = outputs, stop, serial] {
        preview::PlayHooks hooks;
        hooks.stop = stop.get();
        hooks.playing = [this, input, serial] {
            deliver([this, input, serial] {
                if (serial == playSerial && state != idle)
                    setState(QStringLiteral("playing"), input);
            });
        };
        QString why;
        const preview::Outcome outcome = preview::play(request, input, given, hooks, &why);
        deliver([this, input, serial, outcome, why] {
            if (serial == playSerial)
                setState(idle, QString());
            if (outcome == preview::Outcome::Failed)
                Q_EMIT sgPlayFailed(input, why);
            else
                Q_EMIT sgPlayEnded(input);
        });
    });
}

void SlotPreview::doStop()
{
    if (playStop)
        playStop->store(true);
    setState(idle, QString());
}

QString SlotPreview::startText(double frame, double rate) const
{
    if (!(frame > 0) || !(rate > 0) || rate >= 4294967296.0)
        return QStringLiteral("0");
    return preview::startText(quint64(frame), quint32(rate));
}
