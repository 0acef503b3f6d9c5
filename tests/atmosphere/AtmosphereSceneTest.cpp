#include "atmosphere/AtmosphereScene.h"
#include "atmosphere/CloudUnderlayScene.h"
#include "atmosphere/SceneDump.h"

#include "effects/DockSettleSystem.h"
#include "effects/FireflySimulation.h"
#include "effects/RainSimulation.h"
#include "effects/SnowSimulation.h"
#include "effects/SplashSystem.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QJsonArray>

using namespace tavik;

namespace {
class SceneFixture : public ::testing::Test {
protected:
    std::unique_ptr<AtmosphereScene> makeScene(QSizeF size = {1440, 900}, ScreenRenderInfo info = {})
    {
        return std::make_unique<AtmosphereScene>(size, store, info, dock, 7);
    }

    MemoryKeyValueStore db;
    SettingsStore store{db};
    FixedDockGeometry dock;
};

} // namespace

TEST_F(SceneFixture, FirstStepIsASixtiethThenStepsAreClampedToATenth)
{
    store.setWindStrength(50);
    auto scene = makeScene();
    const auto slow = [&] { return scene->wind().slowPhase; };
    scene->advance(42);
    EXPECT_NEAR(slow(), 0.35 / 60, 1e-12);
    scene->advance(47); // five seconds later
    EXPECT_NEAR(slow(), 0.35 / 60 + 0.35 * 0.1, 1e-12);
    scene->advance(47.01);
    EXPECT_NEAR(slow(), 0.35 / 60 + 0.35 * 0.11, 1e-12);
    EXPECT_EQ(scene->lastUpdate(), 47.01);
}

TEST_F(SceneFixture, MasterSwitchOffPausesEverythingAndKeepsTheLastFrameTime)
{
    store.setWindStrength(50);
    auto scene = makeScene();
    scene->advance(10);
    const double phase = scene->wind().slowPhase;
    const auto drops = scene->effectAs<RainSimulation>("rain")->emitter().particleCount();

    store.setEnabled(false);
    scene->applySettings();
    EXPECT_TRUE(scene->isPaused());
    EXPECT_FALSE(scene->isRenderingEnabled());
    for (double t = 11; t < 20; t += 1)
        scene->advance(t);
    EXPECT_EQ(scene->wind().slowPhase, phase);
    EXPECT_EQ(scene->lastUpdate(), 10);
    EXPECT_EQ(scene->effectAs<RainSimulation>("rain")->emitter().particleCount(), drops);

    store.setEnabled(true);
    scene->applySettings();
    scene->advance(30);
    EXPECT_NEAR(scene->wind().slowPhase, phase + 0.35 * 0.1, 1e-12);
}

TEST_F(SceneFixture, WindPushesRainAndSnowOnlyWhileItIsOn)
{
    store.setWindStrength(80);
    store.setWindDirection(30);
    store.setSnowEnabled(true);
    auto scene = makeScene();
    for (int i = 0; i < 10; ++i)
        scene->advance(1 + i / 60.0);
    const double dx = scene->wind().sample().velocity.dx;
    ASSERT_GT(dx, 0);
    EXPECT_EQ(scene->effectAs<RainSimulation>("rain")->emitter().xAcceleration(), dx);
    EXPECT_DOUBLE_EQ(scene->effectAs<SnowSimulation>("snow")->emitter().xAcceleration(), 0.9 * dx);

    store.setWindEnabled(false);
    scene->applySettings();
    scene->advance(2);
    EXPECT_EQ(scene->effectAs<RainSimulation>("rain")->emitter().xAcceleration(), 0);
    EXPECT_EQ(scene->effectAs<SnowSimulation>("snow")->emitter().xAcceleration(), 0);
}

