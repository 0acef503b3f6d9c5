#include "effects/FireflySimulation.h"

#include "EffectFixture.h"

#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

using namespace tavik;

namespace {
constexpr QSizeF kScene{1000, 800};
constexpr double kFrame = 1.0 / 60;

DockGeometry dockAt(double minX, double maxX, bool visible = true)
{
    DockGeometry geometry;
    geometry.rect = QRectF(minX, 0, maxX - minX, 60);
    geometry.isVisible = visible;
    return geometry;
}

class FireflyTest : public test::EffectFixture {
protected:
    FireflyTest()
    {
        settings.setFirefliesEnabled(true);
        settings.setFireflyCount(6);
        settings.setFlightHeight(0.25);
        settings.setFlightSpeed(45);
        settings.setLowPowerMode(false);
        scene.advance(clock);
    }

    // Builds the effect with `random` and hangs its node in the scene, so its actions run.
    FireflySimulation& make(sprite::Random& random)
    {
        sim = std::make_unique<FireflySimulation>(kScene, settings, EffectContext{random, dock, 2});
        scene.addChild(sim->takeNode());
        return *sim;
    }

    void run(double seconds)
    {
        for (double t = 0; t < seconds; t += kFrame)
            scene.advance(clock += kFrame);
    }

    sprite::Scene scene{kScene};
    double clock = 100;
    sprite::Random random{3};
    std::unique_ptr<FireflySimulation> sim;
};

} // namespace

TEST_F(FireflyTest, BornInvisibleTheyFadeInThenPulseAndKeepWandering)
{
    settings.setFireflySize(50);
    FireflySimulation& fireflies = make(random);
    for (const auto& firefly : fireflies.fireflies()) {
        EXPECT_EQ(firefly.sprite->alpha(), 0);
        EXPECT_DOUBLE_EQ(firefly.sprite->size().width(), firefly.baseDiameter * 1.25);
        EXPECT_TRUE(firefly.sprite->hasAction(FireflySimulation::kWanderKey));
        EXPECT_FALSE(firefly.sprite->hasAction(FireflySimulation::kPulseKey));
    }

    run(3.7);
    for (const auto& firefly : fireflies.fireflies()) {
        EXPECT_TRUE(firefly.sprite->hasAction(FireflySimulation::kPulseKey));
        EXPECT_GE(firefly.sprite->alpha(), 0.45 * 0.7 - 1e-6);
        EXPECT_LE(firefly.sprite->alpha(), 1.0);
    }

    // The size setting resizes at once; flights never end, pulses never stop.
    settings.setFireflySize(0);
    fireflies.apply(settings);
    run(30);
    for (const auto& firefly : fireflies.fireflies()) {
        EXPECT_DOUBLE_EQ(firefly.sprite->size().width(), firefly.baseDiameter * 0.45);
        EXPECT_TRUE(firefly.sprite->hasAction(FireflySimulation::kWanderKey));
        EXPECT_TRUE(firefly.sprite->hasAction(FireflySimulation::kPulseKey));
    }
}

TEST_F(FireflyTest, FlightsStayInTheBandWhichNeverGetsThinnerThanFortyPoints)
{
    for (const auto& [height, band] : std::vector<std::pair<double, double>>{{0, 40}, {0.01, 40}, {0.5, 400}}) {
        settings.setFlightHeight(height);
        settings.setFlightSpeed(100);
        FireflySimulation& fireflies = make(random);
        EXPECT_DOUBLE_EQ(fireflies.bandHeight(), band);
        double highest = 0;
        for (int second = 0; second < 40; ++second) {
            run(1);
            for (const auto& firefly : fireflies.fireflies()) {
                const QPointF p = firefly.sprite->position();
                EXPECT_GE(p.y(), 0);
                EXPECT_LE(p.y(), band + 1e-9);
                EXPECT_GE(p.x(), 0);
                EXPECT_LE(p.x(), kScene.width());
                highest = std::max(highest, p.y());
            }
        }
        EXPECT_GT(highest, 0.7 * band) << height;
        scene.removeAllChildren();
        sim.reset();
    }
}

TEST_F(FireflyTest, WindShiftsEachNewTargetDownwindClampedToTheScreen)
{
    // Draws of 0.5: no rest; every leg aims at the middle of the band, moved by the wind.
    test::PinnedRandom pinned(0.5);
    settings.setFireflyCount(1);
    settings.setFlightSpeed(0); // 6.6 points per second
    FireflySimulation& fireflies = make(pinned);
    const sprite::SpriteNode& sprite = *fireflies.fireflies().front().sprite;
    const QPointF middle(500, 100);
    EXPECT_EQ(sprite.position(), middle);

    fireflies.windDX = 220; // 66 points further on: a ten-second leg
    fireflies.apply(settings);
    run(5);
    EXPECT_NEAR(sprite.position().x(), 533, 0.3); // half way, by the symmetric ease
    fireflies.windDX = -1000; // bends only the next leg, not this one
    run(4.9);
    EXPECT_NEAR(sprite.position().x(), 566, 0.1);
    EXPECT_NEAR(sprite.position().y(), 100, 1e-6);

    run(80); // the next legs head for 500 - 300 = 200
    EXPECT_NEAR(sprite.position().x(), 200, 1e-6);
    fireflies.windDX = 1e6;
    run(200);
    EXPECT_NEAR(sprite.position().x(), kScene.width(), 1e-6);
}

