#include "panels/rowtexts.h"

#include "panels/filetypetable.h"
#include "panels/sorting.h"
#include "panels/textformat.h"
#include "platform/dosattr.h"

namespace dovex {

namespace {

QString typeText(const PanelEntry& e, const FileTypeTable* types, const QString& folderTypeText)
{
    if (e.directory)
        return QLatin1Char(' ') + folderTypeText;
    if (const FileTypeRecord* r = types ? types->find(e.name) : nullptr)
        return QLatin1Char(' ') + r->description;
    QString ext = extensionOf(e.name).mid(1).left(4);
    for (QChar& c : ext)
        if (c >= 'a' && c <= 'z')
            c = QChar(c.unicode() - 'a' + 'A');
    return QLatin1Char(' ') + ext + QStringLiteral("-File");
}

} // namespace

RowTexts RowTexts::of(const PanelEntry& e, RowDetail mode, const FileTypeTable* types,
                      const QString& folderTypeText)
{
    RowTexts t;
    if (e.name == QLatin1String(".."))
        t.size = QStringLiteral("[UP--DIR]");
    else if (e.directory)
        t.size = QStringLiteral("[SUB-DIR]");
    else
        t.size = SizeText(e.size);

    if (mode == RowDetail::FileType) {
        t.detail = typeText(e, types, folderTypeText);
    } else {
        // Archive members may carry the directory flag without the bit.
        t.detail = AttrText(e.attributes | (e.directory ? faDirectory : 0));
        t.date = DateTimeText(e.dosDateTime);
    }
    return t;
}

} // namespace dovex
