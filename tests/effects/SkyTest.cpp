#include "EffectFixture.h"

#include "effects/AuroraSimulation.h"
#include "effects/LightRaySimulation.h"
#include "effects/StarSimulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
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
    }

    static std::size_t meteors(const StarSimulation& sim) { return sim.node().children().size() - sim.stars().size(); }
};

TEST_F(SkyTest, AuroraCurtainsHangFromTheTopFollowTheSizeAndTurnEveryThirdHue)
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
    // The third curtain's hue is turned, wrapping round the circle; a bad colour falls back.
    settings.setAuroraColorHex("#FF0040");
    sim.apply(settings);
    const auto hue = [&](std::size_t i) {
        const sprite::Color tint = sim.curtains()[i].sprite->color();
        return QColor::fromRgbF(tint.r, tint.g, tint.b).hsvHueF();
    };
    EXPECT_NEAR(hue(0), QColor(0xFF, 0x00, 0x40).hsvHueF(), 0.005);
    EXPECT_NEAR(hue(5), QColor(0xFF, 0x00, 0x40).hsvHueF() + 0.18 - 1, 0.005);
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

TEST_F(SkyTest, MeteorsComeEveryFiftyFiveSecondsDownToFiveAndTheCountdownKeepsThroughOtherChanges)
{
    EXPECT_DOUBLE_EQ(StarSimulation::meteorInterval(0.2), 55);
    EXPECT_DOUBLE_EQ(StarSimulation::meteorInterval(250), 5);

    FixedRandom lowest(0);
    settings.setShootingStarFrequency(100);
    StarSimulation sim({1200, 800}, settings, EffectContext{lowest, dock, 1});
    EXPECT_DOUBLE_EQ(sim.nextMeteorIn(), 5 * 0.65);
    sim.step(frameAt(0, 1));
    settings.setStarDensity(70);
    sim.apply(settings);
    EXPECT_DOUBLE_EQ(sim.nextMeteorIn(), 5 * 0.65 - 1);
    settings.setShootingStarFrequency(1);
    sim.apply(settings);
    EXPECT_NEAR(sim.nextMeteorIn(), 55 * 0.65, 1e-9);
}

TEST_F(SkyTest, OneMeteorPerDueFrameAndNoneWhileOffOrStarsAreOff)
{
    settings.setShootingStarFrequency(100);
    StarSimulation sim({1200, 800}, settings, context());
    const double first = sim.nextMeteorIn();
    sim.step(frameAt(0, first - 0.01));
    EXPECT_EQ(meteors(sim), 0u);
    EXPECT_LT(sim.wantedRate(), 60) << "twinkling alone is slow";
    sim.step(frameAt(0, 1000)); // a huge step still starts only one
    EXPECT_EQ(meteors(sim), 1u);
    EXPECT_EQ(sim.wantedRate(), kFullFrameRate) << "a meteor in flight";
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

TEST_F(SkyTest, RaysHangFromTheCornerTheSlantPointsAwayFromAndSpanTheScene)
{
    LightRaySimulation sim{{1200, 900}, context()};
    sim.configure(rays(-1), {1200, 900});
    EXPECT_DOUBLE_EQ(sim.sourceX(), 0.9 * 1200);
    sim.configure(rays(0), {1200, 900});
    EXPECT_DOUBLE_EQ(sim.sourceX(), 0.1 * 1200);
    EXPECT_DOUBLE_EQ(sim.length(), 1.25 * 1500); // the diagonal of 1200 × 900

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

} // namespace
