#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"

#include "sprite/Color.h"
#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QSizeF>
#include <QString>

#include <memory>
#include <vector>

namespace tavik {

class SettingsStore;

// A field of small twinkling stars in the upper part of the scene and, now and then, a
// shooting star that streaks down and to the right and fades. Twinkle and flight are actions,
// so the frame step only counts down to the next meteor.
class StarSimulation final : public Effect {
public:
    StarSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override;


    // Oldest first; owned by the root node.
    [[nodiscard]] const std::vector<sprite::SpriteNode*>& stars() const { return m_stars; }
    [[nodiscard]] QSizeF sceneSize() const { return m_sceneSize; }
    [[nodiscard]] double nextMeteorIn() const { return m_nextMeteorIn; }
    [[nodiscard]] sprite::Color starColor() const { return m_starColor; }

    // Seconds between meteors at a frequency on 0 to 100, before the random spread:
    // 55 s at 1 or below, 5 s at 100.
    [[nodiscard]] static double meteorInterval(double frequency);

    // A round white glow, opaque at the centre.
    [[nodiscard]] static sprite::TexturePtr makeStarTexture(double backingScale);
    // A horizontal streak with its bright head at the right, fading to the top and bottom.
    [[nodiscard]] static sprite::TexturePtr makeMeteorTexture(double backingScale);

    static constexpr int kMaxStars = 180;
    static constexpr QSizeF kStarTextureSize{32, 32};
    static constexpr QSizeF kMeteorTextureSize{128, 16};

private:
    // Recolours, resizes the population and, when the frequency changed, reschedules meteors.
    void apply(const SettingsStore& settings, QSizeF size);
    // Stars that fall outside the new size move back into the sky; the others stay put.
    void updateSize(QSizeF size);
    void update(double dt);
    [[nodiscard]] static int targetCount(const SettingsStore& settings);
    void recolour(const QString& hex);
    void spawnStar();
    [[nodiscard]] QPointF randomPointInSky();
    void startTwinkle(sprite::SpriteNode& star, double peak);
    void scheduleMeteor();
    void spawnMeteor();

    sprite::Random& m_random;
    EffectRoot m_root;
    std::vector<sprite::SpriteNode*> m_stars;
    QSizeF m_sceneSize;
    sprite::TexturePtr m_starTexture;
    sprite::TexturePtr m_meteorTexture;
    double m_backingScale;
    QString m_currentStarHex;
    sprite::Color m_starColor;
    bool m_enabled = false;
    double m_nextMeteorIn = 0;
    double m_shootingFrequency = 0;
};

} // namespace tavik
