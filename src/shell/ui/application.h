#pragma once

namespace dovex {

// The program entry: the runtime, the application title, the main window and
// the event loop.
int runApplication(int argc, char** argv);

} // namespace dovex
