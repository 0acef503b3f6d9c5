#include "sprite/DrawList.h"
#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"

#include "Fakes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace tavik::sprite {
namespace {

using testing::FixedRandom;

class EmitterNodeTest : public ::testing::Test {
protected:
    EmitterNodeTest() : emitter(scene.addChild(std::make_unique<EmitterNode>()))
    {
        emitter.setParticleTexture(Texture::white());
        emitter.setParticleLifetime(100);
    }

    // Frames of `step` seconds from the current time until `seconds` have passed.
    void runFor(double seconds, double step = 1.0 / 60.0)
    {
        const double start = now;
        const int frames = int(std::lround(seconds / step));
        for (int i = 1; i <= frames; ++i) {
            now = start + i * step;
            scene.advance(now);
        }
    }
    void useRandom(double value) { scene.setRandom(std::make_unique<FixedRandom>(value)); }

    Scene scene{{800, 600}};
    EmitterNode& emitter;
    double now = 0.0;
    void SetUp() override { scene.advance(0); }
};

TEST_F(EmitterNodeTest, BirthRateCarriesFractionsAcrossFrames)
{
    emitter.setParticleBirthRate(10);
    runFor(1);
    EXPECT_EQ(emitter.emittedCount(), 10u);
    runFor(0.95);
    EXPECT_EQ(emitter.emittedCount(), 19u);

    emitter.resetSimulation();
    emitter.setParticleBirthRate(0.5); // less than one per frame, and per second
    runFor(1.9);
    EXPECT_EQ(emitter.emittedCount(), 0u);
    runFor(0.2);
    EXPECT_EQ(emitter.emittedCount(), 1u);
}

TEST_F(EmitterNodeTest, PopulationSettlesAtRateTimesLifetime)
{
    emitter.setParticleBirthRate(120);
    emitter.setParticleLifetime(0.5);
    runFor(3);
    EXPECT_NEAR(double(emitter.particleCount()), 60.0, 1.0);
    for (const Particle& p : emitter.particles())
        EXPECT_LT(p.age, 0.5f);

    emitter.setParticleBirthRate(0);
    runFor(0.6);
    EXPECT_EQ(emitter.particleCount(), 0u);
    EXPECT_TRUE(emitter.isIdle());
}

TEST_F(EmitterNodeTest, LivePopulationStopsAtTheCeilingWhileBirthsAreStillCounted)
{
    const auto ceiling = EmitterNode::kMaxLiveParticles;
    struct Case {
        double rate, step;
    };
    // One second's births fill the emitter one and a half times over: in one step or in many.
    for (const Case c : {Case{1.5 * double(ceiling), 1.0}, Case{1.5 * double(ceiling), 0.25}}) {
        emitter.resetSimulation();
        emitter.setParticleBirthRate(c.rate);
        runFor(1, c.step);
        EXPECT_EQ(emitter.particleCount(), ceiling);
        EXPECT_NEAR(double(emitter.emittedCount()), c.rate, 1.0);
        runFor(c.step, c.step);
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

TEST_F(EmitterNodeTest, RangesSpreadEvenlyAroundTheirValue)
{
    emitter.setParticleBirthRate(2000);
    emitter.setParticleSpeed(100);
    emitter.setParticleSpeedRange(40);
    emitter.setEmissionAngle(std::numbers::pi / 2);
    emitter.setParticleLifetime(10);
    emitter.setParticleLifetimeRange(4);
    emitter.setParticlePositionRange({300, 0});
    runFor(1.0 / 60.0);
    runFor(1.0, 1.0); // one giant step: births spread over it
    ASSERT_GT(emitter.particleCount(), 1900u);

    double minSpeed = 1e9, maxSpeed = 0, sumSpeed = 0, minX = 1e9, maxX = -1e9, minLife = 1e9, maxLife = 0;
    for (const Particle& p : emitter.particles()) {
        const double speed = std::hypot(p.vx, p.vy);
        minSpeed = std::min(minSpeed, speed);
        maxSpeed = std::max(maxSpeed, speed);
        sumSpeed += speed;
        minX = std::min(minX, double(p.x));
        maxX = std::max(maxX, double(p.x));
        minLife = std::min(minLife, double(p.lifetime));
        maxLife = std::max(maxLife, double(p.lifetime));
        EXPECT_NEAR(p.vx, 0.0, 1e-3);
    }
    EXPECT_GE(minSpeed, 80 - 1e-3);
    EXPECT_LE(maxSpeed, 120 + 1e-3);
    EXPECT_LT(minSpeed, 82);
    EXPECT_GT(maxSpeed, 118);
    EXPECT_NEAR(sumSpeed / double(emitter.particleCount()), 100, 1.0);
    EXPECT_GE(minX, -150);
    EXPECT_LE(maxX, 150);
    EXPECT_LT(minX, -145);
    EXPECT_GT(maxX, 145);
    EXPECT_GE(minLife, 8 - 1e-4);
    EXPECT_LE(maxLife, 12 + 1e-4);
}

TEST_F(EmitterNodeTest, RangeEndsAreValueMinusAndPlusHalfTheRange)
{
    emitter.setParticleBirthRate(60);
    emitter.setParticleAlpha(0.6);
    emitter.setParticleAlphaRange(0.4);
    emitter.setParticleScale(1.0);
    emitter.setParticleScaleRange(0.5);
    emitter.setParticleRotation(1.0);
    emitter.setParticleRotationRange(2.0);
    useRandom(0.0);
    runFor(1.0 / 60.0);
    ASSERT_EQ(emitter.particleCount(), 1u);
    EXPECT_FLOAT_EQ(emitter.particles()[0].alpha, 0.4f);
    EXPECT_FLOAT_EQ(emitter.particles()[0].scale, 0.75f);
    EXPECT_FLOAT_EQ(emitter.particles()[0].rotation, 0.0f);
    useRandom(0.5);
    runFor(1.0 / 60.0);
    EXPECT_FLOAT_EQ(emitter.particles()[1].alpha, 0.6f);
    EXPECT_FLOAT_EQ(emitter.particles()[1].rotation, 1.0f);
}

TEST_F(EmitterNodeTest, AccelerationBendsParticlesAlreadyInFlight)
{
    emitter.setParticleBirthRate(1);
    emitter.setNumParticlesToEmit(1);
    runFor(1.0, 1.0);
    ASSERT_EQ(emitter.particleCount(), 1u);
    EXPECT_EQ(emitter.particles()[0].x, 0.0f);

    emitter.setXAcceleration(10); // wind picks up after the particle was born
    emitter.setYAcceleration(-4);
    runFor(2.0);
    EXPECT_NEAR(emitter.particles()[0].x, 0.5 * 10 * 4, 1e-3); // ½ a t², whatever the frame rate
    EXPECT_NEAR(emitter.particles()[0].y, -0.5 * 4 * 4, 1e-3);
    EXPECT_NEAR(emitter.particles()[0].vx, 20, 1e-3);
}

TEST_F(EmitterNodeTest, PathsDoNotDependOnTheFrameRate)
{
    auto finalY = [](double step) {
        Scene scene;
        auto& emitter = scene.addChild(std::make_unique<EmitterNode>());
        emitter.setParticleBirthRate(1);
        emitter.setNumParticlesToEmit(1);
        emitter.setParticleLifetime(100);
        emitter.setParticleSpeed(30);
        emitter.setEmissionAngle(std::numbers::pi / 2);
        emitter.setYAcceleration(-9.8);
        for (int i = 0; i * step <= 3.0 + 1e-9; ++i)
            scene.advance(i * step);
        return emitter.particles().at(0).y;
    };
    EXPECT_NEAR(finalY(1.0 / 60.0), finalY(0.5), 1e-3);
    EXPECT_NEAR(finalY(0.1), 30 * 2 - 0.5 * 9.8 * 4, 1e-3); // born at t = 1, flying for 2 s
}

TEST_F(EmitterNodeTest, EmissionEndsAfterNumParticlesToEmit)
{
    emitter.setParticleBirthRate(400);
    emitter.setNumParticlesToEmit(8);
    emitter.setParticleLifetime(0.35);
    runFor(1.0 / 60.0);
    EXPECT_EQ(emitter.emittedCount(), 6u);
    runFor(0.1);
    EXPECT_EQ(emitter.emittedCount(), 8u);
    EXPECT_EQ(emitter.particleCount(), 8u);
    runFor(1);
    EXPECT_EQ(emitter.emittedCount(), 8u);
    EXPECT_TRUE(emitter.isIdle());

    emitter.resetSimulation(); // re-arms the burst
    runFor(0.1);
    EXPECT_EQ(emitter.emittedCount(), 8u);
}

TEST_F(EmitterNodeTest, AlphaScaleAndRotationChangeAtTheirSpeeds)
{
    emitter.setParticleBirthRate(1);
    emitter.setNumParticlesToEmit(1);
    emitter.setParticleAlpha(1.0);
    emitter.setParticleAlphaSpeed(-0.5);
    emitter.setParticleScale(0.4);
    emitter.setParticleScaleSpeed(-0.4);
    emitter.setParticleRotationSpeed(1.5);
    runFor(1.0, 1.0);
    runFor(0.5);
    const Particle& p = emitter.particles().at(0);
    EXPECT_NEAR(p.alpha, 0.75, 1e-4);
    EXPECT_NEAR(p.scale, 0.2, 1e-4);
    EXPECT_NEAR(p.rotation, 0.75, 1e-4);
}

TEST_F(EmitterNodeTest, NewbornsAreSpreadOverTheStep)
{
    emitter.setParticleBirthRate(10);
    emitter.setParticleSpeed(100);
    emitter.setEmissionAngle(-std::numbers::pi / 2);
    runFor(1.0, 1.0);
    ASSERT_EQ(emitter.particleCount(), 10u);
    std::vector<float> ys;
    for (const Particle& p : emitter.particles())
        ys.push_back(p.y);
    std::sort(ys.begin(), ys.end());
    for (std::size_t i = 0; i < ys.size(); ++i)
        EXPECT_NEAR(ys[i], -100.0 * (0.9 - 0.1 * double(i)), 1e-3); // born every 0.1 s
}

TEST_F(EmitterNodeTest, IdleEmitterDrawsNoRandomNumbers)
{
    auto random = std::make_unique<FixedRandom>(0.5);
    const FixedRandom& probe = *random;
    scene.setRandom(std::move(random));
    runFor(1);
    EXPECT_EQ(probe.calls(), 0);
    emitter.setParticleBirthRate(1);
    runFor(1);
    EXPECT_GT(probe.calls(), 0);
}

TEST_F(EmitterNodeTest, ParticlesLiveInTheEmittersSpace)
{
    emitter.setParticleBirthRate(1);
    emitter.setNumParticlesToEmit(1);
    runFor(1.0, 1.0);
    emitter.setPosition({200, 300});
    DrawList list;
    list.build(scene);
    ASSERT_EQ(list.quads().size(), 1u);
    const Quad& q = list.quads()[0];
    // A 1 × 1 point texture centred on the particle at the emitter's origin.
    EXPECT_NEAR(q.tx + 0.5f * (q.a + q.c), 200, 1e-4);
    EXPECT_NEAR(q.ty + 0.5f * (q.b + q.d), 300, 1e-4);
}

} // namespace
} // namespace tavik::sprite
