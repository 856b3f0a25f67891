#include "shell/ui/application.h"

#include "archive/archivereaders.h"
#include "controls/dialogowner.h"
#include "controls/icontheme.h"
#include "fileops/ui/messageprompter.h"
#include "network/ui/netdrivesconnector.h"
#include "platform/hostname.h"
#include "platform/settingsfile.h"
#include "shell/startargument.h"
#include "shell/ui/tform1.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <optional>

namespace dovex {

namespace {

const char* const kHelp =
    "Usage: dovex [FOLDER | FILE | URI]\n"
    "       dovex --help | --version\n"
    "Dovex, a dual-panel file manager.\n"
    "\n"
    "The left panel starts at FOLDER, or at the folder that holds FILE: a\n"
    "drive-letter path (C:\\work), a path of this computer (/home/me/work, or\n"
    "relative to the current directory) or a file:// URI. A folder on no drive\n"
    "opens the nearest drive. Without an argument both panels start where they\n"
    "were left.\n"
    "\n"
    "Environment:\n"
    "  DOVEX_DRIVES  drive letters and their directories (C=/tmp/c;D=/tmp/d);\n"
    "                else C: is the home directory, Z: is / and mounted\n"
    "                volumes take D: onwards\n"
    "  DOVEX_WINDIR  the directory of Dovex.Ini (else ~/.config/dovex)\n"
    "  DOVEX_HOME    the program directory (else ~/.local/share/dovex)\n"
    "\n"
    "Qt's own options, such as -platform and -style, are accepted too.\n";

// --help and --version are answered without a display.
std::optional<int> answerInformationOption(int argc, char** argv)
{
    if (argc != 2)
        return std::nullopt;
    if (std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kHelp, stdout);
        return 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("dovex %s\n", DOVEX_VERSION);
        return 0;
    }
    return std::nullopt;
}

// The window's arguments as their bytes decode; the first becomes the
// drive-letter path of the left panel's start directory.
QStringList startArguments(int argc, char** argv, StartArgument& start)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << hostname::decodeText(QByteArray(argv[i]));
    if (arguments.isEmpty())
        return arguments;
    start = readStartArgument(QByteArray(argv[1]),
                              QByteArray::fromStdString(std::filesystem::current_path().native()));
    arguments[0] = start.path;
    return arguments;
}

} // namespace

int runApplication(int argc, char** argv)
{
    if (const std::optional<int> rc = answerInformationOption(argc, argv))
        return *rc;
    QApplication app(argc, argv); // takes Qt's own options out of argv
    QApplication::setApplicationName(QStringLiteral("Dovex 1.3 32-Bit"));
    QApplication::setApplicationDisplayName(QStringLiteral("Dovex 1.3 32-Bit"));
    QApplication::setDesktopFileName(QStringLiteral("org.dovex.Dovex"));
    useInstalledIconTheme();
    InitArchiveReaders();

    StartArgument start;
    const QStringList arguments = startArguments(argc, argv, start);
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
    if (!start.notice.isEmpty())
        callAfterFirstPaint(*form, [f = form.get(), notice = start.notice] {
            MessagePrompter(f).information(notice);
        });
    // Connections kept for the next start come back once the window is up,
    // so a slow server does not hold up its first paint.
    QTimer::singleShot(0, form.get(), [&network, f = form.get()] {
        network.drives().restore();
        f->RereadNetworkDrives();
    });
    return app.exec();
}

} // namespace dovex
