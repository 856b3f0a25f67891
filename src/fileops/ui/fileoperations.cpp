#include "fileops/ui/fileoperations.h"

#include "fileops/operationstate.h"
#include "fileops/pathrules.h"
#include "fileops/runoperation.h"
#include "fileops/treewalk.h"
#include "fileops/ui/messageprompter.h"
#include "fileops/ui/tform2.h"
#include "fileops/ui/tform3.h"
#include "panels/selection.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QToolButton>

#include <memory>

namespace dovex {

namespace {

const QString kNoArchiveOperations = QStringLiteral("Archive operations are not available yet.");

bool g_running = false;

// Both windows are made on first use and kept until the program ends.
TForm2& progressWindow(QWidget* parent)
{
    static QPointer<TForm2> form;
    if (!form)
        form = new TForm2(parent);
    return *form;
}

// Marks the run: refuses a second operation inside the first and shows the
// hourglass until the end, whatever way the operation ends.
class RunningGuard {
public:
    RunningGuard()
    {
        g_running = true;
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    ~RunningGuard()
    {
        QApplication::restoreOverrideCursor();
        g_running = false;
    }
};

TAnimationType animationOf(FileOpKind kind)
{
    switch (kind) {
    case FileOpKind::Move:
        return TAnimationType::atMoveFile;
    case FileOpKind::Delete:
        return TAnimationType::atDeleteFile;
    default:
        return TAnimationType::atCopyFile;
    }
}

void prepareDialog(TForm3& d, const QString& title, const QString& question,
                   const QString& destination, bool withDestination, bool extraButton = false,
                   const QString& extraText = QStringLiteral("&Compress"))
{
    d.setWindowTitle(title);
    d.Label1->setText(question);
    d.Label1->setVisible(true);
    d.Edit1->setText(destination);
    d.Edit1->setVisible(withDestination);
    d.SpeedButton1->setVisible(withDestination);
    d.CheckBox1->setVisible(true);
    d.BitBtn3->setText(extraText);
    d.BitBtn3->setEnabled(extraButton);
    d.BitBtn3->setVisible(extraButton);
}

// The entries an operation acts on: the marked ones, else the cursor's.
PanelEntries countedEntries(const OperationContext& ctx)
{
    PanelEntries counted;
    for (const int i : ActedOnIndexes(ctx.source.entries, ctx.cursorIndex)) {
        counted.push_back(ctx.source.entries[size_t(i)]);
        counted.back().selected = true; // the cursor entry stands marked
    }
    return counted;
}

QStringList countedPaths(const OperationContext& ctx)
{
    QStringList paths;
    for (const PanelEntry& e : countedEntries(ctx))
        paths << appendName(ctx.source.path, e.name);
    return paths;
}

// Copy, move or delete of the entries of the archive ctx.source shows.
bool BewerkZip(OperationContext& ctx, FileOpKind kind, Prompter& prompter)
{
    const FilePanel& panel = ctx.source;
    const PanelEntries counted = countedEntries(ctx);
    if (counted.empty())
        return false;
    const bool single = CountSelected(panel.entries, int(panel.entries.size())) == 0;
    const QString verb = operationVerb(kind);
    QString question = single ? verb + QStringLiteral(" \"") + counted.front().name + '"'
                              : MarkedQuestion(kind, panel.entries);
    const bool withDestination = kind != FileOpKind::Delete;
    if (withDestination)
        question += QStringLiteral(" to");
    TForm3& dialog = operationDialog(ctx.parent);
    const bool extract = bool(ctx.archive->openDecompress);
    prepareDialog(dialog, verb, question, ctx.other.path, withDestination, extract,
                  QStringLiteral("&Extract"));
    if (extract)
        dialog.focusOnShow = dialog.BitBtn3;
    const int answer = dialog.exec();
    if (answer == TForm3::CompressResult && extract) {
        ctx.archive->openDecompress(ctx, panel.archiveFile);
        return true;
    }
    if (answer != QDialog::Accepted)
        return false;
    const QString archiveDir = dospath::directoryPart(panel.archiveFile);
    const QString target =
        withDestination ? ResolveTypedTarget(dialog.Edit1->text(), archiveDir) : QString();
    if (withDestination && fileio::status(target).regular) {
        // Another archive (or any file) is no place to extract into.
        prompter.error(kNoArchiveOperations);
        return false;
    }
    RunningGuard running;
    ctx.archive->fromArchive(ctx, kind, counted, target, dialog.CheckBox1->isChecked());
    return true;
}

// Shows the progress window and runs fn with a fresh operation state.
template <typename Fn>
void withProgress(const OperationContext& ctx, Prompter& prompter, FileOpKind kind, Fn fn)
{
    RunningGuard running;
    TForm2& progress = progressWindow(ctx.parent);
    progress.beginOperation(operationCaption(kind), animationOf(kind));
    OperationState state(prompter, progress);
    state.showSpeed = ctx.showSpeed;
    BeginOperation(state, kind);
    fn(state);
    progress.endOperation();
}

bool Bewerk(OperationContext& ctx, FileOpKind kind, QChar dropDrive, Prompter& prompter)
{
    const FilePanel& panel = ctx.source;
    OperationRequest request;
    request.kind = kind;
    request.sourceDirectory = panel.path;
    request.entries = panel.entries;
    request.cursorIndex = ctx.cursorIndex;
    const int n = int(request.entries.size());
    const int count = CountSelected(request.entries, n);
    const QString verb = operationVerb(kind);

    QString question;
    if (count == 0) {
        // Single mode: the cursor entry alone, in the working copy only.
        PanelEntry& e = request.entries[size_t(ctx.cursorIndex)];
        e.selected = true;
        question = verb + QStringLiteral(" \"") + e.name + '"';
        QApplication::clipboard()->setText(e.name);
    } else {
        question = MarkedQuestion(kind, request.entries);
    }
    if (kind != FileOpKind::Delete)
        question += QStringLiteral(" to");
    const QString defaultDestination = kind == FileOpKind::CopyToDrive
                                           ? QString(dropDrive.toUpper()) + QStringLiteral(":\\")
                                           : ctx.other.path;

    TForm3& dialog = operationDialog(ctx.parent);
    const bool compress = ctx.archive && ctx.archive->openCompress;
    prepareDialog(dialog, verb, question, defaultDestination, kind != FileOpKind::Delete,
                  compress && kind != FileOpKind::Delete);
    const int answer = dialog.exec();
    if (answer == TForm3::CompressResult && compress) {
        ctx.archive->openCompress(ctx, countedPaths(ctx));
        return true;
    }
    if (answer != QDialog::Accepted)
        return false;

    request.destination = ResolveTypedTarget(dialog.Edit1->text(), panel.path);
    request.includeSubdirs = dialog.CheckBox1->isChecked();
    if (kind != FileOpKind::Delete && IsArchiveTarget(request.destination, ctx.other)) {
        if (!ctx.archive) {
            prompter.error(kNoArchiveOperations);
            return false;
        }
        RunningGuard running;
        ctx.archive->intoArchive(ctx, kind == FileOpKind::Move ? kind : FileOpKind::Copy,
                                 countedEntries(ctx), request.includeSubdirs);
        return true;
    }
    withProgress(ctx, prompter, kind, [&](OperationState& state) { RunOperation(state, request); });
    return true;
}

} // namespace

TForm3& operationDialog(QWidget* parent)
{
    static QPointer<TForm3> form;
    if (!form)
        form = new TForm3(parent);
    return *form;
}

OperationRunningMark::OperationRunningMark() : m_was(g_running)
{
    g_running = true;
}

OperationRunningMark::~OperationRunningMark()
{
    g_running = m_was;
}

TForm2& operationProgressWindow(QWidget* parent)
{
    return progressWindow(parent);
}

bool DoeWerk(OperationContext& ctx, FileOpKind kind, QChar dropDrive)
{
    if (g_running || ctx.cursorIndex < 0 || ctx.cursorIndex >= int(ctx.source.entries.size()))
        return false;
    PrompterChoice prompter(ctx.prompter, ctx.parent);
    if (ctx.source.inArchive) {
        if (!ctx.archive || kind == FileOpKind::CopyToDrive) {
            prompter.get().error(kNoArchiveOperations);
            return false;
        }
        return BewerkZip(ctx, kind, prompter.get());
    }
    return Bewerk(ctx, kind, dropDrive, prompter.get());
}

bool Copy1Click(OperationContext& ctx)
{
    return DoeWerk(ctx, FileOpKind::Copy);
}

bool Doemove(OperationContext& ctx)
{
    return DoeWerk(ctx, FileOpKind::Move);
}

bool Delete1Click(OperationContext& ctx)
{
    return DoeWerk(ctx, FileOpKind::Delete);
}

QString MkDir1Click(OperationContext& ctx)
{
    if (g_running || ctx.source.inArchive)
        return QString();
    TForm3& dialog = operationDialog(ctx.parent);
    prepareDialog(dialog, QStringLiteral("Create Directory"), QStringLiteral("Create Directory:"),
                  QString(), true);
    dialog.SpeedButton1->setVisible(false);
    dialog.CheckBox1->setVisible(false);
    dialog.BitBtn3->setVisible(false);
    const int result = dialog.exec();
    dialog.SpeedButton1->setVisible(true);
    dialog.CheckBox1->setVisible(true);
    const QString text = dialog.Edit1->text();
    if (result != QDialog::Accepted || text.isEmpty())
        return QString();
    const int rc = MakeDirectoryPath(ctx.source.path, text);
    if (rc != 0) {
        // The classic command stayed silent; an unexplained missing
        // directory helps nobody.
        PrompterChoice prompter(ctx.prompter, ctx.parent);
        prompter.get().error(QStringLiteral("Cannot create directory ") +
                             appendName(ctx.source.path, text) + '\r' + fileio::systemMessage(rc));
        return QString();
    }
    return text;
}

bool KopieFiles(const QStringList& paths, OperationContext& ctx)
{
    if (g_running || paths.isEmpty())
        return false;
    PrompterChoice prompter(ctx.prompter, ctx.parent);
    if (ctx.source.inArchive && !ctx.archive) {
        prompter.get().error(kNoArchiveOperations);
        return false;
    }
    TForm3& dialog = operationDialog(ctx.parent);
    const QString question = paths.size() == 1
                                 ? QStringLiteral("Copy ") + paths.first() + QStringLiteral(" to")
                                 : QStringLiteral("Copy %1 file(s) to").arg(paths.size());
    const bool compress = ctx.archive && ctx.archive->openCompress;
    prepareDialog(dialog, QStringLiteral("Copy"), question, ctx.source.path, true, compress);
    const int answer = dialog.exec();
    if (answer == TForm3::CompressResult && compress) {
        ctx.archive->openCompress(ctx, paths);
        return true;
    }
    if (answer != QDialog::Accepted)
        return false;
    if (ctx.source.inArchive) {
        RunningGuard running;
        ctx.archive->dropIntoArchive(ctx, paths, dialog.CheckBox1->isChecked());
        return true;
    }
    const QString destination = ResolveTypedTarget(dialog.Edit1->text(), ctx.source.path);
    const bool subdirs = dialog.CheckBox1->isChecked();
    withProgress(ctx, prompter.get(), FileOpKind::Copy, [&](OperationState& state) {
        state.setLine2(QStringLiteral("To ") + destination);
        for (const QString& path : paths) {
            if (fileio::status(path).directory) {
                const Totals t = DirectoryTotals(path);
                state.totalBytes += t.bytes;
                state.totalFiles += t.files;
            } else {
                state.totalBytes += FileSizeOf(path);
                ++state.totalFiles;
            }
        }
        state.startCounting();
        for (const QString& path : paths) {
            if (state.checkAbort())
                break;
            ProcessEntry(state, FileOpKind::Copy, path, destination, subdirs);
        }
    });
    return true;
}

void RunWithProgressWindow(QWidget* parent, Prompter& prompter, const QString& caption,
                           const std::function<void(OperationState&)>& fn)
{
    RunningGuard running;
    TForm2& progress = progressWindow(parent);
    progress.beginOperation(caption, TAnimationType::atNone);
    OperationState state(prompter, progress);
    fn(state);
    progress.endOperation();
}

bool FileOperationRunning()
{
    return g_running;
}

} // namespace dovex
