#include "platform/dirsearch.h"
#include "platform/dosattr.h"
#include "platform/dostime.h"
#include "platform/drivemap.h"
#include "platform/fileattr.h"

#include "support/drivefixture.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace dovex;

TEST(DriveMap, TranslatesBothWays)
{
    test::DriveFixture drives("CD");
    DriveMap& map = DriveMap::instance();
    EXPECT_EQ(*map.toHost("C:\\"), drives.root('C'));
    EXPECT_EQ(*map.toHost("c:\\work\\a.txt"), drives.root('C') + "/work/a.txt");
    EXPECT_EQ(*map.toHost("D:\\x\\"), drives.root('D') + "/x");
    EXPECT_FALSE(map.toHost("E:\\x").has_value());
    EXPECT_FALSE(map.toHost("work").has_value());
    EXPECT_EQ(*map.toDos(drives.root('D') + "/x/y.txt"), "D:\\x\\y.txt");
    EXPECT_EQ(*map.toDos(drives.root('C')), "C:\\");
    EXPECT_FALSE(map.toDos("/definitely/not/mapped").has_value());
}

TEST(DriveMap, TheDeepestDriveWinsWhenOneLiesInsideAnother)
{
    test::DriveFixture drives("C");
    QDir().mkpath(drives.root('C') + "/inner");
    qputenv("DOVEX_DRIVES",
            ("C=" + drives.root('C') + ";E=" + drives.root('C') + "/inner").toLocal8Bit());
    DriveMap::instance().reload();
    EXPECT_EQ(*DriveMap::instance().toDos(drives.root('C') + "/inner/f"), "E:\\f");
    EXPECT_EQ(*DriveMap::instance().toDos(drives.root('C') + "/innerx"), "C:\\innerx");
}

TEST(DriveMap, DefaultMapHasHomeAsCAndRootAsZ)
{
    const QByteArray old = qgetenv("DOVEX_DRIVES");
    qunsetenv("DOVEX_DRIVES");
    DriveMap::instance().reload();
    EXPECT_EQ(*DriveMap::instance().rootOf('C'), QDir::cleanPath(QDir::homePath()));
    EXPECT_EQ(*DriveMap::instance().rootOf('Z'), "/");
    for (const Drive& d : DriveMap::instance().drives())
        EXPECT_TRUE(d.letter == 'C' || d.letter == 'Z' || (d.letter >= 'D' && d.letter < 'Z'));
    if (!old.isEmpty())
        qputenv("DOVEX_DRIVES", old);
    DriveMap::instance().reload();
}

TEST(DriveMap, SpaceIs64BitAndAMissingRootIsNotReady)
{
    test::DriveFixture drives("C");
    const auto space = DriveMap::instance().space('C');
    ASSERT_TRUE(space.has_value());
    EXPECT_GT(space->total, 0);
    EXPECT_LE(space->free, space->total);
    qputenv("DOVEX_DRIVES", "C=/nonexistent/dovex/drive");
    DriveMap::instance().reload();
    EXPECT_FALSE(DriveMap::instance().space('C').has_value());
    EXPECT_EQ(DriveMap::instance().kind('Q'), DriveKind::NoRoot);
}

TEST(DosPath, JoinAndSplit)
{
    EXPECT_EQ(dospath::join("C:\\", "a"), "C:\\a");
    EXPECT_EQ(dospath::join("C:\\dos", "a"), "C:\\dos\\a");
    EXPECT_EQ(dospath::directoryPart("C:\\dos\\a.zip"), "C:\\dos");
    EXPECT_EQ(dospath::directoryPart("C:\\a.zip"), "C:\\");
    EXPECT_EQ(dospath::directoryPart("C:\\"), "C:\\");
    EXPECT_EQ(dospath::fileName("C:\\dos\\a.zip"), "a.zip");
    EXPECT_TRUE(dospath::isRoot("c:\\"));
    EXPECT_FALSE(dospath::isRoot("c:\\a"));
}

