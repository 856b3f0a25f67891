#include "panels/ui/driveselector.h"

#include "controls/tbrowsecombobox.h"
#include "controls/tdrivebar.h"
#include "panels/ui/panellist.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScopedValueRollback>

namespace dovex {

DriveSelector::DriveSelector(QObject* parent, std::array<TbrowseComboBox*, 2> boxes,
                             std::array<TDriveBar*, 2> bars, std::array<TPanelList*, 2> lists,
                             Host host)
    : QObject(parent), m_boxes(boxes), m_bars(bars), m_lists(lists), m_host(std::move(host))
{
    for (int n = 1; n <= 2; ++n) {
        TbrowseComboBox* box = m_boxes[size_t(n - 1)];
        // Only the two lists take the focus with Tab; the boxes are reached
        // with the mouse or with Alt+F1 and Alt+F2.
        box->setFocusPolicy(Qt::ClickFocus);
        box->installEventFilter(this);
        box->onChange = [this] {
            // A change made with the keys waits until the box is left.
            if (!m_syncing && !m_guard)
                m_host.returnKeys();
        };
        TDriveBar* bar = m_bars[size_t(n - 1)];
        bar->onPress = [this, n](int x) { press(n, x); };
        bar->onMove = [this, n](int x) { move(n, x); };
        bar->onRelease = [this] { release(); };
    }
}

void DriveSelector::fill()
{
    const QScopedValueRollback sync(m_syncing, true);
    for (TbrowseComboBox* box : m_boxes)
        box->FillDrives();
}

void DriveSelector::reread()
{
    DriveMap::instance().reload();
    const QScopedValueRollback sync(m_syncing, true);
    for (TbrowseComboBox* box : m_boxes)
        box->Reread();
}

void DriveSelector::paint()
{
    const TbrowseComboBox* left = m_boxes[0];
    m_slots.clear();
    QList<TDriveBar::Item> items;
    for (int i = 0; i < left->count(); ++i) {
        const QString text = left->itemText(i);
        if (TbrowseComboBox::isPathItem(text) || text.isEmpty())
            continue;
        m_slots.append(text);
        items.append({text[0], left->itemKind(i)});
    }
    for (size_t k = 0; k < 2; ++k)
        m_bars[k]->paintDrives(TDriveBar::slotsFor(m_lists[k]->width()), items);
}

void DriveSelector::showPath(int n, const QString& path)
{
    const QScopedValueRollback sync(m_syncing, true);
    m_boxes[size_t(n - 1)]->SetPath(path);
}

void DriveSelector::selectDrive(int n, QChar letter)
{
    const QScopedValueRollback sync(m_syncing, true);
    m_boxes[size_t(n - 1)]->SelectDrive(letter);
    m_boxes[size_t(n - 1)]->SetPath(QString(letter.toLower()) + QStringLiteral(":\\"));
}

bool DriveSelector::choose(int n, QChar letter)
{
    if (m_boxes[size_t(n - 1)]->driveItem(letter) < 0)
        return false;
    m_guard = false;
    selectDrive(n, letter);
    m_host.apply(n);
    return true;
}

void DriveSelector::dropDown(int n)
{
    m_guard = true;
    m_boxes[size_t(n - 1)]->setFocus();
    m_boxes[size_t(n - 1)]->showPopup();
}

void DriveSelector::press(int n, int x)
{
    TDriveBar* bar = m_bars[size_t(n - 1)];
    if (x < 0)
        return;
    const int slot = x / TDriveBar::kSlotWidth;
    // Beyond the last drive, or beyond what this (narrower) bar shows.
    if (slot >= m_slots.size() || slot >= bar->slotCount())
        return;
    bar->pressSlot(slot);
    choose(n, m_slots[slot][0]);
    // A question asked meanwhile takes the button's release with it.
    if (!(QApplication::mouseButtons() & Qt::LeftButton))
        release();
}

void DriveSelector::move(int n, int x)
{
    if (x < 0)
        return;
    const int slot = x / TDriveBar::kSlotWidth;
    m_bars[size_t(n - 1)]->setToolTip(slot < m_slots.size() ? m_slots[slot].mid(3) : QString());
}

void DriveSelector::release()
{
    for (TDriveBar* bar : m_bars)
        bar->release();
}

bool DriveSelector::eventFilter(QObject* watched, QEvent* event)
{
    for (int n = 1; n <= 2; ++n) {
        if (watched != m_boxes[size_t(n - 1)])
            continue;
        if (event->type() == QEvent::KeyPress) {
            m_guard = true;
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Escape) {
                m_host.returnKeys();
                return true;
            }
        } else if (event->type() == QEvent::FocusOut) {
            m_guard = false;
            m_host.apply(n);
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace dovex
