#include "sprite/Scene.h"

#include "sprite/Action.h"

#include <algorithm>

namespace tavik::sprite {

namespace {

void collectActing(Node& node, std::vector<Node*>& out)
{
    if (node.hasActions())
        out.push_back(&node);
    for (const auto& child : node.children())
        collectActing(*child, out);
}

// Hidden subtrees are frozen: their particles neither age nor move until shown again.
void simulateVisible(Node& node, double dt, Random& random)
{
    if (node.isHidden())
        return;
    node.simulate(dt, random);
    for (const auto& child : node.children())
        simulateVisible(*child, dt, random);
}

} // namespace

Scene::Scene(QSizeF size) : m_size(size), m_random(std::make_unique<Random>()) {}

Scene::~Scene() = default;

void Scene::setSize(QSizeF size)
{
    if (size == m_size)
        return;
    const QSizeF old = m_size;
    m_size = size;
    didChangeSize(old);
}

void Scene::setRandom(std::unique_ptr<Random> random)
{
    if (random)
        m_random = std::move(random);
}

void Scene::deferDestruction(std::unique_ptr<Action> action) { m_deadActions.push_back(std::move(action)); }

void Scene::update(double currentTime)
{
    if (m_frameStep)
        m_frameStep(currentTime);
}

void Scene::didChangeSize(QSizeF) {}

void Scene::advance(double currentTime)
{
    // Time stands still while paused: the first frame after it steps from the last one.
    const double dt = m_hasLastTime ? std::max(0.0, currentTime - m_lastTime) : 0.0;
    m_hasLastTime = true;
    m_lastTime = currentTime;
    if (m_paused)
        return;
    m_lastStep = dt;
    ++m_frame;
    update(currentTime);
    runActions(dt);
    runEmitters(dt);
}

// Only nodes that had actions when the pass began are stepped; a node removed by an
// earlier callback stays alive (deferred) but is skipped.
void Scene::runActions(double dt)
{
    m_acting.clear();
    collectActing(*this, m_acting);
    m_steppingActions = true;
    for (Node* node : m_acting) {
        if (node->scene() == this)
            node->stepActions(dt, m_frame);
    }
    m_steppingActions = false;
    m_acting.clear();
    m_deadActions.clear();
    m_deadNodes.clear();
}

void Scene::runEmitters(double dt) { simulateVisible(*this, dt, *m_random); }

} // namespace tavik::sprite
