#include "EffectFixture.h"

#include "effects/DockSettleSystem.h"
#include "effects/SplashSystem.h"

#include "sprite/EmitterNode.h"

#include <algorithm>
#include <array>
#include <cmath>

using namespace tavik;
using namespace tavik::test;

namespace {
constexpr double kDockTop = 60;
constexpr double kHoverY = 40;

int droplets(const sprite::Node& splash) { return static_cast<const sprite::EmitterNode&>(splash).numParticlesToEmit(); }

class SplashSystemTest : public EffectFixture {
protected:
    SplashSystemTest()
    {
        dock.setGeometry(dockAt(400, 1000));
        settings.setDropsPerSecond(100);
    }

    SplashSystem make(QSizeF size = kSceneSize, ScreenRenderInfo info = {true, 2})
    {
        return SplashSystem(size, settings, context(info.backingScale), info);
    }

    void run(SplashSystem& splash, double seconds, std::optional<QPointF> hover = std::nullopt)
    {
        splash.step(frameAt(now, 0, {}, hover));
        for (int i = 0; i < int(std::lround(seconds / kFrame)); ++i)
            splash.step(frameAt(now += kFrame, kFrame, {}, hover));
    }
};

TEST_F(SplashSystemTest, RatesPerSourceFollowTheDropsAndHalveInLowPower)
{
    settings.setIgnoreDockScreen(false);
    // The pointer low down beside the dock: hover splashes at its height.
    for (const auto& [saving, share] : {std::pair{false, 1.0}, {true, 0.5}}) {
        settings.setLowPowerMode(saving);
        SplashSystem splash = make();
        run(splash, 2, QPointF(200, kHoverY));
        std::array<int, 3> counts{}; // bottom edge, dock top, pointer height
        for (const auto& child : splash.node().children())
            ++counts[child->position().y() == 0 ? 0 : child->position().y() == kDockTop ? 1 : 2];
        EXPECT_NEAR(counts[0], 120 * share, 1);
        EXPECT_NEAR(counts[1], 120 * share, 1);
        EXPECT_NEAR(counts[2], 180 * share, 1);
    }
}

TEST_F(SplashSystemTest, NothingOnTheFirstFrameOrWithoutRainAndNoBurstFromAStallOrAHugeRate)
{
    SplashSystem splash = make();
    splash.step(frameAt(5, kFrame, {}, QPointF(200, kHoverY)));
    splash.step(frameAt(5.01, 0.01));
    EXPECT_NEAR(splash.bottomAccumulator(), 0.6, 1e-9);
    settings.setRainEnabled(false);
    splash.step(frameAt(6, 0.99, {}, QPointF(200, kHoverY)));
    EXPECT_TRUE(splash.node().children().empty());
    // A negative setting runs up no debt.
    settings.setRainEnabled(true);
    settings.setDropsPerSecond(-1000);
    splash.step(frameAt(6.05, 0.05));
    EXPECT_GE(splash.bottomAccumulator(), 0);

    // 120 drops a second at most; a five-second stall counts as 1/15 s.
    settings.setDropsPerSecond(100000);
    settings.setIgnoreDockScreen(false);
    SplashSystem stalled = make();
    stalled.step(frameAt(1, kFrame));
    stalled.step(frameAt(6, 5, {}, QPointF(200, kHoverY)));
    EXPECT_EQ(stalled.node().children().size(), 4u + 4u + 7u);
    EXPECT_NEAR(stalled.dockAccumulator(), 0.8, 1e-9);
    EXPECT_NEAR(stalled.hoverAccumulator(), 0.2, 1e-9);
}

TEST_F(SplashSystemTest, IgnoringTheDockScreenKeepsBottomSplashesOutOfTheDocksSpan)
{
    settings.setDropsPerSecond(120);
    settings.setIgnoreDockScreen(true);
    settings.setHoverDockEffect(false);
    const auto bottomInsideDock = [&](SplashSystem splash) {
        run(splash, 3);
        const auto& all = splash.node().children();
        EXPECT_GT(std::ranges::count_if(all, [](const auto& child) { return child->position().y() == 0; }), 50);
        return std::ranges::count_if(all, [](const auto& child) {
            return child->position().y() == 0 && child->position().x() >= 400 && child->position().x() <= 1000;
        });
    };
    EXPECT_EQ(bottomInsideDock(make()), 0);
    EXPECT_GT(bottomInsideDock(make(kSceneSize, {false, 1})), 0) << "another display";
    dock.setGeometry(dockAt(400, 1000, kDockTop, false));
    EXPECT_GT(bottomInsideDock(make()), 0) << "a hidden dock";
}

TEST_F(SplashSystemTest, DockProfileIsSampledEvery12PointsAndCachedUnlessRealtime)
{
    settings.setRealtimeDockSplash(false);
    dock.setGeometry(dockAt(-50, 200));
    SplashSystem splash = make({100, 900});
    EXPECT_EQ(splash.dockProfile().size(), 9u); // 0, 12.5, ... 100

    // Cached until marked dirty.
    dock.setGeometry(dockAt(30, 60));
    EXPECT_EQ(splash.dockProfile().size(), 9u);
    splash.setDockProfileDirty();
    EXPECT_EQ(splash.dockProfile().size(), 2u); // 37.5 and 50
    dock.setGeometry(dockAt(30, 60, kDockTop, false));
    splash.setDockProfileDirty();
    EXPECT_TRUE(splash.dockProfile().empty());

    // Realtime follows the dock, except in low power.
    settings.setRealtimeDockSplash(true);
    dock.setGeometry(dockAt(0, 100));
    EXPECT_EQ(splash.dockProfile().size(), 9u);
    settings.setLowPowerMode(true);
    EXPECT_TRUE(splash.dockProfile().empty());
}

TEST_F(SplashSystemTest, BiggerDropsThrowMoreDropletsUpAndASplashRemovesItself)
{
    SplashSystem splash = make();
    const auto thrown = [&](double size, bool energetic) {
        settings.setDropWidth(size);
        settings.setDropHeight(size);
        splash.spawnSplash({10, 10}, energetic);
        return droplets(*splash.node().children().back());
    };
    // Sizes beyond the range count as its ends.
    for (const auto& [size, calm, energetic] : {std::tuple{0.0, 4, 7}, {-1e12, 4, 7}, {1e12, 7, 10}}) {
        EXPECT_EQ(thrown(size, false), calm) << size;
        EXPECT_EQ(thrown(size, true), energetic) << size;
    }

    scene.addChild(splash.takeNode());
    splash.spawnSplash({300, 50}, true);
    const auto& emitter = static_cast<const sprite::EmitterNode&>(*splash.node().children().back());
    scene.advance(0);
    scene.advance(0.03);
    EXPECT_EQ(emitter.emittedCount(), 10u);
    for (int frame = 2; frame < 40; ++frame)
        scene.advance(frame * 0.03);
    EXPECT_TRUE(splash.node().children().empty());
}

TEST_F(SplashSystemTest, HoverSplashesOnlyLowDownAndOnTopOfTheDockUnderThePointer)
{
    settings.setBottomScreenSplash(false);
    settings.setRealtimeDockSplash(false);
    dock.setGeometry(dockAt(400, 1000, kDockTop, false)); // hidden, but its span still counts
    SplashSystem splash = make();
    run(splash, 1, QPointF(700, 0.34 * 900));
    EXPECT_TRUE(splash.node().children().empty());

    run(splash, 1, QPointF(700, 0.2 * 900));
    ASSERT_GT(splash.node().children().size(), 50u);
    for (const auto& child : splash.node().children()) {
        EXPECT_EQ(child->position().y(), kDockTop);
        EXPECT_LE(std::abs(child->position().x() - 700), 28);
        EXPECT_GT(droplets(*child), 5) << "energetic";
    }
    SplashSystem other = make(kSceneSize, {false, 1});
    run(other, 1, QPointF(700, 0.2 * 900));
    ASSERT_FALSE(other.node().children().empty());
    for (const auto& child : other.node().children())
        EXPECT_EQ(child->position().y(), 0.2 * 900);
}

class DockSettleSystemTest : public EffectFixture {
protected:
    DockSettleSystemTest()
    {
        dock.setGeometry(dockAt(400, 1000, 70));
        settings.setDockSettleEnabled(true);
        settings.setLeavesEnabled(false);
        settings.setSnowEnabled(true);
    }

