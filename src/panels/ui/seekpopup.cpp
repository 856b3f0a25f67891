#include "panels/ui/seekpopup.h"

#include "panels/selection.h"

#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QVBoxLayout>

namespace dovex {

TForm11::TForm11(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_edit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("Form11"));
    setWindowTitle(QStringLiteral("Seek"));
    m_edit->setObjectName(QStringLiteral("Edit1"));
    m_edit->installEventFilter(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_edit);
    setFixedWidth(160);
}

void TForm11::showOver(const QRect& selectionLine, int top)
{
    const int left = selectionLine.left() + (selectionLine.width() - width()) / 2;
    move(left, top);
    show();
    raise();
    activateWindow();
    m_edit->setFocus(Qt::OtherFocusReason);
    m_edit->setCursorPosition(int(m_edit->text().size()));
}

bool TForm11::typed(const QString& character)
{
    if (!m_entries)
        return false;
    const int index = seekEntry(*m_entries, m_edit->text() + character);
    if (index < 0)
        return false;
    if (m_callback)
        m_callback(index);
    emit cursorChanged(index);
    return true;
}

void TForm11::closePopup()
{
    if (m_closing)
        return;
    m_closing = true;
    m_edit->clear();
    hide();
    emit closed();
    m_closing = false;
}

bool TForm11::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != m_edit)
        return QWidget::eventFilter(watched, event);
    // A context menu of the edit field takes the focus for a moment only.
    if (event->type() == QEvent::FocusOut && isVisible() &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason) {
        closePopup();
        return false;
    }
    if (event->type() != QEvent::KeyPress)
        return QWidget::eventFilter(watched, event);

    const auto* key = static_cast<QKeyEvent*>(event);
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_F10:
        closePopup();
        return true;
    case Qt::Key_Backspace:
        return false; // edits the text without a search
    default:
        break;
    }
    const QString text = key->text();
    if (text.size() != 1 || !text[0].isPrint() ||
        (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    // A character that no name continues never reaches the edit field.
    return !typed(text);
}

void TForm11::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible())
        closePopup();
    QWidget::changeEvent(event);
}

} // namespace dovex
