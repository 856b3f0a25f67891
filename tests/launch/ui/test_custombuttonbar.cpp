// The custom button bar and the Config Speedbar dialog under the offscreen
// platform, on a bare bar with a scripted host.
#include "launch/ui/custombuttonbar.h"
#include "launch/ui/tform7.h"

#include "controls/tcoolpanel.h"
#include "controls/twin97button.h"
#include "launch/shellexecute.h"
#include "platform/drivemap.h"
#include "platform/settingsfile.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

class ButtonBarTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        bar.resize(1100, 32);
        ButtonBarHost host;
        host.activeInArchive = [this] { return inArchive; };
        host.activeDirectory = [this] { return directory; };
        host.cursorName = [this] { return cursor; };
        host.openInActivePanel = [this](const QString& d) { opened << d; };
        host.prompter = [this]() -> Prompter& { return prompter; };
        host.settingsWritable = [this] { return writable; };
        host.hostPath = [](const QString& p) {
            return DriveMap::instance().toHost(p).value_or(QString());
        };
        buttons = new CustomButtonBar(&bar, host);
    }
    void ini(const QByteArray& text) { drives.writeSettings(text); }
    QByteArray iniText() const { return drives.settingsText(); }
    static QString value(int slot, const char* key)
    {
        return SettingsFile::readString(buttonSection(slot), QLatin1String(key), "(none)");
    }
    static std::unique_ptr<QMimeData> panelDrag()
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(CustomButtonBar::kPanelMime, "1");
        return data;
    }

    test::DriveFixture drives;
    test::ScriptedPrompter prompter;
    QWidget bar;
    CustomButtonBar* buttons = nullptr;
    bool inArchive = false;
    bool writable = true;
    QString directory = QStringLiteral("C:\\docs");
    QString cursor;
    QStringList opened;
    launch::RecordingLauncher launcher;
    launch::ScopedLauncher scoped{launcher};
};

} // namespace

TEST_F(ButtonBarTest, BuildPlacesDefinedButtonsAndSeparators)
{
    ini("[Button1]\nCommand=a\nText=First\n[Button2]\nCommand=b\n[Button5]\nCommand=c\n");
    buttons->Build();
    EXPECT_EQ(buttons->button(1)->objectName(), QStringLiteral("Custom1"));
    EXPECT_EQ(buttons->separator(5)->objectName(), QStringLiteral("Tussenln5"));
    EXPECT_EQ(buttons->button(1)->geometry(), QRect(14, 3, 25, 25));
    EXPECT_EQ(buttons->button(2)->x(), 39);
    EXPECT_EQ(buttons->button(5)->x(), 80);
    EXPECT_EQ(buttons->button(1)->toolTip(), QStringLiteral("First"));
    EXPECT_EQ(buttons->button(2)->toolTip(), QStringLiteral("Button"));
    for (int j = 1; j <= 40; ++j) {
        EXPECT_EQ(buttons->button(j)->isVisibleTo(&bar), j == 1 || j == 2 || j == 5) << j;
        EXPECT_EQ(buttons->separator(j)->isVisibleTo(&bar), j == 5) << j;
    }
    EXPECT_EQ(buttons->separator(5)->x(), 75);
    EXPECT_EQ(buttons->button(3)->x(), 64); // hidden, where a drop still finds it
}

TEST_F(ButtonBarTest, ModeMenuSwitchesModesAndTheBarTakesDropsOnlyInDragMode)
{
    QMenu* menu = buttons->modeMenu();
    ASSERT_EQ(menu->actions().size(), 3);
    EXPECT_TRUE(menu->actions()[0]->isChecked());
    EXPECT_FALSE(bar.acceptDrops());
    menu->actions()[1]->trigger();
    EXPECT_EQ(buttons->mode(), CustomButtonBar::Mode::Drag);
    EXPECT_TRUE(bar.acceptDrops());
    EXPECT_FALSE(menu->actions()[0]->isChecked());
    menu->actions()[2]->trigger();
    EXPECT_EQ(buttons->mode(), CustomButtonBar::Mode::Config);
    EXPECT_FALSE(bar.acceptDrops());
    EXPECT_TRUE(menu->actions()[2]->isChecked());
}

TEST_F(ButtonBarTest, ClickStartsTheProgramWithItsWordsAndADropReplacesThem)
{
    drives.file(QStringLiteral("C:\\bin\\tool"), 1);
    QFile::setPermissions(drives.host(QStringLiteral("C:\\bin\\tool")),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    drives.file(QStringLiteral("C:\\docs\\a;rm -rf ~.txt"), 1);
    ini("[Button4]\nCommand=tool\nDirectory=C:\\bin\nParameter=-x \"two words\"\nAction=open\n");
    buttons->Build();
    buttons->button(4)->click();
    ASSERT_EQ(launcher.plans.size(), 1u);
    EXPECT_EQ(launcher.plans[0].program, drives.host(QStringLiteral("C:\\bin\\tool")));
    EXPECT_EQ(launcher.plans[0].arguments, (QStringList{"-x", "two words"}));

    // A panel entry dropped on the button in Normal mode: its path is the
    // one argument of that run only.
    cursor = QStringLiteral("a;rm -rf ~.txt");
    const auto data = panelDrag();
    buttons->DropOnBar(buttons->button(4), 5, data.get());
    ASSERT_EQ(launcher.plans.size(), 2u);
    EXPECT_EQ(launcher.plans[1].arguments,
              QStringList{drives.host(QStringLiteral("C:\\docs\\a;rm -rf ~.txt"))});
    EXPECT_TRUE(buttons->PendingDropFile.isEmpty());
    buttons->button(4)->click();
    EXPECT_EQ(launcher.plans[2].arguments, (QStringList{"-x", "two words"}));

    // On the bare bar, or from an archive, nothing happens.
    buttons->DropOnBar(&bar, 200, data.get());
    inArchive = true;
    buttons->DropOnBar(buttons->button(4), 5, data.get());
    EXPECT_EQ(launcher.plans.size(), 3u);
}

TEST_F(ButtonBarTest, AFolderButtonOpensTheFolderAndItsLinkMenu)
{
    drives.directory(QStringLiteral("C:\\menu\\sub"));
    drives.file(QStringLiteral("C:\\menu\\Notes.lnk"), 1);
    ini("[Button1]\nCommand=menu\nDirectory=C:\\\n[Button2]\nCommand=menu\nDirectory=C:\\\nPopup=1\n");
    buttons->Build();
    buttons->button(1)->click();
    EXPECT_EQ(opened, QStringList{QStringLiteral("C:\\menu")});
    EXPECT_EQ(buttons->button(1)->DropMenu(), nullptr);
    QMenu* menu = buttons->button(2)->DropMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(buttons->button(2)->PopupMark());
    emit menu->aboutToShow();
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QStringLiteral("Notes"));
}

