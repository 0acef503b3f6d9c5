// Dock windows, window stacking, lockers and fullscreen windows on a real X server
// (tests/with-xvfb) with two displays side by side and no window manager. Another X client plays
// the panel, the desktop, the locker and the window manager.

#include "platform/Displays.h"
#include "platform/FullscreenWatch.h"
#include "platform/SystemDockGeometry.h"
#include "platform/X11Locker.h"
#include "platform/X11Stacking.h"

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QProcess>
#include <QRasterWindow>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace tavik;

namespace {

// The other client: a separate connection, as a panel or a desktop program would have.
class Client {
public:
    Client() : c(xcb_connect(nullptr, nullptr)), root(xcb_setup_roots_iterator(xcb_get_setup(c)).data->root) {}
    ~Client() { xcb_disconnect(c); }

    xcb_atom_t atom(const char* name)
    {
        auto* reply = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(strlen(name)), name), nullptr);
        const xcb_atom_t value = reply->atom;
        std::free(reply);
        return value;
    }

    // A mapped window of the given type, or an unmanaged one (as lockers, menus and tooltips are).
    xcb_window_t window(QRect area, const char* type = nullptr)
    {
        const xcb_window_t id = xcb_generate_id(c);
        const uint32_t overrideRedirect = type == nullptr;
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, root, int16_t(area.x()), int16_t(area.y()), uint16_t(area.width()),
                          uint16_t(area.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_OVERRIDE_REDIRECT, &overrideRedirect);
        if (type != nullptr)
            set(id, "_NET_WM_WINDOW_TYPE", XCB_ATOM_ATOM, 32, 1, std::vector{atom(type)}.data());
        xcb_map_window(c, id);
        sync();
        return id;
    }

    void set(xcb_window_t window, const char* property, xcb_atom_t type, uint8_t format, uint32_t length, const void* data)
    {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, atom(property), type, format, length, data);
        sync();
    }

    void sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

    // Where a window sits among the root's children, from the bottom.
    long place(xcb_window_t window)
    {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
        const xcb_window_t* children = xcb_query_tree_children(tree);
        const long at = std::find(children, children + xcb_query_tree_children_length(tree), window) - children;
        std::free(tree);
        return at;
    }

    uint8_t grabKeyboard()
    {
        auto* reply = xcb_grab_keyboard_reply(
            c, xcb_grab_keyboard(c, 0, root, XCB_CURRENT_TIME, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC), nullptr);
        const uint8_t status = reply != nullptr ? reply->status : uint8_t(0xff);
        std::free(reply);
        return status;
    }

    xcb_connection_t* c;
    xcb_window_t root;
};

const QRect kRightDisplay(640, 0, 640, 1024);
const QRect kWholeScreen(0, 0, 1280, 1024);

} // namespace

TEST(X11Dock, PanelWindowGivesItsDisplaySceneRectangleAndHidesWhenUnmapped)
{
    SystemDockGeometry provider; // before the panel: it must notice it from X events
    QSignalSpy changed(&provider, &SystemDockGeometry::changed);
    EXPECT_FALSE(provider.currentGeometry());

    // 40 pixels high at the bottom of the right display.
    Client panel;
    const xcb_window_t window = panel.window(QRect(700, 1024 - 40, 400, 40), "_NET_WM_WINDOW_TYPE_DOCK");
    const uint32_t strut[12] = {0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 700, 1099};
    panel.set(window, "_NET_WM_STRUT_PARTIAL", XCB_ATOM_CARDINAL, 32, 12, strut);

    ASSERT_TRUE(QTest::qWaitFor([&] { return provider.currentGeometry().has_value(); }, 3000));
    const DockGeometry geometry = *provider.currentGeometry();
    const QList<DisplayInfo> displays = Displays::connected();
    ASSERT_EQ(displays.size(), 2);
    EXPECT_EQ(geometry.screenId, displays[displays[0].screen->geometry().x() == 640 ? 0 : 1].id);
    EXPECT_EQ(geometry.orientation, DockGeometry::Orientation::bottom);
    EXPECT_EQ(geometry.rect, QRectF(60, 0, 400, 40));
    EXPECT_EQ(geometry.tileSize, 40);
    EXPECT_TRUE(geometry.isVisible);
    EXPECT_GE(changed.count(), 1);

    xcb_unmap_window(panel.c, window);
    panel.sync();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !provider.currentGeometry()->isVisible; }, 3000));
    EXPECT_EQ(provider.currentGeometry()->rect, geometry.rect);
    xcb_destroy_window(panel.c, window);
    panel.sync();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !provider.currentGeometry().has_value(); }, 3000));
}

