// The main window's Split File and Merge File commands: wiring only, the
// work is in src/fileops (splitmerge, ui/splitcommands).
#include "shell/ui/tform1.h"

#include "fileops/runoperation.h"
#include "fileops/ui/splitcommands.h"
#include "panels/ui/panellist.h"
#include "panels/ui/selectionsetdialog.h"

namespace dovex {

void TForm1::SplitFile1Click()
{
    runSplitMerge(false);
}

void TForm1::Append1Click()
{
    runSplitMerge(true);
}

void TForm1::runSplitMerge(bool merge)
{
    const int n = ActivePanel;
    if (!CheckOfMag() || panel(n).inArchive)
        return;
    if (merge && !IsFirstPiece(panel(n).entries[size_t(list(n)->cursor())].name))
        return;
    OperationContext ctx{panel(n),
                         list(n)->cursor(),
                         panel(3 - n),
                         this,
                         command(Cmd::ShowCopySpeed)->isChecked(),
                         m_prompter,
                         nullptr};
    const PanelCursors cursors = saveCursors();
    ++m_busy; // the dialogs' closing must not update the panels under the operation
    if (merge) {
        MergeFileCommand(ctx);
    } else {
        SplitFileCommand(ctx, [this]() -> std::optional<QString> {
            if (!m_selectionDialog)
                m_selectionDialog = new TForm8(this);
            return m_selectionDialog->ask(QStringLiteral("Enter Split Size for Files in Kb"),
                                          QStringLiteral("1420"));
        });
    }
    --m_busy;
    // Both panels show the new pieces (or the merged file); each cursor goes
    // back to its entry, as after a copy.
    Werkpanelsbij();
    if (m_stopped)
        return;
    restoreCursors(cursors);
    returnToPanel(n);
}

} // namespace dovex
