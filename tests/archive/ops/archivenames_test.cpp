// Names reach an archiver only as themselves, and what an archiver did is
// read back from the archive: the real arj, lha and arc against names that
// hold every kind of character, and tools that report success for nothing.
#include "archive/ops/archiveoperations.h"

#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/filesource.h"
#include "archive/ops/archiveprogress.h"
#include "archive/ops/compression.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

// A window stand-in that gives up on a tool after a minute, so that one
// that runs without end fails the test instead of holding it.
class Deadline : public SilentArchiveProgress {
public:
    std::chrono::steady_clock::time_point until =
        std::chrono::steady_clock::now() + std::chrono::seconds(60);
    bool abortRequested() override { return std::chrono::steady_clock::now() > until; }
};

// The members of an archive as its file holds them, by the name the panel
// lists (stored: by the bytes the header holds, decoded as a file name is):
// name -> size.
std::map<QString, std::int64_t> held(const QString& hostArchive, bool stored = false)
{
    std::map<QString, std::int64_t> out;
    FileSource source;
    if (!source.open(hostArchive))
        return out;
    for (const ArchiveRecord& r :
         readArchiveRecords(detectArchiveKind(source.read(0, 11)), source).records)
        out[stored ? hostname::decode(r.storedBytes()) : r.path] = r.size;
    return out;
}

// Files and checks by the program's own byte-exact names: a name may hold
// bytes that are no UTF-8, or a "\\" (as U+F05C), which Qt would write
// otherwise.
QByteArray hostBytes(const QString& dosPath)
{
    return hostname::encode(DriveMap::instance().toHost(dosPath).value_or(QString()));
}

void makeFile(const QString& dosPath, int size)
{
    QDir().mkpath(hostname::decode(hostBytes(dospath::directoryPart(dosPath))));
    const int fd = ::open(hostBytes(dosPath).constData(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
    ASSERT_GE(fd, 0) << dosPath.toStdString();
    const QByteArray bytes(size, 'x');
    EXPECT_EQ(::write(fd, bytes.constData(), size_t(size)), size);
    ::close(fd);
}

// Qt cannot remove a file whose name is no UTF-8.
void removeTree(const QString& dosPath)
{
    std::error_code error;
    std::filesystem::remove_all(std::filesystem::path(hostBytes(dosPath).toStdString()), error);
}

int entriesIn(const QString& dosDir)
{
    std::error_code error;
    int n = 0;
    for (auto it = std::filesystem::directory_iterator(hostBytes(dosDir).toStdString(), error);
         !error && it != std::filesystem::directory_iterator(); it.increment(error))
        ++n;
    return n;
}

bool present(const QString& dosPath)
{
    struct stat st {};
    return ::lstat(hostBytes(dosPath).constData(), &st) == 0;
}

std::int64_t sizeOf(const QString& dosPath)
{
    struct stat st {};
    return ::lstat(hostBytes(dosPath).constData(), &st) == 0 ? st.st_size : -1;
}

class ArchiveNames : public ::testing::Test {
protected:
    test::DriveFixture drives{QStringLiteral("C")};
    test::ScriptedPrompter prompter;
    Deadline progress;

    void SetUp() override { InvalidateArchiveCache(); }

    void fakeTool(const QString& name, const QByteArray& body)
    {
        const QString path = drives.programDir() + '/' + name;
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("#!/bin/sh\n" + body + "\n");
        f.close();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    ArchiveOpResult into(ArchiveOp op, const QString& archive, QChar kind,
                         const QList<SourceItem>& items, bool subdirs = true)
    {
        InvalidateArchiveCache();
        return CopyIntoArchive(op, archive, kind, QStringLiteral("C:\\src"), items, subdirs,
                               prompter, progress);
    }

    ArchiveOpResult from(ArchiveOp op, const QString& archive, QChar kind,
                         const QList<MemberItem>& members, const QString& target = {})
    {
        InvalidateArchiveCache();
        return OperateFromArchive(op, archive, kind, QString(), members, target, true, prompter,
                                  progress);
    }

    std::map<QString, std::int64_t> heldIn(const QString& archive, bool stored = false)
    {
        return held(drives.host(archive), stored);
    }
};

// The two cases the archivers got wrong: arj trims the blanks at the ends
// of a list line and reads "[ab]" as a class. Moving " a.txt" deleted the
// unchosen "a.txt", and moving "[ab]" deleted "a" and "b".
TEST_F(ArchiveNames, ArjMovesTheChosenFilesAndNoOthers)
{
    if (QStandardPaths::findExecutable("arj").isEmpty())
        GTEST_SKIP() << "arj is not installed";
    drives.file(QStringLiteral("C:\\src\\ a.txt"), 11);
    drives.file(QStringLiteral("C:\\src\\a.txt"), 22);
    drives.file(QStringLiteral("C:\\src\\[ab]"), 33);
    drives.file(QStringLiteral("C:\\src\\a"), 44);
    drives.file(QStringLiteral("C:\\src\\b"), 55);
    const ArchiveOpResult r = into(
        ArchiveOp::Move, QStringLiteral("C:\\t.arj"), kKindArj,
        {{QStringLiteral("C:\\src\\ a.txt"), false}, {QStringLiteral("C:\\src\\[ab]"), false}});
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(heldIn(QStringLiteral("C:\\t.arj")),
              (std::map<QString, std::int64_t>{{" a.txt", 11}, {"[ab]", 33}}));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\src\\ a.txt")));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\src\\[ab]")));
    for (const char* kept : {"C:\\src\\a.txt", "C:\\src\\a", "C:\\src\\b"})
        EXPECT_TRUE(drives.exists(QString::fromLatin1(kept))) << kept;
}

