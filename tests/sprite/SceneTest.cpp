#include "sprite/Action.h"
#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"

#include "Fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <numbers>
#include <string>
#include <utility>
#include <vector>

namespace tavik::sprite {
namespace {

using testing::FixedRandom;

constexpr double kTolerance = 1e-9;
constexpr double kPi = std::numbers::pi;

std::unique_ptr<Action> note(std::string& log, char letter)
{
    return Action::run([&log, letter] { log += letter; });
}

// A node after one action run from t = 0 in frames of `step` until `until`; notes append to the log.
TEST(ActionTest, NodeShowsWhereTheActionBroughtIt)
{
    std::string log;
    struct {
        const char* name;
        std::unique_ptr<Action> action;
        double step;
        double until;
        QPointF position = {};
        double alpha = 1;
        double rotation = 0;
        std::string log = {};
        bool running = false;
    } cases[] = {
        {"fade out, then in eased", Action::sequence(Action::fadeOut(1), Action::fadeIn(1, TimingMode::EaseIn)), 0.5,
         1.5, {}, 0.25, 0, "", true},
        {"sixty sixtieths finish a second", Action::sequence(Action::fadeOut(1), note(log, 'd')), 1.0 / 60, 1, {}, 0,
         0, "d"},
        {"eased out, and both ways",
         Action::group(Action::moveTo({64, 0}, 1, TimingMode::EaseInEaseOut), Action::fadeOut(1, TimingMode::EaseOut)),
         0.25, 0.25, {10, 0}, 0.5625, 0, "", true},
        {"relative moves and turns add up",
         Action::group(Action::moveBy({100, 0}, 1), Action::moveBy({10, -50}, 2, TimingMode::EaseInEaseOut),
                       Action::rotateBy(kPi, 1), Action::rotateBy(-kPi / 2, 1)),
         0.5, 2, {110, -50}, 1, kPi / 2},
        {"group passes on its leftover",
         Action::sequence(Action::group(Action::wait(1), Action::moveBy({30, 0}, 3)), Action::moveBy({0, 10}, 1)),
         1.25, 3.75, {30, 7.5}, 1, 0, "", true},
        {"repeat restarts from the current state", Action::repeat(Action::moveBy({10, 0}, 1), 3), 2.5, 10, {30, 0}},
        {"forever repeats keep going",
         Action::repeatForever(Action::sequence(Action::fadeTo(0.2, 1), Action::fadeTo(1, 1))), 100.5, 100.5, {}, 0.6,
         0, "", true},
        {"forever repeat of nothing runs once per frame", Action::repeatForever(note(log, 't')), 50, 100, {}, 1, 0,
         "ttt", true},
        {"zero durations finish at once",
         Action::sequence(Action::fadeTo(0.25, 0), Action::moveTo({7, 7}, 0), Action::wait(0),
                          Action::repeat(note(log, 'x'), 3)),
         1, 0, {7, 7}, 0.25, 0, "xxx"},
        {"empty repeats and groups do nothing",
         Action::sequence(Action::repeat(note(log, 'n'), 0), Action::repeat(nullptr, 2), Action::repeatForever(nullptr),
                          Action::group({})),
         1, 0},
        {"a giant step finishes every child in order",
         Action::sequence(Action::moveBy({10, 0}, 1), note(log, 'a'),
                          Action::group(Action::fadeTo(0.5, 2), Action::rotateBy(1, 0.5), note(log, 'b')),
                          Action::repeat(Action::sequence(Action::moveBy({0, 1}, 0.25), note(log, 'r')), 3),
                          note(log, 'c')),
         1000, 1000, {10, 3}, 0.5, 1, "abrrrc"},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.name);
        Scene scene({100, 100});
        Node& node = scene.addChild(std::make_unique<Node>());
        log.clear();
        int completions = 0;
        node.runAction(std::move(c.action), [&] { ++completions; });
        scene.advance(0);
        for (int i = 1; i * c.step <= c.until + 1e-9; ++i)
            scene.advance(i * c.step);
        EXPECT_NEAR(node.position().x(), c.position.x(), kTolerance);
        EXPECT_NEAR(node.position().y(), c.position.y(), kTolerance);
        EXPECT_NEAR(node.alpha(), c.alpha, kTolerance);
        EXPECT_NEAR(node.zRotation(), c.rotation, kTolerance);
        EXPECT_EQ(log, c.log);
        EXPECT_EQ(node.hasActions(), c.running);
        EXPECT_EQ(completions, c.running ? 0 : 1);
    }
}

// Keys, completions, and callbacks that change the graph while actions are stepped.
class NodeActionTest : public ::testing::Test {
protected:
    Node& add(Node& parent) { return parent.addChild(std::make_unique<Node>()); }

