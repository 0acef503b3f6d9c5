// The scene slots of the sky and ambient effects: each already owns its root node and takes
// its size, so the scene is complete; what each draws is filled in with those effects.
#include "effects/AuroraSimulation.h"
#include "effects/DustSimulation.h"
#include "effects/FireflySimulation.h"
#include "effects/LightRaySimulation.h"
#include "effects/StarSimulation.h"

namespace tavik {

AuroraSimulation::AuroraSimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}
void AuroraSimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }
void AuroraSimulation::update(double) {}
void AuroraSimulation::layout() {}

StarSimulation::StarSimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}
void StarSimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }
void StarSimulation::update(double) {}
void StarSimulation::updateSize(QSizeF size) { m_sceneSize = size; }

FireflySimulation::FireflySimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}
void FireflySimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }

DustSimulation::DustSimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}
void DustSimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }
void DustSimulation::update(double, const WindSample&) {}

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
