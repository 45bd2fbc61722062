// SIGHUP, SIGINT and SIGTERM end the window program as closing it does: the
// event loop quits, the controller cancels and waits, and the scratch and
// partial files of the conversion under way are removed.
#pragma once

#include <QObject>

class QSocketNotifier;

class SignalQuit : public QObject
{
    Q_OBJECT
public:
    // Catches the signals from now on; a signal quits the application's event
    // loop with the status 128 + the signal's number.
    explicit SignalQuit(QObject *parent = nullptr);
    ~SignalQuit() override;

private Q_SLOTS:
    void slSignal();

private:
    QSocketNotifier *notifier = nullptr;
};
