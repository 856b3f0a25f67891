// The menus, the commands only the toolbar offers and the command buttons,
// compared whole with the tree the window has always shown: captions,
// order, keys, enabled states, check marks and their groups. A command
// whose caption is mistyped or whose handler is missing shows up here.
#include "launch/systemtools.h"
#include "windowtest.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSet>

#include <gtest/gtest.h>

using namespace dovex;

namespace {

// Commands whose enabled state follows the tools installed on the machine:
// shown as "tool" when it does, "WRONG" when it does not.
bool followsInstalledTool(const QString& caption, bool enabled, QString& shown)
{
    bool installed = false;
    if (caption == QLatin1String("Find Files")) {
        installed = launch::findToolInstalled();
    } else if (const launch::SystemTool* tool = launch::systemTool(caption)) {
        installed = !launch::installedProgram(*tool).isEmpty();
    } else {
        return false;
    }
    shown = enabled == installed ? QStringLiteral("tool") : QStringLiteral("WRONG");
    return true;
}

QString describe(QAction* a, QList<QActionGroup*>& groups)
{
    QString enabled = a->isEnabled() ? QStringLiteral("on") : QStringLiteral("off");
    followsInstalledTool(a->text(), a->isEnabled(), enabled);
    QString line = a->text() + " | " + a->shortcut().toString() + " | " + enabled;
    if (a->isCheckable())
        line += a->isChecked() ? QStringLiteral(" | [x]") : QStringLiteral(" | [ ]");
    if (QActionGroup* g = a->actionGroup()) {
        if (!groups.contains(g))
            groups << g;
        line += QStringLiteral(" | group %1").arg(groups.indexOf(g) + 1);
    }
    if (!a->isVisible())
        line += QStringLiteral(" | hidden");
    return line;
}

void dumpMenu(QMenu* menu, const QString& indent, QStringList& out, QList<QActionGroup*>& groups)
{
    for (QAction* a : menu->actions()) {
        if (a->isSeparator())
            out << indent + "----";
        else if (a->menu())
            dumpMenu(a->menu(), indent + "  ", out << indent + "> " + a->text(), groups);
        else
            out << indent + describe(a, groups);
    }
}

QStringList commandTree(TForm1& form)
{
    QStringList out;
    QList<QActionGroup*> groups;
    for (QAction* a : form.menuBar()->actions()) {
        out << "[" + a->text() + "]";
        dumpMenu(a->menu(), QStringLiteral("  "), out, groups);
    }
    out << QStringLiteral("[window]");
    for (QAction* a : form.actions())
        out << "  " + describe(a, groups);
    out << QStringLiteral("[buttons]");
    for (int k = 0; k < 9; ++k) {
        QPushButton* b = form.commandButton(k);
        out << "  " + b->text() +
                   (b->isEnabled() ? QStringLiteral(" | on") : QStringLiteral(" | off"));
    }
    return out;
}

const char* const kExpectedTree = R"([Left]
  Full |  | on | [x] | group 1
  Brief |  | on | [ ] | group 1
  Tree |  | on | [ ] | group 1
  ----
  Sort on Name |  | on | [x] | group 2
  Sort on extention |  | on | [ ] | group 2
  Sort on Time/Date |  | on | [ ] | group 2
  Sort on FileSize |  | on | [ ] | group 2
  Unsorted |  | on | [ ] | group 2
  ----
  Drive | Alt+F1 | on
  Filter |  | on
[Files]
  View | F3 | on
  Viewer Select | Shift+F3 | on
  Edit | F4 | on
  NotePad | Shift+F4 | on
  Copy | F5 | on
  Move | F6 | on
  MkDir | F7 | on
  Delete | F8 | on
  Calculate Size | F9 | on
  File Properties | F11 | on
  ----
  Quit | F10 | on
[Command]
  Compare Directory's | Ctrl+C | on
  Reread Directory | Ctrl+R | on
  Last Command | Ctrl+E | on
  Reallocate Network Drives | Ctrl+D | on
  System Information | Ctrl+S | on
  Find Files | Ctrl+F | tool
  Create Link Shortcut | Shift+F9 | on
  DiskCopy |  | tool
  Format Drive |  | tool
  Compression Tools | F12 | on
  Decompresstion | Alt+Return | on
  Split File | Ctrl+F12 | on
  Merge File  |  | on
[Options]
  Panel Font |  | on
  Show StatusBar |  | on | [x]
  Show Speedbar |  | on | [x]
  Show Intro |  | on | [x]
  Show True Color Drives |  | off | [ ] | hidden
  Show copy Speed  |  | on | [ ]
  Open Documents on enter |  | on | [ ]
  > Icon Options
    Internal Icons |  | on | [ ] | group 3
    Default Icons |  | on | [ ] | group 3
    Extract Exe,Lnk,Ico |  | on | [x] | group 3
    Extract All (Slow) |  | on | [ ] | group 3
  > Panel width
    12 Characters |  | on | [ ] | group 4
    16 Characters |  | on | [x] | group 4
    20 Characters |  | on | [ ] | group 4
    25 Characters |  | on | [ ] | group 4
    30 Characters |  | on | [ ] | group 4
    All Characters |  | on | [ ] | group 4
  > Panel Options
    Show Size-Attr-Date/Time |  | on | [ ] | group 5
    Show Size-FileType |  | on | [x] | group 5
[Help]
  Dovex Help Contents | F2 | on
  &About... |  | on
[Right]
  Full |  | on | [x] | group 6
  Brief |  | on | [ ] | group 6
  ----
  Sort on name |  | on | [x] | group 7
  Sort on extention |  | on | [ ] | group 7
  Sort on Time/Date |  | on | [ ] | group 7
  Sort on Size |  | on | [ ] | group 7
  Unsorted |  | on | [ ] | group 7
  ----
  Drive | Alt+F2 | on
  Filter |  | on
[window]
  Defrag |  | tool
  Scandisk |  | tool
  Control Panel |  | tool
  Connect Networkdrive |  | off
  Disconnect Networkdrive |  | off
[buttons]
  Property | on
  Compress | on
  View | on
  Edit | on
  Copy | on
  Move | on
  MkDir | on
  Delete | on
  Quit | on)";

class CommandTableTest : public test::WindowTest {};

TEST_F(CommandTableTest, MenusKeysAndStatesAreTheWindowsOwn)
{
    auto form = start();
    EXPECT_EQ(commandTree(*form).join('\n').toStdString(), std::string(kExpectedTree));
    // Every id has an action of its own.
    QSet<QAction*> seen;
    for (size_t k = 0; k < kCommandCount; ++k) {
        QAction* a = form->command(Cmd(k));
        ASSERT_NE(a, nullptr) << k;
        EXPECT_FALSE(seen.contains(a)) << a->text().toStdString();
        seen << a;
    }
    EXPECT_EQ(form->command(Cmd::RightSortSize)->text(), QStringLiteral("Sort on Size"));
}

} // namespace
