#include "sprite/Action.h"
#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"

#include "Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace tavik::sprite {
namespace {

using testing::FixedRandom;

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

TEST(SceneTest, FrameStepThenActionsThenEmittersWithFrameDifferencesAsSteps)
{
    Scene scene({100, 100});
    std::string log;
    std::vector<double> times;
    auto& emitter = scene.addChild(std::make_unique<EmitterNode>());
    emitter.setParticleLifetime(10);
    scene.setFrameStep([&](double t) {
        log += 'f';
        times.push_back(t);
        emitter.setParticleBirthRate(emitter.particleBirthRate() + 1);
    });
    emitter.runAction(Action::repeatForever(Action::run([&] {
        log += 'a';
        emitter.setXAcceleration(emitter.particleBirthRate());
    })));
    scene.advance(42);
    EXPECT_EQ(scene.lastStep(), 0);
    scene.advance(43);
    EXPECT_EQ(scene.lastStep(), 1);
    EXPECT_EQ(log, "fafa");
    ASSERT_EQ(emitter.particleCount(), 2u); // the second frame's rate, 2 per second, over one second
    // Born at 42.5 s, pushed by the acceleration the action set in this very frame.
    EXPECT_NEAR(emitter.particles()[0].vx, 2 * 0.5, 1e-6);
    scene.advance(42); // a clock going backwards gives no negative step
    EXPECT_EQ(scene.lastStep(), 0);
    EXPECT_EQ(times, (std::vector<double>{42, 43, 42}));
}

// Paused, nothing runs and no time is lost; hidden subtrees are frozen the same way.
TEST(SceneTest, PausedScenesAndHiddenSubtreesAreFrozenAndResumeWithoutAJump)
{
    Scene scene;
    int steps = 0;
    scene.setFrameStep([&](double) { ++steps; });
    auto& emitter = addSteadyEmitter(scene);
    emitter.runAction(Action::moveBy({10, 0}, 2));
    auto& group = scene.addChild(std::make_unique<Node>());
    auto& hidden = addSteadyEmitter(group);
    scene.advance(0);
    scene.advance(1);
    const float age = hidden.particles().front().age;
    scene.setPaused(true);
    group.setHidden(true);
    scene.advance(2);
    scene.advance(30);
    EXPECT_EQ(steps, 2);
    EXPECT_EQ(emitter.particleCount(), 100u);
    EXPECT_NEAR(emitter.position().x(), 5, 1e-9);
    scene.setPaused(false);
    scene.advance(30.5);
    EXPECT_EQ(scene.lastStep(), 0.5);
    EXPECT_EQ(emitter.particleCount(), 150u);
    EXPECT_NEAR(emitter.position().x(), 7.5, 1e-9);
    EXPECT_EQ(hidden.particleCount(), 100u);
    EXPECT_EQ(hidden.particles().front().age, age);
    group.setHidden(false);
    scene.advance(31.5);
    EXPECT_EQ(hidden.particleCount(), 200u);
}

TEST(SceneTest, SizeChangeIsReportedWithTheOldSizeOnlyWhenItChanges)
{
    struct Sized : Scene {
        std::vector<QSizeF> reported;
        void didChangeSize(QSizeF old) override { reported.push_back(old); }
    } scene;
    scene.setSize({10, 20});
    scene.setSize({10, 20});
    EXPECT_EQ(scene.reported, std::vector<QSizeF>{QSizeF(0, 0)});
}

class EmitterNodeTest : public ::testing::Test {
protected:
    EmitterNodeTest() : emitter(scene.addChild(std::make_unique<EmitterNode>()))
    {
        emitter.setParticleTexture(Texture::white());
        emitter.setParticleLifetime(100);
        scene.advance(0);
    }

    // Frames of `step` seconds from the current time until `seconds` have passed.
    void runFor(double seconds, double step = 1.0 / 60.0)
    {
        const double start = now;
        for (int i = 1; i <= int(std::lround(seconds / step)); ++i)
            scene.advance(now = start + i * step);
    }

