#pragma once

#include "panels/panelentry.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <optional>

namespace dovex {

struct OperationState;

// One attribute box of File Properties: checked sets the bit, unchecked
// clears it, grayed leaves it as each file has it.
enum class TriState { Clear, Set, Keep };

// What File Properties does to every file it reaches.
struct AttributeRequest {
    std::uint32_t setMask = 0;   // bits to set
    std::uint32_t clearMask = 0; // bits to clear
    bool setTime = false;        // "Set Date & Time"
    std::uint32_t fileDate = 0;  // packed DOS date and time, used with setTime
    bool includeSubdirs = true;  // selected directories: every file below them
};

// The two masks from the System, Hidden, Read Only and Archive boxes. Only
// these four bits ever change.
void SetMasksFrom(AttributeRequest& request, TriState system, TriState hidden, TriState readOnly,
                  TriState archive);

// The caption of the progress window while attributes change.
inline const QString kAttributesCaption = QStringLiteral("Seting Attributes...");

// "'text' is not a valid date and time": the command then changes nothing.
QString InvalidDateTimeText(const QString& text);

// A date and time the window converted from the system's formats; nullopt
// when it is invalid or outside what a packed DOS time holds (1980..2107).
std::optional<std::uint32_t> DosDateFrom(const QDateTime& when);

// "DD/MM/YY HH:MM:SS" whatever the locale (the command line's form). A
// two-digit year from 80 is in the 1900s, below 80 in the 2000s.
std::optional<std::uint32_t> ParseFixedDateTime(const QString& text);

struct AppliedAttributes {
    std::uint32_t attributes = 0; // as the file has them now
    bool timeSet = false;         // the modification time was changed
    int error = 0;                // errno of a change that could not be made
};

// Changes one file: its time first (when asked; a file that cannot be
// opened for writing keeps its time), then its attributes (a file whose
// attributes cannot be set keeps them). Neither failure is shown; error
// tells of it (a read-only file keeping its time is no failure). A
// symbolic link, pipe or device is counted but never changed. Shows the
// name and counts the file in the progress window.
AppliedAttributes ApplyAttributes(OperationState& state, const QString& path,
                                  const AttributeRequest& request);

// Told of each file AttributeTree could not change and each directory it
// could not read, with the errno.
using AttributeFailure = std::function<void(const QString& path, int error)>;

// Every file below directory, in every subdirectory (names beginning with a
// dot included), until an abort; no directory itself is changed. Other
// volumes mounted below it are left alone. What fails goes to failed, when
// given; the walk goes on without it.
void AttributeTree(OperationState& state, const QString& directory, const AttributeRequest& request,
                   const AttributeFailure& failed = {});

// The command after its dialog: the selected entries among the first n of
// the panel showing directory (the cursor entry when none is selected),
// counted, then changed in order. The entries of changed files take the
// attributes and time the files now have; the list is not read again.
// The sink must already show the window.
void RunAttributes(OperationState& state, const QString& directory, PanelEntries& entries, int n,
                   int cursorIndex, const AttributeRequest& request);

} // namespace dovex