TEST(X11Stacking, OverlaySitsAboveTheDesktopOrOnTopAndOtherWindowsRaisingIsReported)
{
    ASSERT_TRUE(x11::isAvailable());
    Client desktop;
    const xcb_window_t wallpaper = desktop.window(kWholeScreen, "_NET_WM_WINDOW_TYPE_DESKTOP");
    const xcb_window_t editor = desktop.window(QRect(100, 100, 300, 200), "_NET_WM_WINDOW_TYPE_NORMAL");
    QRasterWindow overlay;
    overlay.setFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowTransparentForInput |
                     Qt::WindowDoesNotAcceptFocus);
    overlay.resize(200, 200);
    overlay.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
    const auto own = static_cast<xcb_window_t>(overlay.winId());
    x11::StackingWatcher watcher;
    QSignalSpy stacking(&watcher, &x11::StackingWatcher::stackingChanged);

    EXPECT_TRUE(x11::stackAboveDesktop(overlay.winId()));
    EXPECT_EQ(desktop.place(own), desktop.place(wallpaper) + 1);
    EXPECT_LT(desktop.place(own), desktop.place(editor));
    EXPECT_TRUE(x11::raiseToTop(overlay.winId()));
    EXPECT_GT(desktop.place(own), desktop.place(editor));
    // Our own restacking is no news: overlays must not answer each other forever.
    EXPECT_FALSE(stacking.wait(600));

    const uint32_t above[] = {XCB_STACK_MODE_ABOVE};
    xcb_configure_window(desktop.c, editor, XCB_CONFIG_WINDOW_STACK_MODE, above);
    desktop.sync();
    EXPECT_TRUE(stacking.wait(2000));

    // Without a desktop window the overlay goes to the very bottom.
    xcb_destroy_window(desktop.c, wallpaper);
    desktop.sync();
    EXPECT_TRUE(x11::stackAboveDesktop(overlay.winId()));
    EXPECT_EQ(desktop.place(own), 0);
}

// A full-screen unmanaged window on top, or a keyboard grab of another program, is a locker.
TEST(X11Locker, TellsALockerFromOverlaysMenusAndWindows)
{
    const auto probe = x11::makeLockerProbe();
    ASSERT_TRUE(probe);
    int changes = 0;
    probe->setWindowsChangedHandler([&] { ++changes; });
    const auto changed = [&] {
        const int before = changes;
        return QTest::qWaitFor([&] { return changes > before; }, 3000);
    };
    EXPECT_EQ(probe->look(), LockerSight::none);

    // Our own full-screen unmanaged window (an overlay) is no locker, nor is a menu.
    QRasterWindow overlay;
    overlay.setFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    overlay.setGeometry(kWholeScreen);
    overlay.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
    EXPECT_EQ(probe->look(), LockerSight::none);
    Client other;
    const xcb_window_t menu = other.window(QRect(10, 10, 200, 300));
    ASSERT_TRUE(changed());
    EXPECT_EQ(probe->look(), LockerSight::none);

    // Full screen, or one whole display of the two, until a managed window is raised above it.
    for (const QRect area : {kWholeScreen, kRightDisplay}) {
        SCOPED_TRACE(area.x());
        const xcb_window_t locker = other.window(area);
        ASSERT_TRUE(changed());
        EXPECT_EQ(probe->look(), LockerSight::window);
        const xcb_window_t editor = other.window(QRect(100, 100, 300, 200), "_NET_WM_WINDOW_TYPE_NORMAL");
        EXPECT_EQ(probe->look(), LockerSight::none);
        xcb_destroy_window(other.c, editor);
        other.sync();
        EXPECT_EQ(probe->look(), LockerSight::window);
        xcb_unmap_window(other.c, locker);
        other.sync();
        ASSERT_TRUE(changed());
        EXPECT_EQ(probe->look(), LockerSight::none);
    }
    xcb_destroy_window(other.c, menu);

    ASSERT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_SUCCESS);
    EXPECT_EQ(probe->look(), LockerSight::grab);
    xcb_ungrab_keyboard(other.c, XCB_CURRENT_TIME);
    other.sync();
    EXPECT_EQ(probe->look(), LockerSight::none);
    EXPECT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_SUCCESS) << "the look let go of the keyboard at once";
}

// The other client stands in for the window manager: it names the active window and states its
// fullscreen state, once in a shape no window manager should use.
TEST(X11Fullscreen, TheActiveFullscreenWindowPausesItsDisplayUntilItStopsOrGoes)
{
    FullscreenWatch watch;
    Client wm;
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2);
    const auto settles = [&](bool left, bool right) {
        return QTest::qWaitFor(
            [&] { return watch.isFullscreen(screens[0]) == left && watch.isFullscreen(screens[1]) == right; }, 3000);
    };
    const xcb_atom_t full = wm.atom("_NET_WM_STATE_FULLSCREEN");
    const xcb_window_t window = wm.window(kRightDisplay, "_NET_WM_WINDOW_TYPE_NORMAL");
    wm.set(wm.root, "_NET_ACTIVE_WINDOW", XCB_ATOM_WINDOW, 32, 1, &window);

    wm.set(window, "_NET_WM_STATE", XCB_ATOM_ATOM, 32, 1, &full);
    EXPECT_TRUE(settles(false, true));
    wm.set(window, "_NET_WM_STATE", XCB_ATOM_ATOM, 32, 0, nullptr);
    EXPECT_TRUE(settles(false, false));
    wm.set(window, "_NET_WM_STATE", XCB_ATOM_STRING, 8, 24, "_NET_WM_STATE_FULLSCREEN");
    QTest::qWait(200);
    EXPECT_TRUE(settles(false, false)) << "a state list of the wrong type says nothing";
    wm.set(window, "_NET_WM_STATE", XCB_ATOM_ATOM, 32, 1, &full);
    EXPECT_TRUE(settles(false, true));
    xcb_destroy_window(wm.c, window);
    wm.sync();
    EXPECT_TRUE(settles(false, false));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Two displays side by side on the one X screen, before Qt reads the screens.
    for (const QStringList& monitor : {QStringList{"LEFT", "640/169x1024/271+0+0", "screen"},
                                       QStringList{"RIGHT", "640/169x1024/271+640+0", "none"}}) {
        QProcess xrandr;
        xrandr.start("xrandr", QStringList{"--setmonitor"} + monitor);
        xrandr.waitForFinished();
    }
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
