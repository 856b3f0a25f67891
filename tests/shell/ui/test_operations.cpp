// The main window around F5 to F8: what the panels show once an operation
// or a new directory is done.
#include "shell/ui/tform1.h"

#include "archive/archivereaders.h"
#include "fileops/ui/tform3.h"
#include "panels/archivelister.h"
#include "panels/ui/panellist.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

class OperationWindowTest : public ::testing::Test {
protected:
    test::DriveFixture drives{"CD"};
    test::ScriptedPrompter prompter;
    std::unique_ptr<TForm1> form;

    void start(const QByteArray& panels)
    {
        QFile f(drives.windowsDir() + "/Dovex.Ini");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\n" + panels);
        f.close();
        form = std::make_unique<TForm1>(QStringList{});
        form->setPrompter(&prompter);
        form->resize(900, 600);
        form->show();
        form->FormShow();
    }

    // The dialog of the command is answered by fn once it is up; the
    // command's text is kept in label.
    void run(Cmd command, std::function<void(TForm3&)> fn = {})
    {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            auto* d = qobject_cast<TForm3*>(QApplication::activeModalWidget());
            if (!d)
                return;
            shown = true;
            label = d->Label1->text();
            if (fn)
                fn(*d);
            d->BitBtn1->click();
        });
        form->command(command)->trigger();
        QApplication::processEvents(); // the answer never outlives this call
        EXPECT_TRUE(shown) << form->command(command)->text().toStdString() << ": no dialog";
    }

    int indexOf(int n, const QString& name)
    {
        const PanelEntries& e = form->panel(n).entries;
        for (size_t i = 0; i < e.size(); ++i)
            if (e[i].name == name)
                return int(i);
        ADD_FAILURE() << name.toStdString() << " not in panel " << n;
        return -1;
    }
    void mark(int n, const QStringList& which)
    {
        for (const QString& name : which)
            form->panel(n).entries[size_t(indexOf(n, name))].selected = true;
    }
    void cursorOn(int n, const QString& name) { form->list(n)->setCursor(indexOf(n, name)); }
    QString cursorName(int n)
    {
        const int c = form->list(n)->cursor();
        return c < 0 ? QString() : form->panel(n).entries[size_t(c)].name;
    }
    QStringList names(int n)
    {
        QStringList out;
        for (const PanelEntry& e : form->panel(n).entries)
            out << e.name;
        return out;
    }
    QStringList marked(int n)
    {
        QStringList out;
        for (const PanelEntry& e : form->panel(n).entries)
            if (e.selected)
                out << e.name;
        return out;
    }

    QString label;
};

} // namespace

TEST_F(OperationWindowTest, CopyKeepsTheMarksOfBothPanelsAndEachCursor)
{
    drives.file("D:\\l\\a.txt", 1);
    drives.file("D:\\l\\b.txt", 2);
    drives.file("D:\\l\\c.txt", 3);
    drives.file("D:\\l\\d.txt", 4);
    drives.file("C:\\r\\x.txt", 10);
    drives.file("C:\\r\\y.txt", 20);
    drives.file("C:\\r\\z.txt", 30);
    start("Dir1=D:\\l\nDir2=C:\\r\n");
    mark(1, {"a.txt", "c.txt"});
    mark(2, {"y.txt"});
    cursorOn(2, "z.txt");
    form->setactief(1);
    cursorOn(1, "b.txt");

    run(Cmd::Copy);
    EXPECT_EQ(label, "Copy 2 files to");
    EXPECT_EQ(drives.read("C:\\r\\c.txt").size(), 3);
    // The copied entries stay marked; the new ones arrive unmarked.
    EXPECT_EQ(marked(1), (QStringList{"a.txt", "c.txt"}));
    EXPECT_EQ(names(2), (QStringList{"..", "a.txt", "c.txt", "x.txt", "y.txt", "z.txt"}));
    EXPECT_EQ(marked(2), QStringList{"y.txt"});
    EXPECT_EQ(cursorName(1), "b.txt");
    EXPECT_EQ(cursorName(2), "z.txt");
    EXPECT_EQ(form->statusLine(1)->text(), "4 bytes in 2 files");
    EXPECT_EQ(form->statusLine(2)->text(), "20 bytes in 1 files");
    EXPECT_EQ(form->list(2)->model().rowCount(), 6);
    EXPECT_EQ(form->activePanel(), 1);

    // The entry under the cursor alone, copied over an existing file: the
    // other panel shows its new size and keeps its marks.
    form->panel(1).entries[size_t(indexOf(1, "a.txt"))].selected = false;
    form->panel(1).entries[size_t(indexOf(1, "c.txt"))].selected = false;
    drives.file("D:\\l\\x.txt", 99);
    form->Werkpanelsbij();
    cursorOn(1, "x.txt");
    prompter.script({Answer::Yes});
    run(Cmd::Copy);
    EXPECT_EQ(label, "Copy \"x.txt\" to");
    EXPECT_EQ(marked(2), QStringList{"y.txt"});
    EXPECT_EQ(form->panel(2).entries[size_t(indexOf(2, "x.txt"))].size, 99);
    EXPECT_TRUE(marked(1).isEmpty());
    EXPECT_EQ(cursorName(1), "x.txt");
    EXPECT_EQ(cursorName(2), "z.txt");
}

