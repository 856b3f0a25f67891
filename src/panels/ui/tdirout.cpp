#include "panels/ui/tdirout.h"

#include "panels/ui/panelimages.h"
#include "panels/ui/tloaddirs.h"
#include "platform/hostname.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPainter>

namespace dovex {

namespace {

constexpr int kPathRole = Qt::UserRole;

// The open folder: the closed one with its front flap folded down.
QPixmap openFolder(const QPixmap& closed)
{
    QPixmap open = closed.copy();
    QPainter p(&open);
    p.setRenderHint(QPainter::Antialiasing);
    const QPolygonF flap{{1.5, 14.5}, {4.5, 7.5}, {15.5, 7.5}, {12.5, 14.5}};
    p.setPen(QPen(QColor(128, 96, 0), 1));
    p.setBrush(QColor(255, 236, 150));
    p.drawPolygon(flap);
    return open;
}

// A link to a directory: the folder with the small arrow links carry.
QPixmap linkFolder(const QPixmap& closed)
{
    QPixmap link = closed.copy();
    QPainter p(&link);
    p.fillRect(0, 9, 7, 7, Qt::white);
    p.setPen(Qt::black);
    p.drawRect(0, 9, 6, 6);
    p.drawLine(2, 13, 5, 10);
    p.drawLine(3, 10, 5, 10);
    p.drawLine(5, 10, 5, 12);
    return link;
}

} // namespace

TDirOut::TDirOut(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setUniformRowHeights(true);
    setIconSize(QSize(PanelImages::kSize, PanelImages::kSize));
    setSelectionMode(QAbstractItemView::SingleSelection);
    const QPixmap closed = PanelImages::instance().row(PanelImages::Folder);
    m_folderIcon.addPixmap(closed, QIcon::Normal);
    m_folderIcon.addPixmap(openFolder(closed), QIcon::Selected);
    m_linkIcon.addPixmap(linkFolder(closed), QIcon::Normal);
    m_linkIcon.addPixmap(linkFolder(openFolder(closed)), QIcon::Selected);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { currentChanged(current); });
}

QString TDirOut::pathOf(const QTreeWidgetItem* item)
{
    return item ? item->data(0, kPathRole).toString() : QString();
}

void TDirOut::Reload()
{
    clear();
    m_selectedPath.clear();
    m_incomplete = false;
    if (m_drive.isNull())
        return;
    if (!m_loadDirs)
        m_loadDirs = new TLoadDirs(window());
    TLoadDirs* w = m_loadDirs;
    w->start();
    w->show();
    QElapsedTimer clock;
    clock.start();
    qint64 shownAt = -1000;
    const DirectoryTree tree = ReadDirectoryTree(m_drive, [&](const QString& path, int) {
        // The label and the events every 40 ms: drawing each path would
        // cost more than reading it.
        if (clock.elapsed() - shownAt >= 40) {
            shownAt = clock.elapsed();
            w->setStatus(path);
            if (onProgress)
                onProgress(w);
            QApplication::processEvents();
        }
        return !w->cancelled();
    });
    w->setStatus(QStringLiteral("Sorting Directories"));
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    m_incomplete = !tree.complete;
    fill(tree);
    w->hide();
    if (QTreeWidgetItem* first = topLevelItem(0))
        setCurrentItem(first);
}

void TDirOut::fill(const DirectoryTree& tree)
{
    clear();
    setUpdatesEnabled(false);
    QList<QTreeWidgetItem*> top;
    std::vector<QTreeWidgetItem*> parents; // parents[d - 1]: the last node of depth d
    for (const TreeDirectory& d : tree.directories) {
        QTreeWidgetItem* parent = d.depth > 1 && size_t(d.depth - 2) < parents.size()
                                      ? parents[size_t(d.depth - 2)]
                                      : nullptr;
        auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem;
        const qsizetype slash = d.path.lastIndexOf('\\');
        item->setText(0, hostname::displayName(d.path.mid(slash + 1)));
        item->setData(0, kPathRole, d.path);
        item->setIcon(0, d.link ? m_linkIcon : m_folderIcon);
        if (d.link)
            item->setToolTip(0, QStringLiteral("Link to a directory (not read)"));
        else if (d.mountPoint)
            item->setToolTip(0, QStringLiteral("Another volume (not read)"));
        else if (d.unreadable)
            item->setToolTip(0, QStringLiteral("Cannot read this directory"));
        if (!parent)
            top.append(item);
        parents.resize(size_t(d.depth));
        parents[size_t(d.depth - 1)] = item;
    }
    addTopLevelItems(top);
    setUpdatesEnabled(true);
}

QTreeWidgetItem* TDirOut::itemOf(const QString& path) const
{
    QList<QTreeWidgetItem*> level;
    for (int i = 0; i < topLevelItemCount(); ++i)
        level.append(topLevelItem(i));
    QTreeWidgetItem* found = nullptr;
    while (!level.isEmpty()) {
        QTreeWidgetItem* next = nullptr;
        for (QTreeWidgetItem* item : level) {
            const QString p = pathOf(item);
            if (p.compare(path, Qt::CaseSensitive) == 0)
                return item;
            if (path.startsWith(p + '\\')) {
                next = item;
                break;
            }
        }
        if (!next)
            return found;
        level.clear();
        for (int i = 0; i < next->childCount(); ++i)
            level.append(next->child(i));
    }
    return found;
}

void TDirOut::currentChanged(QTreeWidgetItem* current)
{
    const QString path = pathOf(current);
    if (!current || path == m_selectedPath)
        return;
    m_selectedPath = path;
    if (OnChange)
        OnChange(this);
}

void TDirOut::focusInEvent(QFocusEvent* event)
{
    QTreeWidget::focusInEvent(event);
    if (OnEnter)
        OnEnter();
}

} // namespace dovex
