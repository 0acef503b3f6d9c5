#pragma once

#include "effects/CloudSimulation.h"
#include "effects/Effect.h"
#include "effects/EffectContext.h"
#include "effects/ThunderstormSystem.h"
#include "effects/WindField.h"

#include "sprite/Scene.h"

#include <QPointF>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace tavik {

class SettingsStore;

// The picture of one display: every effect once, stacked in a fixed depth order, one wind,
// advanced once per frame with a clamped time step. Displays share nothing but the settings.
class AtmosphereScene final : public sprite::Scene {
public:
    // `now` is the shared clock's reading as the scene is built; every frame brings its own.
    AtmosphereScene(QSizeF size, SettingsStore& settings, ScreenRenderInfo info, const DockGeometryProvider& dock,
                    std::uint64_t seed = sprite::Random::kDefaultSeed, double now = 0);
    ~AtmosphereScene() override;

    // Copies the current settings into the wind and every effect.
    void applySettings();

    // The shared clock reads `clock` when the frame time given to advance() is `frameTime`.
    // An overlay advances with the clock itself (the default); an offline render starts its
    // frames wherever it likes and names the clock time they stand for.
    void setClockOrigin(double frameTime, double clock)
    {
        m_originFrameTime = frameTime;
        m_originClock = clock;
    }

    [[nodiscard]] const ScreenRenderInfo& info() const { return m_info; }
    // The display changed under the scene (its pixel ratio, or whether it shows the dock).
    void setInfo(ScreenRenderInfo info);
    [[nodiscard]] bool cloudsSuppressed() const { return m_cloudsSuppressed; }
    void setCloudsSuppressed(bool suppressed) { m_cloudsSuppressed = suppressed; }
    [[nodiscard]] bool isRenderingEnabled() const { return m_renderingEnabled; }
    [[nodiscard]] std::optional<double> lastUpdate() const { return m_lastUpdate; }
    // The highest rate any visible effect wants, in frames per second; 0 when nothing shows.
    [[nodiscard]] double wantedRate() const;

    // Where the pointer is, in this scene's coordinates (the window origin already taken
    // off), or nothing; the scene keeps it only when it lies on the display.
    void setPointerSource(std::function<std::optional<QPointF>()> source) { m_pointerSource = std::move(source); }
    // Called once at the start of every lightning flash with its brightness (0 to 100).
    void setLightningHandler(std::function<void(double brightness)> handler);

    // The scene's effects by name, back to front within the order they step in.
    struct NamedEffect {
        const char* name;
        const Effect* effect;
    };
    [[nodiscard]] std::vector<NamedEffect> effects() const;
    [[nodiscard]] const Effect* effect(std::string_view name) const;
    // One effect by name as its own type, for inspection and tests; null if it is not one.
    template <typename T>
    [[nodiscard]] T* effectAs(std::string_view name)
    {
        return dynamic_cast<T*>(const_cast<Effect*>(effect(name)));
    }

    [[nodiscard]] const WindField& wind() const { return m_wind; }
    [[nodiscard]] CloudSimulation& clouds() { return *m_clouds; }
    [[nodiscard]] ThunderstormSystem& thunder() { return *m_thunder; }

protected:
    void update(double currentTime) override;
    void didChangeSize(QSizeF oldSize) override;

private:
    struct Slot {
        const char* name;
        std::unique_ptr<Effect> effect;
    };

    void createEffects(double now);
    void showDisplay();
    [[nodiscard]] std::optional<QPointF> hoverInScene() const;

    SettingsStore& m_settings;
    ScreenRenderInfo m_info;
    LandingDockGeometry m_dock; // what the effects see: only a bottom dock
    WindField m_wind;
    std::vector<Slot> m_effects; // in the order they step
    CloudSimulation* m_clouds = nullptr;
    ThunderstormSystem* m_thunder = nullptr;
    bool m_cloudsSuppressed = false;
    bool m_renderingEnabled = true;
    std::optional<double> m_lastUpdate;
    double m_originFrameTime = 0;
    double m_originClock = 0;
    std::function<std::optional<QPointF>()> m_pointerSource;
};

} // namespace tavik
