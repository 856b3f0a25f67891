#include "platform/settingsfile.h"
#include "shell/linkfiles.h"
#include "shell/mainsettings.h"

#include "support/drivefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

class SettingsTest : public ::testing::Test {
protected:
    test::DriveFixture drives;
    QString ini() const { return drives.windowsDir() + QStringLiteral("/Dovex.Ini"); }
    void write(const QByteArray& text)
    {
        QFile f(ini());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QByteArray read() const
    {
        QFile f(ini());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

} // namespace

TEST_F(SettingsTest, AFileWithoutKeysGivesTheDefaults)
{
    write("[Unrelated]\nx=1\n");
    MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
    readShowSettings(s);
    EXPECT_EQ(s.dir1, "C:\\");
    EXPECT_EQ(s.dir2, "C:\\");
    EXPECT_EQ(s.characters, 16);
    EXPECT_FALSE(s.showModeNormal);
    EXPECT_EQ(s.useIcons, 2);
    EXPECT_TRUE(s.statusBar);
    EXPECT_TRUE(s.speedbar);
    EXPECT_TRUE(s.showIntro);
    EXPECT_FALSE(s.showCopySpeed);
    EXPECT_TRUE(s.full1);
    EXPECT_TRUE(s.full2);
    EXPECT_FALSE(s.treeView);
    EXPECT_FALSE(s.exOnEnter);
    EXPECT_EQ(s.sortMeth1, 0);
    EXPECT_EQ(s.sortMeth2, 0);
    EXPECT_EQ(s.fontName, "MS Sans Serif");
    EXPECT_EQ(s.fontSize, 8);
    EXPECT_EQ(s.fontStyle, FontStyle::Regular);
    EXPECT_EQ(s.itemHeight, 17);
    EXPECT_EQ(s.bounds, QRect(20, 91, 750, 444));
    EXPECT_TRUE(s.maximized);
    EXPECT_FALSE(s.toolsSeek);
    EXPECT_EQ(read(), "[Unrelated]\nx=1\n"); // reading never writes
}

TEST_F(SettingsTest, AMalformedIntegerNamesSectionKeyAndValue)
{
    write("[Panels]\nCharacters=abc\n");
    try {
        readCreationSettings(QRect());
        FAIL() << "no error";
    } catch (const SettingsError& e) {
        EXPECT_EQ(e.section(), "Panels");
        EXPECT_EQ(e.key(), "Characters");
        EXPECT_EQ(e.value(), "abc");
        EXPECT_TRUE(e.message().contains("\"abc\""));
        EXPECT_TRUE(e.message().contains("Characters"));
        EXPECT_TRUE(e.message().contains("[Panels]"));
    }
    for (const char* bad :
         {"[Setting]\nLeft=1.5\n", "[Font]\nSize=\n", "[Settings]\nSortMeth2=0x4\n"}) {
        write(bad);
        EXPECT_THROW(readCreationSettings(QRect()), SettingsError) << bad;
    }
}

TEST_F(SettingsTest, BooleansAcceptAnyNumberAndFallBackOnText)
{
    write("[Settings]\nStatusBar=0x0\nSpeedbar=7\nShowIntro=yes\n");
    const MainSettings s = readCreationSettings(QRect());
    EXPECT_FALSE(s.statusBar);
    EXPECT_TRUE(s.speedbar);
    EXPECT_TRUE(s.showIntro);
}

TEST_F(SettingsTest, ItalicReplacesBoldAndIsWrittenBackAlone)
{
    write("[Font]\nBold=True\nItalic=True\n");
    MainSettings s = readCreationSettings(QRect());
    EXPECT_EQ(s.fontStyle, FontStyle::Italic);
    writeQuitSettings(s, "C:\\prog");
    EXPECT_EQ(SettingsFile::readString("Font", "Bold", ""), "False");
    EXPECT_EQ(SettingsFile::readString("Font", "Italic", ""), "True");
    s.fontStyle = FontStyle::BoldItalic;
    writeQuitSettings(s, "C:\\prog");
    EXPECT_EQ(SettingsFile::readString("Font", "Bold", ""), "False");
    EXPECT_EQ(SettingsFile::readString("Font", "Italic", ""), "False");
}

TEST_F(SettingsTest, QuitWritesTheKeysInOrderAndKeepsOtherLines)
{
    write("; kept\n[Settings]\nStatusBar=1\n[Packer1]\nName=ARJ\n");
    MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
    s.dir1 = "C:\\work";
    s.sortMeth2 = 4;
    writeQuitSettings(s, "C:\\prog");
    const QString text = QString::fromUtf8(read());
    EXPECT_TRUE(text.startsWith("; kept\n[Settings]\nStatusbar=1\n"));
    EXPECT_EQ(text.count("tatus"), 1); // replaced, not added
    EXPECT_TRUE(text.contains("[Packer1]\nName=ARJ\n"));
    const QStringList order = {
        "SortMeth1=",     "SortMeth2=4", "Speedbar=",  "Full1=",     "Full2=",
        "ShowcopySpeed=", "TreeView=",   "ShowIntro=", "ExOnEnter=", "UseIcons=2"};
    int at = text.indexOf("Statusbar");
    for (const QString& key : order) {
        const int next = text.indexOf(key);
        ASSERT_GE(next, 0) << key.toStdString();
        EXPECT_GT(next, at) << key.toStdString();
        at = next;
    }
    EXPECT_LT(text.indexOf("Dir1=C:\\work"), text.indexOf("[Settings]") + 1000);
    EXPECT_TRUE(
        text.contains("[Setting]\nTop=91\nLeft=20\nWidth=750\nHeight=444\nState=Maximized"));
    EXPECT_TRUE(text.contains("[Button1]\nCommand=NetWork.lnk\nParameter=\nDirectory=C:\\prog\n"
                              "Action=\nIcon=C:\\prog\\NetWork.lnk\nText=Network Neighborhood"));
    EXPECT_TRUE(text.contains("[Button2]\nCommand=Recycled.lnk"));
}

TEST_F(SettingsTest, ExistingButtonsAreNeverOverwritten)
{
    write("[Button1]\nCommand=mine.exe\nText=Mine\n");
    writeQuitSettings(MainSettings{}, "C:\\prog");
    EXPECT_EQ(SettingsFile::readString("Button1", "Command", ""), "mine.exe");
    EXPECT_EQ(SettingsFile::readString("Button1", "Icon", "none"), "none");
    EXPECT_EQ(SettingsFile::readString("Button2", "Text", ""), "Recycle Bin");
}

TEST_F(SettingsTest, DefaultButtonIconsOffTheDrivesUseOneSeparator)
{
    writeQuitSettings(MainSettings{}, "/opt/dovex home");
    EXPECT_EQ(SettingsFile::readString("Button1", "Icon", ""), "/opt/dovex home/NetWork.lnk");
    EXPECT_EQ(SettingsFile::readString("Button2", "Icon", ""), "/opt/dovex home/Recycled.lnk");
}

TEST_F(SettingsTest, NormalStateKeepsTheStoredBounds)
{
    write("[Setting]\nState=Normal\nLeft=-30\nTop=5\nWidth=600\nHeight=400\n");
    const MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
    EXPECT_FALSE(s.maximized);
    EXPECT_EQ(s.bounds, QRect(-30, 5, 600, 400)); // the window clamps Left to 0
}

TEST(LinkFiles, AreOneHundredBytesInTheShellLinkLayout)
{
    const QByteArray link = folderLinkBytes("{208D2C60-3AEA-1069-A2D7-08002B30309D}");
    ASSERT_EQ(link.size(), 100);
    EXPECT_EQ(link.left(4), QByteArray::fromHex("4c000000"));
    EXPECT_EQ(link.mid(4, 16), QByteArray::fromHex("0114020000000000c000000000000046"));
    EXPECT_EQ(link.mid(0x14, 4), QByteArray::fromHex("01000000"));
    EXPECT_EQ(link.mid(0x3C, 4), QByteArray::fromHex("01000000"));
    EXPECT_EQ(link.mid(0x4C, 6), QByteArray::fromHex("160014001f00"));
    EXPECT_EQ(link.mid(0x52, 16), QByteArray::fromHex("602c8d20ea3a6910a2d708002b30309d"));
    EXPECT_EQ(link.mid(0x62, 2), QByteArray(2, '\0'));
}

TEST(LinkFiles, MissingOnesAreWrittenAndExistingOnesKept)
{
    test::DriveFixture drives;
    {
        QFile f(drives.programDir() + "/Recycled.Lnk");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("mine");
    }
    ASSERT_TRUE(writeMissingLinkFiles(drives.programDir()).ok());
    EXPECT_EQ(QFile(drives.programDir() + "/NetWork.Lnk").size(), 100);
    EXPECT_EQ(QFile(drives.programDir() + "/Recycled.Lnk").size(), 4);
}

TEST_F(SettingsTest, AFileThatCannotBeReadGivesDefaultsAndIsNeverWritten)
{
    // A directory in the file's place cannot be read, not even by root.
    ASSERT_TRUE(QDir().mkpath(ini()));
    {
        QFile f(ini() + "/mine");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("keep");
    }
    MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
    readShowSettings(s);
    EXPECT_EQ(s.unreadable, QString::fromLocal8Bit(std::strerror(EISDIR)));
    EXPECT_EQ(s.dir1, "C:\\");
    EXPECT_EQ(s.characters, 16);
    const QString message = SettingsFile::unreadableMessage(s.unreadable);
    EXPECT_TRUE(message.contains(ini())) << message.toStdString();
    EXPECT_TRUE(message.contains(s.unreadable));

    s.dir1 = "C:\\work";
    s.characters = 25;
    EXPECT_NO_THROW(writeQuitSettings(s, "C:\\prog"));
    EXPECT_NO_THROW(writePanelWidth(s));
    EXPECT_THROW(SettingsFile::writeString("Panels", "Dir1", "C:\\x"), SettingsWriteError);
    EXPECT_TRUE(QFileInfo(ini()).isDir());
    EXPECT_EQ(QDir(ini()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"mine"});
}

TEST_F(SettingsTest, AMissingFileGivesDefaultsAndIsCreatedAtQuit)
{
    MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
    EXPECT_TRUE(s.unreadable.isEmpty());
    s.dir2 = "C:\\two";
    writeQuitSettings(s, "C:\\prog");
    EXPECT_TRUE(read().startsWith("[Panels]\nDir1=C:\\\nDir2=C:\\two\nShowMode=FileType\n\n"
                                  "[Settings]\nSortMeth1=0\n"))
        << read().toStdString();
    EXPECT_EQ(readCreationSettings(QRect()).dir2, "C:\\two");
}

TEST_F(SettingsTest, AValueThatCannotBeStoredKeepsItsOldOneAndTheRestIsWritten)
{
    write("[Panels]\nDir1=C:\\old\n");
    MainSettings s = readCreationSettings(QRect(20, 91, 750, 444));
    s.dir1 = "C:\\new\n[Settings]"; // a directory name may hold a line break
    s.sortMeth1 = 3;
    try {
        writeQuitSettings(s, "C:\\prog");
        FAIL() << "no error";
    } catch (const SettingsWriteError& e) {
        EXPECT_TRUE(QString::fromStdString(e.what()).contains("Dir1")) << e.what();
    }
    EXPECT_EQ(SettingsFile::readString("Panels", "Dir1", ""), "C:\\old");
    EXPECT_EQ(SettingsFile::readString("Settings", "SortMeth1", ""), "3");
    EXPECT_EQ(QString::fromUtf8(read()).count("[Settings]"), 1);
}
