#pragma once

#include "effects/AuroraSimulation.h"
#include "effects/CloudSimulation.h"
#include "effects/DockSettleSystem.h"
#include "effects/DustSimulation.h"
#include "effects/EffectContext.h"
#include "effects/FireflySimulation.h"
#include "effects/FogSimulation.h"
#include "effects/LeafSimulation.h"
#include "effects/LightRaySimulation.h"
#include "effects/PetalSimulation.h"
#include "effects/RainSimulation.h"
#include "effects/SnowSimulation.h"
#include "effects/SplashSystem.h"
#include "effects/StarSimulation.h"
#include "effects/ThunderstormSystem.h"
#include "effects/WindField.h"

#include "sprite/Scene.h"

#include <QPointF>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace tavik {

class SettingsStore;

// The picture of one display: every effect once, stacked in a fixed depth order, one wind,
// advanced once per frame with a clamped time step. Displays share nothing but the settings.
class AtmosphereScene final : public sprite::Scene {
public:
    AtmosphereScene(QSizeF size, SettingsStore& settings, ScreenRenderInfo info, const DockGeometryProvider& dock,
                    std::uint64_t seed = sprite::Random::kDefaultSeed);
    ~AtmosphereScene() override;

    // Copies the current settings into the wind and every effect.
    void applySettings();

    [[nodiscard]] const ScreenRenderInfo& info() const { return m_info; }
    void setInfo(ScreenRenderInfo info) { m_info = info; }
    [[nodiscard]] bool cloudsSuppressed() const { return m_cloudsSuppressed; }
    void setCloudsSuppressed(bool suppressed) { m_cloudsSuppressed = suppressed; }
    [[nodiscard]] bool isRenderingEnabled() const { return m_renderingEnabled; }
    [[nodiscard]] double lastUpdate() const { return m_lastUpdate; }

    // Where the pointer is, in this scene's coordinates (the window origin already taken
    // off), or nothing; the scene keeps it only when it lies on the display.
    void setPointerSource(std::function<std::optional<QPointF>()> source) { m_pointerSource = std::move(source); }
    // Called once at the start of every lightning flash with its brightness (0 to 100).
    void setLightningHandler(std::function<void(double brightness)> handler);

    // The scene's effects by name, back to front, for inspection and tests.
    struct NamedRoot {
        const char* name;
        const sprite::Node* node;
    };
    [[nodiscard]] std::vector<NamedRoot> effectRoots() const;

    [[nodiscard]] const WindField& wind() const { return m_wind; }
    [[nodiscard]] RainSimulation& rain() { return *m_rain; }
    [[nodiscard]] SnowSimulation& snow() { return *m_snow; }
    [[nodiscard]] SplashSystem& splash() { return *m_splash; }
    [[nodiscard]] CloudSimulation& clouds() { return *m_clouds; }
    [[nodiscard]] FogSimulation& fog() { return *m_fog; }
    [[nodiscard]] ThunderstormSystem& thunder() { return *m_thunder; }
    [[nodiscard]] DockSettleSystem& dockSettle() { return *m_dockSettle; }
    [[nodiscard]] FireflySimulation& fireflies() { return *m_fireflies; }
    [[nodiscard]] StarSimulation& stars() { return *m_stars; }
    [[nodiscard]] LightRaySimulation& moonRays() { return *m_moonRays; }

protected:
    void update(double currentTime) override;
    void didChangeSize(QSizeF oldSize) override;

private:
    void createEffects();
    void applyRays();
    [[nodiscard]] std::optional<QPointF> hoverInScene() const;
    [[nodiscard]] WindSample windForEffects() const;
    void stepDynamicSnow();

    SettingsStore& m_settings;
    ScreenRenderInfo m_info;
    LandingDockGeometry m_dock; // what the effects see: only a bottom dock
    WindField m_wind;
    std::unique_ptr<AuroraSimulation> m_aurora;
    std::unique_ptr<StarSimulation> m_stars;
    std::unique_ptr<CloudSimulation> m_clouds;
    std::unique_ptr<LightRaySimulation> m_sunRays;
    std::unique_ptr<LightRaySimulation> m_moonRays;
    std::unique_ptr<RainSimulation> m_rain;
    std::unique_ptr<SnowSimulation> m_snow;
    std::unique_ptr<SplashSystem> m_splash;
    std::unique_ptr<LeafSimulation> m_leaves;
    std::unique_ptr<PetalSimulation> m_petals;
    std::unique_ptr<FireflySimulation> m_fireflies;
    std::unique_ptr<FogSimulation> m_fog;
    std::unique_ptr<DustSimulation> m_dust;
    std::unique_ptr<ThunderstormSystem> m_thunder;
    std::unique_ptr<DockSettleSystem> m_dockSettle;
    bool m_cloudsSuppressed = false;
    bool m_renderingEnabled = true;
    double m_lastUpdate = 0;
    std::function<std::optional<QPointF>()> m_pointerSource;
};

} // namespace tavik