TEST_F(SceneFixture, EffectsAreStackedInTheirFixedDepthOrder)
{
    auto scene = makeScene();
    const std::map<std::string, double> depth = {
        {"aurora", -3}, {"stars", -2}, {"clouds", -1}, {"rain", 0},     {"snow", 1},
        {"leaves", 2},  {"petals", 2}, {"fireflies", 3}, {"splash", 4}, {"dockSettle", 5},
        {"fog", 6},     {"dust", 7},   {"sunRays", 8}, {"moonRays", 8}, {"thunder", 10},
    };
    const auto effects = scene->effects();
    ASSERT_EQ(effects.size(), depth.size());
    for (const auto& [name, effect] : effects) {
        const sprite::Node* node = &effect->node();
        EXPECT_EQ(node->zPosition(), depth.at(name)) << name;
        EXPECT_EQ(node->parent(), scene.get()) << name;
    }
    // Added back to front.
    double previous = -100;
    for (const auto& child : scene->children()) {
        EXPECT_GE(child->zPosition(), previous);
        previous = child->zPosition();
    }
    EXPECT_EQ(scene->children().size(), depth.size());
}

TEST_F(SceneFixture, PointerCountsOnTheDisplayEdgesButNotBeyond)
{
    store.setHoverDockEffect(true);
    store.setBottomScreenSplash(false);
    store.setDropsPerSecond(100);
    const auto splashesWithPointerAt = [&](QPointF pointer) {
        auto scene = makeScene();
        scene->setPointerSource([pointer] { return std::optional<QPointF>(pointer); });
        for (int i = 0; i < 30; ++i)
            scene->advance(1 + i / 60.0);
        return scene->effectAs<SplashSystem>("splash")->node().children().size();
    };
    EXPECT_GT(splashesWithPointerAt({1440, 180}), 0u);
    EXPECT_GT(splashesWithPointerAt({0, 0}), 0u);
    EXPECT_EQ(splashesWithPointerAt({1441, 180}), 0u);
    EXPECT_EQ(splashesWithPointerAt({700, -1}), 0u);
    EXPECT_EQ(splashesWithPointerAt({700, 0.34 * 900}), 0u); // above the lower third
}

TEST_F(SceneFixture, OnlyADockAlongTheBottomTakesSplashesSettlingAndRestingFireflies)
{
    store.setDropsPerSecond(100);
    store.setLeavesEnabled(true);
    constexpr double kThickness = 64;
    using Orientation = DockGeometry::Orientation;
    const struct {
        const char* edge;
        Orientation orientation;
        QRectF rect;
        bool used;
    } cases[] = {
        {"bottom", Orientation::bottom, {420, 0, 600, kThickness}, true},
        {"left", Orientation::left, {0, 0, kThickness, 900}, false},
        {"right", Orientation::right, {1440 - kThickness, 0, kThickness, 900}, false},
    };
    for (const auto& c : cases) {
        dock.setGeometry(DockGeometry{QStringLiteral("here"), c.orientation, c.rect, kThickness, true});
        auto scene = makeScene({1440, 900}, ScreenRenderInfo{true, 1});
        for (int i = 0; i < 30; ++i)
            scene->advance(1 + i / 60.0);
        // Splashes land on the bottom dock's top edge, or else on the bottom of the screen.
        double highest = 0;
        for (const auto& splash : scene->effectAs<SplashSystem>("splash")->node().children())
            highest = std::max(highest, splash->position().y());
        EXPECT_EQ(highest, c.used ? kThickness : 0) << c.edge;
        EXPECT_EQ(scene->effectAs<DockSettleSystem>("dockSettle")->spawnOne() != nullptr, c.used) << c.edge;
        EXPECT_EQ(scene->effectAs<FireflySimulation>("fireflies")->restPointOnDock().has_value(), c.used) << c.edge;
    }
}

TEST_F(SceneFixture, ResizeMovesTheCloudsOfRainAndSnowAndANarrowSceneCountsAsOnePoint)
{
    store.setSnowEnabled(true);
    auto scene = makeScene();
    scene->setSize({2880, 1000});
    EXPECT_EQ(scene->effectAs<RainSimulation>("rain")->emitter().position(), QPointF(1440, 1020));
    EXPECT_EQ(scene->effectAs<SnowSimulation>("snow")->emitter().position(), QPointF(1440, 1016));
    EXPECT_DOUBLE_EQ(scene->effectAs<RainSimulation>("rain")->emitter().particleBirthRate(), 22 * 2.0);
    EXPECT_EQ(scene->thunder().glow().size(), QSizeF(2880, 1000));

    scene->setSize({0.5, 300});
    EXPECT_EQ(scene->effectAs<RainSimulation>("rain")->emitter().position(), QPointF(0.5, 320));
    EXPECT_EQ(scene->effectAs<SnowSimulation>("snow")->emitter().position(), QPointF(0.5, 316));
}

