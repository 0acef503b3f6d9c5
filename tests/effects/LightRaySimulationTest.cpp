#include "effects/LightRaySimulation.h"

#include "EffectFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tavik;

namespace {
constexpr QSizeF kScene{1200, 900};
const sprite::Color kWarm{1.0f, 0.9f, 0.66f, 1.0f};

class RayTest : public test::EffectFixture {
protected:
    static LightRaySimulation::Configuration rays(double angle, double intensity = 50, double speed = 40)
    {
        return {true, intensity, angle, speed, kWarm};
    }

    LightRaySimulation sim{kScene, context(1)};
};

TEST_F(RayTest, SlantPicksTheCornerAndShaftsSpanTheScene)
{
    sim.configure(rays(-1), kScene);
    EXPECT_FALSE(sim.node().isHidden());
    EXPECT_DOUBLE_EQ(sim.sourceX(), 0.9 * 1200);
    EXPECT_NEAR(sim.angle(), -std::numbers::pi / 180, 1e-12);
    sim.configure(rays(0), kScene);
    EXPECT_DOUBLE_EQ(sim.sourceX(), 0.1 * 1200);
    sim.configure(rays(1), kScene);
    EXPECT_DOUBLE_EQ(sim.sourceX(), 0.1 * 1200);

    EXPECT_DOUBLE_EQ(sim.length(), 1.25 * 1500); // the diagonal of 1200 × 900
    const double widths[] = {34, 48, 70, 50, 38};
    for (std::size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(sim.shafts()[i].sprite->size(), QSizeF(widths[i], 1.25 * 1500));
        EXPECT_EQ(sim.shafts()[i].sprite->color(), kWarm);
    }
}

TEST_F(RayTest, IntensitySetsEachShaftsShareAndZeroKeepsThemInvisible)
{
    sim.configure(rays(20, 100), kScene);
    const double shares[] = {0.55, 0.8, 1.0, 0.75, 0.6};
    for (std::size_t i = 0; i < 5; ++i) {
        const auto& shaft = sim.shafts()[i];
        EXPECT_NEAR(shaft.baseAlpha, 0.3 * shares[i], 1e-12);
        // Breathing between 0.6 and 1.0 of the base.
        EXPECT_GE(shaft.sprite->alpha(), 0.6 * shaft.baseAlpha - 1e-12);
        EXPECT_LE(shaft.sprite->alpha(), shaft.baseAlpha + 1e-12);
    }

    sim.configure(rays(20, 0), kScene);
    EXPECT_EQ(sim.node().children().size(), 5u);
    for (const auto& shaft : sim.shafts())
        EXPECT_EQ(shaft.sprite->alpha(), 0);
}

TEST_F(RayTest, LayoutHangsEveryShaftFromTheTopNearItsSlant)
{
    for (double speed : {0.0, 100.0}) {
        sim.configure(rays(30, 50, speed), kScene);
        const double maxSway = 0.14 * speed / 100 + 0.05;
        const double maxDrift = 46 * speed / 100 + 8;
        for (double phase : {0.0, 1.3, 7.9, 250.0}) {
            sim.phase = phase;
            sim.layout();
            for (const auto& shaft : sim.shafts()) {
                EXPECT_DOUBLE_EQ(shaft.sprite->position().y(), kScene.height());
                EXPECT_LE(std::abs(shaft.sprite->position().x() - (0.1 * 1200 + shaft.offset)), maxDrift + 1e-9);
                EXPECT_LE(std::abs(shaft.sprite->zRotation() - (sim.angle() + shaft.spread)), maxSway + 1e-9);
            }
        }
    }
    // Neighbours are out of step: no two shafts sway alike.
    sim.phase = 2;
    sim.layout();
    const auto& s = sim.shafts();
    EXPECT_NE(s[1].sprite->zRotation() - s[1].spread, s[2].sprite->zRotation() - s[2].spread);
}

TEST_F(RayTest, SwitchingOffOnlyHidesAndResizingKeepsThePhase)
{
    sim.configure(rays(-20), kScene);
    sim.phase = 4.2;
    sim.layout();
    const QPointF where = sim.shafts()[2].sprite->position();
    const double rotation = sim.shafts()[2].sprite->zRotation();

    auto off = rays(25, 90, 100);
    off.enabled = false;
    sim.configure(off, {600, 400});
    EXPECT_TRUE(sim.node().isHidden());
    EXPECT_EQ(sim.phase, 4.2);
    EXPECT_EQ(sim.sourceX(), 0.9 * 1200);
    EXPECT_EQ(sim.shafts()[2].sprite->position(), where);
    EXPECT_EQ(sim.shafts()[2].sprite->size().height(), 1.25 * 1500);

    // Back on at the old settings: exactly where it stopped.
    sim.configure(rays(-20), kScene);
    EXPECT_EQ(sim.shafts()[2].sprite->position(), where);
    EXPECT_EQ(sim.shafts()[2].sprite->zRotation(), rotation);

    // A new size moves the source and the length, not the clock.
    sim.configure(rays(-20), {2000, 1500});
    EXPECT_EQ(sim.phase, 4.2);
    EXPECT_DOUBLE_EQ(sim.sourceX(), 1800);
    EXPECT_DOUBLE_EQ(sim.length(), 1.25 * 2500);
    EXPECT_DOUBLE_EQ(sim.shafts()[2].sprite->position().y(), 1500);
    EXPECT_DOUBLE_EQ(sim.shafts()[2].sprite->position().x() - 1800, where.x() - 1080);
    EXPECT_EQ(sim.shafts()[2].sprite->zRotation(), rotation);
}

} // namespace
