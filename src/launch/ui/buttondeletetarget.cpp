#include "launch/ui/buttondeletetarget.h"

#include "launch/custombuttons.h"
#include "launch/ui/custombuttonbar.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace dovex {

ButtonDeleteTarget::ButtonDeleteTarget(QWidget* viewport, CustomButtonBar* bar)
    : QObject(viewport), m_bar(bar)
{
    viewport->setAcceptDrops(true);
    viewport->installEventFilter(this);
}

bool ButtonDeleteTarget::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto* e = static_cast<QDropEvent*>(event);
    if (!e->mimeData()->hasFormat(CustomButtonBar::kButtonMime))
        return QObject::eventFilter(watched, event);
    e->acceptProposedAction();
    if (type == QEvent::Drop) {
        const int slot = e->mimeData()->data(CustomButtonBar::kButtonMime).toInt();
        if (slot >= 1 && slot <= kButtonSlots)
            m_bar->DeleteButton(slot);
    }
    return true;
}

} // namespace dovex
