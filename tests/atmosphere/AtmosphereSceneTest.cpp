#include "atmosphere/AtmosphereScene.h"
#include "atmosphere/CloudUnderlayScene.h"

#include "effects/DockSettleSystem.h"
#include "effects/FireflySimulation.h"
#include "effects/RainSimulation.h"
#include "effects/SnowSimulation.h"
#include "effects/SplashSystem.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

using namespace tavik;

namespace {
class SceneFixture : public ::testing::Test {
protected:
    SceneFixture()
    {
        store.setWindStrength(50);
        store.setSnowEnabled(true);
    }

    std::unique_ptr<AtmosphereScene> makeScene(QSizeF size = {1440, 900}, ScreenRenderInfo info = {})
    {
        return std::make_unique<AtmosphereScene>(size, store, info, dock, 7);
    }

    static void run(AtmosphereScene& scene, double from = 1, int frames = 60)
    {
        for (int i = 0; i < frames; ++i)
            scene.advance(from + i / 60.0);
    }

    MemoryKeyValueStore db;
    SettingsStore store{db};
    FixedDockGeometry dock;
};

} // namespace

TEST_F(SceneFixture, WindTakesClampedStepsPushesRainAndSnowOnlyWhileOnAndResizingMovesTheirClouds)
{
    store.setWindStrength(80);
    store.setWindDirection(30);
    auto scene = makeScene();
    // The first step is a sixtieth of a second, later ones a tenth at most.
    scene->advance(42);
    EXPECT_NEAR(scene->wind().slowPhase, 0.35 / 60, 1e-12);
    scene->advance(47);
    EXPECT_NEAR(scene->wind().slowPhase, 0.35 / 60 + 0.35 * 0.1, 1e-12);

    const sprite::EmitterNode& rain = scene->effectAs<RainSimulation>("rain")->emitter();
    const sprite::EmitterNode& snow = scene->effectAs<SnowSimulation>("snow")->emitter();
    run(*scene, 48, 10);
    const double dx = scene->wind().sample().velocity.dx;
    ASSERT_GT(dx, 0);
    EXPECT_EQ(rain.xAcceleration(), dx);
    EXPECT_DOUBLE_EQ(snow.xAcceleration(), 0.9 * dx);
    store.setWindEnabled(false);
    scene->applySettings();
    scene->advance(49);
    EXPECT_EQ(rain.xAcceleration(), 0);
    EXPECT_EQ(snow.xAcceleration(), 0);

    scene->setSize({2880, 1000});
    EXPECT_EQ(rain.position(), QPointF(1440, 1020));
    EXPECT_EQ(snow.position(), QPointF(1440, 1016));
    EXPECT_EQ(scene->thunder().glow().size(), QSizeF(2880, 1000));
}

TEST_F(SceneFixture, EffectsAreStackedInTheirFixedDepthOrderAndDrawnAtTheirRates)
{
    auto scene = makeScene();
    const std::map<std::string, double> depth = {
        {"aurora", -3}, {"stars", -2}, {"clouds", -1}, {"rain", 0},     {"snow", 1},
        {"leaves", 2},  {"petals", 2}, {"fireflies", 3}, {"splash", 4}, {"dockSettle", 5},
        {"fog", 6},     {"dust", 7},   {"sunRays", 8}, {"moonRays", 8}, {"thunder", 10},
    };
    store.setCloudsEnabled(true);
    scene->applySettings();
    run(*scene);
    ASSERT_EQ(scene->effects().size(), depth.size());
    for (const auto& [name, effect] : scene->effects()) {
        EXPECT_EQ(effect->node().zPosition(), depth.at(name)) << name;
        // Each effect's part of the picture is drawn afresh at the rate it wants.
        if (effect->wantedRate() > 0) {
            EXPECT_EQ(effect->node().drawRate(), float(effect->wantedRate())) << name;
        }
    }
    EXPECT_EQ(scene->effect("clouds")->node().drawRate(), 10);
}

