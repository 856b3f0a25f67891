#include "launch/shellexecute.h"

#include "support/drivefixture.h"

#include <gtest/gtest.h>

#include <QFile>

using namespace dovex;
using namespace dovex::launch;

namespace {

void makeExecutable(const QString& host)
{
    QFile::setPermissions(host, QFile::permissions(host) | QFileDevice::ExeOwner);
}

} // namespace

TEST(SplitWords, QuotesAndBackslashesAsAShellButNoExpansion)
{
    EXPECT_EQ(*splitWords(QStringLiteral("  a  b\tc ")), (QStringList{"a", "b", "c"}));
    EXPECT_EQ(*splitWords(QStringLiteral("'a;rm -rf ~'")), QStringList{"a;rm -rf ~"});
    EXPECT_EQ(*splitWords(QStringLiteral("\"x \\\"y\\\" \\n $HOME\" z\\ w")),
              (QStringList{"x \"y\" \\n $HOME", "z w"}));
    EXPECT_EQ(*splitWords(QStringLiteral("'' \"\" a''b")), (QStringList{"", "", "ab"}));
    EXPECT_EQ(*splitWords(QStringLiteral("$(reboot) `id` *.txt > out")),
              (QStringList{"$(reboot)", "`id`", "*.txt", ">", "out"}));
    EXPECT_TRUE(splitWords(QString()).value().isEmpty());
    EXPECT_FALSE(splitWords(QStringLiteral("'open")));
    EXPECT_FALSE(splitWords(QStringLiteral("a \"b")));
}

TEST(ShellExecute, ProgramsStartDirectlyWithEachWordOneArgument)
{
    test::DriveFixture drives;
    drives.file(QStringLiteral("C:\\bin\\run.sh"), 0, "#!/bin/sh\n");
    makeExecutable(drives.host(QStringLiteral("C:\\bin\\run.sh")));
    drives.file(QStringLiteral("C:\\bin\\a;rm -rf ~"), 0, "#!/bin/sh\n");
    makeExecutable(drives.host(QStringLiteral("C:\\bin\\a;rm -rf ~")));

    RecordingLauncher recorder;
    ScopedLauncher scope(recorder);
    EXPECT_TRUE(shellExecute(QStringLiteral("open"), QStringLiteral("run.sh"),
                             QStringLiteral("'a;rm -rf ~' two"), QStringLiteral("C:\\bin")));
    EXPECT_TRUE(shellExecute(QStringLiteral("open"), QStringLiteral("a;rm -rf ~"), QString(),
                             QStringLiteral("C:\\bin")));
    ASSERT_EQ(recorder.plans.size(), 2u);
    EXPECT_EQ(recorder.plans[0].kind, LaunchPlan::Kind::Program);
    EXPECT_EQ(recorder.plans[0].program, drives.host(QStringLiteral("C:\\bin\\run.sh")));
    EXPECT_EQ(recorder.plans[0].arguments, (QStringList{"a;rm -rf ~", "two"}));
    EXPECT_EQ(recorder.plans[0].workingDirectory, drives.host(QStringLiteral("C:\\bin")));
    EXPECT_EQ(recorder.plans[1].program, drives.host(QStringLiteral("C:\\bin\\a;rm -rf ~")));
    EXPECT_TRUE(recorder.plans[1].arguments.isEmpty());
}

TEST(ShellExecute, DocumentsDirectoriesAndBareCommands)
{
    test::DriveFixture drives;
    drives.file(QStringLiteral("C:\\docs\\notes.txt"), 5);
    drives.directory(QStringLiteral("C:\\docs\\sub"));
    RecordingLauncher recorder;
    ScopedLauncher scope(recorder);

    EXPECT_TRUE(shellExecute(QString(), QStringLiteral("notes.txt"), QString(),
                             QStringLiteral("C:\\docs")));
    EXPECT_TRUE(shellExecute(QStringLiteral("explore"), QStringLiteral("sub"), QString(),
                             QStringLiteral("C:\\docs")));
    EXPECT_TRUE(shellExecute(QStringLiteral("open"), QStringLiteral("sh"), QStringLiteral("-c x"),
                             QStringLiteral("C:\\docs")));
    ASSERT_EQ(recorder.plans.size(), 3u);
    EXPECT_EQ(recorder.plans[0].kind, LaunchPlan::Kind::Document);
    EXPECT_EQ(recorder.plans[0].target, drives.host(QStringLiteral("C:\\docs\\notes.txt")));
    EXPECT_EQ(recorder.plans[1].kind, LaunchPlan::Kind::Directory);
    EXPECT_EQ(recorder.plans[2].kind, LaunchPlan::Kind::Program);
    EXPECT_TRUE(recorder.plans[2].program.endsWith(QStringLiteral("/sh")));
    EXPECT_EQ(recorder.plans[2].arguments, (QStringList{"-c", "x"}));

    // Nothing to start: a missing file, a bad quote, "explore" on a file, an
    // unmapped drive, a path that climbs out of its drive.
    recorder.plans.clear();
    EXPECT_FALSE(shellExecute(QStringLiteral("open"), QStringLiteral("gone.txt"), QString(),
                              QStringLiteral("C:\\docs")));
    EXPECT_FALSE(shellExecute(QStringLiteral("open"), QStringLiteral("sh"), QStringLiteral("'x"),
                              QStringLiteral("C:\\docs")));
    EXPECT_FALSE(shellExecute(QStringLiteral("explore"), QStringLiteral("notes.txt"), QString(),
                              QStringLiteral("C:\\docs")));
    EXPECT_FALSE(shellExecute(QStringLiteral("open"), QStringLiteral("Q:\\x"), QString(),
                              QStringLiteral("C:\\docs")));
    EXPECT_FALSE(shellExecute(QStringLiteral("open"), QStringLiteral("..\\..\\..\\etc\\passwd"),
                              QString(), QStringLiteral("C:\\docs")));
    EXPECT_TRUE(recorder.plans.empty());
}

TEST(ShellExecute, TheSystemLauncherStartsDetachedWithoutAShell)
{
    // A real start: the program writes its arguments; a shell would have
    // run the "touch" inside the argument.
    test::DriveFixture drives;
    drives.file(QStringLiteral("C:\\w\\echo.sh"), 0,
                "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > out.txt\n");
    makeExecutable(drives.host(QStringLiteral("C:\\w\\echo.sh")));
    ASSERT_TRUE(shellExecute(QStringLiteral("open"), QStringLiteral("echo.sh"),
                             QStringLiteral("'x; touch pwned' y"), QStringLiteral("C:\\w")));
    for (int i = 0; i < 200 && !drives.exists(QStringLiteral("C:\\w\\out.txt")); ++i)
        ::usleep(10000);
    for (int i = 0; i < 50 && drives.read(QStringLiteral("C:\\w\\out.txt")).count('\n') < 2; ++i)
        ::usleep(10000);
    EXPECT_EQ(drives.read(QStringLiteral("C:\\w\\out.txt")), QByteArray("x; touch pwned\ny\n"));
    EXPECT_FALSE(drives.exists(QStringLiteral("C:\\w\\pwned")));
}
