#include "platform/beneath.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex {

namespace {

QByteArrayList parts(const char* path)
{
    return QByteArray(path).split('/');
}

bool isLink(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0 && S_ISLNK(st.st_mode);
}

// Runs every case with the kernel's guard and with the walk that stands in
// for it on kernels without openat2.
class Beneath : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override
    {
        BeneathRoot::setKernelGuardsForTesting(GetParam());
        top = m_tmp.path().toUtf8();
        target = top + "/target";
        ASSERT_EQ(::mkdir(target.constData(), 0755), 0);
        ASSERT_TRUE(root.open(target));
    }
    void TearDown() override { BeneathRoot::setKernelGuardsForTesting(true); }

    QTemporaryDir m_tmp;
    QByteArray top;
    QByteArray target;
    BeneathRoot root;
};

} // namespace

// A chain of links, each harmless by its own text, never gives a way out:
// "a" -> ".", then "a/b" -> "../.." would name the target's parent.
TEST_P(Beneath, ChainedLinksNeverLeadOut)
{
    const UniqueFd dir(root.openDirectory({}, true, 0755));
    ASSERT_GE(dir.get(), 0);
    EXPECT_EQ(root.makeSymlink(dir.get(), parts("a"), "."), 0);
    EXPECT_TRUE(isLink(target + "/a"));
    EXPECT_EQ(root.makeSymlink(dir.get(), parts("b"), "a/.."), -EXDEV);
    EXPECT_FALSE(isLink(target + "/b"));
    EXPECT_EQ(root.makeSymlink(dir.get(), parts("c"), "/etc"), -EXDEV);
    EXPECT_EQ(root.makeSymlink(dir.get(), parts("d"), "a/a/a/../x"), -EXDEV);
    EXPECT_FALSE(isLink(target + "/d"));

    // Nothing is created through a link that leads out, however reached.
    ASSERT_EQ(::symlink("..", (target + "/up").constData()), 0);
    EXPECT_LT(root.openDirectory(parts("up/x"), true, 0755), 0);
    struct stat st {};
    EXPECT_NE(::lstat((top + "/x").constData(), &st), 0);
}

// A link that leads nowhere yet is kept, but one that a later directory
// turns into a way out goes when the links are looked at again.
TEST_P(Beneath, DanglingLinkIsCheckedAgain)
{
    const UniqueFd dir(root.openDirectory({}, true, 0755));
    EXPECT_EQ(root.makeSymlink(dir.get(), parts("later"), "s/t/../../.."), -EXDEV);
    EXPECT_EQ(root.makeSymlink(dir.get(), parts("ok"), "missing/file"), 0);
    EXPECT_EQ(root.makeSymlink(dir.get(), parts("sneaky"), "m/../.."), -EXDEV);
    EXPECT_EQ(root.makeSymlink(dir.get(), parts("deep"), "s/x"), 0);
    // "s" arrives as a link to the parent by another route.
    ASSERT_EQ(::symlink("..", (target + "/s").constData()), 0);
    const auto removed = root.recheckLinks();
    ASSERT_EQ(removed.size(), 1u);
    EXPECT_EQ(removed.front(), parts("deep"));
    EXPECT_FALSE(isLink(target + "/deep"));
    EXPECT_TRUE(isLink(target + "/ok"));
}

// Directories are made where missing; one that was there keeps its mode and
// times; a file is only ever created new.
TEST_P(Beneath, ExistingDirectoryIsLeftAsItWas)
{
    ASSERT_EQ(::mkdir((target + "/keep").constData(), 0700), 0);
    const struct timespec old[2] = {{1000000, 0}, {1000000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (target + "/keep").constData(), old, 0), 0);

    const UniqueFd keep(root.openDirectory(parts("keep"), true, 0777));
    ASSERT_GE(keep.get(), 0);
    const UniqueFd deep(root.openDirectory(parts("keep/new/deeper"), true, 0755));
    ASSERT_GE(deep.get(), 0);
    struct stat st {};
    ASSERT_EQ(::stat((target + "/keep").constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0700u);
    ASSERT_EQ(::stat((target + "/keep/new/deeper").constData(), &st), 0);
    EXPECT_TRUE(S_ISDIR(st.st_mode));

    const int fd = BeneathRoot::createFile(deep.get(), "f", 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(BeneathRoot::createFile(deep.get(), "f", 0600), -EEXIST);
    EXPECT_EQ(BeneathRoot::createFile(deep.get(), "..", 0600), -EINVAL);
    EXPECT_EQ(BeneathRoot::createFile(deep.get(), "a/b", 0600), -EINVAL);
    EXPECT_EQ(root.openDirectory(parts("keep/../x"), true, 0755), -EINVAL);
}

// The program's directory inside the target takes nothing, whether named
// or reached through a link made for it.
TEST_P(Beneath, ForbiddenDirectoryTakesNothing)
{
    ASSERT_EQ(::mkdir((target + "/prog").constData(), 0755), 0);
    root.forbid(target + "/prog");
    EXPECT_EQ(root.openDirectory(parts("prog"), true, 0755), -EPERM);
    EXPECT_EQ(root.openDirectory(parts("prog/sub"), true, 0755), -EPERM);
    const UniqueFd dir(root.openDirectory({}, true, 0755));
    ASSERT_EQ(root.makeSymlink(dir.get(), parts("p"), "prog"), 0);
    // The kernel follows the link and finds the forbidden directory; the
    // walk without openat2 follows no link at all.
    EXPECT_LT(root.openDirectory(parts("p"), true, 0755), 0);
    struct stat st {};
    EXPECT_NE(::lstat((target + "/prog/sub").constData(), &st), 0);
}

INSTANTIATE_TEST_SUITE_P(KernelAndWalk, Beneath, ::testing::Bool());

} // namespace dovex
