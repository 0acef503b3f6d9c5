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

// Up to ten wide, soft banks of mist drifting sideways through the lower third of the scene,
// wrapping at the edges. All banks share one texture, each stretched its own way.
class FogSimulation final : public Effect {
public:
    struct Bank {
        sprite::SpriteNode* sprite = nullptr; // owned by the root node
        double speedVar = 1;
        double scaleX = 1;
        double scaleY = 1;
        double alphaMul = 1; // the bank's share of the fog opacity
    };

    FogSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(10); }


    [[nodiscard]] QSizeF sceneSize() const { return m_sceneSize; }

    [[nodiscard]] const std::vector<Bank>& banks() const { return m_banks; }
    [[nodiscard]] const sprite::TexturePtr& texture() const { return m_texture; }

    // Seven overlapping radial gradients: an elongated, lumpy, soft-edged mist.
    [[nodiscard]] static sprite::TexturePtr makeMistTexture(double backingScale);

    static constexpr QSizeF kTextureSize{480, 200};
    static constexpr int kMaxBanks = 10;

private:
    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt, const WindSample& wind);
    void spawnBank(bool initial);
    void reseed(Bank& bank, bool enteringFromLeft);
    [[nodiscard]] double randomHeight();

    sprite::Random& m_random;
    EffectRoot m_root;
    std::vector<Bank> m_banks;
    QSizeF m_sceneSize;
    sprite::TexturePtr m_texture;
    double m_backingScale;
    bool m_enabled = false;
    double m_opacity = 0;
    sprite::Color m_color = sprite::Color::fromQColor(FallbackColor::lightGray);
};

} // namespace tavik
