#include "launch/networklocation.h"

#include "platform/hostname.h"

// GLib names a struct member "signals", which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <gio/gio.h>
#pragma pop_macro("signals")

namespace dovex::launch {

std::optional<LaunchPlan> networkLocationPlan()
{
    GAppInfo* app = g_app_info_get_default_for_type("inode/directory", FALSE);
    if (!app)
        return std::nullopt;
    const char* executable = g_app_info_get_executable(app);
    std::optional<LaunchPlan> plan;
    if (executable && *executable) {
        const QString program = firstInstalled({hostname::decodeText(QByteArray(executable))});
        if (!program.isEmpty()) {
            plan = LaunchPlan();
            plan->kind = LaunchPlan::Kind::Program;
            plan->program = program;
            plan->arguments = QStringList{QStringLiteral("network:///")};
        }
    }
    g_object_unref(app);
    return plan;
}

bool openNetworkLocation()
{
    const std::optional<LaunchPlan> plan = networkLocationPlan();
    return plan && currentLauncher().start(*plan);
}

} // namespace dovex::launch
