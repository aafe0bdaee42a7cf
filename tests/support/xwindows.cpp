#include "xwindows.h"

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// One connection for the test's whole life. Xvfb resets itself whenever its last client disconnects and refuses
// connections while it does, so connecting and disconnecting around every query would make a client starting at that
// moment fail to open its display.
xcb_connection_t *connection()
{
    static xcb_connection_t *c = nullptr;
    if (c && xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        c = nullptr;
    }
    if (!c)
        c = xcb_connect(nullptr, nullptr);
    return xcb_connection_has_error(c) ? nullptr : c;
}

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    Reply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(std::strlen(name)), name), nullptr), &std::free);
    return reply ? reply->atom : XCB_ATOM_NONE;
}

QString windowName(xcb_connection_t *c, xcb_window_t window)
{
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            c, xcb_get_property(c, 0, window, XCB_ATOM_WM_NAME, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr),
        &std::free);
    if (!reply)
        return QString();
    return QString::fromUtf8(
        static_cast<const char *>(xcb_get_property_value(reply.get())), xcb_get_property_value_length(reply.get()));
}

bool isMapped(xcb_connection_t *c, xcb_window_t window)
{
    Reply<xcb_get_window_attributes_reply_t> reply(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr), &std::free);
    return reply && reply->map_state == XCB_MAP_STATE_VIEWABLE;
}

} // namespace

namespace XWindows {

bool serverReachable()
{
    return connection() != nullptr;
}

std::optional<uint32_t> findMapped(const QString &title)
{
    xcb_connection_t *c = connection();
    if (!c)
        return std::nullopt;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr), &std::free);
    if (!tree)
        return std::nullopt;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        if (isMapped(c, children[i]) && windowName(c, children[i]) == title)
            return children[i];
    }
    return std::nullopt;
}

bool requestClose(uint32_t window)
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    xcb_client_message_event_t event{};
    event.response_type = XCB_CLIENT_MESSAGE;
    event.format = 32;
    event.window = window;
    event.type = atom(c, "WM_PROTOCOLS");
    event.data.data32[0] = atom(c, "WM_DELETE_WINDOW");
    event.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&event));
    return xcb_flush(c) > 0;
}

bool click(uint32_t window, int x, int y)
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    for (const uint8_t type : {uint8_t(XCB_BUTTON_PRESS), uint8_t(XCB_BUTTON_RELEASE)}) {
        xcb_button_press_event_t event{};
        event.response_type = type;
        event.detail = 1;
        event.root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        event.event = window;
        event.event_x = int16_t(x);
        event.event_y = int16_t(y);
        event.same_screen = 1;
        event.state = type == XCB_BUTTON_RELEASE ? XCB_BUTTON_MASK_1 : 0;
        const uint32_t mask = type == XCB_BUTTON_PRESS ? XCB_EVENT_MASK_BUTTON_PRESS : XCB_EVENT_MASK_BUTTON_RELEASE;
        xcb_send_event(c, 0, window, mask, reinterpret_cast<const char *>(&event));
    }
    return xcb_flush(c) > 0;
}

} // namespace XWindows
