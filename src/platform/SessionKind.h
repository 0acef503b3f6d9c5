#pragma once

#include <QByteArray>
#include <QString>

namespace tavik {

// The kind of desktop session the program was started in. The overlays are X11 windows in
// both: only X11 gives unmanaged, click-through windows on every compositor, so a Wayland
// session runs them through XWayland.
enum class SessionKind { x11, wayland };

// What the environment says about the session, read once at start.
struct SessionEnvironment {
    QString waylandDisplay; // WAYLAND_DISPLAY
    QString sessionType;    // XDG_SESSION_TYPE
    QString x11Display;     // DISPLAY: the X server, XWayland's on a Wayland session
    QString qtPlatform;     // QT_QPA_PLATFORM, as the user or the session set it

    [[nodiscard]] static SessionEnvironment current();
    [[nodiscard]] SessionKind kind() const;
};

// The Qt platform the program starts with, and what to tell the user about it.
struct PlatformChoice {
    QByteArray platform; // for QT_QPA_PLATFORM; empty when the program cannot start
    QString note;        // one line for stderr when the user's choice was replaced, else empty
    QString error;       // why the program cannot start, else empty
};

// Always xcb: a session-wide QT_QPA_PLATFORM=wayland would otherwise abort the program (no
// plugin) or make each overlay an ordinary window that the compositor tiles beside the
// user's windows.
[[nodiscard]] PlatformChoice overlayPlatformFor(const SessionEnvironment& environment);

// Sets QT_QPA_PLATFORM for the QApplication about to be built and prints the note or the
// error. False when there is no X server to draw on.
bool chooseOverlayPlatform();

// The kind of the session this process runs in.
[[nodiscard]] SessionKind currentSessionKind();

// Why the overlays cannot sit just above the desktop picture, below every window, or empty
// where they can. A Wayland session has no X11 desktop window to stack above, and its own
// windows are not X11 windows, so the scene can only stay above them.
[[nodiscard]] QString desktopLevelUnavailableReason(SessionKind kind);
[[nodiscard]] inline bool desktopLevelWorks(SessionKind kind)
{
    return desktopLevelUnavailableReason(kind).isEmpty();
}

} // namespace tavik
