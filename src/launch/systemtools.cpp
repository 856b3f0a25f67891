#include "launch/systemtools.h"

#include "launch/shellexecute.h"

namespace dovex::launch {

namespace {

const QStringList kSearchTools{"catfish", "kfind", "gnome-search-tool", "searchmonkey"};
const QStringList kDiskTools{"gnome-disks", "partitionmanager"};
const QString kNoDiskTool =
    QStringLiteral("Needs a disk utility (gnome-disks or partitionmanager), none is installed");

} // namespace

const std::vector<SystemTool>& systemTools()
{
    static const std::vector<SystemTool> table{
        {QStringLiteral("Control Panel"),
         {"gnome-control-center", "systemsettings", "xfce4-settings-manager", "mate-control-center",
          "cinnamon-settings", "lxqt-config"},
         {},
         QStringLiteral("Needs the desktop's settings program, none is installed")},
        {QStringLiteral("Defrag"), kDiskTools, {}, kNoDiskTool},
        {QStringLiteral("Scandisk"), kDiskTools, {}, kNoDiskTool},
        {QStringLiteral("DiskCopy"), kDiskTools, {}, kNoDiskTool},
        {QStringLiteral("Format Drive"), kDiskTools, {}, kNoDiskTool},
    };
    return table;
}

const SystemTool* systemTool(const QString& caption)
{
    for (const SystemTool& tool : systemTools()) {
        if (tool.caption == caption)
            return &tool;
    }
    return nullptr;
}

QString installedProgram(const SystemTool& tool)
{
    return firstInstalled(tool.programs);
}

bool findToolInstalled()
{
    return !firstInstalled(kSearchTools).isEmpty();
}

bool startSystemTool(const QString& caption)
{
    const SystemTool* tool = systemTool(caption);
    if (!tool)
        return false;
    const QString program = installedProgram(*tool);
    if (program.isEmpty())
        return false;
    LaunchPlan plan;
    plan.program = program;
    plan.arguments = tool->arguments;
    return currentLauncher().start(plan);
}

bool startFindFiles(const QString& directory)
{
    return shellExecute(QStringLiteral("Find"), directory, QString(), directory);
}

} // namespace dovex::launch
