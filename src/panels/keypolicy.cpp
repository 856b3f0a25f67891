#include "panels/keypolicy.h"

namespace dovex {

namespace {

PanelKeyAction enterAction(Qt::KeyboardModifiers mods, const PanelKeyContext& c)
{
    if (!c.hasCursor)
        return PanelKeyAction::None;
    if (mods == Qt::ControlModifier)
        return PanelKeyAction::AppendName;
    if (mods == Qt::NoModifier)
        return c.commandLineEmpty ? PanelKeyAction::OpenEntry : PanelKeyAction::RunCommandLine;
    return PanelKeyAction::None;
}

PanelKeyAction symbolAction(int key, bool keypad, bool symbolFlag)
{
    if (keypad && key == Qt::Key_Plus)
        return PanelKeyAction::SelectDialog;
    if (keypad && key == Qt::Key_Minus)
        return PanelKeyAction::DeselectDialog;
    if (keypad && key == Qt::Key_Asterisk)
        return PanelKeyAction::InvertMarks;
    return symbolFlag ? PanelKeyAction::AppendText : PanelKeyAction::None;
}

bool printable(const QString& text)
{
    return text.size() == 1 && text[0].unicode() >= 32 && text[0].unicode() <= 126;
}

} // namespace

PanelKeyDecision PanelKeyPolicy(int key, Qt::KeyboardModifiers modifiers, const QString& text,
                                const PanelKeyContext& context)
{
    const Qt::KeyboardModifiers mods = modifiers & ~Qt::KeypadModifier;
    const bool keypad = modifiers & Qt::KeypadModifier;
    PanelKeyDecision d;
    d.symbolFlag = context.symbolFlag;
    if (mods == (Qt::ControlModifier | Qt::AltModifier) && key != Qt::Key_Control &&
        key != Qt::Key_Alt) {
        d.action = PanelKeyAction::OpenSeek;
        d.updateLine = false;
        return d;
    }
    if (mods == Qt::ShiftModifier || (key == Qt::Key_Minus && !keypad))
        d.symbolFlag = true;
    switch (key) {
    case Qt::Key_Delete:
        d.action = PanelKeyAction::ClearCommandLine;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        d.action = enterAction(mods, context);
        break;
    case Qt::Key_Plus:
    case Qt::Key_Minus:
    case Qt::Key_Asterisk:
        d.action = symbolAction(key, keypad, d.symbolFlag);
        d.symbolFlag = false; // the keypad keys type their character too, and use the flag up
        break;
    case Qt::Key_Insert:
        d.action = context.hasCursor ? PanelKeyAction::ToggleMark : PanelKeyAction::None;
        break;
    case Qt::Key_Backspace:
        d.action = PanelKeyAction::Backspace;
        d.symbolFlag = false;
        break;
    default:
        if (mods & (Qt::ControlModifier | Qt::AltModifier) || !printable(text)) {
            d.handled = false;
            break;
        }
        d.action = PanelKeyAction::AppendText;
        d.symbolFlag = false;
        break;
    }
    return d;
}

} // namespace dovex
