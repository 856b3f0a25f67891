#pragma once

#include "panels/panelentry.h"
#include "panels/sorting.h"

#include <QChar>
#include <QString>

namespace dovex {

// The state of one panel. While browsing an archive, path is the archive
// file itself and innerDirectory the level shown inside it.
struct FilePanel {
    QString path = QStringLiteral("C:\\");
    QString filterMask = QStringLiteral("*.*");
    QString selectionMask = QStringLiteral("*.*");
    bool inArchive = false;
    QChar archiveKind = QChar(' ');
    QString archiveFile;
    QString innerDirectory;
    int sortMethod = SortName;
    PanelEntries entries;

    int lastIndex() const { return int(entries.size()) - 1; }

    // The panel leaves any archive it browses and shows a directory of the
    // disk; the caller reads it.
    void showDirectory(const QString& directory)
    {
        inArchive = false;
        archiveKind = QChar(' ');
        archiveFile.clear();
        innerDirectory.clear();
        path = directory;
    }
};

} // namespace dovex
