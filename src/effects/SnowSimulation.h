#pragma once

#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"

#include "sprite/EmitterNode.h"
#include "sprite/Texture.h"

#include <QSizeF>

#include <memory>

namespace tavik {

class SettingsStore;

// Falling snow: one emitter releasing slowly spinning soft dots or six-armed crystals along a
// line just above the top edge. The scene drives it per frame: it sets the x acceleration
// from the wind and, while dynamic(), modulates the birth rate and speed from baseBirthRate()
// and baseFall().
class SnowSimulation {
public:
    SnowSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_root.release(); }
    [[nodiscard]] sprite::EmitterNode& emitter() const { return *m_emitter; }

    void apply(const SettingsStore& settings, QSizeF size);

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
    void applyRate(const SettingsStore& settings, double width);
    void applyMotion(const SettingsStore& settings, double height);
    void applyLook(const SettingsStore& settings);

    EffectRoot m_root;
    sprite::EmitterNode* m_emitter = nullptr;
    sprite::TexturePtr m_dotTexture;
    sprite::TexturePtr m_crystalTexture;
    bool m_dynamic = false;
    double m_baseBirthRate = 0;
    double m_baseFall = 0;
};

} // namespace tavik
