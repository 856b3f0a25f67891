#pragma once

#include "archive/ops/archiveoperations.h"

#include <QString>
#include <QStringList>

namespace dovex {

class ArchiveProgress;
class Prompter;

// Copying out of the archives libarchive reads (tar and compressed tar, 7z,
// ISO, cpio). The archive is walked once as a stream; every chosen member is
// created through BeneathRoot (platform/beneath.h), so that the kernel keeps
// it inside the target, and never in the program's or the settings'
// directory. A new name is written directly (exclusively); a file that
// exists is replaced only when the person agrees (the copy engine's
// questions), by a temporary file renamed over it once whole. A file larger
// than the free space is asked about first; a failed write ends the
// extraction and leaves nothing of the member. Links that lead out of the
// target (when made, or once the last member is written), hard links to
// members not written here and special files are refused by name; names
// are written whole, however long the listing shows them. A directory that
// was there keeps its mode and times. The progress window runs in byte mode
// over the archive's bytes, and Escape or "abort" stops it with nothing half
// written.

// The chosen members of the level innerDirectory: files by name, and
// directories with everything below them when subdirs is set (else they
// are left out). With subdirs each member keeps its path in the archive
// below target; without, it lands in target by its name alone.
ArchiveOpResult ExtractLibarchiveMembers(const QString& archive, QChar kind,
                                         const QString& innerDirectory,
                                         const QList<MemberItem>& members, const QString& target,
                                         bool subdirs, Prompter& prompter,
                                         ArchiveProgress& progress);

// Every member of the archive into target (with its stored directories when
// subdirs is set).
ArchiveOpResult ExtractWholeLibarchive(const QString& archive, const QString& target, bool subdirs,
                                       Prompter& prompter, ArchiveProgress& progress);

// The one message that refuses copying into, moving out of or deleting from
// such an archive.
void RefuseLibarchiveChange(const QString& archive, QChar kind, Prompter& prompter);

} // namespace dovex
