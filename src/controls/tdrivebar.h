#pragma once

#include "platform/drivemap.h"

#include <QList>
#include <QPixmap>
#include <QWidget>

#include <functional>

namespace dovex {

// A row of drive pictures, one 30-pixel slot per drive, each picture
// followed by the drive's letter and colon. The bar only paints and reports
// the mouse; which drive a slot stands for is its owner's.
class TDriveBar : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSlotWidth = 30;
    static constexpr int kBarHeight = 18;

    struct Item {
        QChar letter;
        DriveKind kind = DriveKind::Unknown;
    };

    explicit TDriveBar(QWidget* parent = nullptr);

    // The slots a panel list of this width has room for (never negative).
    static int slotsFor(int listWidth);

    // Paints the bar again with room for slotCount drives, the first of
    // `drives` in them.
    void paintDrives(int slotCount, const QList<Item>& drives);
    int slotCount() const { return m_slots; }
    // The pressed look on a slot, and back to the plain bar.
    void pressSlot(int slot);
    void release();
    // The bar as painted (with the pressed outline while pressed).
    const QPixmap& picture() const { return m_shown; }

    // Left button down, pointer move and button up; x in bar pixels.
    std::function<void(int x)> onPress;
    std::function<void(int x)> onMove;
    std::function<void()> onRelease;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int top() const { return std::max(0, (height() - kBarHeight) / 2); }

    int m_slots = 0;
    QPixmap m_bar;
    QPixmap m_shown;
};

} // namespace dovex
