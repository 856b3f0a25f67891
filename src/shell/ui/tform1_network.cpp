// The main window's network commands: connecting a network location to a
// drive letter, disconnecting one, and reading the drive lists again.
#include "shell/ui/tform1.h"

#include "network/ui/disconnectcommand.h"
#include "network/ui/netconnector.h"
#include "network/ui/tconnect.h"
#include "panels/ui/driveselector.h"
#include "panels/ui/panellist.h"
#include "platform/prompter.h"

#include <QAction>

namespace dovex {

void TForm1::setupNetwork()
{
    setNetwork(nullptr, nullptr);
}

void TForm1::setNetwork(NetProvider* provider, NetConnector* connector)
{
    m_netProvider = provider;
    m_netConnector = connector;
    const bool on = provider && connector;
    for (Cmd id : {Cmd::ConnectNetworkdrive, Cmd::DisconnectNetworkdrive})
        command(id)->setEnabled(on);
    if (m_netConnect)
        m_netConnect->setNetwork(provider, connector);
}

TConnect& TForm1::networkConnect()
{
    if (!m_netConnect) {
        m_netConnect = std::make_shared<TConnect>(this);
        m_netConnect->setNetwork(m_netProvider, m_netConnector);
    }
    return *m_netConnect;
}

void TForm1::RereadNetworkDrives()
{
    // The drive map learns of the new or gone mount, then both drive boxes
    // and the bars show it.
    mountsChanged();
}

void TForm1::ConnectNetworkdrive()
{
    if (!m_netProvider || !m_netConnector || m_busy > 0)
        return;
    TConnect& c = networkConnect();
    if (!c.Execute(prompter()))
        return;
    RereadNetworkDrives();
    // The active panel goes to the drive just connected, once the drive
    // map lists it.
    m_drives->choose(ActivePanel, c.connectedLetter());
}

void TForm1::DisconnectNetworkdrive()
{
    if (!m_netProvider || !m_netConnector || m_busy > 0)
        return;
    DisconnectCommand disconnect(this, *m_netConnector, prompter());
    disconnect.runDialog = runDisconnectDialog;
    const DisconnectCommand::Outcome gone = disconnect.run();
    if (gone.failed)
        RereadNetworkDrives();
    if (gone.letter.isNull())
        return;
    // A panel on the drive that went moves to drive C, read afresh so that
    // its caption, drive box and the prompt follow.
    const unsigned moved = DisconnectCommand::movePanelsOff({&panel(1), &panel(2)}, gone.letter);
    rereadDriveLists();
    const int wasActive = ActivePanel;
    for (int n = 1; n <= 2; ++n) {
        if (!(moved & (1u << (n - 1))))
            continue;
        ActivePanel = n;
        RefreshClick();
    }
    setactief(wasActive);
    Werkpanelsbij(3u & ~moved);
}

} // namespace dovex
