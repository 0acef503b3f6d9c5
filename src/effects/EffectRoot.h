#pragma once

#include "sprite/Node.h"

#include <memory>

namespace tavik {

// The root node of an effect: made by the effect, adopted once by the scene that shows it
// (which places it in depth). The effect keeps using it through node().
class EffectRoot {
public:
    EffectRoot()
        : m_owned(std::make_unique<sprite::Node>())
        , m_node(m_owned.get())
    {
    }

    [[nodiscard]] sprite::Node& operator*() const { return *m_node; }
    [[nodiscard]] sprite::Node* operator->() const { return m_node; }
    [[nodiscard]] sprite::Node* get() const { return m_node; }

    // Hands the node to its parent; the effect must not outlive that parent.
    [[nodiscard]] std::unique_ptr<sprite::Node> release() { return std::move(m_owned); }

private:
    std::unique_ptr<sprite::Node> m_owned;
    sprite::Node* m_node;
};

} // namespace tavik
