#include "platform/profile.h"

#include "support/drivefixture.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

void writeFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class ProfileTest : public ::testing::Test {
protected:
    test::DriveFixture drives;
    QString ini() const { return drives.windowsDir() + QStringLiteral("/Dovex.Ini"); }
};

} // namespace

TEST_F(ProfileTest, MissingFileSectionOrKeyGiveTheDefault)
{
    EXPECT_EQ(profileString("Panels", "Dir1", "C:\\", "Dovex.Ini"), "C:\\");
    writeFile(ini(), "[Other]\nDir1=D:\\\n");
    EXPECT_EQ(profileString("Panels", "Dir1", "C:\\", "Dovex.Ini"), "C:\\");
    EXPECT_EQ(profileString("Other", "Dir2", "x", "Dovex.Ini"), "x");
    EXPECT_FALSE(QFile::exists(drives.windowsDir() + "/Nothing.ini"));
}

TEST_F(ProfileTest, NamesMatchWithoutRegardToCase)
{
    writeFile(ini(), "; comment\n[settings]\n  StatusBar = 0 \nEmpty=\n");
    EXPECT_EQ(profileString("Settings", "statusbar", "1", "Dovex.Ini"), "0");
    EXPECT_EQ(profileString("SETTINGS", "Empty", "d", "Dovex.Ini"), "");
}

TEST_F(ProfileTest, ReadsAreCutAt1023Bytes)
{
    writeFile(ini(), "[A]\nK=" + QByteArray(3000, 'x') + "\n");
    EXPECT_EQ(profileString("A", "K", "", "Dovex.Ini").size(), 1023);
}

TEST_F(ProfileTest, WriteReplacesInPlaceAndKeepsEveryOtherLine)
{
    const QByteArray before = "; my notes\n[Settings]\nStatusBar=1\nOwnKey=keep me\n\n[Mine]\nX=1\n";
    writeFile(ini(), before);
    ASSERT_TRUE(writeProfileString("Settings", "Statusbar", "0", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()),
              "; my notes\n[Settings]\nStatusbar=0\nOwnKey=keep me\n\n[Mine]\nX=1\n");
}

TEST_F(ProfileTest, NewKeysJoinTheirSectionAndNewSectionsGoLast)
{
    writeFile(ini(), "[A]\nK=1\n\n[B]\nL=2\n");
    ASSERT_TRUE(writeProfileString("a", "New", "v", "Dovex.Ini").ok());
    ASSERT_TRUE(writeProfileString("C", "M", "3", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[A]\nK=1\nNew=v\n\n[B]\nL=2\n\n[C]\nM=3\n");
    EXPECT_EQ(profileString("A", "new", "", "Dovex.Ini"), "v");
}

TEST_F(ProfileTest, CarriageReturnLineEndsAreKept)
{
    writeFile(ini(), "[A]\r\nK=1\r\n");
    ASSERT_TRUE(writeProfileString("A", "K", "2", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[A]\r\nK=2\r\n");
}

TEST_F(ProfileTest, EraseSectionRemovesOnlyThatSection)
{
    writeFile(ini(), "[Button3]\nText=a\nCommand=b\n[Button4]\nText=c\n");
    ASSERT_TRUE(eraseProfileSection("button3", "Dovex.Ini").ok());
    EXPECT_EQ(readFile(ini()), "[Button4]\nText=c\n");
}

TEST_F(ProfileTest, AnUnwritableFileIsReportedAndLeftAlone)
{
    writeFile(ini(), "[A]\nK=1\n");
    QFile::setPermissions(drives.windowsDir(), QFile::ReadOwner | QFile::ExeOwner);
    const Result r = writeProfileString("A", "K", "2", "Dovex.Ini");
    QFile::setPermissions(drives.windowsDir(),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes anywhere";
    EXPECT_FALSE(r.ok());
    EXPECT_TRUE(r.error().contains("Dovex.Ini"));
    EXPECT_EQ(readFile(ini()), "[A]\nK=1\n");
}
