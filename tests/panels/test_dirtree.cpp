#include "panels/dirtree.h"

#include "platform/hostname.h"

#include "support/drivefixture.h"

#include <gtest/gtest.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace dovex;

namespace {

QStringList paths(const DirectoryTree& tree)
{
    QStringList out;
    for (const TreeDirectory& d : tree.directories)
        out << d.path;
    return out;
}

const TreeDirectory* find(const DirectoryTree& tree, const QString& path)
{
    for (const TreeDirectory& d : tree.directories)
        if (d.path == path)
            return &d;
    return nullptr;
}

void link(const QString& target, const QString& at)
{
    ASSERT_EQ(::symlink(hostname::encode(target).constData(), hostname::encode(at).constData()), 0);
}

class DirTreeTest : public ::testing::Test {
protected:
    test::DriveFixture drives{"CD"};
};

TEST_F(DirTreeTest, PreOrderWithSiblingsSortedAndDotDirectoriesListed)
{
    for (const char* d :
         {"C:\\b\\z", "C:\\b\\A", "C:\\a", "C:\\B2", "C:\\.hidden\\inner", "C:\\b\\a"})
        drives.directory(d);
    drives.file("C:\\b\\file.txt", 3); // files never appear
    drives.file("C:\\.profile", 1);
    const DirectoryTree tree = ReadDirectoryTree('c');
    EXPECT_TRUE(tree.complete);
    EXPECT_EQ(paths(tree), (QStringList{"C:\\.hidden", "C:\\.hidden\\inner", "C:\\a", "C:\\b",
                                        "C:\\b\\A", "C:\\b\\a", "C:\\b\\z", "C:\\B2"}));
    EXPECT_EQ(find(tree, "C:\\b\\z")->depth, 2);
    EXPECT_EQ(find(tree, "C:\\a")->depth, 1);
}

TEST_F(DirTreeTest, LinksAreListedButNeverEnteredSoLoopsAndRootLinksEnd)
{
    drives.directory("C:\\a\\b");
    link("..", drives.host("C:\\a\\b\\up"));
    link("/", drives.host("C:\\root"));
    link(drives.host("C:\\a"), drives.host("C:\\a\\b\\again"));
    link("missing", drives.host("C:\\dangling"));
    drives.file("C:\\f.txt");
    link("f.txt", drives.host("C:\\tofile"));
    const DirectoryTree tree = ReadDirectoryTree('C');
    EXPECT_EQ(paths(tree),
              (QStringList{"C:\\a", "C:\\a\\b", "C:\\a\\b\\again", "C:\\a\\b\\up", "C:\\root"}));
    EXPECT_TRUE(find(tree, "C:\\root")->link);
    EXPECT_TRUE(find(tree, "C:\\a\\b\\up")->link);
    EXPECT_FALSE(find(tree, "C:\\a")->link);
}

TEST_F(DirTreeTest, ABindMountLoopIsEnteredOnce)
{
    // The drive's root bound below itself: the same device and inode again.
    drives.directory("C:\\a\\loop");
    drives.directory("C:\\b");
    const QByteArray root = hostname::encode(drives.root('C'));
    const QByteArray at = hostname::encode(drives.host("C:\\a\\loop"));
    if (::mount(root.constData(), at.constData(), nullptr, MS_BIND, nullptr) != 0)
        GTEST_SKIP() << "no bind mounts here";
    const DirectoryTree tree = ReadDirectoryTree('C');
    ::umount2(at.constData(), MNT_DETACH);
    EXPECT_EQ(paths(tree), (QStringList{"C:\\a", "C:\\a\\loop", "C:\\b"}));
}

TEST_F(DirTreeTest, AnUnreadableDirectoryIsShownWithoutChildren)
{
    drives.directory("C:\\locked\\inside");
    drives.directory("C:\\open\\sub");
    const QByteArray root = hostname::encode(drives.root('C'));
    const QByteArray locked = hostname::encode(drives.host("C:\\locked"));
    ::chmod(root.constData(), 0755);
    ::chmod(locked.constData(), 0);
    // Permissions do not stop root: the read then runs in a child that
    // gives up its privileges.
    const bool forked = ::geteuid() == 0;
    const pid_t child = forked ? ::fork() : 0;
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (forked && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(3);
        const DirectoryTree tree = ReadDirectoryTree('C');
        const bool ok = paths(tree) == QStringList{"C:\\locked", "C:\\open", "C:\\open\\sub"} &&
                        find(tree, "C:\\locked")->unreadable && !find(tree, "C:\\open")->unreadable;
        if (forked)
            ::_exit(ok ? 0 : 1);
        EXPECT_TRUE(ok) << paths(tree).join(' ').toStdString();
    } else {
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ::chmod(locked.constData(), 0755);
}

TEST_F(DirTreeTest, NamesRoundTripAndStopKeepsWhatWasRead)
{
    const QByteArray oddBytes("bad\xff"
                              "name");
    const QString odd = hostname::decode(oddBytes);
    ASSERT_EQ(::mkdir((hostname::encode(drives.root('C')) + '/' + oddBytes).constData(), 0755), 0);
    for (int i = 0; i < 20; ++i)
        drives.directory(QStringLiteral("C:\\d%1").arg(i, 2, 10, QChar('0')));
    const DirectoryTree whole = ReadDirectoryTree('C');
    ASSERT_EQ(whole.directories.size(), 21u);
    EXPECT_EQ(whole.directories.front().path, "C:\\" + odd);

    int calls = 0;
    const DirectoryTree part = ReadDirectoryTree('C', [&](const QString&, int found) {
        EXPECT_EQ(found, calls);
        return ++calls <= 5;
    });
    EXPECT_FALSE(part.complete);
    EXPECT_EQ(part.directories.size(), 5u);
    EXPECT_EQ(paths(part), paths(whole).mid(0, 5));
}

TEST_F(DirTreeTest, AVeryDeepTreeIsReadWhole)
{
    // Deeper than the descriptors the reader holds: it comes back through "..".
    QString host = drives.root('D');
    QByteArray path = hostname::encode(host);
    for (int i = 0; i < 260; ++i) {
        path += "/d";
        ASSERT_EQ(::mkdir(path.constData(), 0755), 0);
    }
    ::mkdir((hostname::encode(host) + "/e").constData(), 0755);
    const int open = test::openDescriptorCount();
    const DirectoryTree tree = ReadDirectoryTree('D');
    ASSERT_EQ(tree.directories.size(), 261u);
    EXPECT_EQ(tree.directories[259].depth, 260);
    EXPECT_EQ(tree.directories.back().path, "D:\\e");
    // Every descriptor taken on the way down and back up is let go.
    EXPECT_EQ(test::openDescriptorCount(), open);
}

TEST_F(DirTreeTest, AnUnmappedDriveHasNoTree)
{
    const DirectoryTree tree = ReadDirectoryTree('Q');
    EXPECT_FALSE(tree.rootReadable);
    EXPECT_TRUE(tree.directories.empty());
}

} // namespace
