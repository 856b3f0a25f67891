#include "controls/tbrowsecombobox.h"
#include "controls/tdrivebar.h"
#include "support/drivefixture.h"

#include <QAbstractItemView>
#include <QFileInfo>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

QStringList items(const TbrowseComboBox& box)
{
    QStringList texts;
    for (int i = 0; i < box.count(); ++i)
        texts << box.itemText(i);
    return texts;
}

} // namespace

TEST(DriveBar, SlotsComeFromTheListWidthAndTheBarHoldsNoMore)
{
    EXPECT_EQ(TDriveBar::slotsFor(232), 2);
    EXPECT_EQ(TDriveBar::slotsFor(201), 0);
    EXPECT_EQ(TDriveBar::slotsFor(202), 1);
    EXPECT_EQ(TDriveBar::slotsFor(20), 0); // never negative
    TDriveBar bar;
    const QList<TDriveBar::Item> three = {{QChar('c'), DriveKind::Fixed},
                                          {QChar('d'), DriveKind::CdRom},
                                          {QChar('e'), DriveKind::Remote}};
    bar.paintDrives(2, three);
    EXPECT_EQ(bar.slotCount(), 2);
    EXPECT_EQ(bar.picture().size(), QSize(60, 18));
    const QImage plain = bar.picture().toImage();
    bar.pressSlot(1);
    EXPECT_NE(bar.picture().toImage(), plain);
    EXPECT_EQ(bar.picture().toImage().copy(0, 0, 30, 18), plain.copy(0, 0, 30, 18));
    bar.release();
    EXPECT_EQ(bar.picture().toImage(), plain);
    bar.paintDrives(0, three);
    EXPECT_EQ(bar.slotCount(), 0);
}

class DriveBoxTest : public ::testing::Test {
protected:
    DriveFixture drives{QStringLiteral("CD")};
    QString name(QChar letter) const { return QFileInfo(drives.root(letter)).fileName(); }
};

TEST_F(DriveBoxTest, ListsMappedDrivesOnlyWithTheirDisplayNames)
{
    TbrowseComboBox box;
    box.FillDrives();
    EXPECT_EQ(items(box), QStringList({"c: " + name('C'), "d: " + name('D')}));
    EXPECT_EQ(box.driveItem('E'), -1);
    EXPECT_EQ(box.itemKind(0), DriveMap::instance().kind('C'));
    EXPECT_GE(box.view()->sizeHintForRow(0), 16);
}

TEST_F(DriveBoxTest, SetPathListsTheLevelsAndChoosingOneCutsThePath)
{
    TbrowseComboBox box;
    box.FillDrives();
    int changes = 0;
    box.onChange = [&] { ++changes; };
    box.SetPath("C:\\windows\\system");
    EXPECT_EQ(items(box),
              QStringList({"c: " + name('C'), "$>001windows", "$>002system", "d: " + name('D')}));
    EXPECT_EQ(box.currentIndex(), 2);
    EXPECT_EQ(box.toolTip(), "system");
    EXPECT_EQ(box.currentPath(), "C:\\windows\\system");
    EXPECT_EQ(changes, 1);
    // The deepest level carries the open folder, the others the closed one.
    EXPECT_EQ(box.itemIcon(2).pixmap(16).toImage(),
              QIcon(TbrowseComboBox::folderPicture(true)).pixmap(16).toImage());
    EXPECT_EQ(box.itemIcon(1).pixmap(16).toImage(),
              QIcon(TbrowseComboBox::folderPicture(false)).pixmap(16).toImage());

    box.setCurrentIndex(1); // the user chooses level 1
    EXPECT_EQ(box.currentPath(), "c:\\windows");
    EXPECT_EQ(items(box), QStringList({"c: " + name('C'), "$>001windows", "d: " + name('D')}));
    EXPECT_EQ(box.toolTip(), "windows");

    box.setCurrentIndex(2); // another drive: its root, and no levels left
    EXPECT_EQ(box.currentPath(), "d:\\");
    EXPECT_EQ(box.currentDrive(), QChar('d'));
    EXPECT_EQ(items(box), QStringList({"c: " + name('C'), "d: " + name('D')}));
    EXPECT_EQ(box.toolTip(), name('D'));
}

TEST_F(DriveBoxTest, LevelNamesRoundTripAndRereadKeepsThePath)
{
    TbrowseComboBox box;
    box.FillDrives();
    // Names that look like item prefixes, and a path deeper than three digits
    // of levels, rebuild exactly from the levels.
    QStringList names = {"$>002x", "a b", "d: e"};
    for (int i = 0; i < 1000; ++i)
        names << "n";
    const QString path = "D:\\" + names.join('\\');
    box.SetPath(path);
    EXPECT_EQ(box.currentIndex(), 1 + int(names.size()));
    box.setCurrentIndex(4);
    EXPECT_EQ(box.currentPath(), "d:\\$>002x\\a b\\d: e");
    box.SetPath("D:\\a\\b");
    box.Reread();
    EXPECT_EQ(box.currentPath(), "D:\\a\\b");
    EXPECT_EQ(box.currentIndex(), 3);
    // A path on a drive the box does not list selects nothing.
    box.SetPath("Q:\\x\\y");
    EXPECT_EQ(box.currentIndex(), -1);
    EXPECT_EQ(box.count(), 2);
}

} // namespace dovex::test
