// The panel keyboard and mouse of the main window: marking by mask, the
// command line keys, Seek, the right button, the middle button, double
// clicks, the Up Directory buttons and the Left/Right menu items.
#include "launch/shellexecute.h"
#include "shell/ui/tform1.h"

#include "panels/ui/panellist.h"
#include "panels/ui/seekpopup.h"
#include "shell/ui/commandline.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

#include <algorithm>

#include <ostream>

using namespace dovex;

// Readable failures for the names compared below.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}

namespace {

class PanelKeysTest : public ::testing::Test {
protected:
    test::DriveFixture drives{"CD"};
    test::ScriptedPrompter prompter;
    std::unique_ptr<TForm1> form;

    // D:\k holds, in name order: "..", old.txt (a directory), sub,
    // NOTES.TXT, notes.txt1, readme.txt, REPORT.DOC.
    void SetUp() override
    {
        QFile f(drives.windowsDir() + "/Dovex.Ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\k\nDir2=D:\\r\\deep\n");
        f.close();
        drives.file("D:\\k\\readme.txt", 10);
        drives.file("D:\\k\\NOTES.TXT", 20);
        drives.file("D:\\k\\notes.txt1", 40);
        drives.file("D:\\k\\REPORT.DOC", 80);
        drives.directory("D:\\k\\old.txt");
        drives.file("D:\\k\\sub\\inner.txt");
        drives.file("D:\\r\\deep\\x.bin", 5);
        form = std::make_unique<TForm1>(QStringList{});
        form->setPrompter(&prompter);
        form->resize(900, 600);
        form->show();
        form->FormShow();
        form->activateWindow();
        list(1)->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(names(1), (QStringList{"..", "old.txt", "sub", "NOTES.TXT", "notes.txt1",
                                         "readme.txt", "REPORT.DOC"}));
    }

    TPanelList* list(int n) const { return form->list(n); }
    PanelEntries& entries(int n) const { return form->panel(n).entries; }
    QStringList names(int n) const
    {
        QStringList out;
        for (const PanelEntry& e : entries(n))
            out << e.name;
        return out;
    }
    QStringList marked(int n) const
    {
        QStringList out;
        for (const PanelEntry& e : entries(n))
            if (e.selected)
                out << e.name;
        return out;
    }
    QString cursorName(int n) const
    {
        const int c = list(n)->cursor();
        return c < 0 ? QString() : entries(n)[size_t(c)].name;
    }
    QPoint rowCenter(int n, int row) const
    {
        return list(n)->visualRect(list(n)->model().index(row)).center();
    }
    void clearMarks(int n)
    {
        for (PanelEntry& e : entries(n))
            e.selected = false;
    }

    // Answers the next modal dialog: its caption is recorded, its edit
    // text replaced, and it is accepted or rejected.
    void answerDialog(const QString& text, bool accept, QString* caption)
    {
        QTimer::singleShot(0, [=] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w)
                return;
            *caption = w->windowTitle();
            if (auto* edit = w->findChild<QLineEdit*>())
                edit->setText(text);
            if (auto* dialog = qobject_cast<QDialog*>(w))
                accept ? dialog->accept() : dialog->reject();
        });
    }

    // Records the edit text the next modal dialog starts with.
    void offeredText(QString* text)
    {
        QTimer::singleShot(0, [=] {
            if (QWidget* w = QApplication::activeModalWidget())
                if (auto* edit = w->findChild<QLineEdit*>())
                    *text = edit->text();
        });
    }

    QAction* menuItem(const QString& menu, const QString& caption) const
    {
        for (QAction* top : form->menuBar()->actions())
            if (top->menu() && top->menu()->title() == menu)
                for (QAction* a : top->menu()->actions())
                    if (a->text() == caption)
                        return a;
        return nullptr;
    }

    QToolButton* upButton(int n) const
    {
        QList<QToolButton*> ups;
        for (QToolButton* b : form->findChildren<QToolButton*>())
            if (b->text() == "..")
                ups << b;
        std::sort(ups.begin(), ups.end(), [this](QToolButton* a, QToolButton* b) {
            return a->mapTo(form.get(), QPoint()).x() < b->mapTo(form.get(), QPoint()).x();
        });
        return ups.size() == 2 ? ups[n - 1] : nullptr;
    }

    void rightMove(int n, int row)
    {
        const QPoint pos = rowCenter(n, row);
        QMouseEvent move(QEvent::MouseMove, pos, list(n)->viewport()->mapToGlobal(pos),
                         Qt::NoButton, Qt::RightButton, Qt::NoModifier);
        QApplication::sendEvent(list(n)->viewport(), &move);
    }

    // A real double click: press, release, double click, release.
    void doubleClick(int n, int row)
    {
        QWidget* vp = list(n)->viewport();
        const QPoint pos = rowCenter(n, row);
        QTest::mousePress(vp, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, pos);
        QTest::mouseDClick(vp, Qt::LeftButton, {}, pos);
        QTest::mouseRelease(vp, Qt::LeftButton, {}, pos);
    }
};

} // namespace

