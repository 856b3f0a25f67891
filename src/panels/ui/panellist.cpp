#include "panels/ui/panellist.h"

#include "panels/panelreader.h"
#include "panels/selection.h"

#include <QApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>

namespace dovex {

PanelModel::PanelModel(FilePanel& panel, QObject* parent)
    : QAbstractListModel(parent), m_panel(panel)
{
}

int PanelModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_panel.entries.size());
}

QVariant PanelModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_panel.entries.size()))
        return {};
    if (role == Qt::DisplayRole)
        return QString(QChar(255)) + m_panel.entries[size_t(index.row())].name;
    return {};
}

QPixmap* PanelModel::itemIcon(int row)
{
    if (m_icons.size() != m_panel.entries.size())
        m_icons.resize(m_panel.entries.size());
    return row >= 0 && row < int(m_icons.size()) ? &m_icons[size_t(row)] : nullptr;
}

void PanelModel::resetRows()
{
    beginResetModel();
    m_icons.assign(m_panel.entries.size(), QPixmap());
    for (PanelEntry& e : m_panel.entries)
        e.ownIcon = false;
    endResetModel();
}

PanelDelegate::PanelDelegate(PanelModel& model, RowPainter& painter, QObject* parent)
    : QStyledItemDelegate(parent), m_model(model), m_painter(painter)
{
}

void PanelDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const
{
    painter->save();
    painter->setFont(option.font);
    m_painter.paint(*painter, option.rect, m_model.panel(), index.row(), options,
                    m_model.itemIcon(index.row()));
    if (option.state & QStyle::State_HasFocus) {
        // The cursor row shows only a focus rectangle, never a fill.
        painter->setPen(QPen(Qt::black, 1, Qt::DotLine));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
    }
    painter->restore();
}

QSize PanelDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const
{
    return QSize(columnWidth, rowHeight);
}

bool PanelDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                              const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (!event || event->type() != QEvent::ToolTip)
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    const FilePanel& panel = m_model.panel();
    const QString name =
        index.isValid() && index.row() < int(panel.entries.size())
            ? m_painter.clippedName(option.rect, panel.entries[size_t(index.row())], options,
                                    QFontMetrics(option.font))
            : QString();
    if (name.isEmpty()) {
        QToolTip::hideText();
        event->ignore();
        return true;
    }
    // As plain text: a name is never markup.
    QToolTip::showText(
        event->globalPos(),
        QStringLiteral("<p style='white-space:pre'>%1</p>").arg(name.toHtmlEscaped()),
        view->viewport(), option.rect);
    return true;
}

