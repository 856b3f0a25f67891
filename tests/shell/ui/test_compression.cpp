// The main window's Compression Tools commands: F12, Enter on a compressed
// file, and the archiver search offered once at the first show.
#include "shell/ui/tform1.h"

#include "archive/ui/tform10.h"
#include "panels/ui/panellist.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "windowtest.h"

#include <gtest/gtest.h>

using namespace dovex;

namespace {

class CompressionCommandsTest : public test::WindowTest {
protected:
    // Presses OK of the Compression Tools dialog once it is up.
    void acceptDialogSoon(QString* caption = nullptr)
    {
        QTimer::singleShot(0, qApp, [caption] {
            auto* dialog = qobject_cast<TForm10*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            if (caption)
                *caption = dialog->windowTitle();
            QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
        });
    }
};

// Records whether the main window had been shown on the screen, with its
// panels read, when a question came.
class WatchingPrompter : public test::ScriptedPrompter {
public:
    TForm1* form = nullptr;
    bool shownFilled = false;
    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption) override
    {
        shownFilled = form && form->windowHandle() && form->windowHandle()->isExposed() &&
                      !form->panel(1).entries.empty() && !form->panel(2).entries.empty();
        return ScriptedPrompter::ask(severity, text, buttons, caption);
    }
};

TEST_F(CompressionCommandsTest, TheSearchIsOfferedOnceAfterTheWindowShowsItsPanels)
{
    ini("[Settings]\nShowIntro=0\n[Panels]\nDir1=C:\\\nDir2=D:\\\n");
    drives.file("C:\\left.txt");
    drives.file("D:\\right.txt");
    WatchingPrompter watching;
    watching.script({Answer::No});
    {
        auto form = start();
        EXPECT_TRUE(iniText().contains("ToolsSeek=1"));
        // Asked from the event loop once the window is up, not inside the show.
        EXPECT_TRUE(prompter.texts().isEmpty());
        form->setPrompter(&watching);
        watching.form = form.get();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !watching.texts().isEmpty(); }, 5000));
        EXPECT_EQ(watching.texts(),
                  QStringList{"Would you like to search your disk(s) for Compression Tools?"});
        EXPECT_TRUE(watching.shownFilled);
    }
    prompter.clear();
    auto again = start();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(again.get()));
    QApplication::processEvents(); // where the offer would be served
    EXPECT_TRUE(prompter.texts().isEmpty());
}

TEST_F(CompressionCommandsTest, F12CompressesIntoTheOtherPanelAndEnterOnAnArchiveUnpacks)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\src\nDir2=D:\\dst\n");
    drives.file("D:\\src\\notes one.txt", 0, "the notes");
    drives.file("D:\\src\\sub\\deep.txt", 0, "deeper");
    drives.directory("D:\\dst");
    auto form = start();
    form->list(1)->setCursor(row(form->panel(1), "notes one.txt"));

    QString caption;
    acceptDialogSoon(&caption);
    form->command(Cmd::CompressionTools)->trigger();
    EXPECT_EQ(caption, "Compression Tools");
    EXPECT_TRUE(drives.exists("D:\\dst\\notesone.zip"));
    // The other panel was read again and lists the new archive.
    EXPECT_GE(row(form->panel(2), "notesone.zip"), 0);

    // A ".ZIP" while the other panel shows none is entered; Alt+Enter
    // decompresses it into the other panel instead.
    form->setactief(2);
    form->list(2)->setCursor(row(form->panel(2), "notesone.zip"));
    drives.directory("D:\\src\\back");
    form->setactief(1);
    form->panel(1).path = "D:\\src\\back";
    form->RefreshClick();
    form->setactief(2);
    acceptDialogSoon(&caption);
    form->command(Cmd::Decompress)->trigger();
    EXPECT_EQ(caption, "Decompress notesone.zip");
    EXPECT_EQ(drives.read("D:\\src\\back\\notes one.txt"), "the notes");

    // Enter on a file whose extension ends in "_" opens the dialog too.
    drives.file("D:\\dst\\tiny.tx_", 0,
                QByteArray("SZDD\x88\xf0\x27\x33\x41t\x03\x00\x00\x00\x07"
                           "abc",
                           18));
    form->setactief(2);
    form->RefreshClick();
    form->list(2)->setCursor(row(form->panel(2), "tiny.tx_"));
    acceptDialogSoon(&caption);
    form->listklick(2);
    EXPECT_EQ(caption, "Decompress tiny.tx_");
    EXPECT_EQ(drives.read("D:\\src\\back\\tiny.txt"), "abc");
    EXPECT_TRUE(prompter.texts().contains("1 file(s) added to D:\\dst\\notesone.zip"));
}

TEST_F(CompressionCommandsTest, AltEnterOnATarOpensTheDecompressDialogWithItsTargetAndOptions)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\src\nDir2=D:\\dst\n");
    drives.file("D:\\src\\tree\\sub\\deep.txt", 0, "deeper");
    drives.file("D:\\src\\tree\\top.txt", 0, "top");
    drives.directory("D:\\dst");
    QProcess tar;
    tar.setWorkingDirectory(drives.host("D:\\src\\tree"));
    tar.start("tar", {"-cJf", drives.host("D:\\src\\pack.tar.xz"), "."});
    ASSERT_TRUE(tar.waitForFinished() && tar.exitCode() == 0);
    auto form = start();
    form->list(1)->setCursor(row(form->panel(1), "pack.tar.xz"));

    // Cancel: nothing is written.
    QString caption, target;
    bool subdirs = false;
    QTimer::singleShot(0, qApp, [&] {
        auto* dialog = qobject_cast<TForm10*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        caption = dialog->windowTitle();
        target = dialog->Edit1->text();
        subdirs = dialog->CheckBox1->isChecked() && dialog->CheckBox1->isEnabled();
        QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
    });
    form->command(Cmd::Decompress)->trigger();
    EXPECT_EQ(caption, "Decompress pack.tar.xz");
    EXPECT_EQ(target, "D:\\dst");
    EXPECT_TRUE(subdirs);
    EXPECT_TRUE(QDir(drives.host("D:\\dst")).isEmpty());

    // OK without "Include subdirectory's": the files alone, into the target.
    QTimer::singleShot(0, qApp, [] {
        auto* dialog = qobject_cast<TForm10*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        dialog->CheckBox1->setChecked(false);
        QTest::mouseClick(dialog->BitBtn1, Qt::LeftButton);
    });
    form->command(Cmd::Decompress)->trigger();
    EXPECT_EQ(drives.read("D:\\dst\\deep.txt"), "deeper");
    EXPECT_EQ(drives.read("D:\\dst\\top.txt"), "top");
    EXPECT_FALSE(drives.exists("D:\\dst\\sub"));
    EXPECT_GE(row(form->panel(2), "deep.txt"), 0); // the other panel was read again
    EXPECT_TRUE(prompter.texts().isEmpty()) << prompter.texts().join('|').toStdString();
}

} // namespace
