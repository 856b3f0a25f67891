#include "fileops/fileopkind.h"

namespace dovex {

QString operationVerb(FileOpKind kind)
{
    switch (kind) {
    case FileOpKind::Move:
        return QStringLiteral("Move");
    case FileOpKind::Delete:
        return QStringLiteral("Delete");
    default:
        return QStringLiteral("Copy");
    }
}

QString operationCaption(FileOpKind kind)
{
    switch (kind) {
    case FileOpKind::Move:
        return QStringLiteral("Moving...");
    case FileOpKind::Delete:
        return QStringLiteral("Deleting...");
    default:
        return QStringLiteral("Copying...");
    }
}

QString progressWord(FileOpKind kind)
{
    switch (kind) {
    case FileOpKind::Move:
        return QStringLiteral("moved");
    case FileOpKind::Delete:
        return QStringLiteral("deleted");
    default:
        return QStringLiteral("copied");
    }
}

bool measuresBytes(FileOpKind kind)
{
    return kind == FileOpKind::Copy || kind == FileOpKind::CopyToDrive;
}

} // namespace dovex
