#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"

#include "sprite/Color.h"
#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QSizeF>

#include <array>
#include <memory>

namespace tavik {

// Five soft light shafts hanging from the top edge, slanted to one side, slowly swaying,
// drifting and breathing; one instance for the sun, one for the moon. It holds no settings:
// the scene configures it and advances its phase.
class LightRaySimulation final : public Effect {
public:
    struct Shaft {
        sprite::SpriteNode* sprite = nullptr; // owned by the root node
        double spread = 0;                    // radians added to the slant
        double offset = 0;                    // points added to the source x
        double width = 0;                     // points
        double alphaMul = 1;
        double baseAlpha = 0;
    };
    static constexpr int kShaftCount = 5;

    // Which settings the shafts follow.
    enum class Source { sun, moon };

    LightRaySimulation(QSizeF size, const EffectContext& context, Source source = Source::sun);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(10); }

    struct Configuration {
        bool enabled = false;
        double intensity = 0; // 0 to 100
        double angleDeg = 0;  // -45 to 45; positive hangs the shafts from the left, leaning right
        double speed = 0;     // 0 to 100
        sprite::Color color;
    };
    // Shows or hides the shafts; when shown, re-lays them for the scene size. Hiding changes
    // nothing else, so switching back on resumes the motion where it stopped.
    void configure(const Configuration& configuration, QSizeF size);
    // Places, rotates and fades every shaft for the current phase.
    void layout();

    [[nodiscard]] bool enabled() const { return m_enabled; }
    [[nodiscard]] double speedFactor() const { return m_speedFactor; }
    [[nodiscard]] double angle() const { return m_angle; }
    [[nodiscard]] double sourceX() const { return m_sourceX; }
    [[nodiscard]] double length() const { return m_length; }
    [[nodiscard]] QSizeF sceneSize() const { return m_sceneSize; }
    [[nodiscard]] const std::array<Shaft, kShaftCount>& shafts() const { return m_shafts; }

    // A soft round glow, brightest at the centre: stretched, a shaft brightest along its
    // middle that fades to both ends and sides.
    [[nodiscard]] static sprite::TexturePtr makeBeamTexture(double backingScale);
    static constexpr QSizeF kBeamTextureSize{64, 64};

    // The animation clock; every step advances it while enabled. Never reset.
    double phase = 0;

private:
    void buildShafts();

    Source m_source;
    EffectRoot m_root;
    sprite::TexturePtr m_beamTexture;
    double m_backingScale;
    Configuration m_configuration;
    QSizeF m_sceneSize;
    bool m_enabled = false;
    double m_angle = 0;
    double m_sourceX = 0;
    double m_length = 0;
    double m_speedFactor = 0;
    std::array<Shaft, kShaftCount> m_shafts;
};

} // namespace tavik
