// The main window's Split File (Ctrl+F12) and Merge File, and Enter on the
// first piece of a split file.
#include "shell/ui/tform1.h"

#include "fileops/ui/tform2.h"
#include "fileops/ui/tform3.h"
#include "panels/ui/panellist.h"
#include "panels/ui/selectionsetdialog.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

#include "controls/twin97button.h"
#include "windowtest.h"

#include <gtest/gtest.h>

#include <random>

using namespace dovex;

namespace {

// Records, with each question, whether the progress window was up and its
// caption.
class WatchingPrompter : public test::ScriptedPrompter {
public:
    Answer ask(Severity severity, const QString& text, Buttons buttons,
               const QString& caption = QString()) override
    {
        QString progress;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* f = qobject_cast<TForm2*>(w); f && f->isVisible())
                progress = f->windowTitle();
        progressAtQuestion << progress;
        return ScriptedPrompter::ask(severity, text, buttons, caption);
    }
    QStringList progressAtQuestion;
};

class SplitMergeWindowTest : public test::WindowTest {
protected:
    static constexpr std::int64_t kSize = 3000000;

    void SetUp() override
    {
        ini("[Settings]\nShowIntro=0\nToolsSeek=1\n[Panels]\nDir1=D:\\src\nDir2=D:\\src\n");
        std::mt19937 random(11);
        data.resize(kSize);
        for (char& c : data)
            c = char(random());
        drives.file("D:\\src\\big.bin", 0, data);
        drives.file("D:\\src\\zeta.txt", 0, "z");
        form = start();
        form->setPrompter(&watching);
        cursorOn(2, "zeta.txt");
        cursorOn(1, "big.bin"); // the left panel acts
    }

    void cursorOn(int n, const QString& name)
    {
        form->setactief(n);
        form->list(n)->setCursor(row(form->panel(n), name));
    }
    QString cursorName(int n) const
    {
        const int c = form->list(n)->cursor();
        return c < 0 ? QString() : form->panel(n).entries[size_t(c)].name;
    }
    QStringList names(int n) const
    {
        QStringList all;
        for (const PanelEntry& e : form->panel(n).entries)
            all << e.name;
        return all;
    }
    std::int64_t sizeOf(int n, const QString& name) const
    {
        const int r = row(form->panel(n), name);
        return r < 0 ? -1 : form->panel(n).entries[size_t(r)].size;
    }

    // Answers the size dialog once it is up: OK with text, or Cancel.
    void answerSize(const QString& text, bool ok = true)
    {
        QTimer::singleShot(0, qApp, [this, text, ok] {
            auto* d = qobject_cast<TForm8*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            sizeTitle = d->windowTitle();
            sizeProposed = d->text();
            d->setText(text);
            (ok ? d->okButton() : d->cancelButton())->click();
        });
    }
    // Answers the merge dialog once it is up; an empty text keeps the
    // proposed name.
    void answerTarget(const QString& text = QString())
    {
        QTimer::singleShot(0, qApp, [this, text] {
            auto* d = qobject_cast<TForm3*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            mergeTitle = d->windowTitle();
            mergeLabel = d->Label1->text();
            mergeProposed = d->Edit1->text();
            compressShown = d->BitBtn3->isVisible();
            if (!text.isEmpty())
                d->Edit1->setText(text);
            d->BitBtn1->click();
        });
    }
    void split()
    {
        answerSize(QStringLiteral("1420"));
        form->command(Cmd::SplitFile)->trigger();
    }

    WatchingPrompter watching;
    std::unique_ptr<TForm1> form;
    QByteArray data;
    QString sizeTitle, sizeProposed, mergeTitle, mergeLabel, mergeProposed;
    bool compressShown = true;
};

