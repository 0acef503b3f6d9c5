#include "atmosphere/CloudUnderlayScene.h"

#include "atmosphere/FrameStep.h"
#include "settings/SettingsStore.h"

namespace tavik {

CloudUnderlayScene::CloudUnderlayScene(QSizeF size, SettingsStore& settings, double backingScale, std::uint64_t seed)
    : sprite::Scene(size)
    , m_settings(settings)
{
    setRandom(std::make_unique<sprite::Random>(seed));
    m_clouds = std::make_unique<CloudSimulation>(size, m_settings, EffectContext{random(), m_noDock, backingScale});
    std::unique_ptr<sprite::Node> root = m_clouds->takeNode();
    root->setZPosition(0);
    addChild(std::move(root));
    applySettings();
}

CloudUnderlayScene::~CloudUnderlayScene()
{
    removeAllChildren();
}

void CloudUnderlayScene::applySettings()
{
    m_wind.apply(m_settings);
    m_clouds->setSuppressed(false);
    m_clouds->apply(m_settings);
    // Unlike the main scene, the underlay also stops for the lock on its own.
    m_renderingEnabled = m_settings.enabled() && !m_settings.screenLocked();
    setPaused(!m_renderingEnabled);
}

void CloudUnderlayScene::update(double currentTime)
{
    sprite::Scene::update(currentTime);
    if (!m_renderingEnabled)
        return;
    const double dt = takeFrameStep(m_lastUpdate, currentTime);
    m_wind.update(dt, currentTime);
    m_clouds->step({currentTime, dt, m_settings.windEnabled() ? m_wind.sample() : WindSample{}, std::nullopt});
}

void CloudUnderlayScene::didChangeSize(QSizeF oldSize)
{
    sprite::Scene::didChangeSize(oldSize);
    m_clouds->setSceneSize(size());
    m_clouds->apply(m_settings);
}

} // namespace tavik
