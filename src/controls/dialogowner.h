#pragma once

#include <functional>

class QObject;
class QWidget;

namespace dovex {

// The window a message or dialog opened now has to stand above: a visible
// framed window of the program that stays on top (a progress window; of
// several, one owned by another before its owner), else the modal dialog in
// front, else fallback's window, else the active window. A window that
// deletes itself when closed is never chosen: a dialog inside it would go
// with it.
QWidget* dialogOwner(QWidget* fallback = nullptr);

// Makes dialog (not yet shown) a child of dialogOwner(fallback), keeps it on
// top when that window is, and raises and activates it whenever it is shown,
// so that it opens above every window of the program with the keyboard
// focus. Stacking and focus are the window manager's: these are the hints
// it goes by (transient owner, "above" state, activation request).
void placeInFront(QWidget& dialog, QWidget* fallback);

// True when watched lies in a window owned by owner, such as a question
// placed in front of it: a window that takes the Escape key for itself
// leaves that key to such a question.
bool inOwnedWindow(const QObject* watched, const QWidget* owner);

// Calls call once window has been exposed and painted for the first time
// (at once, queued, when it already is): a question asked at start-up then
// stands over a filled window, not an empty frame.
void callAfterFirstPaint(QWidget& window, std::function<void()> call);

} // namespace dovex
