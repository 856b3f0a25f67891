// Members an external archiver takes out reach their names only through the
// copy engine's questions, and dovex-cli never leaves an archiver or its
// scratch behind, however it is stopped.
#include "archive/archivekind.h"
#include "archive/archivereaders.h"
#include "archive/ops/archiveoperations.h"
#include "archive/ops/archiveprogress.h"
#include "platform/drivemap.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <csignal>
#include <functional>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

#define REQUIRE_PROGRAM(name)                                                                      \
    do {                                                                                           \
        if (QStandardPaths::findExecutable(QString::fromLatin1(name)).isEmpty())                   \
            GTEST_SKIP() << name << " is not installed";                                           \
    } while (0)

// dovex-cli with the fixture's drives; its exit status (-1 when a signal
// ended it), stderr in err.
int cli(const QStringList& args, QByteArray* err = nullptr)
{
    QProcess p;
    p.start(QStringLiteral(DOVEX_CLI), args);
    p.waitForFinished(60000);
    if (err)
        *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool alive(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    return stat.open(QIODevice::ReadOnly) && !stat.readAll().contains(") Z ");
}

// Waits for a condition instead of for a fixed time.
bool eventually(const std::function<bool()>& condition, int seconds = 30)
{
    for (int i = 0; i < seconds * 50; ++i) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return condition();
}

class ToolExtract : public ::testing::Test {
protected:
    test::DriveFixture drives{QStringLiteral("C")};
    test::ScriptedPrompter prompter;
    SilentArchiveProgress progress;

    void SetUp() override { InvalidateArchiveCache(); }

    // An archive of the real tool holding one.txt with these bytes.
    void archiveOf(const char* program, const QString& archive, const QByteArray& bytes)
    {
        const QString dir = drives.host(QStringLiteral(R"(C:\make)")) + QString::number(++m_made);
        QDir().mkpath(dir);
        QFile f(dir + QStringLiteral("/one.txt"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        QProcess p;
        p.setWorkingDirectory(dir);
        p.start(QLatin1String(program),
                {QStringLiteral("a"), drives.host(archive), QStringLiteral("one.txt")});
        ASSERT_TRUE(p.waitForFinished(60000) && p.exitCode() == 0);
    }

    QStringList members(const QString& archive)
    {
        InvalidateArchiveCache();
        PanelEntries entries;
        archiveReaders().list(archive, QString(), QStringLiteral("*.*"), entries);
        QStringList names;
        for (const PanelEntry& e : entries)
            if (e.name != QLatin1String(".."))
                names << e.name.toLower();
        return names;
    }

    QStringList left(const QString& dir)
    {
        return QDir(drives.host(dir))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

    ArchiveOpResult takeOut(ArchiveOp op, const QString& archive, QChar kind)
    {
        return OperateFromArchive(op, archive, kind, QString(),
                                  {MemberItem{QStringLiteral("one.txt"), false}},
                                  QStringLiteral(R"(C:\dst)"), true, prompter, progress);
    }

private:
    int m_made = 0;
};

} // namespace

// A member never replaces a file silently (the classic "-y" did, a read-only
// one included): "No" leaves the old file byte for byte, and a move whose
// member was kept out leaves that member in the archive.
TEST_F(ToolExtract, ReplacingAFileAsksAsTheCopyEngineDoes)
{
    REQUIRE_PROGRAM("arj");
    const QString archive = QStringLiteral(R"(C:\t.arj)");
    archiveOf("arj", archive, "new bytes");
    drives.file(QStringLiteral(R"(C:\dst\one.txt)"), 0, "old");
    const QString old = drives.host(QStringLiteral(R"(C:\dst\one.txt)"));
    QFile::setPermissions(old, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QString question = QStringLiteral(R"(File C:\dst\one.txt Exists,Overwrite?)");

    for (const ArchiveOp op : {ArchiveOp::Copy, ArchiveOp::Move}) {
        prompter.clear();
        prompter.script({Answer::No});
        EXPECT_FALSE(takeOut(op, archive, kKindArj).passed);
        ASSERT_EQ(prompter.asked().size(), 1) << prompter.texts().join('\n').toStdString();
        EXPECT_EQ(prompter.asked()[0].text, question);
        EXPECT_EQ(prompter.asked()[0].buttons, Buttons::YesNoAll);
        EXPECT_EQ(drives.read(QStringLiteral(R"(C:\dst\one.txt)")), QByteArray("old"));
        EXPECT_EQ(members(archive), QStringList{QStringLiteral("one.txt")});
    }

    // Yes, and then the read-only file's own question, as before a delete.
    prompter.clear();
    prompter.script({Answer::Yes, Answer::Yes});
    EXPECT_TRUE(takeOut(ArchiveOp::Move, archive, kKindArj).passed)
        << prompter.texts().join('\n').toStdString();
    ASSERT_EQ(prompter.asked().size(), 2);
    EXPECT_EQ(prompter.asked()[0].text, question);
    EXPECT_TRUE(prompter.asked()[1].text.startsWith(QStringLiteral(R"(C:\dst\one.txt)")))
        << prompter.asked()[1].text.toStdString();
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\dst\one.txt)")), QByteArray("new bytes"));
    EXPECT_EQ(members(archive), QStringList());
    EXPECT_EQ(left(QStringLiteral(R"(C:\dst)")), QStringList{QStringLiteral("one.txt")});
}

// A file kept on "No" that looks exactly like the member (a copy taken out
// before) is still not the member arriving: a move leaves it in the archive.
TEST_F(ToolExtract, AKeptTwinOfTheMemberDoesNotCountAsMoved)
{
    REQUIRE_PROGRAM("arj");
    const QString archive = QStringLiteral(R"(C:\t.arj)");
    archiveOf("arj", archive, "same bytes");
    drives.directory(QStringLiteral(R"(C:\dst)"));
    ASSERT_TRUE(takeOut(ArchiveOp::Copy, archive, kKindArj).passed)
        << prompter.texts().join('\n').toStdString();
    prompter.clear();
    prompter.script({Answer::No});
    EXPECT_FALSE(takeOut(ArchiveOp::Move, archive, kKindArj).passed);
    EXPECT_EQ(prompter.asked().size(), 1) << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(members(archive), QStringList{QStringLiteral("one.txt")});
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\dst\one.txt)")), QByteArray("same bytes"));
}

// The later of two members of one name would replace the earlier: that is
// asked too, even where nothing was there before.
TEST_F(ToolExtract, TwoMembersOfOneNameAsk)
{
    REQUIRE_PROGRAM("lha");
    archiveOf("lha", QStringLiteral(R"(C:\a.lzh)"), "first");
    archiveOf("lha", QStringLiteral(R"(C:\b.lzh)"), "second!");
    // One archive of both: the first without its end mark, then the second.
    const QByteArray both = drives.read(QStringLiteral(R"(C:\a.lzh)")).chopped(1) +
                            drives.read(QStringLiteral(R"(C:\b.lzh)"));
    drives.file(QStringLiteral(R"(C:\d.lzh)"), 0, both);
    drives.directory(QStringLiteral(R"(C:\dst)"));

    prompter.script({Answer::No});
    EXPECT_FALSE(takeOut(ArchiveOp::Copy, QStringLiteral(R"(C:\d.lzh)"), kKindLha).passed);
    ASSERT_GE(prompter.asked().size(), 1);
    EXPECT_EQ(prompter.asked()[0].text, QStringLiteral(R"(File C:\dst\one.txt Exists,Overwrite?)"));
    EXPECT_EQ(left(QStringLiteral(R"(C:\dst)")), QStringList());

    prompter.clear();
    prompter.script({Answer::Yes});
    EXPECT_TRUE(takeOut(ArchiveOp::Copy, QStringLiteral(R"(C:\d.lzh)"), kKindLha).passed)
        << prompter.texts().join('\n').toStdString();
    EXPECT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\dst\one.txt)")), QByteArray("second!"));
}

// Viewing a member takes it into the program directory's "temp": the
// program directory itself takes nothing, but its "temp" is the target.
TEST_F(ToolExtract, AViewedMemberArrivesInTheProgramsTemp)
{
    REQUIRE_PROGRAM("lha");
    archiveOf("lha", QStringLiteral(R"(C:\t.lzh)"), "look at me");
    qputenv("DOVEX_DRIVES", ("C=" + drives.root('C') + ";P=" + drives.programDir()).toUtf8());
    DriveMap::instance().reload();
    const QString view = ExtractMemberForView(QStringLiteral(R"(C:\t.lzh)"), kKindLha, QString(),
                                              QStringLiteral("one.txt"), prompter, progress);
    ASSERT_FALSE(view.isEmpty()) << prompter.texts().join('\n').toStdString();
    QFile f(view);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("look at me"));
    EXPECT_EQ(QDir(drives.programDir() + QStringLiteral("/temp"))
                  .entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("one.txt")});
}

