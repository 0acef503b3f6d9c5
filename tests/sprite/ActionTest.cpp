#include "sprite/Action.h"
#include "sprite/Node.h"
#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <functional>
#include <numbers>
#include <string>

namespace tavik::sprite {
namespace {

constexpr double kTolerance = 1e-9;
constexpr double kPi = std::numbers::pi;

TEST(TimingTest, CurvesKeepTheirEndsAndBendTheRightWay)
{
    for (const TimingMode mode :
         {TimingMode::Linear, TimingMode::EaseIn, TimingMode::EaseOut, TimingMode::EaseInEaseOut}) {
        SCOPED_TRACE(int(mode));
        EXPECT_DOUBLE_EQ(applyTiming(mode, 0.0), 0.0);
        EXPECT_DOUBLE_EQ(applyTiming(mode, 1.5), 1.0); // clamped
        for (int i = 1; i <= 100; ++i)
            EXPECT_GE(applyTiming(mode, i / 100.0), applyTiming(mode, (i - 1) / 100.0));
    }
    EXPECT_DOUBLE_EQ(applyTiming(TimingMode::Linear, 0.3), 0.3);
    EXPECT_DOUBLE_EQ(applyTiming(TimingMode::EaseIn, 0.5), 0.25);
    EXPECT_GT(applyTiming(TimingMode::EaseOut, 0.5), 0.5);
    // Slow at both ends, symmetric about the middle.
    const auto both = [](double t) { return applyTiming(TimingMode::EaseInEaseOut, t); };
    EXPECT_LT(both(0.1), 0.1);
    EXPECT_NEAR(both(0.2) + both(0.8), 1.0, kTolerance);
}

// A node after one action from t = 0 in frames of `step` until `until`; runs append to the log.
struct ActionCase {
    const char* name;
    std::function<std::unique_ptr<Action>(std::string& log)> action;
    double step;
    double until;
    QPointF position = {};
    double alpha = 1;
    double rotation = 0;
    std::string log = {};
    bool running = false;
};

std::unique_ptr<Action> note(std::string& log, char letter)
{
    return Action::run([&log, letter] { log += letter; });
}

const ActionCase kActionCases[] = {
    {"fade_out_then_eased_in",
     [](auto&) { return Action::sequence(Action::fadeOut(1), Action::fadeIn(1, TimingMode::EaseIn)); }, 0.5, 1.5, {},
     0.25, 0, "", true},
    {"sixty_sixtieths_finish_a_second", [](auto& log) { return Action::sequence(Action::fadeOut(1), note(log, 'd')); },
     1.0 / 60, 1, {}, 0, 0, "d"},
    {"move_to_eased", [](auto&) { return Action::moveTo({100, 200}, 2, TimingMode::EaseIn); }, 1, 1, {25, 50}, 1, 0, "",
     true},
    {"relative_moves_and_turns_add_up",
     [](auto&) {
         return Action::group(Action::moveBy({100, 0}, 1), Action::moveBy({10, -50}, 2, TimingMode::EaseInEaseOut),
                              Action::rotateBy(kPi, 1), Action::rotateBy(-kPi / 2, 1));
     },
     0.5, 2, {110, -50}, 1, kPi / 2},
    {"group_passes_on_its_leftover",
     [](auto&) {
         return Action::sequence(Action::group(Action::wait(1), Action::moveBy({30, 0}, 3)),
                                 Action::moveBy({0, 10}, 1));
     },
     1.25, 3.75, {30, 7.5}, 1, 0, "", true},
    {"repeat_restarts_from_the_current_state_count_times",
     [](auto&) { return Action::repeat(Action::moveBy({10, 0}, 1), 3); }, 2.5, 10, {30, 0}},
    {"forever_repeats_keep_going",
     [](auto&) { return Action::repeatForever(Action::sequence(Action::fadeTo(0.2, 1), Action::fadeTo(1, 1))); }, 100.5,
     100.5, {}, 0.6, 0, "", true},
    {"forever_repeat_of_nothing_runs_once_per_frame", [](auto& log) { return Action::repeatForever(note(log, 't')); },
     50, 100, {}, 1, 0, "ttt", true},
    {"zero_durations_finish_at_once",
     [](auto& log) {
         return Action::sequence(Action::fadeTo(0.25, 0), Action::moveTo({7, 7}, 0), Action::wait(0),
                                 Action::repeat(note(log, 'x'), 3));
     },
     1, 0, {7, 7}, 0.25, 0, "xxx"},
    {"empty_repeats_and_groups_do_nothing",
     [](auto& log) {
         return Action::sequence(Action::repeat(note(log, 'n'), 0), Action::repeat(nullptr, 2),
                                 Action::repeatForever(nullptr), Action::group({}));
     },
     1, 0, {}},
    {"a_giant_step_finishes_every_child_in_order",
     [](auto& log) {
         return Action::sequence(Action::moveBy({10, 0}, 1), note(log, 'a'),
                                 Action::group(Action::fadeTo(0.5, 2), Action::rotateBy(1, 0.5), note(log, 'b')),
                                 Action::repeat(Action::sequence(Action::moveBy({0, 1}, 0.25), note(log, 'r')), 3),
                                 note(log, 'c'));
     },
     1000, 1000, {10, 3}, 0.5, 1, "abrrrc"},
};

class ActionTest : public ::testing::TestWithParam<ActionCase> {};

TEST_P(ActionTest, NodeShowsWhereTheActionBroughtIt)
{
    const ActionCase& c = GetParam();
    Scene scene({100, 100});
    Node& node = scene.addChild(std::make_unique<Node>());
    std::string log;
    int completions = 0;
    node.runAction(c.action(log), [&] { ++completions; });
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

INSTANTIATE_TEST_SUITE_P(Actions, ActionTest, ::testing::ValuesIn(kActionCases),
                         [](const auto& p) { return std::string(p.param.name); });

// Keys, completions, and callbacks that change the graph while actions are stepped.
class NodeActionTest : public ::testing::Test {
protected:
    Node& add(Node& parent) { return parent.addChild(std::make_unique<Node>()); }
    void frame(double t) { scene.advance(t); }

    Scene scene{{100, 100}};
    std::string log;
};

TEST_F(NodeActionTest, KeysReplaceAndRemoveAndRemovedActionsNeverComplete)
{
    Node& node = add(scene);
    node.runAction(Action::moveBy({100, 0}, 1), "move", [&] { log += 'x'; });
    node.runAction(Action::moveBy({0, 100}, 1), "move");
    node.runAction(Action::wait(1), [&] { log += 'f'; });
    frame(0);
    frame(0.5);
    EXPECT_EQ(node.position(), QPointF(0, 50));
    node.removeActionForKey("move");
    EXPECT_FALSE(node.hasAction("move"));
    frame(1.0);
    frame(2.0);
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
    frame(0);
    // A later node and its subtree.
    Node& first = add(scene);
    Node& second = add(scene);
    second.runAction(note(log, 'y'));
    add(second).runAction(note(log, 'y'));
    first.runAction(Action::run([&] { second.removeFromParent(); }));
    // Every action of a node, the running one included.
    first.runAction(Action::sequence(Action::run([&] { first.removeAllActions(); }), note(log, 'z')));
    first.runAction(Action::moveBy({10, 0}, 1));
    frame(1);
    frame(2);
    EXPECT_EQ(log, "a");
    EXPECT_EQ(scene.children().size(), 1u);
    EXPECT_FALSE(first.hasActions());
    EXPECT_EQ(first.position().x(), 0);
}

TEST_F(NodeActionTest, CallbackReplacingItsOwnKeyedActionStartsTheNewOneOnTime)
{
    Node& node = add(scene);
    std::function<void()> restart;
    int legs = 0;
    restart = [&] {
        ++legs;
        node.runAction(Action::sequence(Action::moveBy({10, 0}, 1), Action::run(restart), note(log, 'x')), "wander");
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
    EXPECT_EQ(log, "");
}

TEST_F(NodeActionTest, ActionAddedBetweenFramesStartsAtTheNextFrame)
{
    Node& node = add(scene);
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
