#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <Qt>

#include <array>

class QMimeData;

namespace dovex {

class DriveMap;

// Drag and drop decisions, kept apart from the widgets so that each one can
// be checked without a mouse: the widgets pass in the drop point, the keys
// and the dragged data and do what comes back.
namespace dragdrop {

// The format a panel list's own drag carries: this process and the number of
// the panel the drag started from. Another running copy of the program sees
// a foreign drag and goes by its file URLs instead.
inline constexpr const char* kPanelFormat = "application/x-dovex-panel-entry";
inline constexpr const char* kUriListFormat = "text/uri-list";
// At most this many names of one drop from another program are taken.
inline constexpr int kMaxDroppedNames = 100;

// The body of kPanelFormat for a drag of panel (1 or 2).
QByteArray panelToken(int panel);
// The panel a drag of this process started from; 0 for any other drag.
int sourcePanel(const QMimeData* data);

// The `text/uri-list` body for host paths (the program's form of names):
// file URLs built from the names' bytes, so that a name that is not valid
// UTF-8 reaches the other program byte for byte. CRLF after each line.
QByteArray uriList(const QStringList& hostPaths);

// A `text/uri-list` body read back. Every URL must be a local file
// ("file:" with no host or "localhost"); otherwise the whole drop is
// foreign and refused. Each name becomes a drive-letter path through the
// drive map; a name outside every drive, or one that would not come back
// as the same bytes, is refused by name rather than changed into another.
struct DroppedNames {
    bool foreign = false; // a URL that is not a local file
    QStringList dosPaths; // accepted, in the order dropped
    QStringList refused;  // host names (as a person reads them) refused
    int ignored = 0;      // names beyond the first kMaxDroppedNames
};
DroppedNames readUriList(const QByteArray& body, const DriveMap& drives);
// The message shown for refused names; empty when none was refused.
QString refusedMessage(const DroppedNames& names);

// A panel list's drag dropped on the other list.
enum class ListDrop { Nothing, Copy, Menu };
// Shift or the right mouse button held asks for the drop menu; a drop of a
// list on itself, or of anything that is no panel list, does nothing.
ListDrop listDrop(int source, int target, Qt::KeyboardModifiers keys, Qt::MouseButtons buttons);

// The drive slot of a drive bar under x (30 pixels a slot): -1 beyond the
// last drive, beyond the drives the left drive box lists, or beyond the
// slots the bar shows.
int driveSlotAt(int x, int driveCount, int driveBoxCount, int shownSlots);

// The command line after a panel list's drag was dropped on it, with the
// name of that panel's cursor entry: appended with a blank after it; from
// the right panel a blank goes before the whole text as well. Any other
// source, or no cursor entry, leaves the text as it is.
QString commandLineDrop(const QString& text, int source, const QString& cursorName);

// The panel a drop from another program lands in when it is not on a list:
// the left one left of the window's middle.
int shellDropPanel(int x, int windowWidth);

// The custom-button slot a drop on the toolbar strip at x (in the buttons'
// bar coordinates) meets: in Drag mode the highest slot whose button,
// shown or not, covers x; in Normal mode the lowest shown one. 0 for none.
int shellDropSlot(bool dragMode, const std::array<int, 40>& left,
                  const std::array<bool, 40>& visible, int x);

} // namespace dragdrop
} // namespace dovex
