#include "controls/dialogowner.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace dovex {

namespace {

bool canOwn(const QWidget* w)
{
    return w && w->isWindow() && w->isVisible() && !w->isMinimized() &&
           !w->testAttribute(Qt::WA_DeleteOnClose);
}

// How many windows stand behind w as its owners.
int ownerDepth(const QWidget* w)
{
    int depth = 0;
    for (const QWidget* p = w->parentWidget(); p; p = p->parentWidget())
        if (p->isWindow())
            ++depth;
    return depth;
}

QWidget* topmostStaysOnTop()
{
    QWidget* best = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        // A frameless one (the seek box under a panel) is no window a
        // question could belong to.
        const Qt::WindowFlags flags = w->windowFlags();
        if (!canOwn(w) || !(flags & Qt::WindowStaysOnTopHint) || (flags & Qt::FramelessWindowHint))
            continue;
        // The window manager keeps an owned window over its owner; between
        // unrelated ones the active window is the one in front.
        if (!best || ownerDepth(w) > ownerDepth(best) ||
            (ownerDepth(w) == ownerDepth(best) && w->isActiveWindow()))
            best = w;
    }
    return best;
}

// Raises and activates the dialog it watches each time it is shown.
class FrontOnShow : public QObject {
public:
    explicit FrontOnShow(QWidget& dialog) : QObject(&dialog) { dialog.installEventFilter(this); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Show) {
            auto* dialog = static_cast<QWidget*>(watched);
            dialog->raise();
            dialog->activateWindow(); // honoured once the window is mapped
        }
        return false;
    }
};

// Waits for the first exposure of a window, then queues the call: the
// exposure paints the window before the queue is served.
class ExposeWatcher : public QObject {
public:
    ExposeWatcher(QWidget& window, QWindow& handle, std::function<void()> call)
        : QObject(&window), m_window(&window), m_call(std::move(call))
    {
        handle.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Expose && static_cast<QWindow*>(watched)->isExposed()) {
            watched->removeEventFilter(this);
            QTimer::singleShot(0, m_window, std::move(m_call));
            deleteLater();
        }
        return false;
    }

private:
    QPointer<QWidget> m_window;
    std::function<void()> m_call;
};

} // namespace

QWidget* dialogOwner(QWidget* fallback)
{
    if (QWidget* top = topmostStaysOnTop())
        return top;
    if (QWidget* modal = QApplication::activeModalWidget(); canOwn(modal))
        return modal;
    if (fallback && canOwn(fallback->window()))
        return fallback->window();
    if (QWidget* active = QApplication::activeWindow(); canOwn(active))
        return active;
    return fallback ? fallback->window() : nullptr;
}

void placeInFront(QWidget& dialog, QWidget* fallback)
{
    QWidget* owner = dialogOwner(fallback);
    if (owner && owner != &dialog && dialog.parentWidget() != owner)
        dialog.setParent(owner, dialog.windowFlags());
    if (owner && (owner->windowFlags() & Qt::WindowStaysOnTopHint))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    if (!dialog.findChild<FrontOnShow*>(QString(), Qt::FindDirectChildrenOnly))
        new FrontOnShow(dialog);
}

bool inOwnedWindow(const QObject* watched, const QWidget* owner)
{
    if (!watched || !watched->isWidgetType())
        return false; // a window object: the widget it passes events to decides
    const QWidget* window = static_cast<const QWidget*>(watched)->window();
    if (window == owner)
        return false;
    for (const QWidget* w = window; w; w = w->parentWidget())
        if (w == owner)
            return true;
    return false;
}

void callAfterFirstPaint(QWidget& window, std::function<void()> call)
{
    QWindow* handle = window.windowHandle();
    if (!handle || handle->isExposed()) {
        QTimer::singleShot(0, &window, std::move(call));
        return;
    }
    new ExposeWatcher(window, *handle, std::move(call));
}

} // namespace dovex
