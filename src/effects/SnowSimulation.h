#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"

#include "sprite/EmitterNode.h"
#include "sprite/Texture.h"

#include <QSizeF>

#include <memory>

namespace tavik {

class SettingsStore;

// Falling snow: one emitter releasing slowly spinning soft dots or six-armed crystals along a
// line just above the top edge, blown by the wind and, while dynamic, thickening and easing
// with the shared slow wave.
class SnowSimulation final : public Effect {
public:
    SnowSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(30); }
    [[nodiscard]] sprite::EmitterNode& emitter() const { return *m_emitter; }


    [[nodiscard]] bool dynamic() const { return m_dynamic; }
    [[nodiscard]] double baseBirthRate() const { return m_baseBirthRate; }
    [[nodiscard]] double baseFall() const { return m_baseFall; }
    [[nodiscard]] const sprite::TexturePtr& dotTexture() const { return m_dotTexture; }
    [[nodiscard]] const sprite::TexturePtr& crystalTexture() const { return m_crystalTexture; }

    // A white 10-point dot fading out from its centre.
    [[nodiscard]] static sprite::TexturePtr makeDotTexture(double scale);
    // A white six-armed crystal of 28 points, each arm with two side branches.
    [[nodiscard]] static sprite::TexturePtr makeCrystalTexture(double scale);

private:
    void apply(const SettingsStore& settings, QSizeF size);
    void applyRate(const SettingsStore& settings, double width);
    void applyMotion(const SettingsStore& settings, double height);
    void applyLook(const SettingsStore& settings);

    const SettingsStore* m_settings; // the last applied; a resize applies them again
    QSizeF m_sceneSize;
    double m_backingScale;
    EffectRoot m_root;
    sprite::EmitterNode* m_emitter = nullptr;
    sprite::TexturePtr m_dotTexture;
    sprite::TexturePtr m_crystalTexture;
    bool m_dynamic = false;
    double m_baseBirthRate = 0;
    double m_baseFall = 0;
};

} // namespace tavik
