#include "panels/ui/tdirout.h"
#include "panels/ui/tloaddirs.h"

#include "support/drivefixture.h"

#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

class TDirOutTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int i = 0; i < 100; ++i)
            drives.directory(QStringLiteral("C:\\d%1\\sub").arg(i, 3, 10, QChar('0')));
    }
    test::DriveFixture drives{"C"};
};

int countNodes(const TDirOut& tree)
{
    int n = 0;
    QTreeWidgetItemIterator it(const_cast<TDirOut*>(&tree));
    for (; *it; ++it)
        ++n;
    return n;
}

TEST_F(TDirOutTest, ReloadBuildsTheNodesAndSelectsTheFirst)
{
    TDirOut tree;
    int changes = 0;
    tree.OnChange = [&](TDirOut* sender) {
        EXPECT_EQ(sender, &tree);
        ++changes;
    };
    tree.SetDrive('C');
    tree.Reload();
    EXPECT_FALSE(tree.incomplete());
    EXPECT_EQ(countNodes(tree), 200);
    EXPECT_EQ(tree.topLevelItemCount(), 100);
    EXPECT_EQ(tree.selectedPath(), "C:\\d000");
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(tree.loadWindow()->isVisible());
    // The same path again raises nothing.
    tree.setCurrentItem(nullptr);
    tree.setCurrentItem(tree.itemOf("C:\\d000"));
    EXPECT_EQ(changes, 1);
    tree.setCurrentItem(tree.itemOf("C:\\d099\\sub"));
    EXPECT_EQ(tree.selectedPath(), "C:\\d099\\sub");
    EXPECT_EQ(changes, 2);
    EXPECT_EQ(tree.itemOf("C:\\d099\\nothere"), nullptr);
}

TEST_F(TDirOutTest, CancelAndEscapeStopTheReadAndKeepWhatWasRead)
{
    for (bool escape : {false, true}) {
        TDirOut tree;
        tree.SetDrive('C');
        int calls = 0;
        tree.onProgress = [&](TLoadDirs* w) {
            EXPECT_TRUE(w->isVisible());
            EXPECT_EQ(w->windowTitle(), "Reading Directories");
            if (++calls == 1) {
                if (escape)
                    QTest::keyClick(w, Qt::Key_Escape);
                else
                    w->cancelButton()->click();
            }
        };
        // The first directory is a progress point.
        tree.Reload();
        EXPECT_EQ(calls, 1);
        EXPECT_TRUE(tree.incomplete());
        EXPECT_LT(countNodes(tree), 200);
        EXPECT_FALSE(tree.loadWindow()->isVisible());
    }
}

TEST_F(TDirOutTest, NoDriveReadsNothing)
{
    TDirOut tree;
    tree.Reload();
    EXPECT_EQ(tree.topLevelItemCount(), 0);
    EXPECT_EQ(tree.loadWindow(), nullptr);
}

} // namespace
