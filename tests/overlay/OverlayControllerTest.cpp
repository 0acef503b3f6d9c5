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
#include <limits>

using namespace tavik;

namespace {

// Long enough for the settings debounce and a few frames, short enough for a quick test.
constexpr int kSettle = 2000;

class OverlayControllerTest : public ::testing::Test {
protected:
    OverlayControllerTest() : store(database), controller(store, dock) {}

    QJsonArray overlays() const { return controller.status().value(QStringLiteral("overlays")).toArray(); }
    QJsonObject first() const { return overlays().at(0).toObject(); }
    int framesPerSecond() const { return controller.status().value(QStringLiteral("framesPerSecond")).toInt(); }
    bool ticking() const { return controller.status().value(QStringLiteral("clockTicking")).toBool(); }

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
    EXPECT_EQ(first().value(QStringLiteral("id")).toString(), displayId);
    EXPECT_TRUE(first().value(QStringLiteral("visible")).toBool());
    EXPECT_TRUE(QTest::qWaitFor([&] { return controller.firstFrameMilliseconds() >= 0; }, kSettle));
    const QString firstWindow = first().value(QStringLiteral("windowId")).toString();

    store.setMonitor(displayId, false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return overlays().isEmpty(); }, kSettle));
    EXPECT_FALSE(ticking()); // nothing left to draw, so the clock sleeps

    store.setMonitor(displayId, true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return overlays().size() == 1; }, kSettle));
    EXPECT_NE(first().value(QStringLiteral("windowId")).toString(), firstWindow); // a fresh window
}

TEST_F(OverlayControllerTest, HidesAndPausesWhileOffOrLockedAndDrawsNothingThen)
{
    controller.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first().value(QStringLiteral("frames")).toDouble() > 0; }, kSettle));

    store.setEnabled(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first().value(QStringLiteral("visible")).toBool(); }, kSettle));
    EXPECT_TRUE(first().value(QStringLiteral("paused")).toBool());
    EXPECT_FALSE(ticking());
    const double framesWhileOff = first().value(QStringLiteral("frames")).toDouble();
    QTest::qWait(300);
    EXPECT_EQ(first().value(QStringLiteral("frames")).toDouble(), framesWhileOff);

    store.setEnabled(true);
    store.setScreenLocked(true);
    QTest::qWait(300);
    EXPECT_FALSE(first().value(QStringLiteral("visible")).toBool());

    store.setScreenLocked(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first().value(QStringLiteral("visible")).toBool(); }, kSettle));
    EXPECT_TRUE(QTest::qWaitFor([&] { return first().value(QStringLiteral("frames")).toDouble() > framesWhileOff; },
                                kSettle));
}

// A picture with nothing in it is drawn once, to clear the window, and then costs no drawing
// while the clock goes on; something to show brings the frames back.
TEST_F(OverlayControllerTest, AnEmptyPictureIsDrawnOnceAndThenNotAgain)
{
    store.setRainEnabled(false);
    store.setLeavesEnabled(false);
    store.setFirefliesEnabled(false);
    controller.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return first().value(QStringLiteral("frames")).toDouble() > 0; }, kSettle));
    QTest::qWait(200);
    const double framesWhileEmpty = first().value(QStringLiteral("frames")).toDouble();
    QTest::qWait(300);
    EXPECT_TRUE(ticking());
    EXPECT_EQ(first().value(QStringLiteral("frames")).toDouble(), framesWhileEmpty);

    store.setRainEnabled(true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return first().value(QStringLiteral("frames")).toDouble() > framesWhileEmpty + 2; },
                                kSettle));
}

TEST_F(OverlayControllerTest, CloudsGoBelowWindowsOnlyWhileTheOverlayFloatsAboveThem)
{
    controller.start();
    EXPECT_FALSE(first().contains(QStringLiteral("underlay")));

    store.setCloudFloatBehind(true);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first().contains(QStringLiteral("underlay")); }, kSettle));
    const QJsonObject underlay = first().value(QStringLiteral("underlay")).toObject();
    EXPECT_EQ(underlay.value(QStringLiteral("level")).toString(), QStringLiteral("desktop"));
    EXPECT_EQ(first().value(QStringLiteral("level")).toString(), QStringLiteral("aboveWindows"));

    // With the overlay itself at desktop level, floating behind has no meaning.
    store.setFloatsAboveWindows(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !first().contains(QStringLiteral("underlay")); }, kSettle));
    EXPECT_EQ(first().value(QStringLiteral("level")).toString(), QStringLiteral("desktop"));
}

// A Wayland session has no X11 desktop window and its windows are no X11 windows: nothing can
// go behind them, so the scene stays above them whatever the switch says, clouds included.
TEST_F(OverlayControllerTest, OnAWaylandSessionTheSceneAndItsCloudsStayAboveWindows)
{
    const QByteArray before = qgetenv("WAYLAND_DISPLAY");
    qputenv("WAYLAND_DISPLAY", "wayland-1");
    store.setFloatsAboveWindows(false);
    store.setCloudFloatBehind(true);
    controller.start();
    EXPECT_EQ(first().value(QStringLiteral("level")).toString(), QStringLiteral("aboveWindows"));

    store.setFloatsAboveWindows(true);
    QTest::qWait(300);
    EXPECT_FALSE(first().contains(QStringLiteral("underlay")));
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
        EXPECT_TRUE(QTest::qWaitFor([&] { return framesPerSecond() == c.expected; }, kSettle))
            << c.maxFPS << " low power " << c.lowPower << " gave " << framesPerSecond();
    }
}

TEST_F(OverlayControllerTest, TheDisplayHoldingTheDockHostsIt)
{
    DockGeometry geometry;
    geometry.screenId = displayId;
    geometry.rect = QRectF(0, 0, 800, 48);
    dock.setGeometry(geometry);
    controller.start();
    EXPECT_TRUE(first().value(QStringLiteral("hostsDock")).toBool());

    geometry.screenId = QStringLiteral("elsewhere");
    dock.setGeometry(geometry);
    controller.dockGeometryChanged();
    EXPECT_FALSE(first().value(QStringLiteral("hostsDock")).toBool());
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
    // One clock, one pass per tick: neither display falls behind the other.
    EXPECT_LE(std::abs(a.frames - b.frames), 1);

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
}

TEST(FrameClockTest, WaitsWholeMillisecondsUntilTheNextTickAndNeverNegative)
{
    EXPECT_EQ(FrameClock::delayUntil(1.0, 1.0 - 0.0161), 17);
    EXPECT_EQ(FrameClock::delayUntil(1.0, 1.5), 0);
    EXPECT_EQ(FrameClock::delayUntil(std::numeric_limits<double>::quiet_NaN(), 1.0), 0);
    EXPECT_EQ(FrameClock::delayUntil(100.0, 0.0), 1000);
}

} // namespace
