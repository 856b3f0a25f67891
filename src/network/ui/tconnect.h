#pragma once

#include "network/ui/tnetbrowse.h"

#include <QChar>
#include <QDialog>

#include <functional>
#include <memory>

class QListWidget;
class QWidget;

namespace dovex {

class NetConnector;
class Prompter;
class TConnectDialog;

// Runs "Connect Network Resource" and makes the connection it asks for.
//
//   TConnect c(parent);
//   c.setNetwork(&provider, &connector);
//   if (c.Execute(prompter)) panelTo(c.connectedLetter());
class TConnect {
public:
    explicit TConnect(QWidget* parent);
    ~TConnect();

    void setNetwork(NetProvider* provider, NetConnector* connector);
    ResourceType resourceType() const { return m_type; }
    void setResourceType(ResourceType type) { m_type = type; }

    // True when a connection was made; then connectedLetter() is its letter.
    bool Execute(Prompter& prompter);
    QChar connectedLetter() const { return m_letter; }
    TConnectDialog& dialog() { return *m_dialog; }

    // How the dialog is run; exec() unless a test drives it (it shows the
    // dialog, works it and returns the result).
    std::function<int(TConnectDialog&)> run;

private:
    std::unique_ptr<TConnectDialog> m_dialog;
    NetProvider* m_provider = nullptr;
    NetConnector* m_connector = nullptr;
    ResourceType m_type = ResourceType::rtAny;
    QChar m_letter;
};

// "Disconnect Network Drive": the connected network drives, one chosen.
class TDisconnectDialog : public QDialog {
    Q_OBJECT
public:
    explicit TDisconnectDialog(QWidget* parent = nullptr);
    void setDrives(const QList<NetDrive>& drives);
    QListWidget* list() const { return m_list; }
    // The chosen drive's letter; null when none is chosen.
    QChar chosen() const;

private:
    QListWidget* m_list;
    QList<QChar> m_letters;
};

} // namespace dovex
