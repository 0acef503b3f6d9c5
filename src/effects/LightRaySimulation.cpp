#include "effects/LightRaySimulation.h"

namespace tavik {

// The scene slot: what it draws comes with the sky and ambient effects.
LightRaySimulation::LightRaySimulation(QSizeF size, const EffectContext&) : m_sceneSize(size)
{
    m_root->setHidden(true);
}

void LightRaySimulation::configure(const Configuration& configuration, QSizeF size)
{
    m_enabled = configuration.enabled;
    m_sceneSize = size;
    m_speedFactor = configuration.speed / 100;
    m_root->setHidden(!m_enabled);
}

void LightRaySimulation::layout() {}

} // namespace tavik
