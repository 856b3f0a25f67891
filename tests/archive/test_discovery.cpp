// The search for archiver programs over temporary drives, with PATH pointed
// at an empty directory so that the machine's own archivers do not count.
#include "archive/discovery.h"
#include "platform/drivemap.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

class DiscoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_oldPath = qgetenv("PATH");
        qputenv("PATH", QFile::encodeName(m_emptyPath.path()));
        if (DriveMap::instance().kind('C') != DriveKind::Fixed &&
            DriveMap::instance().kind('C') != DriveKind::Removable)
            GTEST_SKIP() << "the temporary drives are not on a disk here";
    }
    void TearDown() override { qputenv("PATH", m_oldPath); }

    void program(const QString& dosPath, bool executable = true)
    {
        drives.file(dosPath, 0, "#!/bin/sh\nexit 0\n");
        QFile::setPermissions(drives.host(dosPath),
                              executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                         : QFile::ReadOwner | QFile::WriteOwner);
    }
    QString programDir() const { return drives.programDir(); }

    DriveFixture drives{QStringLiteral("CDE")};
    ScriptedPrompter prompter;
    QTemporaryDir m_emptyPath;
    QByteArray m_oldPath;
};

TEST_F(DiscoveryTest, TheLowerDriveWinsAndTheProgramIsLinkedIn)
{
    program("E:\\bin\\arj");
    program("D:\\tools\\deep\\arj");
    program("D:\\tools\\lha", false); // not executable: not a program
    program("E:\\x\\lha");
    ArchiverDiscovery d(prompter, programDir());
    QStringList shown;
    d.installing = [&](const QString& line) { shown << line; };
    EXPECT_EQ(d.FindOnLocalDisks("arj"), "d:\\tools\\deep\\arj"); // letters c to w, as walked
    EXPECT_EQ(d.FindOnLocalDisks("zoo"), "[None]");

    prompter.script({Answer::Yes});
    d.SearchArchivers();
    EXPECT_EQ(prompter.texts(),
              QStringList{"Would you like to search your disk(s) for Compression Tools?"});
    EXPECT_EQ(shown, QStringList{"From " + programDir()});
    EXPECT_EQ(QFileInfo(programDir() + "/arj").symLinkTarget(),
              drives.host("D:\\tools\\deep\\arj"));
    EXPECT_EQ(QFileInfo(programDir() + "/lha").symLinkTarget(), drives.host("E:\\x\\lha"));
    EXPECT_TRUE(d.isPresent("arj"));

    // Everything found is now present: nothing new the second time.
    prompter.clear();
    ArchiverDiscovery again(prompter, programDir());
    prompter.script({Answer::Yes});
    again.SearchArchivers();
    EXPECT_EQ(prompter.texts(),
              (QStringList{"Would you like to search your disk(s) for Compression Tools?",
                           "No new compression utilities found."}));
}

TEST_F(DiscoveryTest, NoEndsAtOnceAndPathCountsAsPresent)
{
    program("D:\\zip");
    ArchiverDiscovery d(prompter, programDir());
    prompter.script({Answer::No});
    d.SearchArchivers();
    EXPECT_EQ(prompter.asked().size(), 1);
    EXPECT_FALSE(QFileInfo::exists(programDir() + "/zip"));

    qputenv("PATH", QFile::encodeName(drives.root('D')));
    EXPECT_TRUE(d.isPresent("zip"));
    EXPECT_FALSE(d.InstallArchiver("zip"));
    EXPECT_FALSE(QFileInfo(programDir() + "/zip").isSymLink());

    // A link whose program went away counts as missing and is made again.
    program("E:\\unzip");
    ASSERT_TRUE(d.InstallArchiver("unzip"));
    QFile::remove(drives.host("E:\\unzip"));
    EXPECT_FALSE(d.isPresent("unzip"));
    program("D:\\sub\\unzip");
    EXPECT_TRUE(d.InstallArchiver("unzip"));
    EXPECT_EQ(QFileInfo(programDir() + "/unzip").symLinkTarget(), drives.host("D:\\sub\\unzip"));
}

} // namespace

} // namespace dovex::test
