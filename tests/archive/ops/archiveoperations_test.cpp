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

#include <zip.h>

using namespace dovex;
using namespace std::chrono_literals;

namespace {

#define REQUIRE_PROGRAM(name)                                                                      \
    do {                                                                                           \
        if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())                   \
            GTEST_SKIP() << name << " is not installed";                                           \
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
            QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex().toStdString() + ' ' +
            std::to_string(QFileInfo(path).lastModified().toSecsSinceEpoch());
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
    // arc reads "*" as a wildcard it cannot escape: such a name is refused
    // by name (tested with the names of every kind), so it gets none.
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
            drives.setTime(dir + '\\' + QString(rel).replace('/', '\\'), {2021, 6, 15, 10, 20, 30});
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

    ArchiveOpResult r =
        CopyIntoArchive(ArchiveOp::Copy, archive, QChar(k.kind), QStringLiteral("C:\\src"),
                        entriesOf(QStringLiteral("C:\\src")), true, prompter, progress);
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
                                           Kind{"arj", kKindArj, "arj", true, false},
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

TEST_F(ArchiveOps, DropIntoItselfOrIntoAKindNoToolWritesIsRefusedAloud)
{
    drives.file(QStringLiteral("C:\\src\\one.txt"), 300);
    const QString archive = QStringLiteral("C:\\src\\t.zip");
    ASSERT_TRUE(DropIntoArchive(archive, kKindZip, {QStringLiteral("C:\\src\\one.txt")}, true,
                                prompter, progress)
                    .passed);
    prompter.clear();
    // The archive dropped onto its own panel is left out by name; the rest
    // of the drop still goes in.
    drives.file(QStringLiteral("C:\\src\\two.txt"), 10);
    const ArchiveOpResult r = DropIntoArchive(
        archive, kKindZip, {archive, QStringLiteral("C:\\src\\two.txt")}, true, prompter, progress);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(prompter.count(QStringLiteral("Cannot add C:\\src\\t.zip to itself.")), 1);
    QStringList names;
    for (const auto& m : level(archive))
        names << m.name;
    names.sort();
    EXPECT_EQ(names, (QStringList{"one.txt", "two.txt"}));

    // A kind no tool writes: said so, the file untouched.
    const QByteArray now = drives.read(archive);
    prompter.clear();
    EXPECT_FALSE(DropIntoArchive(archive, QChar(0x2603), {QStringLiteral("C:\\src\\one.txt")}, true,
                                 prompter, progress)
                     .passed);
    EXPECT_EQ(prompter.texts().size(), 1);
    EXPECT_EQ(drives.read(archive), now);
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
    ArchiveOpResult r =
        CopyIntoArchive(ArchiveOp::Move, archive, kKindArj, QStringLiteral("C:\\src"),
                        entriesOf(QStringLiteral("C:\\src")), true, prompter, progress);
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
    const ArchiveOpResult r = CopyIntoArchive(
        ArchiveOp::Copy, QStringLiteral("C:\\t.arj"), kKindArj, QStringLiteral("C:\\src"),
        entriesOf(QStringLiteral("C:\\src")), true, prompter, progress);
    EXPECT_TRUE(r.ran);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("An error has occured,ARJ.exe exits with:1")});
    EXPECT_TRUE(drives.exists(QStringLiteral("C:\\src\\one.txt")));
}

TEST_F(ArchiveOps, AbortEndsAHangingToolAndWhatItStarted)
{
    const QString marker = drives.programDir() + QStringLiteral("/child.pid");
    fakeTool(QStringLiteral("ARJ.exe"), "sleep 60 & echo $! > '" + marker.toUtf8() + "'; wait");
    drives.file(QStringLiteral("C:\\src\\one.txt"), 10);
    progress.abortAt = [](int n) { return n > 10; };
    const auto start = std::chrono::steady_clock::now();
    const ArchiveOpResult r = CopyIntoArchive(
        ArchiveOp::Copy, QStringLiteral("C:\\t.arj"), kKindArj, QStringLiteral("C:\\src"),
        entriesOf(QStringLiteral("C:\\src")), true, prompter, progress);
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
    qputenv("DOVEX_DRIVES",
            ("C=" + drives.host(QStringLiteral("C:\\")) + ";P=" + drives.programDir()).toUtf8());
    DriveMap::instance().reload();
    qputenv("DOVEX_HOME", drives.programDir().toUtf8());
    const QString view = Extractview(archive, QStringLiteral("sub\\look.txt"), prompter);
    ASSERT_FALSE(view.isEmpty()) << prompter.texts().join('\n').toStdString();
    QFile f(view);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("look at me"));
    f.close();

    // A file of that name there is replaced only after the question; kept,
    // it is not shown as the member.
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("another");
    f.close();
    prompter.clear();
    prompter.script({Answer::No});
    EXPECT_TRUE(Extractview(archive, QStringLiteral("sub\\look.txt"), prompter).isEmpty());
    EXPECT_EQ(prompter.texts(), QStringList{"File P:\\temp\\look.txt Exists,Overwrite?"});
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("another"));
    f.close();
    prompter.script({Answer::Yes});
    EXPECT_EQ(Extractview(archive, QStringLiteral("sub\\look.txt"), prompter), view);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("look at me"));
}

