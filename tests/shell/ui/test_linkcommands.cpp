// The main window's Create Link Shortcut, special-folder menus and custom
// buttons.
#include "shell/ui/tform1.h"

#include "controls/twin97button.h"
#include "fileops/ui/fileoperations.h"
#include "fileops/ui/tform3.h"
#include "launch/linktarget.h"
#include "launch/shellexecute.h"
#include "launch/ui/custombuttonbar.h"
#include "panels/ui/panellist.h"
#include "shell/linkfiles.h"
#include "shell/mainsettings.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "windowtest.h"

#include <gtest/gtest.h>

using namespace dovex;

namespace {

class LinkCommandsTest : public test::WindowTest {
protected:
    // Answers the operation dialog with text in its field and OK.
    void answerDialog(TForm1& form, const QString& text)
    {
        QTimer::singleShot(0, &form, [&form, text] {
            TForm3& d = operationDialog(&form);
            dialogTitle = d.windowTitle();
            dialogLabel = d.Label1->text();
            d.Edit1->setText(text);
            d.BitBtn1->click();
        });
    }

    static inline QString dialogTitle, dialogLabel;
};

} // namespace

TEST_F(LinkCommandsTest, ShiftF9LinksTheCursorEntryIntoTheOtherPanel)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=C:\\src\nDir2=D:\\\n");
    drives.file("C:\\src\\REPORT.DOC", 5);
    auto form = start();
    form->list(1)->setCursor(row(form->panel(1), "REPORT.DOC"));
    answerDialog(*form, "D:\\no such folder");
    QAction* command = form->command(Cmd::CreateLinkShortcut);
    ASSERT_TRUE(command && command->isEnabled());
    EXPECT_EQ(command->shortcut(), QKeySequence("Shift+F9"));
    command->trigger();
    EXPECT_EQ(dialogTitle, "Create link to REPORT.DOC");
    EXPECT_EQ(dialogLabel, "Create Link to REPORT.DOC to:");
    // A directory that does not exist leaves the other panel's.
    ASSERT_TRUE(drives.exists("D:\\Report.lnk"));
    EXPECT_GE(row(form->panel(2), "Report.lnk"), 0);
    EXPECT_EQ(form->activePanel(), 1);
    EXPECT_EQ(launch::ReadLinkTarget("D:\\Report.lnk", nullptr), "C:\\src\\REPORT.DOC");

    // A typed directory that exists takes the shortcut.
    drives.directory("C:\\links");
    answerDialog(*form, "C:\\links");
    command->trigger();
    EXPECT_TRUE(drives.exists("C:\\links\\Report.lnk"));
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(LinkCommandsTest, TheRightDriveBoxOpensASpecialFolderInItsPanelOnly)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=C:\\\nDir2=C:\\\n");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(drives.host("D:\\data")));
    drives.directory("D:\\data\\applications");
    auto form = start();
    ASSERT_EQ(form->activePanel(), 1);
    QComboBox* box = form->driveBox(2);
    QMenu* menu = nullptr;
    QTimer::singleShot(0, form.get(), [&] {
        for (QMenu* m : form->findChildren<QMenu*>())
            if (m->isVisible())
                menu = m;
        if (menu)
            menu->close();
    });
    emit box->customContextMenuRequested(QPoint(2, 2));
    QTest::qWait(20);
    ASSERT_NE(menu, nullptr);
    QStringList captions;
    for (QAction* a : menu->actions())
        captions << a->text();
    EXPECT_EQ(captions, (QStringList{"DeskTop Directory", "Personal Documents", "Recent Documents",
                                     "Start Menu", "Programs Menu"}));
    EXPECT_EQ(menu->defaultAction(), menu->actions()[0]);
    menu->actions()[3]->trigger();
    EXPECT_EQ(form->panel(2).path, "D:\\data\\applications");
    EXPECT_EQ(form->panel(1).path, "C:\\");
    EXPECT_EQ(form->activePanel(), 1);
    if (oldData.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
}

TEST_F(LinkCommandsTest, DefaultButtonsAreOnTheBarAfterAQuitAndRecycleBinOpensTheTrash)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Button4]\nCommand=x\nDirectory=C:\\\n");
    const QByteArray oldData = qgetenv("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", QFile::encodeName(drives.host("D:\\data")));
    drives.directory("D:\\data\\Trash\\files");
    {
        auto form = start();
        CustomButtonBar& bar = form->customButtons();
        EXPECT_TRUE(bar.button(4)->isVisibleTo(form.get()));
        EXPECT_EQ(bar.button(4)->x(), 4 * 25 - 11 - 3 * 17);
        EXPECT_EQ(bar.button(4)->parentWidget()->objectName(), "CoolPanel1");
        // What quitting writes (Quit itself ends the application's loop).
        writeQuitSettings(form->settings(), programDirectoryName(drives.programDir()));
    }
    auto form = start();
    CustomButtonBar& bar = form->customButtons();
    EXPECT_EQ(bar.button(1)->toolTip(), "Network Neighborhood");
    EXPECT_EQ(bar.button(2)->toolTip(), "Recycle Bin");
    EXPECT_EQ(bar.button(4)->x(), 4 * 25 - 11 - 17);
    launch::RecordingLauncher launcher;
    launch::ScopedLauncher scoped(launcher);
    bar.button(2)->click();
    EXPECT_EQ(form->panel(1).path, "D:\\data\\Trash\\files");
    EXPECT_TRUE(launcher.plans.empty());
    if (oldData.isEmpty())
        qunsetenv("XDG_DATA_HOME");
    else
        qputenv("XDG_DATA_HOME", oldData);
}

TEST_F(LinkCommandsTest, AButtonDroppedOnAPanelIsDeleted)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Button6]\nCommand=x\nDirectory=C:\\\n");
    auto form = start();
    CustomButtonBar& bar = form->customButtons();
    ASSERT_TRUE(bar.slot(6).defined);
    QWidget* target = form->list(2)->viewport();
    QMimeData data;
    data.setData(CustomButtonBar::kButtonMime, "6");
    QDragEnterEvent enter(QPoint(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(5, 5), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_FALSE(bar.slot(6).defined);
    EXPECT_FALSE(bar.button(6)->isVisibleTo(form.get()));
}
