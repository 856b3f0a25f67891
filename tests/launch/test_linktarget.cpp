#include "launch/linktarget.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace dovex;
using namespace dovex::launch;

namespace {

const QString kLink = QStringLiteral("C:\\links\\a.lnk");

} // namespace

TEST(LinkTarget, ScanFindsTheLastDotBackslashAndStopsBelowTwenty)
{
    // A relative path as shortcuts store it, then a count byte that ends it.
    QByteArray data("L\0\0\0junk..\\..\\windows\\notepad.exe\x05\0more", 40);
    EXPECT_EQ(linkTargetFromBytes(data, QStringLiteral("D:\\x\\y.lnk")),
              QStringLiteral("D:\\windows\\notepad.exe"));
    // Byte 19 ends the text, byte 20 (below a blank) does not.
    EXPECT_EQ(linkTargetFromBytes(QByteArray("xx.\\ab\x13"
                                             "cd"),
                                  kLink),
              QStringLiteral("C:\\ab"));
    EXPECT_EQ(linkTargetFromBytes(QByteArray("xx.\\ab\x14"
                                             "cd"),
                                  kLink),
              QStringLiteral("C:\\ab\x14"
                             "cd"));
}

TEST(LinkTarget, NoMarkerOrMarkerOnlyAtTheStartOrEndGivesNothing)
{
    EXPECT_TRUE(linkTargetFromBytes({}, kLink).isEmpty());
    EXPECT_TRUE(linkTargetFromBytes(QByteArray("."), kLink).isEmpty());
    EXPECT_TRUE(linkTargetFromBytes(QByteArray(".\\windows"), kLink).isEmpty());
    EXPECT_TRUE(linkTargetFromBytes(QByteArray("no marker at all"), kLink).isEmpty());
    // The marker as the last two bytes: no path, not the bare drive root.
    EXPECT_TRUE(linkTargetFromBytes(QByteArray("ab.\\"), kLink).isEmpty());
    // A "." as the very last byte is never paired with a byte past the data.
    EXPECT_TRUE(linkTargetFromBytes(QByteArray("abc."), kLink).isEmpty());
}

TEST(LinkTarget, ReadsOnlyTheFirst1001BytesOfAFile)
{
    test::DriveFixture drives;
    QByteArray head(995, 'x');
    head += "a.\\tgt"; // 1001 bytes exactly; the rest is never seen
    drives.file(kLink, 0, head + QByteArray("LONGER.\\other"));
    test::ScriptedPrompter prompter;
    EXPECT_EQ(ReadLinkTarget(kLink, &prompter), QStringLiteral("C:\\tgt"));
    EXPECT_TRUE(prompter.asked().isEmpty());

    // A marker straddling byte 1001 is not found.
    QByteArray cut(1000, 'y');
    drives.file(QStringLiteral("C:\\links\\b.lnk"), 0, cut + ".\\after");
    EXPECT_TRUE(ReadLinkTarget(QStringLiteral("C:\\links\\b.lnk"), &prompter).isEmpty());
}

TEST(LinkTarget, UnreadableOrOddFilesReportAndGiveNothing)
{
    test::DriveFixture drives;
    test::ScriptedPrompter prompter;
    EXPECT_TRUE(ReadLinkTarget(QStringLiteral("C:\\missing.lnk"), &prompter).isEmpty());
    EXPECT_EQ(prompter.texts(), QStringList{QStringLiteral("Open error File C:\\missing.lnk")});

    // A directory named like a link, and a link with no read permission.
    drives.directory(QStringLiteral("C:\\dir.lnk"));
    EXPECT_TRUE(ReadLinkTarget(QStringLiteral("C:\\dir.lnk"), &prompter).isEmpty());
    drives.file(QStringLiteral("C:\\locked.lnk"), 0, "ab.\\target");
    QFile::setPermissions(drives.host(QStringLiteral("C:\\locked.lnk")),
                          QFileDevice::Permissions{});
    if (::geteuid() != 0) {
        EXPECT_TRUE(ReadLinkTarget(QStringLiteral("C:\\locked.lnk"), &prompter).isEmpty());
        EXPECT_EQ(prompter.asked().size(), 3);
    }
    // Nothing was lost: the file is still there, unchanged.
    QFile::setPermissions(drives.host(QStringLiteral("C:\\locked.lnk")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\locked.lnk")), QByteArray("ab.\\target"));
}

TEST(LinkTarget, HostileBytesStayInsideTheData)
{
    // Every byte value, including a NUL right after the marker, and 8-bit
    // names that are not UTF-8: no crash, no read past the end, bytes kept.
    QByteArray data;
    for (int i = 0; i < 256; ++i)
        data += char(i);
    data += "..\\\xff\xfe name";
    const QString target = linkTargetFromBytes(data, kLink);
    ASSERT_TRUE(target.startsWith(QStringLiteral("C:\\")));
    EXPECT_EQ(target.size(), 3 + 7);
    EXPECT_TRUE(linkTargetFromBytes(QByteArray("a.\\\0b", 5), kLink).isEmpty());
}
