// The main window's layout arithmetic and its minimum size: at the minimum
// and at every size above it no control lies over another.
#include "shell/ui/mainlayout.h"
#include "shell/ui/tform1.h"

#include "controls/telidedlabel.h"
#include "panels/ui/panellist.h"

#include "windowtest.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dovex;

namespace {

struct Named {
    std::string name;
    QRect rect;
};

// The controls of one layout that share the central area.
std::vector<Named> controls(const MainLayout& l)
{
    std::vector<Named> out = {{"toolbar", l.toolbarRow},
                              {"splitter", l.splitter},
                              {"command line", l.commandLine},
                              {"buttons", l.buttonRow}};
    for (int n = 0; n < 2; ++n) {
        const std::string side = n == 0 ? " left" : " right";
        out.push_back({"list" + side, l.lists[size_t(n)]});
        out.push_back({"line" + side, l.lines[size_t(n)]});
        out.push_back({"drive box" + side, l.combos[size_t(n)]});
        out.push_back({"up" + side, l.ups[size_t(n)]});
        out.push_back({"caption" + side, l.captions[size_t(n)]});
        out.push_back({"drive bar" + side, l.driveBars[size_t(n)]});
    }
    return out;
}

// The first overlap, or of a control with the area's edge; empty if none.
std::string firstFault(const MainLayout& l, QSize area)
{
    const std::vector<Named> all = controls(l);
    for (size_t i = 0; i < all.size(); ++i) {
        if (!all[i].rect.isEmpty() && !QRect(QPoint(0, 0), area).contains(all[i].rect))
            return all[i].name + " leaves the window";
        for (size_t j = i + 1; j < all.size(); ++j)
            if (all[i].rect.intersects(all[j].rect))
                return all[i].name + " over " + all[j].name;
    }
    for (size_t k = 1; k < l.buttons.size(); ++k)
        if (l.buttons[k].intersects(l.buttons[k - 1]) ||
            l.buttons[k].intersects(l.separators[k - 1]))
            return "command button " + std::to_string(k);
    return {};
}

} // namespace

TEST(MainLayout, NothingOverlapsAtTheMinimumOrAnySizeAboveIt)
{
    for (const int rowHeight : {17, 30, 500}) {
        MainLayoutMetrics m;
        m.rowHeight = rowHeight;
        for (const bool bars : {true, false}) {
            const QSize min = MinimumMainArea(bars, bars, m);
            // Stays on any screen, whatever row height the settings give.
            EXPECT_LE(min.width(), 400);
            EXPECT_LE(min.height(), 400);
            for (int dw = 0; dw <= 400; dw += 7) {
                for (int dh = 0; dh <= 300; dh += 11) {
                    MainLayoutInput in{min + QSize(dw, dh), bars, bars, -1};
                    MainLayout l = LayOutMainWindow(in, m);
                    ASSERT_EQ(firstFault(l, in.area), "")
                        << in.area.width() << "x" << in.area.height();
                    // Each list shows its rows and the right one the splitter's minimum.
                    ASSERT_GE(l.lists[0].height(), 3 * std::min(rowHeight, 48));
                    ASSERT_GE(l.lists[1].width(), 160);
                    // Wherever the splitter can put the right list.
                    for (const int right : {160, l.splitterMax}) {
                        in.rightWidth = right;
                        ASSERT_EQ(firstFault(LayOutMainWindow(in, m), in.area), "")
                            << in.area.width() << " split at " << right;
                    }
                }
            }
        }
    }
}

TEST(MainLayout, CommandButtonsShareTheWidthInNinths)
{
    const MainLayout l = LayOutMainWindow({QSize(920, 500), true, true, -1});
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(l.buttons[size_t(k)], QRect(1 + k * 102, 1, 100, 25)) << k;
        if (k > 0) {
            EXPECT_EQ(l.separators[size_t(k - 1)].x(), k * 102 - 1);
        }
    }
    EXPECT_EQ(l.lists[1].width(), 920 / 2 - 3);
    EXPECT_EQ(l.splitterMax, 920 - 2 - 110 - 29);
    EXPECT_EQ(l.leftStatusWidth, 920 / 2 - 4);
}

class MinimumWindowTest : public test::WindowTest {};

TEST_F(MinimumWindowTest, TheWindowGoesNoSmallerThanItsLayoutAllows)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Setting]\nState=Normal\n");
    auto form = start();
    for (const QSize asked : {QSize(480, 320), QSize(300, 200), QSize(100, 50)}) {
        form->resize(asked);
        QApplication::processEvents();
        SCOPED_TRACE(std::to_string(asked.width()) + "x" + std::to_string(asked.height()));
        for (int n = 1; n <= 2; ++n) {
            const QRect list = form->list(n)->geometry();
            EXPECT_FALSE(form->statusLine(n)->geometry().intersects(list));
            EXPECT_LE(form->driveBox(n)->geometry().right(), list.right());
            EXPECT_GE(list.height(), 3 * 17);
        }
        EXPECT_LE(form->statusLine(1)->geometry().right(), form->statusLine(2)->x());
        EXPECT_GE(form->commandButton(0)->y(), 0);
    }
    // A long selection line ends in an ellipsis inside its label.
    auto* line = qobject_cast<TElidedLabel*>(form->statusLine(1));
    ASSERT_NE(line, nullptr);
    line->setText(QString(300, QChar('x')));
    EXPECT_EQ(line->text(), QString(300, QChar('x')));
    EXPECT_TRUE(line->displayedText().endsWith(QChar(0x2026)));
    EXPECT_LT(line->fontMetrics().horizontalAdvance(line->displayedText()), line->width());
    line->setText("short");
    EXPECT_EQ(line->displayedText(), "short");
}
