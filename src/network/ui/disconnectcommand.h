#pragma once

#include "panels/filepanel.h"

#include <QChar>

#include <array>
#include <functional>

class QWidget;

namespace dovex {

class NetConnector;
class Prompter;
class TDisconnectDialog;

// Disconnect Networkdrive: the list of connected drives to choose from, the
// disconnect, and moving the panels off the drive that went. The window
// reads its drive lists and panels again afterwards.
class DisconnectCommand {
public:
    DisconnectCommand(QWidget* owner, NetConnector& connector, Prompter& prompter);

    // How the dialog is run; exec() unless a test drives it.
    std::function<int(TDisconnectDialog&)> runDialog;

    struct Outcome {
        QChar letter;        // the drive disconnected; null when none was
        bool failed = false; // the disconnect failed (and was said)
    };
    // Nothing connected is said; a cancelled dialog is nothing.
    Outcome run();

    // The panels that showed the drive (inside an archive: whose archive
    // lies on it) go to drive C. Returns them as bits 1 << (panel - 1).
    static unsigned movePanelsOff(const std::array<FilePanel*, 2>& panels, QChar letter);

private:
    QWidget* m_owner;
    NetConnector& m_connector;
    Prompter& m_prompter;
};

} // namespace dovex
