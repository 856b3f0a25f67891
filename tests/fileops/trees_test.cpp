#include "recordingsink.h"

#include "fileops/copyengine.h"
#include "fileops/deleteengine.h"
#include "fileops/moveengine.h"
#include "fileops/runoperation.h"
#include "fileops/treewalk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

namespace dovex::test {

namespace {

class TreeTest : public FileOpsTest {
protected:
    void makeTree()
    {
        drives.file("C:\\src\\a.txt", 100);
        drives.file("C:\\src\\.hidden", 5);
        drives.file("C:\\src\\sub\\b.txt", 200);
        drives.file("C:\\src\\.git\\config", 7);
        drives.directory("C:\\src\\empty");
        drives.file("C:\\outside\\keep.txt", 9);
        // A link into a directory outside the tree.
        ::symlink(QFile::encodeName(drives.host("C:\\outside")).constData(),
                  QFile::encodeName(drives.host("C:\\src\\link")).constData());
    }
    void symlinkAt(const QString& target, const QString& dosLink)
    {
        ::symlink(QFile::encodeName(target).constData(),
                  QFile::encodeName(drives.host(dosLink)).constData());
    }
    // Copies C:\src to a new D:\out, where the files named in failing
    // cannot be opened: each is told, in the walk's order (the directory's
    // own), and every other file arrives whole.
    void copyExpectingOpenErrors(const QStringList& failing)
    {
        QStringList expected;
        const auto listed = fileio::listDirectory("C:\\src", false);
        ASSERT_TRUE(listed);
        for (const DirItem& item : *listed)
            if (failing.contains(item.name))
                expected << "Open error File C:\\src\\" + item.name;
        CopyTree(state, "C:\\src", "D:\\out");
        EXPECT_EQ(prompter.texts(), expected);
        const QStringList copied = QDir(drives.host("D:\\out")).entryList(QDir::Files);
        EXPECT_EQ(copied.size(), listed->size() - size_t(failing.size()));
        for (const QString& name : copied)
            EXPECT_EQ(drives.read("D:\\out\\" + name), drives.read("C:\\src\\" + name));
    }
};

TEST_F(TreeTest, TotalsCountDotDirectoriesAndNeverEnterLinks)
{
    makeTree();
    const Totals t = DirectoryTotals("C:\\src");
    EXPECT_EQ(t.files, 5); // a.txt .hidden b.txt config and the link itself
    EXPECT_EQ(t.bytes, 100 + 5 + 200 + 7);
    EXPECT_EQ(DirectoryTotals("C:\\src\\..").files, 0);
    const QStringList tree = CollectDirectoryTree("C:\\src");
    EXPECT_EQ(tree.first(), "C:\\src");
    EXPECT_EQ(tree.size(), 4);
    EXPECT_FALSE(tree.contains("C:\\src\\link"));
}

TEST_F(TreeTest, SelectionTotalsFallBackToTheCursorEntry)
{
    makeTree();
    PanelEntries entries(3);
    entries[0].name = "..";
    entries[1].name = "src";
    entries[2].name = "outside";
    SelectionTotals(state, "C:\\", entries, 3, 2, false);
    EXPECT_EQ(state.totalFiles, 1);
    EXPECT_EQ(state.totalBytes, 9);
    entries[1].selected = true;
    SelectionTotals(state, "C:\\", entries, 3, 2, false);
    EXPECT_EQ(state.totalFiles, 5);

    // A marked empty directory is what the command acts on: the cursor
    // entry beside it is not counted.
    PanelEntries inSrc(2);
    inSrc[0].name = "empty";
    inSrc[0].selected = true;
    inSrc[1].name = "a.txt";
    SelectionTotals(state, R"(C:\src)", inSrc, 2, 1, false);
    EXPECT_EQ(state.totalFiles, 0);
    EXPECT_EQ(state.totalBytes, 0);
}

TEST_F(TreeTest, CopyTreeIntoExistingDirectoryAndAsNewName)
{
    makeTree();
    drives.directory("D:\\dst");
    CopyTree(state, "C:\\src", "D:\\dst");
    EXPECT_EQ(drives.read("D:\\dst\\src\\sub\\b.txt").size(), 200);
    EXPECT_TRUE(drives.exists("D:\\dst\\src\\.git\\config"));
    EXPECT_TRUE(drives.exists("D:\\dst\\src\\.hidden"));
    EXPECT_TRUE(QFileInfo(drives.host("D:\\dst\\src\\empty")).isDir());
    EXPECT_TRUE(QFileInfo(drives.host("D:\\dst\\src\\link")).isSymLink());
    EXPECT_FALSE(drives.exists("D:\\dst\\src\\link\\keep.txt") &&
                 !QFileInfo(drives.host("D:\\dst\\src\\link")).isSymLink());

    CopyTree(state, "C:\\src", "D:\\fresh");
    EXPECT_TRUE(drives.exists("D:\\fresh\\a.txt"));
    EXPECT_TRUE(drives.exists("D:\\fresh\\sub\\b.txt"));
    EXPECT_EQ(state.notDone, 0);
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(TreeTest, DirectoryIsNeverCopiedOrMovedIntoItsOwnSubtree)
{
    makeTree();
    CopyTree(state, "C:\\src", "C:\\src\\sub");
    CopyTree(state, "C:\\src", "C:\\");
    MoveDirectory(state, "C:\\src", "C:\\src\\sub\\deeper");
    MoveTree(state, "C:\\src", "C:\\src\\sub");
    EXPECT_EQ(prompter.texts(), QStringList({"Cannot copy to itself", "Cannot copy to itself",
                                             "Cannot move to itself", "Cannot move to itself"}));
    EXPECT_FALSE(drives.exists("C:\\src\\sub\\src"));
    EXPECT_FALSE(drives.exists("C:\\src\\sub\\deeper"));
    EXPECT_TRUE(drives.exists("C:\\src\\a.txt"));
}

TEST_F(TreeTest, EscapeDuringTreeCopyStopsAndLeavesOnePartial)
{
    drives.file("C:\\src\\1.dat", 3 * kCopyBlock);
    drives.file("C:\\src\\2.dat", 3 * kCopyBlock);
    sink.abortAfter = 1; // the first check before a file passes, the next block aborts
    CopyTree(state, "C:\\src", "D:\\out");
    const QStringList names = QDir(drives.host("D:\\out")).entryList(QDir::Files);
    ASSERT_EQ(names.size(), 1);
    EXPECT_TRUE(names.first().endsWith(".$$$"));
}

// Small files are copied beside the walk. Whatever ends a copy there (a
// failed open in the middle, a failing write), it is told in the walk's
// order and before anything later is asked: after the write error the
// question about a file further on is never asked, and every file left
// under its own name is whole.
TEST_F(TreeTest, FailuresOfFilesCopiedBesideTheWalkAreToldInOrderAndStopIt)
{
    const auto make = [this](const QString& dir) {
        for (int i = 0; i < 40; ++i)
            drives.file(QStringLiteral("%1\\f%2.dat").arg(dir).arg(i, 2, 10, QChar('0')), 0,
                        QByteArray(1000 + i, char('a' + i % 26)));
    };
    const auto wholeOrPartial = [this](const QString& src, const QString& out) {
        for (const QString& name : QDir(drives.host(out)).entryList(QDir::Files)) {
            if (!name.endsWith(".$$$") &&
                drives.read(out + '\\' + name) != drives.read(src + '\\' + name))
                return false;
        }
        return true;
    };
    // Into a directory that is there; a file in the way in a directory
    // copied after it.
    make("C:\\src\\t");
    drives.file("C:\\src\\t\\sub\\f30.dat", 0, "new");
    drives.file("D:\\out\\t\\sub\\f30.dat", 0, "old");
    File::injectFault(FileFault::Write, "D:\\out\\t\\f05.dat");
    CopyTree(state, "C:\\src\\t", "D:\\out");
    EXPECT_EQ(prompter.texts(), QStringList({"Write error File D:\\out\\t\\f05.dat\rI/O error 5"}));
    EXPECT_TRUE(state.ioFailed);
    EXPECT_EQ(drives.read("D:\\out\\t\\sub\\f30.dat"), QByteArray("old"));
    EXPECT_FALSE(drives.exists("D:\\out\\t\\f05.dat"));
    EXPECT_TRUE(drives.exists("D:\\out\\t\\f05.$$$"));
    EXPECT_TRUE(wholeOrPartial("C:\\src\\t", "D:\\out\\t"));

    // Into directories the copy makes, where helpers open and create too.
    prompter.clear();
    state.abortRequested = state.ioFailed = false;
    make("C:\\src\\n");
    make("C:\\src\\n\\sub");
    File::injectFault(FileFault::OpenRead, "C:\\src\\n\\f02.dat");
    File::injectFault(FileFault::Write, "D:\\new\\sub\\f07.dat");
    CopyTree(state, "C:\\src\\n", "D:\\new");
    EXPECT_EQ(prompter.texts(),
              QStringList({"Open error File C:\\src\\n\\f02.dat",
                           "Write error File D:\\new\\sub\\f07.dat\rI/O error 5"}));
    EXPECT_FALSE(drives.exists("D:\\new\\f02.dat"));
    EXPECT_EQ(drives.read("D:\\new\\f03.dat"), drives.read("C:\\src\\n\\f03.dat"));
    EXPECT_FALSE(drives.exists("D:\\new\\sub\\f07.dat"));
    EXPECT_TRUE(drives.exists("D:\\new\\sub\\f07.$$$"));
    EXPECT_TRUE(wholeOrPartial("C:\\src\\n\\sub", "D:\\new\\sub"));
}

// Files larger than the helpers take are found as a helper opens them and
// copied by the walk itself; every outcome is still told in the walk's order.
TEST_F(TreeTest, LargeFilesAmongSmallOnesAreCopiedAndToldInOrder)
{
    QStringList failing;
    for (int i = 0; i < 12; ++i) {
        const QString name = QStringLiteral("C:\\src\\x%1.dat").arg(i, 2, 10, QChar('0'));
        const qsizetype size = i % 3 == 0 ? (3 << 19) + i : 100 + i;
        drives.file(name, 0, QByteArray(size, char('a' + i)));
        if (i == 3 || i == 7) {
            File::injectFault(FileFault::OpenRead, name);
            failing << name.mid(7);
        }
    }
    copyExpectingOpenErrors(failing);
    EXPECT_EQ(state.notDone, 2);
}

// A disk that fails every write: the first failure among files handed
// over together ends the operation, once, and no other file is begun.
TEST_F(TreeTest, AWriteFailureAmongFilesHandedOverTogetherIsToldOnce)
{
    for (int i = 0; i < 40; ++i)
        drives.file(QStringLiteral("C:\\src\\h%1.dat").arg(i, 2, 10, QChar('0')), 0,
                    QByteArray(200 + i, 'h'));
    File::injectFault(FileFault::Write, ".dat");
    const auto listed = fileio::listDirectory("C:\\src", false);
    ASSERT_TRUE(listed && !listed->empty());
    CopyTree(state, "C:\\src", "D:\\out");
    const QString first = listed->front().name;
    EXPECT_EQ(prompter.texts(),
              QStringList({"Write error File D:\\out\\" + first + "\rI/O error 5"}));
    EXPECT_TRUE(state.ioFailed);
    EXPECT_EQ(QDir(drives.host("D:\\out")).entryList(QDir::Files),
              QStringList({QString(first).replace(".dat", ".$$$")}));
    EXPECT_EQ(state.notDone, 40);
}

// Small files go to the helpers several at a time; the files of one
// hand-over and of the next are still told of in the walk's order, and a
// file a helper could not open is copied (and reported) by the walk itself.
TEST_F(TreeTest, FilesHandedOverTogetherAreToldOfInTheirOrder)
{
    QStringList failing;
    for (int i = 0; i < 50; ++i) {
        const QString name = QStringLiteral("g%1.dat").arg(i, 2, 10, QChar('0'));
        drives.file("C:\\src\\" + name, 0, QByteArray(100 + i, char('a' + i % 26)));
        if (i == 3 || i == 15 || i == 16 || i == 31 || i == 49) {
            File::injectFault(FileFault::OpenRead, "C:\\src\\" + name);
            failing << name;
        }
    }
    copyExpectingOpenErrors(failing);
}

// A copy has its source's permissions, whether the file was created with
// them already or they had to be changed after.
TEST_F(TreeTest, CopiedFilesKeepTheirSourcesPermissions)
{
    const mode_t modes[] = {0644, 0600, 0755, 0444, 0640, 0666, 0700, 0604};
    for (const mode_t mode : modes) {
        const QString name = QStringLiteral("C:\\src\\m%1.dat").arg(mode, 0, 8);
        drives.file(name, 10);
        ASSERT_EQ(::chmod(QFile::encodeName(drives.host(name)).constData(), mode), 0);
    }
    // Directories too: one made with the permissions it is to have, and
    // ones whose permissions the copy sets after their files arrived.
    const mode_t dirModes[] = {0755, 0750, 0700};
    for (const mode_t mode : dirModes) {
        const QString name = QStringLiteral("C:\\src\\d%1").arg(mode, 0, 8);
        drives.file(name + "\\in.dat", 10);
        ASSERT_EQ(::chmod(QFile::encodeName(drives.host(name)).constData(), mode), 0);
    }
    // Into a directory the copy makes (the helpers' way) and into one that
    // is there (the walk's own).
    drives.directory("D:\\there\\src");
    CopyTree(state, "C:\\src", "D:\\new");
    CopyTree(state, "C:\\src", "D:\\there");
    EXPECT_TRUE(prompter.asked().isEmpty());
    for (const QString& out : {QStringLiteral("D:\\new"), QStringLiteral("D:\\there\\src")}) {
        for (const mode_t mode : modes) {
            struct stat st {};
            const QString name = out + QStringLiteral("\\m%1.dat").arg(mode, 0, 8);
            ASSERT_EQ(::stat(QFile::encodeName(drives.host(name)).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, mode) << name.toStdString();
        }
        for (const mode_t mode : dirModes) {
            struct stat st {};
            const QString name = out + QStringLiteral("\\d%1").arg(mode, 0, 8);
            ASSERT_EQ(::stat(QFile::encodeName(drives.host(name)).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, mode) << name.toStdString();
            EXPECT_EQ(drives.read(name + "\\in.dat").size(), 10);
        }
    }
}

// A umask that takes bits away, and a directory whose default ACL takes
// more: copies still end with their sources' permissions, and none is ever
// more open than its source while it is written.
TEST_F(TreeTest, CopiesKeepPermissionsUnderAUmaskAndADefaultAcl)
{
    const mode_t modes[] = {0644, 0600, 0755, 0664};
    for (const mode_t mode : modes) {
        const QString name = QStringLiteral("C:\\src\\m%1.dat").arg(mode, 0, 8);
        drives.file(name, 10);
        ASSERT_EQ(::chmod(QFile::encodeName(drives.host(name)).constData(), mode), 0);
    }
    // A default ACL whose mask takes the group's bits: version 2, then the
    // owner rwx, the group r-x, the mask nothing, others r-x.
    drives.directory("D:\\acl");
    const std::uint32_t version = 2;
    const struct {
        std::uint16_t tag, perm;
        std::uint32_t id;
    } entries[] = {{0x01, 7, ~0u}, {0x04, 5, ~0u}, {0x10, 0, ~0u}, {0x20, 5, ~0u}};
    QByteArray acl(reinterpret_cast<const char*>(&version), sizeof version);
    acl.append(reinterpret_cast<const char*>(entries), sizeof entries);
    const bool aclSet =
        ::setxattr(QFile::encodeName(drives.host("D:\\acl")).constData(),
                   "system.posix_acl_default", acl.constData(), size_t(acl.size()), 0) == 0;
    const mode_t before = ::umask(077);
    CopyTree(state, "C:\\src", "D:\\masked");
    ::umask(before);
    CopyTree(state, "C:\\src", "D:\\acl\\new");
    EXPECT_TRUE(prompter.asked().isEmpty());
    QStringList outs = {QStringLiteral("D:\\masked")};
    if (aclSet)
        outs << QStringLiteral("D:\\acl\\new");
    for (const QString& out : outs) {
        for (const mode_t mode : modes) {
            struct stat st {};
            const QString name = out + QStringLiteral("\\m%1.dat").arg(mode, 0, 8);
            ASSERT_EQ(::stat(QFile::encodeName(drives.host(name)).constData(), &st), 0);
            EXPECT_EQ(st.st_mode & 07777, mode) << name.toStdString();
        }
    }
}

// Escape while small files are being copied beside the walk: the copy
// stops; what is left under a file's own name is whole.
TEST_F(TreeTest, EscapeAmongSmallFilesLeavesOnlyWholeCopiesUnderTheirNames)
{
    for (int i = 0; i < 200; ++i)
        drives.file(QStringLiteral("C:\\src\\f%1.dat").arg(i), 0, QByteArray(5000 + i, 'x'));
    sink.abortAfter = 20;
    CopyTree(state, "C:\\src", "D:\\out");
    const QStringList names = QDir(drives.host("D:\\out")).entryList(QDir::Files);
    EXPECT_LT(names.size(), 200);
    for (const QString& name : names) {
        if (!name.endsWith(".$$$")) {
            EXPECT_EQ(drives.read("D:\\out\\" + name), drives.read("C:\\src\\" + name))
                << name.toStdString();
        }
    }
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(TreeTest, MoveDirectoryRenamesOnTheSameDrive)
{
    makeTree();
    MoveDirectory(state, "C:\\src", "C:\\new\\place");
    EXPECT_FALSE(drives.exists("C:\\src"));
    EXPECT_TRUE(drives.exists("C:\\new\\place\\sub\\b.txt"));
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(TreeTest, MoveDirectoryIntoAnExistingEmptyDirectoryGoesInsideIt)
{
    makeTree();
    drives.directory("C:\\dst");
    MoveDirectory(state, "C:\\src", "C:\\dst");
    EXPECT_TRUE(drives.exists("C:\\dst\\src\\a.txt"));
    EXPECT_TRUE(drives.exists("C:\\dst\\src\\.git\\config"));
    EXPECT_TRUE(QFileInfo(drives.host("C:\\dst\\src\\link")).isSymLink());
    EXPECT_FALSE(drives.exists("C:\\src"));
    EXPECT_TRUE(drives.exists("C:\\outside\\keep.txt"));
}

TEST_F(TreeTest, MoveAcrossDrivesCopiesThenDeletesTheSource)
{
    makeTree();
    MoveDirectory(state, "C:\\src", "D:\\");
    EXPECT_EQ(drives.read("D:\\src\\sub\\b.txt").size(), 200);
    EXPECT_TRUE(QFileInfo(drives.host("D:\\src\\link")).isSymLink());
    EXPECT_FALSE(drives.exists("C:\\src"));
    EXPECT_TRUE(drives.exists("C:\\outside\\keep.txt"));
    EXPECT_EQ(state.notDone, 0);
}

TEST_F(TreeTest, MoveFileAnsweredNoKeepsBoth)
{
    drives.file("C:\\a.txt", 0, "one");
    drives.file("D:\\a.txt", 0, "two");
    drives.file("C:\\b.txt", 0, "three");
    drives.file("C:\\dst\\b.txt", 0, "four");
    prompter.script({Answer::No, Answer::No});
    EXPECT_FALSE(MoveOneFile(state, "C:\\a.txt", "D:\\"));
    EXPECT_FALSE(MoveOneFile(state, "C:\\b.txt", "C:\\dst"));
    EXPECT_EQ(prompter.texts(), QStringList({"File D:\\a.txt Exists,Overwrite?",
                                             "File C:\\dst\\b.txt Exists, Overwrite?"}));
    EXPECT_EQ(drives.read("C:\\a.txt"), "one");
    EXPECT_EQ(drives.read("D:\\a.txt"), "two");
    EXPECT_EQ(drives.read("C:\\b.txt"), "three");
}

TEST_F(TreeTest, MoveToItselfAndMoveErrors)
{
    drives.file("C:\\a.txt", 0, "x");
    EXPECT_FALSE(MoveOneFile(state, "C:\\a.txt", "C:\\"));
    EXPECT_FALSE(MoveOneFile(state, "C:\\missing.txt", "C:\\other.txt"));
    EXPECT_EQ(prompter.texts(),
              QStringList({"Cannot move to itself", "Move error File C:\\missing.txt"}));
}

TEST_F(TreeTest, MoveOnOneDriveAcrossFileSystemsFallsBackToCopy)
{
    // /dev/shm is another file system than the temporary drive, so the
    // rename fails with EXDEV.
    if (!QFileInfo("/dev/shm").isWritable())
        GTEST_SKIP() << "no /dev/shm";
    QTemporaryDir other(QStringLiteral("/dev/shm/dovex-XXXXXX"));
    symlinkAt(other.path(), "C:\\shm");
    drives.file("C:\\a.txt", 50000);
    EXPECT_TRUE(MoveOneFile(state, "C:\\a.txt", "C:\\shm"));
    EXPECT_FALSE(drives.exists("C:\\a.txt"));
    EXPECT_EQ(QFileInfo(other.path() + "/a.txt").size(), 50000);

    // A copy that fails keeps the source.
    drives.file("C:\\b.txt", 3 * kCopyBlock);
    File::injectFault(FileFault::Write, "C:\\shm\\b.txt", kCopyBlock);
    EXPECT_FALSE(MoveOneFile(state, "C:\\b.txt", "C:\\shm"));
    EXPECT_EQ(drives.read("C:\\b.txt").size(), 3 * kCopyBlock);
}

TEST_F(TreeTest, ProtectedFileQuestions)
{
    drives.file("C:\\h\\.both", 1);
    drives.file("C:\\h\\.hid", 1);
    drives.file("C:\\h\\ro1", 1);
    drives.file("C:\\h\\ro2", 1);
    ::chmod(QFile::encodeName(drives.host("C:\\h\\.both")).constData(), 0444);
    ::chmod(QFile::encodeName(drives.host("C:\\h\\ro1")).constData(), 0444);
    ::chmod(QFile::encodeName(drives.host("C:\\h\\ro2")).constData(), 0444);

    prompter.script({Answer::No});
    EXPECT_FALSE(DeleteOneFile(state, "C:\\h\\.hid"));
    EXPECT_TRUE(drives.exists("C:\\h\\.hid"));
    EXPECT_EQ(prompter.texts(),
              QStringList("C:\\h\\.hid is a Hidden file, do you wish to Delete this file?"));

    // Hidden and read-only: asked twice; All, then No to "Are you sure".
    prompter.clear();
    prompter.script({Answer::Yes, Answer::All, Answer::No, Answer::Yes});
    EXPECT_TRUE(DeleteOneFile(state, "C:\\h\\.both"));
    EXPECT_FALSE(state.deleteProtectedAll);
    EXPECT_TRUE(DeleteOneFile(state, "C:\\h\\ro1"));
    EXPECT_EQ(
        prompter.texts(),
        QStringList({"C:\\h\\.both is a Hidden file, do you wish to Delete this file?",
                     "C:\\h\\.both is a read-only file, do you wish to Delete this file?",
                     "Are you sure to delete all selected hidden, system and read-only files?",
                     "C:\\h\\ro1 is a read-only file, do you wish to Delete this file?"}));

    prompter.clear();
    state.deleteProtectedAll = true;
    EXPECT_TRUE(DeleteOneFile(state, "C:\\h\\ro2"));
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(TreeTest, DeleteTreeKeepsAProtectedFileAndReports)
{
    drives.file("C:\\src\\a.txt", 3);
    drives.file("C:\\src\\sub\\ro.txt", 3);
    drives.file("C:\\src\\sub\\b.txt", 3);
    drives.directory("C:\\src\\empty");
    drives.file("C:\\outside\\keep.txt", 3);
    symlinkAt(drives.host("C:\\outside"), "C:\\src\\link");
    ::chmod(QFile::encodeName(drives.host("C:\\src\\sub\\ro.txt")).constData(), 0444);
    prompter.script({Answer::No});
    DeleteTree(state, "C:\\src");
    EXPECT_EQ(prompter.texts().last(), "Cannot delete Directory");
    EXPECT_TRUE(drives.exists("C:\\src\\sub\\ro.txt"));
    EXPECT_FALSE(drives.exists("C:\\src\\a.txt"));
    EXPECT_FALSE(drives.exists("C:\\src\\empty"));
    EXPECT_FALSE(drives.exists("C:\\src\\link"));
    EXPECT_TRUE(drives.exists("C:\\outside\\keep.txt"));
    EXPECT_EQ(prompter.count("Cannot delete Directory"), 1);
}

TEST_F(TreeTest, DeleteOfALinkToADirectoryRemovesOnlyTheLink)
{
    makeTree();
    ProcessEntry(state, FileOpKind::Delete, "C:\\src\\link", QString(), true);
    EXPECT_FALSE(QFileInfo(drives.host("C:\\src\\link")).isSymLink());
    EXPECT_TRUE(drives.exists("C:\\outside\\keep.txt"));
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(TreeTest, RunOperationSkipsDotDotAndUncheckedDirectories)
{
    makeTree();
    drives.directory("D:\\dst");
    OperationRequest r;
    r.kind = FileOpKind::Copy;
    r.sourceDirectory = "C:\\src";
    r.destination = "D:\\dst";
    r.includeSubdirs = false;
    r.entries.resize(3);
    r.entries[0].name = "..";
    r.entries[1].name = "sub";
    r.entries[2].name = "a.txt";
    for (PanelEntry& e : r.entries)
        e.selected = true;
    EXPECT_EQ(CountSelected(r.entries, 3), 2);
    BeginOperation(state, r.kind);
    RunOperation(state, r);
    EXPECT_TRUE(drives.exists("D:\\dst\\a.txt"));
    EXPECT_FALSE(drives.exists("D:\\dst\\sub"));
    // The skipped directory still counts, so the bar does not reach 100.
    EXPECT_EQ(state.totalBytes, 300);
    EXPECT_LT(sink.percents.last(), 100);
    EXPECT_EQ(sink.line2, "To D:\\dst");
    EXPECT_EQ(sink.drops, 1);
}

TEST_F(TreeTest, MakeDirectoryCreatesEveryLevel)
{
    EXPECT_EQ(MakeDirectoryPath("C:\\", "a\\b\\c"), 0);
    EXPECT_TRUE(QFileInfo(drives.host("C:\\a\\b\\c")).isDir());
    EXPECT_NE(MakeDirectoryPath("C:\\", ""), 0);
    drives.file("C:\\f", 1);
    EXPECT_NE(MakeDirectoryPath("C:\\", "f\\x"), 0);
}

TEST_F(TreeTest, TotalsOfATreeDeeperThanTheDescriptorLimitCountEveryLevel)
{
    // 600 levels with one 3-byte file each, counted while this process
    // may hold only 128 descriptors.
    constexpr int kDepth = 600;
    drives.directory("C:\\deep");
    int fd = ::open(QFile::encodeName(drives.host("C:\\deep")).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(fd, 0);
    for (int i = 0; i < kDepth; ++i) {
        const int file = ::openat(fd, "f", O_WRONLY | O_CREAT, 0644);
        ASSERT_EQ(::write(file, "abc", 3), 3);
        ::close(file);
        ASSERT_EQ(::mkdirat(fd, "d", 0755), 0);
        const int next = ::openat(fd, "d", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = next;
        ASSERT_GE(fd, 0);
    }
    ::close(fd);
    rlimit old{};
    ::getrlimit(RLIMIT_NOFILE, &old);
    const rlimit few{128, old.rlim_max};
    ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &few), 0);
    const Totals t = DirectoryTotals("C:\\deep");
    ::setrlimit(RLIMIT_NOFILE, &old);
    EXPECT_EQ(t.files, kDepth);
    EXPECT_EQ(t.bytes, 3 * kDepth);
    EXPECT_EQ(t.unreadable, 0) << t.firstUnreadable.toStdString();
}

} // namespace

} // namespace dovex::test
