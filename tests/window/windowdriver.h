// Drives the real window the way a person would: finds its controls by
// objectName, drops files on it, types and presses keys. Used by the
// end-to-end test and by the program that makes the screenshots.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

class QObject;
class QQuickItem;
class QQuickWindow;

class WindowDriver
{
public:
    // Finds the shown window that main.qml declared; false when there is none.
    bool attach();

    QQuickWindow *window() const { return win; }
    QQuickItem *view() const { return content; }
    // A control of the window by its objectName, or null; popups included.
    QObject *control(const QString &name) const;

    // Drops local files and folders on the middle of the window, as a file
    // manager does. False when the window did not take the drop.
    bool drop(const QStringList &paths);
    // Waits until the window lists `count` inputs.
    bool waitForInputs(int count, int timeoutMs = 10000);

    // Replaces the text of a text field or an editable combo box by typing it.
    bool type(const QString &control, const QString &text);
    bool choose(const QString &comboBox, int index);
    void pressEnter();
    bool click(const QString &control);

    int inputCount() const;
    QVariant input(int row, const QString &role) const;
    QString text(const QString &control) const;

private:
    QQuickWindow *win = nullptr;
    QQuickItem *content = nullptr;
};
