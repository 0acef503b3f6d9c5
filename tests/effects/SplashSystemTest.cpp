#include "effects/SplashSystem.h"

#include "EffectFixture.h"

#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>

using namespace tavik;
using test::frameAt;

namespace {
constexpr double kFrame = 1.0 / 60;
constexpr double kDockTop = 60;
constexpr double kHoverY = 40;

DockGeometry dockAt(double minX, double maxX, bool visible = true)
{
    DockGeometry geometry;
    geometry.rect = QRectF(minX, 4, maxX - minX, kDockTop - 4);
    geometry.isVisible = visible;
    return geometry;
}

// Live splashes by where they sit: bottom edge, dock top, or beside the dock at the pointer.
std::array<int, 3> bySource(const SplashSystem& splash)
{
    std::array<int, 3> counts{};
    for (const auto& child : splash.node().children())
        ++counts[child->position().y() == 0 ? 0 : child->position().y() == kDockTop ? 1 : 2];
    return counts;
}

class SplashSystemTest : public test::EffectFixture {
protected:
    SplashSystemTest() { dock.setGeometry(dockAt(400, 1000)); }

    SplashSystem make(QSizeF size = {1440, 900}, ScreenRenderInfo info = {true, 2})
    {
        return SplashSystem(size, settings, EffectContext{scene.random(), dock, info.backingScale}, info);
    }

    // Frames of 1/60 s over `seconds` after a first frame, which only starts the clock.
    void run(SplashSystem& splash, double seconds, std::optional<QPointF> hover = std::nullopt)
    {
        splash.step(frameAt(now, 0, {}, hover));
        for (int i = 0; i < int(std::lround(seconds / kFrame)); ++i)
            splash.step(frameAt(now += kFrame, kFrame, {}, hover));
    }

    double now = 10;
};

} // namespace

TEST_F(SplashSystemTest, RatesPerSourceFollowTheDropsAndHalveInLowPower)
{
    settings.setDropsPerSecond(100);
    settings.setIgnoreDockScreen(false);
    SplashSystem splash = make();
    // The pointer low on the screen but beside the dock: hover splashes at its own height.
    const QPointF pointer(200, kHoverY);
    run(splash, 2, pointer);
    EXPECT_NEAR(bySource(splash)[0], 120, 1);
    EXPECT_NEAR(bySource(splash)[1], 120, 1);
    EXPECT_NEAR(bySource(splash)[2], 180, 1);

    settings.setLowPowerMode(true);
    SplashSystem saving = make();
    run(saving, 2, pointer);
    EXPECT_NEAR(bySource(saving)[0], 60, 1);
    EXPECT_NEAR(bySource(saving)[1], 60, 1);
    EXPECT_NEAR(bySource(saving)[2], 90, 1);
}

TEST_F(SplashSystemTest, NothingOnTheFirstFrameOrWithoutRainAndNoDebtFromNegativeRates)
{
    settings.setDropsPerSecond(100);
    SplashSystem splash = make();
    splash.step(frameAt(5, kFrame, {}, QPointF(200, kHoverY)));
    splash.step(frameAt(5.01, 0.01));
    EXPECT_NEAR(splash.bottomAccumulator(), 0.6, 1e-9);
    settings.setRainEnabled(false);
    splash.step(frameAt(6, 0.99, {}, QPointF(200, kHoverY)));
    EXPECT_TRUE(splash.node().children().empty());
    EXPECT_NEAR(splash.bottomAccumulator(), 0.6, 1e-9);

    // A negative setting must not run up a debt that outlasts it.
    settings.setRainEnabled(true);
    settings.setDropsPerSecond(-1000);
    splash.step(frameAt(6.05, 0.05));
    EXPECT_GE(splash.bottomAccumulator(), 0);
}

TEST_F(SplashSystemTest, AStallOrAHugeRateMakesNoBurst)
{
    settings.setDropsPerSecond(100000); // beyond the range: 120 a second
    settings.setIgnoreDockScreen(false);
    SplashSystem splash = make();
    splash.step(frameAt(1, kFrame));
    // A five-second stall counts as 1/15 s: 4.8 splashes at the bottom and on the dock, 7.2
    // under the pointer.
    splash.step(frameAt(6, 5, {}, QPointF(200, kHoverY)));
    EXPECT_EQ(splash.node().children().size(), 4u + 4u + 7u);
    EXPECT_NEAR(splash.bottomAccumulator(), 0.8, 1e-9);
    EXPECT_NEAR(splash.dockAccumulator(), 0.8, 1e-9);
    EXPECT_NEAR(splash.hoverAccumulator(), 0.2, 1e-9);
}

