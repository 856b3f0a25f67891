// Drags and drops in the main window, sent as real drag events with real
// mime data: lists, drive bars, the command line, the drop menu, the toolbar
// strip and files from other programs.
#include "shell/ui/tform1.h"

#include "controls/tcoolpanel.h"
#include "controls/tdrivebar.h"
#include "controls/twin97button.h"
#include "fileops/dragdrop.h"
#include "fileops/ui/tform3.h"
#include "launch/shellexecute.h"
#include "launch/ui/custombuttonbar.h"
#include "panels/ui/panellist.h"
#include "platform/drivemap.h"
#include "platform/hostname.h"
#include "shell/ui/commandline.h"

#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

using namespace dovex;

namespace {

class DragDropTest : public test::WindowTest {
protected:
    void SetUp() override
    {
        ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=C:\\\nDir2=D:\\\n");
        drives.file("C:\\a.txt", 10);
        drives.file("C:\\b.txt", 20);
        drives.file("C:\\prog.sh", 5);
        form = start();
    }
    std::unique_ptr<QMimeData> panelDrag(int n)
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(dragdrop::kPanelFormat, dragdrop::panelToken(n));
        return data;
    }
    std::unique_ptr<QMimeData> files(const QByteArray& uriList)
    {
        auto data = std::make_unique<QMimeData>();
        data->setData(dragdrop::kUriListFormat, uriList);
        return data;
    }
    // Enter, move and (when the move was taken) drop at pos; true when taken.
    bool drop(QWidget* w, QPoint pos, const QMimeData* data, Qt::KeyboardModifiers keys = {},
              Qt::MouseButtons buttons = Qt::LeftButton)
    {
        QDragEnterEvent enter(pos, Qt::CopyAction | Qt::MoveAction, data, buttons, keys);
        QApplication::sendEvent(w, &enter);
        QDragMoveEvent move(pos, Qt::CopyAction | Qt::MoveAction, data, buttons, keys);
        QApplication::sendEvent(w, &move);
        if (!move.isAccepted())
            return false;
        QDropEvent dropped(QPointF(pos), Qt::CopyAction | Qt::MoveAction, data, buttons, keys);
        QApplication::sendEvent(w, &dropped);
        return dropped.isAccepted();
    }
    // Runs the deferred work of a drop; the operation dialog it opens is
    // answered with OK after noting its destination.
    QString answerDialog()
    {
        QString destination;
        QTimer::singleShot(0, [&] {
            if (auto* d = qobject_cast<TForm3*>(QApplication::activeModalWidget())) {
                destination = d->Edit1->text();
                d->BitBtn1->click();
            }
        });
        QApplication::processEvents();
        QApplication::processEvents();
        return destination;
    }
    void cursorOn(int n, const QString& name)
    {
        form->list(n)->setCursor(row(form->panel(n), name));
    }
    QMenu* dropMenu() { return form->findChild<QMenu*>("PopupMenu3"); }

    std::unique_ptr<TForm1> form;
};

TEST_F(DragDropTest, ListToOtherListCopiesThroughTheCopyDialog)
{
    cursorOn(1, "a.txt");
    auto data = panelDrag(1);
    ASSERT_TRUE(drop(form->list(2)->viewport(), {20, 20}, data.get()));
    EXPECT_EQ(answerDialog(), "D:\\");
    EXPECT_TRUE(drives.exists("D:\\a.txt"));
    EXPECT_FALSE(drives.exists("D:\\b.txt"));
    // A list dropped on itself does nothing.
    cursorOn(1, "b.txt");
    drop(form->list(1)->viewport(), {20, 20}, data.get());
    EXPECT_EQ(answerDialog(), QString());
    EXPECT_FALSE(drives.exists("D:\\b.txt"));
}

TEST_F(DragDropTest, ShiftOrRightButtonShowsTheDropMenu)
{
    QMenu* menu = dropMenu();
    ASSERT_TRUE(menu);
    ASSERT_EQ(menu->actions().size(), 4);
    EXPECT_EQ(menu->defaultAction(), menu->actions()[0]);
    EXPECT_EQ(menu->defaultAction()->text(), "&Copy selected files");
    EXPECT_EQ(menu->actions()[1]->text(), "&Move selected files");
    EXPECT_EQ(menu->actions()[2]->text(), "C&ompress selected files");
    EXPECT_EQ(menu->actions()[3]->text(), "Create &Link Shortcut");

    form->setactief(2);
    cursorOn(1, "b.txt");
    auto data = panelDrag(1);
    ASSERT_TRUE(drop(form->list(2)->viewport(), {20, 20}, data.get(), Qt::ShiftModifier));
    EXPECT_TRUE(menu->isVisible());
    EXPECT_EQ(form->activePanel(), 1); // the menu acts on the panel dragged from
    menu->close();
    QTimer::singleShot(0, [&] {
        if (auto* d = qobject_cast<TForm3*>(QApplication::activeModalWidget()))
            d->BitBtn1->click();
    });
    menu->defaultAction()->trigger();
    EXPECT_TRUE(drives.exists("D:\\b.txt"));

    ASSERT_TRUE(drop(form->list(2)->viewport(), {20, 20}, data.get(), {}, Qt::RightButton));
    EXPECT_TRUE(menu->isVisible());
    menu->close();
}

