#include "network/ui/tnetbrowse.h"

#include <QApplication>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>

namespace dovex {

namespace {

constexpr int kTableRole = Qt::UserRole + 1;

// The hourglass for as long as the tree is read, also when a level throws.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

void drawMonitor(QPainter& p, int x, int y, int w, int h)
{
    p.setPen(Qt::black);
    p.setBrush(QColor(192, 192, 192));
    p.drawRect(x, y, w, h);
    p.setBrush(QColor(0, 128, 128));
    p.drawRect(x + 2, y + 2, w - 4, h - 4);
    p.fillRect(x + w / 2 - 1, y + h + 1, 3, 2, Qt::black);
}

// The five pictures of the tree, drawn here: a globe for the network, two
// computers for a domain or workgroup, a computer, a folder on a cable for
// a shared directory, a printer.
QPixmap drawPicture(int index)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, index == TNetBrowse::NetworkPicture);
    switch (index) {
    case TNetBrowse::NetworkPicture:
        p.setPen(QPen(QColor(0, 0, 128), 1));
        p.setBrush(QColor(64, 128, 255));
        p.drawEllipse(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QRectF(5, 1.5, 6, 13));
        p.drawLine(QPointF(1.5, 8), QPointF(14.5, 8));
        p.setPen(QColor(0, 128, 0));
        p.setBrush(QColor(0, 160, 0));
        p.drawEllipse(QRectF(3, 4, 4, 3));
        p.drawEllipse(QRectF(8, 9, 4, 3));
        break;
    case TNetBrowse::DomainPicture:
        drawMonitor(p, 0, 1, 9, 7);
        drawMonitor(p, 6, 6, 9, 7);
        break;
    case TNetBrowse::ComputerPicture:
        drawMonitor(p, 1, 1, 13, 10);
        p.fillRect(3, 14, 10, 2, QColor(128, 128, 128));
        break;
    case TNetBrowse::SharePicture:
        p.setPen(Qt::black);
        p.setBrush(QColor(255, 255, 128));
        p.drawRect(1, 3, 13, 8);
        p.fillRect(2, 2, 5, 2, QColor(255, 255, 128));
        p.drawLine(7, 11, 7, 14);
        p.drawLine(2, 14, 13, 14);
        break;
    case TNetBrowse::PrinterPicture:
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 6);
        p.setBrush(QColor(192, 192, 192));
        p.drawRect(1, 6, 13, 6);
        p.fillRect(11, 8, 2, 1, QColor(0, 160, 0));
        p.setBrush(Qt::white);
        p.drawRect(3, 11, 9, 3);
        break;
    default:
        break;
    }
    return pm;
}

int displayNumber(NetResource::Display d)
{
    switch (d) {
    case NetResource::Display::Domain:
        return 1;
    case NetResource::Display::Server:
        return 2;
    case NetResource::Display::Share:
        return 3;
    default:
        return 0;
    }
}

} // namespace

TNetBrowse::TNetBrowse(QWidget* parent) : QTreeWidget(parent)
{
    setHeaderHidden(true);
    setColumnCount(1);
    setIconSize(QSize(16, 16));
    setRootIsDecorated(true);
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* current) { nodeChanged(current); });
}

QIcon TNetBrowse::picture(int index)
{
    static const QList<QIcon> pictures = [] {
        QList<QIcon> list;
        for (int i = 0; i <= PrinterPicture; ++i)
            list << QIcon(drawPicture(i));
        return list;
    }();
    return index >= 0 && index < pictures.size() ? pictures[index] : pictures[0];
}

QString TNetBrowse::shownName(const NetResource& r)
{
    switch (r.display) {
    case NetResource::Display::Share: {
        // "\\server\docs" shows "docs"; a location ("sftp://host/dir/")
        // shows its last component.
        QString name = r.remoteName;
        if (name.contains(QLatin1Char('\\'))) {
            name = name.mid(name.lastIndexOf(QLatin1Char('\\')) + 1);
        } else {
            while (name.endsWith(QLatin1Char('/')) && name.size() > 1)
                name.chop(1);
            name = name.mid(name.lastIndexOf(QLatin1Char('/')) + 1);
        }
        return name.toLower();
    }
    case NetResource::Display::Server:
        if (r.remoteName.startsWith(QLatin1String("\\\\")))
            return r.remoteName.mid(2);
        if (const qsizetype scheme = r.remoteName.indexOf(QLatin1String("://")); scheme > 0)
            return r.remoteName.mid(scheme + 3);
        return r.remoteName;
    case NetResource::Display::Domain:
        return r.remoteName.left(1).toUpper() + r.remoteName.mid(1).toLower();
    default:
        return r.comment;
    }
}

void TNetBrowse::Load()
{
    const WaitCursor hourglass;
    m_table.clear();
    clear();
    nodeChanged(nullptr);
    enumerate(QString(), nullptr);
    if (m_table.size() >= 2) {
        collapseAll();
        // The first two nodes: the first top-level one and the node after
        // it, so the network's first level below it shows.
        QTreeWidgetItem* first = topLevelItem(0);
        first->setExpanded(true);
        if (QTreeWidgetItem* second = first->childCount() > 0 ? first->child(0) : topLevelItem(1))
            second->setExpanded(true);
    } else {
        clear();
        m_table.clear();
        auto* none = new QTreeWidgetItem(this, {QStringLiteral("No Network Resources Found")});
        none->setIcon(0, picture(NetworkPicture));
        none->setData(0, kTableRole, -1);
    }
}

void TNetBrowse::enumerate(const QString& parentLocation, QTreeWidgetItem* parent)
{
    if (!m_provider || m_table.size() >= kMaxResources)
        return;
    const std::optional<QList<NetResource>> level = m_provider->enumerate(parentLocation);
    if (!level)
        return;
    for (qsizetype i = level->size() - 1; i >= 0; --i) {
        if (m_table.size() >= kMaxResources)
            return;
        const NetResource& r = (*level)[i];
        const bool share = r.display == NetResource::Display::Share;
        if (share && r.printer && m_type == ResourceType::rtDisk)
            continue;
        if (share && !r.printer && m_type == ResourceType::rtPrint)
            continue;
        NetResourceInfo info;
        info.displayType = displayNumber(r.display);
        info.picture = info.displayType == 3 && r.printer ? int(PrinterPicture) : info.displayType;
        info.printer = share && r.printer;
        info.remoteName = info.displayType == 0 ? r.comment : r.remoteName;
        info.shownName = shownName(r);
        m_lastProvider = r.provider;
        const int index = int(m_table.size());
        m_table.append(info);
        auto* node = parent ? new QTreeWidgetItem(parent, {info.shownName})
                            : new QTreeWidgetItem(this, {info.shownName});
        node->setIcon(0, picture(info.picture));
        node->setData(0, kTableRole, index);
        // Only a container has children; an empty location would name the
        // top level again and the tree would repeat itself.
        if (!r.childLocation.isEmpty() && r.childLocation != parentLocation)
            enumerate(r.childLocation, node);
    }
}

void TNetBrowse::nodeChanged(QTreeWidgetItem* current)
{
    const int index = current ? current->data(0, kTableRole).toInt() : -1;
    if (index >= 0 && index < m_table.size()) {
        const NetResourceInfo& info = m_table[index];
        m_selRemote = info.remoteName;
        m_selDisplay = info.displayType >= 1 && info.displayType <= 3 ? info.displayType : 0;
        m_selPrinter = info.printer;
    } else {
        m_selRemote.clear();
        m_selDisplay = 0;
        m_selPrinter = false;
    }
    emit selectionChanged();
}

} // namespace dovex
