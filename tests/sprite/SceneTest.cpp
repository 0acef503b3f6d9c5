#include "sprite/Action.h"
#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"

#include "Fakes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tavik::sprite {
namespace {

EmitterNode& addSteadyEmitter(Node& parent)
{
    auto& emitter = parent.addChild(std::make_unique<EmitterNode>());
    emitter.setParticleTexture(Texture::white());
    emitter.setParticleBirthRate(100);
    emitter.setParticleLifetime(10);
    emitter.setParticleSpeed(50);
    emitter.setParticleSpeedRange(40);
    emitter.setEmissionAngleRange(6);
    return emitter;
}

TEST(SceneTest, FrameStepThenActionsThenEmitters)
{
    Scene scene({100, 100});
    std::vector<std::string> log;
    auto& emitter = scene.addChild(std::make_unique<EmitterNode>());
    emitter.setParticleLifetime(10);
    scene.setFrameStep([&](double) {
        log.push_back("frame step");
        emitter.setParticleBirthRate(emitter.particleBirthRate() + 1);
    });
    emitter.runAction(Action::repeatForever(Action::run([&] {
        log.push_back("action");
        // Set after the frame step; the emitter still sees it in this frame.
        emitter.setXAcceleration(emitter.particleBirthRate());
    })));
    scene.advance(0);
    scene.advance(1);
    EXPECT_EQ(log, (std::vector<std::string>{"frame step", "action", "frame step", "action"}));
    ASSERT_EQ(emitter.particleCount(), 2u); // the second frame's rate, 2 per second, over one second
    // Born at 0.5 s and 1 s, pushed by the acceleration the action set this very frame.
    EXPECT_NEAR(emitter.particles()[0].vx, 2 * 0.5, 1e-6);
}

TEST(SceneTest, TimeStepsAreFrameDifferencesStartingWithZero)
{
    Scene scene;
    std::vector<double> times;
    scene.setFrameStep([&](double t) { times.push_back(t); });
    scene.advance(42);
    EXPECT_EQ(scene.lastStep(), 0);
    scene.advance(42.25);
    EXPECT_EQ(scene.lastStep(), 0.25);
    scene.advance(42); // a clock going backwards gives no negative step
    EXPECT_EQ(scene.lastStep(), 0);
    EXPECT_EQ(times, (std::vector<double>{42, 42.25, 42}));
}

TEST(SceneTest, PausedSceneDoesNothingAndResumesWithoutAJump)
{
    Scene scene;
    int steps = 0;
    scene.setFrameStep([&](double) { ++steps; });
    auto& emitter = addSteadyEmitter(scene);
    scene.advance(0);
    scene.advance(1);
    const auto count = emitter.particleCount();
    scene.setPaused(true);
    scene.advance(2);
    scene.advance(30);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(emitter.particleCount(), count);
    scene.setPaused(false);
    scene.advance(30.5);
    EXPECT_EQ(scene.lastStep(), 0.5);
    EXPECT_EQ(emitter.particleCount(), count + 50);
}

TEST(SceneTest, SameSeedSameParticlesOtherSeedOthers)
{
    auto positions = [](std::uint64_t seed) {
        Scene scene;
        scene.setRandom(std::make_unique<Random>(seed));
        auto& emitter = addSteadyEmitter(scene);
        for (int i = 0; i <= 30; ++i)
            scene.advance(i / 30.0);
        std::vector<float> xs;
        for (const Particle& p : emitter.particles())
            xs.push_back(p.x);
        return xs;
    };
    EXPECT_EQ(positions(7), positions(7));
    EXPECT_NE(positions(7), positions(8));
}

TEST(SceneTest, HiddenSubtreesAreFrozen)
{
    Scene scene;
    auto& group = scene.addChild(std::make_unique<Node>());
    auto& emitter = addSteadyEmitter(group);
    scene.advance(0);
    scene.advance(1);
    const Particle before = emitter.particles().front();
    group.setHidden(true);
    scene.advance(2);
    EXPECT_EQ(emitter.particleCount(), 100u);
    EXPECT_EQ(emitter.particles().front().age, before.age);
    group.setHidden(false);
    scene.advance(3);
    EXPECT_EQ(emitter.particleCount(), 200u);
}

TEST(SceneTest, SizeChangeIsReportedWithTheOldSize)
{
    class Sized : public Scene {
    public:
        QSizeF reported{-1, -1};

    protected:
        void didChangeSize(QSizeF old) override { reported = old; }
    } scene;
    scene.setSize({10, 20});
    EXPECT_EQ(scene.reported, QSizeF(0, 0));
    scene.reported = {-1, -1};
    scene.setSize({10, 20});
    EXPECT_EQ(scene.reported, QSizeF(-1, -1)); // unchanged: no call
}

} // namespace
} // namespace tavik::sprite
