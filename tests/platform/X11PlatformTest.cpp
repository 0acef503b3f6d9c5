// Dock windows, window stacking, lockers and the compositor on a real X server (tests/with-xvfb), with two displays
// side by side. Another X client plays the panel and the desktop; no window manager runs.

#include "platform/CompositorWatch.h"
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
#include <memory>
#include <vector>

using namespace tavik;

namespace {

// The other client: separate connection, as a panel or a desktop program would have.
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

    xcb_window_t window(int x, int y, int w, int h, const char* type)
    {
        const xcb_window_t id = xcb_generate_id(c);
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, root, static_cast<int16_t>(x), static_cast<int16_t>(y),
                          static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        const xcb_atom_t value = atom(type);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom("_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM, 32, 1, &value);
        // "Put me where I asked" (USPosition), for runs under a window manager.
        uint32_t hints[18] = {1 | 2, static_cast<uint32_t>(x), static_cast<uint32_t>(y), static_cast<uint32_t>(w),
                              static_cast<uint32_t>(h)};
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_NORMAL_HINTS, XCB_ATOM_WM_SIZE_HINTS, 32, 18, hints);
        xcb_map_window(c, id);
        xcb_aux_sync();
        return id;
    }

    void xcb_aux_sync() { std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr)); }

    std::vector<xcb_window_t> stacking()
    {
        auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, root), nullptr);
        const xcb_window_t* children = xcb_query_tree_children(tree);
        std::vector<xcb_window_t> order(children, children + xcb_query_tree_children_length(tree));
        std::free(tree);
        return order;
    }

    // Where the window (or the frame a window manager put it in) sits, from the bottom.
    long place(xcb_window_t window)
    {
        for (int depth = 0; depth < 8; ++depth) {
            auto* tree = xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr);
            const xcb_window_t parent = tree != nullptr ? tree->parent : root;
            std::free(tree);
            if (parent == root)
                break;
            window = parent;
        }
        const std::vector<xcb_window_t> order = stacking();
        return std::find(order.begin(), order.end(), window) - order.begin();
    }

    // An unmanaged window, as lockers, menus and tooltips are: mapped and raised.
    xcb_window_t unmanaged(int x, int y, int w, int h)
    {
        const xcb_window_t id = xcb_generate_id(c);
        const uint32_t overrideRedirect[] = {1};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, id, root, static_cast<int16_t>(x), static_cast<int16_t>(y),
                          static_cast<uint16_t>(w), static_cast<uint16_t>(h), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                          XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, overrideRedirect);
        xcb_map_window(c, id);
        xcb_aux_sync();
        return id;
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

} // namespace

TEST(X11Dock, PanelWindowGivesItsDisplaySceneRectangleAndHidesWhenUnmapped)
{
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    SystemDockGeometry provider; // before the panel: it must notice it from X events
    QSignalSpy changed(&provider, &SystemDockGeometry::changed);
    EXPECT_FALSE(provider.currentGeometry());

    Client panel;
    // 40 pixels high at the bottom of the right display (640..1279 × 0..1023).
    const xcb_window_t window = panel.window(700, 1024 - 40, 400, 40, "_NET_WM_WINDOW_TYPE_DOCK");
    const uint32_t strut[12] = {0, 0, 0, 40, 0, 0, 0, 0, 0, 0, 700, 1099};
    xcb_change_property(panel.c, XCB_PROP_MODE_REPLACE, window, panel.atom("_NET_WM_STRUT_PARTIAL"),
                        XCB_ATOM_CARDINAL, 32, 12, strut);
    panel.xcb_aux_sync();

    ASSERT_TRUE(QTest::qWaitFor([&] { return provider.currentGeometry().has_value(); }, 3000));
    const DockGeometry geometry = *provider.currentGeometry();
    QString rightId;
    for (const DisplayInfo& display : Displays::connected())
        if (display.screen->geometry().x() == 640)
            rightId = display.id;
    EXPECT_EQ(geometry.screenId, rightId);
    EXPECT_EQ(geometry.orientation, DockGeometry::Orientation::bottom);
    EXPECT_EQ(geometry.rect, QRectF(60, 0, 400, 40));
    EXPECT_EQ(geometry.tileSize, 40);
    EXPECT_TRUE(geometry.isVisible);
    EXPECT_GE(changed.count(), 1);

    xcb_unmap_window(panel.c, window);
    panel.xcb_aux_sync();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !provider.currentGeometry()->isVisible; }, 3000));
    EXPECT_EQ(provider.currentGeometry()->rect, geometry.rect);

    xcb_destroy_window(panel.c, window);
    panel.xcb_aux_sync();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !provider.currentGeometry().has_value(); }, 3000));
}

