#pragma once

#include <QObject>
#include <QRect>

#include <map>
#include <memory>
#include <optional>
#include <vector>

class QScreen;

namespace tavik {

// Which displays have a fullscreen app in front, and whether a game runs under GameMode. On X11
// it follows the active window and its state through property events; where the desktop
// cannot tell (no X11), nothing is ever fullscreen.
class FullscreenWatch final : public QObject {
    Q_OBJECT
public:
    explicit FullscreenWatch(QObject* parent = nullptr);
    ~FullscreenWatch() override;

    [[nodiscard]] bool isFullscreen(const QScreen* screen) const;
    [[nodiscard]] bool gameRunning() const;

signals:
    // Sent once per change of either answer.
    void changed();

private:
    class Private;
    std::unique_ptr<Private> d;
};

namespace fullscreen {

// What the window manager says of a window, in X pixels and root coordinates.
struct WindowState {
    QRect rect;
    bool fullscreen = false;
};

// A `_NET_WM_STATE` list: fullscreen and not minimised (a minimised window is not in front).
[[nodiscard]] bool isFullscreenState(const std::vector<quint32>& states, quint32 fullscreenAtom, quint32 hiddenAtom);

// The displays a window stands on: every display it covers whole (a window made fullscreen
// across several covers them all), else the one holding its centre.
[[nodiscard]] std::vector<std::size_t> displaysUnder(const QRect& window, const std::vector<QRect>& displays);

// Per display, the window most recently active on it: the display is paused while that window is
// fullscreen over it. Moving the focus to another display leaves a fullscreen video where it
// is, still in front.
class Tracker {
public:
    // Forgets which window each display had: their order may have changed.
    void setDisplays(std::vector<QRect> displays);
    void setActive(quint32 window);
    // What a window is now; nullopt once it is gone.
    void update(quint32 window, std::optional<WindowState> state);

    [[nodiscard]] std::vector<bool> paused() const;
    // The windows whose changes can change the answer.
    [[nodiscard]] std::vector<quint32> followed() const;

private:
    void claimForActive();

    std::vector<QRect> m_displays;
    std::vector<quint32> m_owners; // per display; 0 for none
    std::map<quint32, WindowState> m_states;
    quint32 m_active = 0;
};

} // namespace fullscreen
} // namespace tavik
