#pragma once

#include "archive/ops/archiveoperations.h"
#include "fileops/ui/fileoperations.h"

#include <QPointer>

#include <functional>

namespace dovex {

class TForm12;

// The file commands' archive half in the window: runs the archive
// operations with the "Compressing Files" window (TForm12) and message
// boxes, and hands each list file to markForDeletion so that the next
// re-read of the panels removes it.
class ArchiveCommands : public ArchiveSide {
public:
    explicit ArchiveCommands(QWidget* parent);
    ~ArchiveCommands() override;

    void intoArchive(const OperationContext& ctx, FileOpKind kind, const PanelEntries& counted,
                     bool subdirs) override;
    void fromArchive(const OperationContext& ctx, FileOpKind kind, const PanelEntries& counted,
                     const QString& target, bool subdirs) override;
    void dropIntoArchive(const OperationContext& ctx, const QStringList& paths,
                         bool subdirs) override;

    std::function<void(const QString& hostPath)> markForDeletion;

    // The progress window, made on first use.
    TForm12& progressWindow();
    // What the last operation came to.
    const ArchiveOpResult& lastResult() const { return m_last; }

private:
    void done(const ArchiveOpResult& result);

    QWidget* m_parent;
    QPointer<TForm12> m_form;
    ArchiveOpResult m_last;
};

} // namespace dovex