TEST_F(OperationWindowTest, MovedAndDeletedEntriesTakeTheirMarksAlong)
{
    drives.file("D:\\l\\a.txt", 1);
    drives.file("D:\\l\\b.txt", 2);
    drives.file("D:\\l\\c.txt", 3);
    drives.file("D:\\l\\d.txt", 4);
    drives.file("C:\\r\\x.txt", 10);
    drives.file("C:\\r\\y.txt", 20);
    drives.file("C:\\r\\z.txt", 30);
    start("Dir1=D:\\l\nDir2=C:\\r\n");
    mark(1, {"a.txt", "c.txt"});
    mark(2, {"y.txt"});
    cursorOn(2, "y.txt");
    form->setactief(1);
    cursorOn(1, "c.txt"); // moved away: the cursor takes its row

    run(Cmd::Move);
    EXPECT_EQ(names(1), (QStringList{"..", "b.txt", "d.txt"}));
    EXPECT_TRUE(marked(1).isEmpty());
    EXPECT_EQ(cursorName(1), "d.txt");
    EXPECT_EQ(form->statusLine(1)->text().left(6), "d.txt ");
    EXPECT_EQ(marked(2), QStringList{"y.txt"});
    EXPECT_EQ(cursorName(2), "y.txt");

    // Delete in the right panel, with a mark on the left that must stay.
    mark(1, {"b.txt"});
    mark(2, {"x.txt"});
    form->setactief(2);
    cursorOn(2, "z.txt");
    run(Cmd::Delete);
    EXPECT_EQ(label, "Delete 2 files");
    EXPECT_EQ(names(2), (QStringList{"..", "a.txt", "c.txt", "z.txt"}));
    EXPECT_TRUE(marked(2).isEmpty());
    EXPECT_EQ(cursorName(2), "z.txt");
    EXPECT_EQ(marked(1), QStringList{"b.txt"});
    EXPECT_EQ(form->statusLine(1)->text(), "2 bytes in 1 files");
    EXPECT_EQ(form->activePanel(), 2);
}

TEST_F(OperationWindowTest, AHalfFailedDeleteKeepsTheKeptFileMarked)
{
    drives.file("D:\\l\\a.txt", 1);
    drives.file("D:\\l\\b.txt", 2);
    drives.file("D:\\l\\c.txt", 3);
    QFile::setPermissions(drives.host("D:\\l\\b.txt"), QFile::ReadOwner);
    start("Dir1=D:\\l\nDir2=D:\\l\n");
    mark(1, {"a.txt", "b.txt", "c.txt"});
    mark(2, {"b.txt"});
    form->setactief(1);
    cursorOn(1, "b.txt");
    prompter.script({Answer::No}); // keep the read-only one
    run(Cmd::Delete);
    EXPECT_EQ(names(1), (QStringList{"..", "b.txt"}));
    EXPECT_EQ(marked(1), QStringList{"b.txt"});
    EXPECT_EQ(marked(2), QStringList{"b.txt"});
    EXPECT_EQ(cursorName(1), "b.txt");
    EXPECT_EQ(form->statusLine(1)->text(), "2 bytes in 1 files");
}

TEST_F(OperationWindowTest, APanelWhoseDirectoryWentFallsBackToItsRoot)
{
    drives.file("D:\\l\\sub\\inner.txt", 1);
    drives.file("D:\\l\\a.txt", 1);
    start("Dir1=D:\\l\nDir2=D:\\l\\sub\n");
    form->setactief(1);
    cursorOn(1, "sub");
    run(Cmd::Delete);
    EXPECT_FALSE(drives.exists("D:\\l\\sub"));
    EXPECT_EQ(form->panel(2).path, "D:\\");
    EXPECT_EQ(names(2), QStringList{"l"});
    EXPECT_EQ(names(1), (QStringList{"..", "a.txt"}));
    EXPECT_EQ(cursorName(1), "a.txt");
}

