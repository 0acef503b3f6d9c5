#pragma once

#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include <QSizeF>

#include <memory>

namespace tavik {

class SettingsStore;

// Aurora curtains across the top of the sky. For now the scene slot only: the scene places
// and drives it, and the curtains come with the sky effects.
class AuroraSimulation {
public:
    AuroraSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_root.release(); }

    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt);
    void setSceneSize(QSizeF size) { m_sceneSize = size; }
    void layout();

private:
    EffectRoot m_root;
    QSizeF m_sceneSize;
};

} // namespace tavik