TEST_F(ButtonBarTest, DragModeMovesSlot3OntoSlot7AndCreatesFromEntries)
{
    ini("[Button3]\nCommand=edit\nText=Editor\nPopup=1\n[Button7]\nCommand=old\nPopup=0\n");
    buttons->Build();
    buttons->SetMode(CustomButtonBar::Mode::Drag);
    QMimeData moved;
    moved.setData(CustomButtonBar::kButtonMime, "3");
    buttons->DropOnBar(buttons->button(7), 4, &moved);
    EXPECT_FALSE(buttons->slot(3).defined);
    EXPECT_EQ(buttons->slot(7).Command, QStringLiteral("edit"));
    EXPECT_FALSE(buttons->slot(7).Popup);
    EXPECT_FALSE(buttons->button(3)->isVisibleTo(&bar));
    EXPECT_TRUE(buttons->button(7)->isVisibleTo(&bar));

    // An entry dropped on empty bar space becomes the button of that slot;
    // over a separator the position is taken in bar coordinates.
    cursor = QStringLiteral("README.TXT");
    const auto data = panelDrag();
    buttons->DropOnBar(&bar, buttons->button(1)->x() + 3, data.get());
    EXPECT_EQ(value(1, "Text"), QStringLiteral("Readme"));
    EXPECT_EQ(value(1, "Directory"), QStringLiteral("C:\\docs"));
    EXPECT_EQ(value(1, "Action"), QStringLiteral("open"));
    EXPECT_TRUE(launcher.plans.empty());
    buttons->DeleteButton(1);
    EXPECT_FALSE(buttons->slot(1).defined);
}

TEST_F(ButtonBarTest, ConfigModeEditsInTheDialogAndCancelChangesNothing)
{
    ini("[Button2]\nCommand=a\nDirectory=C:\\\nText=A\n");
    buttons->Build();
    buttons->SetMode(CustomButtonBar::Mode::Config);
    TForm7* form = buttons->configDialog();
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Config Speedbar"));
    QTimer::singleShot(0, form, [form] {
        EXPECT_EQ(form->Edit1->text(), QStringLiteral("A"));
        form->Edit1->setText(QStringLiteral("Renamed"));
        form->ComboBox1->setEditText(QStringLiteral("Print"));
        form->CheckBox1->setChecked(true);
        form->BitBtn2->click();
    });
    buttons->button(2)->click();
    EXPECT_EQ(value(2, "Text"), QStringLiteral("A"));
    EXPECT_TRUE(launcher.plans.empty());

    QTimer::singleShot(0, form, [form] {
        form->Edit1->setText(QStringLiteral("Renamed"));
        form->ComboBox1->setEditText(QStringLiteral("Print"));
        form->CheckBox1->setChecked(true);
        // The file browser fills Command and Directory, and Icon while empty.
        form->Edit4->clear();
        form->chooseFile = [](const QString&) { return QStringLiteral("C:\\bin\\prog.sh"); };
        form->BrowseFile->click();
        form->BitBtn1->click();
    });
    buttons->button(2)->click();
    EXPECT_EQ(value(2, "Text"), QStringLiteral("Renamed"));
    EXPECT_EQ(value(2, "Action"), QStringLiteral("Print"));
    EXPECT_EQ(value(2, "Popup"), QStringLiteral("1"));
    EXPECT_EQ(value(2, "Command"), QStringLiteral("prog.sh"));
    EXPECT_EQ(value(2, "Directory"), QStringLiteral("C:\\bin"));
    EXPECT_EQ(value(2, "Icon"), QStringLiteral("C:\\bin\\prog.sh"));
    EXPECT_EQ(buttons->button(2)->toolTip(), QStringLiteral("Renamed"));
}

TEST_F(ButtonBarTest, ASettingsFileThatCannotBeReadIsNeverWritten)
{
    ini("[Button3]\nCommand=edit\n");
    writable = false;
    buttons->Build();
    buttons->SetMode(CustomButtonBar::Mode::Drag);
    cursor = QStringLiteral("x.txt");
    const auto data = panelDrag();
    buttons->DropOnBar(buttons->button(9), 3, data.get());
    EXPECT_EQ(value(9, "Command"), QStringLiteral("(none)"));
    EXPECT_EQ(prompter.asked().size(), 1);
    EXPECT_EQ(value(3, "Command"), QStringLiteral("edit"));
}
