// dovex-cli compare, size and attrib run as programs over temporary drives.
#include "support/drivefixture.h"

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <linux/capability.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace dovex::test {

namespace {

struct CliResult {
    int rc = -1;
    QStringList lines;
    QString err;
};

// inChild, when given, runs in the child just before dovex-cli starts.
CliResult cli(const QStringList& args, const std::function<void()>& inChild = {})
{
    QProcess p;
    if (inChild)
        p.setChildProcessModifier(inChild);
    p.start(QStringLiteral(DOVEX_CLI), args);
    CliResult r;
    if (!p.waitForFinished(30000)) {
        p.kill();
        p.waitForFinished();
        return r;
    }
    r.rc = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

struct stat statOf(const QString& host)
{
    struct stat st {};
    ::lstat(QFile::encodeName(host).constData(), &st);
    return st;
}

// Takes from this process (a child about to start dovex-cli) the power to
// read what its permissions forbid, as a user other than root lacks it;
// then an exit with 77.
void withoutReadingPowers()
{
    if (::geteuid() != 0)
        return;
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[2]{};
    const bool ok = ::syscall(SYS_capget, &header, data) == 0;
    data[0].inheritable = data[1].inheritable = 0;
    if (!ok || ::syscall(SYS_capset, &header, data) != 0 ||
        ::prctl(PR_CAP_AMBIENT, PR_CAP_AMBIENT_CLEAR_ALL, 0, 0, 0) != 0 ||
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_OVERRIDE, 0, 0, 0) != 0 ||
        ::prctl(PR_CAPBSET_DROP, CAP_DAC_READ_SEARCH, 0, 0, 0) != 0)
        ::_exit(77);
}

bool setImmutable(const QString& host, bool on)
{
    const int fd = ::open(QFile::encodeName(host).constData(), O_RDONLY | O_NONBLOCK);
    int flags = 0;
    bool ok = fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    ok = ok && ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    if (fd >= 0)
        ::close(fd);
    return ok;
}

} // namespace

TEST(CompareCli, CompareAndSizePrintWhatTheWindowWouldShow)
{
    DriveFixture drives(QStringLiteral("CD"));
    drives.file("C:\\l\\same", 4);
    drives.file("D:\\r\\same", 4);
    drives.file("C:\\l\\left", 1);
    drives.file("D:\\r\\Left", 1);
    for (const char* p : {"C:\\l\\same", "D:\\r\\same", "C:\\l\\left", "D:\\r\\Left"})
        drives.setTime(p, {2010, 1, 1, 0, 0, 0});
    CliResult r = cli({"compare", "C:\\l", "D:\\r"});
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, QStringList({"L\tleft", "R\tLeft"}));
    r = cli({"compare", "C:\\l", "C:\\l"});
    EXPECT_EQ(r.lines, QStringList({"The two Directory's apears to be identical."}));
    EXPECT_EQ(cli({"compare", "C:\\l", "C:\\missing"}).rc, 2);

    drives.file("C:\\l\\.git\\objects\\a", 1000);
    r = cli({"size", "C:\\l", "D:\\r\\same"});
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.lines, QStringList({"Total size of selected files: 1,009 bytes",
                                    "Total selected files: 4"}));
}