    Scene scene{{800, 600}};
    EmitterNode& emitter;
    double now = 0.0;
};

TEST_F(EmitterNodeTest, BirthsCarryFractionsAcrossFramesAndStopAtNumParticlesToEmit)
{
    auto random = std::make_unique<FixedRandom>(0.5);
    const FixedRandom& probe = *random;
    scene.setRandom(std::move(random));
    runFor(1);
    EXPECT_EQ(probe.calls(), 0); // an idle emitter draws no random numbers
    emitter.setParticleBirthRate(10);
    runFor(1);
    EXPECT_EQ(emitter.emittedCount(), 10u);
    EXPECT_GT(probe.calls(), 0);
    runFor(0.95);
    EXPECT_EQ(emitter.emittedCount(), 19u);

    emitter.resetSimulation();
    emitter.setParticleBirthRate(0.5); // less than one per frame, and per second
    runFor(1.9);
    EXPECT_EQ(emitter.emittedCount(), 0u);
    runFor(0.2);
    EXPECT_EQ(emitter.emittedCount(), 1u);

    // A burst: it ends at its count, and its particles die at their lifetime.
    emitter.resetSimulation();
    emitter.setParticleBirthRate(400);
    emitter.setNumParticlesToEmit(8);
    emitter.setParticleLifetime(0.35);
    runFor(1.0 / 60.0);
    EXPECT_EQ(emitter.emittedCount(), 6u);
    runFor(0.1);
    EXPECT_EQ(emitter.particleCount(), 8u);
    runFor(1);
    EXPECT_EQ(emitter.emittedCount(), 8u);
    EXPECT_TRUE(emitter.isIdle());
}

TEST_F(EmitterNodeTest, LivePopulationStopsAtTheCeilingWhileBirthsAreStillCounted)
{
    const auto ceiling = EmitterNode::kMaxLiveParticles;
    // One second's births fill the emitter one and a half times over: in one step or in many.
    for (const double step : {1.0, 0.25}) {
        emitter.resetSimulation();
        emitter.setParticleBirthRate(1.5 * double(ceiling));
        runFor(1, step);
        EXPECT_EQ(emitter.particleCount(), ceiling);
        EXPECT_NEAR(double(emitter.emittedCount()), 1.5 * double(ceiling), 1.0);
        runFor(step, step);
        EXPECT_EQ(emitter.particleCount(), ceiling);
    }
    // Rates no frame could count one by one, and rates that are no number, make no more.
    for (const double rate : {1e300, std::numeric_limits<double>::infinity(), std::nan("")}) {
        emitter.resetSimulation();
        emitter.setParticleBirthRate(rate);
        runFor(0.1);
        EXPECT_LE(emitter.particleCount(), ceiling);
    }
}

// At the lowest draw each ranged value is its value minus half its range, at the highest plus half.
TEST_F(EmitterNodeTest, RangedValuesSpanTheirRangeAroundTheirValue)
{
    emitter.setParticleBirthRate(60);
    emitter.setNumParticlesToEmit(1);
    emitter.setParticlePositionRange({300, 40});
    emitter.setParticleSpeed(100);
    emitter.setParticleSpeedRange(40);
    emitter.setEmissionAngleRange(1);
    emitter.setParticleLifetime(10);
    emitter.setParticleLifetimeRange(4);
    emitter.setParticleAlpha(0.6);
    emitter.setParticleAlphaRange(0.4);
    emitter.setParticleScaleRange(0.5);
    emitter.setParticleRotation(1.0);
    emitter.setParticleRotationRange(2.0);
    for (const double draw : {0.0, 0.5, 1.0}) {
        SCOPED_TRACE(draw);
        const double h = draw - 0.5;
        emitter.resetSimulation();
        scene.setRandom(std::make_unique<FixedRandom>(draw));
        runFor(1.0 / 60.0);
        ASSERT_EQ(emitter.particleCount(), 1u);
        const Particle& p = emitter.particles()[0];
        EXPECT_NEAR(p.x, 300 * h, 1e-3);
        EXPECT_NEAR(p.y, 40 * h, 1e-3);
        EXPECT_NEAR(p.vx, (100 + 40 * h) * std::cos(h), 1e-3);
        EXPECT_NEAR(p.vy, (100 + 40 * h) * std::sin(h), 1e-3);
        EXPECT_NEAR(p.lifetime, 10 + 4 * h, 1e-4);
        EXPECT_NEAR(p.alpha, 0.6 + 0.4 * h, 1e-6);
        EXPECT_NEAR(p.scale, 1 + 0.5 * h, 1e-6);
        EXPECT_NEAR(p.rotation, 1 + 2 * h, 1e-6);
    }
}

// A particle's state follows from its age alone, whatever the frame steps: births are spread
// over the step and constant acceleration is integrated exactly, also for particles in flight.
TEST(EmitterMotionTest, ParticlesMoveByTheirAgeWhateverTheFrameSteps)
{
    const double angle = std::numbers::pi / 6;
    auto run = [angle](double step) {
        Scene scene;
        auto& emitter = scene.addChild(std::make_unique<EmitterNode>());
        emitter.setParticleBirthRate(10);
        emitter.setParticleLifetime(100);
        emitter.setParticleSpeed(30);
        emitter.setEmissionAngle(angle);
        emitter.setParticleAlphaSpeed(-0.1);
        emitter.setParticleScaleSpeed(-0.1);
        emitter.setParticleRotationSpeed(1.5);
        for (int i = 0; i * step <= 1 + 1e-9; ++i)
            scene.advance(i * step);
        emitter.setXAcceleration(10); // wind picks up after the first births
        emitter.setYAcceleration(-4);
        for (int i = 1; i * step <= 2 + 1e-9; ++i)
            scene.advance(1 + i * step);
        std::vector<Particle> out = emitter.particles();
        std::sort(out.begin(), out.end(), [](const Particle& l, const Particle& r) { return l.age > r.age; });
        return out;
    };
    const std::vector<Particle> reference = run(1.0);
    ASSERT_EQ(reference.size(), 30u);
    for (std::size_t i = 0; i < reference.size(); ++i)
        EXPECT_NEAR(reference[i].age, 2.9 - 0.1 * double(i), 1e-4); // one born every 0.1 s
    // The first, born at 0.1 s: 2.9 s of flight, the last 2 s of them in the wind.
    const Particle& first = reference[0];
    EXPECT_NEAR(first.x, 30 * std::cos(angle) * 2.9 + 0.5 * 10 * 4, 1e-3);
    EXPECT_NEAR(first.alpha, 1 - 0.29, 1e-4);
    EXPECT_NEAR(first.rotation, 1.5 * 2.9, 1e-4);
    for (const double step : {1.0 / 60.0, 0.1, 0.5}) {
        const std::vector<Particle> particles = run(step);
        ASSERT_EQ(particles.size(), reference.size()) << step;
        for (std::size_t i = 0; i < particles.size(); ++i) {
            const Particle &p = particles[i], &q = reference[i];
            SCOPED_TRACE("step " + std::to_string(step) + " particle " + std::to_string(i));
            for (const auto& [a, b] : std::initializer_list<std::pair<float, float>>{
                     {p.x, q.x}, {p.y, q.y}, {p.vx, q.vx}, {p.vy, q.vy}, {p.age, q.age}, {p.alpha, q.alpha},
                     {p.scale, q.scale}, {p.rotation, q.rotation}})
                EXPECT_NEAR(a, b, 2e-3);
        }
    }
}

} // namespace
} // namespace tavik::sprite