    DockSettleSystem make()
    {
        DockSettleSystem system(kSceneSize, settings, context(2));
        system.apply(settings);
        return system;
    }
};

TEST_F(DockSettleSystemTest, TimerRearmsEveryFewSecondsAndStopsWhenNothingMaySettle)
{
    DockSettleSystem system = make();
    const double first = system.timeToNext();
    EXPECT_TRUE(first >= 1.5 && first <= 4) << first;
    system.step(frameAt(0, first - 0.01));
    EXPECT_TRUE(system.node().children().empty());
    system.step(frameAt(0, 0.02));
    EXPECT_EQ(system.node().children().size(), 1u);

    // No dock, or a hidden one: nothing lands, the timer keeps going.
    dock.setGeometry(std::nullopt);
    system.step(frameAt(0, system.timeToNext()));
    dock.setGeometry(dockAt(400, 1000, 70, false));
    system.step(frameAt(0, system.timeToNext()));
    EXPECT_EQ(system.node().children().size(), 1u);
    EXPECT_TRUE(system.timeToNext() >= 2.5 && system.timeToNext() <= 6.5) << "rearmed";

    // Nothing could settle: the timer stands still.
    settings.setSnowEnabled(false);
    system.apply(settings);
    const double waiting = system.timeToNext();
    system.step(frameAt(0, 100));
    EXPECT_EQ(system.timeToNext(), waiting);
}

TEST_F(DockSettleSystemTest, TintedItemsStartAboveTheSceneFallOntoTheDockRestFadeAndGo)
{
    dock.setGeometry(dockAt(1420, 1600, 70)); // 20 points of it on this display
    settings.setSnowColorHex("#80C0FF");
    DockSettleSystem system = make();
    EXPECT_EQ(system.spawnOne(), nullptr);

    // A dock over the right edge: items still start within the scene, above it, tinted.
    dock.setGeometry(dockAt(1300, 1500, 70));
    for (int i = 0; i < 100; ++i) {
        const sprite::SpriteNode* spawned = system.spawnOne();
        ASSERT_NE(spawned, nullptr);
        EXPECT_TRUE(spawned->position().x() >= 0 && spawned->position().x() <= 1440) << spawned->position().x();
        EXPECT_GE(spawned->position().y(), 910);
        EXPECT_EQ(spawned->color(), sprite::Color::fromQColor(QColor("#80C0FF")));
    }

    DockSettleSystem falling = make();
    scene.addChild(falling.takeNode());
    sprite::SpriteNode* spawned = falling.spawnOne();
    scene.advance(0);
    double t = 0;
    // Longest fall about 11.1 s, shortest rest 2.5 s, longest stay 20 s.
    for (; t < 11.5; t += 0.05)
        scene.advance(t);
    ASSERT_EQ(falling.node().children().size(), 1u);
    EXPECT_TRUE(spawned->position().x() >= 1300 && spawned->position().x() <= 1440) << spawned->position().x();
    EXPECT_TRUE(spawned->position().y() >= 70 + 2 && spawned->position().y() <= 70 + 10) << spawned->position().y();
    EXPECT_GE(spawned->alpha(), 0.85 - 1e-6);
    for (; t < 20.5; t += 0.05)
        scene.advance(t);
    EXPECT_TRUE(falling.node().children().empty());
}

} // namespace
