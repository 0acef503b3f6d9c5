#include "platform/FullscreenWatch.h"

#include "platform/GameModeWatch.h"
#include "platform/X11Support.h"

#include <QDBusConnection>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPointer>
#include <QScreen>
#include <QSet>
#include <QTimer>

#include <algorithm>
#include <set>

Q_LOGGING_CATEGORY(lcFullscreen, "tavik.fullscreen", QtWarningMsg)

namespace tavik {

namespace {

// The session bus connection costs a round trip or two: the first frame comes before it.
constexpr int kGameModeDelayMs = 500;

} // namespace

namespace fullscreen {

bool isFullscreenState(const std::vector<quint32>& states, quint32 fullscreenAtom, quint32 hiddenAtom)
{
    const auto has = [&states](quint32 atom) {
        return atom != 0 && std::find(states.begin(), states.end(), atom) != states.end();
    };
    return has(fullscreenAtom) && !has(hiddenAtom);
}

std::vector<std::size_t> displaysUnder(const QRect& window, const std::vector<QRect>& displays)
{
    std::vector<std::size_t> under;
    for (std::size_t i = 0; i < displays.size(); ++i)
        if (!displays[i].isEmpty() && window.contains(displays[i]))
            under.push_back(i);
    if (!under.empty() || window.isEmpty())
        return under;
    for (std::size_t i = 0; i < displays.size(); ++i)
        if (displays[i].contains(window.center()))
            return {i};
    return {};
}

void Tracker::setDisplays(std::vector<QRect> displays)
{
    m_displays = std::move(displays);
    m_owners.assign(m_displays.size(), 0);
    claimForActive();
}

void Tracker::setActive(quint32 window)
{
    m_active = window;
    claimForActive();
}

void Tracker::update(quint32 window, std::optional<WindowState> state)
{
    if (window == 0)
        return;
    if (!state) {
        m_states.erase(window);
        std::replace(m_owners.begin(), m_owners.end(), window, quint32(0));
    } else {
        m_states[window] = *state;
    }
    claimForActive();
    // Only the windows that still hold a display, or may take one, are worth remembering.
    const std::vector<quint32> keep = followed();
    std::erase_if(m_states, [&keep](const auto& entry) {
        return std::find(keep.begin(), keep.end(), entry.first) == keep.end();
    });
}

void Tracker::claimForActive()
{
    const auto state = m_states.find(m_active);
    if (state == m_states.end())
        return;
    for (std::size_t display : displaysUnder(state->second.rect, m_displays))
        m_owners[display] = m_active;
}

std::vector<bool> Tracker::paused() const
{
    std::vector<bool> paused(m_displays.size(), false);
    for (std::size_t display = 0; display < m_displays.size(); ++display) {
        const auto state = m_states.find(m_owners[display]);
        if (state == m_states.end() || !state->second.fullscreen)
            continue;
        const std::vector<std::size_t> under = displaysUnder(state->second.rect, m_displays);
        paused[display] = std::find(under.begin(), under.end(), display) != under.end();
    }
    return paused;
}

std::vector<quint32> Tracker::followed() const
{
    std::set<quint32> windows(m_owners.begin(), m_owners.end());
    windows.insert(m_active);
    windows.erase(0);
    return {windows.begin(), windows.end()};
}

} // namespace fullscreen

class FullscreenWatch::Private final : public x11::EventListener {
public:
    explicit Private(FullscreenWatch* owner) : q(owner)
    {
        QTimer::singleShot(kGameModeDelayMs, q, [this] {
            m_games = std::make_unique<GameModeWatch>(QDBusConnection::sessionBus());
            QObject::connect(m_games.get(), &GameModeWatch::gameRunningChanged, q, &FullscreenWatch::changed);
        });
        if (x11::connection() == nullptr)
            return;
        m_root = x11::rootWindow();
        m_activeAtom = x11::atom("_NET_ACTIVE_WINDOW");
        m_stateAtom = x11::atom("_NET_WM_STATE");
        m_fullscreenAtom = x11::atom("_NET_WM_STATE_FULLSCREEN");
        m_hiddenAtom = x11::atom("_NET_WM_STATE_HIDDEN");
        // A burst of events (a window made fullscreen is restated and resized) leads to one look.
        m_refresh.setSingleShot(true);
        m_refresh.setInterval(0);
        QObject::connect(&m_refresh, &QTimer::timeout, q, [this] { refresh(); });
        for (auto signal : {&QGuiApplication::screenAdded, &QGuiApplication::screenRemoved})
            QObject::connect(qGuiApp, signal, q, [this] { followScreens(); });
        x11::selectEvents(m_root, XCB_EVENT_MASK_PROPERTY_CHANGE);
        x11::addListener(this);
        m_listening = true;
        followScreens();
    }

