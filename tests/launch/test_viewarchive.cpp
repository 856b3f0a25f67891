#include "archive/archivekind.h"
#include "archive/ops/archiveprogress.h"
#include "launch/viewer.h"
#include "platform/drivemap.h"
#include "platform/process.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace dovex;

namespace {

// Archives made by the real archivers, with the program directory (and its
// "temp") on drive P.
struct ViewArchive : ::testing::Test {
    test::DriveFixture drives;
    test::ScriptedPrompter prompter;
    SilentArchiveProgress progress;
    ViewArchive()
    {
        drives.file(QStringLiteral("C:\\src\\look.txt"), 0, "look at me");
        qputenv(
            "DOVEX_DRIVES",
            ("C=" + drives.host(QStringLiteral("C:\\")) + ";P=" + drives.programDir()).toUtf8());
        DriveMap::instance().reload();
        qputenv("DOVEX_HOME", drives.programDir().toUtf8());
    }
    bool make(const QString& program, const QStringList& args)
    {
        process::Spec spec;
        spec.program = program;
        spec.arguments = args;
        spec.workingDirectory = drives.host(QStringLiteral("C:\\src"));
        const process::Outcome o = process::run(spec);
        return o.ending == process::Ending::Exited && o.exitCode == 0;
    }
    void expectViewed(const QString& archive, QChar kind)
    {
        QString toDelete;
        const auto dos = launch::extractMemberForView(
            archive, kind, QString(), QStringLiteral("look.txt"), prompter, progress, toDelete);
        ASSERT_TRUE(dos) << prompter.texts().join('\n').toStdString();
        EXPECT_EQ(*dos, QStringLiteral("P:\\temp\\look.txt"));
        QFile f(drives.programDir() + QStringLiteral("/temp/look.txt"));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("look at me"));
        EXPECT_EQ(toDelete, drives.programDir() + QStringLiteral("/temp/look.txt"));
        // A member that is not there: "Cannot view", nothing to delete.
        prompter.clear();
        EXPECT_FALSE(launch::extractMemberForView(
            archive, kind, QString(), QStringLiteral("nothere.txt"), prompter, progress, toDelete));
        EXPECT_TRUE(prompter.texts().contains(QStringLiteral("Cannot view nothere.txt")));
        EXPECT_TRUE(toDelete.isEmpty());
    }
};

} // namespace

TEST_F(ViewArchive, ZipMember)
{
    ASSERT_TRUE(
        make(QStringLiteral("zip"), {QStringLiteral("-q"), drives.host(QStringLiteral("C:\\a.zip")),
                                     QStringLiteral("look.txt")}));
    expectViewed(QStringLiteral("C:\\a.zip"), kKindZip);
}

TEST_F(ViewArchive, ArjMemberReplacingAnEarlierExtract)
{
    if (process::findExecutable(QStringLiteral("arj")).isEmpty())
        GTEST_SKIP() << "arj is not installed";
    ASSERT_TRUE(make(QStringLiteral("arj"),
                     {QStringLiteral("a"), QStringLiteral("-y"),
                      drives.host(QStringLiteral("C:\\a.arj")), QStringLiteral("look.txt")}));
    QDir().mkpath(drives.programDir() + QStringLiteral("/temp"));
    QFile old(drives.programDir() + QStringLiteral("/temp/look.txt"));
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an old view");
    old.close();
    expectViewed(QStringLiteral("C:\\a.arj"), kKindArj);
}
