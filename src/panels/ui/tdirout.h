#pragma once

#include "panels/dirtree.h"
#include "panels/ui/tloaddirs.h"

#include <QPointer>
#include <QTreeWidget>

#include <functional>

namespace dovex {

// The directory tree of one drive, shown over the left list in tree mode.
// Every node holds its full drive-letter path. Nodes show a closed folder,
// the selected one an open folder.
class TDirOut : public QTreeWidget {
    Q_OBJECT
public:
    explicit TDirOut(QWidget* parent = nullptr);

    QChar Drive() const { return m_drive; }
    void SetDrive(QChar drive) { m_drive = drive; }
    // Kept for its setters' sake: the read always descends into everything.
    bool LoadAllSub = false;

    // Clears the tree and reads the tree of Drive again, behind the
    // "Reading Directories" window; then selects the first node.
    void Reload();
    // The nodes of a tree already read (Reload's second half).
    void fill(const DirectoryTree& tree);

    // The path of the node last reported as selected.
    const QString& selectedPath() const { return m_selectedPath; }
    // The node of a path; null when the tree does not hold it.
    QTreeWidgetItem* itemOf(const QString& path) const;
    static QString pathOf(const QTreeWidgetItem* item);
    // True when the last Reload was stopped before its end.
    bool incomplete() const { return m_incomplete; }
    // The reading window, once made (for the tests).
    TLoadDirs* loadWindow() const { return m_loadDirs; }

    // Raised when the selection moves to a node of another path; the new
    // path is stored first.
    std::function<void(TDirOut*)> OnChange;
    // Raised when the tree takes the focus.
    std::function<void()> OnEnter;
    // Called at each progress point of a read, with the reading window (the
    // tests press its button or Escape here).
    std::function<void(TLoadDirs*)> onProgress;

protected:
    void focusInEvent(QFocusEvent* event) override;

private:
    void currentChanged(QTreeWidgetItem* current);

    QChar m_drive;
    QString m_selectedPath;
    QIcon m_folderIcon;
    QIcon m_linkIcon;
    bool m_incomplete = false;
    QPointer<TLoadDirs> m_loadDirs;
};

} // namespace dovex
