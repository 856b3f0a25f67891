#include "shell/ui/application.h"

#include "archive/archivereaders.h"
#include "network/ui/netdrivesconnector.h"
#include "platform/settingsfile.h"
#include "shell/ui/tform1.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

namespace dovex {

int runApplication(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Dovex 1.3 32-Bit"));
    QApplication::setApplicationDisplayName(QStringLiteral("Dovex 1.3 32-Bit"));
    InitArchiveReaders();

    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    // The network outlives the window that uses it.
    NetDrivesConnector network(MakeGioNetProvider());
    std::unique_ptr<TForm1> form;
    try {
        form = std::make_unique<TForm1>(arguments);
    } catch (const SettingsError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Dovex 1.3 32-Bit"), e.message());
        return 1;
    } catch (const SettingsWriteError& e) {
        QMessageBox::critical(nullptr, QStringLiteral("Dovex 1.3 32-Bit"),
                              QString::fromStdString(e.what()));
        return 1;
    }
    form->setNetwork(&network.provider(), &network);
    form->show();
    form->FormShow();
    if (form->stopped())
        return 1;
    // Connections kept for the next start come back once the window is up,
    // so a slow server does not hold up its first paint.
    QTimer::singleShot(0, form.get(), [&network, f = form.get()] {
        network.drives().restore();
        f->RereadNetworkDrives();
    });
    return app.exec();
}

} // namespace dovex
