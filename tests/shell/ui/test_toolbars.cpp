#include "shell/ui/tform1.h"

#include "controls/tcoolpanel.h"
#include "controls/twin97button.h"
#include "controls/twinsplit.h"
#include "panels/ui/panellist.h"
#include "shell/ui/commandline.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

class ToolbarTest : public ::testing::Test {
protected:
    test::DriveFixture drives{"CD"};
    test::ScriptedPrompter prompter;

    void ini(const QByteArray& text) { drives.writeSettings(text); }
    QByteArray iniText() const { return drives.settingsText(); }
    std::unique_ptr<TForm1> start(const QByteArray& extra = {})
    {
        ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Setting]\nState=Normal\n" + extra);
        auto form = std::make_unique<TForm1>(QStringList{});
        form->setPrompter(&prompter);
        form->resize(920, 600);
        form->show();
        form->FormShow();
        QApplication::processEvents();
        return form;
    }
    static int rowSum(const TForm1& form)
    {
        int sum = 0;
        for (int k = 0; k < 4; ++k)
            sum += form.toolBand(k)->width();
        return sum;
    }
    static void dragSplitter(TWinSplit* s, int dx)
    {
        QTest::mousePress(s, Qt::LeftButton, {}, QPoint(1, 10));
        QMouseEvent move(QEvent::MouseMove, QPointF(1 + dx, 10),
                         s->mapToGlobal(QPointF(1 + dx, 10)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(s, &move);
        QTest::mouseRelease(s, Qt::LeftButton, {}, QPoint(1 + dx, 10));
    }
};

} // namespace

TEST_F(ToolbarTest, TheRowHoldsFourBandsWithTheirButtonsAndHints)
{
    auto form = start();
    const char* hints[4] = {"Panel Tools", "Extra Tools", "ShellTools", "Custom Buttons"};
    int x = 0;
    for (int k = 0; k < 4; ++k) {
        TcoolPanel* band = form->toolBand(k);
        EXPECT_EQ(band->CoolHint(), hints[k]);
        EXPECT_EQ(band->x(), x) << hints[k];
        EXPECT_EQ(band->height(), 31);
        EXPECT_EQ(band->Targetcontrol(), k == 0 ? nullptr : form->toolBand(k - 1));
        x += band->width();
    }
    EXPECT_TRUE(form->toolBand(0)->Collapsed());
    EXPECT_TRUE(form->toolBand(1)->Collapsed());
    EXPECT_EQ(form->toolBand(2)->width(), 207);
    EXPECT_EQ(form->customButtonPanel()->objectName(), "CoolPanel1");
    EXPECT_EQ(rowSum(*form), 920); // the custom buttons take the rest

    const struct {
        int band;
        QStringList hints;
    } bands[] = {
        {0, {"Compare Directories", "Reread Directory", "Reread Networkdrives"}},
        {1,
         {"System Information", "Find Files", "Format Diskette", "DiskCopy", "Split File",
          "Merge Files"}},
        {2,
         {"Defrag", "Scandisk", "Disk Tools", "Control Panel", "Special Folders",
          "Connect Networkdrive", "Disconnect Networkdrive"}},
    };
    for (const auto& b : bands) {
        for (const QString& hint : b.hints) {
            TWin97Button* button = form->toolButton(hint);
            ASSERT_NE(button, nullptr) << hint.toStdString();
            EXPECT_EQ(button->parentWidget(), form->toolBand(b.band)) << hint.toStdString();
            EXPECT_EQ(button->size(), QSize(25, 25));
            EXPECT_EQ(button->y(), 3);
            EXPECT_LE(button->x() + 25, form->toolBand(b.band)->expandedwidth());
        }
    }
    // Clicking the custom panel's grip never collapses it.
    QTest::mouseClick(form->customButtonPanel()->grip(), Qt::LeftButton, {}, QPoint(5, 10));
    EXPECT_FALSE(form->customButtonPanel()->Collapsed());
}

