#include "archive/ui/archivecommands.h"

#include "archive/ui/tform12.h"
#include "fileops/pathrules.h"
#include "fileops/ui/messageprompter.h"

#include <memory>

namespace dovex {

namespace {

ArchiveOp opOf(FileOpKind kind)
{
    return kind == FileOpKind::Move     ? ArchiveOp::Move
           : kind == FileOpKind::Delete ? ArchiveOp::Delete
                                        : ArchiveOp::Copy;
}

} // namespace

ArchiveCommands::ArchiveCommands(QWidget* parent) : m_parent(parent) {}

ArchiveCommands::~ArchiveCommands()
{
    delete m_form.data();
}

TForm12& ArchiveCommands::progressWindow()
{
    if (!m_form)
        m_form = new TForm12(m_parent);
    return *m_form;
}

void ArchiveCommands::done(const ArchiveOpResult& result)
{
    m_last = result;
    if (markForDeletion)
        for (const QString& list : result.listFiles)
            markForDeletion(list);
}

void ArchiveCommands::intoArchive(const OperationContext& ctx, FileOpKind kind,
                                  const PanelEntries& counted, bool subdirs)
{
    PrompterChoice messages(ctx.prompter, ctx.parent);
    QList<SourceItem> items;
    for (const PanelEntry& e : counted)
        items << SourceItem{appendName(ctx.source.path, e.name), e.directory};
    done(CopyIntoArchive(opOf(kind), ctx.other.archiveFile, ctx.other.archiveKind, ctx.source.path,
                         items, subdirs, messages.get(), progressWindow()));
}

void ArchiveCommands::fromArchive(const OperationContext& ctx, FileOpKind kind,
                                  const PanelEntries& counted, const QString& target, bool subdirs)
{
    PrompterChoice messages(ctx.prompter, ctx.parent);
    QList<MemberItem> members;
    for (const PanelEntry& e : counted)
        members << MemberItem{e.name, e.directory};
    done(OperateFromArchive(opOf(kind), ctx.source.archiveFile, ctx.source.archiveKind,
                            ctx.source.innerDirectory, members, target, subdirs, messages.get(),
                            progressWindow()));
}

void ArchiveCommands::dropIntoArchive(const OperationContext& ctx, const QStringList& paths,
                                      bool subdirs)
{
    PrompterChoice messages(ctx.prompter, ctx.parent);
    done(DropIntoArchive(ctx.source.archiveFile, ctx.source.archiveKind, paths, subdirs,
                         messages.get(), progressWindow()));
}

} // namespace dovex