    Scene scene{{100, 100}};
    std::string log;
};

TEST_F(NodeActionTest, KeysReplaceAndRemoveAndRemovedActionsNeverComplete)
{
    Node& node = add(scene);
    node.runAction(Action::moveBy({100, 0}, 1), "move", [&] { log += 'x'; });
    node.runAction(Action::moveBy({0, 100}, 1), "move");
    node.runAction(Action::wait(1), [&] { log += 'f'; });
    scene.advance(0);
    scene.advance(0.5);
    EXPECT_EQ(node.position(), QPointF(0, 50));
    node.removeActionForKey("move");
    EXPECT_FALSE(node.hasAction("move"));
    scene.advance(1.0);
    scene.advance(2.0);
    EXPECT_EQ(node.position(), QPointF(0, 50));
    EXPECT_EQ(log, "f");
    EXPECT_FALSE(node.hasActions());
}

TEST_F(NodeActionTest, CallbacksThatRemoveNodesOrActionsStopWhatTheyRemoved)
{
    // Its own node: the rest of the sequence, its completion and the node's other actions.
    Node& self = add(scene);
    self.runAction(Action::sequence(note(log, 'a'), Action::removeFromParent(), note(log, 'x')), [&] { log += 'x'; });
    self.runAction(note(log, 'x'));
    scene.advance(0);
    // A later node and its subtree.
    Node& first = add(scene);
    Node& second = add(scene);
    second.runAction(note(log, 'y'));
    add(second).runAction(note(log, 'y'));
    first.runAction(Action::run([&] { second.removeFromParent(); }));
    // Every action of a node, the running one included.
    first.runAction(Action::sequence(Action::run([&] { first.removeAllActions(); }), note(log, 'z')));
    first.runAction(Action::moveBy({10, 0}, 1));
    scene.advance(1);
    scene.advance(2);
    EXPECT_EQ(log, "a");
    EXPECT_EQ(scene.children().size(), 1u);
    EXPECT_FALSE(first.hasActions());
    EXPECT_EQ(first.position().x(), 0);
}

// Added between frames, an action starts at the next frame; added by a callback, at that callback's frame.
TEST_F(NodeActionTest, NewActionsStartAtTheNextFrameOrAtTheFrameOfTheCallbackThatAddedThem)
{
    Node& node = add(scene);
    std::function<void()> restart;
    restart = [&] {
        node.runAction(Action::sequence(Action::moveBy({10, 0}, 1), Action::run(restart), note(log, 'x')), "wander");
    };
    scene.advance(0);
    scene.advance(10);
    restart();
    scene.advance(10.25);
    EXPECT_NEAR(node.position().x(), 0, kTolerance); // started at 10.25, not at 10
    scene.advance(11.25); // the first leg ends and plans the second, whose clock starts at 11.25
    scene.advance(11.75);
    EXPECT_NEAR(node.position().x(), 15, kTolerance);
    scene.advance(12.25);
    scene.advance(12.5);
    EXPECT_NEAR(node.position().x(), 22.5, kTolerance); // and again at 12.25
    EXPECT_EQ(log, "");
}

// Each frame runs the frame step, then actions, then emitters, by the time since the frame before;
// paused, nothing runs and no time is lost, and a hidden subtree is frozen the same way.
TEST(SceneTest, FramesStepInOrderPausedOrHiddenPartsStandStillAndSizeChangesAreReported)
{
    struct Sized : Scene {
        std::vector<QSizeF> reported;
        void didChangeSize(QSizeF old) override { reported.push_back(old); }
    } scene;
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
    emitter.runAction(Action::moveBy({10, 0}, 2));
    auto& group = scene.addChild(std::make_unique<Node>());
    auto& hidden = group.addChild(std::make_unique<EmitterNode>());
    hidden.setParticleBirthRate(100);
    hidden.setParticleLifetime(10);
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
    const float age = hidden.particles().front().age;
    scene.setPaused(true);
    group.setHidden(true);
    scene.advance(43);
    scene.advance(60);
    EXPECT_NEAR(emitter.position().x(), 5, 1e-9);
    scene.setPaused(false);
    scene.advance(60.5);
    EXPECT_EQ(scene.lastStep(), 0.5);
    EXPECT_NEAR(emitter.position().x(), 7.5, 1e-9);
    EXPECT_EQ(emitter.particleCount(), 4u); // two more at the fourth frame's rate
    EXPECT_EQ(hidden.particleCount(), 100u);
    EXPECT_EQ(hidden.particles().front().age, age);
    group.setHidden(false);
    scene.advance(61.5);
    EXPECT_EQ(hidden.particleCount(), 200u);
    EXPECT_EQ(times, (std::vector<double>{42, 43, 42, 60.5, 61.5}));
    scene.setSize({10, 20}); // a new size is reported with the old one, the same size not at all
    scene.setSize({10, 20});
    EXPECT_EQ(scene.reported, std::vector<QSizeF>{QSizeF(0, 0)});
}

class EmitterNodeTest : public ::testing::Test {
protected:
    EmitterNodeTest() : emitter(scene.addChild(std::make_unique<EmitterNode>()))
    {
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

// Births carry fractions across frames and stop at their count; the live population stops at the
// ceiling while births are still counted.
TEST_F(EmitterNodeTest, BirthsCarryFractionsAndStopAtTheirCountAndTheLiveOnesAtTheCeiling)
{
    emitter.setParticleBirthRate(10);
    runFor(1);
    EXPECT_EQ(emitter.emittedCount(), 10u);
    runFor(0.95);
    EXPECT_EQ(emitter.emittedCount(), 19u);
    const auto ceiling = EmitterNode::kMaxLiveParticles;
    // One second's births fill the emitter one and a half times over: in one step or in many.
    for (const double step : {1.0, 0.25}) {
        emitter.resetSimulation();
        emitter.setParticleBirthRate(1.5 * double(ceiling));
        runFor(1, step);
        EXPECT_EQ(emitter.particleCount(), ceiling);
        EXPECT_NEAR(double(emitter.emittedCount()), 1.5 * double(ceiling), 1.0);
    }
    // Rates no frame could count one by one, and rates that are no number, make no more.
    for (const double rate : {1e300, std::numeric_limits<double>::infinity(), std::nan("")}) {
        emitter.resetSimulation();
        emitter.setParticleBirthRate(rate);
        runFor(0.1);
        EXPECT_LE(emitter.particleCount(), ceiling);
    }
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
