#include "network/ui/disconnectcommand.h"

#include "network/ui/netconnector.h"
#include "network/ui/tconnect.h"
#include "platform/prompter.h"

namespace dovex {

DisconnectCommand::DisconnectCommand(QWidget* owner, NetConnector& connector, Prompter& prompter)
    : m_owner(owner), m_connector(connector), m_prompter(prompter)
{
}

DisconnectCommand::Outcome DisconnectCommand::run()
{
    const QList<NetDrive> drives = m_connector.connected();
    if (drives.isEmpty()) {
        m_prompter.information(QStringLiteral("No network drives are connected."));
        return {};
    }
    TDisconnectDialog dialog(m_owner);
    dialog.setDrives(drives);
    const int result = runDialog ? runDialog(dialog) : dialog.exec();
    const QChar letter = dialog.chosen();
    if (result != QDialog::Accepted || letter.isNull())
        return {};
    QString error;
    if (!m_connector.disconnect(letter, &error)) {
        m_prompter.error(QStringLiteral("Could Not disconnect ") + QString(letter.toLower()) +
                         QStringLiteral(": ") + error);
        return {QChar(), true};
    }
    return {letter, false};
}

unsigned DisconnectCommand::movePanelsOff(const std::array<FilePanel*, 2>& panels, QChar letter)
{
    unsigned moved = 0;
    for (size_t k = 0; k < panels.size(); ++k) {
        FilePanel& p = *panels[k];
        const QString shown = p.inArchive ? p.archiveFile : p.path;
        if (shown.isEmpty() || shown[0].toUpper() != letter.toUpper())
            continue;
        p.showDirectory(QStringLiteral("C:\\"));
        moved |= 1u << k;
    }
    return moved;
}

} // namespace dovex