TEST_F(DragDropTest, DriveBarSlotsAndTheRefusedCursorBeyondThem)
{
    ASSERT_GE(form->driveCount(), 2);
    TDriveBar* bar = form->driveBar(2);
    cursorOn(1, "a.txt");
    auto data = panelDrag(1);
    const int beyond = form->driveCount() * TDriveBar::kSlotWidth + 5;
    EXPECT_FALSE(drop(bar, {beyond, 5}, data.get()));
    EXPECT_EQ(answerDialog(), QString());
    const int d = int(form->driveSlots().indexOf(QRegularExpression("[dD].*")));
    ASSERT_GE(d, 0) << form->driveSlots().join("|").toStdString();
    ASSERT_TRUE(drop(bar, {d * TDriveBar::kSlotWidth + 29, 5}, data.get()));
    EXPECT_EQ(answerDialog(), "D:\\");
    EXPECT_TRUE(drives.exists("D:\\a.txt"));
}

TEST_F(DragDropTest, CommandLineGetsTheCursorNames)
{
    form->commandLine()->setText("copy ");
    auto data = panelDrag(1);
    cursorOn(1, "a.txt");
    ASSERT_TRUE(drop(form->commandLine(), {5, 5}, data.get()));
    cursorOn(1, "b.txt");
    ASSERT_TRUE(drop(form->commandLine(), {5, 5}, data.get()));
    EXPECT_EQ(form->commandLine()->text(), "copy a.txt b.txt ");
}

TEST_F(DragDropTest, FilesFromAnotherProgramLandInThePanelUnderTheDrop)
{
    drives.file("C:\\from\\odd 100%#.txt", 3);
    const QString odd = drives.host("C:\\from\\odd 100%#.txt");
    auto data = files(dragdrop::uriList({drives.host("C:\\a.txt"), odd}));
    ASSERT_TRUE(drop(form->list(2)->viewport(), {10, 10}, data.get()));
    EXPECT_EQ(answerDialog(), "D:\\");
    EXPECT_TRUE(drives.exists("D:\\a.txt"));
    EXPECT_TRUE(drives.exists("D:\\odd 100%#.txt"));

    // A web address is refused with the no-drop cursor; nothing is asked.
    auto web = files("http://example.com/x.txt\r\n");
    EXPECT_FALSE(drop(form->list(1)->viewport(), {10, 10}, web.get()));
    // A name outside every drive is refused by name, the rest still copied.
    auto mixed = files("file:///etc/hostname\r\n" + dragdrop::uriList({drives.host("C:\\b.txt")}));
    prompter.clear();
    ASSERT_TRUE(drop(form->list(2)->viewport(), {10, 10}, mixed.get()));
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().contains("/etc/hostname"));
    EXPECT_EQ(answerDialog(), "D:\\");
    EXPECT_TRUE(drives.exists("D:\\b.txt"));
}

TEST_F(DragDropTest, FilesOnTheToolbarStripByButtonMode)
{
    CustomButtonBar& bar = form->customButtons();
    auto data = files(dragdrop::uriList({drives.host("C:\\prog.sh")}));
    QWidget* strip = form->customButtonPanel();
    TWin97Button* third = bar.button(3);
    const QPoint onThird = third->geometry().center();

    bar.SetMode(CustomButtonBar::Mode::Config);
    EXPECT_FALSE(drop(strip, onThird, data.get()));
    QApplication::processEvents();
    for (int i = 1; i <= 40; ++i)
        EXPECT_FALSE(bar.slot(i).defined);

    bar.SetMode(CustomButtonBar::Mode::Drag);
    // The highest slot whose button, shown or not, stands under the point.
    const int s = bar.DropSlotAt(onThird.x());
    ASSERT_GE(s, 3);
    ASSERT_TRUE(drop(strip, onThird, data.get()));
    QApplication::processEvents();
    ASSERT_TRUE(bar.slot(s).defined);
    EXPECT_EQ(bar.slot(s).Command, "prog.sh");
    EXPECT_EQ(bar.slot(s).Directory, "C:\\");
    EXPECT_EQ(bar.slot(s).Text, "prog");
    EXPECT_EQ(bar.slot(s).Icon, "C:\\prog.sh");
    EXPECT_EQ(bar.slot(s).Action, "open");

    // Normal mode: no hidden button is run, and a drop beyond the shown
    // buttons is refused rather than copied into a panel.
    bar.SetMode(CustomButtonBar::Mode::Normal);
    EXPECT_EQ(bar.DropSlotAt(bar.button(40)->x() + 5), 0);
    launch::RecordingLauncher launcher;
    launch::ScopedLauncher scoped{launcher};
    EXPECT_FALSE(drop(strip, {2000, onThird.y()}, data.get()));
    EXPECT_EQ(answerDialog(), QString());
    EXPECT_FALSE(drives.exists("D:\\prog.sh"));
    EXPECT_TRUE(launcher.plans.empty());
}

