// The main window's Compression Tools commands: Compress, Decompress, Enter
// on a compressed file and the archiver search on the first start.
#include "shell/ui/tform1.h"

#include "archive/ui/compressiontools.h"
#include "panels/ui/panellist.h"
#include "platform/prompter.h"
#include "shell/ui/panelcursors.h"

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
    runChanging([&] {
        for (const QString& file : run(compressionTools()))
            deleteAtNextRefresh(file);
    });
}

void TForm1::runChanging(const std::function<void()>& run, const std::function<void()>& place)
{
    const int n = ActivePanel;
    const PanelCursors cursors({ListBox1, ListBox2});
    ++m_busy; // the dialogs' closing must not update the panels under the command
    run();
    --m_busy;
    // Both panels are brought up to date as on an activation, so the marks
    // of every entry that is still there stay.
    Werkpanelsbij();
    if (m_stopped)
        return;
    if (place)
        place();
    else
        cursors.restore();
    for (int k = 1; k <= 2; ++k)
        updateSelectionLine(k);
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
