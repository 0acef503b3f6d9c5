#include "effects/DustSimulation.h"

namespace tavik {

// The scene slot: what it draws comes with the sky and ambient effects.
DustSimulation::DustSimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}
void DustSimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }
void DustSimulation::update(double, const WindSample&) {}

} // namespace tavik
