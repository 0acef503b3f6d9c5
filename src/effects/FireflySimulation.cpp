#include "effects/FireflySimulation.h"

namespace tavik {

// The scene slot: what it draws comes with the sky and ambient effects.
FireflySimulation::FireflySimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}
void FireflySimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }

} // namespace tavik
