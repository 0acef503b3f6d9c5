#include "EffectFixture.h"

#include "effects/AuroraSimulation.h"
#include "effects/LightRaySimulation.h"
#include "effects/StarSimulation.h"
#include "effects/ThunderstormSystem.h"

#include <cmath>
#include <memory>
#include <vector>

using namespace tavik;
using namespace tavik::test;

namespace {
constexpr QSizeF kScene{1500, 1000};

class SkyTest : public EffectFixture {
protected:
    SkyTest()
    {
        settings.setAuroraEnabled(true);
        settings.setAuroraIntensity(100);
        settings.setStarsEnabled(true);
        settings.setShootingStarFrequency(0);
        settings.setThunderEnabled(true);
        settings.setThunderFrequency(100);
    }

    static std::size_t meteors(const StarSimulation& sim) { return sim.node().children().size() - sim.stars().size(); }

    // A storm whose every draw is `fraction`, at `uptime` on the shared clock.
    std::unique_ptr<ThunderstormSystem> storm(double fraction, double uptime = 1000)
    {
        draws.push_back(std::make_unique<FixedRandom>(fraction));
        auto thunder =
            std::make_unique<ThunderstormSystem>(QSizeF{800, 600}, settings, EffectContext{*draws.back(), dock, 1, uptime});
        thunder->setLightningHandler([this](double b) { strikes.push_back(b); });
        return thunder;
    }

