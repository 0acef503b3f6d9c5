#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QColor>
#include <QPointF>
#include <QSizeF>
#include <QString>

#include <memory>
#include <optional>
#include <vector>

namespace tavik {

class SettingsStore;

// Soft glowing dots that fade in, pulse slowly and wander from point to point in a band along
// the bottom of the screen; now and then one rests on top of the dock, bobbing, before it
// flies off again. Everything moves by actions ("wander" and "pulse" on each sprite), so the
// effect has no per-frame work; the wind only bends the target of each new leg.
class FireflySimulation final : public Effect {
public:
    struct Firefly {
        sprite::SpriteNode* sprite = nullptr; // owned by the root node
        double baseDiameter = 0;              // points, before the size setting
    };

    static constexpr const char* kWanderKey = "wander";
    static constexpr const char* kPulseKey = "pulse";
    // The slider's top; a value typed into the store must not exhaust memory.
    static constexpr int kMaxFireflies = 30;

    FireflySimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);
    // Pinned in place: its actions call back into it.
    FireflySimulation(const FireflySimulation&) = delete;
    FireflySimulation& operator=(const FireflySimulation&) = delete;

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(30); }


    // Horizontal wind in points per second, as of the last step.
    double windDX = 0;

    [[nodiscard]] const std::vector<Firefly>& fireflies() const { return m_fireflies; }
    [[nodiscard]] const sprite::TexturePtr& glowTexture() const { return m_glowTexture; }
    // The flight band's height in points: never thinner than a strip along the bottom.
    [[nodiscard]] double bandHeight() const;
    // Where a firefly would rest on the dock now, or nothing when there is no dock to rest on.
    [[nodiscard]] std::optional<QPointF> restPointOnDock() const;

    // A round glow in `color`, brightest in the middle and fading to nothing at the rim.
    [[nodiscard]] static sprite::TexturePtr makeGlowTexture(const QColor& color, double scale);

private:
    // Re-plans every flight with the current speed and band.
    void apply(const SettingsStore& settings, QSizeF size);
    void redrawGlow();
    void spawnFirefly(double sizeFactor);
    [[nodiscard]] QPointF randomPointInBand() const;
    void restartWander(const Firefly& firefly);
    void startPulse(sprite::SpriteNode& sprite, double peak);
    [[nodiscard]] const Firefly* live(const sprite::SpriteNode* sprite) const;
    // An action step that plans the next leg, if the simulation and the firefly are still there.
    [[nodiscard]] std::unique_ptr<sprite::Action> planNextLeg(sprite::SpriteNode* sprite);

    EffectRoot m_root;
    sprite::Random& m_random;
    const DockGeometryProvider& m_dock;
    double m_backingScale;
    std::vector<Firefly> m_fireflies;
    QSizeF m_sceneSize;
    sprite::TexturePtr m_glowTexture;
    QString m_currentGlowHex;
    double m_currentBandHeight = 0.47; // of the scene height
    bool m_enabled = false;
    double m_flightSpeed = 0;
    bool m_hostsDock = true;
    // Actions outlive the simulation when the scene keeps the node; they hold this weakly.
    std::shared_ptr<const bool> m_alive = std::make_shared<const bool>(true);
};

} // namespace tavik