TEST_F(SplashSystemTest, IgnoringTheDockScreenKeepsBottomSplashesOutOfTheDocksSpan)
{
    settings.setDropsPerSecond(120);
    settings.setIgnoreDockScreen(true);
    settings.setHoverDockEffect(false);

    const auto bottomInsideDock = [&](SplashSystem& splash) {
        run(splash, 3);
        int inside = 0;
        int bottom = 0;
        for (const auto& child : splash.node().children()) {
            if (child->position().y() != 0)
                continue;
            ++bottom;
            inside += child->position().x() >= 400 && child->position().x() <= 1000;
        }
        EXPECT_GT(bottom, 50);
        return inside;
    };

    SplashSystem onDockDisplay = make();
    EXPECT_EQ(bottomInsideDock(onDockDisplay), 0);
    SplashSystem elsewhere = make({1440, 900}, {false, 1});
    EXPECT_GT(bottomInsideDock(elsewhere), 0);
    dock.setGeometry(dockAt(400, 1000, false));
    SplashSystem hiddenDock = make();
    EXPECT_GT(bottomInsideDock(hiddenDock), 0);
}

TEST_F(SplashSystemTest, DockProfileIsSampledEvery12PointsAndCachedUnlessRealtime)
{
    settings.setRealtimeDockSplash(false);
    dock.setGeometry(dockAt(-50, 200));
    SplashSystem splash = make({100, 900});
    const auto profile = splash.dockProfile();
    ASSERT_EQ(profile.size(), 9u);
    for (std::size_t i = 0; i < profile.size(); ++i)
        EXPECT_EQ(profile[i], QPointF(12.5 * double(i), kDockTop));

    // Cached: a moved dock shows only once the profile is marked dirty.
    dock.setGeometry(dockAt(30, 60));
    EXPECT_EQ(splash.dockProfile().size(), 9u);
    splash.setDockProfileDirty();
    EXPECT_EQ(splash.dockProfile().size(), 2u); // 37.5 and 50
    dock.setGeometry(dockAt(30, 60, false));
    splash.setDockProfileDirty();
    EXPECT_TRUE(splash.dockProfile().empty());

    // Realtime follows the dock every frame, except in low power.
    settings.setRealtimeDockSplash(true);
    dock.setGeometry(dockAt(0, 100));
    EXPECT_EQ(splash.dockProfile().size(), 9u);
    settings.setLowPowerMode(true);
    EXPECT_TRUE(splash.dockProfile().empty());

}

TEST_F(SplashSystemTest, DropletCountsGrowWithTheDropSize)
{
    SplashSystem splash = make();
    const auto droplets = [&](double width, double height, bool energetic) {
        settings.setDropWidth(width);
        settings.setDropHeight(height);
        splash.spawnSplash({10, 10}, energetic);
        return static_cast<const sprite::EmitterNode&>(*splash.node().children().back()).numParticlesToEmit();
    };
    EXPECT_EQ(droplets(0, 0, false), 4);
    EXPECT_EQ(droplets(0, 0, true), 7);
    EXPECT_EQ(droplets(100, 100, false), 7);
    EXPECT_EQ(droplets(100, 100, true), 10);
    // Sizes beyond the range (a saved scene may carry any) count as its ends.
    EXPECT_EQ(droplets(1e12, 1e12, true), 10);
    EXPECT_EQ(droplets(-1e12, -1e12, false), 4);
}

TEST_F(SplashSystemTest, ASplashThrowsItsDropletsUpAndRemovesItself)
{
    settings.setDropWidth(100);
    settings.setDropHeight(100);
    SplashSystem splash = make();
    scene.addChild(splash.takeNode());
    splash.spawnSplash({300, 50}, true);
    const auto& emitter = static_cast<const sprite::EmitterNode&>(*splash.node().children().front());

    scene.advance(0);
    scene.advance(0.03);
    EXPECT_EQ(emitter.emittedCount(), 10u);
    double upwards = 0;
    for (const sprite::Particle& p : emitter.particles())
        upwards += p.vy / double(emitter.particleCount());
    EXPECT_GT(upwards, 50);

    for (int frame = 2; frame < 40; ++frame)
        scene.advance(frame * 0.03);
    EXPECT_TRUE(splash.node().children().empty());
}

TEST_F(SplashSystemTest, HoverSplashesOnlyLowDownAndOnTopOfTheDockUnderThePointer)
{
    settings.setDropsPerSecond(100);
    settings.setBottomScreenSplash(false);
    settings.setRealtimeDockSplash(false);
    dock.setGeometry(dockAt(400, 1000, false)); // hidden: no dock splashes, the rect still counts
    SplashSystem splash = make();

    run(splash, 1, QPointF(700, 0.34 * 900));
    EXPECT_TRUE(splash.node().children().empty());

    run(splash, 1, QPointF(700, 0.2 * 900));
    ASSERT_GT(splash.node().children().size(), 50u);
    for (const auto& child : splash.node().children()) {
        EXPECT_EQ(child->position().y(), kDockTop);
        EXPECT_LE(std::abs(child->position().x() - 700), 28);
        EXPECT_TRUE(static_cast<const sprite::EmitterNode&>(*child).numParticlesToEmit() > 5);
    }

    // On a display without the dock, the dock's rectangle means nothing: splashes stay at
    // the pointer.
    SplashSystem other = make({1440, 900}, {false, 1});
    run(other, 1, QPointF(700, 0.2 * 900));
    ASSERT_FALSE(other.node().children().empty());
    for (const auto& child : other.node().children())
        EXPECT_EQ(child->position().y(), 0.2 * 900);
}
