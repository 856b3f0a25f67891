// Faults a hostile user or a failing disk can cause: paths that climb out of
// a drive, roots, mount points, replaced files, long names, sparse files.
#include "recordingsink.h"

#include "fileops/copyengine.h"
#include "fileops/deleteengine.h"
#include "fileops/moveengine.h"
#include "fileops/pathrules.h"
#include "fileops/runoperation.h"
#include "fileops/treewalk.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"

#include <QDir>
#include <QTemporaryDir>

#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

namespace dovex::test {

namespace {

QByteArray enc(const QString& host)
{
    return hostname::encode(host);
}

class HardeningTest : public FileOpsTest {
protected:
    // A directory beside the drives that nothing may ever touch.
    QString outside() const { return QDir::cleanPath(drives.root('C') + "/../outside-" + tag); }
    void makeOutside()
    {
        QDir().mkpath(outside());
        QFile f(outside() + "/precious.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep me");
    }
    bool outsideIntact() const
    {
        QFile f(outside() + "/precious.txt");
        return f.open(QIODevice::ReadOnly) && f.readAll() == "keep me";
    }
    ~HardeningTest() override { QDir(outside()).removeRecursively(); }

    QString tag = QString::number(::getpid());
};

TEST_F(HardeningTest, DotDotNeverLeavesTheDrive)
{
    makeOutside();
    const QString root = drives.root('C');
    EXPECT_EQ(DriveMap::instance().toHost("C:\\..\\x"), root + "/x");
    EXPECT_EQ(DriveMap::instance().toHost("C:\\a\\..\\..\\..\\x"), root + "/x");
    EXPECT_EQ(DriveMap::instance().toHost("c:..\\.\\a//b\\"), root + "/a/b");
    EXPECT_EQ(DriveMap::instance().toHost("C:\\a\\b\\..\\c"), root + "/a/c");
    EXPECT_EQ(DriveMap::instance().toHost("C:/../../" + QStringLiteral("outside-") + tag),
              root + "/outside-" + tag);
    EXPECT_FALSE(DriveMap::instance().toHost(QStringLiteral("C:\\a") + QChar(0) + "\\..\\.."));
    EXPECT_EQ(dospath::normalize("c:\\a\\..\\..\\x\\"), "c:\\x");
    EXPECT_EQ(ResolveTypedTarget("..\\..\\..\\y", "C:\\src"), "C:\\y");

    // Every engine, given a path that climbs, works inside the drive.
    drives.file("C:\\src\\f.txt", 100);
    const QString climb = "C:\\..\\..\\outside-" + tag;
    EXPECT_TRUE(CopyOneFile(state, "C:\\src\\f.txt", climb));
    EXPECT_EQ(drives.read("C:\\outside-" + tag).size(), 100);
    DeleteOneFile(state, climb + "\\precious.txt");
    DeleteTree(state, "C:\\src\\..\\..\\..\\outside-" + tag);
    EXPECT_EQ(MakeDirectoryPath("C:\\src", "..\\..\\..\\made"), 0);
    EXPECT_TRUE(drives.exists("C:\\made"));
    EXPECT_TRUE(outsideIntact());
    EXPECT_FALSE(QFileInfo::exists(QDir::cleanPath(root + "/../made")));
}

TEST_F(HardeningTest, DriveRootIsEmptiedNeverRemovedOrMoved)
{
    drives.file("C:\\a\\b.txt", 10);
    drives.file("C:\\top.txt", 10);
    for (const QString& spelling : {QStringLiteral("C:\\a\\.."), QStringLiteral("C:")}) {
        ProcessEntry(state, FileOpKind::Delete, spelling, QString(), true);
        EXPECT_TRUE(QFileInfo(drives.root('C')).isDir()) << spelling.toStdString();
    }
    EXPECT_FALSE(drives.exists("C:\\a"));
    EXPECT_FALSE(drives.exists("C:\\top.txt"));

    drives.file("C:\\keep.txt", 10);
    MoveDirectory(state, "C:\\", "D:\\moved");
    MoveTree(state, "C:\\x\\..", "D:\\moved");
    EXPECT_EQ(prompter.count("Cannot move the root of a drive"), 2);
    EXPECT_TRUE(drives.exists("C:\\keep.txt"));
    EXPECT_FALSE(drives.exists("D:\\moved"));
    EXPECT_NE(fileio::removeDirectory("C:\\"), 0);
    EXPECT_NE(fileio::rename("D:\\", "C:\\d"), 0);

    // A drive mapped inside another: its root is not removed through the outer drive.
    drives.file("C:\\inner\\x.txt", 3);
    qputenv("DOVEX_DRIVES", QStringLiteral("C=%1;D=%2;E=%3")
                                .arg(drives.root('C'), drives.root('D'), drives.host("C:\\inner"))
                                .toLocal8Bit());
    DriveMap::instance().reload();
    OperationState fresh(prompter, sink);
    fresh.deleteProtectedAll = true;
    DeleteTree(fresh, "C:\\");
    EXPECT_TRUE(QFileInfo(drives.host("C:\\inner")).isDir());
}

TEST_F(HardeningTest, NamesAreByteStrings)
{
    // Two names that differ only in bytes that are not UTF-8, one with a
    // backslash, and one that really holds U+F05C.
    const QByteArray dir = enc(drives.root('C'));
    const QList<QByteArray> names = {"a\xff.txt",       "a\xfe.txt",       "back\\slash",
                                     "pua\xef\x81\x9c", "\xed\xa0\x80sur", "ok-\xc3\xa9"};
    for (const QByteArray& n : names) {
        const int fd = ::open(dir + '/' + n, O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, n.constData(), size_t(n.size())), n.size());
        ::close(fd);
    }
    const auto items = fileio::listDirectory("C:\\");
    ASSERT_TRUE(items);
    QStringList listed;
    for (const DirItem& item : *items)
        listed << item.name;
    ASSERT_EQ(listed.size(), names.size());
    EXPECT_EQ(QSet<QString>(listed.begin(), listed.end()).size(), names.size());
    for (const QString& name : listed) {
        EXPECT_FALSE(name.contains('\\'));
        EXPECT_TRUE(names.contains(hostname::encode(name)));
        EXPECT_TRUE(CopyOneFile(state, "C:\\" + name, "D:\\"));
    }
    // Each copy holds its own name's bytes; deleting one leaves its twin.
    for (const QByteArray& n : names) {
        QFile f(QString::fromLocal8Bit(enc(drives.root('D'))) + '/');
        const int fd = ::open(enc(drives.root('D')) + '/' + n, O_RDONLY);
        ASSERT_GE(fd, 0) << n.toHex().constData();
        char buf[64] = {};
        EXPECT_EQ(::read(fd, buf, sizeof buf), n.size());
        EXPECT_EQ(QByteArray(buf, int(n.size())), n);
        ::close(fd);
    }
    EXPECT_TRUE(DeleteOneFile(state, "C:\\" + hostname::decode(QByteArray("a\xff.txt"))));
    EXPECT_NE(::access(dir + "/a\xfe.txt", F_OK), -1);
    EXPECT_EQ(::access(dir + "/a\xff.txt", F_OK), -1);
    EXPECT_TRUE(
        MoveOneFile(state, "C:\\" + hostname::decode(QByteArray("back\\slash")), "C:\\sub"));
    EXPECT_EQ(::access(dir + "/sub", F_OK), 0);
    EXPECT_EQ(state.notDone, 0);
}

// The helpers of a tree copy open and create files by their names in the
// two directories: every name arrives as its own bytes, beside its twins,
// and the tree it is in, not another, receives it.
TEST_F(HardeningTest, TreeCopiedBesideTheWalkKeepsEveryNamesBytes)
{
    const QByteArray src = enc(drives.root('C')) + "/t\xff";
    ASSERT_EQ(::mkdir(src.constData(), 0755), 0);
    QList<QByteArray> names = {"a\xff.txt",       "a\xfe.txt", "back\\slash", "pua\xef\x81\x9c",
                               "\xed\xa0\x80sur", "..x",       " lead",       "trail."};
    for (int i = 0; i < 40; ++i)
        names << "n" + QByteArray::number(i) + "\x80";
    for (const QByteArray& n : names) {
        const int fd = ::open(src + '/' + n, O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, n.constData(), size_t(n.size())), n.size());
        ::close(fd);
    }
    CopyTree(state, "C:\\" + hostname::decode(QByteArray("t\xff")), "D:\\");
    EXPECT_TRUE(prompter.asked().isEmpty());
    EXPECT_EQ(state.notDone, 0);
    const QByteArray out = enc(drives.root('D')) + "/t\xff";
    for (const QByteArray& n : names) {
        const int fd = ::open(out + '/' + n, O_RDONLY);
        ASSERT_GE(fd, 0) << n.toHex().constData();
        char buf[64] = {};
        EXPECT_EQ(::read(fd, buf, sizeof buf), n.size());
        EXPECT_EQ(QByteArray(buf, int(n.size())), n);
        ::close(fd);
    }
    // Nothing else arrived: no partial name, no name of another encoding.
    DIR* listing = ::opendir(out.constData());
    ASSERT_NE(listing, nullptr);
    int entries = 0;
    while (const dirent* ent = ::readdir(listing))
        entries += std::strcmp(ent->d_name, ".") != 0 && std::strcmp(ent->d_name, "..") != 0;
    ::closedir(listing);
    EXPECT_EQ(entries, names.size());
}