// Copying out of a zip asks what the copy engine asks before a file is
// replaced, the protected-file question included; only what was agreed to
// changes, and a file kept means the copy was not done.
TEST_F(ArchiveOps, ZipMembersReplaceFilesOnlyAfterTheCopyEnginesQuestions)
{
    for (const char* name : {"a.txt", "c.txt", "ro.txt"})
        drives.file(QStringLiteral("C:\\src\\") + name, 0, QByteArray("new ") + name);
    ASSERT_TRUE(CopyIntoArchive(ArchiveOp::Copy, QStringLiteral("C:\\t.zip"), kKindZip,
                                QStringLiteral("C:\\src"), entriesOf(QStringLiteral("C:\\src")),
                                true, prompter, progress)
                    .passed);
    for (const char* name : {"a.txt", "c.txt", "ro.txt"})
        drives.file(QStringLiteral("C:\\dst\\") + name, 0, QByteArray("old ") + name);
    QFile::setPermissions(drives.host(QStringLiteral("C:\\dst\\ro.txt")), QFile::ReadOwner);
    prompter.clear();
    prompter.script({Answer::Yes, Answer::No, Answer::Yes, Answer::No});
    const ArchiveOpResult r = OperateFromArchive(
        ArchiveOp::Copy, QStringLiteral("C:\\t.zip"), kKindZip, {},
        level(QStringLiteral("C:\\t.zip")), QStringLiteral("C:\\dst"), false, prompter, progress);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(prompter.texts(),
              QStringList(
                  {"File C:\\dst\\a.txt Exists,Overwrite?", "File C:\\dst\\c.txt Exists,Overwrite?",
                   "File C:\\dst\\ro.txt Exists,Overwrite?",
                   "C:\\dst\\ro.txt is a read-only file, do you wish to Delete this file?"}));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\a.txt")), QByteArray("new a.txt"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\c.txt")), QByteArray("old c.txt"));
    EXPECT_EQ(drives.read(QStringLiteral("C:\\dst\\ro.txt")), QByteArray("old ro.txt"));
    EXPECT_EQ(QDir(drives.host(QStringLiteral("C:\\dst"))).entryList(QDir::Files | QDir::Hidden),
              QStringList({"a.txt", "c.txt", "ro.txt"}));
}

// Members whose paths are longer than the listing keeps are chosen by the
// cut name the panel shows and come out under their whole names, two that
// differ only beyond the cut as two files.
TEST_F(ArchiveOps, ZipMembersLongerThanTheListingShowsComeOutWhole)
{
    const QByteArray zipHost = drives.host(QStringLiteral("C:\\n.zip")).toLocal8Bit();
    const QByteArray dir = QByteArrayList(5, QByteArray(200, 'd')).join('/');
    const QByteArray stem = QByteArray(40, 't');
    int error = 0;
    zip_t* z = zip_open(zipHost.constData(), ZIP_CREATE, &error);
    ASSERT_TRUE(z);
    for (const char* last : {"A.txt", "B.txt"}) {
        const QByteArray name = dir + '/' + stem + last;
        zip_source_t* src = zip_source_buffer(z, last, 1, 0);
        ASSERT_GE(zip_file_add(z, name.constData(), src, ZIP_FL_ENC_RAW), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
    drives.directory(QStringLiteral("C:\\dst"));
    const QString inner = QString::fromLatin1(dir).replace('/', '\\');
    const QList<MemberItem> members = level(QStringLiteral("C:\\n.zip"), inner);
    ASSERT_FALSE(members.isEmpty());
    const ArchiveOpResult r =
        OperateFromArchive(ArchiveOp::Copy, QStringLiteral("C:\\n.zip"), kKindZip, inner, members,
                           QStringLiteral("C:\\dst"), false, prompter, progress);
    EXPECT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(
        QDir(drives.host(QStringLiteral("C:\\dst"))).entryList(QDir::Files),
        QStringList({QString::fromLatin1(stem + "A.txt"), QString::fromLatin1(stem + "B.txt")}));
}

} // namespace

namespace {

// dovex-cli with the fixture's drives; its exit status, stderr in err.
int cli(const QStringList& args, QByteArray* err = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), args);
    p.waitForFinished(60000);
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool runIn(const QString& dir, const QString& program, const QStringList& args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(program, args);
    return p.waitForFinished(60000) && p.exitCode() == 0;
}

} // namespace

