// The bridge between the QML window and the program: owns the QML engine,
// publishes itself as _data and carries requests and news across.
#pragma once

#include <QObject>
#include <QQmlApplicationEngine>

class QQmlContext;

class Data : public QObject
{
    Q_OBJECT
public:
    explicit Data(QObject *parent = nullptr);
    ~Data() override;

    void notifyWait(bool wait);
    void notifyResampReady(QString fileName);
    void notifyResampFailed(QString fileName, QString reason);

    // The window document, beside the executable.
    static QString documentPath();
    // True when the window document loaded and declared a window.
    bool isLoaded() const;

Q_SIGNALS:
    void sgConvert(QString);
    void sgWait(bool wait);
    void sgResampReady(QString fileName);

public:
    Q_INVOKABLE void doConvert(QString);

Q_SIGNALS:
    void sgResampFailed(QString fileName, QString reason);

private:
    QQmlApplicationEngine engine;
    QQmlContext *context;
};
