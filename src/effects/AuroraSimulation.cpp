#include "effects/AuroraSimulation.h"

namespace tavik {

// The scene slot: what it draws comes with the sky and ambient effects.
AuroraSimulation::AuroraSimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}
void AuroraSimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }
void AuroraSimulation::update(double) {}
void AuroraSimulation::layout() {}

} // namespace tavik
