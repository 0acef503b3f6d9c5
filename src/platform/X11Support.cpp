#include "platform/X11Support.h"

#include <QAbstractNativeEventFilter>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHash>
#include <QList>
#include <QSet>

#include <cstring>
#include <utility>

namespace tavik::x11 {

namespace {

struct AtomCache {
    xcb_connection_t* connection = nullptr;
    QHash<QByteArray, xcb_atom_t> atoms;
};

AtomCache& atomCache()
{
    static AtomCache cache;
    return cache;
}

QSet<xcb_window_t>& ownWindows()
{
    static QSet<xcb_window_t> windows;
    return windows;
}

// One filter for the whole process, so no listener can hide an event from another.
class EventHub final : public QAbstractNativeEventFilter {
public:
    QList<EventListener*> listeners;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override
    {
        if (eventType != "xcb_generic_event_t" || message == nullptr)
            return false;
        const auto* event = static_cast<const xcb_generic_event_t*>(message);
        const QList<EventListener*> current = listeners; // a listener may remove itself
        for (EventListener* listener : current)
            if (listeners.contains(listener))
                listener->x11Event(event);
        // Qt asks the root only for its own structure changes; the notifications about
        // top-level windows arrive because we asked for them, and Qt would take each one
        // for a root reconfiguration and re-read every screen.
        StructureNotify notify;
        return isStructureNotify(event, &notify) && notify.event == rootWindow() && notify.window != rootWindow();
    }
};

EventHub* hub = nullptr;

} // namespace

xcb_connection_t* connection()
{
    if (qGuiApp == nullptr)
        return nullptr;
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_window_t rootWindow()
{
    xcb_connection_t* c = connection();
    if (c == nullptr)
        return XCB_WINDOW_NONE;
    // Qt's default screen is the first of the setup (a single X screen with RandR outputs).
    const xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    return it.rem > 0 ? it.data->root : noWindow;
}

xcb_atom_t atom(const char* name)
{
    xcb_connection_t* c = connection();
    if (c == nullptr)
        return XCB_ATOM_NONE;
    AtomCache& cache = atomCache();
    if (cache.connection != c) {
        cache.connection = c;
        cache.atoms.clear();
    }
    const QByteArray key(name);
    if (auto found = cache.atoms.constFind(key); found != cache.atoms.constEnd())
        return *found;
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(c, 0, static_cast<uint16_t>(key.size()), name);
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(c, cookie, nullptr));
    const xcb_atom_t value = reply ? reply->atom : noAtom;
    if (value != XCB_ATOM_NONE)
        cache.atoms.insert(key, value);
    return value;
}

xcb_get_property_cookie_t requestList(xcb_window_t window, xcb_atom_t property)
{
    return xcb_get_property(connection(), 0, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
}

std::vector<quint32> takeList(xcb_get_property_cookie_t cookie)
{
    xcb_generic_error_t* error = nullptr;
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(connection(), cookie, &error));
    std::free(error);
    if (!reply || reply->format != 32)
        return {};
    const auto* values = static_cast<const quint32*>(xcb_get_property_value(reply.get()));
    const int count = xcb_get_property_value_length(reply.get()) / 4;
    return std::vector<quint32>(values, values + count);
}

std::vector<quint32> readList(xcb_window_t window, xcb_atom_t property)
{
    if (connection() == nullptr || window == XCB_WINDOW_NONE || property == XCB_ATOM_NONE)
        return {};
    return takeList(requestList(window, property));
}

PlacementCookies requestPlacement(xcb_window_t window, xcb_window_t root)
{
    xcb_connection_t* c = connection();
    return {xcb_get_geometry(c, window), xcb_translate_coordinates(c, window, root, 0, 0),
            xcb_get_window_attributes(c, window)};
}

std::optional<Placement> takePlacement(const PlacementCookies& cookies)
{
    xcb_connection_t* c = connection();
    xcb_generic_error_t* error = nullptr;
    const Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, cookies.geometry, &error));
    std::free(std::exchange(error, nullptr));
    const Reply<xcb_translate_coordinates_reply_t> place(xcb_translate_coordinates_reply(c, cookies.place, &error));
    std::free(std::exchange(error, nullptr));
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, cookies.attributes, &error));
    std::free(error);
    if (!geometry || !place || !attributes)
        return std::nullopt;
    return Placement{QRect(place->dst_x, place->dst_y, geometry->width, geometry->height),
                     attributes->map_state == XCB_MAP_STATE_VIEWABLE};
}