TEST_F(HardeningTest, HostNameCodecIsExactForEveryByteString)
{
    std::srand(7);
    for (int round = 0; round < 2000; ++round) {
        QByteArray bytes;
        const int n = std::rand() % 12 + 1;
        for (int i = 0; i < n; ++i) {
            char c = char(std::rand() % 256);
            bytes.append(c == 0 ? 'x' : c);
        }
        ASSERT_EQ(hostname::encode(hostname::decode(bytes)), bytes) << bytes.toHex().constData();
    }
    EXPECT_EQ(hostname::decode(QByteArray("a\\b")), QStringLiteral("a") + QChar(0xF05C) + "b");
    EXPECT_NE(hostname::decode(QByteArray("a\xef\x81\x9c"
                                          "b")),
              hostname::decode(QByteArray("a\\b")));
    EXPECT_EQ(hostname::decodeText("C:\\a\\b"), QStringLiteral("C:\\a\\b"));
    // Shown as a person reads it: the backslash, and U+FFFD for a lost byte.
    EXPECT_EQ(hostname::displayName(hostname::decode(QByteArray("a\\b\xff\xf0\x9f\x98\x80"))),
              QStringLiteral("a\\b") + QChar(0xFFFD) + QString::fromUtf8("\xf0\x9f\x98\x80"));
}