TEST_F(ToolbarTest, ButtonsRunTheirCommandsAndFollowWhetherTheyAreBuilt)
{
    auto form = start();
    QAction* reread = form->command(Cmd::Reread);
    QSignalSpy ran(reread, &QAction::triggered);
    TWin97Button* button = form->toolButton("Reread Directory");
    ASSERT_TRUE(button->isEnabled());
    button->click();
    EXPECT_EQ(ran.size(), 1);

    for (const char* hint : {"Find Files", "Defrag", "Control Panel"})
        EXPECT_FALSE(form->toolButton(hint)->isEnabled()) << hint;
    // A command built later enables its button.
    QAction* connectDrive = form->command(Cmd::ConnectNetworkdrive);
    ASSERT_NE(connectDrive, nullptr);
    connectDrive->setEnabled(true);
    EXPECT_TRUE(form->toolButton("Connect Networkdrive")->isEnabled());
    QAction* defrag = form->command(Cmd::Defrag);
    ASSERT_NE(defrag, nullptr);
    QSignalSpy defragged(defrag, &QAction::triggered);
    defrag->setEnabled(true);
    form->toolButton("Defrag")->click();
    EXPECT_EQ(defragged.size(), 1);

    // "Disk Tools" drops the drive bar's menu, its items following their commands.
    TWin97Button* disk = form->toolButton("Disk Tools");
    ASSERT_NE(disk->DropMenu(), nullptr);
    EXPECT_TRUE(disk->PopupMark());
    QStringList items;
    for (QAction* a : disk->DropMenu()->actions())
        items << a->text();
    EXPECT_EQ(items, (QStringList{"&Reallocate Networkdrives", "&Format Disk", "&Copy Disk",
                                  "&Add Network Connection", "&Disconnect Network Drive"}));
    EXPECT_FALSE(disk->DropMenu()->actions()[1]->isEnabled());
    form->command(Cmd::FormatDrive)->setEnabled(true);
    EXPECT_TRUE(disk->DropMenu()->actions()[1]->isEnabled());
    ASSERT_NE(form->toolButton("Special Folders")->DropMenu(), nullptr);
    EXPECT_EQ(form->toolButton("Special Folders")->DropMenu()->actions().first()->text(),
              "DeskTop Directory");
}

TEST_F(ToolbarTest, WidthsAreWrittenToToolBarsAndReadBack)
{
    {
        auto form = start("[ToolBars]\nCoolPanel2=150\nCoolPanel3=wide\nCoolPanel4=12\n");
        EXPECT_EQ(form->toolBand(2)->width(), 150);
        EXPECT_TRUE(form->toolBand(1)->Collapsed()); // no number: as designed
        EXPECT_TRUE(form->toolBand(0)->Collapsed());
        form->toolBand(0)->toggle(); // expands to its design
        EXPECT_EQ(form->toolBand(0)->width(), 95);
        EXPECT_EQ(rowSum(*form), 920);
        form->Quit1Click();
    }
    const QByteArray text = iniText();
    EXPECT_TRUE(text.contains("[ToolBars]")) << text.toStdString();
    EXPECT_TRUE(text.contains("CoolPanel2=150"));
    EXPECT_TRUE(text.contains("CoolPanel3=12"));
    EXPECT_TRUE(text.contains("CoolPanel4=95"));
    EXPECT_FALSE(text.contains("CoolPanel1"));

    auto form = std::make_unique<TForm1>(QStringList{});
    form->setPrompter(&prompter);
    form->resize(920, 600);
    form->show();
    EXPECT_EQ(form->toolBand(0)->width(), 95);
    EXPECT_FALSE(form->toolBand(0)->Collapsed());
    EXPECT_EQ(form->toolBand(2)->width(), 150);
}

TEST_F(ToolbarTest, AStoredWidthBeyondTheWindowStillLeavesEveryBandInTheRow)
{
    auto form = start("[ToolBars]\nCoolPanel2=99999999\nCoolPanel3=-40\nCoolPanel4=700\n");
    EXPECT_EQ(rowSum(*form), 920);
    EXPECT_LE(form->customButtonPanel()->x() + 12, 920);
    for (int k = 0; k < 4; ++k)
        EXPECT_GE(form->toolBand(k)->width(), 12);
    EXPECT_TRUE(form->toolBand(1)->Collapsed());
    form->resize(400, 600);
    QApplication::processEvents();
    EXPECT_EQ(rowSum(*form), 400);
    EXPECT_LE(form->customButtonPanel()->x() + 12, 400);
}