TEST_F(DragDropTest, FileOnAShownButtonInNormalModeRunsThatButtonWithIt)
{
    drives.file("C:\\bin\\tool", 1);
    drives.file("C:\\docs\\a;rm -rf ~.txt", 1);
    QFile::setPermissions(drives.host("C:\\bin\\tool"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    CustomButtonBar& bar = form->customButtons();
    bar.SetMode(CustomButtonBar::Mode::Drag);
    auto tool = files(dragdrop::uriList({drives.host("C:\\bin\\tool")}));
    QWidget* strip = form->customButtonPanel();
    const QPoint onSecond = bar.button(2)->geometry().center();
    const int s = bar.DropSlotAt(onSecond.x());
    ASSERT_TRUE(drop(strip, onSecond, tool.get()));
    QApplication::processEvents();
    ASSERT_TRUE(bar.slot(s).defined);
    ASSERT_FALSE(bar.button(s)->isHidden());

    bar.SetMode(CustomButtonBar::Mode::Normal);
    launch::RecordingLauncher launcher;
    launch::ScopedLauncher scoped{launcher};
    const QString odd = drives.host("C:\\docs\\a;rm -rf ~.txt");
    auto doc = files(dragdrop::uriList({odd}));
    const QPoint on = bar.button(s)->geometry().center();
    // Dropped on the button itself and on the strip under it alike.
    ASSERT_TRUE(drop(bar.button(s), {5, 5}, doc.get()));
    QApplication::processEvents();
    ASSERT_TRUE(drop(strip, on, doc.get()));
    QApplication::processEvents();
    ASSERT_EQ(launcher.plans.size(), 2u);
    for (const auto& plan : launcher.plans) {
        EXPECT_EQ(plan.program, drives.host("C:\\bin\\tool"));
        EXPECT_EQ(plan.arguments, QStringList{odd});
    }
    EXPECT_TRUE(bar.PendingDropFile.isEmpty());
    EXPECT_EQ(answerDialog(), QString()); // nothing was copied anywhere
}

} // namespace

namespace {

// Hostile drops from other programs: the files' own directory, a directory
// onto itself, URLs with a query or a fragment, a name climbing out of its
// drive.
TEST_F(DragDropTest, HostileDropsFromAnotherProgramLoseNothing)
{
    drives.file("D:\\same.txt", 0, "keep me");
    drives.file("D:\\dir\\inner.txt", 0, "inner");
    form->Werkpanelsbij();
    ASSERT_EQ(form->panel(2).path, "D:\\");
    // Dropped where they already are: nothing may be truncated or nested.
    auto self = files(dragdrop::uriList({drives.host("D:\\same.txt"), drives.host("D:\\dir")}));
    if (drop(form->list(2)->viewport(), {10, 10}, self.get()))
        answerDialog();
    QApplication::processEvents();
    EXPECT_EQ(drives.read("D:\\same.txt"), "keep me");
    EXPECT_EQ(drives.read("D:\\dir\\inner.txt"), "inner");
    EXPECT_FALSE(drives.exists("D:\\dir\\dir"));

    // A query or fragment names no other file; a ".." that climbs out of
    // the drive is refused by name.
    const QByteArray a = dragdrop::uriList({drives.host("C:\\a.txt")}).trimmed();
    const QByteArray climb =
        dragdrop::uriList({drives.host("C:\\")}).trimmed() + "../../../etc/passwd";
    prompter.clear();
    auto odd = files(a + "?x=1#frag\r\n" + climb + "\r\n");
    ASSERT_TRUE(drop(form->list(2)->viewport(), {10, 10}, odd.get()));
    ASSERT_EQ(prompter.texts().size(), 1);
    EXPECT_TRUE(prompter.texts().first().contains("passwd"));
    EXPECT_EQ(answerDialog(), "D:\\");
    EXPECT_EQ(drives.read("D:\\a.txt"), drives.read("C:\\a.txt"));
    EXPECT_FALSE(drives.exists("D:\\passwd"));
}

} // namespace

namespace {

TEST_F(DragDropTest, DragStartsFromThePressedLineAndShowsIt)
{
    TPanelList* list = form->list(1);
    cursorOn(1, "a.txt");
    form->Werkpanelsbij();
    const int b = row(form->panel(1), "b.txt");
    const QPoint at = list->visualRect(list->model().index(b, 0)).center();
    int started = 0;
    QString cursorAtStart;
    list->onStartDrag = [&] {
        ++started;
        cursorAtStart = form->panel(1).entries[size_t(list->cursor())].name;
    };
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, at);
    QMouseEvent move(QEvent::MouseMove, QPointF(at + QPoint(40, 0)),
                     list->viewport()->mapToGlobal(QPointF(at + QPoint(40, 0))), Qt::NoButton,
                     Qt::LeftButton, {});
    QApplication::sendEvent(list->viewport(), &move);
    EXPECT_EQ(started, 1);
    EXPECT_EQ(cursorAtStart, "b.txt");
    EXPECT_TRUE(form->statusLine(1)->text().startsWith("b.txt"))
        << form->statusLine(1)->text().toStdString();
}

} // namespace
