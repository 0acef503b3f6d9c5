#include "sprite/SpriteNode.h"

#include <algorithm>

namespace tavik::sprite {

SpriteNode::SpriteNode(TexturePtr texture) : m_texture(std::move(texture))
{
    if (m_texture)
        m_size = m_texture->size();
}

SpriteNode::SpriteNode(TexturePtr texture, QSizeF size) : m_texture(std::move(texture)), m_size(size) {}

void SpriteNode::appendQuads(DrawList& list, const WorldState& world) const
{
    const double w = m_size.width();
    const double h = m_size.height();
    if (w == 0.0 || h == 0.0 || (m_texture && m_texture->isPlaceholder()))
        return;

    float red = m_color.r;
    float green = m_color.g;
    float blue = m_color.b;
    float alpha = world.alpha;
    const Texture* texture = m_texture.get();
    if (texture) {
        const float f = float(std::clamp(m_colorBlendFactor, 0.0, 1.0));
        red = 1.0f + (red - 1.0f) * f;
        green = 1.0f + (green - 1.0f) * f;
        blue = 1.0f + (blue - 1.0f) * f;
    } else {
        texture = Texture::white().get(); // lives for the whole program
        alpha *= std::clamp(m_color.a, 0.0f, 1.0f);
    }
    if (!(alpha > 0.0f))
        return;

    const Affine quad{w, 0.0, 0.0, h, -m_anchor.x() * w, -m_anchor.y() * h};
    list.beginRun(world.z, m_blendMode, *texture);
    list.add(world.transform * quad, red, green, blue, alpha);
}

} // namespace tavik::sprite
