#include "effects/StarSimulation.h"

namespace tavik {

// The scene slot: what it draws comes with the sky and ambient effects.
StarSimulation::StarSimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}
void StarSimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }
void StarSimulation::update(double) {}
void StarSimulation::updateSize(QSizeF size) { m_sceneSize = size; }

} // namespace tavik