// An lzh made by the real lha with a member "../evil": copying everything
// out writes nothing outside the target, names the refusal and extracts the rest.
TEST_F(ArchiveOps, HostileMembersOfAnArchiverNeverLeaveTheTarget)
{
    REQUIRE_PROGRAM("lha");
    const QString root = drives.host(QStringLiteral("C:\\"));
    drives.file(QStringLiteral("C:\\make\\evil"), 0, "evil");
    drives.file(QStringLiteral("C:\\make\\in\\ok.txt"), 0, "fine");
    ASSERT_TRUE(runIn(root + QStringLiteral("/make/in"), QStringLiteral("lha"),
                      {QStringLiteral("a"), root + QStringLiteral("/t.lzh"),
                       QStringLiteral("../evil"), QStringLiteral("ok.txt")}));
    drives.directory(QStringLiteral("C:\\deep\\dst"));

    QStringList args{QStringLiteral("copy"), QStringLiteral("--from"), QStringLiteral("C:\\t.lzh")};
    for (const MemberItem& m : level(QStringLiteral("C:\\t.lzh")))
        args << m.name;
    args << QStringLiteral("C:\\deep\\dst");
    QByteArray err;
    EXPECT_EQ(cli(args, &err), 1) << err.constData();
    EXPECT_TRUE(err.contains("Refused evil: it would be written outside the target directory"))
        << err.constData();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\deep\\dst\\ok.txt")), QByteArray("fine"));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\deep\\evil")));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\deep\\dst\\evil")));
    EXPECT_EQ(QDir(drives.host(QStringLiteral("C:\\deep\\dst")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("ok.txt")});
}

