#include "controls/tfastcaption.h"
#include "fileops/runoperation.h"
#include "fileops/ui/fileoperations.h"
#include "fileops/ui/messageprompter.h"
#include "fileops/ui/tform2.h"
#include "fileops/ui/tform3.h"
#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include <gtest/gtest.h>

namespace dovex::test {

namespace {

// Runs fn on the operation dialog once it is shown modally.
void onDialog(std::function<void(TForm3&)> fn)
{
    QTimer::singleShot(0, [fn] {
        auto* d = qobject_cast<TForm3*>(QApplication::activeModalWidget());
        ASSERT_NE(d, nullptr);
        fn(*d);
    });
}

PanelEntry entry(const QString& name, bool dir = false, bool selected = false)
{
    PanelEntry e;
    e.name = name;
    e.directory = dir;
    e.selected = selected;
    return e;
}

class FileOperationsTest : public ::testing::Test {
protected:
    DriveFixture drives{QStringLiteral("CD")};
    ScriptedPrompter prompter;
    FilePanel left, right;
    OperationContext ctx{.source = left,
                         .cursorIndex = 1,
                         .other = right,
                         .parent = nullptr,
                         .showSpeed = false,
                         .prompter = &prompter};
    void SetUp() override
    {
        left.path = "C:\\src";
        right.path = "D:\\";
        drives.file("C:\\src\\a.txt", 0, "aaa");
        drives.file("C:\\src\\b.txt", 0, "bbb");
        left.entries = {entry(".."), entry("a.txt"), entry("b.txt")};
    }
};

TEST_F(FileOperationsTest, SingleModeCopyUsesTheCursorEntryAndTheClipboard)
{
    QString label, title, destination;
    onDialog([&](TForm3& d) {
        label = d.Label1->text();
        title = d.windowTitle();
        destination = d.Edit1->text();
        EXPECT_FALSE(d.BitBtn3->isEnabled());
        EXPECT_FALSE(d.BitBtn3->isVisible()); // nothing behind it without an archive side
        d.BitBtn1->click();
    });
    EXPECT_TRUE(Copy1Click(ctx));
    EXPECT_EQ(title, "Copy");
    EXPECT_EQ(label, "Copy \"a.txt\" to");
    EXPECT_EQ(destination, "D:\\");
    EXPECT_EQ(QApplication::clipboard()->text(), "a.txt");
    EXPECT_EQ(drives.read("D:\\a.txt"), "aaa");
    EXPECT_FALSE(drives.exists("D:\\b.txt"));
    EXPECT_FALSE(left.entries[1].selected); // the panel's own table is untouched
    EXPECT_FALSE(FileOperationRunning());
}

TEST_F(FileOperationsTest, MarkedEntriesMoveAndDeleteHasNoDestination)
{
    left.entries[1].selected = left.entries[2].selected = true;
    QString label;
    onDialog([&](TForm3& d) {
        label = d.Label1->text();
        d.Edit1->setText("moved"); // relative to the source directory
        d.BitBtn1->click();
    });
    drives.directory("C:\\src\\moved");
    EXPECT_TRUE(Doemove(ctx));
    EXPECT_EQ(label, "Move 2 files to");
    EXPECT_TRUE(drives.exists("C:\\src\\moved\\a.txt"));
    EXPECT_FALSE(drives.exists("C:\\src\\a.txt"));

    left.path = "C:\\src\\moved";
    bool destinationShown = true;
    onDialog([&](TForm3& d) {
        label = d.Label1->text();
        destinationShown = d.Edit1->isVisible();
        d.BitBtn1->click();
    });
    EXPECT_TRUE(Delete1Click(ctx));
    EXPECT_EQ(label, "Delete 2 files");
    EXPECT_FALSE(destinationShown);
    EXPECT_FALSE(drives.exists("C:\\src\\moved\\b.txt"));
}

TEST_F(FileOperationsTest, ADeleteThatTakesFoldersNamesThemAndOthersKeepTheirText)
{
    drives.file("C:\\src\\dir1\\x.txt", 0, "x");
    drives.file("C:\\src\\dir2\\sub\\y.txt", 0, "y");
    left.entries = {entry(".."), entry("dir1", true, true), entry("dir2", true, true),
                    entry("a.txt", false, true), entry("b.txt")};
    QString label;
    onDialog([&](TForm3& d) {
        label = d.Label1->text();
        d.BitBtn2->click();
    });
    EXPECT_FALSE(Copy1Click(ctx));
    EXPECT_EQ(label, "Copy 3 files to");

    onDialog([&](TForm3& d) {
        label = d.Label1->text();
        d.BitBtn1->click();
    });
    EXPECT_TRUE(Delete1Click(ctx));
    EXPECT_EQ(label, "Delete 1 file and 2 folders");
    EXPECT_FALSE(drives.exists("C:\\src\\dir2"));
    EXPECT_FALSE(drives.exists("C:\\src\\a.txt"));
    EXPECT_TRUE(drives.exists("C:\\src\\b.txt"));

    EXPECT_EQ(MarkedQuestion(FileOpKind::Delete, {entry("d", true, true)}), "Delete 1 folder");
    EXPECT_EQ(MarkedQuestion(FileOpKind::Delete,
                             {entry("a", false, true), entry("b", false, true), entry("c")}),
              "Delete 2 files");
    EXPECT_EQ(MarkedQuestion(FileOpKind::Move, {entry("d", true, true), entry("a", false, true)}),
              "Move 2 files");
}

TEST_F(FileOperationsTest, CancelDoesNothing)
{
    onDialog([](TForm3& d) { d.BitBtn2->click(); });
    EXPECT_FALSE(Copy1Click(ctx));
    EXPECT_FALSE(drives.exists("D:\\a.txt"));
}

TEST_F(FileOperationsTest, ArchivesAreRefusedWithAClearMessage)
{
    left.inArchive = true;
    EXPECT_FALSE(Copy1Click(ctx));
    EXPECT_EQ(prompter.texts(), QStringList("Archive operations are not available yet."));

    left.inArchive = false;
    right.inArchive = true;
    right.path = right.archiveFile = "D:\\x.zip";
    onDialog([](TForm3& d) { d.BitBtn1->click(); });
    EXPECT_FALSE(Copy1Click(ctx));
    EXPECT_EQ(prompter.count("Archive operations are not available yet."), 2);
    EXPECT_FALSE(drives.exists("D:\\a.txt"));
}

TEST_F(FileOperationsTest, MkDirCreatesLevelsAndReturnsTheName)
{
    onDialog([](TForm3& d) {
        EXPECT_EQ(d.windowTitle(), "Create Directory");
        EXPECT_EQ(d.Label1->text(), "Create Directory:");
        EXPECT_FALSE(d.CheckBox1->isVisible());
        d.Edit1->setText("x\\y\\z");
        d.BitBtn1->click();
    });
    EXPECT_EQ(MkDir1Click(ctx), "x\\y\\z");
    EXPECT_TRUE(drives.exists("C:\\src\\x\\y\\z"));
}

TEST(CursorAfterReread, NameThenIndexThenLast)
{
    PanelEntries e = {entry(".."), entry("a"), entry("b")};
    EXPECT_EQ(CursorAfterReread(e, "b", 0), 2);
    EXPECT_EQ(CursorAfterReread(e, "gone", 1), 1);
    EXPECT_EQ(CursorAfterReread(e, "gone", 7), 2);
    EXPECT_EQ(CursorAfterReread({}, "gone", 0), -1);
}

TEST(CursorAfterMkDir, TheExactDirectoryMadeInThePanel)
{
    // "ab" among look-alikes: neither another case nor a longer name, nor a
    // file of that name.
    PanelEntries e = {entry("..", true), entry("AB", true),  entry("Ab", true),
                      entry("ab", true), entry("abc", true), entry("ab.txt")};
    EXPECT_EQ(CursorAfterMkDir(e, "C:\\w", "ab", 0), 3);
    EXPECT_EQ(CursorAfterMkDir(e, "C:\\w", "ab\\x\\y", 0), 3);
    EXPECT_EQ(CursorAfterMkDir(e, "C:\\w", ".\\\\ab/x", 0), 3);
    EXPECT_EQ(CursorAfterMkDir(e, "C:\\w", "abc\\..\\ab\\", 0), 3);
    EXPECT_EQ(CursorAfterMkDir(e, "C:\\w", "aB", 4), 4); // not made here: stays
    EXPECT_EQ(CursorAfterMkDir(e, "C:\\w", "", 4), 4);   // cancelled or failed
    // Above the panel's directory nothing was made in it, except at a root.
    EXPECT_EQ(CursorAfterMkDir(e, "C:\\w", "..\\ab", 1), 1);
    EXPECT_EQ(CursorAfterMkDir(e, "C:\\", "..\\ab", 1), 3);
    PanelEntries files = {entry("ab.txt")};
    EXPECT_EQ(CursorAfterMkDir(files, "C:\\w", "ab.txt", -1), -1);
}

TEST(TForm2, AbortButtonAndEscapeDuringTheOperation)
{
    TForm2 form;
    form.beginOperation("Copying...", TAnimationType::atCopyFile);
    EXPECT_EQ(form.windowTitle(), "Copying...");
    EXPECT_FALSE(form.abortRequested());
    form.setLabels("a.txt", "To D:\\");
    form.setInfo("1 KB of 2 KB copied");
    form.setPercent(50);
    EXPECT_EQ(form.Label1->caption(), "a.txt");
    EXPECT_EQ(form.ProgressBar1->value(), 50);

    // An Escape pressed while the operation runs is seen at the next check.
    QTest::keyClick(form.Button1, Qt::Key_Escape);
    QTest::qWait(40);
    EXPECT_TRUE(form.abortRequested());
    // ... and dropped at the start of the next one.
    form.dropPendingEscape();
    EXPECT_FALSE(form.abortRequested());

    form.Button1->click();
    EXPECT_TRUE(form.abortRequested());
    EXPECT_FALSE(form.isVisible());
    form.endOperation();
}

// What a question box looked like when it came up, and the key that closed it.
struct SeenBox {
    QWidget* parent = nullptr;
    bool onTop = false;
    bool focused = false;
    bool closedByKey = false;
};

void closeBoxWith(int key, SeenBox& seen)
{
    QTimer::singleShot(0, [key, &seen] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        seen.parent = box->parentWidget();
        seen.onTop = box->windowFlags() & Qt::WindowStaysOnTopHint;
        seen.focused = QTest::qWaitFor([box] { return box->isActiveWindow(); }, 2000);
        QTest::keyClick(box->focusWidget() ? box->focusWidget() : box, Qt::Key(key));
        seen.closedByKey = !box->isVisible();
        if (!seen.closedByKey)
            box->close(); // the key was swallowed: end the test, not hang it
    });
}

TEST(MessagePrompter, AQuestionDuringAnOperationStandsOverTheProgressWindow)
{
    QWidget main;
    main.show();
    TForm2 progress(&main);
    progress.beginOperation("Copying...", TAnimationType::atCopyFile);
    MessagePrompter prompter(&main);
    SeenBox seen;
    closeBoxWith(Qt::Key_Escape, seen);
    // Escape answers the question (Cancel: the file is kept) and is not
    // taken for the operation's abort key.
    EXPECT_EQ(
        prompter.ask(Severity::Information, "File D:\\a Exists,Overwrite?", Buttons::YesNoAll),
        Answer::Cancel);
    EXPECT_TRUE(seen.closedByKey);
    EXPECT_EQ(seen.parent, &progress);
    EXPECT_TRUE(seen.onTop);
    EXPECT_TRUE(seen.focused);
    EXPECT_FALSE(progress.abortRequested());
    progress.endOperation();

    // Without a progress window the given window owns it; Escape on an Ok
    // box is its Ok, a button still gives its own answer.
    closeBoxWith(Qt::Key_Escape, seen);
    EXPECT_EQ(prompter.ask(Severity::Error, "x", Buttons::Ok), Answer::Ok);
    EXPECT_EQ(seen.parent, &main);
    EXPECT_FALSE(seen.onTop);
    closeBoxWith(Qt::Key_Escape, seen);
    EXPECT_EQ(prompter.ask(Severity::Question, "x", Buttons::YesNo), Answer::Cancel);
    closeBoxWith(Qt::Key_Return, seen);
    EXPECT_EQ(prompter.ask(Severity::Question, "x", Buttons::YesNo), Answer::Yes);
}

} // namespace

} // namespace dovex::test
