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

// Falling rain: one emitter releasing thin drops along a line just above the top edge, blown
// by the wind and, while dynamic, swelling and easing with the shared slow wave.
class RainSimulation final : public Effect {
public:
    RainSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(kFullFrameRate); }
    [[nodiscard]] sprite::EmitterNode& emitter() const { return *m_emitter; }


    [[nodiscard]] bool dynamic() const { return m_dynamic; }
    [[nodiscard]] double baseBirthRate() const { return m_baseBirthRate; }
    [[nodiscard]] double baseSpeed() const { return m_baseSpeed; }
    [[nodiscard]] double backingScale() const { return m_backingScale; }
    [[nodiscard]] const sprite::TexturePtr& dropTexture() const { return m_dropTexture; }

    // A white capsule of width × height points, transparent at the top (tail) and solid at
    // the bottom (head).
    [[nodiscard]] static sprite::TexturePtr makeDropTexture(double width, double height, double scale);

private:
    // Reads every rain setting afresh; rebuilds the drop texture only when its size changed.
    void apply(const SettingsStore& settings, QSizeF size);
    // The display's pixels per point changed: redraw the drop at the new scale.
    void setBackingScale(double scale);
    // Per frame: lets density, speed and drop size follow the shared slow wave when dynamic.
    void applyDynamics(double now);
    void placeEmitter(double width, double height);
    void applyRate(const SettingsStore& settings, double width);
    void applyMotion(const SettingsStore& settings, double height);
    void applyLook(const SettingsStore& settings);
    void applyDropSize(const SettingsStore& settings);

    const SettingsStore* m_settings; // the last applied; a resize applies them again
    QSizeF m_sceneSize;
    EffectRoot m_root;
    sprite::EmitterNode* m_emitter = nullptr;
    sprite::TexturePtr m_dropTexture;
    double m_backingScale = 1;
    double m_textureWidth = -1;
    double m_textureHeight = -1;
    bool m_dynamic = false;
    double m_baseBirthRate = 0;
    double m_baseSpeed = 0;
};

} // namespace tavik
