#pragma once

#include <QString>
#include <QStringList>

#include <vector>

namespace dovex::launch {

// The desktop's own tools behind the system-tool commands.
struct SystemTool {
    QString caption;       // the menu caption
    QStringList programs;  // the first installed of these is started
    QStringList arguments; // given to it
    QString missingHint;   // shown as the tool tip when none is installed
};

// The table, one row per command: "Control Panel", "Defrag", "Scandisk",
// "DiskCopy", "Format Drive". ("Find Files" starts the search tool in the
// panel directory through shellExecute's "Find".)
const std::vector<SystemTool>& systemTools();
const SystemTool* systemTool(const QString& caption);

// The installed program of a tool (host path), or empty.
QString installedProgram(const SystemTool& tool);
// True when a search tool for "Find Files" is installed.
bool findToolInstalled();

// Starts the tool detached; false when none of its programs is installed.
bool startSystemTool(const QString& caption);
// "Find Files": the search tool in the drive-letter directory.
bool startFindFiles(const QString& directory);

} // namespace dovex::launch
