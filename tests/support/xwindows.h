#pragma once

#include <QString>

#include <cstdint>
#include <optional>

// Reaches top-level windows of other processes on the X server, as a window manager would.
namespace XWindows {

// Whether the X server named by DISPLAY accepts a connection now.
bool serverReachable();

// The first top-level window whose WM_NAME is title and that is mapped, if any.
std::optional<uint32_t> findMapped(const QString &title);

// Asks the window to close the way a window manager's close button does (WM_DELETE_WINDOW).
bool requestClose(uint32_t window);

} // namespace XWindows