TEST_F(SplitMergeWindowTest, CtrlF12SplitsIntoPiecesBothPanelsShow)
{
    EXPECT_EQ(form->command(Cmd::SplitFile)->shortcut(), QKeySequence("Ctrl+F12"));
    EXPECT_TRUE(form->toolButton("Split File")->isEnabled());
    EXPECT_TRUE(form->toolButton("Merge Files")->isEnabled());
    split();
    EXPECT_EQ(sizeTitle, "Enter Split Size for Files in Kb");
    EXPECT_EQ(sizeProposed, "1420");
    EXPECT_EQ(watching.texts(), QStringList{"Split D:\\src\\big.bin?"});
    // The question comes before the progress window.
    EXPECT_EQ(watching.progressAtQuestion, QStringList{QString()});
    for (int n : {1, 2}) {
        EXPECT_EQ(sizeOf(n, "big.001"), 1458176);
        EXPECT_EQ(sizeOf(n, "big.002"), 1458176);
        EXPECT_EQ(sizeOf(n, "big.003"), 83648);
        EXPECT_GE(row(form->panel(n), "big.crc"), 0);
    }
    EXPECT_EQ(cursorName(1), "big.bin");
    EXPECT_EQ(cursorName(2), "zeta.txt");
    EXPECT_EQ(drives.read("D:\\src\\big.001") + drives.read("D:\\src\\big.002") +
                  drives.read("D:\\src\\big.003"),
              data);

    // A second split asks before replacing a piece; No stops with the
    // progress window up and every piece as it was.
    const QByteArray second = drives.read("D:\\src\\big.002");
    watching.clear();
    watching.progressAtQuestion.clear();
    drives.file("D:\\src\\big.001", 0, "kept");
    watching.script({Answer::Yes, Answer::No});
    cursorOn(1, "big.bin");
    split();
    ASSERT_EQ(watching.texts().size(), 2);
    EXPECT_EQ(watching.texts()[1], "File D:\\src\\big.001 Exists, Overwrite?");
    EXPECT_EQ(watching.progressAtQuestion[1], "Splitting...");
    EXPECT_EQ(drives.read("D:\\src\\big.001"), "kept");
    EXPECT_EQ(drives.read("D:\\src\\big.002"), second);
    EXPECT_EQ(row(form->panel(1), "big.$$$"), -1);
    EXPECT_EQ(cursorName(1), "big.bin");
}

TEST_F(SplitMergeWindowTest, CancelInTheSizeDialogChangesNothing)
{
    const QStringList before = names(1);
    answerSize(QStringLiteral("1420"), false);
    form->command(Cmd::SplitFile)->trigger();
    EXPECT_EQ(sizeTitle, "Enter Split Size for Files in Kb");
    EXPECT_EQ(names(1), before);
    EXPECT_EQ(cursorName(1), "big.bin");
    // No on the first question does not even ask for the size.
    watching.script({Answer::No});
    sizeTitle.clear();
    form->command(Cmd::SplitFile)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(names(1), before);
}

TEST_F(SplitMergeWindowTest, MergeFileAndEnterJoinThePiecesBack)
{
    split();
    watching.clear();

    // Merge File on a piece other than the first does nothing at all.
    cursorOn(1, "big.002");
    form->command(Cmd::MergeFile)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(mergeTitle.isEmpty());
    EXPECT_TRUE(watching.texts().isEmpty());

    cursorOn(1, "big.001");
    answerTarget();
    form->toolButton("Merge Files")->click();
    EXPECT_EQ(mergeTitle, "Append");
    EXPECT_EQ(mergeLabel, "Enter new filename");
    EXPECT_EQ(mergeProposed, "D:\\src\\big");
    EXPECT_FALSE(compressShown);
    EXPECT_TRUE(watching.texts().isEmpty()) << watching.texts().join('|').toStdString();
    EXPECT_EQ(drives.read("D:\\src\\big"), data);
    EXPECT_GE(row(form->panel(2), "big"), 0);
    EXPECT_EQ(cursorName(1), "big.001");

    // Enter on the first piece merges too; a plain name lands beside it.
    answerTarget(QStringLiteral("joined.bin"));
    form->listklick(1);
    EXPECT_EQ(drives.read("D:\\src\\joined.bin"), data);
    EXPECT_EQ(cursorName(1), "big.001");

    // A piece that no longer matches the check file is reported.
    QByteArray changed = drives.read("D:\\src\\big.003");
    changed[10] = char(changed[10] ^ 1);
    drives.file("D:\\src\\big.003", 0, changed);
    answerTarget(QStringLiteral("D:\\src\\again.bin"));
    form->listklick(1);
    ASSERT_EQ(watching.texts().size(), 1);
    EXPECT_TRUE(
        watching.texts()[0].startsWith("D:\\src\\again.bin does not match D:\\src\\big.crc"))
        << watching.texts()[0].toStdString();
}

} // namespace
