// The main window's Compression Tools commands: Compress, Decompress, Enter
// on a compressed file and the archiver search on the first start.
#include "shell/ui/tform1.h"

#include "archive/ui/compressiontools.h"
#include "fileops/runoperation.h"
#include "panels/ui/panellist.h"
#include "platform/prompter.h"

namespace dovex {

CompressionTools& TForm1::compressionTools()
{
    if (!m_compressionTools)
        m_compressionTools = std::make_unique<CompressionTools>(this, prompter());
    return *m_compressionTools;
}

bool TForm1::CheckOfMag() const
{
    // The active panel needs an entry under its cursor; the tree has none.
    if (ActivePanel == 1 && treeMode())
        return false;
    const int cursor = list(ActivePanel)->cursor();
    return cursor >= 0 && cursor < int(m_panels[size_t(ActivePanel - 1)].entries.size());
}

void TForm1::runCompression(const std::function<QStringList(CompressionTools&)>& run)
{
    const int n = ActivePanel;
    const PanelCursors cursors = saveCursors();
    ++m_busy; // closing the dialog must not update the panels under the run
    const QStringList left = run(compressionTools());
    --m_busy;
    for (const QString& file : left)
        deleteAtNextRefresh(file);
    Werkpanelsbij();
    if (m_stopped)
        return;
    restoreCursors(cursors);
    returnToPanel(n);
}

TForm1::PanelCursors TForm1::saveCursors() const
{
    PanelCursors saved;
    for (int k = 1; k <= 2; ++k) {
        const int at = list(k)->cursor();
        saved.index[k - 1] = at;
        if (at >= 0)
            saved.name[k - 1] = m_panels[size_t(k - 1)].entries[size_t(at)].name;
    }
    return saved;
}

void TForm1::restoreCursors(const PanelCursors& saved)
{
    // Each cursor back on its entry, else on its row, else the last.
    for (int k = 1; k <= 2; ++k) {
        list(k)->setCursor(
            CursorAfterReread(panel(k).entries, saved.name[k - 1], saved.index[k - 1]));
        updateSelectionLine(k);
    }
}

void TForm1::returnToPanel(int n)
{
    // The keys go back to the panel: the dialogs that closed may have left
    // the keyboard focus nowhere.
    if (!isActiveWindow())
        activateWindow();
    ActivePanel = 3 - n;
    setactief(n);
}

void TForm1::CompressionTools1Click()
{
    const int n = ActivePanel;
    if (!CheckOfMag() || panel(n).inArchive)
        return;
    runCompression([this, n](CompressionTools& tools) {
        return tools.compress(panel(n), list(n)->cursor(), panel(3 - n));
    });
}

void TForm1::Decompresstion1Click()
{
    const int n = ActivePanel;
    if (!CheckOfMag() || panel(n).inArchive)
        return;
    const PanelEntry& entry = panel(n).entries[size_t(list(n)->cursor())];
    if (entry.directory || !compressionTools().isCompressedEntry(panel(n).path, entry.name))
        return;
    runCompression([this, n](CompressionTools& tools) {
        return tools.decompressEntry(panel(n), list(n)->cursor(), panel(3 - n));
    });
}

} // namespace dovex
