#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include "sprite/Color.h"
#include "sprite/SpriteNode.h"
#include "sprite/Texture.h"

#include <QImage>
#include <QSizeF>

#include <array>
#include <memory>
#include <vector>

namespace tavik {

class SettingsStore;

// A handful of large, soft clouds drifting through the upper third of the scene and wrapping
// around at the edges. Six cloud shapes are drawn once; every cloud reuses one of them.
class CloudSimulation final : public Effect {
public:
    struct Cloud {
        sprite::SpriteNode* sprite = nullptr; // owned by the root node
        double speedVar = 1;                  // the cloud's own speed factor
        double baseScale = 1;
    };

    CloudSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(10); }


    // Written by the owning scene: a suppressed simulation keeps no clouds (they are drawn by
    // the underlay behind windows instead).
    void setSuppressed(bool suppressed) { m_suppressed = suppressed; }
    [[nodiscard]] bool isSuppressed() const { return m_suppressed; }
    // A resize only moves the wrap-around edges; clouds keep their places.
    void setSceneSize(QSizeF size) { m_sceneSize = size; }
    [[nodiscard]] QSizeF sceneSize() const { return m_sceneSize; }

    [[nodiscard]] const std::vector<Cloud>& clouds() const { return m_clouds; }
    [[nodiscard]] const std::array<sprite::TexturePtr, 6>& texturePool() const { return m_texturePool; }

    // One random cloud of 500 × 320 points: overlapping ellipses, faded towards the top,
    // blurred, then made white with the blurred alpha. Drawn at half a pixel per point (or
    // `backingScale`, if lower): nothing in so soft a picture needs more.
    [[nodiscard]] static QImage makeCloudImage(sprite::Random& random, double backingScale);

    static constexpr QSizeF kImageSize{500, 320};

private:
    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt, const WindSample& wind);
    [[nodiscard]] static std::array<sprite::TexturePtr, 6> drawPool(sprite::Random& random, double backingScale);
    void spawnCloud(bool initial);
    void reseed(Cloud& cloud, bool enteringFromLeft);
    [[nodiscard]] double randomHeight();

    sprite::Random& m_random;
    EffectRoot m_root;
    std::vector<Cloud> m_clouds;
    QSizeF m_sceneSize;
    std::array<sprite::TexturePtr, 6> m_texturePool;
    sprite::Random m_shapeRandom; // as it stood before the shapes were drawn
    double m_backingScale;
    bool m_enabled = true;
    bool m_suppressed = false;
    double m_opacity = 0;
    double m_speed = 0;
    sprite::Color m_color = sprite::Color::fromQColor(FallbackColor::lightGray);
};

} // namespace tavik
