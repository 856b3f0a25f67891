#pragma once

#include "fileops/fileopkind.h"

#include <QStringList>

#include <optional>

namespace dovex::cli {

// copy, move and delete with an archive on either side: "--from ARCHIVE"
// names members (copied or moved out with --overwrite and --protected
// answering the replace questions), a DEST that is an archive file takes
// the sources in. The
// exit status when it was such a command (0 only when everything was
// done), nullopt when the plain file operation is meant.
std::optional<int> runArchiveOperation(FileOpKind kind, QStringList& args);

} // namespace dovex::cli
