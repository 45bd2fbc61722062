// The controller: owns the bridge and the converter, and runs each convert
// request on Qt's global thread pool, one request at a time: its inputs in
// worker processes side by side, or one after the other in this process.
#pragma once

#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <atomic>

class Data;
class Resampling;
struct BatchReport;

class Core : public QObject
{
    Q_OBJECT
public:
    // `workerProgram` is started with the worker argument to convert inputs
    // side by side (the window program itself); without one, every input
    // converts in this process, one at a time.
    explicit Core(QObject *parent = nullptr, const QString &workerProgram = QString());
    // Cancels the running request, drops the queued ones and waits for the
    // worker: nothing may run on a destroyed controller.
    ~Core() override;

    Data *bridge() const { return data; }

private Q_SLOTS:
    void slConvert(QString);
    void slConvertWith(QString command, QString existing);
    void slConvertOptions(QString command, QVariantMap options);
    void slCancel();
    void doConvert();
    void slRunEnded();

private:
    void startWorker();
    void stop();
    // Parses, plans and runs the request on the worker thread.
    void runRequest(const QVariantMap &given, const BatchReport &report);

    Data *data;
    Resampling *resampling;
    const QString workerProgram;
    struct Request
    {
        QString command;
        QVariantMap options;
    };

    // The request the worker runs. Written on the GUI thread only while no
    // worker runs; the worker reads it and clears it when it is done.
    QString command;
    QVariantMap options;

    // GUI thread only. Requests that arrive while one runs wait here, so that
    // none is lost and two never convert at once.
    QVector<Request> pending;
    bool busy = false;
    QFuture<void> worker;
    std::atomic_bool cancel{false};
    // Becomes readable when `cancel` is set, for a worker pool to hear it at once.
    int wakePipe[2] = {-1, -1};
};
