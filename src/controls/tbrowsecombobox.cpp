#include "controls/tbrowsecombobox.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QListView>
#include <QPainter>
#include <QPainterPath>
#include <QStylePainter>
#include <QStyledItemDelegate>

namespace dovex {

namespace {

constexpr int kKindRole = Qt::UserRole;
constexpr int kNameRole = Qt::UserRole + 1;
constexpr int kLevelRole = Qt::UserRole + 2;
constexpr int kPicture = 16;
constexpr int kIndentPerLevel = 8;

// What an item shows after its picture: a drive item its whole text, a
// level item its directory's name.
QString shownText(const QModelIndex& index)
{
    const QString text = index.data(Qt::DisplayRole).toString();
    return TbrowseComboBox::isPathItem(text) ? index.data(kNameRole).toString() : text;
}

void paintItem(QPainter* p, const QRect& rect, const QPixmap& picture, const QString& text,
               int indent, const QPalette& palette, bool selected)
{
    int left = rect.left() + 2 + indent;
    if (!picture.isNull())
        p->drawPixmap(left, rect.top() + (rect.height() - kPicture) / 2, picture);
    left += kPicture + 6 - 2;
    const QRect textRect(left, rect.top(), std::max(0, rect.right() - left), rect.height());
    p->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    p->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft | Qt::TextSingleLine,
                p->fontMetrics().elidedText(text, Qt::ElideRight, textRect.width()));
}

class BrowseItemDelegate : public QStyledItemDelegate {
public:
    BrowseItemDelegate(TbrowseComboBox* box) : QStyledItemDelegate(box), m_box(box) {}

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const bool selected = option.state & QStyle::State_Selected;
        p->save();
        p->fillRect(option.rect,
                    option.palette.color(selected ? QPalette::Highlight : QPalette::Base));
        const int level = index.data(kLevelRole).toInt();
        const QPixmap picture = index.data(Qt::DecorationRole).value<QIcon>().pixmap(kPicture);
        paintItem(p, option.rect, picture, shownText(index), level * kIndentPerLevel,
                  option.palette, selected);
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(TbrowseComboBox::itemHeightFor(m_box->font()));
        return size;
    }

private:
    TbrowseComboBox* m_box;
};

QPixmap blankPicture()
{
    QPixmap pm(kPicture, kPicture);
    pm.fill(Qt::transparent);
    return pm;
}

// A small grey case, the common body of the fixed, RAM and unknown drives.
void drawCase(QPainter& p, const QColor& face)
{
    p.setPen(QColor(64, 64, 64));
    p.setBrush(face);
    p.drawRect(1, 5, 13, 7);
    p.setPen(Qt::white);
    p.drawLine(2, 6, 13, 6);
}

} // namespace

TbrowseComboBox::TbrowseComboBox(QWidget* parent) : QComboBox(parent)
{
    setEditable(false);
    setItemDelegate(new BrowseItemDelegate(this));
    if (auto* list = qobject_cast<QListView*>(view()))
        list->setUniformItemSizes(true);
    const std::optional<QString> here = DriveMap::instance().toDos(QDir::currentPath());
    m_drive = here ? here->at(0).toLower() : QChar('c');
    m_path = QString(m_drive) + QStringLiteral(":\\");
    updateItemHeight();
    connect(this, &QComboBox::currentIndexChanged, this, [this] {
        if (m_internal == 0)
            Click();
    });
}

int TbrowseComboBox::itemHeightFor(const QFont& font)
{
    return std::max(16, QFontMetrics(font).height());
}

void TbrowseComboBox::updateItemHeight()
{
    setIconSize(QSize(kPicture, kPicture));
    view()->doItemsLayout();
}

void TbrowseComboBox::changeEvent(QEvent* event)
{
    QComboBox::changeEvent(event);
    if (event->type() == QEvent::FontChange)
        updateItemHeight();
}

