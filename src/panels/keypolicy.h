#pragma once

#include <QString>
#include <Qt>

namespace dovex {

// What a key pressed on a panel list does. The window only applies it.
enum class PanelKeyAction {
    None,     // the list handles the key itself (cursor keys, shortcuts)
    OpenSeek, // Ctrl+Alt with any other key
    ClearCommandLine,
    AppendName,     // Ctrl+Enter: the cursor entry's name and a space
    RunCommandLine, // Enter while the command line holds text
    OpenEntry,      // Enter on an empty command line
    SelectDialog,   // keypad +
    DeselectDialog, // keypad -
    InvertMarks,    // keypad *
    AppendText,     // a printable character goes to the command line
    ToggleMark,     // Insert: mark the cursor entry and move down
    Backspace,
};

// The panel and command line as a key finds them.
struct PanelKeyContext {
    bool symbolFlag = false; // Shift or '-' came last: '+', '-' and '*' are typed
    bool hasCursor = false;  // the list has (or gets) a cursor entry
    bool commandLineEmpty = true;
};

struct PanelKeyDecision {
    PanelKeyAction action = PanelKeyAction::None;
    bool handled = true;     // false: the list's own key handling runs
    bool symbolFlag = false; // the flag for the next key
    bool updateLine = true;  // the selection line is written afterwards
};

// The key policy of a panel list: key and modifiers as the key event
// gives them (the keypad flag included), text the character it types.
PanelKeyDecision PanelKeyPolicy(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                                const PanelKeyContext& context);

} // namespace dovex
