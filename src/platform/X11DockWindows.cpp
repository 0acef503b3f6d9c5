#include "platform/X11DockWindows.h"

#include "platform/Displays.h"
#include "platform/X11Support.h"

#include <QScreen>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <utility>

namespace tavik {

namespace dock {

namespace {

enum class Edge { left, right, top, bottom };

Edge edgeOf(const DockWindow& window, const QRectF& screen)
{
    const auto widest = std::max_element(window.strut.begin(), window.strut.end());
    if (*widest > 0)
        return static_cast<Edge>(widest - window.strut.begin());
    // No reservation (docks that hide themselves rarely reserve space): its shape and side.
    const QRectF rect(window.rect);
    if (rect.width() >= rect.height())
        return rect.center().y() < screen.center().y() ? Edge::top : Edge::bottom;
    return rect.center().x() < screen.center().x() ? Edge::left : Edge::right;
}

QRectF nativeFrame(const ScreenFrame& screen)
{
    // Qt keeps a display's X position and divides its size by the pixel ratio.
    return QRectF(screen.geometry.x(), screen.geometry.y(), screen.geometry.width() * screen.devicePixelRatio,
                  screen.geometry.height() * screen.devicePixelRatio);
}

double area(const QRectF& rect)
{
    return rect.isEmpty() ? 0 : rect.width() * rect.height();
}

} // namespace

std::optional<ChosenDock> chooseDock(const std::vector<DockWindow>& windows, const std::vector<ScreenFrame>& screens)
{
    std::optional<ChosenDock> best;
    std::pair<bool, double> bestRank{false, -1};
    for (const DockWindow& window : windows) {
        const QRectF rect(window.rect);
        if (rect.isEmpty() || screens.empty())
            continue;
        // The display that shows most of it, or the nearest one when it is all off-screen.
        const ScreenFrame* screen = nullptr;
        double bestOverlap = 0;
        double bestDistance = 0;
        for (const ScreenFrame& candidate : screens) {
            const QRectF frame = nativeFrame(candidate);
            const double overlap = area(frame.intersected(rect));
            const QPointF offset = frame.center() - rect.center();
            const double distance = std::hypot(offset.x(), offset.y());
            if (screen == nullptr || overlap > bestOverlap || (bestOverlap == 0 && overlap == 0 && distance < bestDistance)) {
                screen = &candidate;
                bestOverlap = overlap;
                bestDistance = distance;
            }
        }
        const QRectF frame = nativeFrame(*screen);
        const Edge edge = edgeOf(window, frame);
        if (edge == Edge::top)
            continue; // the effects know no top dock
        const bool horizontal = edge == Edge::bottom;
        const double ratio = screen->devicePixelRatio > 0 ? screen->devicePixelRatio : 1;
        const double thickness = horizontal ? rect.height() : rect.width();
        const QRectF shown = frame.intersected(rect);
        const double shownThickness = shown.isEmpty() ? 0 : (horizontal ? shown.height() : shown.width());

        DockGeometry geometry;
        geometry.screenId = screen->id;
        geometry.orientation = edge == Edge::bottom ? DockGeometry::Orientation::bottom
                               : edge == Edge::left ? DockGeometry::Orientation::left
                                                    : DockGeometry::Orientation::right;
        const QRectF local = rect.translated(-frame.topLeft());
        geometry.rect = QRectF(local.x() / ratio, (frame.height() - local.y() - local.height()) / ratio,
                               local.width() / ratio, local.height() / ratio);
        geometry.tileSize = thickness / ratio;
        // Auto-hidden panels unmap, shrink to a sliver or slide (almost) off the display.
        geometry.isVisible = window.mapped && !window.hidden && thickness > 3 && shownThickness >= 0.5 * thickness;

        const std::pair<bool, double> rank{horizontal, area(rect)};
        if (!best || rank > bestRank) {
            best = ChosenDock{geometry, window.window};
            bestRank = rank;
        }
    }
    return best;
}

} // namespace dock

class X11DockWindows::Private final : public x11::EventListener {
public:
    explicit Private(X11DockWindows* owner) : q(owner)
    {
        hasX11 = x11::connection() != nullptr;
        if (!hasX11)
            return;
        root = x11::rootWindow();
        clientListAtom = x11::atom("_NET_CLIENT_LIST");
        typeAtom = x11::atom("_NET_WM_WINDOW_TYPE");
        dockAtom = x11::atom("_NET_WM_WINDOW_TYPE_DOCK");
        // The client list for managed panels; the root's children mapping for the ones
        // that keep out of the window manager's hands.
        x11::selectEvents(root, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY);
        x11::addListener(this);
    }

    ~Private() override
    {
        if (hasX11)
            x11::removeListener(this);
    }

    // Once per read: until the owner reads again, more news changes nothing.
    void announceChange()
    {
        if (std::exchange(changeAnnounced, true))
            return;
        emit q->changed();
    }

    bool isDock(const std::vector<quint32>& types) const
    {
        return std::find(types.begin(), types.end(), dockAtom) != types.end();
    }

