#include "sprite/Action.h"
#include "sprite/Node.h"
#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <vector>

namespace tavik::sprite {
namespace {

constexpr double kTolerance = 1e-9;

// One node in a scene; frames are given as absolute times, the first at t = 0.
class ActionTest : public ::testing::Test {
protected:
    ActionTest() : node(scene.addChild(std::make_unique<Node>())) {}

    void run(std::unique_ptr<Action> action)
    {
        node.runAction(std::move(action));
        scene.advance(scene.lastTime()); // starts it without letting time pass
    }
    void at(double t) { scene.advance(t); }

    Scene scene{{100, 100}};
    Node& node;
    std::vector<std::string> log;
};

TEST(TimingTest, CurvesKeepTheirEndsAndBendTheRightWay)
{
    for (const TimingMode mode :
         {TimingMode::Linear, TimingMode::EaseIn, TimingMode::EaseOut, TimingMode::EaseInEaseOut}) {
        EXPECT_DOUBLE_EQ(applyTiming(mode, 0.0), 0.0);
        EXPECT_DOUBLE_EQ(applyTiming(mode, 1.0), 1.0);
        double previous = 0.0;
        for (int i = 1; i <= 100; ++i) {
            const double value = applyTiming(mode, i / 100.0);
            EXPECT_GE(value, previous) << "curve must not go back, mode " << int(mode);
            previous = value;
        }
    }
    EXPECT_DOUBLE_EQ(applyTiming(TimingMode::Linear, 0.3), 0.3);
    EXPECT_LT(applyTiming(TimingMode::EaseIn, 0.5), 0.5);
    EXPECT_GT(applyTiming(TimingMode::EaseOut, 0.5), 0.5);
    EXPECT_DOUBLE_EQ(applyTiming(TimingMode::EaseInEaseOut, 0.5), 0.5);
    // Slow at both ends, symmetric about the middle.
    EXPECT_LT(applyTiming(TimingMode::EaseInEaseOut, 0.1), 0.1);
    EXPECT_NEAR(applyTiming(TimingMode::EaseInEaseOut, 0.2) + applyTiming(TimingMode::EaseInEaseOut, 0.8), 1.0,
                kTolerance);
    // Out of range progress is clamped.
    EXPECT_DOUBLE_EQ(applyTiming(TimingMode::EaseIn, 1.5), 1.0);
}

TEST_F(ActionTest, FadesReachTheirTargetFromWhereverTheyStart)
{
    node.setAlpha(0.8);
    run(Action::fadeTo(0.2, 2));
    at(1);
    EXPECT_NEAR(node.alpha(), 0.5, kTolerance);
    at(2);
    EXPECT_NEAR(node.alpha(), 0.2, kTolerance);

    run(Action::sequence(Action::fadeOut(1), Action::fadeIn(1, TimingMode::EaseIn)));
    at(3);
    EXPECT_NEAR(node.alpha(), 0.0, kTolerance);
    at(3.5);
    EXPECT_NEAR(node.alpha(), 0.25, kTolerance);
    at(4);
    EXPECT_NEAR(node.alpha(), 1.0, kTolerance);
}

TEST_F(ActionTest, MoveToFollowsItsTimingCurve)
{
    node.setPosition({10, 10});
    run(Action::moveTo({110, 210}, 2, TimingMode::EaseIn));
    at(1);
    EXPECT_NEAR(node.position().x(), 35, kTolerance); // a quarter of the way at half time
    EXPECT_NEAR(node.position().y(), 60, kTolerance);
    at(2);
    EXPECT_NEAR(node.position().x(), 110, kTolerance);
    EXPECT_NEAR(node.position().y(), 210, kTolerance);
}

TEST_F(ActionTest, RelativeMovesAndTurnsAddUpWithEachOther)
{
    node.runAction(Action::moveBy({100, 0}, 1));
    node.runAction(Action::moveBy({0, -50}, 2, TimingMode::EaseInEaseOut));
    node.runAction(Action::rotateBy(std::numbers::pi, 1));
    node.runAction(Action::rotateBy(-std::numbers::pi / 2, 1));
    at(0);
    at(0.5);
    EXPECT_NEAR(node.position().x(), 50, kTolerance);
    EXPECT_NEAR(node.zRotation(), std::numbers::pi / 4, kTolerance);
    at(1);
    node.setPosition({node.position().x() + 1000, node.position().y()}); // moved by someone else meanwhile
    at(2);
    EXPECT_NEAR(node.position().x(), 1100, kTolerance);
    EXPECT_NEAR(node.position().y(), -50, kTolerance);
    EXPECT_NEAR(node.zRotation(), std::numbers::pi / 2, kTolerance);
}

TEST_F(ActionTest, WaitAndRunMarkTimeInASequence)
{
    run(Action::sequence(Action::wait(1), Action::run([&] { log.push_back("one"); }), Action::wait(1),
                         Action::run([&] { log.push_back("two"); })));
    at(0.99);
    EXPECT_TRUE(log.empty());
    at(1);
    EXPECT_EQ(log, (std::vector<std::string>{"one"}));
    at(1.5);
    at(2);
    EXPECT_EQ(log, (std::vector<std::string>{"one", "two"}));
    at(3);
    EXPECT_EQ(log.size(), 2u); // a run action calls once only
}

TEST_F(ActionTest, SixtyFramesOfASixtiethFinishAOneSecondFade)
{
    run(Action::sequence(Action::fadeOut(1), Action::run([&] { log.push_back("done"); })));
    for (int i = 1; i <= 60; ++i)
        at(i / 60.0);
    EXPECT_EQ(node.alpha(), 0.0);
    EXPECT_EQ(log.size(), 1u);
}

TEST_F(ActionTest, LeftoverTimeCarriesIntoTheNextChild)
{
    run(Action::sequence(Action::wait(1), Action::moveBy({10, 0}, 1)));
    at(1.5);
    EXPECT_NEAR(node.position().x(), 5, kTolerance);
}

TEST_F(ActionTest, GiantStepFinishesEverySkippedChildInOrder)
{
    node.setAlpha(0.3);
    int completions = 0;
    node.runAction(Action::sequence(Action::moveBy({10, 0}, 1), Action::run([&] { log.push_back("a"); }),
                                    Action::group(Action::fadeTo(0.5, 2), Action::rotateBy(1, 0.5),
                                                  Action::run([&] { log.push_back("b"); })),
                                    Action::repeat(Action::sequence(Action::moveBy({0, 1}, 0.25),
                                                                    Action::run([&] { log.push_back("r"); })),
                                                   3),
                                    Action::run([&] { log.push_back("c"); })),
                   [&] { ++completions; });
    at(0);
    at(1000);
    EXPECT_EQ(log, (std::vector<std::string>{"a", "b", "r", "r", "r", "c"}));
    EXPECT_NEAR(node.position().x(), 10, kTolerance);
    EXPECT_NEAR(node.position().y(), 3, kTolerance);
    EXPECT_NEAR(node.alpha(), 0.5, kTolerance);
    EXPECT_NEAR(node.zRotation(), 1, kTolerance);
    EXPECT_EQ(completions, 1);
    EXPECT_FALSE(node.hasActions());
}

TEST_F(ActionTest, GroupEndsWithItsLongestChildAndPassesOnTheRest)
{
    run(Action::sequence(Action::group(Action::wait(1), Action::moveBy({30, 0}, 3)), Action::moveBy({0, 10}, 1)));
    EXPECT_NEAR(Action::group(Action::wait(1), Action::wait(3))->duration(), 3, kTolerance);
    at(2);
    EXPECT_NEAR(node.position().x(), 20, kTolerance);
    EXPECT_NEAR(node.position().y(), 0, kTolerance);
    at(3.5);
    EXPECT_NEAR(node.position().x(), 30, kTolerance);
    EXPECT_NEAR(node.position().y(), 5, kTolerance);
}

TEST_F(ActionTest, RepeatRestartsItsChildFromTheCurrentState)
{
    run(Action::repeat(Action::moveBy({10, 0}, 1), 3));
    at(2.5);
    EXPECT_NEAR(node.position().x(), 25, kTolerance);
    at(10);
    EXPECT_NEAR(node.position().x(), 30, kTolerance);
    EXPECT_FALSE(node.hasActions());

    run(Action::repeatForever(Action::sequence(Action::fadeTo(0.2, 1), Action::fadeTo(1, 1))));
    at(10 + 2 * 50 + 0.5);
    EXPECT_NEAR(node.alpha(), 0.6, kTolerance);
    EXPECT_TRUE(node.hasActions());
}

TEST_F(ActionTest, ZeroDurationsFinishAtOnce)
{
    node.setAlpha(1);
    run(Action::sequence(Action::fadeTo(0.25, 0), Action::moveTo({7, 7}, 0), Action::wait(0),
                         Action::repeat(Action::run([&] { log.push_back("x"); }), 3)));
    EXPECT_EQ(node.alpha(), 0.25);
    EXPECT_EQ(node.position(), QPointF(7, 7));
    EXPECT_EQ(log.size(), 3u);
    EXPECT_FALSE(node.hasActions());
}

TEST_F(ActionTest, ForeverRepeatOfNothingRunsOncePerFrame)
{
    run(Action::repeatForever(Action::run([&] { log.push_back("tick"); })));
    at(1);
    at(100);
    EXPECT_EQ(log.size(), 3u);
    EXPECT_TRUE(std::isinf(Action::repeatForever(Action::wait(1))->duration()));
}

TEST_F(ActionTest, EmptyRepeatsAndGroupsDoNothing)
{
    run(Action::sequence(Action::repeat(Action::run([&] { log.push_back("never"); }), 0),
                         Action::repeat(nullptr, 2), Action::repeatForever(nullptr), Action::group({})));
    EXPECT_TRUE(log.empty());
    EXPECT_FALSE(node.hasActions());
}

TEST_F(ActionTest, PausedSceneRunsNoActionsAndLosesNoTime)
{
    run(Action::moveBy({10, 0}, 1));
    at(0.5);
    scene.setPaused(true);
    at(5);
    EXPECT_NEAR(node.position().x(), 5, kTolerance);
    scene.setPaused(false);
    at(5.25);
    EXPECT_NEAR(node.position().x(), 7.5, kTolerance);
}

} // namespace
} // namespace tavik::sprite
