#include "panels/ui/rowpainter.h"

#include "panels/filetypetable.h"
#include "panels/rowtexts.h"
#include "panels/sorting.h"
#include "panels/textformat.h"
#include "panels/ui/panelimages.h"
#include "platform/dosattr.h"
#include "platform/drivemap.h"
#include "platform/fileio.h"
#include "platform/hostname.h"

#include <QBuffer>
#include <QFontMetrics>
#include <QIcon>
#include <QImageReader>
#include <QMimeDatabase>
#include <QPainter>

namespace dovex {

namespace {

const QColor kMarked(0, 0, 255);
const QColor kUnmarked(0, 0, 0);
constexpr int kIconLeft = 2;
constexpr int kTextGap = 6;

bool isParent(const PanelEntry& e)
{
    return e.name == QLatin1String("..");
}

QString upperExtension(const QString& name)
{
    QString ext = extensionOf(name);
    for (QChar& c : ext)
        if (c >= 'a' && c <= 'z')
            c = QChar(c.unicode() - 'a' + 'A');
    return ext;
}

// Extensions that get an icon of their own per file.
bool ownIconType(const QString& ext, int iconMode)
{
    if (iconMode >= 2 && (ext == QLatin1String(".EXE") || ext == QLatin1String(".LNK") ||
                          ext == QLatin1String(".ICO")))
        return true;
    return iconMode == 3 && (ext == QLatin1String(".PIF") || ext == QLatin1String(".ANI") ||
                             ext == QLatin1String(".SCR"));
}

QPixmap small(const QIcon& icon)
{
    if (icon.isNull())
        return QPixmap();
    QPixmap pixmap = icon.pixmap(PanelImages::kSize, PanelImages::kSize);
    if (!pixmap.isNull() &&
        pixmap.deviceIndependentSize().toSize() != QSize(PanelImages::kSize, PanelImages::kSize))
        pixmap = pixmap.scaled(PanelImages::kSize, PanelImages::kSize, Qt::KeepAspectRatio,
                               Qt::SmoothTransformation);
    return pixmap;
}

// An icon file shows itself, read at the small size only.
// An icon file's own picture. Only a plain file of icon size is read, and
// never by a call that could wait: a pipe named x.ico would hang the paint.
QPixmap iconFilePicture(const QString& dosPath)
{
    constexpr std::int64_t kLargestIconFile = 1024 * 1024;
    File file;
    if (!file.openReadPlain(dosPath))
        return QPixmap();
    const FileStatus st = file.status();
    if (!st.regular || st.size <= 0 || st.size > kLargestIconFile)
        return QPixmap();
    QByteArray bytes(qsizetype(st.size), Qt::Uninitialized);
    std::int64_t got = 0;
    while (got < st.size) {
        const std::int64_t n = file.read(bytes.data() + got, st.size - got);
        if (n <= 0)
            break;
        got += n;
    }
    bytes.truncate(qsizetype(got));
    QBuffer buffer(&bytes);
    QImageReader reader(&buffer);
    reader.setScaledSize(QSize(PanelImages::kSize, PanelImages::kSize));
    const QImage image = reader.read();
    return image.isNull() ? QPixmap() : QPixmap::fromImage(image);
}

} // namespace

ColumnPositions computeColumns(const QFont& font, int nameColumnChars)
{
    static const QString run = QString(46, QLatin1Char('X')) + QStringLiteral("X.XXX.XXXX");
    const QFontMetrics fm(font);
    const QString measured =
        nameColumnChars == -1 ? QStringLiteral("X.XXX.XXXX") : run.left(qMax(0, nameColumnChars));
    ColumnPositions c;
    c.w1 = fm.horizontalAdvance(measured);
    c.w2 = c.w1 + fm.horizontalAdvance(QStringLiteral("X"));
    c.w3 = c.w2 + fm.horizontalAdvance(QStringLiteral("XXXXX"));
    return c;
}

RowPainter::RowPainter(FileTypeTable* types) : m_types(types) {}

RowPainter::Texts RowPainter::textsFor(const PanelEntry& e, const RowOptions& options) const
{
    if (options.nameColumnChars == -1)
        return Texts();
    const RowDetail mode =
        options.detail == DetailMode::FileType ? RowDetail::FileType : RowDetail::Attributes;
    const RowTexts t = RowTexts::of(e, mode, m_types, options.folderTypeText);
    return Texts{t.size, t.detail, t.date};
}

QPixmap RowPainter::recordIcon(const PanelEntry& e) const
{
    const FileTypeRecord* r = m_types ? m_types->find(e.name) : nullptr;
    if (!r || !r->known)
        return PanelImages::instance().row(PanelImages::Unknown);
    if (r->image >= 0)
        return PanelImages::instance().row(r->image);
    const auto it = m_extensionIcons.constFind(upperExtension(e.name));
    return it == m_extensionIcons.constEnd() ? PanelImages::instance().row(PanelImages::Unknown)
                                             : *it;
}

QPixmap RowPainter::fastIcon(const PanelEntry& e, const QPixmap* itemIcon) const
{
    if (isParent(e))
        return PanelImages::instance().row(PanelImages::UpArrow);
    if (e.directory)
        return PanelImages::instance().folder();
    if (e.ownIcon && itemIcon && !itemIcon->isNull())
        return *itemIcon;
    return recordIcon(e);
}

QPixmap RowPainter::themeIconFor(const FilePanel& panel, const PanelEntry& e) const
{
    if (upperExtension(e.name) == QLatin1String(".ICO")) {
        const QPixmap own = iconFilePicture(dospath::join(panel.path, e.name));
        if (!own.isNull())
            return own;
    }
    // By the name alone: looking into the file could wait on a pipe or a
    // device, and the type table goes by extensions too.
    const QMimeType type = QMimeDatabase().mimeTypeForFile(e.name, QMimeDatabase::MatchExtension);
    QPixmap icon = small(QIcon::fromTheme(type.iconName()));
    if (icon.isNull())
        icon = small(QIcon::fromTheme(type.genericIconName()));
    return icon;
}

QPixmap RowPainter::extractingIcon(FilePanel& panel, PanelEntry& e, const RowOptions& options,
                                   QPixmap* itemIcon)
{
    if (itemIcon && !itemIcon->isNull())
        return *itemIcon;
    QPixmap chosen;
    if (isParent(e)) {
        chosen = PanelImages::instance().row(PanelImages::UpArrow);
    } else if (e.directory) {
        chosen = PanelImages::instance().folder();
    } else {
        const QString ext = upperExtension(e.name);
        if (!panel.inArchive && ownIconType(ext, options.iconMode)) {
            chosen = themeIconFor(panel, e);
            if (!chosen.isNull())
                e.ownIcon = true;
        }
        if (chosen.isNull()) {
            FileTypeRecord* r = m_types ? m_types->find(e.name) : nullptr;
            if (r && !r->known && !panel.inArchive) {
                // Once per extension: all later files of the type share it, and a
                // type without a theme icon keeps the plain page.
                QPixmap shared = themeIconFor(panel, e);
                if (shared.isNull())
                    shared = PanelImages::instance().row(PanelImages::Unknown);
                m_extensionIcons.insert(upperExtension(r->extension), shared);
                r->known = true;
            }
            chosen = recordIcon(e);
        }
    }
    if (itemIcon)
        *itemIcon = chosen;
    return chosen;
}

QPixmap RowPainter::iconFor(FilePanel& panel, int index, const RowOptions& options,
                            QPixmap* itemIcon)
{
    PanelEntry& e = panel.entries[size_t(index)];
    return options.iconMode == 0 ? fastIcon(e, itemIcon)
                                 : extractingIcon(panel, e, options, itemIcon);
}

QRect RowPainter::nameRect(const QRect& cell, const PanelEntry& entry, const RowOptions& options,
                           const QFontMetrics& metrics) const
{
    const QString size = textsFor(entry, options).size;
    const int x0 = cell.left() + PanelImages::kSize + kTextGap;
    int nameRight = cell.right() + 1;
    if (!size.isEmpty())
        nameRight = qMin(nameRight, x0 + options.columns.w1 - metrics.horizontalAdvance(size) - 5);
    return QRect(x0, cell.top(), qMax(0, nameRight - x0), cell.height());
}

QString RowPainter::clippedName(const QRect& cell, const PanelEntry& entry,
                                const RowOptions& options, const QFontMetrics& metrics) const
{
    const QString name = hostname::displayName(entry.name);
    return metrics.horizontalAdvance(name) > nameRect(cell, entry, options, metrics).width()
               ? name
               : QString();
}

void RowPainter::paint(QPainter& painter, const QRect& cell, FilePanel& panel, int index,
                       const RowOptions& options, QPixmap* itemIcon)
{
    // The whole cell in the background colour: this also erases a focus
    // rectangle an earlier row left. The cursor row is never filled.
    painter.fillRect(cell, options.background);
    if (index < 0 || index >= int(panel.entries.size()))
        return;

    const QPixmap icon = iconFor(panel, index, options, itemIcon);
    const PanelEntry& e = panel.entries[size_t(index)];
    const int iconWidth = PanelImages::kSize;
    if (!icon.isNull()) {
        const int top = cell.top() + (cell.height() - PanelImages::kSize) / 2;
        painter.drawPixmap(QRect(cell.left() + kIconLeft, top, iconWidth, PanelImages::kSize),
                           icon);
    }

    const Texts texts = textsFor(e, options);
    const QFontMetrics fm = painter.fontMetrics();
    painter.setPen(e.selected ? kMarked : kUnmarked);

    const int x0 = cell.left() + iconWidth + kTextGap;
    const int sizeWidth = texts.size.isEmpty() ? 0 : fm.horizontalAdvance(texts.size);
    const int baseline = cell.top() + (cell.height() - fm.height()) / 2 + fm.ascent();
    const QString name = hostname::displayName(e.name);
    const QRect nameArea = nameRect(cell, e, options, fm);
    if (fm.horizontalAdvance(name) <= nameArea.width()) {
        painter.drawText(x0, baseline, name);
    } else {
        painter.save();
        painter.setClipRect(nameArea, Qt::IntersectClip);
        painter.drawText(x0, baseline, name);
        painter.restore();
    }

    if (options.brief || texts.size.isEmpty())
        return;
    painter.drawText(x0 + options.columns.w1 - sizeWidth, baseline,
                     texts.size + QStringLiteral("   ") + texts.detail);
    if (!texts.date.isEmpty())
        painter.drawText(x0 + options.columns.w3, baseline, texts.date);
}

void paintDriveStatus(QPainter& painter, const QRect& rect, const QString& text,
                      const QColor& background)
{
    painter.fillRect(rect, background);
    const QChar letter = text.size() > 6 ? text[6] : QChar();
    const DriveKind kind =
        letter.isLetter() ? DriveMap::instance().kind(letter) : DriveKind::Unknown;
    const QPixmap& image = PanelImages::instance().driveFor(kind);
    painter.drawPixmap(rect.left() + 5, rect.top() + (rect.height() - image.height()) / 2, image);
    const QFontMetrics fm = painter.fontMetrics();
    painter.drawText(rect.left() + image.width() + 8, rect.top() + 4 + fm.ascent(), text);
}

} // namespace dovex
