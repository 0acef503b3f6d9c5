#include "effects/SnowSimulation.h"

#include "EffectFixture.h"

#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tavik;
using test::frameAt;

namespace {
class SnowSimulationTest : public test::EffectFixture {
protected:
    SnowSimulation make(QSizeF size = {1440, 900})
    {
        return SnowSimulation(size, settings, EffectContext{scene.random(), dock, 2});
    }
};

// Alpha of the texture at a point given in texture points, y up.
int alphaAt(const sprite::Texture& texture, QPointF point)
{
    const double scale = texture.pixelSize().width() / texture.size().width();
    const int x = int(point.x() * scale);
    const int y = texture.pixelSize().height() - 1 - int(point.y() * scale);
    return qAlpha(texture.image().pixel(x, y));
}

} // namespace

TEST_F(SnowSimulationTest, BirthRateAndFallFollowTheSettings)
{
    settings.setSnowEnabled(true);
    settings.setSnowDensity(50);
    SnowSimulation snow = make();
    EXPECT_DOUBLE_EQ(snow.emitter().particleBirthRate(), 45);
    EXPECT_DOUBLE_EQ(snow.baseBirthRate(), 45);
    EXPECT_EQ(snow.emitter().position(), QPointF(720, 916));

    applyAt(snow, {500, 900}, 2);
    EXPECT_DOUBLE_EQ(snow.emitter().particleBirthRate(), 22.5);
    settings.setLowPowerMode(true);
    applyAt(snow, {1440, 900}, 2);
    EXPECT_DOUBLE_EQ(snow.emitter().particleBirthRate(), 22.5);

    settings.setSnowDensity(-10);
    applyAt(snow, {1440, 900}, 2);
    EXPECT_EQ(snow.emitter().particleBirthRate(), 0);

    settings.setSnowDensity(50);
    settings.setSnowEnabled(false);
    applyAt(snow, {1440, 900}, 2);
    EXPECT_EQ(snow.baseBirthRate(), 0);

    // Below the range counts as the slowest setting. Its slowest flake (3 points a second,
    // gaining 1.4 every second) needs 35 s to cross the scene: it lives that long, and not
    // much longer out of sight.
    settings.setSnowFallSpeed(0);
    applyAt(snow, {1440, 900}, 2);
    EXPECT_EQ(snow.baseFall(), 7);
    EXPECT_GT(snow.emitter().particleLifetime(), 35);
    EXPECT_LT(snow.emitter().particleLifetime(), 60);
}

TEST_F(SnowSimulationTest, DynamicSnowThickensAndEasesWithTheSharedWave)
{
    settings.setSnowEnabled(true);
    SnowSimulation snow = make();
    const double base = snow.baseBirthRate();
    const auto [low, high] = test::waveExtremes(91, 0.7);
    snow.step(frameAt(high));
    EXPECT_EQ(snow.emitter().particleBirthRate(), base) << "off: the settings' rate stands";

    settings.setSnowDynamic(true);
    snow.apply(settings);
    snow.step(frameAt(low));
    const double calmest = snow.emitter().particleBirthRate();
    const double slowest = snow.emitter().particleSpeed();
    snow.step(frameAt(high));
    // From a fifth of the rate in a lull to well over half again at the wave's crest.
    EXPECT_NEAR(calmest, 0.2 * base, 0.15 * base);
    EXPECT_NEAR(snow.emitter().particleBirthRate(), 1.7 * base, 0.15 * base);
    EXPECT_LT(slowest, snow.emitter().particleSpeed());
    EXPECT_LT(snow.emitter().particleSpeed(), 1.2 * snow.baseFall() + 1e-9);
    EXPECT_DOUBLE_EQ(snow.emitter().particleSpeedRange(), 0.6 * snow.emitter().particleSpeed());
}

TEST_F(SnowSimulationTest, CrystalSwitchChangesTextureAndScale)
{
    settings.setSnowEnabled(true);
    SnowSimulation snow = make();
    EXPECT_EQ(snow.emitter().particleTexture(), snow.dotTexture());
    EXPECT_EQ(snow.emitter().particleScale(), 0.5);

    settings.setSnowflakesEnabled(true);
    settings.setSnowColorHex("not a colour");
    applyAt(snow, {1440, 900}, 2);
    EXPECT_EQ(snow.emitter().particleTexture(), snow.crystalTexture());
    EXPECT_EQ(snow.emitter().particleScale(), 0.3);
    EXPECT_EQ(snow.emitter().particleColor(), sprite::Color::fromQColor(Qt::white));
}

TEST(SnowTextures, CrystalHasSixBranchedArmsAndEmptyGaps)
{
    const sprite::TexturePtr crystal = SnowSimulation::makeCrystalTexture(2);
    ASSERT_EQ(crystal->pixelSize(), QSize(56, 56));
    const QPointF centre(14, 14);
    const double arm = 0.42 * 28;
    const auto at = [&](double angle, double radius) {
        return centre + QPointF(std::cos(angle), std::sin(angle)) * radius;
    };
    EXPECT_GT(alphaAt(*crystal, centre), 200);
    for (int i = 0; i < 6; ++i) {
        const double a = i * std::numbers::pi / 3;
        EXPECT_GT(alphaAt(*crystal, at(a, 0.3 * arm)), 150);
        EXPECT_GT(alphaAt(*crystal, at(a, 0.9 * arm)), 150);
        // Halfway along each side branch.
        const QPointF fork = at(a, 0.55 * arm);
        for (const double side : {1.0, -1.0}) {
            const QPointF mid = fork + QPointF(std::cos(a + side * std::numbers::pi / 3),
                                               std::sin(a + side * std::numbers::pi / 3)) * (0.16 * arm);
            EXPECT_GT(alphaAt(*crystal, mid), 100);
        }
        // Between two arms, beyond the branches, and outside the tips: nothing.
        EXPECT_EQ(alphaAt(*crystal, at(a + std::numbers::pi / 6, 0.95 * arm)), 0);
        EXPECT_EQ(alphaAt(*crystal, at(a, 1.15 * arm)), 0);
    }
}
