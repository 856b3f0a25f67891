#include "controls/tdrivebar.h"

#include "controls/tbrowsecombobox.h"

#include <QMouseEvent>
#include <QPainter>

namespace dovex {

namespace {
// The part of a panel list's width that the drive box, the up button and
// the margins take.
constexpr int kListReserve = 172;
} // namespace

TDriveBar::TDriveBar(QWidget* parent) : QWidget(parent)
{
    setMouseTracking(true);
}

int TDriveBar::slotsFor(int listWidth)
{
    return std::max(0, (listWidth - kListReserve) / kSlotWidth);
}

void TDriveBar::paintDrives(int slotCount, const QList<Item>& drives)
{
    m_slots = std::max(0, slotCount);
    m_bar = QPixmap(std::max(1, kSlotWidth * m_slots), kBarHeight);
    m_bar.fill(palette().color(QPalette::Button));
    if (m_slots > 0) {
        QPainter p(&m_bar);
        p.setFont(font());
        p.setPen(palette().color(QPalette::ButtonText));
        for (int i = 0; i < m_slots && i < drives.size(); ++i) {
            const QPixmap picture = TbrowseComboBox::drivePicture(drives[i].kind);
            const int x = kSlotWidth * i;
            p.drawPixmap(x, (kBarHeight - picture.height()) / 2, picture);
            const QRect text(x + picture.width() + 1, 0, kSlotWidth - picture.width() - 1,
                             kBarHeight);
            p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                       QString(drives[i].letter.toLower()) + ':');
        }
    }
    m_shown = m_bar;
    update();
}

void TDriveBar::pressSlot(int slot)
{
    m_shown = m_bar;
    QPainter p(&m_shown);
    p.setPen(palette().color(QPalette::Dark));
    const int left = kSlotWidth * slot;
    const int right = left + kSlotWidth - 1;
    const int bottom = kBarHeight - 3;
    p.drawPolyline(QPolygon({QPoint(left, 0), QPoint(left, bottom), QPoint(right, bottom),
                             QPoint(right, 0), QPoint(left, 0)}));
    p.end();
    update();
}

void TDriveBar::release()
{
    m_shown = m_bar;
    update();
}

void TDriveBar::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Button));
    if (m_slots > 0)
        p.drawPixmap(0, top(), m_shown);
}

void TDriveBar::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && onPress)
        onPress(int(event->position().x()));
}

void TDriveBar::mouseMoveEvent(QMouseEvent* event)
{
    if (onMove)
        onMove(int(event->position().x()));
}

void TDriveBar::mouseReleaseEvent(QMouseEvent*)
{
    if (onRelease)
        onRelease();
}

} // namespace dovex