// With subdirectories arj read a plain file's name as a pattern in every
// subdirectory: moving "a.txt" took and deleted "sub\a.txt" too.
TEST_F(ArchiveNames, ArjWithSubdirectoriesTakesTheChosenFileOnly)
{
    if (QStandardPaths::findExecutable("arj").isEmpty())
        GTEST_SKIP() << "arj is not installed";
    drives.file(QStringLiteral("C:\\src\\a.txt"), 10);
    drives.file(QStringLiteral("C:\\src\\sub\\a.txt"), 20);
    drives.file(QStringLiteral("C:\\src\\dir\\x.txt"), 30);
    drives.file(QStringLiteral("C:\\src\\dir\\deep\\y.txt"), 40);
    const ArchiveOpResult r =
        into(ArchiveOp::Move, QStringLiteral("C:\\t.arj"), kKindArj,
             {{QStringLiteral("C:\\src\\a.txt"), false}, {QStringLiteral("C:\\src\\dir"), true}});
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(heldIn(QStringLiteral("C:\\t.arj")),
              (std::map<QString, std::int64_t>{
                  {"a.txt", 10}, {"dir\\x.txt", 30}, {"dir\\deep\\y.txt", 40}}));
    EXPECT_TRUE(drives.exists(QStringLiteral("C:\\src\\sub\\a.txt")));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\src\\dir")));

    // An empty directory names no file: arj, given none, would take them all.
    drives.directory(QStringLiteral("C:\\src\\empty"));
    const auto before = heldIn(QStringLiteral("C:\\t.arj"));
    EXPECT_TRUE(into(ArchiveOp::Move, QStringLiteral("C:\\t.arj"), kKindArj,
                     {{QStringLiteral("C:\\src\\empty"), true}})
                    .passed);
    EXPECT_EQ(heldIn(QStringLiteral("C:\\t.arj")), before);
    EXPECT_TRUE(drives.exists(QStringLiteral("C:\\src\\sub\\a.txt")));

    // Out again: copied, then deleted from the archive once arrived.
    drives.directory(QStringLiteral("C:\\back"));
    ASSERT_TRUE(from(ArchiveOp::Move, QStringLiteral("C:\\t.arj"), kKindArj,
                     {{QStringLiteral("dir"), true}}, QStringLiteral("C:\\back"))
                    .passed)
        << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(drives.read(QStringLiteral("C:\\back\\dir\\deep\\y.txt")).size(), 40);
    EXPECT_EQ(heldIn(QStringLiteral("C:\\t.arj")),
              (std::map<QString, std::int64_t>{{"a.txt", 10}}));
}

struct Tool {
    const char* program;
    char16_t kind;
    const char* ext;
};