TEST_F(OperationWindowTest, AnArchivePanelStaysOnItsLevel)
{
    if (QStandardPaths::findExecutable("zip").isEmpty())
        GTEST_SKIP() << "zip is not installed";
    drives.file("C:\\src\\docs\\readme.txt", 10);
    drives.file("C:\\src\\top.txt", 5);
    drives.directory("C:\\r");
    QProcess zip;
    zip.setWorkingDirectory(drives.host("C:\\src"));
    zip.start("zip", {"-q", "-r", drives.host("C:\\r\\pack.zip"), "docs", "top.txt"});
    ASSERT_TRUE(zip.waitForFinished());
    drives.file("D:\\l\\a.txt", 1);
    drives.file("D:\\l\\b.txt", 2);
    InitArchiveReaders();
    start("Dir1=D:\\l\nDir2=C:\\r\n");
    form->setactief(2);
    cursorOn(2, "pack.zip");
    form->listklick(2);
    ASSERT_TRUE(form->panel(2).inArchive);
    cursorOn(2, "top.txt");
    form->setactief(1);
    mark(1, {"a.txt", "b.txt"});
    run(Cmd::Copy, [](TForm3& d) { d.Edit1->setText("C:\\src"); });
    EXPECT_TRUE(drives.exists("C:\\src\\a.txt"));
    EXPECT_TRUE(form->panel(2).inArchive);
    EXPECT_EQ(names(2), (QStringList{"..", "docs", "top.txt"}));
    EXPECT_EQ(cursorName(2), "top.txt");
    EXPECT_EQ(marked(1), (QStringList{"a.txt", "b.txt"}));
    setArchiveLister(nullptr);
}

TEST_F(OperationWindowTest, MkDirPutsTheCursorOnExactlyTheDirectoryItMade)
{
    drives.directory("D:\\l\\AB");
    drives.directory("D:\\l\\abc");
    drives.file("D:\\l\\ab.txt", 7);
    start("Dir1=D:\\l\nDir2=D:\\l\n");
    mark(1, {"ab.txt"});
    mark(2, {"abc"});
    cursorOn(2, "abc");
    form->setactief(1);
    cursorOn(1, "ab.txt");
    run(Cmd::MkDir, [](TForm3& d) { d.Edit1->setText("ab"); });
    EXPECT_EQ(names(1), (QStringList{"..", "AB", "ab", "abc", "ab.txt"}));
    EXPECT_EQ(cursorName(1), "ab");
    EXPECT_EQ(marked(1), QStringList{"ab.txt"});
    EXPECT_EQ(marked(2), QStringList{"abc"});
    EXPECT_EQ(cursorName(2), "abc");
    EXPECT_EQ(form->statusLine(1)->text(), "7 bytes in 1 files");

    run(Cmd::MkDir, [](TForm3& d) { d.Edit1->setText(".\\new/deeper"); });
    EXPECT_TRUE(drives.exists("D:\\l\\new\\deeper"));
    EXPECT_EQ(cursorName(1), "new");
}

TEST_F(OperationWindowTest, AListWithoutCursorActsOnItsFirstLine)
{
    drives.file("D:\\one.txt", 1);
    drives.file("D:\\two.txt", 2);
    drives.file("C:\\r\\x.txt", 3);
    start("Dir1=D:\\\nDir2=C:\\r\n");
    form->setactief(1);
    form->list(1)->setCursor(-1);
    form->list(2)->setCursor(-1);
    run(Cmd::Delete);
    EXPECT_EQ(label, "Delete \"one.txt\"");
    EXPECT_FALSE(drives.exists("D:\\one.txt"));
    EXPECT_EQ(cursorName(1), "two.txt");
    EXPECT_EQ(form->list(2)->cursor(), 0);
}

TEST_F(OperationWindowTest, TypedPathsThatClimbStayOnTheDrive)
{
    // The drive is a folder with a sibling that no text field may reach.
    const QString outside = drives.root('C') + "-outside";
    QDir().mkpath(outside);
    QFile sibling(outside + "/keep.txt");
    ASSERT_TRUE(sibling.open(QIODevice::WriteOnly));
    sibling.write("keep");
    sibling.close();
    const QString escape = "..\\..\\..\\" + QFileInfo(outside).fileName();

    drives.file("C:\\w\\a.txt", 5);
    drives.directory("D:\\d");
    start("Dir1=C:\\w\nDir2=D:\\d\n");
    form->setactief(1);
    cursorOn(1, "a.txt");
    run(Cmd::Copy, [&](TForm3& d) { d.Edit1->setText(escape + "\\keep.txt"); });
    run(Cmd::MkDir, [&](TForm3& d) { d.Edit1->setText(escape + "\\made"); });
    QFile after(outside + "/keep.txt");
    ASSERT_TRUE(after.open(QIODevice::ReadOnly));
    EXPECT_EQ(after.readAll(), "keep");
    EXPECT_FALSE(QFileInfo::exists(outside + "/made"));
    // Inside the drive, the climb ends at its root.
    const QString inside = "C:\\" + QFileInfo(outside).fileName();
    EXPECT_TRUE(drives.exists(inside + "\\made"));
    QDir(outside).removeRecursively();
}
