#pragma once

#include "archive/safeextract.h"

namespace dovex {

struct OperationState;

// What asks before a member an archiver took out reaches its name in the
// target: the copy engine's "File <path> Exists,Overwrite?" (Yes, No, All)
// and the protected-file questions after it, the answers held in state.
// For a member the archive holds more than once it is asked even where
// nothing is there yet, as the earlier of them would be.
archive::AgreeToPlace ReplaceQuestion(OperationState& state);

} // namespace dovex