class EveryName : public ArchiveNames, public ::testing::WithParamInterface<Tool> {};

// A name of every kind of character, with files beside it that the tool
// would take instead if it read the name as anything but itself. Each is
// moved in, copied out and deleted alone: the tool takes exactly it, or it
// is refused by name and nothing changes.
TEST_P(EveryName, ReachesTheArchiverAsItselfOrIsRefusedByName)
{
    const Tool t = GetParam();
    if (QStandardPaths::findExecutable(t.program).isEmpty())
        GTEST_SKIP() << t.program << " is not installed";
    const QString notUtf8 = QString(QChar(0xDCE9)) + QStringLiteral("t");
    const QString backslash = QStringLiteral("b") + QChar(hostname::kBackslashStandIn) + 's';
    const QStringList names = {" a.txt",
                               "a.txt ",
                               "\tab",
                               "[ab]",
                               "x]y",
                               "st*r",
                               "q?m",
                               "!bang",
                               "@at",
                               "-dash",
                               "q'\"d",
                               "c\x01"
                               "c",
                               "e\x7f"
                               "d",
                               notUtf8,
                               ".dot",
                               backslash,
                               "a b"};
    const QStringList decoys = {"a.txt", "ab",   "a",  "b",  "stxr", "qxm", "bang",
                                "at",    "dash", "cc", "ed", "dot",  "s",   "xy"};
    const QString archive = QStringLiteral("C:\\t.") + QLatin1String(t.ext);
    // Either the tool did exactly what was asked, or the name was refused
    // in one message that names it and nothing changed.
    auto refusedOrDone = [&](const ArchiveOpResult& r, const QString& name) {
        if (r.passed)
            return true;
        EXPECT_EQ(prompter.texts().size(), 1);
        EXPECT_TRUE(prompter.texts().join('\n').contains(hostname::displayName(name)))
            << prompter.texts().join('\n').toStdString();
        return false;
    };
    int passed = 0;
    for (const QString& name : names) {
        SCOPED_TRACE(hostname::displayName(name).toStdString());
        removeTree(QStringLiteral("C:\\src"));
        removeTree(QStringLiteral("C:\\out"));
        removeTree(archive);
        for (int i = 0; i < decoys.size(); ++i)
            makeFile(QStringLiteral("C:\\src\\") + decoys[i], 100 + i);
        const QString file = QStringLiteral("C:\\src\\") + name;
        makeFile(file, 7);
        prompter.clear();
        const ArchiveOpResult in = into(ArchiveOp::Move, archive, QChar(t.kind), {{file, false}});
        for (const QString& decoy : decoys)
            EXPECT_TRUE(present(QStringLiteral("C:\\src\\") + decoy)) << decoy.toStdString();
        EXPECT_EQ(present(file), !in.passed);
        const std::map<QString, std::int64_t> stored{{name, 7}};
        EXPECT_EQ(heldIn(archive, true), in.passed ? stored : decltype(stored)());
        if (!refusedOrDone(in, name))
            continue;
        ++passed;
        // Members are chosen by the name the panel lists.
        const QString listed = heldIn(archive).begin()->first;

        // Out again, and deleted, among members the name could stand for.
        QList<SourceItem> others;
        for (const QString& decoy : decoys)
            others << SourceItem{QStringLiteral("C:\\src\\") + decoy, false};
        ASSERT_TRUE(into(ArchiveOp::Copy, archive, QChar(t.kind), others).passed);
        drives.directory(QStringLiteral("C:\\out"));
        prompter.clear();
        const ArchiveOpResult out = from(ArchiveOp::Copy, archive, QChar(t.kind), {{listed, false}},
                                         QStringLiteral("C:\\out"));
        if (refusedOrDone(out, listed)) {
            EXPECT_EQ(entriesIn(QStringLiteral("C:\\out")), 1);
            EXPECT_EQ(sizeOf(QStringLiteral("C:\\out\\") + name), 7);
        }
        prompter.clear();
        const ArchiveOpResult gone =
            from(ArchiveOp::Delete, archive, QChar(t.kind), {{listed, false}});
        refusedOrDone(gone, listed);
        const auto left = heldIn(archive, true);
        EXPECT_EQ(left.size(), size_t(decoys.size() + (gone.passed ? 0 : 1)));
        EXPECT_EQ(left.count(name), gone.passed ? 0u : 1u);
    }
    // The table is no wall: most kinds of name go through.
    EXPECT_GE(passed, names.size() / 2);
}