// The zip component is asked for the members as the panel lists them
// ("evil.txt" for a stored "../evil.txt"): each such member is refused by
// its stored name, and the run does not pass; deleting it works.
TEST_F(ArchiveOps, HostileZipMembersChosenInThePanelAreRefusedByName)
{
    const QByteArray zipHost = drives.host(QStringLiteral(R"(C:\h.zip)")).toLocal8Bit();
    int error = 0;
    zip_t* z = zip_open(zipHost.constData(), ZIP_CREATE, &error);
    ASSERT_TRUE(z);
    for (const char* name : {"../evil.txt", "/abs.txt", "ok.txt"}) {
        static const char data[] = "data";
        zip_source_t* src = zip_source_buffer(z, data, 4, 0);
        ASSERT_GE(zip_file_add(z, name, src, ZIP_FL_ENC_RAW), 0);
    }
    ASSERT_EQ(zip_close(z), 0);
    drives.directory(QStringLiteral(R"(C:\deep\dst)"));

    const QList<MemberItem> members = level(QStringLiteral(R"(C:\h.zip)"));
    ASSERT_EQ(members.size(), 3);
    const ArchiveOpResult r =
        OperateFromArchive(ArchiveOp::Copy, QStringLiteral(R"(C:\h.zip)"), QChar(kKindZip), {},
                           members, QStringLiteral(R"(C:\deep\dst)"), true, prompter, progress);
    EXPECT_FALSE(r.passed);
    const QString said = prompter.texts().join('\n');
    EXPECT_TRUE(said.contains(QStringLiteral("Refused ..\\evil.txt"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("Refused \\abs.txt"))) << said.toStdString();
    EXPECT_EQ(QDir(drives.host(QStringLiteral(R"(C:\deep\dst)")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("ok.txt")});
    EXPECT_FALSE(drives.exists(QStringLiteral(R"(C:\deep\evil.txt)")));

    const QList<MemberItem> evil{MemberItem{QStringLiteral("evil.txt"), false}};
    EXPECT_TRUE(OperateFromArchive(ArchiveOp::Delete, QStringLiteral(R"(C:\h.zip)"),
                                   QChar(kKindZip), {}, evil, {}, true, prompter, progress)
                    .passed);
    EXPECT_EQ(level(QStringLiteral(R"(C:\h.zip)")).size(), 2);
}

// What an archiver wrote is looked at before it reaches the target: a link
// leading out and a special file are refused and gone, the rest arrives.
TEST_F(ArchiveOps, LinksLeadingOutAndSpecialFilesAnArchiverMadeAreRefused)
{
    REQUIRE_PROGRAM("lha");
    const QString root = drives.host(QStringLiteral("C:\\"));
    drives.file(QStringLiteral("C:\\make\\ok.txt"), 0, "fine");
    ASSERT_TRUE(
        runIn(root + QStringLiteral("/make"), QStringLiteral("lha"),
              {QStringLiteral("a"), root + QStringLiteral("/t.lzh"), QStringLiteral("ok.txt")}));
    drives.directory(QStringLiteral("C:\\outside"));
    drives.directory(QStringLiteral("C:\\dst"));
    // A hostile archiver of the classic name: a link out, a pipe, the file.
    fakeTool(QStringLiteral("LHA.exe"),
             "ln -s '" + (root + "/outside").toUtf8() + "' lnk; mkfifo pipe; printf fine > ok.txt");
    const ArchiveOpResult r =
        OperateFromArchive(ArchiveOp::Copy, QStringLiteral("C:\\t.lzh"), kKindLha, QString(),
                           {MemberItem{QStringLiteral("ok.txt"), false}}, QStringLiteral("C:\\dst"),
                           true, prompter, progress);
    EXPECT_FALSE(r.passed);
    EXPECT_EQ(prompter.count(QStringLiteral(
                  "Refused lnk: it is a link that points outside the target directory")),
              1);
    EXPECT_EQ(prompter.count(QStringLiteral("Refused pipe: it is no plain file")), 1);
    EXPECT_EQ(QDir(drives.host(QStringLiteral("C:\\dst")))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System),
              QStringList{QStringLiteral("ok.txt")});
}

// The command line forms: into an archive named by its content, members
// back out of an inner directory, delete.
TEST_F(ArchiveOps, CliCopiesIntoAndOutOfAZip)
{
    drives.file(QStringLiteral("C:\\src\\sub\\a b.txt"), 0, "ab");
    drives.file(QStringLiteral("C:\\src\\top.txt"), 0, "top");
    ASSERT_TRUE(CopyIntoArchive(ArchiveOp::Copy, QStringLiteral("C:\\t.zip"), kKindZip,
                                QStringLiteral("C:\\src"),
                                {SourceItem{QStringLiteral("C:\\src\\top.txt"), false}}, true,
                                prompter, progress)
                    .passed);
    // A name that does not say zip: the kind comes from the bytes.
    ASSERT_TRUE(QFile::rename(drives.host(QStringLiteral("C:\\t.zip")),
                              drives.host(QStringLiteral("C:\\t.dat"))));
    QByteArray err;
    ASSERT_EQ(
        cli({QStringLiteral("copy"), QStringLiteral("C:\\src\\sub"), QStringLiteral("C:\\t.dat")},
            &err),
        0)
        << err.constData();
    drives.directory(QStringLiteral("C:\\out"));
    ASSERT_EQ(
        cli({QStringLiteral("copy"), QStringLiteral("--from"), QStringLiteral("C:\\t.dat\\sub"),
             QStringLiteral("a b.txt"), QStringLiteral("C:\\out")},
            &err),
        0)
        << err.constData();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\out\\sub\\a b.txt")), QByteArray("ab"));
    EXPECT_EQ(cli({QStringLiteral("delete"), QStringLiteral("--from"), QStringLiteral("C:\\t.dat"),
                   QStringLiteral("sub")},
                  &err),
              0)
        << err.constData();
    InvalidateArchiveCache();
    QStringList names;
    for (const MemberItem& m : level(QStringLiteral("C:\\t.dat")))
        names << m.name;
    EXPECT_EQ(names, QStringList{QStringLiteral("top.txt")});
    EXPECT_EQ(cli({QStringLiteral("move"), QStringLiteral("--from"), QStringLiteral("C:\\t.dat"),
                   QStringLiteral("top.txt"), QStringLiteral("C:\\out")},
                  &err),
              1);
    EXPECT_TRUE(err.contains("Cannot move from C:\\t.dat (Use Copy and Delete)."))
        << err.constData();
}
