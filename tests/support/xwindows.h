#pragma once

#include <QByteArray>
#include <QColor>
#include <QList>
#include <QPoint>
#include <QSize>
#include <QString>

#include <cstdint>
#include <optional>

// Reaches top-level windows of other processes on the X server, as a window manager would.
namespace XWindows {

// Whether the X server named by DISPLAY accepts a connection now.
bool serverReachable();

// The first top-level window whose WM_NAME is title and that is mapped, if any; inside a window manager's frame too.
std::optional<uint32_t> findMapped(const QString &title);

// The mapped children of a window, in stacking order.
QList<uint32_t> mappedChildren(uint32_t window);

// Whether some client owns the selection, such as "WM_S0" (a window manager) or "_NET_SYSTEM_TRAY_S0" (a tray).
bool selectionOwned(const char *selection);

// Where the window's top-left corner lies on the screen, wherever it has been put (into a tray's panel, say); none
// while it is not mapped, since a click there would not reach it yet (a tray host maps an icon after taking it in).
std::optional<QPoint> screenPosition(uint32_t window);

// The window's size in the server's (device) pixels; none when it is gone.
std::optional<QSize> size(uint32_t window);

// The colour the server shows at a point of a mapped window (on a 24-bit screen); none when it cannot tell.
std::optional<QColor> pixel(uint32_t window, const QPoint &at);

// Sets the server's resource database (RESOURCE_MANAGER on the root window, what xrdb sets, such as "Xft.dpi:\t144\n"),
// read by each client when it connects; empty text removes it. The server keeps it only while it does not reset.
bool setResources(const QByteArray &resources);

// The state a window manager gave the window in its WM_STATE: 1 normal, 3 iconic; 0 when it has none (withdrawn).
uint32_t wmState(uint32_t window);

// Asks the window to close the way a window manager's close button does (WM_DELETE_WINDOW).
bool requestClose(uint32_t window);

// Clicks the left button at a point of the window, with core X events sent to it. The client must be listening for
// core events rather than XInput 2 (QT_XCB_NO_XI2=1 in its environment).
bool click(uint32_t window, int x, int y);

// Presses and releases the key that gives keysym (for example 0xff1b, Escape), with core X events sent to the window.
bool pressKey(uint32_t window, uint32_t keysym);

// The title of a window, as its client set it; empty when it has none or is gone.
QString title(uint32_t window);

// Records every top-level window that gets mapped while it exists, whoever maps it. One at a time.
class MapRecorder
{
public:
    MapRecorder();
    ~MapRecorder();
    MapRecorder(const MapRecorder &) = delete;
    MapRecorder &operator=(const MapRecorder &) = delete;

    // The windows mapped since construction, in the order they were mapped.
    QList<uint32_t> mapped();

private:
    QList<uint32_t> m_mapped;
};

} // namespace XWindows
