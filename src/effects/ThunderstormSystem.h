#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"

#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QSizeF>

#include <functional>
#include <memory>

namespace tavik {

class SettingsStore;

// Distant heat-lightning: a full-scene additive glow, brightest at the top edge, that flickers
// through a double-peaked flash and then waits a random while before the next one.
class ThunderstormSystem final : public Effect {
public:
    ThunderstormSystem(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override;


    // The wait before the first flash after switching on: half the usual, at least 2 s.
    [[nodiscard]] double initialDelay();
    void startFlash();
    // Brightness of a flash over its course, t in [0, 1]: a strike, a weaker re-strike and a
    // faint afterglow, never above 1.
    [[nodiscard]] static double envelope(double t);
    // A vertical strip that is opaque white at the top and clear from 45 % of the way down.
    [[nodiscard]] static sprite::TexturePtr makeGlowTexture(double backingScale);

    // Called once at the start of every flash with its brightness on the 0 to 100 scale.
    void setLightningHandler(std::function<void(double brightness)> handler) { m_lightningHandler = std::move(handler); }


    [[nodiscard]] QSizeF sceneSize() const { return m_sceneSize; }
    [[nodiscard]] const sprite::SpriteNode& glow() const { return *m_glow; }
    [[nodiscard]] bool isEnabled() const { return m_enabled; }
    [[nodiscard]] bool isFlashing() const { return m_flashing; }
    [[nodiscard]] double timeToNext() const { return m_timeToNext; }
    [[nodiscard]] double flashPeak() const { return m_flashPeak; }

    static constexpr double kFlashDuration = 0.55;

private:
    void apply(const SettingsStore& settings, QSizeF size);
    // The scene's own resize: the glow keeps covering the whole scene.
    void setSceneSize(QSizeF size);
    // `now` is the shared clock, which the storm's dynamic mode follows.
    void update(double dt, double now);
    // The frequency in force on 0 to 100, following the storm's own wave while dynamic.
    [[nodiscard]] double currentFrequency() const;
    [[nodiscard]] double currentBrightness() const;
    [[nodiscard]] double baseInterval() const;
    void endFlash();
    void placeGlow();

    sprite::Random& m_random;
    EffectRoot m_root;
    sprite::SpriteNode* m_glow = nullptr;
    QSizeF m_sceneSize;
    double m_backingScale;
    double m_now; // the shared clock at the last step
    bool m_enabled = false;
    bool m_dynamic = false;
    double m_frequency = 0;
    double m_brightness = 0;
    double m_timeToNext = 3;
    bool m_flashing = false;
    double m_flashT = 0;
    double m_flashPeak = 0;
    std::function<void(double)> m_lightningHandler;
};

} // namespace tavik
