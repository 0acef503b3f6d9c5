#include "platform/X11Locker.h"

#include "platform/X11Support.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>
#include <QWindow>

#include <vector>

namespace tavik::x11 {

namespace {

// The areas a locker covers: the whole root, or one display.
bool coversAScreen(const QRect& window, const QRect& root)
{
    if (window.contains(root))
        return true;
    for (const QScreen* screen : QGuiApplication::screens()) {
        const qreal ratio = screen->devicePixelRatio();
        const QRect g = screen->geometry();
        const QRect native(QPoint(qRound(g.x() * ratio), qRound(g.y() * ratio)), g.size() * ratio);
        if (!native.isEmpty() && window.contains(native))
            return true;
    }
    return false;
}

bool lockerWindowOnTop()
{
    xcb_connection_t* c = connection();
    const std::vector<xcb_window_t> children = rootChildren();
    std::vector<xcb_get_window_attributes_cookie_t> attributeCookies;
    std::vector<xcb_get_geometry_cookie_t> geometryCookies;
    for (xcb_window_t window : children) {
        attributeCookies.push_back(xcb_get_window_attributes(c, window));
        geometryCookies.push_back(xcb_get_geometry(c, window));
    }
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QRect root(0, 0, screen->width_in_pixels, screen->height_in_pixels);

    bool found = false;
    bool decided = false;
    // Top to bottom; every reply is taken, so none is left queued.
    for (std::size_t i = children.size(); i-- > 0;) {
        const Reply<xcb_get_window_attributes_reply_t> attributes(
            xcb_get_window_attributes_reply(c, attributeCookies[i], nullptr));
        const Reply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, geometryCookies[i], nullptr));
        if (decided || !attributes || !geometry || isOurs(children[i])
            || attributes->map_state != XCB_MAP_STATE_VIEWABLE || attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY)
            continue;
        const int border = 2 * geometry->border_width;
        const QRect area(geometry->x, geometry->y, geometry->width + border, geometry->height + border);
        if (!attributes->override_redirect) {
            decided = true; // a managed window above any locker: none holds the screen
        } else if (coversAScreen(area, root)) {
            found = true;
            decided = true;
        }
        // Smaller unmanaged windows (menus, tooltips, notifications) say nothing either way.
    }
    return found;
}

// A popup of ours holds the keyboard itself; a grab of ours would take it from the popup.
bool weHoldTheKeyboard()
{
    for (const QWindow* window : QGuiApplication::topLevelWindows())
        if (window->isVisible() && window->type() == Qt::Popup)
            return true;
    return false;
}

bool keyboardGrabbedElsewhere()
{
    xcb_connection_t* c = connection();
    if (weHoldTheKeyboard())
        return false;
    const Reply<xcb_grab_keyboard_reply_t> reply(xcb_grab_keyboard_reply(
        c,
        xcb_grab_keyboard(c, 0, rootWindow(), XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC),
        nullptr));
    if (!reply)
        return false;
    if (reply->status == XCB_GRAB_STATUS_SUCCESS) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
        return false;
    }
    return reply->status == XCB_GRAB_STATUS_ALREADY_GRABBED || reply->status == XCB_GRAB_STATUS_FROZEN;
}

class X11LockerProbe final : public ScreenLockerProbe, public EventListener {
public:
    X11LockerProbe()
    {
        selectEvents(rootWindow(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
        addListener(this);
    }
    ~X11LockerProbe() override { removeListener(this); }

    LockerSight look() override
    {
        if (connection() == nullptr)
            return LockerSight::none;
        if (lockerWindowOnTop())
            return LockerSight::window;
        return keyboardGrabbedElsewhere() ? LockerSight::grab : LockerSight::none;
    }

    void setWindowsChangedHandler(std::function<void()> handler) override { m_changed = std::move(handler); }

    void x11Event(const xcb_generic_event_t* event) override
    {
        StructureNotify notify;
        if (!m_changed || !isStructureNotify(event, &notify) || notify.event != rootWindow() || isOurs(notify.window))
            return;
        switch (notify.type) {
        case XCB_MAP_NOTIFY:
        case XCB_UNMAP_NOTIFY:
        case XCB_DESTROY_NOTIFY:
        case XCB_CONFIGURE_NOTIFY:
            m_changed();
            break;
        default:
            break;
        }
    }

private:
    std::function<void()> m_changed;
};

} // namespace

std::unique_ptr<ScreenLockerProbe> makeLockerProbe()
{
    if (connection() == nullptr)
        return nullptr;
    return std::make_unique<X11LockerProbe>();
}

} // namespace tavik::x11
