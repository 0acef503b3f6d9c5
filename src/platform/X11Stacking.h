#pragma once

#include <QObject>
#include <QWindow>

#include <memory>

// Where the overlay windows sit among the other windows of an X11 desktop. Without X11
// (offscreen, a Wayland session without XWayland) every helper does nothing and says so.
//
// Click-through needs nothing here: Qt gives a window with Qt::WindowTransparentForInput an
// empty input shape on xcb, so every click reaches the window below.
namespace tavik::x11 {

[[nodiscard]] bool isAvailable();

// Puts the window on top of its siblings, but below any window kept above the overlays that
// is on screen. False without X11 or when the window is gone.
bool raiseToTop(WId window);

// Our own windows that the overlays never cover (the settings panel): raiseToTop stops just
// below them while they are mapped. Forget a window before it is destroyed.
void keepAboveOverlays(WId window);
void forgetAboveOverlays(WId window);

// Puts the window directly above the desktop window (the one that draws the wallpaper and
// the icons), or at the very bottom where there is none. False without X11 or when the
// window is gone.
bool stackAboveDesktop(WId window);

// Tells when top-level windows are mapped, raised or restacked, so an overlay can take its
// place again. Changes that our own helpers make are not reported, so two overlays never
// answer each other forever; bursts are folded into one signal (at most four a second).
class StackingWatcher final : public QObject {
    Q_OBJECT
public:
    explicit StackingWatcher(QObject* parent = nullptr);
    ~StackingWatcher() override;

signals:
    void stackingChanged();

private:
    class Private;
    std::unique_ptr<Private> d;
};

} // namespace tavik::x11
