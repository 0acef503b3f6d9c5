#include "platform/SessionKind.h"

#include <gtest/gtest.h>

using namespace tavik;

// On xcb wherever an X server is, with a note when the user's choice was set aside; else a reason.
TEST(SessionKind, OverlaysStartOnXcbOrNotAtAll)
{
    const struct {
        const char* what;
        SessionEnvironment environment; // WAYLAND_DISPLAY, XDG_SESSION_TYPE, DISPLAY, QT_QPA_PLATFORM
        SessionKind kind;
        QByteArray platform;
        bool noted = false;
        const char* error = "";
    } cases[] = {
        {"Wayland by the session type", {"", "wayland", ":1", ""}, SessionKind::wayland, "xcb"},
        {"a list that tries wayland first", {"wayland-1", "", ":1", "wayland;xcb"}, SessionKind::wayland, "xcb", true},
        {"xcb with options is kept", {"", "", ":0", "xcb:nograb"}, SessionKind::x11, "xcb:nograb"},
        {"a headless platform", {"", "", ":0", "offscreen"}, SessionKind::x11, "xcb", true},
        {"blanks are no answer", {"  ", " ", ":0", " "}, SessionKind::x11, "xcb"},
        {"Wayland without XWayland", {"wayland-1", "wayland", "", "wayland"}, SessionKind::wayland, "", false, "XWayland"},
        {"no display at all", {"", "", " ", "xcb"}, SessionKind::x11, "", false, "no display"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(c.environment.kind(), c.kind);
        const PlatformChoice choice = overlayPlatformFor(c.environment);
        EXPECT_EQ(choice.platform, c.platform);
        EXPECT_EQ(choice.error.isEmpty(), *c.error == '\0');
        EXPECT_TRUE(choice.error.contains(QLatin1String(c.error)));
        EXPECT_EQ(!choice.note.isEmpty(), c.noted);
        EXPECT_TRUE(!c.noted || choice.note.contains(c.environment.qtPlatform.trimmed()));
    }
}
