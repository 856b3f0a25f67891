#pragma once

#include "launch/shellexecute.h"

#include <optional>

namespace dovex::launch {

// The desktop's network location ("network:///") opened by the default
// application for folders; nullopt when the desktop has none.
std::optional<LaunchPlan> networkLocationPlan();

// Starts it through the current launcher; false when nothing started.
bool openNetworkLocation();

} // namespace dovex::launch
