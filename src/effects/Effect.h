#pragma once

#include "effects/WindField.h"

#include "sprite/Node.h"
#include "sprite/Texture.h"

#include <QPointF>
#include <QSizeF>

#include <memory>
#include <optional>
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
};

} // namespace tavik
