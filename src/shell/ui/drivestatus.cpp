#include "shell/ui/drivestatus.h"

#include "panels/ui/rowpainter.h"

#include <QPainter>

namespace dovex {

TDriveStatus::TDriveStatus(QWidget* parent) : QWidget(parent) {}

void TDriveStatus::setText(const QString& text)
{
    if (m_text == text)
        return;
    m_text = text;
    update();
}

QSize TDriveStatus::sizeHint() const
{
    return QSize(200, 20);
}

void TDriveStatus::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintDriveStatus(p, rect(), m_text, palette().color(QPalette::Window));
}

} // namespace dovex
