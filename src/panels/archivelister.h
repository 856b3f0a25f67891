#pragma once

#include "panels/panelentry.h"

#include <QChar>
#include <QString>

namespace dovex {

class Prompter;

// What the panels need of the archive readers. The archive subsystem
// provides the implementation; the panels only hold this interface, so that
// they do not depend on the readers.
class ArchiveLister {
public:
    virtual ~ArchiveLister() = default;

    // Fills entries with ".." and the members of one level of the archive;
    // returns the last index.
    virtual int listDirectory(const QString& archiveFile, const QString& innerDirectory,
                              const QString& filterMask, PanelEntries& entries,
                              Prompter& prompter) = 0;
    // "  [PkZip]" and the like; empty for a blank kind.
    virtual QString kindTag(QChar kind) const = 0;
    // The kind of the file at a drive-letter path, "?" when none.
    virtual QChar detectKind(const QString& path) = 0;
    // The next listing reads the archive file again.
    virtual void invalidate() = 0;
};

// The lister the program runs with; null until the archive subsystem
// installs one (archive mode then lists nothing but "..").
ArchiveLister* archiveLister();
void setArchiveLister(ArchiveLister* lister);

} // namespace dovex
