#include "effects/SnowSimulation.h"

#include "settings/SettingsStore.h"
#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tavik;

namespace {

class SnowSimulationTest : public ::testing::Test {
protected:
    SnowSimulation make(QSizeF size = {1440, 900})
    {
        return SnowSimulation(size, settings, EffectContext{scene.random(), dock, 2});
    }

    MemoryKeyValueStore db;
    SettingsStore settings{(db.setValue("app.didFirstLaunch", true), db)};
    sprite::Scene scene{QSizeF(1440, 900)};
    NoDockGeometry dock;
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

    snow.apply(settings, {500, 900});
    EXPECT_DOUBLE_EQ(snow.emitter().particleBirthRate(), 22.5);
    settings.setLowPowerMode(true);
    snow.apply(settings, {1440, 900});
    EXPECT_DOUBLE_EQ(snow.emitter().particleBirthRate(), 22.5);

    settings.setSnowDensity(-10);
    snow.apply(settings, {1440, 900});
    EXPECT_EQ(snow.emitter().particleBirthRate(), 0);

    settings.setSnowDensity(50);
    settings.setSnowEnabled(false);
    snow.apply(settings, {1440, 900});
    EXPECT_EQ(snow.baseBirthRate(), 0);

    // Below the range counts as the slowest setting. Its slowest flake (3 points a second,
    // gaining 1.4 every second) needs 35 s to cross the scene: it lives that long, and not
    // much longer out of sight.
    settings.setSnowFallSpeed(0);
    snow.apply(settings, {1440, 900});
    EXPECT_EQ(snow.baseFall(), 7);
    EXPECT_GT(snow.emitter().particleLifetime(), 35);
    EXPECT_LT(snow.emitter().particleLifetime(), 60);
}

TEST_F(SnowSimulationTest, CrystalSwitchChangesTextureAndScale)
{
    settings.setSnowEnabled(true);
    SnowSimulation snow = make();
    EXPECT_EQ(snow.emitter().particleTexture(), snow.dotTexture());
    EXPECT_EQ(snow.emitter().particleScale(), 0.5);

    settings.setSnowflakesEnabled(true);
    settings.setSnowColorHex("not a colour");
    snow.apply(settings, {1440, 900});
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
