#include "app/core.h"

#include "bridge/data.h"
#include "convert/batch.h"
#include "convert/resampling.h"

#include <QThreadPool>
#include <QtConcurrent>

Core::Core(QObject *parent) : QObject(parent)
{
    data = new Data();
    resampling = new Resampling();
    QObject::connect(data, SIGNAL(sgConvert(QString)), this, SLOT(slConvert(QString)),
                     Qt::AutoConnection);
}

Core::~Core()
{
    cancel = true;
    pending.clear();
    worker.waitForFinished();
}

void Core::slConvert(QString request)
{
    if (busy) {
        pending.append(request);
        data->notifyWait(true);
        return;
    }
    command = request;
    busy = true;
    data->notifyWait(true);
    startWorker();
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
    runBatch(command, *resampling, report, &cancel);
    command.clear();
    // The end of the request is settled on the GUI thread, behind every signal
    // this run has emitted: the next queued request starts there, or the wait ends.
    QMetaObject::invokeMethod(this, "slRunEnded", Qt::QueuedConnection);
}

void Core::slRunEnded()
{
    if (!pending.isEmpty() && !cancel) {
        command = pending.takeFirst();
        startWorker();
        return;
    }
    busy = false;
    data->notifyWait(false);
}
