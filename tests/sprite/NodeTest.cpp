#include "sprite/Action.h"
#include "sprite/Node.h"
#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <numbers>
#include <string>
#include <vector>

namespace tavik::sprite {
namespace {

constexpr double kTolerance = 1e-9;

// Reports its own destruction, to check ownership.
class Probe : public Node {
public:
    explicit Probe(bool& destroyed) : m_destroyed(destroyed) {}
    ~Probe() override { m_destroyed = true; }

private:
    bool& m_destroyed;
};

void expectMaps(const Affine& m, QPointF from, QPointF to)
{
    EXPECT_NEAR(m.mapX(from.x(), from.y()), to.x(), kTolerance);
    EXPECT_NEAR(m.mapY(from.x(), from.y()), to.y(), kTolerance);
}

TEST(NodeTest, LocalTransformScalesThenRotatesThenTranslates)
{
    Node node;
    node.setPosition({10, 20});
    node.setZRotation(std::numbers::pi / 2);
    node.setXScale(2);
    node.setYScale(3);
    // x axis: scaled by 2, turned to point up; y axis: scaled by 3, turned to point left.
    expectMaps(node.localTransform(), {1, 0}, {10, 22});
    expectMaps(node.localTransform(), {0, 1}, {7, 20});
}

TEST(NodeTest, CachedTransformFollowsEveryChange)
{
    Node node;
    expectMaps(node.localTransform(), {1, 1}, {1, 1});
    node.setPosition({5, 0});
    expectMaps(node.localTransform(), {1, 1}, {6, 1});
    node.setScale(2);
    expectMaps(node.localTransform(), {1, 1}, {7, 2});
    node.setXScale(1);
    expectMaps(node.localTransform(), {1, 1}, {6, 2});
    node.setYScale(-1);
    expectMaps(node.localTransform(), {1, 1}, {6, -1});
    node.setZRotation(std::numbers::pi);
    expectMaps(node.localTransform(), {1, 1}, {4, 1});
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
    EXPECT_TRUE(parent.children().empty());
}

TEST(NodeTest, DetachedTreeHasNoScene)
{
    Node root;
    Node& child = root.addChild(std::make_unique<Node>());
    EXPECT_EQ(child.scene(), nullptr);
    child.removeFromParent(); // not in a scene: destroyed at once, no crash
    EXPECT_TRUE(root.children().empty());
}

// Actions as the node runs them: keys, completions, and callbacks that change the graph
// while actions are being stepped.
class NodeActionTest : public ::testing::Test {
protected:
    void frame(double t) { scene.advance(t); }

