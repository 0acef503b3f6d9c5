#include "sprite/DrawList.h"

#include "sprite/Node.h"

#include <algorithm>
#include <bit>

namespace tavik::sprite {

namespace {

// Floats order like their bit patterns once negatives are flipped.
std::uint32_t orderedBits(float z)
{
    const auto bits = std::bit_cast<std::uint32_t>(z == 0.0f ? 0.0f : z);
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

constexpr std::uint64_t kTextureKeyMask = 0x7fffffffu;

} // namespace

void DrawList::clear()
{
    m_unsorted.clear();
    m_quads.clear();
    m_runs.clear();
    m_runOpen = false;
}

void DrawList::build(const Node& root)
{
    clear();
    collect(root, WorldState{});
    endRun();

    std::sort(m_runs.begin(), m_runs.end(), [](const Run& l, const Run& r) { return l.key < r.key; });
    m_quads.reserve(m_unsorted.size());
    for (const Run& run : m_runs)
        m_quads.insert(m_quads.end(), m_unsorted.begin() + run.first, m_unsorted.begin() + run.first + run.count);
}

void DrawList::collect(const Node& node, const WorldState& parent)
{
    if (node.isHidden())
        return;
    const float alpha = parent.alpha * float(node.alpha());
    if (!(alpha > 0.0f))
        return;
    const WorldState world{parent.transform * node.localTransform(), std::min(alpha, 1.0f),
                           parent.z + float(node.zPosition()), std::min(parent.drawRate, node.drawRate())};
    m_drawRate = world.drawRate;
    node.appendQuads(*this, world);
    for (const auto& child : node.children())
        collect(*child, world);
}

void DrawList::beginRun(float z, BlendMode blend, const Texture& texture)
{
    endRun();
    const std::uint64_t key = (std::uint64_t(orderedBits(z)) << 32) | (std::uint64_t(blend) << 31)
                              | (texture.id() & kTextureKeyMask);
    m_runs.push_back({key, std::uint32_t(m_unsorted.size()), 0});
    m_runTexture = &texture;
    m_runBlend = blend;
    m_runOpen = true;
}

void DrawList::add(const Affine& m, float red, float green, float blue, float alpha)
{
    m_unsorted.push_back({m_runTexture, float(m.a), float(m.b), float(m.c), float(m.d), float(m.tx), float(m.ty),
                          red * alpha, green * alpha, blue * alpha, alpha, m_runBlend, m_drawRate});
}

void DrawList::endRun()
{
    if (!m_runOpen)
        return;
    Run& run = m_runs.back();
    run.count = std::uint32_t(m_unsorted.size()) - run.first;
    if (run.count == 0)
        m_runs.pop_back();
    m_runOpen = false;
}

} // namespace tavik::sprite
