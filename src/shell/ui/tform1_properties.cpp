// The main window's File Properties, Calculate Size and Compare commands:
// wiring only, the work is in src/fileops.
#include "shell/ui/tform1.h"

#include "archive/ops/archivesize.h"
#include "fileops/comparesize.h"
#include "fileops/ui/attributecommands.h"
#include "fileops/ui/fileoperations.h"
#include "panels/ui/panellist.h"
#include "platform/prompter.h"

#include <QApplication>

namespace dovex {

void TForm1::Attributes1Click()
{
    const int n = ActivePanel;
    // The tree has no entries to change; an archive's members have no
    // attributes to set here.
    if (FileOperationRunning() || !CheckOfMag() || panel(n).inArchive)
        return;
    ++m_busy; // the dialog's closing must not re-read the entries being changed
    const bool ran = DoeAttr(this, prompter(), panel(n), list(n)->cursor());
    --m_busy;
    if (m_stopped)
        return;
    if (ran)
        list(n)->viewport()->update();
    updateSelectionLine(n);
    list(n)->setFocus();
}

void TForm1::CalculateSize1Click()
{
    const int n = ActivePanel;
    if (FileOperationRunning())
        return;
    FilePanel& p = panel(n);
    const int cursor = list(n)->cursor();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const Totals totals =
        p.inArchive ? CalculateArchiveSizeTotals(p.archiveFile, p.innerDirectory, p.entries,
                                                 int(p.entries.size()), cursor)
                    : CalculateSizeTotals(p.path, p.entries, int(p.entries.size()), cursor);
    QApplication::restoreOverrideCursor();
    prompter().information(CalculateSizeText(totals));
}

void TForm1::CompareDirs()
{
    if (FileOperationRunning())
        return;
    const CompareCount marked = dovex::CompareDirs(panel(1).entries, int(panel(1).entries.size()),
                                                   panel(2).entries, int(panel(2).entries.size()));
    if (marked.total() == 0)
        prompter().ask(Severity::Information, kCompareIdentical, Buttons::Ok, kCompareCaption);
    for (int k = 1; k <= 2; ++k) {
        list(k)->viewport()->update();
        updateSelectionLine(k);
    }
}

} // namespace dovex
