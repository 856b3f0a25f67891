// The drive bars and the drive boxes of the main window.
#include "shell/ui/windowtest.h"

#include "archive/archivereaders.h"
#include "panels/ui/panellist.h"

#include <QApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

namespace dovex::test {

namespace {

class DrivesTest : public WindowTest {
protected:
    QString name(QChar letter) const { return QFileInfo(drives.root(letter)).fileName(); }
};

} // namespace

TEST_F(DrivesTest, ABarClickSwitchesItsPanelAndClicksBeyondTheDrivesDoNothing)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=C:\\\nDir2=C:\\\n");
    drives.directory("D:\\sub");
    auto form = start();
    EXPECT_EQ(form->driveCount(), 2);
    EXPECT_EQ(form->driveSlots(), QStringList({"c: " + name('C'), "d: " + name('D')}));
    TDriveBar* right = form->driveBar(2);
    EXPECT_EQ(right->slotCount(), TDriveBar::slotsFor(form->list(2)->width()));

    form->driveBar(2)->onMove(45);
    EXPECT_EQ(right->toolTip(), name('D'));
    form->driveBar(2)->onMove(75);
    EXPECT_EQ(right->toolTip(), QString());

    const int top = (right->height() - TDriveBar::kBarHeight) / 2;
    QTest::mousePress(right, Qt::LeftButton, {}, QPoint(45, top + 5));
    EXPECT_EQ(form->panel(2).path, "D:\\");
    EXPECT_EQ(form->panel(1).path, "C:\\");
    EXPECT_EQ(form->activePanel(), 1);
    EXPECT_TRUE(form->driveBox(2)->currentText().startsWith("d: "));
    QTest::mouseRelease(right, Qt::LeftButton, {}, QPoint(45, top + 5));

    // The third slot has no drive.
    QTest::mousePress(form->driveBar(1), Qt::LeftButton, {}, QPoint(65, top + 5));
    EXPECT_EQ(form->panel(1).path, "C:\\");
    QTest::mouseRelease(form->driveBar(1), Qt::LeftButton, {}, QPoint(65, top + 5));

    // Clicking the panel's own drive from a directory goes to its root.
    form->panel(2).path = "D:\\sub";
    form->setactief(2);
    form->driveBar(2)->onPress(40);
    EXPECT_EQ(form->panel(2).path, "D:\\");
}

TEST_F(DrivesTest, BarsFollowTheListWidthsAndANarrowBarTakesNoClickBeyondIt)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n");
    auto form = start();
    form->resize(1200, 600);
    QApplication::processEvents();
    EXPECT_EQ(form->driveBar(1)->slotCount(), TDriveBar::slotsFor(form->list(1)->width()));
    // The right list as narrow as a splitter can make it: its bar has one
    // slot, the left bar still shows both drives.
    form->list(2)->resize(215, form->list(2)->height());
    form->paintDrives();
    EXPECT_EQ(form->driveBar(2)->slotCount(), 1);
    EXPECT_EQ(form->driveCount(), 2);
    form->driveBar(2)->onPress(35);
    EXPECT_EQ(form->panel(2).path, "C:\\");
    form->driveBar(1)->onPress(35);
    EXPECT_EQ(form->panel(1).path, "D:\\");
}

TEST_F(DrivesTest, TheBoxListsThePanelsLevelsAndChoosingOneOpensIt)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\a\\b\n");
    drives.directory("D:\\a\\b\\c");
    auto form = start();
    TbrowseComboBox* box = form->driveBox(1);
    EXPECT_EQ(box->currentText(), "$>002b");
    EXPECT_EQ(box->toolTip(), "b");

    // Opening a directory in the panel adds its level.
    FilePanel& p = form->panel(1);
    form->list(1)->setCursor(row(p, "c"));
    form->listklick(1);
    EXPECT_EQ(p.path, "D:\\a\\b\\c");
    EXPECT_EQ(box->currentText(), "$>003c");

    box->setFocus();
    QApplication::processEvents();
    box->setCurrentIndex(box->findText("$>001a"));
    QApplication::processEvents();
    EXPECT_EQ(p.path, "D:\\a");
    EXPECT_EQ(box->count(), 3); // c:, d:, and the one level left
    EXPECT_EQ(form->activePanel(), 1);
}

TEST_F(DrivesTest, InAnArchiveTheBoxShowsItsDirectoryAndLeavingTheBoxGoesThere)
{
    if (QStandardPaths::findExecutable("zip").isEmpty())
        GTEST_SKIP() << "zip is not installed";
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\a\n");
    drives.file("D:\\a\\src\\top.txt", 5);
    QProcess zip;
    zip.setWorkingDirectory(drives.host("D:\\a\\src"));
    zip.start("zip", {"-q", drives.host("D:\\a\\pack.zip"), "top.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    InitArchiveReaders();
    auto form = start();
    FilePanel& p = form->panel(1);
    form->list(1)->setFocus();
    form->list(1)->setCursor(row(p, "pack.zip"));
    QTest::keyClick(form->list(1), Qt::Key_Return);
    ASSERT_TRUE(p.inArchive);
    TbrowseComboBox* box = form->driveBox(1);
    EXPECT_EQ(box->currentText(), "$>001a");
    // Entered and left again without a choice: the panel leaves the archive
    // for the directory that holds it.
    box->setFocus();
    QApplication::processEvents();
    form->list(1)->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(p.inArchive);
    EXPECT_EQ(p.path, "D:\\a");
}

} // namespace dovex::test
