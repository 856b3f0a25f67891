#pragma once

namespace dovex {

class TForm1;

// The main window's drags and drops (panel lists as drag sources, drops of
// a panel on the other list, a drive bar or the command line, files from
// other programs), attached once the window's widgets exist.
void AttachDragDrop(TForm1& form);

} // namespace dovex