TPanelList::TPanelList(FilePanel& panel, RowPainter& painter, QWidget* parent)
    : QListView(parent), m_model(new PanelModel(panel, this)),
      m_delegate(new PanelDelegate(*m_model, painter, this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setSelectionMode(QAbstractItemView::NoSelection);
    setUniformItemSizes(true);
    setFlow(QListView::TopToBottom);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setBrief(false);
}

int TPanelList::cursor() const
{
    return currentIndex().isValid() ? currentIndex().row() : -1;
}

void TPanelList::setCursor(int index)
{
    if (index < 0 || index >= m_model->rowCount()) {
        setCurrentIndex(QModelIndex());
        return;
    }
    setCurrentIndex(m_model->index(index));
    scrollTo(m_model->index(index));
}

int TPanelList::topIndex() const
{
    const QModelIndex top = indexAt(QPoint(2, 2));
    return top.isValid() ? top.row() : 0;
}

void TPanelList::setBrief(bool brief)
{
    m_delegate->options.brief = brief;
    setWrapping(brief);
    setHorizontalScrollBarPolicy(brief ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(brief ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    updateGrid();
}

void TPanelList::setRowHeight(int height)
{
    m_delegate->rowHeight = height;
    updateGrid();
}

void TPanelList::updateGrid()
{
    const int width = viewport()->width();
    m_delegate->columnWidth = m_delegate->options.brief ? std::max(1, width / 3) : width;
    setGridSize(QSize(m_delegate->columnWidth, m_delegate->rowHeight));
    doItemsLayout();
}

void TPanelList::resizeEvent(QResizeEvent* event)
{
    QListView::resizeEvent(event);
    updateGrid();
}

void TPanelList::entriesReset(int cursor, int top)
{
    m_model->resetRows();
    if (top >= 0 && top < m_model->rowCount())
        scrollTo(m_model->index(top), QAbstractItemView::PositionAtTop);
    setCursor(cursor);
}

void TPanelList::syncWithDisk()
{
    FilePanel& p = panel();
    int at = cursor();
    const int top = topIndex();
    if (SyncPanelEntries(p.sortMethod, p.entries, p.path, at, p.filterMask) || at != cursor())
        entriesReset(at, top);
    else
        viewport()->update();
}

int TPanelList::rowAt(const QPoint& pos) const
{
    const QModelIndex index = indexAt(pos);
    return index.isValid() ? index.row() : -1;
}

void TPanelList::keyPressEvent(QKeyEvent* event)
{
    if (m_attached && onKey && onKey(event))
        return;
    QListView::keyPressEvent(event);
    if (m_attached && onSelectionLine)
        onSelectionLine();
}

void TPanelList::focusInEvent(QFocusEvent* event)
{
    QListView::focusInEvent(event);
    if (m_attached && onActivate)
        onActivate();
}

void TPanelList::mousePressEvent(QMouseEvent* event)
{
    m_releaseEndsDoubleClick = false;
    if (!m_attached)
        return;
    if (onActivate)
        onActivate();
    if (event->button() == Qt::RightButton) {
        const int row = rowAt(event->position().toPoint());
        m_rightDown = true;
        if (row >= 0) {
            PanelEntry& e = panel().entries[size_t(row)];
            m_rightDragMark = !e.selected;
            setMark(e, m_rightDragMark);
            viewport()->update();
        }
        if (onSelectionLine)
            onSelectionLine();
        return;
    }
    if (event->button() == Qt::MiddleButton)
        return;
    m_dragFrom = event->position().toPoint();
    m_dragArmed = event->button() == Qt::LeftButton && rowAt(m_dragFrom) >= 0;
    QListView::mousePressEvent(event);
}

void TPanelList::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_attached)
        return;
    if (m_rightDown && (event->buttons() & Qt::RightButton)) {
        const int row = rowAt(event->position().toPoint());
        if (row >= 0) {
            setMark(panel().entries[size_t(row)], m_rightDragMark);
            setCurrentIndex(m_model->index(row));
            viewport()->update();
            if (onSelectionLine)
                onSelectionLine();
        }
        return;
    }
    if (m_dragArmed && (event->buttons() & Qt::LeftButton) && onStartDrag &&
        (event->position().toPoint() - m_dragFrom).manhattanLength() >=
            QApplication::startDragDistance()) {
        m_dragArmed = false;
        // The drag swallows the release that would put the cursor on the
        // pressed line and show it in the status line; do that first.
        const int row = rowAt(m_dragFrom);
        if (row >= 0)
            setCursor(row);
        setFocus();
        if (onSelectionLine)
            onSelectionLine();
        onStartDrag();
        return;
    }
    QListView::mouseMoveEvent(event);
}

void TPanelList::mouseReleaseEvent(QMouseEvent* event)
{
    if (!m_attached)
        return;
    m_rightDown = false;
    m_dragArmed = false;
    if (m_releaseEndsDoubleClick && event->button() == Qt::LeftButton) {
        // The double click has opened the entry and read a new listing; the
        // release must not move that listing's cursor.
        m_releaseEndsDoubleClick = false;
        return;
    }
    const int row = rowAt(event->position().toPoint());
    if (row >= 0)
        setCursor(row);
    setFocus();
    if (onSelectionLine)
        onSelectionLine();
    if (event->button() == Qt::MiddleButton && row >= 0 && onMiddleRelease)
        onMiddleRelease(event->modifiers());
    if (event->button() == Qt::LeftButton)
        QListView::mouseReleaseEvent(event);
}

void TPanelList::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (!m_attached || event->button() != Qt::LeftButton)
        return;
    const int row = rowAt(event->position().toPoint());
    if (row >= 0) {
        setCursor(row);
        m_releaseEndsDoubleClick = true;
        if (onOpen)
            onOpen();
    }
}

} // namespace dovex
