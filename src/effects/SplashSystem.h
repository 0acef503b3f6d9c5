#pragma once

#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"

#include "sprite/Texture.h"

#include <QPointF>
#include <QSizeF>

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace tavik {

class SettingsStore;

// Small bursts of droplets where rain would land: along the bottom edge, on the top of the
// dock and under a pointer hovering low. Not tied to the falling drops: spawned at a rate
// derived from the rain settings. Each splash is a one-shot emitter that removes itself.
class SplashSystem final : public Effect {
public:
    SplashSystem(QSizeF size, const SettingsStore& settings, const EffectContext& context, ScreenRenderInfo info);

    [[nodiscard]] sprite::Node& node() const override { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() override { return m_root.release(); }

    void apply(const SettingsStore& settings) override;
    void step(const Frame& frame) override;
    void setDisplay(const Display& display) override;
    [[nodiscard]] std::vector<sprite::TexturePtr> textures() const override;
    [[nodiscard]] double wantedRate() const override { return whileShowing(kFullFrameRate); }

    // The cached dock outline is sampled again on its next use.
    void setDockProfileDirty(bool dirty = true) { m_dockProfileDirty = dirty; }

    [[nodiscard]] QSizeF sceneSize() const { return m_sceneSize; }
    [[nodiscard]] const ScreenRenderInfo& info() const { return m_info; }
    [[nodiscard]] bool dockProfileDirty() const { return m_dockProfileDirty; }


    // The dock's top edge as this system uses it now: sampled afresh in realtime mode,
    // otherwise cached until marked dirty. Empty without a visible dock.
    [[nodiscard]] std::span<const QPointF> dockProfile();

    // One burst at `point`; energetic bursts throw more droplets higher and wider.
    void spawnSplash(QPointF point, bool energetic);

    // Expected splashes of one source over dt seconds.
    [[nodiscard]] double splashRate(double dt) const;

    [[nodiscard]] double bottomAccumulator() const { return m_bottomAccumulator; }
    [[nodiscard]] double dockAccumulator() const { return m_dockAccumulator; }
    [[nodiscard]] double hoverAccumulator() const { return m_hoverAccumulator; }
    [[nodiscard]] const sprite::TexturePtr& splashTexture() const { return m_splashTexture; }

    // A soft white 6-point dot.
    [[nodiscard]] static sprite::TexturePtr makeSplashTexture(double scale);

    static constexpr int kMaxSplashesPerFrame = 24;

private:
    // Per frame, with the pointer in scene coordinates while it is over this display.
    void update(double frameStep, std::optional<QPointF> hover);
    // Makes up to kMaxSplashesPerFrame splashes from the accumulator, calling `splash` for
    // each unit drained; a capped frame drops its backlog.
    template <typename Splash>
    static void drain(double& accumulator, double expected, Splash&& splash);

    void emitBottomSplashes(double dt, bool dockProfileEmpty);
    void emitDockSplashes(double dt, std::span<const QPointF> profile);
    void emitHoverSplashes(double dt, std::optional<QPointF> hover);
    void sampleDockProfile(std::vector<QPointF>& out) const;
    [[nodiscard]] double sceneWidth() const;

    EffectRoot m_root;
    sprite::Random& m_random;
    const DockGeometryProvider& m_dock;
    sprite::TexturePtr m_splashTexture;
    const SettingsStore* m_settings;
    QSizeF m_sceneSize;
    ScreenRenderInfo m_info;
    std::vector<QPointF> m_cachedDockProfile;
    std::vector<QPointF> m_liveDockProfile; // reused by realtime sampling
    bool m_dockProfileDirty = true;
    double m_bottomAccumulator = 0;
    double m_dockAccumulator = 0;
    double m_hoverAccumulator = 0;
    bool m_started = false;
};

} // namespace tavik
