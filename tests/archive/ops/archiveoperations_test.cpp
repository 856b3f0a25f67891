#include "archive/ops/archiveoperations.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/ops/archiveprogress.h"
#include "platform/drivemap.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <chrono>
#include <functional>
#include <map>

#include <gtest/gtest.h>

using namespace dovex;
using namespace std::chrono_literals;

namespace {

#define REQUIRE_PROGRAM(name)                                                                    \
    do {                                                                                         \
        if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())              \
            GTEST_SKIP() << name << " is not installed";                                         \
    } while (0)

// A window stand-in whose abort comes when the test says.
class TestProgress : public SilentArchiveProgress {
public:
    std::function<bool(int)> abortAt = [](int) { return false; };
    int checks = 0;
    int runs = 0;
    bool abortRequested() override { return abortAt(++checks); }
    void showRun(const QString&, const QString&, const QString&, const QString&, Animation,
                 bool) override
    {
        ++runs;
    }
};

// Every file under a host directory with its size, bytes and time.
std::map<QString, std::string> tree(const QString& root)
{
    std::map<QString, std::string> files;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        files[QDir(root).relativeFilePath(path)] =
            std::to_string(bytes.size()) + ' ' +
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().toStdString() +
            ' ' + std::to_string(QFileInfo(path).lastModified().toSecsSinceEpoch());
    }
    return files;
}

QList<MemberItem> level(const QString& archive, const QString& inner = {})
{
    PanelEntries entries;
    archiveReaders().list(archive, inner, QStringLiteral("*.*"), entries);
    QList<MemberItem> out;
    for (const PanelEntry& e : entries)
        if (e.name != QLatin1String(".."))
            out << MemberItem{e.name, e.directory};
    return out;
}

class ArchiveOps : public ::testing::Test {
protected:
    test::DriveFixture drives{QStringLiteral("C")};
    test::ScriptedPrompter prompter;
    TestProgress progress;

    void SetUp() override { InvalidateArchiveCache(); }

    QList<SourceItem> entriesOf(const QString& dir)
    {
        QList<SourceItem> items;
        const QString host = drives.host(dir);
        for (const QFileInfo& fi :
             QDir(host).entryInfoList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden))
            items << SourceItem{dir + '\\' + fi.fileName(), fi.isDir()};
        return items;
    }

    void fakeTool(const QString& name, const QByteArray& body)
    {
        const QString path = drives.programDir() + '/' + name;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A tree with the names people and attackers give files, every time
    // on an even second (the DOS stamp's grain).
    // arj and arc read every member name as a pattern: a "*" in one is
    // refused on the way out (tested with the tool runner), so they get none.
    void hostileTree(const QString& dir, bool withSub, bool withStar = true)
    {
        const QString names[] = {"a b.txt", "q'\"$;x.dat", "été ün.t",
                                 withStar ? "st*r.txt" : "star.txt", "empty"};
        int n = 0;
        for (const QString& name : names)
            drives.file(dir + '\\' + name, name == QLatin1String("empty") ? 0 : 100 + 997 * n++);
        if (withSub) {
            drives.file(dir + QStringLiteral("\\sub dir\\in;ner.txt"), 5000);
            drives.file(dir + QStringLiteral("\\sub dir\\deep\\z$.bin"), 70000);
        }
        QDirIterator it(drives.host(dir), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString host = it.next();
            const QString rel = QDir(drives.host(dir)).relativeFilePath(host);
            drives.setTime(dir + '\\' + QString(rel).replace('/', '\\'),
                           {2021, 6, 15, 10, 20, 30});
        }
    }
};

struct Kind {
    const char* program;
    char16_t kind;
    const char* ext;
    bool keepsDirectories;
    bool patternNames;
};

class RoundTrip : public ArchiveOps, public ::testing::WithParamInterface<Kind> {};

