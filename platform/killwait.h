#pragma once

// How long a kill waits for the processes it ended, on every system: taskkill returns before they are gone, and a
// relaunch that still finds the viewer is refused. Plain C++, for the Win32 code that has no Qt.
constexpr int kKillWaitMs = 2000;
