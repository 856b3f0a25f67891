#pragma once

class QFileDialog;

namespace dovex {

// Makes the program's own (not the platform's) file dialog list a directory
// without reading its files: an entry's icon and type come from whether it
// is a folder, and links are shown as themselves. The icon and type of each
// file otherwise come from its contents, which kept a directory like
// /usr/bin empty for seconds.
void listQuickly(QFileDialog& dialog);

} // namespace dovex
