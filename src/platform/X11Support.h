#pragma once

// Internal to src/platform: Qt's own X connection, atoms, properties and one shared native
// event filter for the dock and stacking code. Everything answers "nothing" without X11.

#include <xcb/xcb.h>

#include <QByteArray>
#include <QRect>

#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

namespace tavik::x11 {

// Typed, so they mix with window and atom values in one expression.
inline constexpr xcb_window_t noWindow = XCB_WINDOW_NONE;
inline constexpr xcb_atom_t noAtom = XCB_ATOM_NONE;

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
template<class T>
using Reply = std::unique_ptr<T, FreeDeleter>;

// Qt's xcb connection, or nullptr on other platforms (offscreen, Wayland without XWayland).
[[nodiscard]] xcb_connection_t* connection();
[[nodiscard]] xcb_window_t rootWindow();
// Interned once per connection; XCB_ATOM_NONE when the server does not answer.
[[nodiscard]] xcb_atom_t atom(const char* name);

// A property of 32-bit items (atoms, windows, cardinals); empty when missing or the window
// is gone. Send the request first and read it later to overlap the round trips.
[[nodiscard]] xcb_get_property_cookie_t requestList(xcb_window_t window, xcb_atom_t property);
[[nodiscard]] std::vector<quint32> takeList(xcb_get_property_cookie_t cookie);
[[nodiscard]] std::vector<quint32> readList(xcb_window_t window, xcb_atom_t property);

// Where a top-level window shows, in root coordinates, and whether it is mapped. Asked for in
// one go with requestPlacement, read with takePlacement: nullopt when the window went away.
struct PlacementCookies {
    xcb_get_geometry_cookie_t geometry;
    xcb_translate_coordinates_cookie_t place;
    xcb_get_window_attributes_cookie_t attributes;
};
struct Placement {
    QRect rect;
    bool viewable = false;
};
[[nodiscard]] PlacementCookies requestPlacement(xcb_window_t window, xcb_window_t root);
[[nodiscard]] std::optional<Placement> takePlacement(const PlacementCookies& cookies);

// Top-level windows, bottom to top, and the child of the root that holds `window` (a client
// the window manager put into a frame): XCB_WINDOW_NONE when the window is gone.
[[nodiscard]] std::vector<xcb_window_t> rootChildren();
[[nodiscard]] xcb_window_t topLevelOf(xcb_window_t window);

// Adds bits to our event mask on a window and keeps the bits already there (Qt selects its
// own on the root). False when the window is gone.
bool selectEvents(xcb_window_t window, uint32_t mask);

// Sends a request whose error we want to swallow rather than have Qt log (a window that
// vanished between two calls): true when the server accepted it.
bool checked(xcb_void_cookie_t cookie);

// Receives every X event Qt reads, before Qt handles it.
class EventListener {
public:
    virtual ~EventListener() = default;
    virtual void x11Event(const xcb_generic_event_t* event) = 0;
};
void addListener(EventListener* listener);
void removeListener(EventListener* listener);

// Whether the window was made by this process (its id is from our connection's range).
[[nodiscard]] bool isOurs(xcb_window_t window);

// Windows that this process restacks itself: their stacking events are not news.
void markOwnWindow(xcb_window_t window);
[[nodiscard]] bool isOwnWindow(xcb_window_t window);

// The fields shared by the structure notifications (event, window) at the same offsets.
struct StructureNotify {
    uint8_t type = 0; // response type without the "sent by a client" bit
    xcb_window_t event = XCB_WINDOW_NONE;
    xcb_window_t window = XCB_WINDOW_NONE;
};
[[nodiscard]] bool isStructureNotify(const xcb_generic_event_t* event, StructureNotify* out);

} // namespace tavik::x11
