#include "platform/SessionKind.h"

#include <gtest/gtest.h>

using namespace tavik;

// Whatever the session or the user asks for, the overlays start on xcb where an X server is
// there, and the user hears once when a choice of theirs was set aside.
TEST(SessionKind, OverlaysAlwaysStartOnXcbAndSayWhenARequestWasReplaced)
{
    const struct {
        const char* what;
        SessionEnvironment environment; // WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY, QT_QPA_PLATFORM
        SessionKind kind;
        QByteArray platform;
        bool noted;
    } cases[] = {
        {"an X11 session", {"", "x11", ":0", ""}, SessionKind::x11, "xcb", false},
        {"Wayland by its socket", {"wayland-1", "", ":1", ""}, SessionKind::wayland, "xcb", false},
        {"Wayland by the session type", {"", "wayland", ":1", ""}, SessionKind::wayland, "xcb", false},
        {"a global wayland request", {"wayland-1", "wayland", ":1", "wayland"}, SessionKind::wayland, "xcb", true},
        {"a list that tries wayland first", {"wayland-1", "", ":1", "wayland;xcb"}, SessionKind::wayland, "xcb", true},
        {"xcb with options is kept", {"", "", ":0", "xcb:nograb"}, SessionKind::x11, "xcb:nograb", false},
        {"a headless platform", {"", "", ":0", "offscreen"}, SessionKind::x11, "xcb", true},
        {"blanks are no answer", {"  ", " ", ":0", " "}, SessionKind::x11, "xcb", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.environment.kind(), c.kind) << c.what;
        const PlatformChoice choice = overlayPlatformFor(c.environment);
        EXPECT_EQ(choice.platform, c.platform) << c.what;
        EXPECT_TRUE(choice.error.isEmpty()) << c.what;
        EXPECT_EQ(!choice.note.isEmpty(), c.noted) << c.what;
        if (c.noted) {
            EXPECT_TRUE(choice.note.contains(c.environment.qtPlatform.trimmed())) << c.what;
        }
    }
}

TEST(SessionKind, WithoutAnXServerNothingStartsAndTheReasonFitsTheSession)
{
    const PlatformChoice wayland = overlayPlatformFor({"wayland-1", "wayland", "", "wayland"});
    const PlatformChoice bare = overlayPlatformFor({"", "", " ", "xcb"});
    for (const PlatformChoice& choice : {wayland, bare}) {
        EXPECT_TRUE(choice.platform.isEmpty());
        EXPECT_FALSE(choice.error.isEmpty());
    }
    EXPECT_TRUE(wayland.error.contains(u"XWayland"));
    EXPECT_TRUE(bare.error.contains(u"no display"));
}
