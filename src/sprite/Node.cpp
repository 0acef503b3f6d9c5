#include "sprite/Node.h"

#include "sprite/Action.h"
#include "sprite/Scene.h"

#include <algorithm>

namespace tavik::sprite {

Node::~Node() = default;

void Node::setPosition(QPointF position)
{
    m_position = position;
    m_transformDirty = true;
}

void Node::setXScale(double scale)
{
    m_xScale = scale;
    m_transformDirty = true;
}

void Node::setYScale(double scale)
{
    m_yScale = scale;
    m_transformDirty = true;
}

void Node::setScale(double scale)
{
    m_xScale = m_yScale = scale;
    m_transformDirty = true;
}

void Node::setZRotation(double radians)
{
    m_zRotation = radians;
    m_transformDirty = true;
}

void Node::setDrawRate(double perSecond)
{
    m_drawRate = perSecond > 0 ? float(perSecond) : std::numeric_limits<float>::infinity();
}

const Affine& Node::localTransform() const
{
    if (m_transformDirty) {
        m_localTransform = Affine::fromTrs(m_position.x(), m_position.y(), m_zRotation, m_xScale, m_yScale);
        m_transformDirty = false;
    }
    return m_localTransform;
}

Scene* Node::scene() const
{
    Node* node = const_cast<Node*>(this);
    while (node->m_parent)
        node = node->m_parent;
    return node->asScene();
}

void Node::adopt(std::unique_ptr<Node> child)
{
    if (!child)
        return;
    child->m_parent = this;
    m_children.push_back(std::move(child));
}

void Node::removeFromParent()
{
    if (!m_parent)
        return;
    Scene* const scene = this->scene();
    auto& siblings = m_parent->m_children;
    const auto it = std::find_if(siblings.begin(), siblings.end(), [this](const auto& c) { return c.get() == this; });
    if (it == siblings.end())
        return;
    std::unique_ptr<Node> self = std::move(*it);
    siblings.erase(it);
    m_parent = nullptr;
    // Actions may be stepping this node or its subtree right now; keep them alive until
    // the scene has finished its action pass.
    if (scene && scene->isSteppingActions())
        scene->deferDestruction(std::move(self));
}

void Node::removeAllChildren()
{
    while (!m_children.empty())
        m_children.back()->removeFromParent();
}

void Node::runAction(std::unique_ptr<Action> action, std::string key, std::function<void()> completion)
{
    if (!action)
        return;
    if (!key.empty())
        removeActionForKey(key);
    const Scene* const scene = this->scene();
    RunningAction entry{std::move(action), std::move(key), std::move(completion)};
    if (scene && scene->isSteppingActions()) {
        entry.firstFrame = scene->frameIndex() + 1;
        entry.zeroFirstStep = false;
    }
    m_actions.push_back(std::move(entry));
}

void Node::runAction(std::unique_ptr<Action> action, std::function<void()> completion)
{
    runAction(std::move(action), std::string(), std::move(completion));
}

void Node::retireAction(std::size_t index)
{
    RunningAction& entry = m_actions[index];
    if (!entry.action)
        return;
    if (m_activeStep && m_activeIndex == index)
        m_activeStep->cancel();
    Scene* const scene = this->scene();
    if (scene && scene->isSteppingActions())
        scene->deferDestruction(std::move(entry.action));
    entry.action.reset();
    entry.completion = nullptr;
}

void Node::removeActionForKey(std::string_view key)
{
    for (std::size_t i = 0; i < m_actions.size(); ++i) {
        if (m_actions[i].action && m_actions[i].key == key)
            retireAction(i);
    }
    if (!m_steppingActions)
        std::erase_if(m_actions, [](const RunningAction& a) { return !a.action; });
}

void Node::removeAllActions()
{
    for (std::size_t i = 0; i < m_actions.size(); ++i)
        retireAction(i);
    if (!m_steppingActions)
        m_actions.clear();
}

bool Node::hasActions() const
{
    return std::any_of(m_actions.begin(), m_actions.end(), [](const RunningAction& a) { return a.action != nullptr; });
}

bool Node::hasAction(std::string_view key) const
{
    return std::any_of(m_actions.begin(), m_actions.end(),
                       [key](const RunningAction& a) { return a.action && a.key == key; });
}

// Entries are addressed by index throughout: callbacks may append to m_actions (which
// moves the entries) or retire any of them; retired entries are compacted at the end.
void Node::stepActions(double dt, std::uint64_t frame)
{
    m_steppingActions = true;
    for (std::size_t i = 0; i < m_actions.size(); ++i) {
        if (!m_actions[i].action || frame < m_actions[i].firstFrame)
            continue;
        ActionStep step(*this);
        m_activeStep = &step;
        m_activeIndex = i;
        Action* const action = m_actions[i].action.get();
        double stepDt = dt;
        if (!m_actions[i].started) {
            m_actions[i].started = true;
            if (m_actions[i].zeroFirstStep)
                stepDt = 0.0;
            action->start(*this);
        }
        const double left = action->step(stepDt, step);
        m_activeStep = nullptr;
        if (step.stopped()) {
            if (!scene())
                break;
            continue;
        }
        if (left >= 0.0) {
            std::function<void()> completion = std::move(m_actions[i].completion);
            retireAction(i);
            if (completion)
                completion();
            if (!scene())
                break;
        }
    }
    m_steppingActions = false;
    std::erase_if(m_actions, [](const RunningAction& a) { return !a.action; });
}

void Node::simulate(double, Random&) {}

void Node::appendQuads(DrawList&, const WorldState&) const {}

} // namespace tavik::sprite
