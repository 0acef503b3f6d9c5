#pragma once

#include "effects/Effect.h"
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

// Blossom petals drifting down on the breeze: lighter and more fluttery than the leaves, and
// so few that power saving leaves their number alone.
class PetalSimulation final : public Effect {
public:
    using Petal = FallingPieces::Piece;

    PetalSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return m_pieces.node(); }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_pieces.takeNode(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(30); }


    [[nodiscard]] const std::vector<Petal>& petals() const { return m_pieces.pieces(); }
    [[nodiscard]] const sprite::TexturePtr& texture() const { return m_pieces.texture(); }

    // A 16 × 14 point petal filled with `color`, with a faint centre line.
    [[nodiscard]] static sprite::TexturePtr makePetalTexture(const QColor& color, double scale);

private:
    void apply(const SettingsStore& settings, QSizeF size);
    FallingPieces m_pieces;
};

} // namespace tavik
