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
    OperationContext ctx{panel(n), list(n)->cursor(), panel(3 - n), this,
                         command(Cmd::ShowCopySpeed)->isChecked(), m_prompter, nullptr};
    const QString names[2] = {
        list(1)->cursor() >= 0 ? panel(1).entries[size_t(list(1)->cursor())].name : QString(),
        list(2)->cursor() >= 0 ? panel(2).entries[size_t(list(2)->cursor())].name : QString()};
    const int indexes[2] = {list(1)->cursor(), list(2)->cursor()};
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
    for (int k = 1; k <= 2; ++k) {
        list(k)->setCursor(CursorAfterReread(panel(k).entries, names[k - 1], indexes[k - 1]));
        updateSelectionLine(k);
    }
    if (!isActiveWindow())
        activateWindow();
    ActivePanel = 3 - n;
    setactief(n);
}

} // namespace dovex
