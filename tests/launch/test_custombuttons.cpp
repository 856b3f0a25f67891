// The custom button store: the bar's layout arithmetic, the sections a
// change writes, and what a click resolves to.
#include "launch/custombuttons.h"
#include "launch/linktarget.h"
#include "launch/shellexecute.h"
#include "launch/shelllink.h"
#include "launch/shortcuts.h"
#include "platform/settingsfile.h"
#include "shell/linkfiles.h"

#include "support/drivefixture.h"

#include <QFile>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

class ButtonsTest : public ::testing::Test {
protected:
    void ini(const QByteArray& text) { drives.writeSettings(text); }
    QByteArray iniText() const { return drives.settingsText(); }
    static QString value(int slot, const char* key)
    {
        return SettingsFile::readString(buttonSection(slot), QLatin1String(key), "(none)");
    }
    static ButtonSlots defined(std::initializer_list<int> numbers)
    {
        ButtonSlots s;
        for (int n : numbers)
            s[size_t(n - 1)].defined = true;
        return s;
    }
    test::DriveFixture drives;
};

} // namespace

TEST_F(ButtonsTest, LayoutGroupsButtonsAcrossUndefinedSlots)
{
    const ButtonLayout l = layoutButtons(defined({1, 2, 5}));
    EXPECT_EQ(l.left[0], 14);
    EXPECT_EQ(l.left[1], 39);
    EXPECT_EQ(l.left[4], 80);
    EXPECT_TRUE(l.visible[4] && !l.visible[2]);
    EXPECT_TRUE(l.separatorVisible[4]);
    EXPECT_EQ(l.separatorLeft[4], 75);
    EXPECT_FALSE(l.separatorVisible[0] || l.separatorVisible[1]);

    // With slot 1 undefined the first defined button has a line before it.
    const ButtonLayout g = layoutButtons(defined({3, 40}));
    EXPECT_EQ(g.left[2], 64 - 34);
    EXPECT_TRUE(g.separatorVisible[2]);
    EXPECT_EQ(g.left[39], 25 * 40 - 11 - 17 * 38);

    ButtonSlots all;
    for (auto& b : all)
        b.defined = true;
    const ButtonLayout full = layoutButtons(all);
    for (int j = 1; j <= 40; ++j) {
        EXPECT_EQ(full.left[size_t(j - 1)], 25 * j - 11);
        EXPECT_FALSE(full.separatorVisible[size_t(j - 1)]);
    }
}

TEST_F(ButtonsTest, DropPositionsFindTheirSlot)
{
    const ButtonLayout l = layoutButtons(defined({1, 2, 5}));
    EXPECT_EQ(dropTargetSlot(l, 20), 1);
    EXPECT_EQ(dropTargetSlot(l, 40), 2);
    // An edge belongs to no button; right of 11 that is slot 40.
    EXPECT_EQ(dropTargetSlot(l, 39), 40);
    // Hidden buttons count too, the first one found wins: slot 3 keeps its
    // place at 64 and covers the start of slot 5 at 80.
    EXPECT_EQ(dropTargetSlot(l, 70), 3);
    EXPECT_EQ(dropTargetSlot(l, 85), 3);
    EXPECT_EQ(dropTargetSlot(l, 90), 4);
    EXPECT_EQ(dropTargetSlot(l, 100), 5);
    EXPECT_EQ(dropTargetSlot(l, 5), 1);
    EXPECT_EQ(dropTargetSlot(l, 5000), 40);
}

TEST_F(ButtonsTest, ReadingFindsDefinedSlotsAndWritesMissingIcons)
{
    ini("[Button1]\nCommand=NetWork.lnk\nDirectory=C:\nText=Net\nPopup=1\n"
        "[Button3]\nCommand=xx\n"
        "[Button4]\nCommand=tool\nDirectory=C:\\\n"
        "[Button9]\nCommand=run\nDirectory=C:\\bin\nIcon=C:\\i.png\n");
    const ButtonSlots s = readButtons(true);
    EXPECT_TRUE(s[0].defined && s[0].Popup);
    EXPECT_EQ(s[0].Text, QStringLiteral("Net"));
    EXPECT_FALSE(s[2].defined); // a Command of "xx" reads as missing
    EXPECT_EQ(s[3].Text, QStringLiteral("Button"));
    EXPECT_EQ(s[3].Icon, QStringLiteral("C:\\tool"));
    EXPECT_EQ(value(1, "Icon"), QStringLiteral("C:\\NetWork.lnk"));
    EXPECT_EQ(value(4, "Icon"), QStringLiteral("C:\\tool"));
    EXPECT_EQ(value(9, "Icon"), QStringLiteral("C:\\i.png"));
}