// dovex-cli copy --from and decompress answer as copy does: --overwrite and
// --protected, No when not given.
TEST_F(ToolExtract, CliAnswersTheReplaceQuestionAsCopyDoes)
{
    REQUIRE_PROGRAM("arj");
    const QString archive = QStringLiteral(R"(C:\t.arj)");
    archiveOf("arj", archive, "new bytes");
    drives.file(QStringLiteral(R"(C:\dst\one.txt)"), 0, "old");
    QByteArray err;
    const QStringList copy{QStringLiteral("copy"), QStringLiteral("--from"), archive,
                           QStringLiteral("one.txt"), QStringLiteral(R"(C:\dst)")};
    const QStringList decompress{QStringLiteral("decompress"), archive,
                                 QStringLiteral(R"(C:\dst)")};
    for (const QStringList& args : {copy, decompress}) {
        EXPECT_EQ(cli(args, &err), 1) << err.constData();
        EXPECT_TRUE(err.contains(R"(File C:\dst\one.txt Exists,Overwrite? [No])"))
            << err.constData();
        EXPECT_EQ(drives.read(QStringLiteral(R"(C:\dst\one.txt)")), QByteArray("old"));
    }
    EXPECT_EQ(cli(copy + QStringList{QStringLiteral("--overwrite=all")}, &err), 0)
        << err.constData();
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\dst\one.txt)")), QByteArray("new bytes"));
    drives.file(QStringLiteral(R"(C:\dst\one.txt)"), 0, "old");
    EXPECT_EQ(
        cli(decompress + QStringList{QStringLiteral("--overwrite"), QStringLiteral("all")}, &err),
        0)
        << err.constData();
    EXPECT_EQ(drives.read(QStringLiteral(R"(C:\dst\one.txt)")), QByteArray("new bytes"));
    EXPECT_EQ(cli(copy + QStringList{QStringLiteral("--overwrite=maybe")}, &err), 2);
}

