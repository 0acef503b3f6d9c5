#include "core/Dynamics.h"

#include "EffectFixture.h"
#include "effects/RainSimulation.h"

#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tavik;
using test::frameAt;

namespace {
constexpr double kPi = std::numbers::pi;

class RainSimulationTest : public test::EffectFixture {
protected:
    RainSimulation make(QSizeF size = {1440, 900}, double scale = 2)
    {
        return RainSimulation(size, settings, EffectContext{scene.random(), dock, scale});
    }
};

} // namespace

TEST_F(RainSimulationTest, BirthRateFollowsDropsWidthPowerAndSwitch)
{
    settings.setDropsPerSecond(100);
    RainSimulation rain = make();
    EXPECT_DOUBLE_EQ(rain.emitter().particleBirthRate(), 100);

    applyAt(rain, {2880, 900}, 2);
    EXPECT_DOUBLE_EQ(rain.emitter().particleBirthRate(), 200);
    applyAt(rain, {0, 0}, 2); // narrow displays keep half the nominal rate
    EXPECT_DOUBLE_EQ(rain.emitter().particleBirthRate(), 50);
    EXPECT_EQ(rain.emitter().position(), QPointF(0.5, 21));

    settings.setLowPowerMode(true);
    applyAt(rain, {1440, 900}, 2);
    EXPECT_DOUBLE_EQ(rain.emitter().particleBirthRate(), 50);

    settings.setDropsPerSecond(-5); // below the range: the fewest drops
    applyAt(rain, {1440, 900}, 2);
    EXPECT_EQ(rain.emitter().particleBirthRate(), 0.5);
    settings.setDropsPerSecond(1e9); // above it: the most
    settings.setLowPowerMode(false);
    applyAt(rain, {1440, 900}, 2);
    EXPECT_EQ(rain.emitter().particleBirthRate(), 120);

    settings.setDropsPerSecond(100);
    settings.setRainEnabled(false);
    settings.setRainDynamic(true);
    applyAt(rain, {1440, 900}, 2);
    rain.step(frameAt(1000));
    EXPECT_EQ(rain.emitter().particleBirthRate(), 0);
}

TEST_F(RainSimulationTest, DropsLeaveAlongTheRainAngleAndCrossTheWholeScene)
{
    settings.setRainAngle(30);
    settings.setDropsPerSecond(120);
    settings.setDropSpeed(15);
    RainSimulation rain = make();
    scene.addChild(rain.takeNode());

    scene.advance(0);
    scene.advance(0.05);
    ASSERT_GT(rain.emitter().particleCount(), 0u);
    for (const sprite::Particle& p : rain.emitter().particles()) {
        // Down and to the right, 30° from vertical; the drop's long axis turned the same way.
        const double fromVertical = std::atan2(p.vx, -p.vy) * 180 / kPi;
        EXPECT_NEAR(fromVertical, 30, 3);
        EXPECT_NEAR(p.rotation, 30 * kPi / 180, 0.011);
        EXPECT_NEAR(p.y, 0, 30); // just below the spawn line, 20 points above the top
    }
}

TEST_F(RainSimulationTest, EverySpeedCrossesTheSceneAndDropsDieSoonAfter)
{
    // Below the range (a hand-edited saved scene may hold it) reads as the slowest speed.
    for (const double speed : {-5.0, 0.0, 1.0, 15.0, 60.0}) {
        for (const double angle : {0.0, 45.0}) {
            settings.setDropSpeed(speed);
            settings.setRainAngle(angle);
            settings.setDropsPerSecond(120);
            sprite::Scene sky{QSizeF(1440, 900)};
            RainSimulation rain(QSizeF(1440, 900), settings, EffectContext{sky.random(), dock, 1});
            sky.addChild(rain.takeNode());
            double lowest = 0;
            for (int frame = 0; frame <= 400; ++frame) {
                sky.advance(frame / 10.0);
                for (const sprite::Particle& p : rain.emitter().particles())
                    lowest = std::min(lowest, rain.emitter().position().y() + p.y);
            }
            const std::string what = "speed " + std::to_string(speed) + ", angle " + std::to_string(angle);
            EXPECT_LT(lowest, 0) << what << ": drops reach the bottom edge";
            EXPECT_GT(lowest, -3 * 900) << what << ": no drop falls on for long out of sight";
        }
    }
}