TEST_F(SceneFixture, SuppressedCloudsLeaveTheSceneAndTheUnderlayKeepsThem)
{
    store.setCloudsEnabled(true);
    store.setCloudCount(6);
    auto scene = makeScene();
    EXPECT_EQ(scene->clouds().clouds().size(), 6u);
    scene->setCloudsSuppressed(true);
    scene->applySettings();
    EXPECT_TRUE(scene->clouds().clouds().empty());

    CloudUnderlayScene underlay({1440, 900}, store);
    EXPECT_EQ(underlay.clouds().clouds().size(), 6u);
    EXPECT_FALSE(underlay.clouds().isSuppressed());

    underlay.advance(1);
    store.setScreenLocked(true);
    underlay.applySettings();
    EXPECT_TRUE(underlay.isPaused());
    const double phase = underlay.wind().slowPhase;
    underlay.advance(50);
    EXPECT_EQ(underlay.wind().slowPhase, phase);
    store.setScreenLocked(false);
    underlay.applySettings();
    store.setWindStrength(40);
    underlay.applySettings();
    underlay.advance(60);
    EXPECT_LE(underlay.wind().slowPhase - phase, 0.35 * 0.1 + 1e-12);

    store.setLowPowerMode(true); // halves the clouds: the new size re-applies settings
    underlay.setSize({1000, 700});
    EXPECT_EQ(underlay.clouds().clouds().size(), 3u);
    EXPECT_EQ(underlay.clouds().sceneSize(), QSizeF(1000, 700));
}

TEST_F(SceneFixture, LightningReachesTheHandlerOncePerFlash)
{
    store.setThunderEnabled(true);
    store.setThunderFrequency(100);
    auto scene = makeScene();
    std::vector<double> strikes;
    scene->setLightningHandler([&strikes](double b) { strikes.push_back(b); });
    for (int i = 0; i <= 60 * 30; ++i)
        scene->advance(1 + i / 60.0);
    // Frequency 100: the first flash within 2 to 7.5 s, then every 3 to 7.5 s.
    EXPECT_GE(strikes.size(), 3u);
    EXPECT_LE(strikes.size(), 10u);
    for (double b : strikes)
        EXPECT_EQ(b, store.thunderBrightness());
}

TEST_F(SceneFixture, DumpListsEveryEffectWithItsNodes)
{
    store.setFogEnabled(true);
    store.setFogDensity(30);
    auto scene = makeScene();
    scene->advance(1);
    scene->advance(1.5);
    const QJsonObject dump = dumpScene(*scene);
    EXPECT_EQ(dump["size"].toArray(), (QJsonArray{1440, 900}));
    const QJsonObject effects = dump["effects"].toObject();
    EXPECT_EQ(effects.size(), 15);
    EXPECT_EQ(effects["thunder"].toObject()["z"].toDouble(), 10);
    const QJsonArray fog = effects["fog"].toObject()["children"].toArray();
    ASSERT_EQ(fog.size(), 3);
    EXPECT_EQ(fog[0].toObject()["kind"].toString(), "sprite");
    const QJsonObject rain = effects["rain"].toObject()["children"].toArray()[0].toObject();
    EXPECT_EQ(rain["kind"].toString(), "emitter");
    EXPECT_GT(rain["particles"].toInt(), 0);
    EXPECT_DOUBLE_EQ(rain["birthRate"].toDouble(), 22);
}

TEST_F(SceneFixture, ANewBackingScaleReachesEveryEffect)
{
    store.setStarsEnabled(true);
    auto moved = makeScene({800, 600}, {true, 1});
    moved->setInfo({true, 2});
    const auto bornThere = makeScene({800, 600}, {true, 2});
    for (const auto& [name, effect] : moved->effects())
        EXPECT_EQ(effect->textures().front()->pixelSize(), bornThere->effect(name)->textures().front()->pixelSize())
            << name;
}
