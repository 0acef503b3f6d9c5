#include "EffectFixture.h"

#include "effects/RainSimulation.h"
#include "effects/SnowSimulation.h"

#include <cmath>
#include <numbers>

using namespace tavik;
using namespace tavik::test;

namespace {
class PrecipitationTest : public EffectFixture {
protected:
    PrecipitationTest() { settings.setSnowEnabled(true); }

    RainSimulation rain() { return RainSimulation(kSceneSize, settings, context(2)); }
    SnowSimulation snow() { return SnowSimulation(kSceneSize, settings, context(2)); }
};

TEST_F(PrecipitationTest, BirthRatesFollowTheSettingsTheWidthPowerSavingAndTheSwitch)
{
    RainSimulation drops = rain();
    SnowSimulation flakes = snow();
    const struct {
        double drops, density, width;
        bool saving;
        double rain, snow;
    } cases[] = {
        {100, 50, 1440, false, 100, 45},  {100, 50, 2880, false, 200, 90}, {100, 50, 500, false, 50, 22.5},
        {100, 50, 0, false, 50, 22.5},    {100, 50, 1440, true, 50, 22.5}, {-5, -10, 1440, true, 0.5, 0},
        {1e9, 1e9, 1440, false, 120, 90},
    };
    for (const auto& c : cases) {
        settings.setDropsPerSecond(c.drops);
        settings.setSnowDensity(c.density);
        settings.setLowPowerMode(c.saving);
        applyAt(drops, {c.width, 900});
        applyAt(flakes, {c.width, 900});
        EXPECT_DOUBLE_EQ(drops.emitter().particleBirthRate(), c.rain) << c.drops << " at " << c.width;
        EXPECT_DOUBLE_EQ(flakes.emitter().particleBirthRate(), c.snow) << c.density << " at " << c.width;
    }

    // Off, even in dynamic mode.
    settings.setRainEnabled(false);
    settings.setRainDynamic(true);
    settings.setSnowEnabled(false);
    applyAt(drops, kSceneSize);
    applyAt(flakes, kSceneSize);
    drops.step(frameAt(1000));
    EXPECT_EQ(drops.emitter().particleBirthRate(), 0);
    EXPECT_EQ(flakes.baseBirthRate(), 0);
}

TEST_F(PrecipitationTest, DropsLeaveAlongTheRainAngleAndAtEverySpeedCrossTheSceneAndDieSoonAfter)
{
    settings.setRainAngle(30);
    settings.setDropsPerSecond(120);
    RainSimulation slanted = rain();
    scene.addChild(slanted.takeNode());
    scene.advance(0);
    scene.advance(0.05);
    ASSERT_GT(slanted.emitter().particleCount(), 0u);
    for (const sprite::Particle& p : slanted.emitter().particles()) {
        EXPECT_NEAR(std::atan2(p.vx, -p.vy) * 180 / std::numbers::pi, 30, 3);
        EXPECT_NEAR(p.rotation, 30 * std::numbers::pi / 180, 0.011);
    }

    // Every speed, even below the range: drops reach the bottom and die soon after.
    for (const auto& [speed, angle] : {std::pair{-5.0, 45.0}, {15.0, 0.0}, {60.0, 45.0}}) {
        settings.setDropSpeed(speed);
        settings.setRainAngle(angle);
        sprite::Scene sky{kSceneSize};
        RainSimulation drops(kSceneSize, settings, EffectContext{sky.random(), dock, 1});
        sky.addChild(drops.takeNode());
        double lowest = 0;
        for (int frame = 0; frame <= 400; ++frame) {
            sky.advance(frame / 10.0);
            for (const sprite::Particle& p : drops.emitter().particles())
                lowest = std::min(lowest, drops.emitter().position().y() + p.y);
        }
        EXPECT_LT(lowest, 0) << speed << ", " << angle;
        EXPECT_GT(lowest, -3 * 900) << speed << ", " << angle;
    }
}

TEST_F(PrecipitationTest, DropTextureIsAGradedCapsuleRebuiltOnlyForRealChanges)
{
    settings.setDropWidth(50);
    settings.setDropHeight(50);
    RainSimulation drops = rain();
    const sprite::TexturePtr first = drops.dropTexture();
    EXPECT_EQ(drops.emitter().particleTexture(), first);
    EXPECT_EQ(first->pixelSize(), QSize(9, 37)) << "7 × 35 pixels and a clear pixel all round";
    // The tail at the top is clear, the head at the bottom solid.
    EXPECT_LT(qAlpha(first->image().pixel(4, 2)), 40);
    EXPECT_GT(qAlpha(first->image().pixel(4, 32)), 200);

    settings.setDropColorHex("#FF0000");
    settings.setDropWidth(51); // within the tolerance
    applyAt(drops, kSceneSize);
    EXPECT_EQ(drops.dropTexture(), first);
    EXPECT_EQ(drops.emitter().particleColor(), sprite::Color::fromQColor(Qt::red));
    drops.setDisplay(Display{kSceneSize, 2.005, false});
    drops.setDisplay(Display{kSceneSize, 0, false});
    EXPECT_EQ(drops.dropTexture(), first) << "a scale that barely changes or makes no sense";

    settings.setDropWidth(52);
    applyAt(drops, kSceneSize);
    EXPECT_NE(drops.dropTexture(), first);
    EXPECT_EQ(drops.emitter().particleTexture(), drops.dropTexture());
}

TEST_F(PrecipitationTest, DynamicRainAndSnowSwellAndEbbWithTheSharedWave)
{
    settings.setDropsPerSecond(100);
    RainSimulation drops = rain();
    SnowSimulation flakes = snow();
    const double rate = drops.baseBirthRate();
    const double speed = drops.baseSpeed();
    const double flakeRate = flakes.baseBirthRate();
    const auto [rainLow, rainHigh] = waveExtremes(31, 0.85);
    const auto [snowLow, snowHigh] = waveExtremes(91, 0.7);
    drops.step(frameAt(rainHigh));
    flakes.step(frameAt(snowHigh));
    EXPECT_EQ(drops.emitter().particleBirthRate(), rate) << "off: the settings stand";

    settings.setRainDynamic(true);
    settings.setSnowDynamic(true);
    applyAt(drops, kSceneSize);
    flakes.apply(settings);
    drops.step(frameAt(rainLow));
    flakes.step(frameAt(snowLow));
    EXPECT_LT(drops.emitter().particleBirthRate(), 0.35 * rate);
    EXPECT_LT(drops.emitter().particleSpeed(), speed);
    EXPECT_LT(drops.emitter().particleScale(), 0.8);
    EXPECT_NEAR(flakes.emitter().particleBirthRate(), 0.2 * flakeRate, 0.15 * flakeRate);
    const double calmFlakes = flakes.emitter().particleSpeed();
    const double calmSpread = flakes.emitter().particleSpeedRange() / calmFlakes;
    drops.step(frameAt(rainHigh));
    flakes.step(frameAt(snowHigh));
    EXPECT_GT(drops.emitter().particleBirthRate(), 1.5 * rate);
    EXPECT_GT(drops.emitter().particleSpeed(), speed);
    EXPECT_GT(drops.emitter().particleScale(), 1.3);
    EXPECT_NEAR(flakes.emitter().particleBirthRate(), 1.7 * flakeRate, 0.15 * flakeRate);
    EXPECT_LT(calmFlakes, flakes.emitter().particleSpeed());
    EXPECT_NEAR(flakes.emitter().particleSpeedRange() / flakes.emitter().particleSpeed(), calmSpread, 1e-9)
        << "flakes vary by the same share of their speed";
}

TEST_F(PrecipitationTest, SnowFallsFromTheSlowestSettingForAsLongAsItNeedsAndKeepsItsLook)
{
    // The slowest flake needs 35 s to cross the scene: it lives that long, not much longer.
    settings.setSnowFallSpeed(-5);
    SnowSimulation flakes = snow();
    EXPECT_EQ(flakes.baseFall(), 7);
    EXPECT_GT(flakes.emitter().particleLifetime(), 35);
    EXPECT_LT(flakes.emitter().particleLifetime(), 60);
    const double spread = flakes.emitter().particleSpeedRange() / flakes.emitter().particleSpeed();
    EXPECT_GT(spread, 0);
    settings.setSnowFallSpeed(100);
    flakes.apply(settings);
    EXPECT_DOUBLE_EQ(flakes.emitter().particleSpeedRange() / flakes.emitter().particleSpeed(), spread);

    EXPECT_EQ(flakes.emitter().particleTexture(), flakes.dotTexture());
    settings.setSnowflakesEnabled(true);
    settings.setSnowColorHex("not a colour");
    flakes.apply(settings);
    EXPECT_EQ(flakes.emitter().particleTexture(), flakes.crystalTexture());
    EXPECT_EQ(flakes.emitter().particleColor(), sprite::Color::fromQColor(Qt::white));
    flakes.setDisplay(Display{kSceneSize, 1, false});
    EXPECT_EQ(flakes.emitter().particleTexture(), flakes.crystalTexture()) << "still crystals on another display";
}

} // namespace
