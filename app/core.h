// The controller: owns the bridge and the converter, and runs each convert
// request on Qt's global thread pool, one request at a time.
#pragma once

#include <QFuture>
#include <QObject>
#include <QStringList>
#include <QVariantMap>
#include <QVector>

#include <atomic>

class Data;
class Resampling;

class Core : public QObject
{
    Q_OBJECT
public:
    explicit Core(QObject *parent = nullptr);
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

    Data *data;
    Resampling *resampling;
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
};
