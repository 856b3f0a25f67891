#pragma once

#include <QRect>
#include <QSize>

#include <array>

namespace dovex {

// The fixed sizes of the main window's parts, in pixels.
struct MainLayoutMetrics {
    int comboWidth = 110;   // a drive box
    int upWidth = 22;       // its up-directory button
    int headerHeight = 24;  // the row of drive box, up button and drive bar
    int captionHeight = 17; // the path caption under it
    int lineHeight = 18;    // a selection line, the command line
    int buttonHeight = 25;  // a command button
    int toolbarHeight = 31; // the toolbar row
    int rowHeight = 17;     // a list row
    int minRows = 3;        // the rows a list shows at the least
    int minRightList = 160; // the splitter never leaves the right list narrower
};

// What the layout is asked for: the central area's size, which rows show,
// and the right list's width after a splitter drag (-1: half the window).
struct MainLayoutInput {
    QSize area;
    bool toolbar = true;
    bool buttons = true;
    int rightWidth = -1;
};

// Where every control of the central area goes. The command buttons and
// their separators are placed in the button row's own coordinates.
struct MainLayout {
    QRect toolbarRow; // empty when the row is hidden
    std::array<QRect, 2> lists, lines, combos, ups, captions, driveBars;
    QRect splitter;
    QRect commandLine;
    QRect buttonRow; // empty when the row is hidden
    std::array<QRect, 9> buttons{};
    std::array<QRect, 8> separators{}; // before buttons 2 to 9
    int splitterMax = 1;               // the splitter's maximum target size
    int leftStatusWidth = 0;           // the status bar's left drive panel
    QSize minimumArea;                 // the central area goes no smaller
};

// The layout of verander: the right list half the window (or as the
// splitter left it), the left list the rest; each header on its list; the
// selection lines and the command line under the lists; nine command
// buttons of (width - 2) / 9 pixels; the minimum area of MinimumMainArea.
MainLayout LayOutMainWindow(const MainLayoutInput& in, const MainLayoutMetrics& m = {});

// The smallest central area at which no control of LayOutMainWindow
// overlaps another: both headers fit over their lists, the right list keeps
// the splitter's minimum, and each list shows its minimum rows between its
// header and its selection line.
QSize MinimumMainArea(bool toolbar, bool buttons, const MainLayoutMetrics& m = {});

} // namespace dovex