    std::vector<std::unique_ptr<FixedRandom>> draws;
    std::vector<double> strikes;
};

TEST_F(SkyTest, AuroraCurtainsHangFromTheTopFollowTheSizeAndBadColoursFallBack)
{
    AuroraSimulation sim(kScene, settings, context());
    std::vector<double> xs;
    for (const auto& c : sim.curtains()) {
        EXPECT_TRUE(c.xFrac > 0 && c.xFrac < 1) << "spread across the width";
        EXPECT_DOUBLE_EQ(c.sprite->position().y(), 1020);
        xs.push_back(c.sprite->position().x());
    }
    EXPECT_GT(sim.curtains().back().xFrac, 0.8);
    sim.setDisplay(Display{{3000, 500}, 1, false});
    for (std::size_t i = 0; i < xs.size(); ++i) {
        EXPECT_DOUBLE_EQ(sim.curtains()[i].sprite->position().x(), xs[i] * 2);
        EXPECT_DOUBLE_EQ(sim.curtains()[i].sprite->position().y(), 510);
    }
    settings.setAuroraColorHex("green-ish");
    sim.apply(settings);
    EXPECT_EQ(sim.curtains()[0].sprite->color(), sprite::Color::fromQColor(QColor::fromRgbF(0.36f, 0.94f, 0.75f)));
}

TEST_F(SkyTest, AuroraSwaysAndBreathesFasterAtTheTopSpeed)
{
    settings.setAuroraIntensity(75);
    const auto travel = [&](double speed) {
        settings.setAuroraSpeed(speed);
        AuroraSimulation sim(kScene, settings, context());
        const std::vector<AuroraSimulation::Curtain> before = sim.curtains();
        for (int frame = 0; frame < 120; ++frame)
            sim.step(frameAt(0, kFrame));
        double breathed = 0;
        for (std::size_t i = 0; i < before.size(); ++i) {
            const auto& c = sim.curtains()[i];
            EXPECT_GE(c.sprite->alpha(), 0.2 * c.baseAlpha * 0.75 - 1e-12);
            EXPECT_LE(c.sprite->alpha(), c.baseAlpha * 0.75 + 1e-12);
            EXPECT_LE(std::abs(c.sprite->position().x() - 1500 * c.xFrac), 1500 * c.swayAmpFrac + 1e-9);
            EXPECT_GT(c.swayPhase, before[i].swayPhase);
            breathed += (c.breathePhase - before[i].breathePhase) / c.breatheRate;
        }
        return breathed / double(before.size());
    };
    // Two seconds at 0.3 and at 1.7 times the curtains' own pace.
    EXPECT_NEAR(travel(0), 0.6, 1e-9);
    EXPECT_NEAR(travel(100), 3.4, 1e-9);
}

TEST_F(SkyTest, ShrunkStarsInsideStayPutAndTheOthersMoveIntoTheNewSkysUpperBand)
{
    settings.setStarColorHex("not a colour");
    StarSimulation sim({1200, 800}, settings, context());
    EXPECT_EQ(sim.stars()[0]->color(), sprite::Color::fromQColor(FallbackColor::white));
    std::vector<QPointF> places;
    for (const sprite::SpriteNode* star : sim.stars())
        places.push_back(star->position());
    sim.setDisplay(Display{{500, 600}, 1, false});
    int kept = 0;
    for (std::size_t i = 0; i < places.size(); ++i) {
        const QPointF now = sim.stars()[i]->position();
        const bool inside = places[i].x() <= 500 && places[i].y() <= 600;
        kept += inside;
        EXPECT_TRUE(inside ? now == places[i] : now.x() <= 500 && now.y() >= 270 && now.y() <= 588) << i;
    }
    EXPECT_GT(kept, 0);
    EXPECT_LT(kept, int(places.size()));
}

TEST_F(SkyTest, MeteorsComeEveryFiftyFiveSecondsDownToFiveOnePerDueFrameAndNoneWhileOff)
{
    EXPECT_DOUBLE_EQ(StarSimulation::meteorInterval(0.2), 55);
    EXPECT_DOUBLE_EQ(StarSimulation::meteorInterval(250), 5);

    // The countdown keeps through other changes.
    FixedRandom lowest(0);
    settings.setShootingStarFrequency(100);
    StarSimulation soonest({1200, 800}, settings, EffectContext{lowest, dock, 1});
    EXPECT_DOUBLE_EQ(soonest.nextMeteorIn(), 5 * 0.65);
    soonest.step(frameAt(0, 1));
    settings.setStarDensity(70);
    soonest.apply(settings);
    EXPECT_DOUBLE_EQ(soonest.nextMeteorIn(), 5 * 0.65 - 1);

    StarSimulation sim({1200, 800}, settings, context());
    sim.step(frameAt(0, sim.nextMeteorIn() - 0.01));
    EXPECT_EQ(meteors(sim), 0u);
    EXPECT_LT(sim.wantedRate(), 60) << "twinkling alone is slow";
    sim.step(frameAt(0, 1000)); // a huge step still starts only one
    EXPECT_EQ(meteors(sim), 1u);
    EXPECT_EQ(sim.wantedRate(), kFullFrameRate) << "a meteor in flight";
    // It flies along its own streak, down and to the right.
    const sprite::Node& meteor = *sim.node().children().back();
    const QPointF start = meteor.position();
    scene.addChild(sim.takeNode());
    run(0.2);
    const QPointF travelled = meteor.position() - start;
    EXPECT_GT(travelled.x(), 0);
    EXPECT_NEAR(std::atan2(travelled.y(), travelled.x()), meteor.zRotation(), 1e-6);
    EXPECT_GE(sim.nextMeteorIn(), 3.25);
    EXPECT_LE(sim.nextMeteorIn(), 6.75);

    // Frequency zero, or stars off: the countdown waits.
    for (const bool starsOn : {true, false}) {
        settings.setShootingStarFrequency(starsOn ? 0 : 100);
        settings.setStarsEnabled(starsOn);
        sim.apply(settings);
        const double waiting = sim.nextMeteorIn();
        sim.step(frameAt(0, 1000));
        EXPECT_EQ(meteors(sim), 1u);
        EXPECT_EQ(sim.nextMeteorIn(), waiting);
    }
}

LightRaySimulation::Configuration rays(double angle, double intensity = 50, double speed = 40)
{
    return {true, intensity, angle, speed, sprite::Color{1.0f, 0.9f, 0.66f, 1.0f}};
}

TEST_F(SkyTest, RaysSwayAndBreatheWithinBoundsAndIntensityZeroOrOffHidesThem)
{
    LightRaySimulation sim{{1200, 900}, context()};
    for (double speed : {0.0, 100.0}) {
        sim.configure(rays(30, 100, speed), {1200, 900});
        for (double phase : {0.0, 7.9, 250.0}) {
            sim.phase = phase;
            sim.layout();
            for (const auto& shaft : sim.shafts()) {
                EXPECT_DOUBLE_EQ(shaft.sprite->position().y(), 900);
                EXPECT_LE(std::abs(shaft.sprite->position().x() - (120 + shaft.offset)), 46 * speed / 100 + 8 + 1e-9);
                EXPECT_LE(std::abs(shaft.sprite->zRotation() - (sim.angle() + shaft.spread)),
                          0.14 * speed / 100 + 0.05 + 1e-9);
                EXPECT_GE(shaft.sprite->alpha(), 0.6 * shaft.baseAlpha - 1e-12);
                EXPECT_LE(shaft.sprite->alpha(), shaft.baseAlpha + 1e-12);
            }
        }
    }
    sim.configure(rays(20, 0), {1200, 900});
    for (const auto& shaft : sim.shafts())
        EXPECT_EQ(shaft.sprite->alpha(), 0) << "intensity zero keeps them invisible";
    auto off = rays(20);
    off.enabled = false;
    sim.configure(off, {1200, 900});
    EXPECT_TRUE(sim.node().isHidden());
}

TEST_F(SkyTest, ThunderWaitsFollowTheFrequencyOutlastOtherChangesAndRestartWhenSwitchedOn)
{
    const auto waiting = storm(kAlmostOne);
    waiting->step(frameAt(1000, 1.0));
    ASSERT_NEAR(waiting->timeToNext(), 2.75, 1e-6);
    settings.setThunderFrequency(0);
    waiting->apply(settings);
    EXPECT_NEAR(waiting->timeToNext(), 2.75, 1e-6);
    settings.setThunderEnabled(false);
    waiting->apply(settings);
    waiting->step(frameAt(1000, 100));
    EXPECT_TRUE(strikes.empty());
    settings.setThunderEnabled(true);
    waiting->apply(settings);
    EXPECT_NEAR(waiting->timeToNext(), 19.5, 1e-6);

    // The first wait is shorter than the later ones, but never under two seconds.
    const struct {
        double frequency;
        double fraction;
        double first;
        double between;
    } cases[] = {
        {100, 0, 2.0, 3.0}, // 1.5 floored to 2
        {100, kAlmostOne, 3.75, 7.5},
        {0, kAlmostOne, 19.5, 39.0},
        {50, 0, 4.65, 9.3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "frequency " << c.frequency << ", draw " << c.fraction);
        settings.setThunderFrequency(c.frequency);
        const auto thunder = storm(c.fraction);
        EXPECT_NEAR(thunder->timeToNext(), c.first, 1e-6);
        thunder->startFlash();
        thunder->step(frameAt(1000, ThunderstormSystem::kFlashDuration));
        ASSERT_FALSE(thunder->isFlashing());
        EXPECT_NEAR(thunder->timeToNext(), c.between, 1e-6);
    }
}

TEST_F(SkyTest, ThunderGlowRisesAndEndsWithTheFlashOrWhenSwitchedOff)
{
    const auto thunder = storm(0.5);
    EXPECT_EQ(thunder->wantedRate(), 0) << "between flashes";
    thunder->startFlash();
    thunder->step(frameAt(1000, 0.03));
    EXPECT_GT(thunder->glow().alpha(), 0.5 * thunder->flashPeak());
    EXPECT_EQ(thunder->wantedRate(), kFullFrameRate);
    thunder->step(frameAt(1000, 0.9 * ThunderstormSystem::kFlashDuration - 0.03));
    EXPECT_LT(thunder->glow().alpha(), 0.25 * thunder->flashPeak()) << "faded before it ends";
    thunder->step(frameAt(1000, 0.1 * ThunderstormSystem::kFlashDuration));
    EXPECT_FALSE(thunder->isFlashing()) << "over at exactly its duration";
    EXPECT_EQ(thunder->glow().alpha(), 0.0);
    EXPECT_EQ(thunder->wantedRate(), 0);

    thunder->startFlash();
    thunder->step(frameAt(1000, 0.03));
    settings.setThunderEnabled(false);
    thunder->apply(settings);
    EXPECT_FALSE(thunder->isFlashing());
    EXPECT_EQ(thunder->glow().alpha(), 0.0);
}

TEST_F(SkyTest, ThunderDynamicStormIsBrighterAndMoreFrequentAtTheCrestOfTheSharedWave)
{
    settings.setThunderDynamic(true);
    settings.setThunderFrequency(0);
    settings.setThunderBrightness(0);
    const auto [low, high] = waveExtremes(67, 0.6);
    std::vector<double> waits;
    for (const double uptime : {low, high}) {
        const auto thunder = storm(0, uptime);
        thunder->startFlash();
        thunder->step(frameAt(uptime, ThunderstormSystem::kFlashDuration));
        waits.push_back(thunder->timeToNext());
    }
    ASSERT_EQ(strikes.size(), 2u) << "the handler hears each flash once, as it starts";
    EXPECT_LT(strikes[0], 30); // the sliders' zeros do not hold: the wave sets both
    EXPECT_GT(strikes[1], 80);
    EXPECT_GT(waits[0], 1.5 * waits[1]);
}

} // namespace