// Into the archive with subdirectories and back out: every byte and every
// time as it was.
TEST_P(RoundTrip, CopyInAndOutKeepsEveryByteAndTime)
{
    const Kind k = GetParam();
    if (*k.program)
        REQUIRE_PROGRAM(k.program);
    hostileTree(QStringLiteral("C:\\src"), k.keepsDirectories, !k.patternNames);
    drives.directory(QStringLiteral("C:\\dst"));
    drives.directory(QStringLiteral("C:\\arc"));
    const QString archive = QStringLiteral("C:\\arc\\t.") + QLatin1String(k.ext);

    ArchiveOpResult r = CopyIntoArchive(ArchiveOp::Copy, archive, QChar(k.kind),
                                        QStringLiteral("C:\\src"),
                                        entriesOf(QStringLiteral("C:\\src")), true, prompter,
                                        progress);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_TRUE(r.ran);
    for (const QString& list : r.listFiles)
        EXPECT_TRUE(list.startsWith(drives.programDir() + '/'));
    ASSERT_EQ(DetectArchiveKind(archive), QChar(k.kind));

    prompter.clear();
    r = OperateFromArchive(ArchiveOp::Copy, archive, QChar(k.kind), QString(), level(archive),
                           QStringLiteral("C:\\dst"), true, prompter, progress);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(tree(drives.host(QStringLiteral("C:\\dst"))),
              tree(drives.host(QStringLiteral("C:\\src"))));
    // Nothing was left beside the target: no scratch directory.
    EXPECT_EQ(QDir(drives.host(QStringLiteral("C:\\dst")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot)
                  .filter(QStringLiteral(".dovex-"))
                  .size(),
              0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, RoundTrip,
                         ::testing::Values(Kind{"", kKindZip, "zip", true, false},
                                           Kind{"arj", kKindArj, "arj", true, true},
                                           Kind{"lha", kKindLha, "lzh", true, false},
                                           Kind{"arc", kKindPak, "pak", false, true}),
                         [](const auto& info) {
                             return std::string(*info.param.program ? info.param.program
                                                                    : "libzip");
                         });

TEST_F(ArchiveOps, MoveOutOfAKindThatCannotIsRefusedPerEntryAndChangesNothing)
{
    drives.file(QStringLiteral("C:\\src\\one.txt"), 300);
    drives.file(QStringLiteral("C:\\src\\two.txt"), 400);
    drives.directory(QStringLiteral("C:\\dst"));
    const QString archive = QStringLiteral("C:\\t.zip");
    ASSERT_TRUE(CopyIntoArchive(ArchiveOp::Copy, archive, kKindZip, QStringLiteral("C:\\src"),
                                entriesOf(QStringLiteral("C:\\src")), true, prompter, progress)
                    .passed);
    const QByteArray before = drives.read(archive);
    prompter.clear();
    const ArchiveOpResult r =
        OperateFromArchive(ArchiveOp::Move, archive, kKindZip, QString(), level(archive),
                           QStringLiteral("C:\\dst"), true, prompter, progress);
    EXPECT_FALSE(r.ran);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(prompter.count(QStringLiteral("Cannot move from C:\\t.zip (Use Copy and Delete).")),
              2);
    EXPECT_EQ(drives.read(archive), before);
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\dst\\one.txt")));
}

TEST_F(ArchiveOps, ArjMovesInAndOutAndDeletes)
{
    REQUIRE_PROGRAM("arj");
    drives.file(QStringLiteral("C:\\src\\one.txt"), 300);
    drives.file(QStringLiteral("C:\\src\\sub\\two.txt"), 400);
    drives.file(QStringLiteral("C:\\src\\three.txt"), 500);
    drives.directory(QStringLiteral("C:\\dst"));
    const QByteArray one = drives.read(QStringLiteral("C:\\src\\one.txt"));
    const QString archive = QStringLiteral("C:\\t.arj");
    ArchiveOpResult r = CopyIntoArchive(ArchiveOp::Move, archive, kKindArj, QStringLiteral("C:\\src"),
                                        entriesOf(QStringLiteral("C:\\src")), true, prompter,
                                        progress);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\src\\one.txt")));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\src\\sub\\two.txt")));

    r = OperateFromArchive(ArchiveOp::Move, archive, kKindArj, QString(),
                           {MemberItem{QStringLiteral("one.txt"), false}},
                           QStringLiteral("C:\\dst"), true, prompter, progress);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\one.txt")), one);

    r = OperateFromArchive(ArchiveOp::Delete, archive, kKindArj, QString(),
                           {MemberItem{QStringLiteral("sub"), true}}, QString(), true, prompter,
                           progress);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    QStringList names;
    for (const MemberItem& m : level(archive))
        names << m.name;
    EXPECT_EQ(names, QStringList{QStringLiteral("three.txt")});
}

// Copying a directory without "Include Subdirectory's" adds nothing for it.
TEST_F(ArchiveOps, ADirectoryWithoutSubdirectoriesIsLeftOut)
{
    REQUIRE_PROGRAM("arj");
    drives.file(QStringLiteral("C:\\src\\one.txt"), 10);
    drives.file(QStringLiteral("C:\\src\\sub\\two.txt"), 10);
    const QString archive = QStringLiteral("C:\\t.arj");
    ASSERT_TRUE(CopyIntoArchive(ArchiveOp::Copy, archive, kKindArj, QStringLiteral("C:\\src"),
                                entriesOf(QStringLiteral("C:\\src")), false, prompter, progress)
                    .passed);
    const QList<MemberItem> members = level(archive);
    ASSERT_EQ(members.size(), 1);
    EXPECT_EQ(members.front().name, QStringLiteral("one.txt"));
}

