#include "overlay/OverlayController.h"

#include "core/DockGeometry.h"
#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <optional>

using namespace tavik;

namespace {

constexpr int kSettle = 5000;

// Two displays side by side on the one X screen: xrandr monitors, which Qt reports as screens.
const QStringList kLeft{"LEFT", "640/169x512/135+0+0", "screen"};
const QStringList kRight{"RIGHT", "640/169x512/135+640+0", "none"};

void xrandr(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xrandr"), arguments);
    process.waitForFinished();
}

// Overlays draw only while a compositor runs: a stand-in owns the compositing selection for
// the whole run, as a compositor would.
class StandInCompositor {
public:
    StandInCompositor()
        : m_c(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        const xcb_window_t owner = xcb_generate_id(m_c);
        xcb_create_window(m_c, XCB_COPY_FROM_PARENT, owner, screen->root, -10, -10, 1, 1, 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, 0, nullptr);
        const char* name = "_NET_WM_CM_S0";
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(m_c, xcb_intern_atom(m_c, 0, std::strlen(name), name), nullptr);
        xcb_set_selection_owner(m_c, owner, atom->atom, XCB_CURRENT_TIME);
        std::free(atom);
        std::free(xcb_get_input_focus_reply(m_c, xcb_get_input_focus(m_c), nullptr));
    }
    ~StandInCompositor() { xcb_disconnect(m_c); }
    StandInCompositor(const StandInCompositor&) = delete;
    StandInCompositor& operator=(const StandInCompositor&) = delete;

private:
    xcb_connection_t* m_c;
};

} // namespace

TEST(OverlayDisplays, AnUnpluggedDisplaysOverlayGoesBeforeQtDeletesItsScreen)
{
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    MemoryKeyValueStore database;
    SettingsStore store(database);
    NoDockGeometry dock;
    OverlayController controller(store, dock);
    controller.start();
    ASSERT_EQ(controller.overlayCount(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return controller.firstFrameMilliseconds() >= 0; }, kSettle));

    // Qt deletes the screen right after announcing it gone; by then (after the controller
    // heard it, connected first) no overlay may be left on it for a frame to draw.
    std::optional<int> overlaysWhenRemoved;
    QObject listener;
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, &listener,
                     [&](QScreen*) { overlaysWhenRemoved = controller.overlayCount(); });
    xrandr(QStringList{"--delmonitor", kRight[0]});
    ASSERT_TRUE(QTest::qWaitFor([&] { return overlaysWhenRemoved.has_value(); }, kSettle));
    EXPECT_EQ(*overlaysWhenRemoved, 1);
    QTest::qWait(200); // frames and the rebuild go on with the display that is left
    EXPECT_EQ(controller.overlayCount(), 1);

    xrandr(QStringList{"--setmonitor"} + kRight);
    EXPECT_TRUE(QTest::qWaitFor([&] { return controller.overlayCount() == 2; }, kSettle));
}

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    qputenv("TAVIK_RENDERER", "raster");
    xrandr(QStringList{"--setmonitor"} + kLeft);
    xrandr(QStringList{"--setmonitor"} + kRight);
    const StandInCompositor compositor;
    QGuiApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
