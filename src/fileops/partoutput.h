#pragma once

#include "platform/fileio.h"

#include <QString>

#include <cstdint>

// What split and merge share: the file being written and the questions
// around it. Internal to the two.

namespace dovex {

struct OperationState;

// One file a split or a merge writes: straight under its name when that
// was free, else under a free ".$$$" name beside it until it is complete,
// so that the file it replaces stays until then.
struct PartOutput {
    File file;
    QString name;    // the name it is to have
    QString written; // the name it is written under

    // Creates the file, under a temporary name when replacing (or when
    // name is taken); false when it cannot be made.
    bool create(bool replacing);
    // Closes a complete file and gives it its name; false when that fails
    // (the file then keeps its ".$$$" name).
    bool finish();
    // Closes an incomplete file and makes sure it does not pass for a
    // complete one: it keeps (or gets) a free ".$$$" name. Returns that
    // name, empty when the file had to go.
    QString abandon();
};

// Asks before an existing entry at name is replaced (the overwrite question,
// then the protected-file ones); true when the name is free or may be
// replaced. exists tells which.
bool MayReplacePart(OperationState& state, const QString& name, bool& exists);
// Opens (after that question) the next file to write; false when the person
// declined or it could not be made (already reported).
bool OpenPartOutput(OperationState& state, PartOutput& out, const QString& name);
// The state at the start of a split or a merge: no earlier All, abort or
// failure holds, and the progress counts bytes.
void ResetSplitMergeState(OperationState& state);
// A CRC-32 as base.crc writes it: eight upper-case hexadecimal digits.
QString CrcText(std::uint32_t crc);
// True when size bytes fit beside target, or the person goes on anyway.
bool EnoughSpaceForParts(OperationState& state, const QString& source, const QString& target,
                         std::int64_t size);
// Says how an operation that ended early left things.
void ReportEarlyEnd(OperationState& state, const QString& what, const QString& sources,
                    const QString& partial);

} // namespace dovex