TEST(X11Stacking, OverlaySitsAboveTheDesktopOrOnTopAndOtherWindowsRaisingIsReported)
{
    ASSERT_TRUE(x11::isAvailable());
    Client desktop;
    const xcb_window_t wallpaper = desktop.window(0, 0, 1280, 1024, "_NET_WM_WINDOW_TYPE_DESKTOP");
    const xcb_window_t editor = desktop.window(100, 100, 300, 200, "_NET_WM_WINDOW_TYPE_NORMAL");

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
    desktop.xcb_aux_sync();
    EXPECT_TRUE(stacking.wait(2000));

    // Without a desktop window the overlay goes to the very bottom.
    xcb_destroy_window(desktop.c, wallpaper);
    desktop.xcb_aux_sync();
    EXPECT_TRUE(x11::stackAboveDesktop(overlay.winId()));
    EXPECT_EQ(desktop.place(own), 0);
}

TEST(X11Locker, AFullScreenUnmanagedWindowOnTopOrAKeyboardGrabOfAnotherProgramIsALocker)
{
    const auto probe = x11::makeLockerProbe();
    ASSERT_TRUE(probe);
    int changes = 0;
    probe->setWindowsChangedHandler([&] { ++changes; });
    auto changed = [&] {
        const int before = changes;
        return QTest::qWaitFor([&] { return changes > before; }, 3000);
    };
    EXPECT_EQ(probe->look(), LockerSight::none);

    // Our own full-screen unmanaged window (an overlay) is no locker.
    QRasterWindow overlay;
    overlay.setFlags(Qt::X11BypassWindowManagerHint | Qt::FramelessWindowHint | Qt::WindowTransparentForInput);
    overlay.setGeometry(0, 0, 1280, 1024);
    overlay.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&overlay));
    EXPECT_EQ(probe->look(), LockerSight::none);

    Client other;
    const xcb_window_t menu = other.unmanaged(10, 10, 200, 300);
    ASSERT_TRUE(changed());
    EXPECT_EQ(probe->look(), LockerSight::none);
    // Full screen, or one whole display of the two.
    for (const QRect area : {QRect(0, 0, 1280, 1024), QRect(640, 0, 640, 1024)}) {
        SCOPED_TRACE(area.x());
        const xcb_window_t locker = other.unmanaged(area.x(), area.y(), area.width(), area.height());
        ASSERT_TRUE(changed());
        EXPECT_EQ(probe->look(), LockerSight::window);
        // A managed window raised above it means it holds nothing.
        const xcb_window_t editor = other.window(100, 100, 300, 200, "_NET_WM_WINDOW_TYPE_NORMAL");
        EXPECT_EQ(probe->look(), LockerSight::none);
        xcb_destroy_window(other.c, editor);
        other.xcb_aux_sync();
        EXPECT_EQ(probe->look(), LockerSight::window);
        xcb_unmap_window(other.c, locker);
        other.xcb_aux_sync();
        ASSERT_TRUE(changed());
        EXPECT_EQ(probe->look(), LockerSight::none);
    }
    xcb_destroy_window(other.c, menu);

    ASSERT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_SUCCESS);
    EXPECT_EQ(probe->look(), LockerSight::grab);
    xcb_ungrab_keyboard(other.c, XCB_CURRENT_TIME);
    other.xcb_aux_sync();
    EXPECT_EQ(probe->look(), LockerSight::none);
    // The look let go of the keyboard at once.
    EXPECT_EQ(other.grabKeyboard(), XCB_GRAB_STATUS_SUCCESS);
}

