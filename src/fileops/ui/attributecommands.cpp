#include "fileops/ui/attributecommands.h"

#include "fileops/attributes.h"
#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/ui/fileoperations.h"
#include "fileops/ui/tform5.h"
#include "panels/selection.h"
#include "platform/fileio.h"
#include "platform/prompter.h"

#include <QApplication>
#include <QCheckBox>
#include <QPointer>

#include <algorithm>

namespace dovex {

TForm5& propertiesDialog(QWidget* parent)
{
    static QPointer<TForm5> form;
    if (!form)
        form = new TForm5(parent);
    return *form;
}

namespace {

// The file's time as the fields show it; none when a packed file time could
// not hold it (before 1980, after 2107), so that the current time is shown.
QDateTime shownTime(const FileStatus& st)
{
    const QDateTime t = QDateTime::fromSecsSinceEpoch(st.modified.tv_sec);
    return DosDateFrom(t) ? t : QDateTime();
}

} // namespace

bool DoeAttr(QWidget* parent, Prompter& prompter, FilePanel& panel, int cursorIndex)
{
    PanelEntries& entries = panel.entries;
    const int n = int(entries.size());
    if (FileOperationRunning() || panel.inArchive || cursorIndex < 0 || cursorIndex >= n)
        return false;
    // ".." alone names nothing to change: no dialog that would do nothing.
    if (ActedOnIndexes(entries, cursorIndex).empty())
        return false;
    const int selected = int(std::count_if(entries.begin(), entries.end(), IsMarked));
    const PanelEntry& cursor = entries[size_t(cursorIndex)];

    TForm5& dialog = propertiesDialog(parent);
    dialog.DateTime->setChecked(false);
    dialog.DateTimeClick();
    const QString cursorPath = WithBackslash(panel.path) + cursor.name;
    const FileStatus st = selected == 0 ? fileio::status(cursorPath) : FileStatus{};
    if (selected == 0 && st.exists && !st.directory)
        dialog.prefillSingle(fileio::attributes(cursorPath, st.mode), shownTime(st));
    else
        dialog.prefillSeveral(QDateTime::currentDateTime());
    dialog.CheckBox5->setChecked(true);
    if (dialog.exec() != QDialog::Accepted)
        return false;

    AttributeRequest request = dialog.request();
    if (request.setTime) {
        const std::optional<std::uint32_t> date = dialog.typedDosDate();
        if (!date) {
            prompter.error(InvalidDateTimeText(dialog.dateTimeText()));
            return false;
        }
        request.fileDate = *date;
    }
    RunWithProgressWindow(parent, prompter, kAttributesCaption, [&](OperationState& state) {
        RunAttributes(state, panel.path, entries, n, cursorIndex, request);
    });
    return true;
}

} // namespace dovex
