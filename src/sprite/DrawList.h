#pragma once

#include "sprite/Affine.h"
#include "sprite/Texture.h"

#include <cstdint>
#include <limits>
#include <vector>

namespace tavik::sprite {

class Node;
struct WorldState;

enum class BlendMode : std::uint8_t {
    Alpha, // source over
    Add,   // source added to what is below
};

// One textured quad: `transform` maps the unit square (0..1, y up) to scene points;
// `color` multiplies the premultiplied texels and is itself premultiplied (tint × alpha,
// alpha). The texture outlives the list as long as the scene is not changed in between.
struct Quad {
    const Texture* texture = nullptr;
    float a = 1.0f, b = 0.0f, c = 0.0f, d = 1.0f, tx = 0.0f, ty = 0.0f;
    float red = 1.0f, green = 1.0f, blue = 1.0f, alpha = 1.0f;
    BlendMode blend = BlendMode::Alpha;
    // How often the quad's node must be drawn afresh (see Node::drawRate).
    float drawRate = std::numeric_limits<float>::infinity();
};

// The flat list of what a scene shows, back to front by world z. Within equal z the order
// is free, so quads are grouped by blend mode and texture there, to keep draw calls few.
// Built fresh each frame; its buffers are reused.
class DrawList {
public:
    void build(const Node& root);
    void clear();

    [[nodiscard]] const std::vector<Quad>& quads() const { return m_quads; }

    // Used by nodes while the list is built: every quad of one run shares depth, blend
    // and texture.
    void beginRun(float z, BlendMode blend, const Texture& texture);
    void add(const Affine& unitToScene, float red, float green, float blue, float alpha);
    // Scratch space for a node that needs to reorder what it appends.
    [[nodiscard]] std::vector<std::uint32_t>& scratch() { return m_scratch; }

private:
    struct Run {
        std::uint64_t key;
        std::uint32_t first;
        std::uint32_t count;
    };

    void collect(const Node& node, const WorldState& parent);
    void endRun();

    std::vector<Quad> m_unsorted;
    std::vector<Quad> m_quads;
    std::vector<Run> m_runs;
    std::vector<std::uint32_t> m_scratch;
    const Texture* m_runTexture = nullptr;
    BlendMode m_runBlend = BlendMode::Alpha;
    float m_drawRate = std::numeric_limits<float>::infinity(); // of the node appending now
    bool m_runOpen = false;
};

} // namespace tavik::sprite