TEST_F(SceneFixture, PointerCountsOnTheDisplayEdgesButNotBeyond)
{
    store.setBottomScreenSplash(false);
    store.setHoverDockEffect(true);
    const auto splashesWithPointerAt = [&](QPointF pointer) {
        auto scene = makeScene();
        scene->setPointerSource([pointer] { return std::optional<QPointF>(pointer); });
        run(*scene, 1, 30);
        return scene->effectAs<SplashSystem>("splash")->node().children().size();
    };
    EXPECT_GT(splashesWithPointerAt({1440, 180}), 0u);
    EXPECT_GT(splashesWithPointerAt({0, 0}), 0u);
    EXPECT_EQ(splashesWithPointerAt({1441, 180}), 0u);
    EXPECT_EQ(splashesWithPointerAt({700, -1}), 0u);
}

TEST_F(SceneFixture, OnlyADockAlongTheBottomTakesSplashesSettlingAndRestingFireflies)
{
    store.setLeavesEnabled(true);
    using Orientation = DockGeometry::Orientation;
    const struct {
        Orientation orientation;
        QRectF rect;
    } cases[] = {
        {Orientation::bottom, {420, 0, 600, 64}},
        {Orientation::left, {0, 0, 64, 900}},
        {Orientation::right, {1440 - 64, 0, 64, 900}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(int(c.orientation));
        const bool used = c.orientation == Orientation::bottom;
        dock.setGeometry(DockGeometry{QStringLiteral("here"), c.orientation, c.rect, 64, true});
        auto scene = makeScene({1440, 900}, ScreenRenderInfo{true, 1});
        run(*scene, 1, 30);
        double highest = 0;
        for (const auto& splash : scene->effectAs<SplashSystem>("splash")->node().children())
            highest = std::max(highest, splash->position().y());
        EXPECT_EQ(highest, used ? 64 : 0);
        EXPECT_EQ(scene->effectAs<DockSettleSystem>("dockSettle")->spawnOne() != nullptr, used);
        EXPECT_EQ(scene->effectAs<FireflySimulation>("fireflies")->restPointOnDock().has_value(), used);
    }
}

TEST_F(SceneFixture, SuppressedCloudsLeaveTheSceneAndTheUnderlayKeepsThemPausedWhileLocked)
{
    store.setCloudsEnabled(true);
    store.setCloudCount(6);
    auto scene = makeScene();
    scene->setCloudsSuppressed(true);
    scene->applySettings();
    EXPECT_TRUE(scene->clouds().clouds().empty());

    CloudUnderlayScene underlay({1440, 900}, store);
    EXPECT_EQ(underlay.clouds().clouds().size(), 6u);
    underlay.advance(1);
    store.setScreenLocked(true);
    underlay.applySettings();
    const double phase = underlay.wind().slowPhase;
    underlay.advance(50);
    EXPECT_EQ(underlay.wind().slowPhase, phase);
    store.setScreenLocked(false);
    store.setLowPowerMode(true); // a new size re-applies the settings
    underlay.setSize({1000, 700});
    EXPECT_EQ(underlay.clouds().clouds().size(), 3u);
    EXPECT_EQ(underlay.clouds().sceneSize(), QSizeF(1000, 700));
}

TEST_F(SceneFixture, LightningReachesTheHandlerAndANewBackingScaleReachesEveryEffect)
{
    store.setThunderEnabled(true);
    store.setThunderFrequency(100);
    store.setStarsEnabled(true);
    auto scene = makeScene({800, 600}, {true, 1});
    std::vector<double> strikes;
    scene->setLightningHandler([&strikes](double b) { strikes.push_back(b); });
    run(*scene, 1, 60 * 10);
    ASSERT_FALSE(strikes.empty()) << "the first flash comes within 7.5 s";
    EXPECT_EQ(strikes.front(), store.thunderBrightness());

    scene->setInfo({true, 2});
    const auto bornThere = makeScene({800, 600}, {true, 2});
    for (const auto& [name, effect] : scene->effects())
        EXPECT_EQ(effect->textures().front()->pixelSize(), bornThere->effect(name)->textures().front()->pixelSize())
            << name;
}