// SIGINT, SIGTERM or SIGHUP to dovex-cli while an archiver works ends the
// archiver's whole process group, and the scratch directory and the list
// file go before dovex-cli does.
TEST_F(ToolExtract, ASignalToTheCliEndsTheArchiverAndLeavesNothingBehind)
{
    REQUIRE_PROGRAM("lha");
    archiveOf("lha", QStringLiteral(R"(C:\t.lzh)"), "fine");
    const QString pids = drives.programDir() + QStringLiteral("/pids");
    const QString tool = drives.programDir() + QStringLiteral("/LHA.exe");
    QFile f(tool);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\necho $$ >'" + pids.toUtf8() + "'\nsleep 300 &\necho $! >>'" +
            pids.toUtf8() + "'\nwait\n");
    f.close();
    QFile::setPermissions(tool, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    drives.directory(QStringLiteral(R"(C:\dst)"));

    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        QFile::remove(pids);
        QProcess p;
        p.start(QStringLiteral(DOVEX_CLI),
                {QStringLiteral("copy"), QStringLiteral("--from"), QStringLiteral(R"(C:\t.lzh)"),
                 QStringLiteral("one.txt"), QStringLiteral(R"(C:\dst)")});
        ASSERT_TRUE(p.waitForStarted());
        QList<pid_t> started;
        ASSERT_TRUE(eventually([&] {
            QFile list(pids);
            if (!list.open(QIODevice::ReadOnly))
                return false;
            started.clear();
            for (const QByteArray& line : list.readAll().split('\n'))
                if (line.toInt() > 0)
                    started << pid_t(line.toInt());
            return started.size() == 2;
        })) << "the archiver did not start";
        ASSERT_EQ(::kill(pid_t(p.processId()), sig), 0);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitStatus(), QProcess::CrashExit) << "signal " << sig;
        for (const pid_t pid : started)
            EXPECT_TRUE(eventually([pid] { return !alive(pid); }, 10))
                << "process " << pid << " outlived dovex-cli (signal " << sig << ")";
        EXPECT_EQ(left(QStringLiteral(R"(C:\dst)")), QStringList()) << "signal " << sig;
        EXPECT_EQ(QDir(drives.programDir()).entryList({QStringLiteral("*.Lst")}, QDir::Files),
                  QStringList());
    }
}
