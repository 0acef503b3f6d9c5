#pragma once

#include <QPointF>

#include <functional>
#include <memory>
#include <vector>

namespace tavik::sprite {

class Node;

enum class TimingMode { Linear, EaseIn, EaseOut, EaseInEaseOut };

// Maps linear progress t in [0, 1] onto the curve; every curve keeps 0 and 1 fixed.
[[nodiscard]] double applyTiming(TimingMode mode, double t);

// The state of one top-level action while it is stepped: composites ask it whether to go
// on after each child, because a callback may have removed the action or its node.
class ActionStep {
public:
    explicit ActionStep(Node& node) : m_node(node) {}

    [[nodiscard]] Node& node() const { return m_node; }
    [[nodiscard]] bool stopped() const;
    void cancel() { m_cancelled = true; }

private:
    Node& m_node;
    bool m_cancelled = false;
};

// Something that changes a node over time. `start` (re)arms it for a node; `step`
// accumulates time and returns what is left of dt once the action has finished, or
// kRunning. A step larger than the whole action finishes it, and a composite finishes
// every child it passes, in order, each with its final update.
class Action {
public:
    static constexpr double kRunning = -1.0;

    virtual ~Action() = default;

    [[nodiscard]] virtual double duration() const = 0;
    virtual void start(Node& node) = 0;
    virtual double step(double dt, ActionStep& context) = 0;

    [[nodiscard]] static std::unique_ptr<Action> fadeTo(double alpha, double duration,
                                                        TimingMode timing = TimingMode::Linear);
    [[nodiscard]] static std::unique_ptr<Action> fadeIn(double duration, TimingMode timing = TimingMode::Linear);
    [[nodiscard]] static std::unique_ptr<Action> fadeOut(double duration, TimingMode timing = TimingMode::Linear);
    [[nodiscard]] static std::unique_ptr<Action> moveTo(QPointF target, double duration,
                                                        TimingMode timing = TimingMode::Linear);
    // Relative: applied as increments, so it adds up with other moves running at once.
    [[nodiscard]] static std::unique_ptr<Action> moveBy(QPointF delta, double duration,
                                                        TimingMode timing = TimingMode::Linear);
    [[nodiscard]] static std::unique_ptr<Action> rotateBy(double radians, double duration,
                                                          TimingMode timing = TimingMode::Linear);
    [[nodiscard]] static std::unique_ptr<Action> wait(double duration);
    // Calls the function once, instantly, when reached.
    [[nodiscard]] static std::unique_ptr<Action> run(std::function<void()> function);
    [[nodiscard]] static std::unique_ptr<Action> removeFromParent();

    [[nodiscard]] static std::unique_ptr<Action> sequence(std::vector<std::unique_ptr<Action>> actions);
    [[nodiscard]] static std::unique_ptr<Action> group(std::vector<std::unique_ptr<Action>> actions);
    [[nodiscard]] static std::unique_ptr<Action> repeat(std::unique_ptr<Action> action, int count);
    [[nodiscard]] static std::unique_ptr<Action> repeatForever(std::unique_ptr<Action> action);

    template <typename... Rest>
    [[nodiscard]] static std::unique_ptr<Action> sequence(std::unique_ptr<Action> first, Rest... rest)
    {
        return sequence(list(std::move(first), std::move(rest)...));
    }
    template <typename... Rest>
    [[nodiscard]] static std::unique_ptr<Action> group(std::unique_ptr<Action> first, Rest... rest)
    {
        return group(list(std::move(first), std::move(rest)...));
    }

private:
    template <typename... All>
    static std::vector<std::unique_ptr<Action>> list(All... all)
    {
        std::vector<std::unique_ptr<Action>> actions;
        actions.reserve(sizeof...(all));
        (actions.push_back(std::move(all)), ...);
        return actions;
    }
};

} // namespace tavik::sprite
