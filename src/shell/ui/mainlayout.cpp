#include "shell/ui/mainlayout.h"

#include <algorithm>

namespace dovex {

namespace {

// A list frame above and below its rows.
constexpr int kListFrame = 4;
// Rows taller than this do not raise the window's minimum further: a
// stored row height must not make a window larger than any screen.
constexpr int kTallestCountedRow = 48;

// The command-button row's height, when it shows.
int buttonsHeight(bool buttons, const MainLayoutMetrics& m)
{
    return buttons ? m.buttonHeight + 2 : 0;
}

int headerTop(bool toolbar, const MainLayoutMetrics& m)
{
    return toolbar ? m.toolbarHeight : 0;
}

int minListHeight(const MainLayoutMetrics& m)
{
    return m.minRows * std::clamp(m.rowHeight, 1, kTallestCountedRow) + kListFrame;
}

// The narrowest list whose header (drive box, up button, an empty drive
// bar) stays over it.
int minListWidth(const MainLayoutMetrics& m)
{
    return m.comboWidth + m.upWidth + 13;
}

void placeHeader(MainLayout& l, int n, int left, int width, int top, const MainLayoutMetrics& m)
{
    const int comboLeft = left + 2;
    l.combos[size_t(n)] = QRect(comboLeft, top + 1, m.comboWidth, m.headerHeight - 2);
    l.ups[size_t(n)] = QRect(comboLeft + m.comboWidth + 3, top + 1, m.upWidth, m.headerHeight - 2);
    l.captions[size_t(n)] =
        QRect(comboLeft, top + m.headerHeight, std::max(0, width - 5), m.captionHeight);
    l.driveBars[size_t(n)] =
        QRect(left + m.comboWidth + m.upWidth + 9, top + 1,
              std::max(0, width - m.comboWidth - m.upWidth - 13), m.headerHeight - 2);
}

void placeButtons(MainLayout& l, int width, const MainLayoutMetrics& m)
{
    const int w = (width - 2) / 9;
    for (int k = 0; k < 9; ++k) {
        l.buttons[size_t(k)] = QRect(k * w + 1, 1, std::max(0, w - 2), m.buttonHeight);
        if (k > 0)
            l.separators[size_t(k - 1)] = QRect(k * w - 1, 1, 2, m.buttonHeight);
    }
}

} // namespace

MainLayout LayOutMainWindow(const MainLayoutInput& in, const MainLayoutMetrics& m)
{
    MainLayout l;
    const int W = in.area.width();
    const int H = in.area.height();
    // After a splitter drag the right list keeps the width it was given.
    const int rightWidth =
        in.rightWidth >= 0 ? std::clamp(in.rightWidth, 0, std::max(0, W - 3)) : W / 2 - 3;
    const int leftWidth = W - rightWidth - 3;
    const int listLeft[2] = {0, leftWidth + 3};
    const int listWidth[2] = {leftWidth, rightWidth};

    const int y = headerTop(in.toolbar, m);
    if (in.toolbar)
        l.toolbarRow = QRect(0, 0, W, m.toolbarHeight);
    const int buttons = buttonsHeight(in.buttons, m);
    const int listTop = y + m.headerHeight + m.captionHeight;
    const int listBottom = H - buttons - 2 * m.lineHeight - 2;
    const int listHeight = std::max(20, listBottom - listTop);
    for (int n = 0; n < 2; ++n) {
        l.lists[size_t(n)] = QRect(listLeft[n], listTop, listWidth[n], listHeight);
        l.lines[size_t(n)] = QRect(listLeft[n], listBottom + 1, listWidth[n], m.lineHeight);
        placeHeader(l, n, listLeft[n], listWidth[n], y, m);
    }
    l.splitter = QRect(leftWidth, listTop, 3, listHeight);
    // At least 1: a maximum of 0 would mean none.
    l.splitterMax = std::max(1, W - 2 - m.comboWidth - 29);
    l.commandLine = QRect(4, listBottom + m.lineHeight + 2, std::max(0, W - 9), m.lineHeight);
    if (in.buttons) {
        l.buttonRow = QRect(0, H - buttons, W, buttons);
        placeButtons(l, W, m);
    }
    l.leftStatusWidth = std::max(0, W / 2 - 4);
    l.minimumArea = MinimumMainArea(in.toolbar, in.buttons, m);
    return l;
}

QSize MinimumMainArea(bool toolbar, bool buttons, const MainLayoutMetrics& m)
{
    // The right list is W / 2 - 3 wide and the narrower one.
    const int narrowest = std::max(minListWidth(m), m.minRightList);
    const int width = 2 * (narrowest + 3);
    const int height = headerTop(toolbar, m) + m.headerHeight + m.captionHeight + minListHeight(m) +
                       2 * m.lineHeight + 2 + buttonsHeight(buttons, m);
    return QSize(width, height);
}

} // namespace dovex