    ~Private() override
    {
        if (m_listening)
            x11::removeListener(this);
    }

    void x11Event(const xcb_generic_event_t* event) override
    {
        if ((event->response_type & 0x7f) == XCB_PROPERTY_NOTIFY) {
            const auto* property = reinterpret_cast<const xcb_property_notify_event_t*>(event);
            if ((property->window == m_root && property->atom == m_activeAtom)
                || (property->atom == m_stateAtom && isFollowed(property->window)))
                m_refresh.start();
            return;
        }
        // Moved, resized, minimised or closed.
        x11::StructureNotify notify;
        if (x11::isStructureNotify(event, &notify) && isFollowed(notify.window))
            m_refresh.start();
    }

    [[nodiscard]] bool isPaused(const QScreen* screen) const
    {
        for (std::size_t i = 0; i < m_screens.size(); ++i)
            if (m_screens[i] == screen)
                return m_paused[i];
        return false;
    }

    FullscreenWatch* q;
    std::unique_ptr<GameModeWatch> m_games;

private:
    // Each screen's rectangle in X pixels: Qt keeps a screen's origin and scales its size.
    void followScreens()
    {
        m_screens.clear();
        std::vector<QRect> rects;
        for (QScreen* screen : QGuiApplication::screens()) {
            const QRect frame = screen->geometry();
            m_screens.emplace_back(screen);
            rects.emplace_back(frame.topLeft(), frame.size() * screen->devicePixelRatio());
        }
        m_paused.assign(m_screens.size(), false);
        m_tracker.setDisplays(std::move(rects));
        refresh();
    }

    [[nodiscard]] bool isFollowed(xcb_window_t window) const
    {
        return window != XCB_WINDOW_NONE && m_followed.contains(window);
    }

    void refresh()
    {
        const std::vector<quint32> active = x11::readList(m_root, m_activeAtom);
        const xcb_window_t window = active.empty() ? x11::noWindow : active.front();
        // Events first, then the read: a change in between is not lost. Selecting fails for a
        // window that is already gone, and reading it then says so.
        if (window != XCB_WINDOW_NONE && window != m_root && !m_followed.contains(window))
            x11::selectEvents(window, XCB_EVENT_MASK_PROPERTY_CHANGE | XCB_EVENT_MASK_STRUCTURE_NOTIFY);
        m_tracker.setActive(window == m_root ? x11::noWindow : window);
        for (const quint32 followed : m_tracker.followed())
            m_tracker.update(followed, read(followed));
        m_followed.clear();
        for (const quint32 followed : m_tracker.followed())
            m_followed.insert(followed);
        publish(m_tracker.paused());
    }

    // The window as the window manager shows it, or nullopt when it is gone.
    [[nodiscard]] std::optional<fullscreen::WindowState> read(xcb_window_t window) const
    {
        const x11::PlacementCookies placementCookies = x11::requestPlacement(window, m_root);
        const auto stateCookie = x11::requestList(window, m_stateAtom);
        const std::optional<x11::Placement> placement = x11::takePlacement(placementCookies);
        const std::vector<quint32> states = x11::takeList(stateCookie);
        if (!placement)
            return std::nullopt;
        return fullscreen::WindowState{
            placement->rect,
            placement->viewable && fullscreen::isFullscreenState(states, m_fullscreenAtom, m_hiddenAtom)};
    }

    void publish(const std::vector<bool>& paused)
    {
        if (paused == m_paused)
            return;
        m_paused = paused;
        qCInfo(lcFullscreen) << "fullscreen per display" << m_paused;
        emit q->changed();
    }

    xcb_window_t m_root = XCB_WINDOW_NONE;
    xcb_atom_t m_activeAtom = XCB_ATOM_NONE;
    xcb_atom_t m_stateAtom = XCB_ATOM_NONE;
    xcb_atom_t m_fullscreenAtom = XCB_ATOM_NONE;
    xcb_atom_t m_hiddenAtom = XCB_ATOM_NONE;
    bool m_listening = false;
    QTimer m_refresh;
    fullscreen::Tracker m_tracker;
    QSet<xcb_window_t> m_followed;
    std::vector<QPointer<QScreen>> m_screens;
    std::vector<bool> m_paused;
};

FullscreenWatch::FullscreenWatch(QObject* parent) : QObject(parent), d(std::make_unique<Private>(this)) {}

FullscreenWatch::~FullscreenWatch() = default;

bool FullscreenWatch::isFullscreen(const QScreen* screen) const
{
    return d->isPaused(screen);
}

bool FullscreenWatch::gameRunning() const
{
    return d->m_games && d->m_games->gameRunning();
}

} // namespace tavik
