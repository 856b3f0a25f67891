#include "launch/commandhistory.h"
#include "launch/runcommand.h"
#include "launch/shellexecute.h"

#include "support/drivefixture.h"

#include <gtest/gtest.h>

using namespace dovex;
using namespace dovex::launch;
using Kind = CommandPlan::Kind;

TEST(CommandLine, DriveChangesIgnoreTheRest)
{
    test::DriveFixture drives(QStringLiteral("CD"));
    for (const char* text : {"d:", "D:\\some\\path", "  d:foo bar"}) {
        const CommandPlan p = planCommandLine(QStringLiteral("C:\\"), QString::fromLatin1(text));
        EXPECT_EQ(p.kind, Kind::Drive) << text;
        EXPECT_EQ(p.drive, QChar('d')) << text;
    }
}

TEST(CommandLine, CdRules)
{
    test::DriveFixture drives;
    drives.directory(QStringLiteral("C:\\a\\sub dir"));
    const QString a = QStringLiteral("C:\\a");
    auto plan = [&](const QString& dir, const char* text) {
        return planCommandLine(dir, QString::fromLatin1(text));
    };
    EXPECT_EQ(plan(a, "cd..").directory, QStringLiteral("C:\\"));
    EXPECT_EQ(plan(a, "cd ..").directory, QStringLiteral("C:\\"));
    EXPECT_EQ(plan(a, "cd sub dir").directory, QStringLiteral("C:\\a\\sub dir"));
    EXPECT_EQ(plan(QStringLiteral("C:\\"), "cd a").directory, QStringLiteral("C:\\a"));
    // In a root, to a missing directory, or climbing out of the drive: nothing.
    EXPECT_EQ(plan(QStringLiteral("C:\\"), "cd..").kind, Kind::Nothing);
    EXPECT_EQ(plan(a, "cd missing").kind, Kind::Nothing);
    EXPECT_EQ(plan(a, "cd ..\\..\\..").kind, Kind::ChangeDirectory);
    EXPECT_EQ(plan(a, "cd ..\\..\\..").directory, QStringLiteral("C:\\"));
    // Upper-case CD is not the cd command; "cdrecord" is a program.
    EXPECT_EQ(plan(a, "CD ..").kind, Kind::Start);
    EXPECT_EQ(plan(a, "cdrecord x").kind, Kind::Start);
    EXPECT_EQ(plan(a, "   ").kind, Kind::Nothing);
}

TEST(CommandLine, ProgramsGetWordsNeverAShell)
{
    test::DriveFixture drives;
    const CommandPlan p =
        planCommandLine(QStringLiteral("C:\\"), QStringLiteral("cat 'a;rm -rf ~' \"x y\" $(id)"));
    EXPECT_EQ(p.kind, Kind::Start);
    EXPECT_EQ(p.program, QStringLiteral("cat"));
    EXPECT_EQ(p.arguments, (QStringList{"a;rm -rf ~", "x y", "$(id)"}));
    // The classic upper-case names find the lower-case program.
    EXPECT_EQ(planCommandLine(QStringLiteral("C:\\"), QStringLiteral("CAT x")).program,
              QStringLiteral("cat"));
}

TEST(CommandLine, RunRecordsEveryCommandAndStartsThroughTheLauncher)
{
    test::DriveFixture drives;
    drives.directory(QStringLiteral("C:\\w\\sub"));
    RecordingLauncher recorder;
    ScopedLauncher scope(recorder);
    CommandHistory history;
    EXPECT_EQ(runCommandLine(QStringLiteral("C:\\w"), false, QStringLiteral(" cd sub "), history)
                  .newDirectory,
              QStringLiteral("C:\\w\\sub"));
    runCommandLine(QStringLiteral("C:\\w"), false, QStringLiteral("cd nowhere"), history);
    const CommandResult r =
        runCommandLine(QStringLiteral("C:\\w"), false, QStringLiteral("echo 'a;b'"), history);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.newDirectory.isEmpty());
    ASSERT_EQ(recorder.plans.size(), 1u);
    EXPECT_EQ(recorder.plans[0].arguments, QStringList{"a;b"});
    EXPECT_EQ(recorder.plans[0].workingDirectory, drives.host(QStringLiteral("C:\\w")));
    EXPECT_EQ(history.slot(0), QStringLiteral("echo 'a;b'"));
    EXPECT_EQ(history.slot(1), QStringLiteral("cd nowhere"));
    EXPECT_EQ(history.slot(2), QStringLiteral(" cd sub ")); // untrimmed

    // A panel directory that is gone: a message, nothing run or recorded.
    const CommandResult gone =
        runCommandLine(QStringLiteral("C:\\gone"), false, QStringLiteral("echo"), history);
    EXPECT_FALSE(gone.error.isEmpty());
    EXPECT_EQ(history.slot(0), QStringLiteral("echo 'a;b'"));
}

TEST(CommandHistory, PushAndLastCommandWalkBack)
{
    CommandHistory h;
    for (int i = 0; i <= 101; ++i)
        h.push(QString::number(i));
    EXPECT_EQ(h.slot(0), QStringLiteral("101"));
    EXPECT_EQ(h.slot(100), QStringLiteral("1")); // "0" fell off the end
    EXPECT_EQ(h.takeLast(), QStringLiteral("101"));
    EXPECT_EQ(h.takeLast(), QStringLiteral("100"));
    EXPECT_EQ(h.slot(100), QStringLiteral("1")); // the last slot keeps its text
    EXPECT_EQ(h.slot(98), QStringLiteral("1"));
}