// More items than one run takes go in batches, none dropped.
TEST_F(ArchiveOps, MoreThanAHundredItemsRunInBatches)
{
    REQUIRE_PROGRAM("arj");
    for (int i = 0; i < 250; ++i)
        drives.file(QStringLiteral("C:\\src\\f%1.txt").arg(i), 10 + i);
    const QString archive = QStringLiteral("C:\\t.arj");
    const ArchiveOpResult r =
        CopyIntoArchive(ArchiveOp::Copy, archive, kKindArj, QStringLiteral("C:\\src"),
                        entriesOf(QStringLiteral("C:\\src")), false, prompter, progress);
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(r.listFiles.size(), 3);
    EXPECT_EQ(level(archive).size(), 250);
}

TEST_F(ArchiveOps, AToolThatFailsIsToldAndTheOperationDidNotPass)
{
    fakeTool(QStringLiteral("ARJ.exe"), "exit 1");
    drives.file(QStringLiteral("C:\\src\\one.txt"), 10);
    const ArchiveOpResult r =
        CopyIntoArchive(ArchiveOp::Copy, QStringLiteral("C:\\t.arj"), kKindArj,
                        QStringLiteral("C:\\src"), entriesOf(QStringLiteral("C:\\src")), true,
                        prompter, progress);
    EXPECT_TRUE(r.ran);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("An error has occured,ARJ.exe exits with:1")});
    EXPECT_TRUE(drives.exists(QStringLiteral("C:\\src\\one.txt")));
}

TEST_F(ArchiveOps, AbortEndsAHangingToolAndWhatItStarted)
{
    const QString marker = drives.programDir() + QStringLiteral("/child.pid");
    fakeTool(QStringLiteral("ARJ.exe"),
             "sleep 60 & echo $! > '" + marker.toUtf8() + "'; wait");
    drives.file(QStringLiteral("C:\\src\\one.txt"), 10);
    progress.abortAt = [](int n) { return n > 10; };
    const auto start = std::chrono::steady_clock::now();
    const ArchiveOpResult r =
        CopyIntoArchive(ArchiveOp::Copy, QStringLiteral("C:\\t.arj"), kKindArj,
                        QStringLiteral("C:\\src"), entriesOf(QStringLiteral("C:\\src")), true,
                        prompter, progress);
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.passed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 20s);
    QFile f(marker);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString pid = QString::fromLatin1(f.readAll().trimmed());
    bool gone = false;
    for (int i = 0; i < 100 && !gone; ++i) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        gone = !stat.open(QIODevice::ReadOnly) || stat.readAll().contains(") Z ");
        if (!gone)
            QThread::msleep(20);
    }
    EXPECT_TRUE(gone) << "the tool's child outlived the abort";
}

// A cancelled add leaves the archive as it was, byte for byte.
TEST_F(ArchiveOps, CancelInTheMiddleOfAZipAddLeavesTheOldArchive)
{
    drives.file(QStringLiteral("C:\\old\\keep.txt"), 1000);
    const QString archive = QStringLiteral("C:\\t.zip");
    ASSERT_TRUE(CopyIntoArchive(ArchiveOp::Copy, archive, kKindZip, QStringLiteral("C:\\old"),
                                entriesOf(QStringLiteral("C:\\old")), true, prompter, progress)
                    .passed);
    const QByteArray before = drives.read(archive);
    for (int i = 0; i < 4; ++i)
        drives.file(QStringLiteral("C:\\src\\big%1.bin").arg(i), 3 << 20);
    progress.abortAt = [](int n) { return n > 20; };
    const ArchiveOpResult r =
        CopyIntoArchive(ArchiveOp::Move, archive, kKindZip, QStringLiteral("C:\\src"),
                        entriesOf(QStringLiteral("C:\\src")), true, prompter, progress);
    EXPECT_TRUE(r.aborted);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(drives.read(archive), before);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(drives.exists(QStringLiteral("C:\\src\\big%1.bin").arg(i)));
}

TEST_F(ArchiveOps, ExtractviewPutsOneEntryIntoTheProgramsTemp)
{
    drives.file(QStringLiteral("C:\\src\\sub\\look.txt"), 0, "look at me");
    const QString archive = QStringLiteral("C:\\t.zip");
    ASSERT_TRUE(CopyIntoArchive(ArchiveOp::Copy, archive, kKindZip, QStringLiteral("C:\\src"),
                                entriesOf(QStringLiteral("C:\\src")), true, prompter, progress)
                    .passed);
    // The program directory must lie on a drive for the component to reach it.
    qputenv("DOVEX_DRIVES", ("C=" + drives.host(QStringLiteral("C:\\")) + ";P=" +
                             drives.programDir())
                                .toUtf8());
    DriveMap::instance().reload();
    qputenv("DOVEX_HOME", drives.programDir().toUtf8());
    const QString view = Extractview(archive, QStringLiteral("sub\\look.txt"), prompter);
    ASSERT_FALSE(view.isEmpty()) << prompter.texts().join('\n').toStdString();
    QFile f(view);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("look at me"));
}

} // namespace
