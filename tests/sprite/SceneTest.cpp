#include "sprite/Action.h"
#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <string>
#include <vector>

namespace tavik::sprite {
namespace {

// Reports its own destruction, to check ownership.
class Probe : public Node {
public:
    explicit Probe(bool& destroyed) : m_destroyed(destroyed) {}
    ~Probe() override { m_destroyed = true; }

private:
    bool& m_destroyed;
};

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

// Each change applies on top of the ones before; (1, 1) maps to where the transform now puts it.
TEST(NodeTest, LocalTransformScalesThenRotatesThenTranslatesAndFollowsEveryChange)
{
    Node node;
    const struct {
        std::function<void(Node&)> change;
        QPointF mapped;
    } steps[] = {
        {[](Node&) {}, {1, 1}},
        {[](Node& n) { n.setPosition({5, 0}); }, {6, 1}},
        {[](Node& n) { n.setScale(2); }, {7, 2}},
        {[](Node& n) { n.setXScale(1); }, {6, 2}},
        {[](Node& n) { n.setYScale(-1); }, {6, -1}},
        {[](Node& n) { n.setZRotation(std::numbers::pi); }, {4, 1}},
        {[](Node& n) { n.setZRotation(std::numbers::pi / 2); }, {6, 1}},
        {[](Node& n) { n.setYScale(3); }, {2, 1}},
        {[](Node& n) { n.setXScale(2); }, {2, 2}},
    };
    for (const auto& step : steps) {
        step.change(node);
        EXPECT_NEAR(node.localTransform().mapX(1, 1), step.mapped.x(), 1e-9) << step.mapped.x();
        EXPECT_NEAR(node.localTransform().mapY(1, 1), step.mapped.y(), 1e-9) << step.mapped.y();
    }
}

TEST(NodeTest, ChildrenAreOwnedAndDestroyedWithRemoval)
{
    bool firstGone = false;
    bool secondGone = false;
    Scene scene;
    Node& parent = scene.addChild(std::make_unique<Node>());
    Probe& first = parent.addChild(std::make_unique<Probe>(firstGone));
    parent.addChild(std::make_unique<Probe>(secondGone));
    EXPECT_EQ(first.parent(), &parent);
    EXPECT_EQ(first.scene(), &scene);
    first.removeFromParent();
    EXPECT_TRUE(firstGone);
    EXPECT_EQ(parent.children().size(), 1u);
    parent.removeAllChildren();
    EXPECT_TRUE(secondGone);

    Node root; // a tree outside any scene
    Node& child = root.addChild(std::make_unique<Node>());
    EXPECT_EQ(child.scene(), nullptr);
    child.removeFromParent();
    EXPECT_TRUE(root.children().empty());
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
        emitter.setXAcceleration(emitter.particleBirthRate()); // seen by the emitter in this very frame
    })));
    scene.advance(42);
    EXPECT_EQ(scene.lastStep(), 0);
    scene.advance(43);
    EXPECT_EQ(scene.lastStep(), 1);
    EXPECT_EQ(log, "fafa");
    ASSERT_EQ(emitter.particleCount(), 2u); // the second frame's rate, 2 per second, over one second
    // Born at 42.5 s and 43 s, pushed by the acceleration the action set this very frame.
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
