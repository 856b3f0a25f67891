// The decisions behind drag and drop, and the file URLs a drag carries.
#include "fileops/dragdrop.h"

#include "platform/drivemap.h"
#include "platform/hostname.h"

#include "support/drivefixture.h"

#include <QMimeData>

#include <gtest/gtest.h>

using namespace dovex;

TEST(DragDrop, UriListRoundTripsOddNamesByteForByte)
{
    test::DriveFixture drives("C");
    DriveMap::instance().reload();
    const QByteArray root = hostname::encode(drives.root('C'));
    const QList<QByteArray> names = {"plain.txt",   "with blank.txt",  "100%#?.txt", "line\nbreak",
                                     "caf\xc3\xa9", "latin1-\xe9\xff", "back\\slash"};
    QStringList hosts;
    for (const QByteArray& n : names)
        hosts << hostname::decode(root + '/' + n);
    const QByteArray body = dragdrop::uriList(hosts);
    EXPECT_EQ(body.count("\r\n"), names.size());
    const dragdrop::DroppedNames back = dragdrop::readUriList(body, DriveMap::instance());
    EXPECT_FALSE(back.foreign);
    EXPECT_TRUE(back.refused.isEmpty()) << back.refused.join('|').toStdString();
    ASSERT_EQ(back.dosPaths.size(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        const auto host = DriveMap::instance().toHost(back.dosPaths[i]);
        ASSERT_TRUE(host);
        EXPECT_EQ(hostname::encode(*host), root + '/' + names[i]);
    }
}

TEST(DragDrop, ForeignAndOutsideNamesAreRefused)
{
    test::DriveFixture drives("C");
    DriveMap::instance().reload();
    const DriveMap& map = DriveMap::instance();
    // A web address anywhere in the list refuses the whole drop.
    const QByteArray inside = dragdrop::uriList({drives.root('C') + "/a"});
    EXPECT_TRUE(dragdrop::readUriList(inside + "http://example.com/a\r\n", map).foreign);
    EXPECT_TRUE(dragdrop::readUriList("file://otherhost/etc/passwd\r\n", map).foreign);
    EXPECT_TRUE(dragdrop::readUriList("smb://server/share/x\r\n", map).foreign);
    // localhost and the short form are local; comments are skipped.
    const QByteArray local = "# comment\r\nfile://localhost" +
                             hostname::encode(drives.root('C')).toPercentEncoding("/") + "/x\r\n";
    EXPECT_EQ(dragdrop::readUriList(local, map).dosPaths, QStringList{"C:\\x"});
    // Outside every drive, and a NUL smuggled in: named, never changed.
    const dragdrop::DroppedNames out = dragdrop::readUriList(
        "file:///etc/passwd\r\n" + inside.trimmed() + "%00evil\r\n" + inside, map);
    EXPECT_EQ(out.refused.size(), 2);
    EXPECT_EQ(out.dosPaths, QStringList{"C:\\a"});
    EXPECT_TRUE(dragdrop::refusedMessage(out).contains("/etc/passwd"));
}

TEST(DragDrop, AtMostOneHundredNames)
{
    test::DriveFixture drives("C");
    DriveMap::instance().reload();
    QStringList hosts;
    for (int i = 0; i < 105; ++i)
        hosts << drives.root('C') + "/f" + QString::number(i);
    const auto names = dragdrop::readUriList(dragdrop::uriList(hosts), DriveMap::instance());
    EXPECT_EQ(names.dosPaths.size(), 100);
    EXPECT_EQ(names.dosPaths.last(), "C:\\f99");
    EXPECT_EQ(names.ignored, 5);
}

TEST(DragDrop, PanelTokenBelongsToThisProcess)
{
    QMimeData mine, other, none;
    mine.setData(dragdrop::kPanelFormat, dragdrop::panelToken(2));
    other.setData(dragdrop::kPanelFormat, "1:1"); // another running copy
    EXPECT_EQ(dragdrop::sourcePanel(&mine), 2);
    EXPECT_EQ(dragdrop::sourcePanel(&other), 0);
    EXPECT_EQ(dragdrop::sourcePanel(&none), 0);
}

TEST(DragDrop, Decisions)
{
    using dragdrop::ListDrop;
    EXPECT_EQ(dragdrop::listDrop(1, 2, {}, Qt::LeftButton), ListDrop::Copy);
    EXPECT_EQ(dragdrop::listDrop(1, 2, Qt::ShiftModifier, Qt::LeftButton), ListDrop::Menu);
    EXPECT_EQ(dragdrop::listDrop(2, 1, {}, Qt::RightButton), ListDrop::Menu);
    EXPECT_EQ(dragdrop::listDrop(1, 1, Qt::ShiftModifier, {}), ListDrop::Nothing);
    EXPECT_EQ(dragdrop::listDrop(0, 1, {}, {}), ListDrop::Nothing);

    EXPECT_EQ(dragdrop::driveSlotAt(60, 3, 5, 10), 2);
    EXPECT_EQ(dragdrop::driveSlotAt(89, 3, 5, 10), 2);
    EXPECT_EQ(dragdrop::driveSlotAt(90, 3, 5, 10), -1); // beyond the last drive
    EXPECT_EQ(dragdrop::driveSlotAt(60, 3, 2, 10), -1); // beyond the drive box
    EXPECT_EQ(dragdrop::driveSlotAt(60, 3, 5, 2), -1);  // beyond what the bar shows
    EXPECT_EQ(dragdrop::driveSlotAt(-1, 3, 5, 10), -1);

    QString line = "copy ";
    line = dragdrop::commandLineDrop(line, 1, "a.txt");
    line = dragdrop::commandLineDrop(line, 1, "b.txt");
    EXPECT_EQ(line, "copy a.txt b.txt ");
    EXPECT_EQ(dragdrop::commandLineDrop("x ", 2, "r"), " x r ");
    EXPECT_EQ(dragdrop::commandLineDrop("x", 0, "r"), "x");

    EXPECT_EQ(dragdrop::shellDropPanel(449, 900), 1);
    EXPECT_EQ(dragdrop::shellDropPanel(450, 900), 2);

    std::array<int, 40> left{};
    std::array<bool, 40> shown{};
    for (int i = 0; i < 40; ++i)
        left[size_t(i)] = 14 + 25 * i;
    shown[1] = true; // slot 2 at 39..64
    left[9] = 39;    // slot 10 hidden at the same place
    EXPECT_EQ(dragdrop::shellDropSlot(false, left, shown, 50), 2);
    EXPECT_EQ(dragdrop::shellDropSlot(true, left, shown, 50), 10);
    EXPECT_EQ(dragdrop::shellDropSlot(false, left, shown, 20), 0);
    EXPECT_EQ(dragdrop::shellDropSlot(true, left, shown, 5000), 0);
}