TEST(X11Compositor, FollowsTheOwnerOfTheCompositingSelection)
{
    CompositorWatch watch;
    QSignalSpy changes(&watch, &CompositorWatch::compositingChanged);
    EXPECT_FALSE(watch.isCompositing()); // a bare X server
    EXPECT_EQ(watch.selectionName(), QStringLiteral("_NET_WM_CM_S0"));

    // A compositor takes the selection with a window of its own, and may give it up.
    auto compositor = std::make_unique<Client>();
    const xcb_atom_t selection = compositor->atom("_NET_WM_CM_S0");
    const xcb_window_t owner = compositor->unmanaged(-10, -10, 1, 1);
    xcb_set_selection_owner(compositor->c, owner, selection, XCB_CURRENT_TIME);
    compositor->xcb_aux_sync();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.isCompositing(); }, 3000));
    xcb_set_selection_owner(compositor->c, XCB_WINDOW_NONE, selection, XCB_CURRENT_TIME);
    compositor->xcb_aux_sync();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watch.isCompositing(); }, 3000));

    // Or it goes away.
    xcb_set_selection_owner(compositor->c, owner, selection, XCB_CURRENT_TIME);
    compositor->xcb_aux_sync();
    ASSERT_TRUE(QTest::qWaitFor([&] { return watch.isCompositing(); }, 3000));
    compositor.reset();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watch.isCompositing(); }, 3000));
    EXPECT_EQ(changes.count(), 4);
}

// The other client stands in for the window manager: it names the active window and states
// its fullscreen state, sometimes in a shape no window manager should use.
TEST(X11Fullscreen, TheActiveFullscreenWindowPausesItsDisplayUntilItStopsOrGoes)
{
    FullscreenWatch watch;
    Client wm;
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2);
    const auto paused = [&] { return std::pair(watch.isFullscreen(screens[0]), watch.isFullscreen(screens[1])); };
    const auto settles = [&](std::pair<bool, bool> expected) {
        return QTest::qWaitFor([&] { return paused() == expected; }, 3000);
    };
    const xcb_atom_t state = wm.atom("_NET_WM_STATE");
    const xcb_atom_t full = wm.atom("_NET_WM_STATE_FULLSCREEN");
    const xcb_window_t window = wm.window(640, 0, 640, 1024, "_NET_WM_WINDOW_TYPE_NORMAL");
    xcb_change_property(wm.c, XCB_PROP_MODE_REPLACE, wm.root, wm.atom("_NET_ACTIVE_WINDOW"), XCB_ATOM_WINDOW, 32, 1,
                        &window);
    const auto setState = [&](xcb_atom_t type, uint8_t format, uint32_t length, const void* value) {
        xcb_change_property(wm.c, XCB_PROP_MODE_REPLACE, window, state, type, format, length, value);
        wm.xcb_aux_sync();
    };

    setState(XCB_ATOM_ATOM, 32, 1, &full);
    EXPECT_TRUE(settles({false, true}));
    setState(XCB_ATOM_ATOM, 32, 0, nullptr);
    EXPECT_TRUE(settles({false, false}));
    setState(XCB_ATOM_STRING, 8, 24, "_NET_WM_STATE_FULLSCREEN");
    QTest::qWait(200);
    EXPECT_EQ(paused(), std::pair(false, false)) << "a state list of the wrong type says nothing";
    setState(XCB_ATOM_ATOM, 32, 1, &full);
    EXPECT_TRUE(settles({false, true}));
    xcb_destroy_window(wm.c, window);
    wm.xcb_aux_sync();
    EXPECT_TRUE(settles({false, false}));
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
