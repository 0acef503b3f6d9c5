#include "effects/DockSettleSystem.h"

#include "EffectFixture.h"

#include "sprite/Scene.h"

#include <gtest/gtest.h>

using namespace tavik;
using test::frameAt;

namespace {
constexpr double kDockTop = 70;

DockGeometry dockAt(double minX, double maxX, bool visible = true)
{
    DockGeometry geometry;
    geometry.rect = QRectF(minX, 0, maxX - minX, kDockTop);
    geometry.isVisible = visible;
    return geometry;
}

class DockSettleSystemTest : public test::EffectFixture {
protected:
    DockSettleSystemTest()
    {
        dock.setGeometry(dockAt(400, 1000));
        settings.setDockSettleEnabled(true);
        settings.setLeavesEnabled(false);
        settings.setPetalsEnabled(false);
        settings.setSnowEnabled(true);
        settings.setSnowflakesEnabled(false);
    }

    DockSettleSystem make(QSizeF size = {1440, 900})
    {
        DockSettleSystem system(size, settings, EffectContext{scene.random(), dock, 2});
        system.apply(settings);
        return system;
    }
};

} // namespace

TEST_F(DockSettleSystemTest, TimerRearmsEveryFewSecondsAndStopsWhenNothingMaySettle)
{
    DockSettleSystem system = make();
    const double first = system.timeToNext();
    EXPECT_GE(first, 1.5);
    EXPECT_LE(first, 4);

    system.step(frameAt(0, first - 0.01));
    EXPECT_TRUE(system.node().children().empty());
    system.step(frameAt(0, 0.02));
    EXPECT_EQ(system.node().children().size(), 1u);
    EXPECT_GE(system.timeToNext(), 2.5);
    EXPECT_LE(system.timeToNext(), 6.5);

    // With no dock, or a hidden one, nothing lands but the timer keeps going.
    dock.setGeometry(std::nullopt);
    system.step(frameAt(0, system.timeToNext()));
    dock.setGeometry(dockAt(400, 1000, false));
    system.step(frameAt(0, system.timeToNext()));
    EXPECT_EQ(system.node().children().size(), 1u);
    EXPECT_GE(system.timeToNext(), 2.5);

    // Nothing that could settle: the timer stands still.
    settings.setSnowEnabled(false);
    system.apply(settings);
    const double waiting = system.timeToNext();
    system.step(frameAt(0, 100));
    EXPECT_EQ(system.timeToNext(), waiting);
}

TEST_F(DockSettleSystemTest, LandingSpanIsTheDockClippedToTheSceneAndStartsStayInside)
{
    const auto span = DockSettleSystem::landingSpan(QRectF(-100, 0, 400, 70), 200);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->lo, 0);
    EXPECT_EQ(span->hi, 200);
    EXPECT_FALSE(DockSettleSystem::landingSpan(QRectF(-100, 0, 124, 70), 200)); // 24 left
    EXPECT_TRUE(DockSettleSystem::landingSpan(QRectF(-100, 0, 125, 70), 200));
    EXPECT_FALSE(DockSettleSystem::landingSpan(QRectF(190, 0, 400, 70), 200));
    EXPECT_FALSE(DockSettleSystem::landingSpan(QRectF(0, 0, 400, 70), 0)); // scene of one point

    dock.setGeometry(dockAt(1420, 1600)); // 20 points of it on this display
    DockSettleSystem system = make();
    EXPECT_EQ(system.spawnOne(), nullptr);

    // A dock hanging over the right edge: items still start within the scene, above it.
    dock.setGeometry(dockAt(1300, 1500));
    for (int i = 0; i < 200; ++i) {
        const sprite::SpriteNode* spawned = system.spawnOne();
        ASSERT_NE(spawned, nullptr);
        EXPECT_GE(spawned->position().x(), 0);
        EXPECT_LE(spawned->position().x(), 1440);
        EXPECT_GE(spawned->position().y(), 910);
    }
}

TEST_F(DockSettleSystemTest, AnItemFallsRestsOnTheDockFadesAndGoes)
{
    dock.setGeometry(dockAt(1300, 1500));
    DockSettleSystem system = make();
    scene.addChild(system.takeNode());
    sprite::SpriteNode* spawned = system.spawnOne();
    ASSERT_NE(spawned, nullptr);

    scene.advance(0);
    double t = 0;
    // The longest fall: (960 − 72) / 80 ≈ 11.1 s; the shortest rest 2.5 s.
    for (; t < 11.5; t += 0.05)
        scene.advance(t);
    ASSERT_EQ(system.node().children().size(), 1u);
    EXPECT_GE(spawned->position().x(), 1300);
    EXPECT_LE(spawned->position().x(), 1440);
    EXPECT_GE(spawned->position().y(), kDockTop + 2);
    EXPECT_LE(spawned->position().y(), kDockTop + 10);
    EXPECT_GE(spawned->alpha(), 0.85 - 1e-6);

    // Longest stay: 11.1 s fall, 6.5 s rest, 2.4 s fade.
    for (; t < 20.5; t += 0.05)
        scene.advance(t);
    EXPECT_TRUE(system.node().children().empty());
}

TEST_F(DockSettleSystemTest, SnowItemsAreTintedFlakesAndFoliageIsDrawnInItsColour)
{
    settings.setSnowColorHex("#80C0FF");
    DockSettleSystem system = make();
    for (int i = 0; i < 20; ++i) {
        const sprite::SpriteNode* spawned = system.spawnOne();
        ASSERT_NE(spawned, nullptr);
        EXPECT_EQ(spawned->texture(), system.flakeTexture());
        EXPECT_EQ(spawned->color(), sprite::Color::fromQColor(QColor("#80C0FF")));
        EXPECT_GE(spawned->xScale(), 0.7);
        EXPECT_LE(spawned->xScale(), 1.2);
    }
    settings.setSnowflakesEnabled(true);
    system.apply(settings);
    const sprite::SpriteNode* crystal = system.spawnOne();
    EXPECT_EQ(crystal->texture(), system.crystalFlake());
    EXPECT_LE(crystal->xScale(), 0.7);

    // An unreadable leaf colour gives orange leaves.
    settings.setSnowEnabled(false);
    settings.setLeavesEnabled(true);
    settings.setLeafColorHex("autumn");
    system.apply(settings);
    const sprite::SpriteNode* leaf = system.spawnOne();
    ASSERT_NE(leaf, nullptr);
    // At 2 pixels per point, pixel (16, 12) is the point (8, 9.75): leaf, not midrib.
    EXPECT_EQ(QColor::fromRgba(leaf->texture()->image().pixel(16, 12)), FallbackColor::orange);
}
