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
    // Qt writes titles outside Latin-1 only to the EWMH property, in UTF-8.
    for (const xcb_atom_t property : {atom(c, "_NET_WM_NAME"), xcb_atom_t(XCB_ATOM_WM_NAME)}) {
        Reply<xcb_get_property_reply_t> reply(
            xcb_get_property_reply(
                c, xcb_get_property(c, 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr),
            &std::free);
        if (reply && xcb_get_property_value_length(reply.get()) > 0)
            return QString::fromUtf8(static_cast<const char *>(xcb_get_property_value(reply.get())),
                xcb_get_property_value_length(reply.get()));
    }
    return QString();
}

xcb_window_t rootWindow(xcb_connection_t *c)
{
    return xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
}

// The first key code that the server's keyboard map gives keysym, 0 when none does.
xcb_keycode_t keycodeOf(xcb_connection_t *c, uint32_t keysym)
{
    const xcb_setup_t *setup = xcb_get_setup(c);
    const uint8_t count = uint8_t(setup->max_keycode - setup->min_keycode + 1);
    Reply<xcb_get_keyboard_mapping_reply_t> reply(
        xcb_get_keyboard_mapping_reply(c, xcb_get_keyboard_mapping(c, setup->min_keycode, count), nullptr), &std::free);
    if (!reply)
        return 0;
    const xcb_keysym_t *keysyms = xcb_get_keyboard_mapping_keysyms(reply.get());
    const int perKeycode = reply->keysyms_per_keycode;
    for (int i = 0; i < xcb_get_keyboard_mapping_keysyms_length(reply.get()); ++i) {
        if (keysyms[i] == keysym)
            return xcb_keycode_t(setup->min_keycode + i / perKeycode);
    }
    return 0;
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
    // A window manager puts each client window into a frame of its own, a child of the root.
    QList<xcb_window_t> level{rootWindow(c)};
    for (int depth = 0; depth < 3 && !level.isEmpty(); ++depth) {
        QList<xcb_window_t> next;
        for (const xcb_window_t parent : level) {
            Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr), &std::free);
            if (!tree)
                continue;
            const xcb_window_t *children = xcb_query_tree_children(tree.get());
            for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
                if (isMapped(c, children[i]) && windowName(c, children[i]) == title)
                    return children[i];
                next << children[i];
            }
        }
        level = next;
    }
    return std::nullopt;
}

QList<uint32_t> mappedChildren(uint32_t window)
{
    QList<uint32_t> mapped;
    xcb_connection_t *c = connection();
    if (!c)
        return mapped;
    Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr), &std::free);
    if (!tree)
        return mapped;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        if (isMapped(c, children[i]))
            mapped << children[i];
    }
    return mapped;
}

bool selectionOwned(const char *selection)
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    Reply<xcb_get_selection_owner_reply_t> reply(
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom(c, selection)), nullptr), &std::free);
    return reply && reply->owner != XCB_WINDOW_NONE;
}

std::optional<QPoint> screenPosition(uint32_t window)
{
    xcb_connection_t *c = connection();
    if (!c || !isMapped(c, window))
        return std::nullopt;
    Reply<xcb_translate_coordinates_reply_t> reply(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, rootWindow(c), 0, 0), nullptr),
        &std::free);
    return reply ? std::optional<QPoint>(QPoint(reply->dst_x, reply->dst_y)) : std::nullopt;
}

std::optional<QSize> size(uint32_t window)
{
    xcb_connection_t *c = connection();
    if (!c)
        return std::nullopt;
    Reply<xcb_get_geometry_reply_t> reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
    return reply ? std::optional<QSize>(QSize(reply->width, reply->height)) : std::nullopt;
}

std::optional<QColor> pixel(uint32_t window, const QPoint &at)
{
    xcb_connection_t *c = connection();
    if (!c || !isMapped(c, window))
        return std::nullopt;
    Reply<xcb_get_image_reply_t> reply(
        xcb_get_image_reply(c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, int16_t(at.x()), int16_t(at.y()), 1, 1, ~0u), nullptr),
        &std::free);
    if (!reply || reply->depth != 24 || xcb_get_image_data_length(reply.get()) < 4)
        return std::nullopt;
    const uint8_t *bgrx = xcb_get_image_data(reply.get());
    return QColor(bgrx[2], bgrx[1], bgrx[0]);
}

bool setResources(const QByteArray &resources)
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    const xcb_atom_t property = atom(c, "RESOURCE_MANAGER");
    xcb_void_cookie_t done = resources.isEmpty()
        ? xcb_delete_property_checked(c, rootWindow(c), property)
        : xcb_change_property_checked(c, XCB_PROP_MODE_REPLACE, rootWindow(c), property, XCB_ATOM_STRING, 8,
            uint32_t(resources.size()), resources.constData());
    Reply<xcb_generic_error_t> error(xcb_request_check(c, done), &std::free);
    return !error;
}

uint32_t wmState(uint32_t window)
{
    xcb_connection_t *c = connection();
    if (!c)
        return 0;
    const xcb_atom_t wmStateAtom = atom(c, "WM_STATE");
    Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(c, xcb_get_property(c, 0, window, wmStateAtom, wmStateAtom, 0, 2), nullptr), &std::free);
    if (!reply || xcb_get_property_value_length(reply.get()) < 4)
        return 0;
    return *static_cast<const uint32_t *>(xcb_get_property_value(reply.get()));
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
        event.root = rootWindow(c);
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

bool pressKey(uint32_t window, uint32_t keysym)
{
    xcb_connection_t *c = connection();
    if (!c)
        return false;
    const xcb_keycode_t keycode = keycodeOf(c, keysym);
    if (keycode == 0)
        return false;
    for (const uint8_t type : {uint8_t(XCB_KEY_PRESS), uint8_t(XCB_KEY_RELEASE)}) {
        xcb_key_press_event_t event{};
        event.response_type = type;
        event.detail = keycode;
        event.root = rootWindow(c);
        event.event = window;
        event.same_screen = 1;
        const uint32_t mask = type == XCB_KEY_PRESS ? XCB_EVENT_MASK_KEY_PRESS : XCB_EVENT_MASK_KEY_RELEASE;
        xcb_send_event(c, 0, window, mask, reinterpret_cast<const char *>(&event));
    }
    return xcb_flush(c) > 0;
}

MapRecorder::MapRecorder()
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c, rootWindow(c), XCB_CW_EVENT_MASK, &mask);
    // Drop whatever an earlier recorder left queued, then make sure the selection is in force before returning.
    while (xcb_generic_event_t *event = xcb_poll_for_event(c))
        std::free(event);
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
}

MapRecorder::~MapRecorder()
{
    if (xcb_connection_t *c = connection()) {
        const uint32_t mask = XCB_EVENT_MASK_NO_EVENT;
        xcb_change_window_attributes(c, rootWindow(c), XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c);
    }
}

QList<uint32_t> MapRecorder::mapped()
{
    xcb_connection_t *c = connection();
    if (!c)
        return m_mapped;
    // Sync first, so every map made before this call has arrived.
    std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    while (xcb_generic_event_t *event = xcb_poll_for_event(c)) {
        if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY)
            m_mapped << reinterpret_cast<xcb_map_notify_event_t *>(event)->window;
        std::free(event);
    }
    return m_mapped;
}

QString title(uint32_t window)
{
    xcb_connection_t *c = connection();
    return c ? windowName(c, window) : QString();
}

} // namespace XWindows
