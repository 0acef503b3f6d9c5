#pragma once

#include "effects/CloudSimulation.h"
#include "effects/EffectContext.h"
#include "effects/WindField.h"

#include "sprite/Scene.h"

#include <cstdint>
#include <memory>
#include <optional>

namespace tavik {

class SettingsStore;

// The clouds of a display drawn in a second layer behind ordinary windows. It has a wind of
// its own, and its clouds are never suppressed.
class CloudUnderlayScene final : public sprite::Scene {
public:
    CloudUnderlayScene(QSizeF size, SettingsStore& settings, double backingScale = 1,
                       std::uint64_t seed = sprite::Random::kDefaultSeed);
    ~CloudUnderlayScene() override;

    void applySettings();

    [[nodiscard]] bool isRenderingEnabled() const { return m_renderingEnabled; }
    [[nodiscard]] CloudSimulation& clouds() { return *m_clouds; }
    [[nodiscard]] const WindField& wind() const { return m_wind; }

protected:
    void update(double currentTime) override;
    void didChangeSize(QSizeF oldSize) override;

private:
    SettingsStore& m_settings;
    NoDockGeometry m_noDock;
    WindField m_wind;
    std::unique_ptr<CloudSimulation> m_clouds;
    std::optional<double> m_lastUpdate;
    bool m_renderingEnabled = true;
};

} // namespace tavik
