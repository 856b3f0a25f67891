// dovex-cli against hostile paths and names: arguments that climb out of a
// drive, drive roots, names that are not UTF-8 or hold a backslash, and an
// operation that fails half-way. Arguments and output are raw bytes.
#include "support/drivefixture.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace dovex::test {

namespace {

struct RawRun {
    int rc = -1;
    QByteArray out;
    QByteArray err;
};

// Runs dovex-cli with byte-string arguments, no shell and no re-encoding.
// fileSizeLimit, when set, makes every write past that size fail (EFBIG).
RawRun run(const QList<QByteArray>& args, rlim_t fileSizeLimit = RLIM_INFINITY)
{
    QTemporaryDir tmp;
    const QByteArray outPath = QFile::encodeName(tmp.path() + "/out");
    const QByteArray errPath = QFile::encodeName(tmp.path() + "/err");
    std::vector<char*> argv;
    QByteArray program(DOVEX_CLI);
    argv.push_back(program.data());
    QList<QByteArray> copies = args;
    for (QByteArray& a : copies)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int in = ::open("/dev/null", O_RDONLY);
        const int out = ::open(outPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        if (fileSizeLimit != RLIM_INFINITY) {
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    RawRun r;
    int status = 0;
    ::waitpid(pid, &status, 0);
    r.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    QFile o(tmp.path() + "/out"), e(tmp.path() + "/err");
    if (o.open(QIODevice::ReadOnly))
        r.out = o.readAll();
    if (e.open(QIODevice::ReadOnly))
        r.err = e.readAll();
    return r;
}

QByteArray bytes(const QString& hostPath)
{
    return QFile::encodeName(hostPath);
}

void writeFile(const QByteArray& path, const QByteArray& content)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << path.constData();
    ASSERT_EQ(::write(fd, content.constData(), size_t(content.size())), content.size());
    ::close(fd);
}

QByteArray readFile(const QByteArray& path)
{
    QByteArray out;
    const int fd = ::open(path.constData(), O_RDONLY);
    if (fd < 0)
        return "<missing>";
    char buf[65536];
    for (ssize_t n; (n = ::read(fd, buf, sizeof buf)) > 0;)
        out.append(buf, n);
    ::close(fd);
    return out;
}

bool exists(const QByteArray& path)
{
    struct stat st {};
    return ::lstat(path.constData(), &st) == 0;
}

class CliHardening : public ::testing::Test {
protected:
    DriveFixture drives{QStringLiteral("CD")};
    QByteArray c() const { return bytes(drives.root('C')); }
    QByteArray d() const { return bytes(drives.root('D')); }
};

TEST_F(CliHardening, PathsThatClimbStayOnTheirDrive)
{
    // A sibling of the drive's directory that the drive must never reach.
    QTemporaryDir parent;
    const QByteArray top = bytes(parent.path());
    qputenv("DOVEX_DRIVES", "C=" + top + "/c;D=" + d());
    ::mkdir(top + "/c", 0755);
    ::mkdir(top + "/victim", 0755);
    writeFile(top + "/victim/v.txt", "victim");
    writeFile(top + "/c/a.txt", "a");

    EXPECT_EQ(run({"copy", "C:\\a.txt", "C:\\..\\victim\\v.txt", "--overwrite=all"}).rc, 1);
    EXPECT_EQ(run({"copy", "C:\\a.txt", "C:\\x\\..\\..\\..\\victim"}).rc, 0);
    EXPECT_EQ(readFile(top + "/c/victim"), "a");
    EXPECT_EQ(run({"delete", "C:\\..\\victim\\v.txt"}).rc, 1);
    EXPECT_EQ(run({"delete", "C:/../../victim", "--protected=all"}).rc, 0);
    EXPECT_FALSE(exists(top + "/c/victim"));
    const RawRun list = run({"list", "C:\\..\\.."});
    EXPECT_EQ(list.rc, 0);
    EXPECT_TRUE(list.out.startsWith("C:\\\n")) << list.out.constData();
    EXPECT_FALSE(list.out.contains("victim"));
    EXPECT_EQ(readFile(top + "/victim/v.txt"), "victim");
}

TEST_F(CliHardening, RootIsEmptiedNeverRemovedOrMoved)
{
    QTemporaryDir parent;
    const QByteArray top = bytes(parent.path());
    qputenv("DOVEX_DRIVES", "C=" + top + "/c;D=" + d());
    ::mkdir(top + "/c", 0755);
    ::mkdir(top + "/c/sub", 0755);
    writeFile(top + "/c/sub/f.txt", "f");
    writeFile(top + "/c/top.txt", "t");
    writeFile(top + "/beside.txt", "beside");

    RawRun r = run({"move", "C:\\", "D:\\all"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains("Cannot move the root of a drive")) << r.err.constData();
    r = run({"move", "C:\\sub\\..", "D:\\all"});
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(exists(top + "/c/top.txt"));
    EXPECT_FALSE(exists(d() + "/all"));

    for (const QByteArray& spelling : {QByteArray("C:"), QByteArray("C:\\sub\\..\\..")}) {
        writeFile(top + "/c/top.txt", "t");
        r = run({"delete", spelling, "--protected=all"});
        EXPECT_EQ(r.rc, 0) << spelling.constData() << r.err.constData();
        struct stat st {};
        EXPECT_EQ(::stat(top + "/c", &st), 0);
        EXPECT_TRUE(S_ISDIR(st.st_mode));
        EXPECT_FALSE(exists(top + "/c/top.txt"));
    }
    EXPECT_EQ(readFile(top + "/beside.txt"), "beside");
}

TEST_F(CliHardening, NamesRoundTripAsBytes)
{
    const QList<QByteArray> names = {"bad\xff",   "bad\xfe",         "back\\slash", "tab\there",
                                     "new\nline", "pua\xef\x81\x9c", "caf\xc3\xa9"};
    for (const QByteArray& n : names)
        writeFile(c() + '/' + n, n);

    const RawRun list = run({"list", "C:\\"});
    ASSERT_EQ(list.rc, 0);
    const QList<QByteArray> rows = list.out.split('\n');
    // The path line, one row per name, and the final empty piece.
    EXPECT_EQ(rows.size(), names.size() + 2) << list.out.constData();
    EXPECT_TRUE(list.out.contains("\nbad\xff\t"));
    EXPECT_TRUE(list.out.contains("\nbad\xfe\t"));
    EXPECT_TRUE(list.out.contains("\nback\\\\slash\t")) << list.out.constData();
    EXPECT_TRUE(list.out.contains("\ntab\\there\t"));
    EXPECT_TRUE(list.out.contains("\nnew\\nline\t"));
    EXPECT_TRUE(list.out.contains("\ncaf\xc3\xa9\t"));

    // Each name given back as its bytes names that file and no other.
    EXPECT_EQ(run({"copy", "C:\\bad\xff", "D:\\"}).rc, 0);
    EXPECT_EQ(readFile(d() + "/bad\xff"), "bad\xff");
    EXPECT_FALSE(exists(d() + "/bad\xfe"));
    EXPECT_EQ(run({"delete", "C:\\bad\xfe"}).rc, 0);
    EXPECT_FALSE(exists(c() + "/bad\xfe"));
    EXPECT_EQ(readFile(c() + "/bad\xff"), "bad\xff");

    // A backslash in a name is written as U+F05C on the command line.
    EXPECT_EQ(run({"move", "C:\\back\xef\x81\x9cslash", "D:\\"}).rc, 0);
    EXPECT_EQ(readFile(d() + "/back\\slash"), "back\\slash");
    EXPECT_FALSE(exists(c() + "/back\\slash"));
    EXPECT_EQ(readFile(c() + "/pua\xef\x81\x9c"), "pua\xef\x81\x9c");
    ::mkdir(d() + "/all", 0755);
    EXPECT_EQ(run({"copy", "C:\\*", "D:\\all"}).rc, 0);
    // A name holding "*" is that file, not a pattern over its neighbours.
    writeFile(c() + "/st*r", "star");
    writeFile(c() + "/stXr", "neighbour");
    EXPECT_EQ(run({"delete", "C:\\st*r"}).rc, 0);
    EXPECT_FALSE(exists(c() + "/st*r"));
    EXPECT_EQ(readFile(c() + "/stXr"), "neighbour");
    for (const QByteArray& n : {QByteArray("bad\xff"), QByteArray("pua\xef\x81\x9c"),
                                QByteArray("tab\there"), QByteArray("new\nline")})
        EXPECT_EQ(readFile(d() + "/all/" + n), n) << n.toHex().constData();
}

TEST_F(CliHardening, NoItemStartsAfterAWriteError)
{
    // Writes past 1 MiB fail: the first copy ends in a write error.
    writeFile(d() + "/b.txt", "the old b");
    writeFile(c() + "/a.big", QByteArray(3 * 1024 * 1024, 'a'));
    writeFile(c() + "/b.txt", "the new b");
    const RawRun r = run({"copy", "C:\\a.big", "C:\\b.txt", "D:\\", "--overwrite=all"}, 1 << 20);
    EXPECT_EQ(r.rc, 1);
    EXPECT_TRUE(r.err.contains("Write error File D:\\a.big")) << r.err.constData();
    EXPECT_FALSE(r.err.contains("b.txt Exists")) << r.err.constData();
    EXPECT_EQ(readFile(d() + "/b.txt"), "the old b");
    EXPECT_FALSE(exists(d() + "/a.big"));
    EXPECT_TRUE(exists(d() + "/a.$$$"));
}

} // namespace

} // namespace dovex::test
