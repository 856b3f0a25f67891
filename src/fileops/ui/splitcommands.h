#pragma once

#include "fileops/splitmerge.h"
#include "fileops/ui/fileoperations.h"

#include <QString>

namespace dovex {

// True for a name whose extension is exactly ".001": the first piece of a
// split set, the only entry Merge File acts on.
bool IsFirstPiece(const QString& name);

// Split File: cuts the file under ctx.source's cursor into pieces beside it.
// The engine asks whether to split; askSize then asks for the size ("1420"
// proposed). The progress window ("Splitting...") appears once the bytes
// start to move. Returns false, doing nothing, without a cursor entry, on a
// panel that shows an archive or while another file operation runs; true
// when the split was attempted (whatever its outcome). The caller re-reads
// both panels afterwards.
bool SplitFileCommand(OperationContext& ctx, const AskSplitSize& askSize);

// Merge File: on an entry named "*.001" joins base.001, base.002 ... into the
// file named in the operation dialog ("Append", base proposed). A relative
// name is taken in the source panel's directory; an existing directory
// receives a file named like base. Same refusals and result as above; any
// other entry does nothing.
bool MergeFileCommand(OperationContext& ctx);

} // namespace dovex
