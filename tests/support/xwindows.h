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

// Clicks the left button at a point of the window, with core X events sent to it. The client must be listening for
// core events rather than XInput 2 (QT_XCB_NO_XI2=1 in its environment).
bool click(uint32_t window, int x, int y);

} // namespace XWindows