TEST_F(PanelKeysTest, KeypadPlusAndMinusMarkByMaskPerPanel)
{
    TPanelList* l = list(1);
    QString caption;
    answerDialog("*.TXT", true, &caption);
    QTest::keyClick(l, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(caption, "Select Files");
    // The name's extension is cut to four characters: notes.txt1 passes; a
    // directory named like a file is matched too.
    EXPECT_EQ(marked(1), (QStringList{"old.txt", "NOTES.TXT", "notes.txt1", "readme.txt"}));
    EXPECT_EQ(form->panel(1).selectionMask, "*.TXT");
    EXPECT_EQ(form->statusLine(1)->text(), "70 bytes in 4 files"); // old.txt counts too
    EXPECT_EQ(form->focusWidget(), l);
    EXPECT_TRUE(form->commandLine()->text().isEmpty());

    // Deselect starts from the panel's mask and unmarks only what passes.
    QString offered;
    offeredText(&offered);
    answerDialog("notes*.*", true, &caption);
    QTest::keyClick(l, Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(caption, "Deselect Files");
    EXPECT_EQ(offered, "*.TXT");
    EXPECT_EQ(marked(1), (QStringList{"old.txt", "readme.txt"}));
    EXPECT_TRUE(form->commandLine()->text().isEmpty()); // the keypad minus is not typed

    answerDialog("*.C", true, &caption);
    QTest::keyClick(l, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(marked(1), (QStringList{"old.txt", "readme.txt"}));

    // Cancel changes neither the marks nor the mask.
    answerDialog("*.*", false, &caption);
    QTest::keyClick(l, Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(marked(1), (QStringList{"old.txt", "readme.txt"}));
    EXPECT_EQ(form->panel(1).selectionMask, "*.C");

    // ".." passes *.* but is never marked, so the selection line counts
    // what Copy takes; the right panel keeps its own mask.
    form->setactief(2);
    QApplication::processEvents();
    offeredText(&offered);
    answerDialog("*.*", true, &caption);
    QTest::keyClick(list(2), Qt::Key_Plus, Qt::KeypadModifier);
    EXPECT_EQ(offered, "*.*");
    EXPECT_EQ(marked(2), (QStringList{"x.bin"}));
    EXPECT_TRUE(form->statusLine(2)->text().endsWith(" in 1 files"))
        << form->statusLine(2)->text().toStdString();
    EXPECT_EQ(form->panel(1).selectionMask, "*.C");
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(PanelKeysTest, StarTypedWithShiftReachesTheCommandLineKeypadStarInverts)
{
    TPanelList* l = list(1);
    entries(1)[3].selected = true;
    QTest::keyClick(l, '*', Qt::ShiftModifier);
    EXPECT_EQ(form->commandLine()->text(), "*");
    EXPECT_EQ(marked(1), (QStringList{"NOTES.TXT"}));
    QTest::keyClick(l, '*'); // without Shift the flag is gone
    EXPECT_EQ(form->commandLine()->text(), "*");
    QTest::keyClick(l, '+', Qt::ShiftModifier);
    EXPECT_EQ(form->commandLine()->text(), "*+");

    QTest::keyClick(l, Qt::Key_Asterisk, Qt::KeypadModifier);
    EXPECT_EQ(form->commandLine()->text(), "*+");
    EXPECT_EQ(marked(1), (QStringList{"old.txt", "sub", "notes.txt1", "readme.txt", "REPORT.DOC"}));

    // A Shift pressed alone lets one symbol through, and a keypad key uses
    // that chance up.
    QTest::keyClick(l, Qt::Key_Shift, Qt::ShiftModifier);
    QTest::keyClick(l, Qt::Key_Asterisk, Qt::KeypadModifier);
    QTest::keyClick(l, '+');
    EXPECT_EQ(form->commandLine()->text(), "*+");
    EXPECT_EQ(marked(1), (QStringList{"NOTES.TXT"}));

    // Typed characters never move the cursor, not even those the command
    // line does not take.
    l->setCursor(1);
    QTest::keyClick(l, 'r');
    EXPECT_EQ(l->cursor(), 1);
    EXPECT_EQ(form->commandLine()->text(), "*+r");
    // The rows' texts begin with the character 255: a search would find it.
    QKeyEvent y(QEvent::KeyPress, Qt::Key_ydiaeresis, Qt::NoModifier, QString(QChar(0xff)));
    QApplication::sendEvent(l, &y);
    EXPECT_EQ(l->cursor(), 1);
    EXPECT_EQ(form->commandLine()->text(), "*+r");
}

TEST_F(PanelKeysTest, EnterWithCtrlAppendsTheNameAndWithACommandLineOpensNothing)
{
    TPanelList* l = list(1);
    l->setCursor(5);
    QTest::keyClicks(l, "copy ");
    QTest::keyClick(l, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(form->commandLine()->text(), "copy readme.txt ");
    l->setCursor(2);
    QTest::keyClick(l, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_EQ(form->commandLine()->text(), "copy readme.txt sub ");
    EXPECT_EQ(form->panel(1).path, "D:\\k");

    // With text on the line Enter is the line's, not the directory's: it
    // runs (there is no program "copy": nothing starts) and is cleared.
    launch::RecordingLauncher recorder;
    launch::ScopedLauncher scope(recorder);
    QTest::keyClick(l, Qt::Key_Return);
    EXPECT_TRUE(prompter.asked().isEmpty());
    EXPECT_TRUE(recorder.plans.empty());
    EXPECT_EQ(form->panel(1).path, "D:\\k");
    EXPECT_EQ(l->cursor(), 2);
    EXPECT_EQ(form->commandLine()->text(), "");
    EXPECT_TRUE(marked(1).isEmpty());

    // Shift+Enter does nothing at all.
    QTest::keyClick(form->list(1), Qt::Key_Delete);
    QTest::keyClick(l, Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(form->panel(1).path, "D:\\k");
    QTest::keyClick(l, Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(form->panel(1).path, "D:\\k\\sub");
    EXPECT_TRUE(prompter.asked().isEmpty());
}

TEST_F(PanelKeysTest, SeekMovesTheCursorAndRefusesALetterNoNameContinues)
{
    TPanelList* l = list(1);
    QTest::keyClick(l, Qt::Key_R, Qt::ControlModifier | Qt::AltModifier);
    auto* seek = form->findChild<TForm11*>();
    ASSERT_NE(seek, nullptr);
    EXPECT_TRUE(seek->isVisible());
    EXPECT_TRUE(form->commandLine()->text().isEmpty());
    QLineEdit* edit = seek->edit();
    QTest::keyClicks(edit, "re");
    EXPECT_EQ(cursorName(1), "readme.txt"); // the first in the panel's order
    EXPECT_EQ(edit->text(), "re");
    QTest::keyClick(edit, 'P');
    EXPECT_EQ(cursorName(1), "REPORT.DOC");
    QTest::keyClick(edit, 'z');
    EXPECT_EQ(edit->text(), "reP");
    EXPECT_EQ(cursorName(1), "REPORT.DOC");
    QTest::keyClick(edit, Qt::Key_Backspace);
    EXPECT_EQ(edit->text(), "re");
    EXPECT_EQ(cursorName(1), "REPORT.DOC"); // Backspace does not search
    QTest::keyClick(edit, Qt::Key_Escape);
    EXPECT_FALSE(seek->isVisible());
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(cursorName(1), "REPORT.DOC");
    EXPECT_TRUE(form->commandLine()->text().isEmpty());
}

TEST_F(PanelKeysTest, RightButtonMarksAndDragsARange)
{
    TPanelList* l = list(1);
    QWidget* vp = l->viewport();
    QTest::mousePress(vp, Qt::RightButton, {}, rowCenter(1, 3));
    EXPECT_EQ(marked(1), (QStringList{"NOTES.TXT"}));
    rightMove(1, 4);
    rightMove(1, 5);
    EXPECT_EQ(l->cursor(), 5);
    QTest::mouseRelease(vp, Qt::RightButton, {}, rowCenter(1, 5));
    EXPECT_EQ(marked(1), (QStringList{"NOTES.TXT", "notes.txt1", "readme.txt"}));
    EXPECT_EQ(l->cursor(), 5);
    EXPECT_EQ(form->statusLine(1)->text(), "70 bytes in 3 files");

    // Starting on a marked entry unmarks along the way.
    QTest::mousePress(vp, Qt::RightButton, {}, rowCenter(1, 4));
    rightMove(1, 5);
    rightMove(1, 6);
    QTest::mouseRelease(vp, Qt::RightButton, {}, rowCenter(1, 6));
    EXPECT_EQ(marked(1), (QStringList{"NOTES.TXT"}));
    EXPECT_EQ(l->cursor(), 6);

    // The right button on the inactive panel activates it first.
    QWidget* vp2 = list(2)->viewport();
    QTest::mousePress(vp2, Qt::RightButton, {}, rowCenter(2, 1));
    QTest::mouseRelease(vp2, Qt::RightButton, {}, rowCenter(2, 1));
    EXPECT_EQ(form->activePanel(), 2);
    EXPECT_EQ(marked(2), (QStringList{"x.bin"}));
    EXPECT_EQ(form->commandLine()->prompt(), "D:\\r\\deep>");
}

TEST_F(PanelKeysTest, MiddleReleaseActsAsEnter)
{
    QWidget* vp = list(1)->viewport();
    QTest::mouseClick(vp, Qt::MiddleButton, Qt::ControlModifier, rowCenter(1, 5));
    EXPECT_EQ(form->commandLine()->text(), "readme.txt ");
    EXPECT_EQ(list(1)->cursor(), 5);

    // With text on the command line the middle button runs the line and
    // opens nothing.
    launch::RecordingLauncher recorder;
    launch::ScopedLauncher scope(recorder);
    QTest::mouseClick(vp, Qt::MiddleButton, {}, rowCenter(1, 2));
    EXPECT_EQ(form->panel(1).path, "D:\\k");
    EXPECT_TRUE(prompter.asked().isEmpty());

    form->commandLine()->setText(QString());
    QTest::mouseClick(vp, Qt::MiddleButton, {}, rowCenter(1, 2));
    EXPECT_EQ(form->panel(1).path, "D:\\k\\sub");
    EXPECT_EQ(names(1), (QStringList{"..", "inner.txt"}));
    EXPECT_EQ(list(1)->cursor(), 0);
}

TEST_F(PanelKeysTest, DoubleClickOpensADirectoryAndLeavesTheCursorOnTheOneLeft)
{
    doubleClick(1, 2);
    EXPECT_EQ(form->panel(1).path, "D:\\k\\sub");
    EXPECT_EQ(list(1)->cursor(), 0);
    doubleClick(1, 0);
    EXPECT_EQ(form->panel(1).path, "D:\\k");
    // The release that ends the double click leaves the new listing alone.
    EXPECT_EQ(cursorName(1), "sub");
    EXPECT_EQ(form->commandLine()->prompt(), "D:\\k>");

    // A double click on a file without an archive behind it does nothing.
    doubleClick(1, 5);
    EXPECT_EQ(form->panel(1).path, "D:\\k");
    EXPECT_EQ(cursorName(1), "readme.txt");
}

TEST_F(PanelKeysTest, UpButtonsNeverMoveTheActivity)
{
    QToolButton* left = upButton(1);
    QToolButton* right = upButton(2);
    ASSERT_TRUE(left && right);
    QTest::mouseClick(right, Qt::LeftButton);
    EXPECT_EQ(form->panel(2).path, "D:\\r");
    EXPECT_EQ(cursorName(2), "deep");
    EXPECT_EQ(form->activePanel(), 1);
    EXPECT_EQ(form->commandLine()->prompt(), "D:\\k>");
    EXPECT_TRUE(list(1)->hasFocus());

    QTest::mouseClick(right, Qt::LeftButton);
    EXPECT_EQ(form->panel(2).path, "D:\\");
    EXPECT_EQ(cursorName(2), "r");
    QTest::mouseClick(right, Qt::LeftButton); // a root stays the root
    EXPECT_EQ(form->panel(2).path, "D:\\");
    EXPECT_EQ(list(2)->cursor(), 0);
    EXPECT_EQ(form->activePanel(), 1);

    QTest::mouseClick(left, Qt::LeftButton);
    EXPECT_EQ(form->panel(1).path, "D:\\");
    EXPECT_EQ(cursorName(1), "k");
    EXPECT_EQ(form->activePanel(), 1);
    EXPECT_EQ(form->commandLine()->prompt(), "D:\\>");
}

TEST_F(PanelKeysTest, FilterFromTheMenuRereadsThePanel)
{
    QAction* filter = menuItem("Right", "Filter");
    ASSERT_NE(filter, nullptr);
    drives.file("D:\\r\\deep\\y.txt", 7);
    QString caption;
    answerDialog("*.TXT", true, &caption);
    filter->trigger();
    EXPECT_EQ(caption, "Set Filter");
    EXPECT_EQ(form->panel(2).filterMask, "*.TXT");
    EXPECT_EQ(names(2), (QStringList{"..", "y.txt"}));
    EXPECT_EQ(form->activePanel(), 2);
    EXPECT_EQ(form->focusWidget(), list(2)); // keys now go to the panel filtered
    EXPECT_EQ(form->commandLine()->prompt(), "D:\\r\\deep>");

    // Cancel keeps the mask and the listing.
    entries(2)[1].selected = true;
    answerDialog("*.*", false, &caption);
    filter->trigger();
    EXPECT_EQ(form->panel(2).filterMask, "*.TXT");
    EXPECT_EQ(marked(2), (QStringList{"y.txt"}));

    // Directories are always listed.
    answerDialog("*.DOC", true, &caption);
    menuItem("Left", "Filter")->trigger();
    EXPECT_EQ(names(1), (QStringList{"..", "old.txt", "sub", "REPORT.DOC"}));
    EXPECT_EQ(form->panel(2).filterMask, "*.TXT");
    EXPECT_EQ(form->activePanel(), 1);
}

TEST_F(PanelKeysTest, SortItemsCheckOneAndReread)
{
    QAction* byExt = menuItem("Left", "Sort on extention");
    ASSERT_NE(byExt, nullptr);
    entries(1)[3].selected = true;
    byExt->trigger();
    EXPECT_EQ(names(1), (QStringList{"..", "old.txt", "sub", "REPORT.DOC", "notes.txt1",
                                     "NOTES.TXT", "readme.txt"}));
    EXPECT_TRUE(marked(1).isEmpty()); // re-read
    EXPECT_EQ(form->panel(1).sortMethod, 1);
    int checked = 0;
    for (const char* caption :
         {"Sort on Name", "Sort on extention", "Sort on Time/Date", "Sort on FileSize", "Unsorted"})
        checked += menuItem("Left", caption)->isChecked() ? 1 : 0;
    EXPECT_EQ(checked, 1);
    EXPECT_TRUE(byExt->isChecked());

    menuItem("Left", "Sort on FileSize")->trigger();
    EXPECT_EQ(names(1), (QStringList{"..", "old.txt", "sub", "readme.txt", "NOTES.TXT",
                                     "notes.txt1", "REPORT.DOC"}));
    EXPECT_FALSE(byExt->isChecked());
    EXPECT_FALSE(menuItem("Right", "Sort on extention")->isChecked());

    menuItem("Right", "Sort on extention")->trigger();
    EXPECT_EQ(form->panel(2).sortMethod, 1);
    EXPECT_EQ(form->panel(1).sortMethod, 3);
    EXPECT_EQ(form->activePanel(), 2);
    EXPECT_TRUE(menuItem("Left", "Sort on FileSize")->isChecked());
}

TEST_F(PanelKeysTest, FullAndBriefSwitchWithoutRereading)
{
    EXPECT_FALSE(list(1)->brief());
    entries(2)[1].selected = true;
    menuItem("Right", "Brief")->trigger();
    EXPECT_TRUE(list(2)->brief());
    EXPECT_FALSE(list(1)->brief());
    EXPECT_TRUE(menuItem("Right", "Brief")->isChecked());
    EXPECT_FALSE(menuItem("Right", "Full")->isChecked());
    EXPECT_EQ(marked(2), (QStringList{"x.bin"}));

    menuItem("Left", "Brief")->trigger();
    EXPECT_TRUE(list(1)->brief());
    // Three columns of names.
    EXPECT_EQ(list(1)->visualRect(list(1)->model().index(0)).width(),
              list(1)->viewport()->width() / 3);
    menuItem("Left", "Full")->trigger();
    EXPECT_FALSE(list(1)->brief());
    menuItem("Right", "Full")->trigger();
    EXPECT_FALSE(list(2)->brief());
    EXPECT_EQ(marked(2), (QStringList{"x.bin"}));
}

TEST_F(PanelKeysTest, InsertOnTheLastEntryKeepsTheCursor)
{
    TPanelList* l = list(1);
    l->setCursor(5);
    QTest::keyClick(l, Qt::Key_Insert);
    EXPECT_EQ(l->cursor(), 6);
    QTest::keyClick(l, Qt::Key_Insert);
    EXPECT_EQ(l->cursor(), 6);
    EXPECT_EQ(marked(1), (QStringList{"readme.txt", "REPORT.DOC"}));
    EXPECT_EQ(form->statusLine(1)->text(), "90 bytes in 2 files");
    QTest::keyClick(l, Qt::Key_Insert);
    EXPECT_EQ(l->cursor(), 6);
    EXPECT_EQ(marked(1), (QStringList{"readme.txt"}));
    EXPECT_TRUE(form->commandLine()->text().isEmpty());
}
