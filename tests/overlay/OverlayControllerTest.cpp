#include "overlay/FrameClock.h"
#include "overlay/OverlayController.h"

#include "core/DockGeometry.h"
#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QTest>
#include <QtNumeric>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace tavik;

namespace {

constexpr int kSettle = 2000; // ms: the settings debounce and a few frames

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
    NoDockGeometry dock;
    OverlayController controller;
};

// An empty picture is drawn once, to clear the window; switched off, the clock sleeps too.
TEST_F(OverlayControllerTest, AnEmptyPictureIsDrawnOnceAndSwitchedOffNothingTicks)
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
    store.setEnabled(false);
    EXPECT_TRUE(settles([&] { return !status("clockTicking").toBool(); }));
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

TEST_F(OverlayControllerTest, FrameRateFollowsTheNearestWholeRateWithinItsLimits)
{
    controller.start();
    const struct {
        double maxFPS;
        bool lowPower;
        int expected;
    } cases[] = {
        {44.5, false, 45}, {44.4, false, 44}, {120, true, 30}, {0.2, false, 1},
        {qQNaN(), false, 60}, {1e9, false, 240},
    };
    for (const auto& c : cases) {
        store.setMaxFPS(c.maxFPS);
        store.setLowPowerMode(c.lowPower);
        EXPECT_TRUE(settles([&] { return status("framesPerSecond").toInt() == c.expected; }))
            << c.maxFPS << " low power " << c.lowPower << " gave " << status("framesPerSecond").toInt();
    }
}

struct CountingTarget final : FrameTarget {
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
    EXPECT_EQ(FrameClock::delayUntil(qQNaN(), 1.0), 0);
    EXPECT_EQ(FrameClock::delayUntil(100.0, 0.0), 1000);
}

} // namespace
