#pragma once

#include "panels/filepanel.h"

class QWidget;

namespace dovex {

class Prompter;
class TForm5;

// F11, File Properties, on a directory panel: the dialog prefilled from the
// entry under the cursor (one file: its bits and time, two-state boxes) or
// for several entries (grayed boxes, the current time), then the change
// with the progress window counting files. The panel's own entries take the
// new attributes and times; the caller redraws its list without reading the
// directory again. Returns true when something ran (the caller redraws),
// false when cancelled, refused or when the typed date was no date (the
// message has then been shown and nothing changed).
//
//   if (DoeAttr(this, prompter(), panel(n), list(n)->cursor()))
//       list(n)->viewport()->update();
bool DoeAttr(QWidget* parent, Prompter& prompter, FilePanel& panel, int cursorIndex);

// The one File Properties dialog of the run (made on first use).
TForm5& propertiesDialog(QWidget* parent);

} // namespace dovex
