#include "app/core.h"

#include "bridge/data.h"
#include "convert/batch.h"
#include "convert/resampling.h"

#include <QThread>
#include <QThreadPool>
#include <QtConcurrent>

Core::Core(QObject *parent) : QObject(parent)
{
    data = new Data();
    resampling = new Resampling();
    QObject::connect(data, SIGNAL(sgConvert(QString)), this, SLOT(slConvert(QString)),
                     Qt::AutoConnection);
    QObject::connect(data, SIGNAL(sgConvertWith(QString, QString)), this,
                     SLOT(slConvertWith(QString, QString)), Qt::AutoConnection);
    QObject::connect(data, SIGNAL(sgConvertOptions(QString, QVariantMap)), this,
                     SLOT(slConvertOptions(QString, QVariantMap)), Qt::AutoConnection);
    QObject::connect(data, SIGNAL(sgCancel()), this, SLOT(slCancel()), Qt::AutoConnection);
}

Core::~Core()
{
    cancel = true;
    pending.clear();
    worker.waitForFinished();
}

void Core::slConvert(QString request)
{
    slConvertOptions(request, QVariantMap());
}

void Core::slConvertWith(QString request, QString existing)
{
    slConvertOptions(request, QVariantMap{{QStringLiteral("existing"), existing}});
}

void Core::slConvertOptions(QString request, QVariantMap given)
{
    if (busy) {
        pending.append(Request{request, given});
        data->notifyWait(true);
        return;
    }
    command = request;
    options = given;
    cancel = false;
    busy = true;
    data->notifyWait(true);
    startWorker();
}

void Core::slCancel()
{
    pending.clear();
    if (busy)
        cancel = true;
}

void Core::startWorker()
{
    worker = QtConcurrent::run(QThreadPool::globalInstance(), this, &Core::doConvert);
}

void Core::doConvert()
{
    BatchReport report;
    report.converted = [this](int, const QString &input, const QString &) {
        data->notifyResampReady(input);
    };
    report.failed = [this](int, const QString &input, const QString &reason) {
        data->notifyResampFailed(input, reason);
    };
    report.skipped = [this](int, const QString &input, const QString &reason) {
        data->notifyResampSkipped(input, reason);
    };
    QString running;
    int percent = -1;
    report.started = [&](int, const QString &input, const QString &) {
        running = input;
        percent = -1;
        data->notifyResampStarted(input);
    };
    report.progress = [&](int, quint64 done, quint64 total) {
        // At most one signal per percent: the window needs no more, and a
        // flood of queued signals would keep its thread busy.
        const int now = total > 0 ? int(qMin<quint64>(100, done * 100 / total))
                                  : int(done >> 20); // about one per million samples
        if (now == percent)
            return;
        percent = now;
        data->notifyResampProgress(running, qreal(done), qreal(total));
    };
    report.clipped = [&](int, quint64 samples) {
        data->notifyResampClipped(running, qreal(samples));
    };
    // The window converts one input at a time: the other processors would idle.
    report.spareProcessors = QThread::idealThreadCount() - 1;
    RequestOptions read;
    QString problem;
    if (readRequestOptions(options, &read, &problem))
        runBatch(command, *resampling, report, &cancel, read);
    else
        data->notifyResampFailed(QString(), problem);
    command.clear();
    options.clear();
    // The end of the request is settled on the GUI thread, behind every signal
    // this run has emitted: the next queued request starts there, or the wait ends.
    QMetaObject::invokeMethod(this, "slRunEnded", Qt::QueuedConnection);
}

void Core::slRunEnded()
{
    if (!pending.isEmpty() && !cancel) {
        const Request next = pending.takeFirst();
        command = next.command;
        options = next.options;
        startWorker();
        return;
    }
    busy = false;
    data->notifyWait(false);
}
