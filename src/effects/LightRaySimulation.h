#pragma once

#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include <QSizeF>

#include <memory>

namespace tavik {

class SettingsStore;

// Soft light shafts hanging from the top edge; one instance for the sun, one for the moon. It
// holds no settings: the scene configures it and advances its phase. For now the scene slot:
// the switch, the size and the speed are kept, and the shafts come with the sky effects.
class LightRaySimulation {
public:
    explicit LightRaySimulation(QSizeF size, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_root.release(); }

    struct Configuration {
        bool enabled = false;
        double intensity = 0; // 0 to 100
        double angleDeg = 0;  // -45 to 45
        double speed = 0;     // 0 to 100
        sprite::Color color;
    };
    void configure(const Configuration& configuration, QSizeF size);
    void layout();

    [[nodiscard]] bool enabled() const { return m_enabled; }
    [[nodiscard]] double speedFactor() const { return m_speedFactor; }
    double phase = 0;

private:
    EffectRoot m_root;
    QSizeF m_sceneSize;
    bool m_enabled = false;
    double m_speedFactor = 0;
};

} // namespace tavik
