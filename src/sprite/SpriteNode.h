#pragma once

#include "sprite/Color.h"
#include "sprite/DrawList.h"
#include "sprite/Node.h"
#include "sprite/Texture.h"

#include <QPointF>
#include <QSizeF>

namespace tavik::sprite {

// A textured quad of `size` points placed by its anchor point (0..1 of the size; the
// default is the centre). `color` tints a white texture by `colorBlendFactor`:
// rgb = texel × mix(1, color, factor). Without a texture the sprite is a rectangle of
// `color` (its alpha included).
class SpriteNode : public Node {
public:
    SpriteNode() = default;
    // Sized like the texture.
    explicit SpriteNode(TexturePtr texture);
    SpriteNode(TexturePtr texture, QSizeF size);

    [[nodiscard]] const TexturePtr& texture() const { return m_texture; }
    // Keeps the size: a texture swap never resizes a sprite.
    void setTexture(TexturePtr texture) { m_texture = std::move(texture); }
    [[nodiscard]] QSizeF size() const { return m_size; }
    void setSize(QSizeF size) { m_size = size; }
    [[nodiscard]] QPointF anchorPoint() const { return m_anchor; }
    void setAnchorPoint(QPointF anchor) { m_anchor = anchor; }
    [[nodiscard]] Color color() const { return m_color; }
    void setColor(Color color) { m_color = color; }
    [[nodiscard]] double colorBlendFactor() const { return m_colorBlendFactor; }
    void setColorBlendFactor(double factor) { m_colorBlendFactor = factor; }
    [[nodiscard]] BlendMode blendMode() const { return m_blendMode; }
    void setBlendMode(BlendMode mode) { m_blendMode = mode; }

    void appendQuads(DrawList& list, const WorldState& world) const override;

private:
    TexturePtr m_texture;
    QSizeF m_size;
    QPointF m_anchor{0.5, 0.5};
    Color m_color;
    double m_colorBlendFactor = 0.0;
    BlendMode m_blendMode = BlendMode::Alpha;
};

} // namespace tavik::sprite
