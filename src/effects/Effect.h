#pragma once

#include "effects/WindField.h"

#include "sprite/EmitterNode.h"
#include "sprite/Node.h"
#include "sprite/Texture.h"

#include <QPointF>
#include <QSizeF>

#include <algorithm>
#include <limits>
#include <memory>
#include <optional>
#include <typeinfo>
#include <vector>

namespace tavik {

class SettingsStore;

// The display a scene draws on, as its effects see it.
struct Display {
    QSizeF size;
    double backingScale = 1; // pixels per point
    bool hostsDock = false;  // the dock's rectangle is in this display's coordinates

    bool operator==(const Display&) const = default;
};

// One step of a scene. `now` is the shared clock every display and the soundscape agree on,
// so the slow waves line up; `dt` is the clamped step the scene advances its effects by.
struct Frame {
    double now = 0;
    double dt = 0;
    WindSample wind;
    std::optional<QPointF> hover; // the pointer in scene coordinates, while it is over this display
};

// The rate of a fast mover: as many frames as the clock may draw.
inline constexpr double kFullFrameRate = std::numeric_limits<double>::infinity();

// Whether anything under `node` puts a quad on screen or is about to: a bare node draws nothing
// itself, an emitter only while it holds particles, any other kind whenever it is shown. A
// transparent node counts while it runs actions (it is fading in).
[[nodiscard]] inline bool showsAnything(const sprite::Node& node)
{
    if (node.isHidden() || (!(node.alpha() > 0) && !node.hasActions()))
        return false;
    if (const auto* emitter = dynamic_cast<const sprite::EmitterNode*>(&node); emitter && emitter->particleCount() > 0)
        return true;
    if (typeid(node) != typeid(sprite::Node) && typeid(node) != typeid(sprite::EmitterNode))
        return true;
    return std::any_of(node.children().begin(), node.children().end(),
                       [](const std::unique_ptr<sprite::Node>& child) { return showsAnything(*child); });
}

// What every effect of the atmosphere is to its scene: one root node to place in depth,
// settings in, a step per frame and the display it draws on.
class Effect {
public:
    virtual ~Effect() = default;

    [[nodiscard]] virtual sprite::Node& node() const = 0;
    // Hands the root node to the scene; the effect must not outlive it.
    [[nodiscard]] virtual std::unique_ptr<sprite::Node> takeNode() = 0;

    virtual void apply(const SettingsStore& settings) = 0;
    virtual void step(const Frame& frame) = 0;
    // A new size moves what depends on the edges; a new backing scale redraws the textures.
    virtual void setDisplay(const Display& display) = 0;

    // Every texture the effect draws with now, for checks of its drawing scale.
    [[nodiscard]] virtual std::vector<sprite::TexturePtr> textures() const = 0;

    // How often the effect must be stepped and drawn to look smooth, in frames per second;
    // 0 while it shows nothing.
    [[nodiscard]] virtual double wantedRate() const = 0;

protected:
    [[nodiscard]] double whileShowing(double rate) const { return showsAnything(node()) ? rate : 0; }
};

} // namespace tavik