TEST(CompareCli, AttribChangesOnlyTheNamedBitsAndRefusesABadDate)
{
    DriveFixture drives;
    drives.file("C:\\t\\a", 1);
    drives.file("C:\\t\\.cfg\\b", 1);
    const QString a = drives.host("C:\\t\\a");
    const auto before = statOf(a).st_mtim.tv_sec;

    CliResult r = cli({"attrib", "C:\\t\\a", "+R", "--date", "31/02/99 10:00:00"});
    EXPECT_EQ(r.rc, 2);
    EXPECT_TRUE(r.err.contains("'31/02/99 10:00:00' is not a valid date and time"));
    EXPECT_TRUE(statOf(a).st_mode & S_IWUSR);

    r = cli({"attrib", "C:\\t\\a", "+S", "-A"});
    EXPECT_EQ(r.lines, QStringList({"C:\\\\t\\\\a\t__S_"}));
    r = cli({"attrib", "C:\\t\\a", "+R"}); // S and A as they were
    EXPECT_EQ(r.lines, QStringList({"C:\\\\t\\\\a\tR_S_"}));
    EXPECT_EQ(statOf(a).st_mtim.tv_sec, before);

    const QString b = drives.host("C:\\t\\.cfg\\b");
    r = cli({"attrib", "C:\\t", "+R", "--date", "03/02/01 04:05:06"});
    EXPECT_TRUE(statOf(b).st_mode & S_IWUSR); // without --subdirs nothing below changes
    r = cli({"attrib", "C:\\t", "+R", "--date", "03/02/01 04:05:06", "--subdirs"});
    EXPECT_EQ(r.rc, 0);
    EXPECT_FALSE(statOf(b).st_mode & S_IWUSR);
    EXPECT_EQ(statOf(b).st_mtim.tv_sec,
              unixFromDosDateTime(packDosDateTime({2001, 2, 3, 4, 5, 6})));
    EXPECT_EQ(statOf(a).st_mtim.tv_sec, before); // read-only already: keeps its time
    EXPECT_TRUE(statOf(drives.host("C:\\t\\.cfg")).st_mode & S_IWUSR);
}

TEST(CompareCli, SizeCountsEveryLevelOfADeepTreeAndReportsWhatItCannotRead)
{
    DriveFixture drives;
    drives.file("C:\\t\\top", 10);
    // 1,500 levels at 1,024 descriptors.
    const QByteArray deep = QFile::encodeName(drives.host("C:\\t"));
    int fd = ::open(deep.constData(), O_RDONLY | O_DIRECTORY);
    for (int i = 0; i < 1500 && fd >= 0; ++i) {
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
    }
    ASSERT_GE(fd, 0);
    const int bottom = ::openat(fd, "last", O_WRONLY | O_CREAT, 0644);
    ASSERT_EQ(::write(bottom, "12345", 5), 5);
    ::close(bottom);
    ::close(fd);
    const auto fewDescriptors = [] {
        const rlimit limit{1024, 1024};
        ::setrlimit(RLIMIT_NOFILE, &limit);
    };
    CliResult r = cli({"size", "C:\\t"}, fewDescriptors);
    EXPECT_EQ(r.rc, 0) << r.err.toStdString();
    EXPECT_EQ(r.lines,
              QStringList({"Total size of selected files: 15 bytes", "Total selected files: 2"}));

    // A subdirectory that cannot be read: counted without it, and said.
    drives.file("C:\\u\\open\\a", 1);
    drives.file("C:\\u\\shut\\b", 2);
    const QString shut = drives.host("C:\\u\\shut");
    QFile::setPermissions(shut, QFileDevice::Permissions{});
    r = cli({"size", "C:\\u"}, withoutReadingPowers);
    QFile::setPermissions(shut,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    if (r.rc == 77)
        GTEST_SKIP() << "this process cannot give up reading what permissions forbid";
    EXPECT_EQ(r.lines,
              QStringList({"Total size of selected files: 1 bytes", "Total selected files: 1"}));
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains("cannot read C:\\\\u\\\\shut")) << r.err.toStdString();
}

TEST(CompareCli, AttribOnAFileThatCannotBeChangedFails)
{
    DriveFixture drives;
    drives.file("C:\\t\\fixed", 1);
    drives.file("C:\\t\\free", 1);
    const QString fixed = drives.host("C:\\t\\fixed");
    if (!setImmutable(fixed, true))
        GTEST_SKIP() << "no immutable files here";
    CliResult one = cli({"attrib", "C:\\t\\fixed", "+R"});
    CliResult tree = cli({"attrib", "C:\\t", "+R", "--subdirs"});
    setImmutable(fixed, false);
    EXPECT_EQ(one.rc, 1);
    EXPECT_EQ(one.lines, QStringList({"C:\\\\t\\\\fixed\t___A"}));
    EXPECT_TRUE(one.err.contains("cannot change C:\\\\t\\\\fixed")) << one.err.toStdString();
    EXPECT_EQ(tree.rc, 1);
    EXPECT_TRUE(tree.err.contains("cannot change C:\\\\t\\\\fixed")) << tree.err.toStdString();
    EXPECT_FALSE(statOf(drives.host("C:\\t\\free")).st_mode & S_IWUSR);
}

} // namespace dovex::test
