#pragma once

#include "sprite/Node.h"
#include "sprite/Random.h"

#include <QSizeF>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace tavik::sprite {

// The root of one picture, sized in points with the origin at the bottom-left.
// advance(currentTime) is the whole frame: the owner's frame step, then the actions,
// then the emitters. Time and randomness come from outside, so a test can replay a
// scene exactly.
class Scene : public Node {
public:
    explicit Scene(QSizeF size = QSizeF(0.0, 0.0));
    ~Scene() override;

    [[nodiscard]] QSizeF size() const { return m_size; }
    void setSize(QSizeF size);

    [[nodiscard]] bool isPaused() const { return m_paused; }
    // A paused scene runs nothing and lets no time pass for its actions and particles.
    void setPaused(bool paused) { m_paused = paused; }

    // The owner's per-frame work, given the frame time in seconds. Subclasses may
    // override update() instead.
    void setFrameStep(std::function<void(double currentTime)> step) { m_frameStep = std::move(step); }

    [[nodiscard]] Random& random() { return *m_random; }
    void setRandom(std::unique_ptr<Random> random);

    void advance(double currentTime);

    // The time of the last advanced frame and the time step it used.
    [[nodiscard]] double lastTime() const { return m_lastTime; }
    [[nodiscard]] double lastStep() const { return m_lastStep; }
    [[nodiscard]] std::uint64_t frameIndex() const { return m_frame; }

    // While true, removed nodes and actions are kept alive until the pass ends.
    [[nodiscard]] bool isSteppingActions() const { return m_steppingActions; }
    void deferDestruction(std::unique_ptr<Node> node) { m_deadNodes.push_back(std::move(node)); }
    void deferDestruction(std::unique_ptr<Action> action);

protected:
    virtual void update(double currentTime);
    virtual void didChangeSize(QSizeF oldSize);
    [[nodiscard]] Scene* asScene() override { return this; }

private:
    void runActions(double dt);
    void runEmitters(double dt);

    QSizeF m_size;
    bool m_paused = false;
    std::function<void(double)> m_frameStep;
    std::unique_ptr<Random> m_random;
    bool m_hasLastTime = false;
    double m_lastTime = 0.0;
    double m_lastStep = 0.0;
    std::uint64_t m_frame = 0;

    bool m_steppingActions = false;
    std::vector<Node*> m_acting; // reused every frame
    std::vector<std::unique_ptr<Node>> m_deadNodes;
    std::vector<std::unique_ptr<Action>> m_deadActions;
};

} // namespace tavik::sprite