TEST_F(RainSimulationTest, DropTextureIsAGradedCapsuleRebuiltOnlyForRealSizeChanges)
{
    settings.setDropWidth(50);
    settings.setDropHeight(50);
    RainSimulation rain = make({1440, 900}, 2);
    const sprite::TexturePtr first = rain.dropTexture();
    EXPECT_EQ(rain.emitter().particleTexture(), first);
    // A 7 × 35 pixel drop inside one clear pixel all round.
    EXPECT_EQ(first->pixelSize(), QSize(9, 37));
    EXPECT_NEAR(first->size().width(), 3.35 + 1, 1e-9);
    EXPECT_NEAR(first->size().height(), 17.5 + 1, 1e-9);

    // Image rows run top-down: the tail at the top is clear, the head at the bottom solid,
    // and the rounded ends leave the corners empty.
    const QImage& image = first->image();
    EXPECT_LT(qAlpha(image.pixel(4, 2)), 40);
    EXPECT_GT(qAlpha(image.pixel(4, 32)), 200);
    EXPECT_LT(qAlpha(image.pixel(1, 35)), qAlpha(image.pixel(4, 35)));
    for (int y = 0; y < image.height(); ++y) {
        EXPECT_EQ(qAlpha(image.pixel(0, y)), 0);
        EXPECT_EQ(qAlpha(image.pixel(image.width() - 1, y)), 0);
    }
    for (int x = 0; x < image.width(); ++x)
        EXPECT_EQ(qAlpha(image.pixel(x, image.height() - 1)), 0);

    settings.setDropColorHex("#FF0000");
    settings.setDropOpacity(0.9);
    settings.setDropWidth(51); // 0.043 points wider: within the tolerance
    applyAt(rain, {1440, 900}, 2);
    EXPECT_EQ(rain.dropTexture(), first);
    EXPECT_EQ(rain.emitter().particleColor(), sprite::Color::fromQColor(Qt::red));

    settings.setDropWidth(52);
    applyAt(rain, {1440, 900}, 2);
    EXPECT_NE(rain.dropTexture(), first);
    EXPECT_EQ(rain.emitter().particleTexture(), rain.dropTexture());
}

TEST_F(RainSimulationTest, NoRedrawForAScaleThatBarelyChangesOrMakesNoSense)
{
    RainSimulation rain = make({1440, 900}, 1);
    const sprite::TexturePtr first = rain.dropTexture();
    rain.setDisplay(Display{{1440, 900}, 1.005, false});
    rain.setDisplay(Display{{1440, 900}, 0, false});
    EXPECT_EQ(rain.dropTexture(), first);
}

TEST_F(RainSimulationTest, DynamicModeSwellsAndEbbsWithTheSharedWave)
{
    settings.setDropsPerSecond(100);
    settings.setDropSpeed(20);
    RainSimulation rain = make();
    const double base = rain.baseBirthRate();
    const double speed = rain.baseSpeed();

    rain.step(frameAt(1000)); // off: the values of the last apply stand
    EXPECT_EQ(rain.emitter().particleBirthRate(), base);
    EXPECT_EQ(rain.emitter().particleScale(), 1);

    settings.setRainDynamic(true);
    applyAt(rain, {1440, 900}, 2);
    const auto [low, high] = test::waveExtremes(31, 0.85);
    for (const double time : {low, high}) {
        const double v = Dynamics::waveAt(time, 31, 0.85);
        rain.step(frameAt(time));
        EXPECT_NEAR(rain.emitter().particleBirthRate(), base * (1.7 * v + 0.15), 1e-9);
        EXPECT_NEAR(rain.emitter().particleSpeed(), speed * (0.5 * v + 0.75), 1e-9);
        EXPECT_NEAR(rain.emitter().particleScale(), 0.7 * v + 0.7, 1e-9);
    }
    EXPECT_LT(Dynamics::waveAt(low, 31, 0.85), 0.1);
    EXPECT_GT(Dynamics::waveAt(high, 31, 0.85), 0.9);
    // Dynamics never touch gravity or lifetime.
    EXPECT_EQ(rain.emitter().yAcceleration(), -0.6 * speed);
}
