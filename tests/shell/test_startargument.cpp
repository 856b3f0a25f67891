// The program's first argument as a desktop or a shell gives it: drive-letter
// paths, host paths and file URIs all reach the drive map, byte for byte.
#include "support/drivefixture.h"

#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "shell/startargument.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

QByteArray bytes(const QString& hostPath)
{
    return hostname::encode(hostPath);
}

TEST(StartArgument, HostPathsAndFileUrisBecomeDriveLetterPaths)
{
    DriveFixture drives(QStringLiteral("CD"));
    drives.directory("D:\\docs\\new folder");
    const QByteArray root = bytes(drives.root('D'));

    EXPECT_EQ(readStartArgument("D:\\docs", "/").path, "D:\\docs");
    EXPECT_EQ(readStartArgument(root + "/docs", "/").path, "D:\\docs");
    EXPECT_EQ(readStartArgument("docs/./x/../new folder", root).path, "D:\\docs\\new folder");
    EXPECT_EQ(readStartArgument("file://" + root + "/docs/new%20folder", "/").path,
              "D:\\docs\\new folder");
    const StartArgument local = readStartArgument("file://localhost" + root + "/docs?x#y", "/");
    EXPECT_EQ(local.path, "D:\\docs");
    EXPECT_TRUE(local.notice.isEmpty());
    // A name that is a file name with a colon, not a URI.
    EXPECT_EQ(readStartArgument("notes:2024", root).path, "D:\\notes:2024");
}

TEST(StartArgument, EscapedBytesOfAUriRoundTripToTheFolder)
{
    DriveFixture drives(QStringLiteral("C"));
    // Latin-1 "café", a byte that is not UTF-8, and a backslash in the name.
    const QByteArray name("caf\xe9 a\\b");
    const QByteArray host = bytes(drives.root('C')) + '/' + name;
    ASSERT_EQ(QDir().mkdir(hostname::decode(host)), true);
    const StartArgument start =
        readStartArgument("file://" + bytes(drives.root('C')) + "/caf%E9%20a%5Cb", "/");
    ASSERT_TRUE(start.notice.isEmpty()) << start.notice.toStdString();
    const std::optional<QString> back = DriveMap::instance().toHost(start.path);
    ASSERT_TRUE(back);
    EXPECT_EQ(hostname::encode(*back), host);
    EXPECT_EQ(readStartArgument(host, "/").path, start.path);
}

TEST(StartArgument, AFolderOnNoDriveOpensTheNearestDrive)
{
    QTemporaryDir base;
    const QString b = base.path();
    for (const char* d : {"/a/b", "/c", "/c2/x"})
        QDir().mkpath(b + d);
    const QByteArray old = qgetenv("DOVEX_DRIVES");
    qputenv("DOVEX_DRIVES", bytes("C=" + b + "/a/b;D=" + b + "/c"));
    DriveMap::instance().reload();

    const StartArgument start = readStartArgument(bytes(b + "/c2/x"), "/");
    EXPECT_EQ(start.path, "D:\\"); // three steps away, C: four
    EXPECT_TRUE(start.notice.contains("is on no drive")) << start.notice.toStdString();
    EXPECT_TRUE(start.notice.contains("D:\\")) << start.notice.toStdString();
    EXPECT_EQ(readStartArgument(bytes(b + "/a"), "/").path, "C:\\"); // one step
    EXPECT_EQ(readStartArgument("/", "/").path, "D:\\");             // the shallower root

    qputenv("DOVEX_DRIVES", old);
    DriveMap::instance().reload();
}

TEST(StartArgument, WhatIsNoLocalFolderIsRefusedWithANotice)
{
    DriveFixture drives(QStringLiteral("C"));
    for (const char* arg : {"smb://server/share", "file://server/share/x", "file:///tmp/a%00b"}) {
        const StartArgument start = readStartArgument(arg, "/");
        EXPECT_TRUE(start.path.isEmpty()) << arg;
        EXPECT_FALSE(start.notice.isEmpty()) << arg;
    }
    EXPECT_TRUE(readStartArgument("", "/").path.isEmpty());
    EXPECT_TRUE(readStartArgument("", "/").notice.isEmpty());
}

} // namespace

} // namespace dovex::test
