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

void TDriveStatus::setPreferredWidth(int width)
{
    if (width == m_preferred)
        return;
    m_preferred = width;
    updateGeometry();
}

QSize TDriveStatus::sizeHint() const
{
    return QSize(m_preferred, 20);
}

QSize TDriveStatus::minimumSizeHint() const
{
    return QSize(0, 20);
}

void TDriveStatus::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    paintDriveStatus(p, rect(), m_text, palette().color(QPalette::Window));
}

} // namespace dovex
