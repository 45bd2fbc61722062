#include "windowdriver.h"

#include <QAbstractItemModel>
#include <QGuiApplication>
#include <QMimeData>
#include <QQuickItem>
#include <QQuickWindow>
#include <QtTest>

bool WindowDriver::attach()
{
    for (QWindow *w : QGuiApplication::topLevelWindows()) {
        auto *quick = qobject_cast<QQuickWindow *>(w);
        // A closed window stays in the list, hidden.
        if (quick && quick->objectName() == QLatin1String("window") && quick->isVisible()) {
            win = quick;
            content = quick->findChild<QQuickItem *>(QStringLiteral("converterView"));
            // Keys reach the window's shortcuts only while it is the active
            // one; with no window manager nobody else makes it so.
            win->requestActivate();
            return content != nullptr && QTest::qWaitForWindowExposed(win) &&
                   QTest::qWaitForWindowActive(win);
        }
    }
    return false;
}

namespace {

// Popups are shown on the window's overlay, an item outside the view.
QQuickItem *shownItem(QQuickItem *root, const QString &name)
{
    if (root->objectName() == name)
        return root;
    const QList<QQuickItem *> children = root->childItems();
    for (QQuickItem *child : children) {
        if (QQuickItem *found = shownItem(child, name))
            return found;
    }
    return nullptr;
}

} // namespace

QObject *WindowDriver::control(const QString &name) const
{
    if (!content)
        return nullptr;
    if (QObject *found = content->findChild<QObject *>(name))
        return found;
    return shownItem(win->contentItem(), name);
}

bool WindowDriver::drop(const QStringList &paths)
{
    QList<QUrl> urls;
    for (const QString &p : paths)
        urls << QUrl::fromLocalFile(p);
    QMimeData mime;
    mime.setUrls(urls);
    const QPoint middle(win->width() / 2, win->height() / 2);
    QDragEnterEvent enter(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(win, &enter);
    if (!enter.isAccepted())
        return false;
    QDropEvent dropped(middle, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(win, &dropped);
    return dropped.isAccepted();
}

bool WindowDriver::waitForInputs(int count, int timeoutMs)
{
    QElapsedTimer t;
    t.start();
    while (inputCount() != count) {
        if (t.elapsed() > timeoutMs)
            return false;
        QTest::qWait(20);
    }
    return true;
}

bool WindowDriver::type(const QString &name, const QString &text)
{
    auto *item = qobject_cast<QQuickItem *>(control(name));
    if (!item)
        return false;
    item->forceActiveFocus(Qt::TabFocusReason);
    QTest::keyClick(win, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(win, Qt::Key_Backspace);
    for (const QChar ch : text) {
        if (ch.unicode() < 0x80)
            QTest::keyClick(win, ch.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, win, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    }
    const char *property = item->property("editable").isValid() ? "editText" : "text";
    return item->property(property).toString() == text;
}

bool WindowDriver::choose(const QString &name, int index)
{
    QObject *box = control(name);
    if (!box)
        return false;
    box->setProperty("currentIndex", index);
    return box->property("currentIndex").toInt() == index;
}

void WindowDriver::pressEnter()
{
    QTest::keyClick(win, Qt::Key_Return);
}

bool WindowDriver::click(const QString &name)
{
    auto *item = qobject_cast<QQuickItem *>(control(name));
    if (!item || !item->isVisible() || !item->isEnabled())
        return false;
    const QPointF centre = item->mapToScene(QPointF(item->width() / 2, item->height() / 2));
    QTest::mouseClick(win, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
    return true;
}

int WindowDriver::inputCount() const
{
    QObject *model = content ? content->property("batch").value<QObject *>() : nullptr;
    return model ? model->property("count").toInt() : -1;
}

QVariant WindowDriver::input(int row, const QString &role) const
{
    auto *model =
        content ? qobject_cast<QAbstractItemModel *>(content->property("batch").value<QObject *>())
                : nullptr;
    if (!model)
        return QVariant();
    const QHash<int, QByteArray> roles = model->roleNames();
    const int key = roles.key(role.toUtf8(), -1);
    return key < 0 ? QVariant() : model->data(model->index(row, 0), key);
}

QString WindowDriver::text(const QString &name) const
{
    QObject *o = control(name);
    return o ? o->property("text").toString() : QString();
}