TEST_F(FireflyTest, RestsOnlyOnAVisibleDockWiderThan24PointsOfThisDisplay)
{
    FireflySimulation& fireflies = make(random);

    dock.setGeometry(std::nullopt);
    EXPECT_FALSE(fireflies.restPointOnDock());
    dock.setGeometry(dockAt(300, 700, false));
    EXPECT_FALSE(fireflies.restPointOnDock());
    dock.setGeometry(dockAt(990, 1100)); // 10 points inside the scene
    EXPECT_FALSE(fireflies.restPointOnDock());
    dock.setGeometry(dockAt(976, 1100)); // exactly 24
    EXPECT_FALSE(fireflies.restPointOnDock());
    dock.setGeometry(dockAt(975, 1100));
    ASSERT_TRUE(fireflies.restPointOnDock());

    dock.setGeometry(dockAt(-200, 400)); // only the part on screen counts
    for (int i = 0; i < 50; ++i) {
        const QPointF p = *fireflies.restPointOnDock();
        EXPECT_TRUE(p.x() >= 0 && p.x() <= 400 && p.y() >= 64 && p.y() <= 74) << p.x() << ", " << p.y();
    }

    fireflies.setDisplay(Display{kScene, 2, false});
    EXPECT_FALSE(fireflies.restPointOnDock());
}

TEST_F(FireflyTest, ARestingFireflyBobsAboveTheDockThenFliesOn)
{
    // Draws of 0: every leg tries the dock, landing at its left end 4 points above it.
    test::PinnedRandom pinned(0);
    dock.setGeometry(dockAt(300, 700));
    settings.setFireflyCount(1);
    settings.setFlightSpeed(100);
    FireflySimulation& fireflies = make(pinned);
    const sprite::SpriteNode& sprite = *fireflies.fireflies().front().sprite;

    run(4);
    double low = 1e9;
    double high = -1e9;
    for (int i = 0; i < 120; ++i) {
        run(0.05);
        EXPECT_NEAR(sprite.position().x(), 300, 1e-6);
        low = std::min(low, sprite.position().y());
        high = std::max(high, sprite.position().y());
    }
    EXPECT_NEAR(low, 64, 0.05);
    EXPECT_NEAR(high, 66.5, 0.05);

    // On another display the same dock is nothing to rest on: back into the band.
    fireflies.setDisplay(Display{kScene, 2, false});
    fireflies.apply(settings);
    run(20);
    EXPECT_NEAR(sprite.position().x(), 0, 1e-6);
    EXPECT_NEAR(sprite.position().y(), 0, 1e-6);
}

TEST_F(FireflyTest, TrimmedFirefliesFadeOutOverASecondWhileStillFlying)
{
    FireflySimulation& fireflies = make(random);
    run(4);
    std::vector<const sprite::SpriteNode*> leaving;
    for (std::size_t i = 2; i < 6; ++i)
        leaving.push_back(fireflies.fireflies()[i].sprite);

    settings.setFireflyCount(2);
    fireflies.apply(settings);
    ASSERT_EQ(fireflies.fireflies().size(), 2u);
    EXPECT_EQ(fireflies.node().children().size(), 6u);
    for (const sprite::SpriteNode* sprite : leaving) {
        EXPECT_FALSE(sprite->hasAction(FireflySimulation::kPulseKey));
        EXPECT_TRUE(sprite->hasAction(FireflySimulation::kWanderKey));
    }
    run(0.5);
    for (const sprite::SpriteNode* sprite : leaving) {
        EXPECT_GT(sprite->alpha(), 0.1);
        EXPECT_LT(sprite->alpha(), 0.6);
    }
    run(0.6);
    EXPECT_EQ(fireflies.node().children().size(), 2u);

    // Switching off fades them too, rather than cutting them.
    settings.setFirefliesEnabled(false);
    fireflies.apply(settings);
    EXPECT_EQ(fireflies.node().children().size(), 2u);
    run(1.1);
    EXPECT_TRUE(fireflies.node().children().empty());
}

TEST_F(FireflyTest, RecolouringSwapsTheGlowAndTheSceneOutlivesTheEffect)
{
    settings.setGlowColorHex("not a colour");
    FireflySimulation& fireflies = make(random);
    const QImage& fallback = fireflies.glowTexture()->image();
    ASSERT_EQ(fallback.size(), QSize(64, 64));
    const QColor centre = QColor::fromRgba(fallback.pixel(32, 32));
    EXPECT_GT(centre.green(), 2 * centre.red()); // green
    EXPECT_EQ(QColor::fromRgba(fallback.pixel(0, 0)).alpha(), 0);

    run(4);
    std::vector<double> alphas;
    for (const auto& firefly : fireflies.fireflies())
        alphas.push_back(firefly.sprite->alpha());
    settings.setGlowColorHex("#FF8000");
    fireflies.apply(settings);
    const QColor orange = QColor::fromRgba(fireflies.glowTexture()->image().pixel(32, 32));
    EXPECT_GT(orange.red(), 240);
    for (std::size_t i = 0; i < alphas.size(); ++i) {
        EXPECT_EQ(fireflies.fireflies()[i].sprite->texture(), fireflies.glowTexture());
        EXPECT_EQ(fireflies.fireflies()[i].sprite->alpha(), alphas[i]);
        EXPECT_TRUE(fireflies.fireflies()[i].sprite->hasAction(FireflySimulation::kPulseKey));
    }

    // The scene keeps the fireflies and their flight plans after the effect is gone.
    sim.reset();
    run(30);
    EXPECT_EQ(scene.children().front()->children().size(), 6u);
}
