#include "panels/ui/seekpopup.h"
#include "panels/ui/selectionsetdialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

using namespace dovex;

namespace {

PanelEntries named(const QStringList& names)
{
    PanelEntries out;
    for (const QString& n : names) {
        PanelEntry e;
        e.name = n;
        out.push_back(e);
    }
    return out;
}

// Runs once the modal dialog's event loop has started.
void whenShown(TForm8& dialog, std::function<void()> action)
{
    QTimer::singleShot(0, &dialog, [&dialog, action] {
        QTRY_VERIFY_WITH_TIMEOUT(dialog.isVisible(), 2000);
        action();
    });
}

} // namespace

TEST(Selectionset, CaptionTextAndDefaultButton)
{
    TForm8 dialog;
    EXPECT_EQ(dialog.windowTitle(), "Selectionset");
    EXPECT_TRUE(dialog.okButton()->isDefault());
    EXPECT_FALSE(dialog.cancelButton()->isDefault());

    bool focused = false;
    QString instruction;
    bool wholeInside = false;
    whenShown(dialog, [&] {
        // The title is the only instruction, and titles get shortened: it
        // stands inside too, whole.
        instruction = dialog.prompt()->isVisible() ? dialog.prompt()->text() : QString();
        wholeInside = dialog.prompt()->width() >= dialog.prompt()->sizeHint().width();
        focused = dialog.focusWidget() == dialog.edit();
        dialog.edit()->setText("*.TXT");
        QTest::keyClick(dialog.edit(), Qt::Key_Return); // the default button
    });
    EXPECT_EQ(dialog.ask("Select Files", "*.*"), std::optional<QString>("*.TXT"));
    EXPECT_EQ(dialog.windowTitle(), "Select Files");
    EXPECT_EQ(instruction, "Select Files");
    EXPECT_TRUE(wholeInside);
    EXPECT_TRUE(focused);
}

TEST(Selectionset, CancelChangesNothing)
{
    TForm8 dialog;
    whenShown(dialog, [&] {
        EXPECT_EQ(dialog.edit()->text(), "*.DOC");
        dialog.edit()->setText("junk");
        dialog.cancelButton()->click();
    });
    EXPECT_EQ(dialog.ask("Set Filter", "*.DOC"), std::nullopt);
    whenShown(dialog, [&] { QTest::keyClick(dialog.edit(), Qt::Key_Escape); });
    EXPECT_EQ(dialog.ask("Deselect Files", "a*.*"), std::nullopt);
}

class SeekTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        entries = named({"..", "readme.txt", "REPORT.DOC", "zeta"});
        seek.setEntries(&entries);
        seek.setCursorCallback([this](int i) { calls << i; });
        seek.showOver(QRect(100, 400, 300, 20), 380);
    }

    PanelEntries entries;
    TForm11 seek;
    QList<int> calls;
};

TEST_F(SeekTest, TypingMovesTheCursorAndRefusesDeadEnds)
{
    QSignalSpy moved(&seek, &TForm11::cursorChanged);
    EXPECT_TRUE(seek.isVisible());
    EXPECT_EQ(seek.windowTitle(), "Seek");
    EXPECT_TRUE(seek.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(seek.x(), 100 + (300 - seek.width()) / 2);
    EXPECT_EQ(seek.y(), 380);

    QTest::keyClicks(seek.edit(), "re");
    EXPECT_EQ(seek.edit()->text(), "re");
    EXPECT_EQ(calls, QList<int>({1, 1})); // readme.txt stands first
    QTest::keyClick(seek.edit(), 'x');    // no name continues with "rex"
    EXPECT_EQ(seek.edit()->text(), "re");
    QTest::keyClick(seek.edit(), 'P');
    EXPECT_EQ(seek.edit()->text(), "reP");
    EXPECT_EQ(calls.last(), 2);
    EXPECT_EQ(moved.count(), 3);

    // Backspace edits without searching.
    QTest::keyClick(seek.edit(), Qt::Key_Backspace);
    EXPECT_EQ(seek.edit()->text(), "re");
    EXPECT_EQ(calls.size(), 3);
}

TEST_F(SeekTest, ClosingKeysEmptyTheText)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Escape, Qt::Key_Up, Qt::Key_Down, Qt::Key_F10}) {
        seek.showOver(QRect(0, 0, 300, 20), 0);
        QSignalSpy closed(&seek, &TForm11::closed);
        QTest::keyClicks(seek.edit(), "z");
        QTest::keyClick(seek.edit(), key);
        EXPECT_FALSE(seek.isVisible()) << key;
        EXPECT_EQ(closed.count(), 1) << key;
        EXPECT_TRUE(seek.edit()->text().isEmpty()) << key;
    }
}

TEST_F(SeekTest, NoEntriesRefusesEverything)
{
    PanelEntries none;
    seek.setEntries(&none);
    QTest::keyClicks(seek.edit(), "abc");
    EXPECT_TRUE(seek.edit()->text().isEmpty());
    EXPECT_TRUE(calls.isEmpty());
}