TEST_F(HardeningTest, ReplacedFileSurvivesUntilItsReplacementArrived)
{
    drives.file("C:\\new.txt", 3 * 1024 * 1024);
    drives.file("D:\\new.txt", 0, "the old one");
    drives.file("C:\\same.txt", 0, "newer");
    drives.file("C:\\old.txt", 0, "older");

    // A copy that fails half-way leaves the old file as it was.
    File::injectFault(FileFault::Write, ".$$$", 1024 * 1024);
    prompter.script({Answer::Yes});
    EXPECT_FALSE(CopyOneFile(state, "C:\\new.txt", "D:\\"));
    EXPECT_EQ(drives.read("D:\\new.txt"), "the old one");
    EXPECT_TRUE(drives.exists("D:\\new.$$$"));

    // A move across drives likewise, and the source stays too.
    OperationState again(prompter, sink);
    prompter.script({Answer::Yes});
    EXPECT_FALSE(MoveOneFile(again, "C:\\new.txt", "D:\\new.txt"));
    EXPECT_EQ(drives.read("D:\\new.txt"), "the old one");
    EXPECT_EQ(drives.read("C:\\new.txt").size(), 3 * 1024 * 1024);
    File::clearFaults();

    // A move on one drive replaces by one rename.
    OperationState third(prompter, sink);
    prompter.script({Answer::Yes});
    EXPECT_TRUE(MoveOneFile(third, "C:\\same.txt", "C:\\old.txt"));
    EXPECT_EQ(drives.read("C:\\old.txt"), "newer");
    EXPECT_FALSE(drives.exists("C:\\same.txt"));

    // A successful replacing copy leaves no partial file behind.
    OperationState fourth(prompter, sink);
    prompter.script({Answer::Yes});
    EXPECT_TRUE(CopyOneFile(fourth, "C:\\new.txt", "D:\\new.txt"));
    EXPECT_EQ(drives.read("D:\\new.txt"), drives.read("C:\\new.txt"));
    EXPECT_EQ(QDir(drives.root('D')).entryList(QDir::Files).size(), 3); // new.txt and two partials
}

