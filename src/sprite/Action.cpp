#include "sprite/Action.h"

#include "sprite/Node.h"

#include <algorithm>
#include <limits>

namespace tavik::sprite {

namespace {

// Frame times arrive as differences of doubles; a step that falls short of the end by
// less than this still finishes the action, so sixty steps of 1/60 s complete a 1 s fade.
constexpr double kTimeEpsilon = 1e-9;

// A forever-repeat of a very short action under a huge step would otherwise spin; the
// time beyond this many rounds in one step is dropped.
constexpr int kMaxRoundsPerStep = 10000;

// An action with a duration that interpolates with progress in [0, 1].
class TimedAction : public Action {
public:
    TimedAction(double duration, TimingMode timing) : m_duration(std::max(0.0, duration)), m_timing(timing) {}

    [[nodiscard]] double duration() const override { return m_duration; }

    void start(Node& node) override
    {
        m_elapsed = 0.0;
        begin(node);
    }

    double step(double dt, ActionStep& context) override
    {
        m_elapsed += dt;
        const bool finished = m_elapsed >= m_duration - kTimeEpsilon;
        const double linear = finished ? 1.0 : m_elapsed / m_duration;
        update(applyTiming(m_timing, linear), context);
        return finished ? std::max(0.0, m_elapsed - m_duration) : kRunning;
    }

protected:
    virtual void begin(Node& node) = 0;
    virtual void update(double t, ActionStep& context) = 0;

private:
    double m_duration;
    TimingMode m_timing;
    double m_elapsed = 0.0;
};

class FadeTo final : public TimedAction {
public:
    FadeTo(double alpha, double duration, TimingMode timing) : TimedAction(duration, timing), m_target(alpha) {}

private:
    void begin(Node& node) override { m_from = node.alpha(); }
    void update(double t, ActionStep& context) override { context.node().setAlpha(m_from + (m_target - m_from) * t); }

    double m_target;
    double m_from = 0.0;
};

class MoveTo final : public TimedAction {
public:
    MoveTo(QPointF target, double duration, TimingMode timing) : TimedAction(duration, timing), m_target(target) {}

private:
    void begin(Node& node) override { m_from = node.position(); }
    void update(double t, ActionStep& context) override { context.node().setPosition(m_from + (m_target - m_from) * t); }

    QPointF m_target;
    QPointF m_from;
};

class MoveBy final : public TimedAction {
public:
    MoveBy(QPointF delta, double duration, TimingMode timing) : TimedAction(duration, timing), m_delta(delta) {}

private:
    void begin(Node&) override { m_done = 0.0; }
    void update(double t, ActionStep& context) override
    {
        Node& node = context.node();
        node.setPosition(node.position() + m_delta * (t - m_done));
        m_done = t;
    }

    QPointF m_delta;
    double m_done = 0.0;
};

class RotateBy final : public TimedAction {
public:
    RotateBy(double radians, double duration, TimingMode timing) : TimedAction(duration, timing), m_angle(radians) {}

private:
    void begin(Node&) override { m_done = 0.0; }
    void update(double t, ActionStep& context) override
    {
        Node& node = context.node();
        node.setZRotation(node.zRotation() + m_angle * (t - m_done));
        m_done = t;
    }

    double m_angle;
    double m_done = 0.0;
};

class Wait final : public TimedAction {
public:
    explicit Wait(double duration) : TimedAction(duration, TimingMode::Linear) {}

private:
    void begin(Node&) override {}
    void update(double, ActionStep&) override {}
};

class RunFunction final : public TimedAction {
public:
    explicit RunFunction(std::function<void()> function)
        : TimedAction(0.0, TimingMode::Linear), m_function(std::move(function))
    {
    }

private:
    void begin(Node&) override {}
    void update(double, ActionStep&) override
    {
        if (m_function)
            m_function();
    }

    std::function<void()> m_function;
};

class RemoveFromParent final : public TimedAction {
public:
    RemoveFromParent() : TimedAction(0.0, TimingMode::Linear) {}

private:
    void begin(Node&) override {}
    void update(double, ActionStep& context) override { context.node().removeFromParent(); }
};

class Sequence final : public Action {
public:
    explicit Sequence(std::vector<std::unique_ptr<Action>> actions) : m_actions(std::move(actions)) {}

    [[nodiscard]] double duration() const override
    {
        double total = 0.0;
        for (const auto& action : m_actions)
            total += action->duration();
        return total;
    }

    void start(Node& node) override
    {
        m_current = 0;
        if (!m_actions.empty())
            m_actions.front()->start(node);
    }

    double step(double dt, ActionStep& context) override
    {
        while (m_current < m_actions.size()) {
            const double left = m_actions[m_current]->step(dt, context);
            if (left < 0.0 || context.stopped())
                return kRunning;
            dt = left;
            if (++m_current < m_actions.size())
                m_actions[m_current]->start(context.node());
        }
        return dt;
    }

private:
    std::vector<std::unique_ptr<Action>> m_actions;
    std::size_t m_current = 0;
};

class Group final : public Action {
public:
    explicit Group(std::vector<std::unique_ptr<Action>> actions)
        : m_actions(std::move(actions)), m_finished(m_actions.size(), false)
    {
    }

