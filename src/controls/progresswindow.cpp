#include "controls/progresswindow.h"

#include "controls/dialogowner.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>

namespace dovex {

namespace {

// Pending input is let through at most this often (milliseconds).
constexpr int kEventInterval = 30;

} // namespace

ProgressWindow::ProgressWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint)
{
    m_sinceEvents.start();
}

ProgressWindow::~ProgressWindow()
{
    qApp->removeEventFilter(this);
}

void ProgressWindow::startRun()
{
    m_abort = false;
    m_escape = false;
    m_running = true;
    qApp->installEventFilter(this);
}

void ProgressWindow::stopRun()
{
    m_running = false;
    qApp->removeEventFilter(this);
}

bool ProgressWindow::stopAsked()
{
    letEventsThrough(false);
    return m_abort || m_escape;
}

void ProgressWindow::letEventsThrough(bool force)
{
    if (!force && m_sinceEvents.elapsed() < kEventInterval)
        return;
    m_sinceEvents.restart();
    QApplication::processEvents();
}

void ProgressWindow::centerOnScreen()
{
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
}

bool ProgressWindow::eventFilter(QObject* watched, QEvent* event)
{
    // Escape is taken where it reaches a widget (a window passes it on to
    // one), except in a question shown over this window.
    if (m_running && event->type() == QEvent::KeyPress && watched->isWidgetType() &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !inOwnedWindow(watched, this)) {
        m_escape = true;
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace dovex