TEST_F(HardeningTest, PartialFileOfALongNameNeverKeepsTheRealName)
{
    const QString longName = QString(240, 'n') + QStringLiteral(".txt");
    const QString utf8Name = QString(120, QChar(0xE9)) + QStringLiteral(".x"); // 242 bytes
    for (const QString& name : {longName, utf8Name}) {
        drives.file("C:\\" + name, 2 * 1024 * 1024);
        File::injectFault(FileFault::Write, ".$$$", 0);
        File::injectFault(FileFault::Write, name, 1024 * 1024);
        OperationState s(prompter, sink);
        EXPECT_FALSE(CopyOneFile(s, "C:\\" + name, "D:\\"));
        File::clearFaults();
        EXPECT_FALSE(drives.exists("D:\\" + name));
        const QStringList left = QDir(drives.root('D')).entryList(QDir::Files);
        for (const QString& l : left) {
            EXPECT_TRUE(l.endsWith(".$$$"));
            EXPECT_LE(hostname::encode(l).size(), 255);
        }
        QDir(drives.root('D')).removeRecursively();
        QDir().mkpath(drives.root('D'));
    }
    EXPECT_LE(
        hostname::encode(dospath::fileName(partialName("C:\\" + QString(255, 'a'), 12))).size(),
        255);
}

TEST_F(HardeningTest, SparseFilesStaySparse)
{
    const std::int64_t size = 512LL * 1024 * 1024;
    drives.file("C:\\s.img", 0);
    const QByteArray src = enc(drives.host("C:\\s.img"));
    int fd = ::open(src, O_WRONLY);
    ASSERT_GE(fd, 0);
    ::pwrite(fd, "head", 4, 0);
    ::pwrite(fd, "middle", 6, size / 2);
    ASSERT_EQ(::ftruncate(fd, size), 0); // ends in a hole
    ::close(fd);
    struct stat st {};
    ::stat(src, &st);
    if (st.st_blocks * 512 >= size)
        GTEST_SKIP() << "this file system keeps no holes";

    EXPECT_TRUE(CopyOneFile(state, "C:\\s.img", "D:\\"));
    EXPECT_TRUE(MoveOneFile(state, "C:\\s.img", "D:\\m.img"));
    for (const char* name : {"D:\\s.img", "D:\\m.img"}) {
        const QByteArray dst = enc(drives.host(name));
        ASSERT_EQ(::stat(dst, &st), 0);
        EXPECT_EQ(st.st_size, size);
        EXPECT_LT(st.st_blocks * 512, 16 * 1024 * 1024) << name;
        fd = ::open(dst, O_RDONLY);
        char buf[8] = {};
        ::pread(fd, buf, 4, 0);
        EXPECT_EQ(QByteArray(buf, 4), "head");
        ::pread(fd, buf, 6, size / 2);
        EXPECT_EQ(QByteArray(buf, 6), "middle");
        ::pread(fd, buf, 6, size / 2 - 3);
        EXPECT_EQ(QByteArray(buf, 6), QByteArray("\0\0\0mid", 6));
        ::close(fd);
    }
    EXPECT_EQ(state.doneBytes, 2 * size);
}

