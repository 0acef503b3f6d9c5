#pragma once

#include "effects/EffectContext.h"
#include "effects/FallingPieces.h"
#include "effects/WindField.h"

#include "sprite/Texture.h"

#include <QColor>
#include <QSizeF>

#include <memory>
#include <vector>

namespace tavik {

class SettingsStore;

// Autumn leaves tumbling down on the breeze. Power saving halves their number.
class LeafSimulation {
public:
    using Leaf = FallingPieces::Piece;

    LeafSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return m_pieces.node(); }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_pieces.takeNode(); }

    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt, const WindSample& wind) { m_pieces.update(dt, wind); }
    void setSceneSize(QSizeF size) { m_pieces.setSceneSize(size); }

    [[nodiscard]] const std::vector<Leaf>& leaves() const { return m_pieces.pieces(); }
    [[nodiscard]] const sprite::TexturePtr& texture() const { return m_pieces.texture(); }

    // A 22 × 16 point leaf filled with `color`, with a darker midrib.
    [[nodiscard]] static sprite::TexturePtr makeLeafTexture(const QColor& color, double scale);

private:
    FallingPieces m_pieces;
};

} // namespace tavik
