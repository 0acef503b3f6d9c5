#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QColor>
#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

namespace tavik {

// How one kind of falling piece (a leaf, a petal) looks and moves; everything else is shared.
struct FallingPieceStyle {
    sprite::TexturePtr (*makeTexture)(const QColor& color, double scale);
    QColor fallbackColor;
    double swayRateMin;      // radians per second
    double swayRateMax;
    double fallPerSetting;   // points per second per unit of the fall-speed setting
    double minFall;          // points per second, even at the slowest setting
    double swayBase;         // sideways sway amplitude, points per second, at tumble 0
    double swayPerTumble;    // added at full tumble
    double spinBase;         // share of a piece's spin at tumble 0
    double spinPerTumble;    // added at full tumble
    double flutterPerTumble; // how far the piece narrows when turning over, at full tumble
    double flutterRate;      // flutter cycles per sway cycle
};

// What one apply reads from the settings, already picked for the kind of piece.
struct FallingPiecesSettings {
    bool enabled = false;
    double count = 0; // after any low-power halving, before rounding
    double fallSpeed = 1;
    double tumble = 0;
    QString colorHex;
};

// Small sprites falling through the whole scene, swaying, spinning, turning over and drifting
// with the wind; each one that leaves the screen comes back above the top. The population
// only changes on apply.
class FallingPieces {
public:
    struct Piece {
        sprite::SpriteNode* sprite = nullptr; // owned by the root node
        double swayPhase = 0;                 // radians
        double swayRate = 0;                  // radians per second
        double fallFactor = 1;                // multiplies the fall speed
        double spin = 0;                      // radians per second, signed
        double baseScale = 1;
    };

    // The slider's top; a value typed into the store must not exhaust memory.
    static constexpr int kMaxPieces = 40;

    FallingPieces(const FallingPieceStyle& style, QSizeF size, const QString& colorHex, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_root.release(); }

    void apply(const FallingPiecesSettings& settings, QSizeF size);
    void update(double dt, const WindSample& wind);
    // A new backing scale redraws the texture.
    void setDisplay(const Display& display);

    [[nodiscard]] const std::vector<Piece>& pieces() const { return m_pieces; }
    [[nodiscard]] const sprite::TexturePtr& texture() const { return m_texture; }
    [[nodiscard]] bool enabled() const { return m_enabled; }
    [[nodiscard]] QSizeF sceneSize() const { return m_sceneSize; }

private:
    void recolor(const QString& colorHex);
    void spawn(bool initial);
    void reseed(Piece& piece, bool atTop);

    const FallingPieceStyle& m_style;
    sprite::Random& m_random;
    double m_backingScale;
    EffectRoot m_root;
    std::vector<Piece> m_pieces;
    QSizeF m_sceneSize;
    sprite::TexturePtr m_texture;
    QString m_currentColorHex;
    bool m_enabled = true;
    double m_fallSpeed = 0;
    double m_tumble = 0;
};

} // namespace tavik
