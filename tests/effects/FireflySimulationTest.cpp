#include "effects/FireflySimulation.h"

#include "EffectFixture.h"

#include <cmath>
#include <memory>
#include <vector>

using namespace tavik;
using namespace tavik::test;

namespace {
constexpr QSizeF kScene{1000, 800};

class FireflyTest : public EffectFixture {
protected:
    FireflyTest()
    {
        settings.setFirefliesEnabled(true);
        settings.setFireflyCount(6);
        settings.setFlightHeight(0.25);
        settings.setFlightSpeed(45);
        scene.advance(now);
    }

    FireflySimulation& make(sprite::Random& source)
    {
        sim = std::make_unique<FireflySimulation>(kScene, settings, EffectContext{source, dock, 2});
        scene.addChild(sim->takeNode());
        return *sim;
    }

    std::unique_ptr<FireflySimulation> sim;
};

TEST_F(FireflyTest, BornInvisibleTheyFadeInPulseKeepWanderingTakeNewLooksAndOutliveTheEffect)
{
    settings.setFireflySize(50);
    settings.setGlowColorHex("not a colour");
    FireflySimulation& fireflies = make(random);
    const QColor centre = QColor::fromRgba(fireflies.glowTexture()->image().pixel(32, 32));
    EXPECT_GT(centre.green(), 2 * centre.red()) << "green";
    for (const auto& firefly : fireflies.fireflies()) {
        EXPECT_EQ(firefly.sprite->alpha(), 0);
        EXPECT_DOUBLE_EQ(firefly.sprite->size().width(), firefly.baseDiameter * 1.25);
        EXPECT_FALSE(firefly.sprite->hasAction(FireflySimulation::kPulseKey));
    }
    run(3.7);
    for (const auto& firefly : fireflies.fireflies())
        EXPECT_GE(firefly.sprite->alpha(), 0.45 * 0.7 - 1e-6);

    // Resized and recoloured at once; flights and pulses never stop.
    settings.setFireflySize(0);
    settings.setGlowColorHex("#FF8000");
    fireflies.apply(settings);
    EXPECT_GT(QColor::fromRgba(fireflies.glowTexture()->image().pixel(32, 32)).red(), 240);
    run(30);
    for (const auto& firefly : fireflies.fireflies()) {
        EXPECT_EQ(firefly.sprite->texture(), fireflies.glowTexture());
        EXPECT_DOUBLE_EQ(firefly.sprite->size().width(), firefly.baseDiameter * 0.45);
        EXPECT_TRUE(firefly.sprite->hasAction(FireflySimulation::kWanderKey));
        EXPECT_TRUE(firefly.sprite->hasAction(FireflySimulation::kPulseKey));
    }

    // The scene keeps them flying after the effect is gone.
    sim.reset();
    run(30);
    EXPECT_EQ(scene.children().front()->children().size(), 6u);
}

TEST_F(FireflyTest, FlightsStayInTheBandWhichNeverGetsThinnerThanFortyPoints)
{
    for (const auto& [height, band] : {std::pair{0.01, 40.0}, {0.5, 400.0}}) {
        settings.setFlightHeight(height);
        settings.setFlightSpeed(100);
        FireflySimulation& fireflies = make(random);
        double highest = 0;
        for (int second = 0; second < 40; ++second) {
            run(1);
            for (const auto& firefly : fireflies.fireflies()) {
                const QPointF p = firefly.sprite->position();
                EXPECT_TRUE(p.y() >= 0 && p.y() <= band + 1e-9 && p.x() >= 0 && p.x() <= kScene.width()) << p.x();
                highest = std::max(highest, p.y());
            }
        }
        EXPECT_GT(highest, 0.7 * band) << height;
        scene.removeAllChildren();
    }
}

TEST_F(FireflyTest, WindShiftsEachNewTargetDownwindClampedToTheScreen)
{
    FixedRandom middle(0.5); // every leg aims at the middle of the band, moved by the wind
    settings.setFireflyCount(1);
    settings.setFlightSpeed(0);
    FireflySimulation& fireflies = make(middle);
    const sprite::SpriteNode& sprite = *fireflies.fireflies().front().sprite;
    EXPECT_EQ(sprite.position(), QPointF(500, 100));
    fireflies.windDX = 220; // 66 points on: a ten-second leg
    fireflies.apply(settings);
    run(5);
    EXPECT_NEAR(sprite.position().x(), 533, 0.3);
    fireflies.windDX = -1000; // bends only the next leg
    run(4.9);
    EXPECT_NEAR(sprite.position().x(), 566, 0.1);
    run(80);
    EXPECT_NEAR(sprite.position().x(), 200, 1e-6);
    fireflies.windDX = 1e6;
    run(200);
    EXPECT_NEAR(sprite.position().x(), kScene.width(), 1e-6);
}

TEST_F(FireflyTest, RestsOnlyOnAVisibleDockWiderThan24PointsOfThisDisplay)
{
    FireflySimulation& fireflies = make(random);
    const struct {
        std::optional<DockGeometry> dock;
        bool rests;
    } cases[] = {
        {std::nullopt, false},
        {dockAt(300, 700, 60, false), false},
        {dockAt(976, 1100), false}, // exactly 24 points inside the scene
        {dockAt(975, 1100), true},
    };
    for (const auto& c : cases) {
        dock.setGeometry(c.dock);
        EXPECT_EQ(fireflies.restPointOnDock().has_value(), c.rests) << (c.dock ? c.dock->minX() : -1);
    }
    dock.setGeometry(dockAt(-200, 400)); // only the part on screen counts
    for (int i = 0; i < 50; ++i) {
        const QPointF p = *fireflies.restPointOnDock();
        EXPECT_TRUE(p.x() >= 0 && p.x() <= 400 && p.y() >= 64 && p.y() <= 74) << p.x() << ", " << p.y();
    }
    fireflies.setDisplay(Display{kScene, 2, false});
    EXPECT_FALSE(fireflies.restPointOnDock()) << "the dock is on another display";
}

TEST_F(FireflyTest, TrimmedOrSwitchedOffFirefliesFadeOutOverASecondWhileStillFlying)
{
    FireflySimulation& fireflies = make(random);
    run(4);
    const sprite::SpriteNode* leaving = fireflies.fireflies()[5].sprite;
    settings.setFireflyCount(2);
    fireflies.apply(settings);
    ASSERT_EQ(fireflies.fireflies().size(), 2u);
    EXPECT_EQ(fireflies.node().children().size(), 6u);
    EXPECT_TRUE(leaving->hasAction(FireflySimulation::kWanderKey));
    run(0.5);
    EXPECT_TRUE(leaving->alpha() > 0.1 && leaving->alpha() < 0.6) << leaving->alpha();
    run(0.6);
    EXPECT_EQ(fireflies.node().children().size(), 2u);

    settings.setFirefliesEnabled(false);
    fireflies.apply(settings);
    EXPECT_EQ(fireflies.node().children().size(), 2u);
    run(1.1);
    EXPECT_TRUE(fireflies.node().children().empty());
}

} // namespace
