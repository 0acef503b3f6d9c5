#pragma once

#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include <QSizeF>

#include <memory>

namespace tavik {

class SettingsStore;

// Fireflies glowing low over the screen. For now the scene slot only: the scene places it and
// hands it the wind, and the fireflies come with the ambient effects.
class FireflySimulation {
public:
    FireflySimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_root.release(); }

    void apply(const SettingsStore& settings, QSizeF size);
    void setSceneSize(QSizeF size) { m_sceneSize = size; }
    // Horizontal wind in points per second, written by the scene every frame.
    double windDX = 0;

private:
    EffectRoot m_root;
    QSizeF m_sceneSize;
};

} // namespace tavik
