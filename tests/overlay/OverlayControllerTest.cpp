#include "overlay/FrameClock.h"
#include "overlay/OverlayController.h"

#include "core/DockGeometry.h"
#include "platform/Displays.h"
#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonObject>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>

using namespace tavik;

namespace {

// Long enough for the settings debounce and a few frames, short enough for a quick test.
constexpr int kSettle = 2000;

class OverlayControllerTest : public ::testing::Test {
protected:
    OverlayControllerTest() : store(database), controller(store, dock) {}

    QJsonValue status(const char* key) const { return controller.status().value(QLatin1String(key)); }
    QJsonArray overlays() const { return status("overlays").toArray(); }
    QJsonValue first(const char* key) const { return overlays().at(0).toObject().value(QLatin1String(key)); }
    double frames() const { return first("frames").toDouble(); }
    bool settles(const std::function<bool()>& condition) const { return QTest::qWaitFor(condition, kSettle); }

    MemoryKeyValueStore database;
    SettingsStore store;
    FixedDockGeometry dock;
    OverlayController controller;
    const QString displayId = Displays::connected().value(0).id;
};

TEST_F(OverlayControllerTest, ShowsOneDrawingOverlayPerDisplayAndFollowsTheDisplaySwitch)
{
    controller.start();
    controller.start(); // a second start changes nothing
    ASSERT_EQ(overlays().size(), QGuiApplication::screens().size());
    EXPECT_EQ(first("id").toString(), displayId);
    EXPECT_TRUE(first("visible").toBool());
    EXPECT_TRUE(settles([&] { return controller.firstFrameMilliseconds() >= 0; }));
    const QString firstWindow = first("windowId").toString();

    store.setMonitor(displayId, false);
    EXPECT_TRUE(settles([&] { return overlays().isEmpty(); }));
    EXPECT_FALSE(status("clockTicking").toBool()); // nothing left to draw, so the clock sleeps
    store.setMonitor(displayId, true);
    ASSERT_TRUE(settles([&] { return overlays().size() == 1; }));
    EXPECT_NE(first("windowId").toString(), firstWindow); // a fresh window
}

TEST_F(OverlayControllerTest, HidesAndPausesWhileOffOrLockedAndDrawsNothingThen)
{
    controller.start();
    ASSERT_TRUE(settles([&] { return frames() > 0; }));
    store.setEnabled(false);
    ASSERT_TRUE(settles([&] { return !first("visible").toBool(); }));
    EXPECT_TRUE(first("paused").toBool());
    EXPECT_FALSE(status("clockTicking").toBool());
    const double framesWhileOff = frames();
    QTest::qWait(300);
    EXPECT_EQ(frames(), framesWhileOff);

    store.setEnabled(true);
    store.setScreenLocked(true);
    QTest::qWait(300);
    EXPECT_FALSE(first("visible").toBool());
    store.setScreenLocked(false);
    ASSERT_TRUE(settles([&] { return first("visible").toBool(); }));
    EXPECT_TRUE(settles([&] { return frames() > framesWhileOff; }));
}

// A picture with nothing in it is drawn once, to clear the window, and then costs no drawing
// while the clock goes on; something to show brings the frames back.
TEST_F(OverlayControllerTest, AnEmptyPictureIsDrawnOnceAndThenNotAgain)
{
    store.setRainEnabled(false);
    store.setLeavesEnabled(false);
    store.setFirefliesEnabled(false);
    controller.start();
    ASSERT_TRUE(settles([&] { return frames() > 0; }));
    QTest::qWait(200);
    const double framesWhileEmpty = frames();
    QTest::qWait(300);
    EXPECT_TRUE(status("clockTicking").toBool());
    EXPECT_EQ(frames(), framesWhileEmpty);
    store.setRainEnabled(true);
    EXPECT_TRUE(settles([&] { return frames() > framesWhileEmpty + 2; }));
}

TEST_F(OverlayControllerTest, CloudsGoBelowWindowsOnlyWhileTheSceneFloatsAboveThem)
{
    controller.start();
    EXPECT_FALSE(first("underlay").isObject());
    store.setCloudFloatBehind(true);
    ASSERT_TRUE(settles([&] { return first("underlay").isObject(); }));
    EXPECT_EQ(first("underlay").toObject().value(QStringLiteral("level")).toString(), QStringLiteral("desktop"));
    EXPECT_EQ(first("level").toString(), QStringLiteral("aboveWindows"));
    store.setFloatsAboveWindows(false);
    ASSERT_TRUE(settles([&] { return !first("underlay").isObject(); }));
    EXPECT_EQ(first("level").toString(), QStringLiteral("desktop"));
}

// A Wayland session has no X11 desktop window: nothing can go behind its windows, clouds included.
TEST_F(OverlayControllerTest, OnAWaylandSessionTheSceneAndItsCloudsStayAboveWindows)
{
    const QByteArray before = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-1");
    store.setFloatsAboveWindows(false);
    store.setCloudFloatBehind(true);
    controller.start();
    EXPECT_EQ(first("level").toString(), QStringLiteral("aboveWindows"));
    store.setFloatsAboveWindows(true);
    QTest::qWait(300);
    EXPECT_FALSE(first("underlay").isObject());
    qputenv("WAYLAND_DISPLAY", before);
}

TEST_F(OverlayControllerTest, FrameRateFollowsTheNearestWholeRateWithinItsLimits)
{
    controller.start();
    const struct {
        double maxFPS;
        bool lowPower;
        int expected;
    } cases[] = {
        {44.5, false, 45}, {44.4, false, 44}, {120, true, 30}, {0.2, false, 1},
        {std::numeric_limits<double>::quiet_NaN(), false, 60}, {1e9, false, 240},
    };
    for (const auto& c : cases) {
        store.setMaxFPS(c.maxFPS);
        store.setLowPowerMode(c.lowPower);
        EXPECT_TRUE(settles([&] { return status("framesPerSecond").toInt() == c.expected; }))
            << c.maxFPS << " low power " << c.lowPower << " gave " << status("framesPerSecond").toInt();
    }
}

TEST_F(OverlayControllerTest, TheDisplayHoldingTheDockHostsIt)
{
    DockGeometry geometry;
    geometry.screenId = displayId;
    geometry.rect = QRectF(0, 0, 800, 48);
    dock.setGeometry(geometry);
    controller.start();
    EXPECT_TRUE(first("hostsDock").toBool());
    geometry.screenId = QStringLiteral("elsewhere");
    dock.setGeometry(geometry);
    controller.dockGeometryChanged();
    EXPECT_FALSE(first("hostsDock").toBool());
}

class CountingTarget final : public FrameTarget {
public:
    bool wants = true;
    int frames = 0;
    bool wantsFrames() const override { return wants; }
    void renderFrame(double) override { ++frames; }
};

TEST(FrameClockTest, DrawsEveryTargetEachTickAndSleepsWhenNoneWantsFrames)
{
    FrameClock clock;
    CountingTarget a;
    CountingTarget b;
    clock.add(&a);
    clock.add(&b);
    ASSERT_TRUE(QTest::qWaitFor([&] { return a.frames >= 3; }, kSettle));
    EXPECT_LE(std::abs(a.frames - b.frames), 1); // one pass per tick: no display falls behind

    a.wants = false;
    b.wants = false;
    clock.update();
    EXPECT_FALSE(clock.isTicking());
    const int frozen = a.frames + b.frames;
    QTest::qWait(100);
    EXPECT_EQ(a.frames + b.frames, frozen);
    b.wants = true;
    clock.update();
    EXPECT_TRUE(clock.isTicking());
    clock.remove(&b);
    EXPECT_FALSE(clock.isTicking());

    // Whole milliseconds until the next tick, never negative.
    EXPECT_EQ(FrameClock::delayUntil(1.0, 1.0 - 0.0161), 17);
    EXPECT_EQ(FrameClock::delayUntil(1.0, 1.5), 0);
    EXPECT_EQ(FrameClock::delayUntil(std::numeric_limits<double>::quiet_NaN(), 1.0), 0);
    EXPECT_EQ(FrameClock::delayUntil(100.0, 0.0), 1000);
}

} // namespace