TEST_F(ToolbarTest, ANarrowWindowSqueezesBandsForTheMomentAndNeverStoresIt)
{
    {
        auto form = start("[ToolBars]\nCoolPanel3=182\nCoolPanel4=95\n");
        EXPECT_EQ(form->toolBand(0)->width(), 95);
        EXPECT_EQ(form->toolBand(1)->width(), 182);
        EXPECT_EQ(form->toolBand(2)->width(), 207);
        form->resize(300, 400); // below the bands' room: they give way
        QApplication::processEvents();
        EXPECT_LT(form->toolBand(2)->width(), 207);
        EXPECT_EQ(rowSum(*form), form->width());
        form->resize(920, 600);
        QApplication::processEvents();
        EXPECT_EQ(form->toolBand(0)->width(), 95);
        EXPECT_EQ(form->toolBand(1)->width(), 182);
        EXPECT_EQ(form->toolBand(2)->width(), 207);
        form->resize(300, 400);
        QApplication::processEvents();
        form->Quit1Click(); // quitting while squeezed stores the chosen widths
    }
    const QByteArray text = iniText();
    EXPECT_TRUE(text.contains("CoolPanel2=207")) << text.toStdString();
    EXPECT_TRUE(text.contains("CoolPanel3=182"));
    EXPECT_TRUE(text.contains("CoolPanel4=95"));
}

TEST_F(ToolbarTest, TheSplitterResizesTheRightPanelWithinItsLimits)
{
    auto form = start();
    TWinSplit* s = form->splitter();
    EXPECT_EQ(s->TargetControl(), static_cast<QWidget*>(form->list(2)));
    EXPECT_EQ(s->x(), form->list(1)->width());
    EXPECT_EQ(s->MinTargetSize(), 160u);
    EXPECT_EQ(s->MaxTargetSize(), unsigned(920 - 2 - 110 - 29));

    dragSplitter(s, 600); // far right: the right panel stops at 160
    EXPECT_EQ(form->list(2)->width(), 160);
    EXPECT_EQ(form->list(1)->width(), 920 - 160 - 3);
    EXPECT_EQ(form->list(2)->x(), 920 - 160);
    EXPECT_EQ(form->statusLine(2)->width(), 160);
    EXPECT_EQ(s->x(), form->list(1)->width());
    // The command buttons keep their places.
    EXPECT_EQ(form->commandButton(8)->x(), 817);

    dragSplitter(s, -900); // far left: the left panel keeps its drive box
    EXPECT_EQ(form->list(2)->width(), 920 - 2 - 110 - 29);

    // A window resize lays out by halves again.
    form->resize(900, 600);
    QApplication::processEvents();
    EXPECT_EQ(form->list(2)->width(), 900 / 2 - 3);
}

TEST_F(ToolbarTest, SeparatorsStandBeforeTheCommandButtons)
{
    auto form = start();
    for (int k = 1; k < 9; ++k) {
        EXPECT_EQ(form->commandSeparator(k)->x(), form->commandButton(k)->x() - 2) << k;
        EXPECT_EQ(form->commandSeparator(k)->width(), 2);
        EXPECT_EQ(form->commandSeparator(k)->height(), 25);
    }
    EXPECT_EQ(form->commandSeparator(1)->x(), 101);
}

TEST_F(ToolbarTest, FewColoursGiveTheSpareIcon)
{
    EXPECT_EQ(TForm1::applicationIconName(8), "XtraIcon");
    EXPECT_EQ(TForm1::applicationIconName(4), "XtraIcon");
    EXPECT_EQ(TForm1::applicationIconName(16), "MAINICON");
    EXPECT_EQ(TForm1::applicationIconName(24), "MAINICON");
    auto form = start();
    EXPECT_FALSE(QApplication::windowIcon().isNull());
}
