#include "fileops/ui/splitcommands.h"

#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/ui/messageprompter.h"
#include "fileops/ui/tform2.h"
#include "fileops/ui/tform3.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"

#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

namespace dovex {

namespace {

// The progress window, shown only once the engine reports the first piece:
// the questions before it (split or not, the size, the merged file's name)
// come without an empty progress window behind them.
class DeferredProgress : public ProgressSink {
public:
    DeferredProgress(TForm2& form, const QString& caption) : m_form(form), m_caption(caption) {}
    ~DeferredProgress() override
    {
        if (!m_shown)
            return;
        m_form.endOperation();
        QApplication::restoreOverrideCursor();
    }
    DeferredProgress(const DeferredProgress&) = delete;
    DeferredProgress& operator=(const DeferredProgress&) = delete;

    void setLabels(const QString& from, const QString& to) override
    {
        show();
        m_form.setLabels(from, to);
    }
    void setPercent(int percent) override
    {
        show();
        m_form.setPercent(percent);
    }
    bool abortRequested() override { return m_shown && m_form.abortRequested(); }
    void setInfo(const QString& text) override
    {
        if (m_shown)
            m_form.setInfo(text);
    }
    void setAnimationPlaying(bool playing) override
    {
        if (m_shown)
            m_form.setAnimationPlaying(playing);
    }
    void repaint() override
    {
        if (m_shown)
            m_form.repaint();
    }
    void dropPendingEscape() override { m_form.dropPendingEscape(); }

private:
    void show()
    {
        if (m_shown)
            return;
        m_shown = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
        m_form.beginOperation(m_caption, TAnimationType::atCopyFile);
    }

    TForm2& m_form;
    QString m_caption;
    bool m_shown = false;
};

// The cursor entry of a directory panel, or null when there is none to act on.
const PanelEntry* cursorEntry(const OperationContext& ctx)
{
    if (FileOperationRunning() || ctx.source.inArchive || ctx.cursorIndex < 0 ||
        ctx.cursorIndex >= int(ctx.source.entries.size()))
        return nullptr;
    return &ctx.source.entries[size_t(ctx.cursorIndex)];
}

// Runs fn with an operation state whose progress goes to the progress
// window under caption.
template <typename Fn>
void withDeferredProgress(const OperationContext& ctx, const QString& caption, Fn fn)
{
    OperationRunningMark running;
    PrompterChoice prompter(ctx.prompter, ctx.parent);
    DeferredProgress progress(operationProgressWindow(ctx.parent), caption);
    OperationState state(prompter.get(), progress);
    state.showSpeed = ctx.showSpeed;
    fn(state);
}

// The merged file's name, asked in the operation dialog.
std::optional<QString> askMergeTarget(const OperationContext& ctx, const QString& proposed)
{
    TForm3& d = operationDialog(ctx.parent);
    d.setWindowTitle(QStringLiteral("Append"));
    d.Label1->setText(QStringLiteral("Enter new filename"));
    d.Label1->setVisible(true);
    d.Edit1->setText(proposed);
    d.Edit1->setVisible(true);
    d.SpeedButton1->setVisible(true);
    // Subdirectories mean nothing to a merge.
    d.CheckBox1->setVisible(false);
    d.BitBtn3->setVisible(false);
    const int result = d.exec();
    d.CheckBox1->setVisible(true);
    const QString text = d.Edit1->text().trimmed();
    if (result != QDialog::Accepted || text.isEmpty())
        return std::nullopt;
    QString target = ResolveTypedTarget(text, ctx.source.path);
    // A folder typed (or picked with the browse button) receives the file.
    if (fileio::status(target, true).directory)
        target = appendName(target, dospath::fileName(proposed));
    return target;
}

} // namespace

bool IsFirstPiece(const QString& name)
{
    return name.size() > 4 && name.endsWith(QLatin1String(".001"));
}

bool SplitFileCommand(OperationContext& ctx, const AskSplitSize& askSize)
{
    const PanelEntry* entry = cursorEntry(ctx);
    if (!entry)
        return false;
    const QString path = appendName(ctx.source.path, entry->name);
    withDeferredProgress(ctx, QStringLiteral("Splitting..."),
                         [&](OperationState& state) { SplitFile(state, path, askSize); });
    return true;
}

bool MergeFileCommand(OperationContext& ctx)
{
    const PanelEntry* entry = cursorEntry(ctx);
    if (!entry || !IsFirstPiece(entry->name))
        return false;
    const QString path = appendName(ctx.source.path, entry->name);
    const QString base = path.left(path.size() - 4);
    withDeferredProgress(ctx, QStringLiteral("Merging..."), [&](OperationState& state) {
        AppendFile(state, base,
                   [&ctx](const QString& proposed) { return askMergeTarget(ctx, proposed); });
    });
    return true;
}

} // namespace dovex