    std::optional<DockGeometry> fromDockWindows()
    {
        xcb_connection_t* c = x11::connection();
        if (c == nullptr || typeAtom == XCB_ATOM_NONE || dockAtom == XCB_ATOM_NONE)
            return std::nullopt;
        std::vector<xcb_window_t> candidates = x11::readList(root, clientListAtom);
        const std::vector<xcb_window_t> children = x11::rootChildren();
        candidates.insert(candidates.end(), children.begin(), children.end());
        std::sort(candidates.begin(), candidates.end());
        candidates.erase(std::unique(candidates.begin(), candidates.end()), candidates.end());

        std::vector<xcb_get_property_cookie_t> typeCookies;
        typeCookies.reserve(candidates.size());
        for (xcb_window_t window : candidates)
            typeCookies.push_back(x11::requestList(window, typeAtom));
        std::vector<xcb_window_t> docks;
        for (std::size_t i = 0; i < candidates.size(); ++i)
            if (isDock(x11::takeList(typeCookies[i])))
                docks.push_back(candidates[i]);

        QSet<xcb_window_t> stillThere;
        std::vector<dock::DockWindow> windows;
        for (xcb_window_t window : docks) {
            if (!watched.contains(window) &&
                !x11::selectEvents(window, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE))
                continue; // gone already
            stillThere.insert(window);
            if (std::optional<dock::DockWindow> info = readDockWindow(window))
                windows.push_back(*info);
        }
        watched = stillThere;

        std::optional<dock::ChosenDock> chosen = dock::chooseDock(windows, screenFrames());
        if (!chosen)
            return std::nullopt;
        // A hidden panel is still where it shows itself: keep the rectangle it had then.
        if (chosen->geometry.isVisible) {
            lastShown = chosen;
        } else if (lastShown && lastShown->window == chosen->window &&
                   lastShown->geometry.screenId == chosen->geometry.screenId &&
                   lastShown->geometry.orientation == chosen->geometry.orientation) {
            chosen->geometry.rect = lastShown->geometry.rect;
            chosen->geometry.tileSize = lastShown->geometry.tileSize;
        }
        return chosen->geometry;
    }

    std::optional<dock::DockWindow> readDockWindow(xcb_window_t window)
    {
        const x11::PlacementCookies placementCookies = x11::requestPlacement(window, root);
        const auto stateCookie = x11::requestList(window, x11::atom("_NET_WM_STATE"));
        const auto partialCookie = x11::requestList(window, x11::atom("_NET_WM_STRUT_PARTIAL"));
        const auto strutCookie = x11::requestList(window, x11::atom("_NET_WM_STRUT"));
        const std::optional<x11::Placement> placement = x11::takePlacement(placementCookies);
        const std::vector<quint32> state = x11::takeList(stateCookie);
        const std::vector<quint32> partial = x11::takeList(partialCookie);
        const std::vector<quint32> strut = x11::takeList(strutCookie);
        if (!placement)
            return std::nullopt; // the window went away meanwhile

        dock::DockWindow info;
        info.window = window;
        info.rect = placement->rect;
        const std::vector<quint32>& reserved = partial.size() >= 4 ? partial : strut;
        if (reserved.size() >= 4)
            std::copy_n(reserved.begin(), 4, info.strut.begin());
        info.mapped = placement->viewable;
        const xcb_atom_t hiddenAtom = x11::atom("_NET_WM_STATE_HIDDEN");
        info.hidden = std::find(state.begin(), state.end(), hiddenAtom) != state.end();
        return info;
    }

    static std::vector<dock::ScreenFrame> screenFrames()
    {
        std::vector<dock::ScreenFrame> frames;
        for (const DisplayInfo& display : Displays::connected())
            frames.push_back({display.id, display.screen->geometry(), display.screen->devicePixelRatio()});
        return frames;
    }

    void x11Event(const xcb_generic_event_t* event) override
    {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if ((property->window == root && property->atom == clientListAtom) || watched.contains(property->window))
                announceChange();
            return;
        }
        x11::StructureNotify notify;
        if (!x11::isStructureNotify(event, &notify))
            return;
        if (watched.contains(notify.event) || watched.contains(notify.window)) {
            announceChange();
        } else if (notify.event == root && notify.type == XCB_MAP_NOTIFY && !changeAnnounced) {
            // A panel that keeps out of the window manager's hands shows up only here.
            if (isDock(x11::readList(notify.window, typeAtom)))
                announceChange();
        }
    }

    X11DockWindows* q;
    bool hasX11 = false;
    bool changeAnnounced = false;
    xcb_window_t root = XCB_WINDOW_NONE;
    xcb_atom_t clientListAtom = XCB_ATOM_NONE;
    xcb_atom_t typeAtom = XCB_ATOM_NONE;
    xcb_atom_t dockAtom = XCB_ATOM_NONE;
    QSet<xcb_window_t> watched;
    std::optional<dock::ChosenDock> lastShown;
};

X11DockWindows::X11DockWindows(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

X11DockWindows::~X11DockWindows() = default;

std::optional<DockGeometry> X11DockWindows::read()
{
    d->changeAnnounced = false;
    return d->fromDockWindows();
}

} // namespace tavik
