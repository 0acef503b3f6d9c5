#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include "sprite/Color.h"
#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QSizeF>

#include <memory>
#include <vector>

namespace tavik {

class SettingsStore;

// Tiny glowing specks over the whole screen, drifting slowly up and sideways, leaning with
// the wind, shimmering, and coming back in at the opposite edge when they drift out.
class DustSimulation final : public Effect {
public:
    struct Mote {
        sprite::SpriteNode* sprite = nullptr; // owned by the root node
        double driftX = 0;                    // points per second
        double driftY = 0;                    // points per second, up
        double baseAlpha = 0;
        double shimmerPhase = 0; // radians
        double shimmerRate = 0;  // radians per second
    };

    // Full density; more than that is a value typed into the store, not a wish for more.
    static constexpr int kMaxMotes = 120;

    DustSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(15); }


    [[nodiscard]] const std::vector<Mote>& motes() const { return m_motes; }
    [[nodiscard]] const sprite::TexturePtr& texture() const { return m_texture; }

    // A white 8-point speck, solid in the middle and soft at the rim, tinted per mote.
    [[nodiscard]] static sprite::TexturePtr makeSpeckTexture(double scale);

private:
    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt, const WindSample& wind);
    void spawnMote();

    EffectRoot m_root;
    sprite::Random& m_random;
    std::vector<Mote> m_motes;
    QSizeF m_sceneSize;
    sprite::TexturePtr m_texture;
    double m_backingScale;
    bool m_enabled = false;
    sprite::Color m_color;
};

} // namespace tavik
