#pragma once

#include "effects/EffectContext.h"
#include "effects/EffectRoot.h"
#include "effects/WindField.h"

#include <QSizeF>

#include <memory>

namespace tavik {

class SettingsStore;

// Floating dust motes. For now the scene slot only: the scene places and drives it, and the
// motes come with the ambient effects.
class DustSimulation {
public:
    DustSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context);

    [[nodiscard]] sprite::Node& node() const { return *m_root; }
    [[nodiscard]] std::unique_ptr<sprite::Node> takeNode() { return m_root.release(); }

    void apply(const SettingsStore& settings, QSizeF size);
    void update(double dt, const WindSample& wind);
    void setSceneSize(QSizeF size) { m_sceneSize = size; }

private:
    EffectRoot m_root;
    QSizeF m_sceneSize;
};

} // namespace tavik