std::vector<xcb_window_t> rootChildren()
{
    xcb_connection_t* c = connection();
    if (c == nullptr)
        return {};
    const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, rootWindow()), nullptr));
    if (!tree)
        return {};
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    return std::vector<xcb_window_t>(children, children + xcb_query_tree_children_length(tree.get()));
}

xcb_window_t topLevelOf(xcb_window_t window)
{
    xcb_connection_t* c = connection();
    const xcb_window_t root = rootWindow();
    if (c == nullptr || window == XCB_WINDOW_NONE || window == root)
        return XCB_WINDOW_NONE;
    for (int depth = 0; depth < 16; ++depth) { // frames are a few levels deep at most
        xcb_generic_error_t* error = nullptr;
        const Reply<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), &error));
        std::free(error);
        if (!tree)
            return XCB_WINDOW_NONE;
        if (tree->parent == root)
            return window;
        if (tree->parent == XCB_WINDOW_NONE)
            return XCB_WINDOW_NONE;
        window = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

bool selectEvents(xcb_window_t window, uint32_t mask)
{
    xcb_connection_t* c = connection();
    if (c == nullptr || window == XCB_WINDOW_NONE)
        return false;
    xcb_generic_error_t* error = nullptr;
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), &error));
    std::free(error);
    if (!attributes)
        return false;
    if ((attributes->your_event_mask & mask) == mask)
        return true;
    const uint32_t values[] = {attributes->your_event_mask | mask};
    return checked(xcb_change_window_attributes_checked(c, window, XCB_CW_EVENT_MASK, values));
}

bool checked(xcb_void_cookie_t cookie)
{
    xcb_generic_error_t* error = xcb_request_check(connection(), cookie);
    std::free(error);
    return error == nullptr;
}

void addListener(EventListener* listener)
{
    if (QCoreApplication::instance() == nullptr)
        return;
    if (hub == nullptr) {
        hub = new EventHub;
        QCoreApplication::instance()->installNativeEventFilter(hub);
    }
    if (!hub->listeners.contains(listener))
        hub->listeners.append(listener);
}

void removeListener(EventListener* listener)
{
    if (hub == nullptr)
        return;
    hub->listeners.removeAll(listener);
    if (hub->listeners.isEmpty()) {
        if (QCoreApplication::instance() != nullptr)
            QCoreApplication::instance()->removeNativeEventFilter(hub);
        delete hub;
        hub = nullptr;
    }
}

bool isOurs(xcb_window_t window)
{
    xcb_connection_t* c = connection();
    if (c == nullptr || window == XCB_WINDOW_NONE)
        return false;
    const xcb_setup_t* setup = xcb_get_setup(c);
    return (window & ~setup->resource_id_mask) == setup->resource_id_base;
}

void markOwnWindow(xcb_window_t window)
{
    ownWindows().insert(window);
}

bool isOwnWindow(xcb_window_t window)
{
    return ownWindows().contains(window);
}

bool isStructureNotify(const xcb_generic_event_t* event, StructureNotify* out)
{
    const uint8_t type = event->response_type & 0x7f;
    switch (type) {
    case XCB_CREATE_NOTIFY:
    case XCB_DESTROY_NOTIFY:
    case XCB_UNMAP_NOTIFY:
    case XCB_MAP_NOTIFY:
    case XCB_REPARENT_NOTIFY:
    case XCB_CONFIGURE_NOTIFY:
    case XCB_GRAVITY_NOTIFY:
    case XCB_CIRCULATE_NOTIFY:
        break;
    default:
        return false;
    }
    // All of these carry the notified window (for CreateNotify: the parent) at byte 4 and
    // the window that changed at byte 8.
    const auto* bytes = reinterpret_cast<const unsigned char*>(event);
    out->type = type;
    std::memcpy(&out->event, bytes + 4, sizeof(xcb_window_t));
    std::memcpy(&out->window, bytes + 8, sizeof(xcb_window_t));
    return true;
}

} // namespace tavik::x11