TEST_F(ButtonsTest, DraggingSlot3OntoSlot7MovesAllButPopup)
{
    ini("[Button3]\nCommand=edit\nParameter=-n\nDirectory=C:\\bin\nAction=open\n"
        "Icon=C:\\e.png\nText=Editor\nPopup=1\n"
        "[Button7]\nCommand=old\nPopup=0\n");
    moveButton(3, 7);
    const ButtonSlots s = readButtons(false);
    EXPECT_FALSE(s[2].defined);
    EXPECT_FALSE(iniText().contains("[Button3]"));
    EXPECT_EQ(s[6].Command, QStringLiteral("edit"));
    EXPECT_EQ(s[6].Parameter, QStringLiteral("-n"));
    EXPECT_EQ(s[6].Directory, QStringLiteral("C:\\bin"));
    EXPECT_EQ(s[6].Action, QStringLiteral("open"));
    EXPECT_EQ(s[6].Icon, QStringLiteral("C:\\e.png"));
    EXPECT_EQ(s[6].Text, QStringLiteral("Editor"));
    EXPECT_FALSE(s[6].Popup);
    moveButton(7, 7);
    EXPECT_TRUE(readButtons(false)[6].defined);
}

TEST_F(ButtonsTest, CreateFromEntryAndDeleteWriteTheSection)
{
    ini("[Button2]\nPopup=1\n");
    createButtonFromEntry(2, QStringLiteral("C:\\apps"), QStringLiteral("NOTEPAD.EXE"));
    createButtonFromEntry(5, QStringLiteral("C:\\"), QStringLiteral("MyTool.sh"));
    const ButtonSlots s = readButtons(false);
    EXPECT_EQ(s[1].Text, QStringLiteral("Notepad"));
    EXPECT_EQ(s[1].Action, QStringLiteral("open"));
    EXPECT_EQ(s[1].Icon, QStringLiteral("C:\\apps\\NOTEPAD.EXE"));
    EXPECT_TRUE(s[1].Popup); // left as it was
    EXPECT_EQ(s[4].Text, QStringLiteral("MyTool"));
    EXPECT_EQ(s[4].Icon, QStringLiteral("C:\\MyTool.sh"));
    deleteButton(2);
    EXPECT_FALSE(readButtons(false)[1].defined);
    EXPECT_TRUE(readButtons(false)[4].defined);
}

TEST_F(ButtonsTest, AFailedWriteChangesNothing)
{
    ini("[Button3]\nCommand=edit\n");
    const QByteArray before = iniText();
    // A value that would not stay one line of the file is refused.
    CustomButton b;
    b.Command = QStringLiteral("two\nlines");
    EXPECT_THROW(writeButton(3, b), SettingsWriteError);
    EXPECT_EQ(value(3, "Command"), QStringLiteral("edit"));
    EXPECT_TRUE(iniText().startsWith(before));
}

