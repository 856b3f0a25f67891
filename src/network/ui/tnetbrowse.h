#pragma once

#include "network/netdrives.h"

#include <QIcon>
#include <QList>
#include <QString>
#include <QTreeWidget>

namespace dovex {

// Which resources the tree lists.
enum class ResourceType { rtAny = 0, rtDisk = 1, rtPrint = 2 };

// One node of the tree, in the order the nodes were made (depth first).
struct NetResourceInfo {
    int displayType = -1; // 1 domain, 2 server, 3 share, 0 anything else
    int picture = 0;
    QString remoteName;
    QString shownName;
    bool printer = false;
};

// The network as a tree: the provider's resources level by level, each
// level listed last entry first, with a picture per kind. The table holds
// at most kMaxResources nodes; a load that finds more stops recording there.
class TNetBrowse : public QTreeWidget {
    Q_OBJECT
public:
    static constexpr int kMaxResources = 101;
    enum Picture {
        NetworkPicture = 0,
        DomainPicture,
        ComputerPicture,
        SharePicture,
        PrinterPicture
    };

    explicit TNetBrowse(QWidget* parent = nullptr);

    void setProvider(NetProvider* provider) { m_provider = provider; }
    ResourceType resourceType() const { return m_type; }
    void setResourceType(ResourceType type) { m_type = type; }

    // Clears the tree and fills it from the provider (hourglass meanwhile).
    void Load();

    const QList<NetResourceInfo>& resources() const { return m_table; }
    QString lastProvider() const { return m_lastProvider; }
    // The selected node's resource; display type 0 when nothing (or the
    // "nothing found" node) is selected.
    QString selectedRemoteName() const { return m_selRemote; }
    int selectedDisplayType() const { return m_selDisplay; }
    bool selectedPrinter() const { return m_selPrinter; }

    // The name a resource is shown with.
    static QString shownName(const NetResource& resource);
    static QIcon picture(int index);

signals:
    void selectionChanged();

private:
    void enumerate(const QString& parentLocation, QTreeWidgetItem* parent);
    void nodeChanged(QTreeWidgetItem* current);

    NetProvider* m_provider = nullptr;
    ResourceType m_type = ResourceType::rtAny;
    QList<NetResourceInfo> m_table;
    QString m_lastProvider;
    QString m_selRemote;
    int m_selDisplay = 0;
    bool m_selPrinter = false;
};

} // namespace dovex
