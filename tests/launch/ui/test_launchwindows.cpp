#include "launch/shellexecute.h"
#include "launch/ui/helpwindow.h"
#include "launch/ui/launchcommands.h"
#include "panels/filepanel.h"

#include "support/drivefixture.h"
#include "support/scriptedprompter.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QTimer>

using namespace dovex;

TEST(HelpWindow, ShowsTheShippedManual)
{
    LaunchCommands commands(nullptr, *new test::ScriptedPrompter);
    commands.help();
    THelpWindow* help = commands.helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    const QString text = help->browser()->toPlainText();
    for (const char* part : {"Keys", "Menus", "ViewExt", "Adding an archiver", "Ctrl+E"})
        EXPECT_TRUE(text.contains(QString::fromLatin1(part))) << part;
    THelpWindow missing;
    EXPECT_FALSE(missing.load(QStringLiteral("/nonexistent/dovex.html")));
    delete help;
}

TEST(LaunchCommands, ViewAsksThroughTheWindowPrompterAndCommandLineRuns)
{
    test::DriveFixture drives;
    drives.file(QStringLiteral("C:\\d\\f.abc"), 2);
    test::ScriptedPrompter prompter;
    LaunchCommands commands(nullptr, prompter);
    struct NoChoice : launch::ProgramChooser {
        std::optional<QString> chooseProgram(const QString&, const QString&) override
        {
            return std::nullopt;
        }
    } chooser;
    commands.chooser = &chooser;
    launch::RecordingLauncher recorder;
    launch::ScopedLauncher scope(recorder);
    FilePanel panel;
    panel.path = QStringLiteral("C:\\d");
    PanelEntry entry;
    entry.name = QStringLiteral("f.abc");
    prompter.script({Answer::No});
    commands.view(panel, entry, launch::ViewMode::View);
    EXPECT_EQ(prompter.texts(),
              QStringList{QStringLiteral("Viewer not Registered, View with the defaultviewer?")});

    const launch::CommandResult r = commands.runCommandLine(panel, QStringLiteral("ls -l"));
    EXPECT_TRUE(r.started);
    EXPECT_EQ(commands.lastCommand(), QStringLiteral("ls -l"));
    ASSERT_EQ(recorder.plans.size(), 1u);
    EXPECT_EQ(recorder.plans[0].arguments, QStringList{"-l"});
}

TEST(FileDialogChooser, OpensWhereItIsToldAndGivesTheHostPath)
{
    QTemporaryDir start;
    QFile program(start.path() + QStringLiteral("/viewer"));
    ASSERT_TRUE(program.open(QIODevice::WriteOnly));
    program.close();
    QString shownAt;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shownAt = dialog->directory().absolutePath();
        dialog->selectFile(program.fileName());
        QMetaObject::invokeMethod(dialog, "accept");
    });
    FileDialogChooser chooser(nullptr);
    EXPECT_EQ(chooser.chooseProgram(QStringLiteral("Registering Fileextention"), start.path()),
              program.fileName());
    EXPECT_EQ(shownAt, start.path());
}