int TbrowseComboBox::driveItem(QChar letter) const
{
    const QChar lower = letter.toLower();
    for (int i = 0; i < count(); ++i) {
        const QString text = itemText(i);
        if (text.size() >= 2 && text[0].toLower() == lower && text[1] == ':')
            return i;
    }
    return -1;
}

DriveKind TbrowseComboBox::itemKind(int index) const
{
    const QVariant kind = itemData(index, kKindRole);
    return kind.isValid() ? DriveKind(kind.toInt()) : DriveKind::Unknown;
}

void TbrowseComboBox::FillDrives()
{
    ++m_internal;
    clear();
    const DriveMap& map = DriveMap::instance();
    for (char c = 'a'; c <= 'z'; ++c) {
        const QChar letter = QLatin1Char(c);
        const DriveKind kind = map.kind(letter);
        if (!isListedKind(kind))
            continue;
        addItem(QIcon(drivePicture(kind)), driveItemText(letter, map.displayName(letter)),
                int(kind));
    }
    setCurrentIndex(-1);
    --m_internal;
    SelectDrive(m_drive);
}

void TbrowseComboBox::removePathItems(int keepThrough)
{
    ++m_internal;
    if (keepThrough >= 0) {
        while (keepThrough + 1 < count() && isPathItem(itemText(keepThrough + 1)))
            removeItem(keepThrough + 1);
    } else {
        for (int i = count() - 1; i >= 0; --i)
            if (isPathItem(itemText(i)))
                removeItem(i);
    }
    --m_internal;
}

QString TbrowseComboBox::pathThrough(int index) const
{
    int drive = index;
    while (drive >= 0 && isPathItem(itemText(drive)))
        --drive;
    QString path = drive >= 0 ? QString(itemText(drive).at(0)) : QString(m_drive);
    path += QStringLiteral(":\\");
    QStringList names;
    for (int i = drive + 1; i <= index; ++i)
        names.append(itemData(i, kNameRole).toString());
    return path + names.join('\\');
}

void TbrowseComboBox::SelectDrive(QChar letter)
{
    ++m_internal;
    const int selected = currentIndex();
    if (selected > 0 && isPathItem(itemText(selected))) {
        m_path = pathThrough(selected);
        removePathItems(selected);
    } else {
        removePathItems();
        const int now = currentIndex();
        const bool onLetter = now >= 0 && itemText(now).at(0).toLower() == letter.toLower();
        if (now < 0 || letter.toLower() != m_drive || !onLetter) {
            m_drive = letter.toLower();
            m_path = QString(m_drive) + QStringLiteral(":\\");
            setCurrentIndex(driveItem(m_drive));
        }
    }
    --m_internal;
    notifyChange();
}

void TbrowseComboBox::SetPath(const QString& path)
{
    ++m_internal;
    removePathItems();
    if (path.isEmpty()) {
        --m_internal;
        return;
    }
    if (path.size() <= 3) {
        m_path = path;
        --m_internal;
        SelectDrive(path[0]);
        return;
    }
    const int drive = driveItem(path[0]);
    m_drive = path[0].toLower();
    m_path = path;
    setCurrentIndex(drive);
    if (drive >= 0) {
        const QStringList names = path.mid(3).split('\\', Qt::SkipEmptyParts);
        for (int k = 0; k < names.size(); ++k) {
            const int at = drive + 1 + k;
            const bool last = k == names.size() - 1;
            insertItem(at, QIcon(folderPicture(last)),
                       QStringLiteral("$>%1%2").arg(k + 1, 3, 10, QLatin1Char('0')).arg(names[k]));
            setItemData(at, names[k], kNameRole);
            setItemData(at, k + 1, kLevelRole);
        }
        setCurrentIndex(drive + int(names.size()));
    }
    --m_internal;
    notifyChange();
}

void TbrowseComboBox::Click()
{
    const int selected = currentIndex();
    if (selected < 0)
        return;
    const QString text = itemText(selected);
    if (isPathItem(text)) {
        m_path = pathThrough(selected);
        SelectDrive(m_drive);
    } else {
        m_path = QString(text[0]) + QStringLiteral(":\\");
        SelectDrive(text[0]);
    }
}

