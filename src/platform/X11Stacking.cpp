#include "platform/X11Stacking.h"

#include "platform/X11Support.h"

#include <QHash>
#include <QTimer>

#include <algorithm>
#include <vector>

namespace tavik::x11 {

namespace {

// The top-level frames of the desktop windows, bottom to top among `children`.
std::vector<xcb_window_t> desktopTopLevels(const std::vector<xcb_window_t>& children)
{
    const xcb_atom_t typeAtom = atom("_NET_WM_WINDOW_TYPE");
    const xcb_atom_t desktopAtom = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    if (typeAtom == XCB_ATOM_NONE || desktopAtom == XCB_ATOM_NONE)
        return {};
    // Managed desktop windows sit inside frames, so ask the clients the window manager
    // lists as well as the top-level windows themselves (unmanaged desktops).
    std::vector<xcb_window_t> candidates = readList(rootWindow(), atom("_NET_CLIENT_LIST"));
    candidates.insert(candidates.end(), children.begin(), children.end());
    std::sort(candidates.begin(), candidates.end());
    candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

    std::vector<xcb_get_property_cookie_t> cookies;
    cookies.reserve(candidates.size());
    for (xcb_window_t window : candidates)
        cookies.push_back(requestList(window, typeAtom));
    std::vector<xcb_window_t> found;
    for (std::size_t i = 0; i < candidates.size(); ++i) {
        const std::vector<quint32> types = takeList(cookies[i]);
        if (std::find(types.begin(), types.end(), desktopAtom) == types.end())
            continue;
        if (const xcb_window_t top = topLevelOf(candidates[i]); top != XCB_WINDOW_NONE)
            found.push_back(top);
    }
    std::vector<xcb_window_t> ordered;
    for (xcb_window_t child : children)
        if (std::find(found.begin(), found.end(), child) != found.end())
            ordered.push_back(child);
    return ordered;
}

bool restack(xcb_window_t window, xcb_window_t sibling, uint32_t mode)
{
    xcb_connection_t* c = connection();
    markOwnWindow(window);
    bool ok = false;
    if (sibling != XCB_WINDOW_NONE) {
        const uint32_t values[] = {sibling, mode};
        ok = checked(xcb_configure_window_checked(c, window, XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE,
                                                  values));
    } else {
        const uint32_t values[] = {mode};
        ok = checked(xcb_configure_window_checked(c, window, XCB_CONFIG_WINDOW_STACK_MODE, values));
    }
    return ok;
}

std::vector<xcb_window_t>& aboveOverlays()
{
    static std::vector<xcb_window_t> windows;
    return windows;
}

bool isViewable(xcb_window_t window)
{
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(connection(), xcb_get_window_attributes(connection(), window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

// The lowest top-level (a frame, for a managed window) of the windows kept above the
// overlays that is on screen; none when none is.
xcb_window_t lowestKeptAbove()
{
    std::vector<xcb_window_t> shown;
    for (xcb_window_t window : aboveOverlays()) {
        if (const xcb_window_t top = topLevelOf(window); top != noWindow && isViewable(top))
            shown.push_back(top);
    }
    if (shown.empty())
        return noWindow;
    for (xcb_window_t child : rootChildren()) {
        if (std::find(shown.begin(), shown.end(), child) != shown.end())
            return child;
    }
    return noWindow;
}

} // namespace

void keepAboveOverlays(WId window)
{
    const auto id = static_cast<xcb_window_t>(window);
    if (std::find(aboveOverlays().begin(), aboveOverlays().end(), id) == aboveOverlays().end())
        aboveOverlays().push_back(id);
}

void forgetAboveOverlays(WId window)
{
    std::erase(aboveOverlays(), static_cast<xcb_window_t>(window));
}

bool isAvailable()
{
    return connection() != nullptr;
}

bool raiseToTop(WId window)
{
    if (!isAvailable() || window == 0)
        return false;
    const auto own = static_cast<xcb_window_t>(window);
    if (const xcb_window_t ceiling = lowestKeptAbove(); ceiling != noWindow && restack(own, ceiling, XCB_STACK_MODE_BELOW))
        return true;
    return restack(own, XCB_WINDOW_NONE, XCB_STACK_MODE_ABOVE);
}

bool stackAboveDesktop(WId window)
{
    if (!isAvailable() || window == 0)
        return false;
    const auto own = static_cast<xcb_window_t>(window);
    const std::vector<xcb_window_t> children = rootChildren();
    std::vector<xcb_window_t> desktops = desktopTopLevels(children);
    desktops.erase(std::remove(desktops.begin(), desktops.end(), own), desktops.end());
    // Above the highest desktop window when a desktop shows one per display.
    if (!desktops.empty() && restack(own, desktops.back(), XCB_STACK_MODE_ABOVE))
        return true;
    return restack(own, XCB_WINDOW_NONE, XCB_STACK_MODE_BELOW);
}

class StackingWatcher::Private final : public EventListener {
public:
    explicit Private(StackingWatcher* owner) : q(owner)
    {
        timer.setSingleShot(true);
        timer.setInterval(250);
        QObject::connect(&timer, &QTimer::timeout, q, &StackingWatcher::stackingChanged);
        if (!isAvailable())
            return;
        // Remember who sits on whom, so a move or a resize is not taken for a restack.
        const std::vector<xcb_window_t> children = rootChildren();
        for (std::size_t i = 0; i < children.size(); ++i)
            below.insert(children[i], i == 0 ? noWindow : children[i - 1]);
        selectEvents(rootWindow(), XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
        addListener(this);
    }

    ~Private() override { removeListener(this); }

    void x11Event(const xcb_generic_event_t* event) override
    {
        StructureNotify notify;
        if (!isStructureNotify(event, &notify) || notify.event != rootWindow())
            return;
        bool news = false;
        switch (notify.type) {
        case XCB_CONFIGURE_NOTIFY: {
            const auto* configure = reinterpret_cast<const xcb_configure_notify_event_t*>(event);
            const auto previous = below.constFind(configure->window);
            news = previous == below.constEnd() || *previous != configure->above_sibling;
            below.insert(configure->window, configure->above_sibling);
            break;
        }
        case XCB_DESTROY_NOTIFY:
            below.remove(notify.window);
            break;
        case XCB_MAP_NOTIFY:
        case XCB_CIRCULATE_NOTIFY:
            news = true;
            break;
        default:
            break;
        }
        if (news && !isOwnWindow(notify.window) && !timer.isActive())
            timer.start();
    }

    StackingWatcher* q;
    QTimer timer;
    QHash<xcb_window_t, xcb_window_t> below;
};

StackingWatcher::StackingWatcher(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

StackingWatcher::~StackingWatcher() = default;

} // namespace tavik::x11