    [[nodiscard]] double duration() const override
    {
        double longest = 0.0;
        for (const auto& action : m_actions)
            longest = std::max(longest, action->duration());
        return longest;
    }

    void start(Node& node) override
    {
        std::fill(m_finished.begin(), m_finished.end(), false);
        for (auto& action : m_actions)
            action->start(node);
    }

    // What is left over is what the last child to finish left over.
    double step(double dt, ActionStep& context) override
    {
        double left = dt;
        bool allFinished = true;
        for (std::size_t i = 0; i < m_actions.size(); ++i) {
            if (m_finished[i])
                continue;
            const double childLeft = m_actions[i]->step(dt, context);
            if (context.stopped())
                return kRunning;
            if (childLeft < 0.0) {
                allFinished = false;
                continue;
            }
            m_finished[i] = true;
            left = std::min(left, childLeft);
        }
        return allFinished ? left : kRunning;
    }

private:
    std::vector<std::unique_ptr<Action>> m_actions;
    std::vector<bool> m_finished;
};

class Repeat final : public Action {
public:
    // count 0 means forever.
    Repeat(std::unique_ptr<Action> action, int count) : m_action(std::move(action)), m_count(count) {}

    [[nodiscard]] double duration() const override
    {
        return m_count == 0 ? std::numeric_limits<double>::infinity() : m_action->duration() * m_count;
    }

    void start(Node& node) override
    {
        m_done = 0;
        m_action->start(node);
    }

    double step(double dt, ActionStep& context) override
    {
        for (int round = 0; round < kMaxRoundsPerStep; ++round) {
            const double left = m_action->step(dt, context);
            if (left < 0.0 || context.stopped())
                return kRunning;
            ++m_done;
            if (m_count != 0 && m_done >= m_count)
                return left;
            m_action->start(context.node());
            // A round that took no time would repeat endlessly within this step: one
            // round per frame is what a zero-length forever-repeat can mean.
            if (m_count == 0 && left >= dt)
                return kRunning;
            dt = left;
        }
        return kRunning;
    }

private:
    std::unique_ptr<Action> m_action;
    int m_count;
    int m_done = 0;
};

} // namespace

bool ActionStep::stopped() const { return m_cancelled || m_node.scene() == nullptr; }

double applyTiming(TimingMode mode, double t)
{
    t = std::clamp(t, 0.0, 1.0);
    switch (mode) {
    case TimingMode::Linear:
        return t;
    case TimingMode::EaseIn:
        return t * t;
    case TimingMode::EaseOut:
        return t * (2.0 - t);
    case TimingMode::EaseInEaseOut:
        return t * t * (3.0 - 2.0 * t);
    }
    return t;
}

std::unique_ptr<Action> Action::fadeTo(double alpha, double duration, TimingMode timing)
{
    return std::make_unique<FadeTo>(alpha, duration, timing);
}

std::unique_ptr<Action> Action::fadeIn(double duration, TimingMode timing) { return fadeTo(1.0, duration, timing); }

std::unique_ptr<Action> Action::fadeOut(double duration, TimingMode timing) { return fadeTo(0.0, duration, timing); }

std::unique_ptr<Action> Action::moveTo(QPointF target, double duration, TimingMode timing)
{
    return std::make_unique<MoveTo>(target, duration, timing);
}

std::unique_ptr<Action> Action::moveBy(QPointF delta, double duration, TimingMode timing)
{
    return std::make_unique<MoveBy>(delta, duration, timing);
}

std::unique_ptr<Action> Action::rotateBy(double radians, double duration, TimingMode timing)
{
    return std::make_unique<RotateBy>(radians, duration, timing);
}

std::unique_ptr<Action> Action::wait(double duration) { return std::make_unique<Wait>(duration); }

std::unique_ptr<Action> Action::run(std::function<void()> function)
{
    return std::make_unique<RunFunction>(std::move(function));
}

std::unique_ptr<Action> Action::removeFromParent() { return std::make_unique<RemoveFromParent>(); }

std::unique_ptr<Action> Action::sequence(std::vector<std::unique_ptr<Action>> actions)
{
    std::erase(actions, nullptr);
    return std::make_unique<Sequence>(std::move(actions));
}

std::unique_ptr<Action> Action::group(std::vector<std::unique_ptr<Action>> actions)
{
    std::erase(actions, nullptr);
    return std::make_unique<Group>(std::move(actions));
}

std::unique_ptr<Action> Action::repeat(std::unique_ptr<Action> action, int count)
{
    if (!action || count <= 0)
        return wait(0.0);
    return std::make_unique<Repeat>(std::move(action), count);
}

std::unique_ptr<Action> Action::repeatForever(std::unique_ptr<Action> action)
{
    if (!action)
        return wait(0.0);
    return std::make_unique<Repeat>(std::move(action), 0);
}

} // namespace tavik::sprite