void TbrowseComboBox::Reread()
{
    const QString path = m_path;
    FillDrives();
    SetPath(path);
    updateItemHeight();
}

void TbrowseComboBox::notifyChange()
{
    const int selected = currentIndex();
    QString hint;
    if (selected >= 0) {
        const QString text = itemText(selected);
        hint = isPathItem(text) ? itemData(selected, kNameRole).toString() : text.mid(3);
    }
    setToolTip(hint);
    if (onChange)
        onChange();
}

void TbrowseComboBox::paintEvent(QPaintEvent*)
{
    QStylePainter p(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText.clear();
    opt.currentIcon = QIcon();
    p.drawComplexControl(QStyle::CC_ComboBox, opt);
    const int selected = currentIndex();
    if (selected < 0)
        return;
    const QRect field =
        style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxEditField, this);
    const QModelIndex index = model()->index(selected, modelColumn(), rootModelIndex());
    const QPixmap picture = itemIcon(selected).pixmap(kPicture);
    // The box's own field shows the item without its level's indent.
    paintItem(&p, field, picture, shownText(index), 0, palette(), false);
}

QPixmap TbrowseComboBox::folderPicture(bool open)
{
    const QIcon themed =
        QIcon::fromTheme(open ? QStringLiteral("folder-open") : QStringLiteral("folder"));
    if (!themed.isNull()) {
        const QPixmap pm = themed.pixmap(kPicture, kPicture);
        if (!pm.isNull())
            return pm;
    }
    QPixmap pm = blankPicture();
    QPainter p(&pm);
    p.setPen(QColor(128, 96, 0));
    p.setBrush(QColor(240, 200, 80));
    p.drawRect(1, 3, 5, 2);  // tab
    p.drawRect(1, 4, 13, 9); // back
    if (open) {
        p.setBrush(QColor(255, 228, 130));
        QPolygon front({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)});
        p.drawPolygon(front);
    }
    return pm;
}

QPixmap TbrowseComboBox::drivePicture(DriveKind kind)
{
    QPixmap pm = blankPicture();
    QPainter p(&pm);
    switch (kind) {
    case DriveKind::Removable:
        // A diskette: dark body, metal shutter, label.
        p.setPen(QColor(20, 20, 60));
        p.setBrush(QColor(40, 60, 140));
        p.drawRect(2, 1, 12, 13);
        p.setBrush(QColor(200, 200, 210));
        p.drawRect(5, 1, 6, 4);
        p.setBrush(Qt::white);
        p.drawRect(4, 8, 8, 5);
        break;
    case DriveKind::Fixed:
    case DriveKind::RamDisk:
        drawCase(p, QColor(192, 192, 192));
        p.setPen(Qt::NoPen);
        p.setBrush(kind == DriveKind::RamDisk ? QColor(40, 120, 220) : QColor(0, 200, 0));
        p.drawRect(10, 9, 2, 2);
        break;
    case DriveKind::CdRom: {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QColor(96, 96, 96));
        p.setBrush(QColor(220, 220, 235));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(QColor(170, 200, 240));
        p.drawEllipse(QRectF(4.5, 4.5, 7, 7));
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(6.5, 6.5, 3, 3));
        break;
    }
    case DriveKind::Remote:
        drawCase(p, QColor(192, 192, 192));
        p.setPen(QColor(0, 0, 160));
        p.drawLine(7, 12, 7, 14);
        p.drawLine(2, 14, 13, 14);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 200, 0));
        p.drawRect(10, 9, 2, 2);
        break;
    default:
        drawCase(p, QColor(160, 160, 160));
        p.setPen(Qt::black);
        p.drawText(QRect(1, 5, 14, 8), Qt::AlignCenter, QStringLiteral("?"));
        break;
    }
    return pm;
}

} // namespace dovex
