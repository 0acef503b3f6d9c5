#pragma once

#include "sprite/Action.h"
#include "sprite/Affine.h"

#include <QPointF>

#include <cstdint>
#include <functional>
#include <limits>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavik::sprite {

class DrawList;
class Random;
class Scene;

// What a node contributes to the frame: its world transform, alpha and depth.
struct WorldState {
    Affine transform;
    float alpha = 1.0f;
    float z = 0.0f;
    float drawRate = std::numeric_limits<float>::infinity();
};

// A container in the scene graph. Owns its children and its running actions.
// Coordinates are points, y up; the local transform is translate · rotate · scale.
class Node {
public:
    Node() = default;
    virtual ~Node();
    Node(const Node&) = delete;
    Node& operator=(const Node&) = delete;

    [[nodiscard]] QPointF position() const { return m_position; }
    void setPosition(QPointF position);
    [[nodiscard]] double zPosition() const { return m_zPosition; }
    void setZPosition(double z) { m_zPosition = z; }
    [[nodiscard]] double alpha() const { return m_alpha; }
    void setAlpha(double alpha) { m_alpha = alpha; }
    [[nodiscard]] double xScale() const { return m_xScale; }
    [[nodiscard]] double yScale() const { return m_yScale; }
    void setXScale(double scale);
    void setYScale(double scale);
    void setScale(double scale);
    [[nodiscard]] double zRotation() const { return m_zRotation; }
    void setZRotation(double radians);
    [[nodiscard]] bool isHidden() const { return m_hidden; }
    void setHidden(bool hidden) { m_hidden = hidden; }
    // How many times a second what this node and its subtree show must be drawn afresh to
    // look smooth; the lowest rate on the way from the root counts. Unset, zero or
    // nonsense mean every frame.
    [[nodiscard]] float drawRate() const { return m_drawRate; }
    void setDrawRate(double perSecond);

    // Cached until a position, rotation or scale changes.
    [[nodiscard]] const Affine& localTransform() const;

    template <typename T>
    T& addChild(std::unique_ptr<T> child)
    {
        T& ref = *child;
        adopt(std::move(child));
        return ref;
    }
    // Destroys this node and its subtree. Safe from inside an action callback, even for
    // the node that runs the action: destruction then waits until the actions are done.
    void removeFromParent();
    void removeAllChildren();

    [[nodiscard]] Node* parent() const { return m_parent; }
    [[nodiscard]] const std::vector<std::unique_ptr<Node>>& children() const { return m_children; }
    // The scene this node is attached to, or null.
    [[nodiscard]] Scene* scene() const;

    // Actions start at the next frame (or, when run from an action callback, at the
    // current frame's time). A non-empty key replaces the action running under that key.
    // The completion runs once the action has finished, not when it is removed.
    void runAction(std::unique_ptr<Action> action, std::string key = {}, std::function<void()> completion = {});
    void runAction(std::unique_ptr<Action> action, std::function<void()> completion);
    void removeActionForKey(std::string_view key);
    void removeAllActions();
    [[nodiscard]] bool hasActions() const;
    [[nodiscard]] bool hasAction(std::string_view key) const;

    // Frame machinery, driven by Scene.
    void stepActions(double dt, std::uint64_t frame);
    virtual void simulate(double dt, Random& random);
    virtual void appendQuads(DrawList& list, const WorldState& world) const;

protected:
    // Walks up to the root; a Scene says so by overriding this.
    [[nodiscard]] virtual Scene* asScene() { return nullptr; }

private:
    struct RunningAction {
        std::unique_ptr<Action> action;
        std::string key;
        std::function<void()> completion;
        // Run from an action callback in frame F: its clock started at F's time, so it
        // is first stepped, with a whole frame's time, in frame F + 1.
        std::uint64_t firstFrame = 0;
        // Run between frames: its clock starts at the next frame's time.
        bool zeroFirstStep = true;
        bool started = false;
    };

    void adopt(std::unique_ptr<Node> child);
    void retireAction(std::size_t index);

    QPointF m_position;
    double m_zPosition = 0.0;
    double m_alpha = 1.0;
    double m_xScale = 1.0;
    double m_yScale = 1.0;
    double m_zRotation = 0.0;
    bool m_hidden = false;
    float m_drawRate = std::numeric_limits<float>::infinity();
    mutable bool m_transformDirty = true;
    mutable Affine m_localTransform;

    Node* m_parent = nullptr;
    std::vector<std::unique_ptr<Node>> m_children;
    std::vector<RunningAction> m_actions;
    // The action being stepped right now, so a callback that removes it can stop it.
    ActionStep* m_activeStep = nullptr;
    std::size_t m_activeIndex = 0;
    bool m_steppingActions = false;
};

} // namespace tavik::sprite