INSTANTIATE_TEST_SUITE_P(Archivers, EveryName,
                         ::testing::Values(Tool{"arj", kKindArj, "arj"},
                                           Tool{"lha", kKindLha, "lzh"},
                                           Tool{"arc", kKindPak, "pak"}),
                         [](const auto& info) { return std::string(info.param.program); });

// arj runs without end on a path that starts with "." (adding ".profile"
// or extracting ".../x"): such a name is refused before it runs.
TEST_F(ArchiveNames, ArjIsNeverHandedANameItLoopsOn)
{
    if (QStandardPaths::findExecutable("arj").isEmpty())
        GTEST_SKIP() << "arj is not installed";
    drives.file(QStringLiteral("C:\\src\\.profile"), 10);
    drives.file(QStringLiteral("C:\\src\\plain.txt"), 20);
    const ArchiveOpResult r = into(ArchiveOp::Copy, QStringLiteral("C:\\t.arj"), kKindArj,
                                   {{QStringLiteral("C:\\src\\.profile"), false},
                                    {QStringLiteral("C:\\src\\plain.txt"), false}});
    EXPECT_FALSE(r.passed);
    EXPECT_FALSE(r.aborted); // refused, not stopped at the deadline
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().contains(QStringLiteral(".profile")));

    // An archive made elsewhere that holds one: neither the member chosen
    // nor the whole archive is extracted by arj.
    QProcess arj;
    arj.setStandardInputFile(QProcess::nullDevice());
    arj.start(QStringLiteral("arj"),
              {QStringLiteral("a"), QStringLiteral("-e"), QStringLiteral("-y"),
               drives.host(QStringLiteral("C:\\made.arj")),
               drives.host(QStringLiteral("C:\\src\\.profile")),
               drives.host(QStringLiteral("C:\\src\\plain.txt"))});
    ASSERT_TRUE(arj.waitForFinished() && arj.exitCode() == 0);
    drives.directory(QStringLiteral("C:\\out"));
    InvalidateArchiveCache();
    PanelEntries level;
    archiveReaders().list(QStringLiteral("C:\\made.arj"), QString(), QStringLiteral("*.*"), level);
    QList<MemberItem> all;
    for (const PanelEntry& e : level)
        if (e.name != QLatin1String(".."))
            all << MemberItem{e.name, e.directory};
    ASSERT_EQ(all.size(), 2);
    prompter.clear();
    const ArchiveOpResult out = from(ArchiveOp::Copy, QStringLiteral("C:\\made.arj"), kKindArj, all,
                                     QStringLiteral("C:\\out"));
    EXPECT_FALSE(out.passed || out.aborted);
    EXPECT_TRUE(
        prompter.texts().join('\n').contains(QStringLiteral(".profile cannot be handed to arj")));

    const ArchiverToolTable tools = LoadArchiverTools();
    ExtractRequest whole;
    whole.method = CompressMethod::Custom;
    whole.slot = 1;
    whole.archive = QStringLiteral("C:\\made.arj");
    whole.target = QStringLiteral("C:\\out");
    prompter.clear();
    const CompressionOutcome x = RunExtraction(whole, tools, prompter, progress);
    EXPECT_FALSE(x.passed || x.aborted);
    EXPECT_TRUE(
        prompter.texts().join('\n').contains(QStringLiteral(".profile cannot be handed to arj")));
}

