#include "panels/keypolicy.h"

#include <gtest/gtest.h>

using namespace dovex;
using A = PanelKeyAction;

namespace {

PanelKeyDecision press(int key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                       const QString& text = {}, PanelKeyContext c = {false, true, true})
{
    return PanelKeyPolicy(key, mods, text, c);
}

TEST(PanelKeyPolicy, EnterOpensRunsOrAppendsByModifierAndCommandLine)
{
    EXPECT_EQ(press(Qt::Key_Return).action, A::OpenEntry);
    EXPECT_EQ(press(Qt::Key_Enter, Qt::KeypadModifier).action, A::OpenEntry);
    EXPECT_EQ(press(Qt::Key_Return, {}, {}, {false, true, false}).action, A::RunCommandLine);
    EXPECT_EQ(press(Qt::Key_Return, Qt::ControlModifier).action, A::AppendName);
    // Shift+Enter and an empty list do nothing, but the key is still taken.
    EXPECT_EQ(press(Qt::Key_Return, Qt::ShiftModifier).action, A::None);
    const PanelKeyDecision empty = press(Qt::Key_Return, {}, {}, {false, false, true});
    EXPECT_EQ(empty.action, A::None);
    EXPECT_TRUE(empty.handled);
}

TEST(PanelKeyPolicy, KeypadSymbolsMarkWhileTypedSymbolsNeedTheFlag)
{
    EXPECT_EQ(press(Qt::Key_Plus, Qt::KeypadModifier, "+").action, A::SelectDialog);
    EXPECT_EQ(press(Qt::Key_Minus, Qt::KeypadModifier, "-").action, A::DeselectDialog);
    EXPECT_EQ(press(Qt::Key_Asterisk, Qt::KeypadModifier, "*").action, A::InvertMarks);
    // A keypad key uses the flag up without typing.
    const PanelKeyDecision keypad =
        press(Qt::Key_Plus, Qt::KeypadModifier, "+", {true, true, true});
    EXPECT_EQ(keypad.action, A::SelectDialog);
    EXPECT_FALSE(keypad.symbolFlag);
    // Shift+'=' types '+'; '*' without the flag is nothing.
    EXPECT_EQ(press(Qt::Key_Plus, Qt::ShiftModifier, "+").action, A::AppendText);
    EXPECT_EQ(press(Qt::Key_Asterisk, Qt::NoModifier, "*").action, A::None);
    // The main keyboard's '-' sets the flag for itself.
    const PanelKeyDecision minus = press(Qt::Key_Minus, Qt::NoModifier, "-");
    EXPECT_EQ(minus.action, A::AppendText);
    EXPECT_FALSE(minus.symbolFlag);
}

TEST(PanelKeyPolicy, ShiftAloneLeavesTheFlagForTheNextKey)
{
    const PanelKeyDecision shift = press(Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(shift.symbolFlag);
    EXPECT_FALSE(shift.handled);
    EXPECT_EQ(press(Qt::Key_Asterisk, {}, "*", {shift.symbolFlag, true, true}).action,
              A::AppendText);
    // Backspace and a typed letter clear it.
    EXPECT_FALSE(press(Qt::Key_Backspace, {}, {}, {true, true, true}).symbolFlag);
    EXPECT_FALSE(press(Qt::Key_A, {}, "a", {true, true, true}).symbolFlag);
}

TEST(PanelKeyPolicy, PrintableCharactersGoToTheCommandLineOthersToTheList)
{
    EXPECT_EQ(press(Qt::Key_A, {}, "a").action, A::AppendText);
    EXPECT_EQ(press(Qt::Key_Space, {}, " ").action, A::AppendText);
    for (const auto& [key, mods, text] :
         {std::tuple{int(Qt::Key_Down), Qt::KeyboardModifiers{}, QString()},
          std::tuple{int(Qt::Key_C), Qt::KeyboardModifiers{Qt::ControlModifier}, QString("\x03")},
          std::tuple{int(Qt::Key_X), Qt::KeyboardModifiers{Qt::AltModifier}, QString("x")},
          std::tuple{int(Qt::Key_unknown), Qt::KeyboardModifiers{}, QString::fromUtf8("é")},
          std::tuple{int(Qt::Key_Tab), Qt::KeyboardModifiers{}, QString("\t")}}) {
        const PanelKeyDecision d = press(key, mods, text);
        EXPECT_FALSE(d.handled) << key;
        EXPECT_EQ(d.action, A::None) << key;
    }
}

TEST(PanelKeyPolicy, EditingKeysAndSeek)
{
    EXPECT_EQ(press(Qt::Key_Delete).action, A::ClearCommandLine);
    EXPECT_EQ(press(Qt::Key_Backspace).action, A::Backspace);
    EXPECT_EQ(press(Qt::Key_Insert).action, A::ToggleMark);
    EXPECT_EQ(press(Qt::Key_Insert, {}, {}, {false, false, true}).action, A::None);
    const PanelKeyDecision seek = press(Qt::Key_F, Qt::ControlModifier | Qt::AltModifier, "f");
    EXPECT_EQ(seek.action, A::OpenSeek);
    EXPECT_FALSE(seek.updateLine);
    // Ctrl+Alt themselves are not yet a key for Seek.
    EXPECT_NE(press(Qt::Key_Alt, Qt::ControlModifier | Qt::AltModifier).action, A::OpenSeek);
}

} // namespace