TEST(DosTime, PacksAndClamps)
{
    const std::uint32_t t = packDosDateTime({2024, 2, 29, 13, 45, 58});
    EXPECT_EQ(t >> 16, std::uint32_t((44 << 9) | (2 << 5) | 29));
    EXPECT_EQ(t & 0xFFFF, std::uint32_t((13 << 11) | (45 << 5) | 29));
    const DosDateTimeParts back = unpackDosDateTime(t);
    EXPECT_EQ(back.year, 2024);
    EXPECT_EQ(back.second, 58);
    EXPECT_EQ(unpackDosDateTime(packDosDateTime({1970, 1, 1, 0, 0, 0})).year, 1980);
    EXPECT_EQ(unpackDosDateTime(dosDateTimeFromUnix(unixFromDosDateTime(t))).minute, 45);
}

TEST(DirSearch, MasksWildcardsAndAttributes)
{
    test::DriveFixture drives("C");
    drives.file("C:\\d\\a.txt", 5);
    drives.file("C:\\d\\B.TXT", 70000);
    drives.file("C:\\d\\noext", 1);
    drives.file("C:\\d\\.hidden", 1);
    drives.directory("C:\\d\\sub");
    drives.file("C:\\d\\back\\slash", 1);
    QFile::rename(drives.host("C:\\d\\back\\slash"), drives.root('C') + "/d/we\\ird");
    drives.setTime("C:\\d\\a.txt", {2001, 5, 6, 7, 8, 10});

    const auto names = [](const QString& pattern, std::uint32_t mask) {
        QStringList out;
        DirSearch s;
        for (auto r = s.findFirst(pattern, mask); r; r = s.findNext())
            out << r->name;
        out.sort();
        return out;
    };
    EXPECT_EQ(names("C:\\d\\*.TXT", faArchive), (QStringList{"B.TXT", "a.txt"}));
    // A "\\" in a host name is held as U+F05C, so the file is listed too.
    const QString weird = QStringLiteral("we") + QChar(0xF05C) + QStringLiteral("ird");
    EXPECT_EQ(names("C:\\d\\*.*", faArchive), (QStringList{"B.TXT", "a.txt", "noext", weird}));
    EXPECT_EQ(names("C:\\d\\*.*", 0x37),
              (QStringList{".", "..", ".hidden", "B.TXT", "a.txt", "back", "noext", "sub", weird}));
    EXPECT_EQ(names("C:\\*.*", 0x37), (QStringList{"d"})); // no "." or ".." at a root
    EXPECT_EQ(names("C:\\d\\*.*", 0x37 | faDirectoriesOnly),
              (QStringList{".", "..", "back", "sub"}));

    DirSearch s;
    auto r = s.findFirst("C:\\d\\a.txt", faArchive);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->size, 5);
    EXPECT_EQ(r->attributes & faArchive, faArchive);
    EXPECT_EQ(r->dosDateTime, packDosDateTime({2001, 5, 6, 7, 8, 10}));
    EXPECT_FALSE(s.findFirst("C:\\missing\\*.*", 0x37).has_value());
}

TEST(FileAttributes, ReadOnlyAndStoredBits)
{
    test::DriveFixture drives("C");
    drives.file("C:\\f.txt", 1);
    const QString host = drives.host("C:\\f.txt");
    ASSERT_TRUE(setFileAttributes(host, faReadOnly | faArchive).ok());
    EXPECT_EQ(*fileAttributes(host) & faReadOnly, faReadOnly);
    ASSERT_TRUE(setFileAttributes(host, faArchive).ok());
    EXPECT_EQ(*fileAttributes(host) & faReadOnly, 0u);
    const Result r = setFileAttributes(host, faSysFile | faHidden);
    if (r.ok())
        EXPECT_EQ(*fileAttributes(host) & (faSysFile | faHidden | faArchive), faSysFile | faHidden);
    else
        EXPECT_TRUE(r.error().contains("keeps no"));
}

TEST(Wildcard, ClassicRules)
{
    EXPECT_TRUE(wildcardMatches("abc", "*.*"));
    EXPECT_TRUE(wildcardMatches("abc", "a*.*"));
    EXPECT_TRUE(wildcardMatches("abc.TXT", "*.txt"));
    EXPECT_FALSE(wildcardMatches("abc.txt1", "*.txt"));
    EXPECT_TRUE(wildcardMatches("abc", "a?c"));
    EXPECT_FALSE(wildcardMatches("abcd", "a?c"));
}
