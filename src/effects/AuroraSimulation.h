#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"

#include "sprite/Color.h"
#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QSizeF>

#include <memory>
#include <vector>

namespace tavik {

class SettingsStore;

// Up to eight tall, soft curtains of coloured light hanging from the top edge, spread from
// left to right; each sways, breathes and stretches on its own, and every third one has a
// shifted hue. All curtains share one white texture.
class AuroraSimulation final : public Effect {
public:
    struct Curtain {
        sprite::SpriteNode* sprite = nullptr; // owned by the root node
        // Placement as fractions of the scene, so a resize re-lays every curtain.
        double xFrac = 0;
        double widthFrac = 0;
        double heightFrac = 0;
        double swayAmpFrac = 0;
        double swayRate = 0; // radians per second at speed factor 1
        double swayPhase = 0;
        double breatheRate = 0;
        double breathePhase = 0;
        double baseAlpha = 0; // peak opacity before intensity
    };

    AuroraSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(15); }


    [[nodiscard]] const std::vector<Curtain>& curtains() const { return m_curtains; }
    [[nodiscard]] QSizeF sceneSize() const { return m_sceneSize; }
    [[nodiscard]] sprite::Color color() const { return m_color; }
    [[nodiscard]] double intensity() const { return m_intensity; }
    [[nodiscard]] double speedFactor() const { return m_speedFactor; }

    // The base colour, or for every third curtain (index 2, 5, …) the base colour turned
    // 0.18 of the way round the hue circle and slightly desaturated.
    [[nodiscard]] sprite::Color tint(int index) const;

    // A vertical band: clear at its foot, most intense a little below its top, brightest
    // along its middle and fading to both sides.
    [[nodiscard]] static sprite::TexturePtr makeCurtainTexture(double backingScale);
    static constexpr QSizeF kTextureSize{80, 240};
    static constexpr int kMaxCurtains = 8;

private:
    void apply(const SettingsStore& settings, QSizeF size);
    // Sizes and places every curtain from its fractions and its current sway.
    void layout();
    void setSceneSize(QSizeF size) { m_sceneSize = size; }
    void update(double dt);
    void spawnCurtain(int index);
    void pose(Curtain& curtain) const;

    sprite::Random& m_random;
    EffectRoot m_root;
    std::vector<Curtain> m_curtains;
    QSizeF m_sceneSize;
    sprite::TexturePtr m_texture;
    double m_backingScale;
    bool m_enabled = false;
    sprite::Color m_color;
    double m_intensity = 0;
    double m_speedFactor = 1;
};

} // namespace tavik