    Scene scene{{100, 100}};
    std::vector<std::string> log;
};

TEST_F(NodeActionTest, KeyedRunReplacesAndRemoveByKeyStops)
{
    Node& node = scene.addChild(std::make_unique<Node>());
    node.runAction(Action::moveBy({100, 0}, 1), "move");
    node.runAction(Action::moveBy({0, 100}, 1), "move");
    EXPECT_TRUE(node.hasAction("move"));
    frame(0);
    frame(0.5);
    EXPECT_NEAR(node.position().x(), 0, kTolerance);
    EXPECT_NEAR(node.position().y(), 50, kTolerance);

    node.removeActionForKey("move");
    EXPECT_FALSE(node.hasAction("move"));
    EXPECT_FALSE(node.hasActions());
    frame(1.0);
    EXPECT_NEAR(node.position().y(), 50, kTolerance);
}

TEST_F(NodeActionTest, CompletionRunsOnceAfterFinishingAndNeverAfterRemoval)
{
    Node& node = scene.addChild(std::make_unique<Node>());
    int finished = 0;
    int removed = 0;
    node.runAction(Action::wait(1), [&] { ++finished; });
    node.runAction(Action::wait(1), "cancelled", [&] { ++removed; });
    frame(0);
    frame(0.5);
    node.removeActionForKey("cancelled");
    EXPECT_EQ(finished, 0);
    frame(1.0);
    frame(2.0);
    EXPECT_EQ(finished, 1);
    EXPECT_EQ(removed, 0);
    EXPECT_FALSE(node.hasActions());
}

TEST_F(NodeActionTest, CompletionsOfOneFrameFollowTheRunOrder)
{
    Node& a = scene.addChild(std::make_unique<Node>());
    a.runAction(Action::wait(0.2), [&] { log.push_back("a-short"); });
    a.runAction(Action::wait(0.1), [&] { log.push_back("a-shorter"); });
    a.runAction(Action::sequence(Action::run([&] { log.push_back("seq-1"); }), Action::wait(0.05),
                                 Action::run([&] { log.push_back("seq-2"); })),
                [&] { log.push_back("seq-done"); });
    frame(0);
    frame(1);
    EXPECT_EQ(log, (std::vector<std::string>{"seq-1", "a-short", "a-shorter", "seq-2", "seq-done"}));
}

TEST_F(NodeActionTest, CallbackRemovingItsOwnNodeStopsTheRestOfTheSequence)
{
    bool gone = false;
    Probe& node = scene.addChild(std::make_unique<Probe>(gone));
    Node* raw = &node;
    node.runAction(Action::sequence(Action::run([&] { log.push_back("before"); }), Action::removeFromParent(),
                                    Action::run([&] { log.push_back("after"); })),
                   [&] { log.push_back("completion"); });
    node.runAction(Action::run([&] { log.push_back("other action"); }));
    frame(0);
    EXPECT_TRUE(gone);
    EXPECT_TRUE(scene.children().empty());
    EXPECT_EQ(log, (std::vector<std::string>{"before"}));
    (void)raw;
}

TEST_F(NodeActionTest, CallbackRemovingLaterNodesKeepsTheirActionsFromRunning)
{
    Node& first = scene.addChild(std::make_unique<Node>());
    Node& second = scene.addChild(std::make_unique<Node>());
    Node& grandchild = second.addChild(std::make_unique<Node>());
    second.runAction(Action::run([&] { log.push_back("second"); }));
    grandchild.runAction(Action::run([&] { log.push_back("grandchild"); }));
    first.runAction(Action::run([&] { second.removeFromParent(); }));
    frame(0);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(scene.children().size(), 1u);
}

TEST_F(NodeActionTest, CallbackReplacingItsOwnKeyedActionStopsItAndStartsTheNewOne)
{
    Node& node = scene.addChild(std::make_unique<Node>());
    std::function<void()> restart;
    int legs = 0;
    restart = [&] {
        ++legs;
        node.runAction(Action::sequence(Action::moveBy({10, 0}, 1), Action::run(restart),
                                        Action::run([&] { log.push_back("never"); })),
                       "wander");
    };
    restart();
    frame(0);
    frame(1); // the first leg ends at t = 1 and plans the second, whose clock starts at 1
    EXPECT_EQ(legs, 2);
    frame(1.5);
    EXPECT_NEAR(node.position().x(), 15, kTolerance);
    frame(2);
    EXPECT_EQ(legs, 3);
    EXPECT_NEAR(node.position().x(), 20, kTolerance);
    EXPECT_TRUE(log.empty());
}

TEST_F(NodeActionTest, RemoveAllActionsFromACallbackStopsEverythingOnTheNode)
{
    Node& node = scene.addChild(std::make_unique<Node>());
    node.runAction(Action::sequence(Action::run([&] { node.removeAllActions(); }),
                                    Action::run([&] { log.push_back("rest of sequence"); })));
    node.runAction(Action::moveBy({10, 0}, 1));
    frame(0);
    frame(1);
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(node.hasActions());
    EXPECT_EQ(node.position().x(), 0);
}

TEST_F(NodeActionTest, ActionAddedBetweenFramesStartsAtTheNextFrame)
{
    Node& node = scene.addChild(std::make_unique<Node>());
    frame(0);
    frame(10);
    node.runAction(Action::moveBy({10, 0}, 1));
    frame(10.25);
    EXPECT_NEAR(node.position().x(), 0, kTolerance); // started at 10.25, not at 10
    frame(10.75);
    EXPECT_NEAR(node.position().x(), 5, kTolerance);
}

} // namespace
} // namespace tavik::sprite
