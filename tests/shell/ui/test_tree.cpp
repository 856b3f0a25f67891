#include "windowtest.h"

#include "panels/ui/panellist.h"
#include "panels/ui/tdirout.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

using namespace dovex;
using namespace dovex::test;

namespace {

QStringList topLevel(const TDirOut* tree)
{
    QStringList out;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        out << TDirOut::pathOf(tree->topLevelItem(i));
    return out;
}

class TreeModeTest : public WindowTest {
protected:
    void SetUp() override
    {
        drives.directory("C:\\alpha\\inner");
        drives.directory("C:\\beta");
        drives.file("C:\\beta\\note.txt", 5);
        drives.file("C:\\top.txt", 4);
        drives.directory("D:\\delta");
        ini("[Settings]\nShowIntro=0\nToolsSeek=1\n");
    }
};

TEST_F(TreeModeTest, TreeReplacesTheLeftListAndFullOrBriefBringsItBack)
{
    auto form = start();
    form->command(Cmd::Tree)->trigger();
    TDirOut* tree = form->dirTree();
    EXPECT_TRUE(tree->isVisible());
    EXPECT_FALSE(form->list(1)->isVisible());
    EXPECT_EQ(tree->geometry(), form->list(1)->geometry());
    EXPECT_TRUE(form->settings().treeView);
    EXPECT_EQ(topLevel(tree), (QStringList{"C:\\alpha", "C:\\beta"}));
    // The first node is chosen, and the right panel lists it.
    EXPECT_EQ(form->panel(2).path, "C:\\alpha");
    EXPECT_EQ(form->activePanel(), 1);
    EXPECT_TRUE(form->statusLine(1)->text().isEmpty());

    form->command(Cmd::LeftBrief)->trigger();
    EXPECT_FALSE(tree->isVisible());
    EXPECT_TRUE(form->list(1)->isVisible());
    EXPECT_FALSE(form->settings().treeView);
    // The left list shows the directory chosen last.
    EXPECT_EQ(form->panel(1).path, "C:\\alpha");
    EXPECT_GE(row(form->panel(1), "inner"), 0);
    EXPECT_EQ(form->activePanel(), 1);
}

TEST_F(TreeModeTest, TheRightPanelFollowsTheChosenNode)
{
    auto form = start();
    form->command(Cmd::Tree)->trigger();
    TDirOut* tree = form->dirTree();
    QTreeWidgetItem* beta = tree->itemOf("C:\\beta");
    ASSERT_NE(beta, nullptr);
    tree->setCurrentItem(beta);
    EXPECT_EQ(form->panel(2).path, "C:\\beta");
    EXPECT_GE(row(form->panel(2), "note.txt"), 0);
    EXPECT_EQ(form->pathCaption(1)->text(), "C:\\beta");
    EXPECT_EQ(form->panel(1).path, "C:\\beta");
    EXPECT_EQ(form->activePanel(), 1);
    tree->setCurrentItem(tree->itemOf("C:\\alpha\\inner"));
    EXPECT_EQ(form->panel(2).path, "C:\\alpha\\inner");
}

TEST_F(TreeModeTest, CommandsOnTheCursorEntryDoNothingFromTheTree)
{
    auto form = start();
    form->command(Cmd::Tree)->trigger();
    ASSERT_EQ(form->activePanel(), 1);
    QStringList opened;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            opened << w->windowTitle();
            if (auto* d = qobject_cast<QDialog*>(w))
                d->reject();
            else
                w->close();
        }
    });
    watch.start(20);
    for (Cmd id : {Cmd::Copy, Cmd::Move, Cmd::MkDir, Cmd::Delete, Cmd::FileProperties,
                   Cmd::SplitFile, Cmd::Decompress, Cmd::View, Cmd::Edit}) {
        form->command(id)->trigger();
        form->setFocus();
    }
    for (int k = 0; k < 8; ++k)
        form->commandButton(k)->click();
    watch.stop();
    EXPECT_TRUE(opened.isEmpty()) << opened.join(", ").toStdString();
    EXPECT_TRUE(prompter.asked().isEmpty()) << prompter.texts().join(", ").toStdString();
    EXPECT_TRUE(drives.exists("C:\\alpha\\inner"));
    EXPECT_TRUE(drives.exists("C:\\top.txt"));
    EXPECT_TRUE(form->dirTree()->isVisible());
}

TEST_F(TreeModeTest, TheTreeIsReadAgainOnlyForAnotherDrive)
{
    auto form = start();
    form->command(Cmd::Tree)->trigger();
    TDirOut* tree = form->dirTree();
    drives.directory("C:\\gamma");
    form->command(Cmd::Reread)->trigger();
    EXPECT_EQ(topLevel(tree), (QStringList{"C:\\alpha", "C:\\beta"}));

    form->panel(1).path = "D:\\";
    form->command(Cmd::Reread)->trigger();
    EXPECT_EQ(tree->Drive(), QChar('D'));
    EXPECT_EQ(topLevel(tree), QStringList{"D:\\delta"});
    EXPECT_EQ(form->pathCaption(1)->text(), "D:\\delta");
}

TEST_F(TreeModeTest, TreeViewIsRestoredAtStartAndWrittenAtQuit)
{
    ini("[Settings]\nShowIntro=0\nToolsSeek=1\nTreeView=1\n");
    auto form = start();
    EXPECT_TRUE(form->dirTree()->isVisible());
    EXPECT_EQ(topLevel(form->dirTree()), (QStringList{"C:\\alpha", "C:\\beta"}));
    form->Quit1Click();
    EXPECT_TRUE(iniText().contains("TreeView=1")) << iniText().toStdString();
}

} // namespace