TEST_F(ButtonsTest, ClickResolvesFoldersLinksAndPrograms)
{
    drives.directory(QStringLiteral("C:\\photos"));
    drives.file(QStringLiteral("C:\\bin\\tool"), 1);
    ButtonContext context;
    QStringList scanned;
    context.readLinkTarget = [&](const QString& p) {
        scanned << p;
        return launch::ReadLinkTarget(p, nullptr);
    };

    CustomButton folder;
    folder.defined = true;
    folder.Directory = QStringLiteral("C:\\");
    folder.Command = QStringLiteral("photos");
    ButtonRun run = planButtonRun(folder, QString(), context);
    EXPECT_EQ(run.kind, ButtonRun::Kind::OpenDirectory);
    EXPECT_EQ(run.directory, QStringLiteral("C:\\photos"));

    TShellLink link;
    link.Target = QStringLiteral("C:\\photos");
    ASSERT_TRUE(link.Save(QStringLiteral("C:\\bin\\Photos.lnk")).written);
    CustomButton viaLink = folder;
    viaLink.Directory = QStringLiteral("C:\\bin");
    viaLink.Command = QStringLiteral("Photos.LNK");
    run = planButtonRun(viaLink, QString(), context);
    EXPECT_EQ(scanned, QStringList{QStringLiteral("C:\\bin\\Photos.LNK")});
    EXPECT_EQ(run.kind, ButtonRun::Kind::Execute); // "Photos.LNK" is not "Photos.lnk" here
    viaLink.Command = QStringLiteral("Photos.lnk");
    run = planButtonRun(viaLink, QString(), context);
    EXPECT_EQ(run.kind, ButtonRun::Kind::OpenDirectory);
    EXPECT_EQ(run.directory, QStringLiteral("C:\\photos"));

    CustomButton tool = folder;
    tool.Directory = QStringLiteral("C:\\bin");
    tool.Command = QStringLiteral("tool");
    tool.Action = QStringLiteral("open");
    tool.Parameter = QStringLiteral("-a -b");
    run = planButtonRun(tool, QStringLiteral("  "), context);
    EXPECT_EQ(run.kind, ButtonRun::Kind::Execute);
    EXPECT_EQ(run.parameters, QStringLiteral("-a -b"));
    EXPECT_EQ(run.workingDirectory, QStringLiteral("C:\\bin"));
    // A dropped file replaces the parameters as exactly one word, whatever
    // its name holds.
    const QString hostile = QStringLiteral("/tmp/a;rm -rf ~ \"$(x)\" `y` \\z");
    run = planButtonRun(tool, hostile, context);
    EXPECT_EQ(launch::splitWords(run.parameters), QStringList{hostile});
}

TEST_F(ButtonsTest, DefaultButtonsOpenTheNetworkAndTheTrash)
{
    drives.directory(QStringLiteral("C:\\prog"));
    ASSERT_TRUE(writeMissingLinkFiles(drives.host(QStringLiteral("C:\\prog"))).ok());
    ButtonContext context;
    context.hostPath = [&](const QString& p) { return drives.host(p); };
    context.trashDirectory = [] { return QStringLiteral("C:\\.local\\share\\Trash\\files"); };
    CustomButton net;
    net.defined = true;
    net.Directory = QStringLiteral("C:\\prog");
    net.Command = QStringLiteral("NetWork.lnk");
    EXPECT_EQ(planButtonRun(net, QString(), context).kind, ButtonRun::Kind::OpenNetwork);
    CustomButton bin = net;
    bin.Command = QStringLiteral("Recycled.lnk");
    const ButtonRun run = planButtonRun(bin, QString(), context);
    EXPECT_EQ(run.kind, ButtonRun::Kind::OpenDirectory);
    EXPECT_EQ(run.directory, QStringLiteral("C:\\.local\\share\\Trash\\files"));
    context.trashDirectory = [] { return QString(); };
    EXPECT_EQ(planButtonRun(bin, QString(), context).kind, ButtonRun::Kind::Nothing);
}

TEST_F(ButtonsTest, AButtonsPathFindsItsHostFileOnADriveOrInTheProgramDirectory)
{
    const QString c = drives.root('C');
    EXPECT_EQ(buttonHostPath(R"(C:\a\NetWork.lnk)", "/prog", "/prog"), c + "/a/NetWork.lnk");
    // The program directory on a drive's root is named "C:".
    EXPECT_EQ(buttonHostPath("C:NetWork.lnk", "/prog", "C:"), c + "/NetWork.lnk");
    // Off the drives only the program directory's own files, either separator.
    EXPECT_EQ(buttonHostPath("/prog/NetWork.lnk", "/host/prog", "/prog"), "/host/prog/NetWork.lnk");
    EXPECT_EQ(buttonHostPath(R"(/prog\NetWork.lnk)", "/host/prog", "/prog"),
              "/host/prog/NetWork.lnk");
    for (const char* outside :
         {"/prog/sub/x.lnk", R"(/prog\..\x.lnk)", "/prog", "/progx/a.lnk", "/other/a.lnk"})
        EXPECT_EQ(buttonHostPath(outside, "/host/prog", "/prog"), QString()) << outside;
}