// An archiver that exits 0 having written nothing (lha cannot write the
// archive and says nothing) is found out by the archive's new listing: the
// copy and the delete fail aloud, a move keeps its sources.
TEST_F(ArchiveNames, WhatTheToolSaysItDidIsCheckedInTheArchive)
{
    if (QStandardPaths::findExecutable("lha").isEmpty())
        GTEST_SKIP() << "lha is not installed";
    drives.file(QStringLiteral("C:\\src\\one.txt"), 10);
    drives.file(QStringLiteral("C:\\src\\two.txt"), 20);
    const QString archive = QStringLiteral("C:\\t.lzh");
    ASSERT_TRUE(
        into(ArchiveOp::Copy, archive, kKindLha, {{QStringLiteral("C:\\src\\one.txt"), false}})
            .passed)
        << prompter.texts().join('\n').toStdString();
    const QByteArray before = drives.read(archive);

    fakeTool(QStringLiteral("lha"), "exit 0");
    prompter.clear();
    ArchiveOpResult r =
        into(ArchiveOp::Copy, archive, kKindLha, {{QStringLiteral("C:\\src\\two.txt"), false}});
    EXPECT_FALSE(r.passed);
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().contains(QStringLiteral("C:\\src\\two.txt")));

    // The same file again: the archive already holds one.txt of that size,
    // but not this one's (an older time), so the source stays.
    drives.setTime(QStringLiteral("C:\\src\\one.txt"), {2030, 1, 2, 3, 4, 6});
    prompter.clear();
    r = into(ArchiveOp::Move, archive, kKindLha, {{QStringLiteral("C:\\src\\one.txt"), false}});
    EXPECT_FALSE(r.passed);
    EXPECT_TRUE(drives.exists(QStringLiteral("C:\\src\\one.txt")));
    EXPECT_TRUE(prompter.texts().join('\n').contains(QStringLiteral("were kept")));

    prompter.clear();
    r = from(ArchiveOp::Delete, archive, kKindLha, {{QStringLiteral("one.txt"), false}});
    EXPECT_FALSE(r.passed);
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().contains(QStringLiteral("still holds one.txt")));
    EXPECT_EQ(drives.read(archive), before);
}

// lha takes no pattern: "dir/*" deleted nothing and exited 0. A directory
// is deleted member by member, its own entries too.
TEST_F(ArchiveNames, LhaDeletesAWholeDirectory)
{
    if (QStandardPaths::findExecutable("lha").isEmpty())
        GTEST_SKIP() << "lha is not installed";
    drives.file(QStringLiteral("C:\\src\\d\\x.txt"), 10);
    drives.file(QStringLiteral("C:\\src\\d\\sub\\y.txt"), 20);
    drives.file(QStringLiteral("C:\\src\\top.txt"), 30);
    const QString archive = QStringLiteral("C:\\t.lzh");
    ASSERT_TRUE(
        into(ArchiveOp::Copy, archive, kKindLha,
             {{QStringLiteral("C:\\src\\d"), true}, {QStringLiteral("C:\\src\\top.txt"), false}})
            .passed)
        << prompter.texts().join('\n').toStdString();
    const ArchiveOpResult r =
        from(ArchiveOp::Delete, archive, kKindLha, {{QStringLiteral("d"), true}});
    ASSERT_TRUE(r.passed) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(heldIn(archive), (std::map<QString, std::int64_t>{{"top.txt", 30}}));
    // No directory entry of its own is left behind either.
    QProcess lha;
    lha.start(QStringLiteral("lha"), {QStringLiteral("l"), drives.host(archive)});
    ASSERT_TRUE(lha.waitForFinished());
    EXPECT_FALSE(lha.readAllStandardOutput().contains("d/"));
}

// lha walks a directory itself and leaves out, exit 0, a name that is no
// UTF-8: the move keeps that file and says so.
TEST_F(ArchiveNames, AFileTheArchiverLeftOutKeepsItsSource)
{
    if (QStandardPaths::findExecutable("lha").isEmpty())
        GTEST_SKIP() << "lha is not installed";
    const QString odd = QStringLiteral("C:\\src\\d\\") + QChar(0xDCE9) + QStringLiteral(".txt");
    makeFile(QStringLiteral("C:\\src\\d\\ok.txt"), 10);
    makeFile(odd, 20);
    const ArchiveOpResult r = into(ArchiveOp::Move, QStringLiteral("C:\\t.lzh"), kKindLha,
                                   {{QStringLiteral("C:\\src\\d"), true}});
    EXPECT_FALSE(r.passed);
    EXPECT_TRUE(present(odd));
    EXPECT_FALSE(present(QStringLiteral("C:\\src\\d\\ok.txt")));
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().contains(hostname::displayName(odd)))
        << prompter.texts().first().toStdString();
}

} // namespace
