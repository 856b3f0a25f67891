#pragma once

#include <QString>

namespace dovex {

// The kinds of DoeWerk: the numbers the commands pass.
enum class FileOpKind { Copy = 1, Move = 2, Delete = 3, CopyToDrive = 4 };

// The dialog title and verb: "Copy", "Move", "Delete".
QString operationVerb(FileOpKind kind);
// The progress window's caption: "Copying...", "Moving...", "Deleting...".
QString operationCaption(FileOpKind kind);
// The word of the amount line: "copied", "moved", "deleted".
QString progressWord(FileOpKind kind);
// Whether the bar measures bytes (copy) or the file count (move, delete).
bool measuresBytes(FileOpKind kind);

} // namespace dovex
