#pragma once

#include "panels/filepanel.h"
#include "panels/ui/rowpainter.h"

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include <functional>
#include <vector>

namespace dovex {

// The rows of one panel: item i is entry i, its text the character 255 and
// the name. Each item can carry its own icon (the row cache of the painter).
class PanelModel : public QAbstractListModel {
    Q_OBJECT
public:
    explicit PanelModel(FilePanel& panel, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

    FilePanel& panel() const { return m_panel; }
    QPixmap* itemIcon(int row);

    // The entries were rebuilt: every row (and its icon) is new.
    void resetRows();

private:
    FilePanel& m_panel;
    std::vector<QPixmap> m_icons;
};

// Draws a row through the RowPainter with the list's options.
class PanelDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    PanelDelegate(PanelModel& model, RowPainter& painter, QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    // Hovering a row whose name is clipped shows the whole name.
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    RowOptions options;
    int rowHeight = 17;
    int columnWidth = 100;

private:
    PanelModel& m_model;
    RowPainter& m_painter;
};

// One panel's owner-drawn list (ListBox1 or ListBox2). Keys, typed
// characters and mouse actions go to the window's handlers first; marking
// with the right button and the middle button's Enter live here.
class TPanelList : public QListView {
    Q_OBJECT
public:
    TPanelList(FilePanel& panel, RowPainter& painter, QWidget* parent = nullptr);

    PanelModel& model() const { return *m_model; }
    PanelDelegate& delegate() const { return *m_delegate; }
    FilePanel& panel() const { return m_model->panel(); }

    int cursor() const;
    void setCursor(int index);
    // Brief view shows three columns of names, Full one row per entry.
    void setBrief(bool brief);
    bool brief() const { return m_delegate->options.brief; }
    void setRowHeight(int height);
    // The entries changed wholesale (a re-read) or in place (a sync).
    void entriesReset(int cursor, int top = -1);
    // The entries brought up to date with the panel's directory in place,
    // marks kept; rows that came or went shift the row icons, so the rows
    // are rebuilt then, even when their number stayed the same.
    void syncWithDisk();
    int topIndex() const;

    // Handlers installed by the window; a key handler that returns true
    // consumed the key. While detached (a re-read) no handler runs.
    std::function<bool(QKeyEvent*)> onKey;
    std::function<void()> onActivate;      // click or focus entry: setactief
    std::function<void()> onOpen;          // double click: listklick
    std::function<void()> onSelectionLine; // the marks or the cursor changed
    std::function<void(Qt::KeyboardModifiers)> onMiddleRelease;
    // The left button went down on a line and the mouse moved beyond the
    // drag distance: the window starts a drag of this panel.
    std::function<void()> onStartDrag;
    void setEventsAttached(bool attached) { m_attached = attached; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Typed characters belong to the command line and never move the cursor.
    void keyboardSearch(const QString&) override {}

private:
    void updateGrid();
    int rowAt(const QPoint& pos) const;

    PanelModel* m_model;
    PanelDelegate* m_delegate;
    bool m_attached = true;
    bool m_rightDragMark = false;
    bool m_rightDown = false;
    bool m_releaseEndsDoubleClick = false;
    bool m_dragArmed = false;
    QPoint m_dragFrom;
};

} // namespace dovex