// Needs the right to mount (CI runs as root); skipped elsewhere.
class MountTest : public HardeningTest {
protected:
    bool mountAt(const QString& dosPath)
    {
        drives.directory(dosPath);
        mounted = enc(drives.host(dosPath));
        if (::mount("dovex-test", mounted.constData(), "tmpfs", 0, "size=4m") != 0) {
            mounted.clear();
            return false;
        }
        return true;
    }
    ~MountTest() override
    {
        if (!mounted.isEmpty())
            ::umount2(mounted.constData(), MNT_DETACH);
    }
    QByteArray mounted;
};

// A tree copy onto a file system that fills up: every file that does not
// fit is asked about before a byte of it is written, in the walk's order,
// and what was copied is whole.
TEST_F(MountTest, ATreeCopyAsksAboutEveryFileThatDoesNotFit)
{
    if (!mountAt("D:\\small"))
        GTEST_SKIP() << "cannot mount here";
    for (int i = 0; i < 8; ++i)
        drives.file(QStringLiteral("C:\\src\\f%1.dat").arg(i), 0,
                    QByteArray(225 * 4096, char('a' + i)));
    prompter.script({Answer::No, Answer::No, Answer::No, Answer::No});
    CopyTree(state, "C:\\src", "D:\\small\\out");
    QStringList expected;
    const auto listed = fileio::listDirectory("C:\\src", false);
    ASSERT_TRUE(listed);
    for (const DirItem& item : *listed)
        if (drives.exists("D:\\small\\out\\" + item.name))
            EXPECT_EQ(drives.read("D:\\small\\out\\" + item.name),
                      drives.read("C:\\src\\" + item.name));
        else
            expected << "Not enought space to write file C:\\src\\" + item.name +
                            "\rdo you wish to continue anyway?";
    EXPECT_EQ(prompter.texts(), expected);
    EXPECT_EQ(expected.size(), 4);
    EXPECT_EQ(QDir(drives.host("D:\\small\\out")).entryList(QDir::Files).size(), 4);
    EXPECT_FALSE(state.ioFailed);
}

TEST_F(MountTest, TreeWalksStayOnTheirFileSystem)
{
    drives.file("C:\\tree\\a.txt", 10);
    if (!mountAt("C:\\tree\\vol"))
        GTEST_SKIP() << "cannot mount here";
    drives.file("C:\\tree\\vol\\data.txt", 100);
    const Totals t = DirectoryTotals("C:\\tree");
    EXPECT_EQ(t.files, 1);

    state.deleteProtectedAll = true;
    DeleteTree(state, "C:\\tree");
    EXPECT_EQ(prompter.count("Cannot delete Directory"), 1);
    EXPECT_TRUE(drives.exists("C:\\tree\\vol\\data.txt"));
    EXPECT_FALSE(drives.exists("C:\\tree\\a.txt"));

    OperationState move(prompter, sink);
    move.deleteProtectedAll = true;
    MoveTree(move, "C:\\tree", "D:\\moved");
    EXPECT_TRUE(drives.exists("C:\\tree\\vol\\data.txt"));
    EXPECT_FALSE(drives.exists("D:\\moved\\vol\\data.txt"));
}

TEST_F(MountTest, BindMountInsideATreeIsLeftAlone)
{
    drives.file("C:\\keep\\k.txt", 10);
    drives.file("C:\\tree\\a.txt", 10);
    drives.directory("C:\\tree\\bind");
    mounted = enc(drives.host("C:\\tree\\bind"));
    if (::mount(enc(drives.host("C:\\keep")).constData(), mounted.constData(), nullptr, MS_BIND,
                nullptr) != 0) {
        mounted.clear();
        GTEST_SKIP() << "cannot bind mount here";
    }
    state.deleteProtectedAll = true;
    DeleteTree(state, "C:\\tree");
    EXPECT_TRUE(drives.exists("C:\\keep\\k.txt"));
    EXPECT_EQ(prompter.count("Cannot delete Directory"), 1);
}

} // namespace

} // namespace dovex::test
