// The main window's Split File and Merge File commands: wiring only, the
// work is in src/fileops (splitmerge, ui/splitcommands).
#include "shell/ui/tform1.h"

#include "fileops/runoperation.h"
#include "fileops/ui/splitcommands.h"
#include "panels/ui/panelkeys.h"
#include "panels/ui/panellist.h"

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
    runChanging([&] {
        if (merge) {
            MergeFileCommand(ctx);
            return;
        }
        SplitFileCommand(ctx, [this] {
            return m_keys->ask(QStringLiteral("Enter Split Size for Files in Kb"),
                               QStringLiteral("1420"));
        });
    });
}

} // namespace dovex
