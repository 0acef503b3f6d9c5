#include "atmosphere/AtmosphereScene.h"

#include "core/Dynamics.h"

#include "atmosphere/FrameStep.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace tavik {

namespace {

constexpr double kSnowWindShare = 0.9;
constexpr double kSnowWaveSeed = 91;
constexpr double kSnowWaveSpeed = 0.7;
constexpr double kRainEmitterLift = 20;
constexpr double kSnowEmitterLift = 16;

} // namespace

AtmosphereScene::AtmosphereScene(QSizeF size, SettingsStore& settings, ScreenRenderInfo info,
                                 const DockGeometryProvider& dock, std::uint64_t seed)
    : sprite::Scene(size)
    , m_settings(settings)
    , m_info(info)
    , m_dock(dock)
{
    // The seed goes in before any effect draws its first random number.
    setRandom(std::make_unique<sprite::Random>(seed));
    createEffects();
    applySettings();
}

AtmosphereScene::~AtmosphereScene()
{
    // The effects point into the node tree; let them go before the tree does.
    removeAllChildren();
}

void AtmosphereScene::createEffects()
{
    const QSizeF s = size();
    const EffectContext context{random(), m_dock, m_info.backingScale};
    m_aurora = std::make_unique<AuroraSimulation>(s, m_settings, context);
    m_stars = std::make_unique<StarSimulation>(s, m_settings, context);
    m_clouds = std::make_unique<CloudSimulation>(s, m_settings, context);
    m_sunRays = std::make_unique<LightRaySimulation>(s, context);
    m_moonRays = std::make_unique<LightRaySimulation>(s, context);
    m_rain = std::make_unique<RainSimulation>(s, m_settings, context);
    m_snow = std::make_unique<SnowSimulation>(s, m_settings, context);
    m_splash = std::make_unique<SplashSystem>(s, m_settings, context, m_info);
    m_leaves = std::make_unique<LeafSimulation>(s, m_settings, context);
    m_petals = std::make_unique<PetalSimulation>(s, m_settings, context);
    m_fireflies = std::make_unique<FireflySimulation>(s, m_settings, context);
    m_fog = std::make_unique<FogSimulation>(s, m_settings, context);
    m_dust = std::make_unique<DustSimulation>(s, m_settings, context);
    m_thunder = std::make_unique<ThunderstormSystem>(s, m_settings, context);
    m_dockSettle = std::make_unique<DockSettleSystem>(s, m_settings, context);

    // Back to front; within equal depth (leaves and petals, sun and moon) no order is promised.
    const auto place = [this](std::unique_ptr<sprite::Node> root, double z) {
        root->setZPosition(z);
        addChild(std::move(root));
    };
    place(m_aurora->takeNode(), -3);
    place(m_stars->takeNode(), -2);
    place(m_clouds->takeNode(), -1);
    place(m_rain->takeNode(), 0);
    place(m_snow->takeNode(), 1);
    place(m_leaves->takeNode(), 2);
    place(m_petals->takeNode(), 2);
    place(m_fireflies->takeNode(), 3);
    place(m_splash->takeNode(), 4);
    place(m_dockSettle->takeNode(), 5);
    place(m_fog->takeNode(), 6);
    place(m_dust->takeNode(), 7);
    place(m_sunRays->takeNode(), 8);
    place(m_moonRays->takeNode(), 8);
    place(m_thunder->takeNode(), 10);
}

std::vector<AtmosphereScene::NamedRoot> AtmosphereScene::effectRoots() const
{
    return {
        {"aurora", &m_aurora->node()},   {"stars", &m_stars->node()},         {"clouds", &m_clouds->node()},
        {"sunRays", &m_sunRays->node()}, {"moonRays", &m_moonRays->node()},   {"rain", &m_rain->node()},
        {"snow", &m_snow->node()},       {"splash", &m_splash->node()},       {"leaves", &m_leaves->node()},
        {"petals", &m_petals->node()},   {"fireflies", &m_fireflies->node()}, {"fog", &m_fog->node()},
        {"dust", &m_dust->node()},       {"thunder", &m_thunder->node()},     {"dockSettle", &m_dockSettle->node()},
    };
}

void AtmosphereScene::setLightningHandler(std::function<void(double)> handler)
{
    m_thunder->setLightningHandler(std::move(handler));
}

void AtmosphereScene::applySettings()
{
    const QSizeF s = size();
    m_wind.apply(m_settings);

    m_aurora->apply(m_settings, s);
    m_stars->apply(m_settings, s);
    m_clouds->setSuppressed(m_cloudsSuppressed);
    m_clouds->apply(m_settings, s);
    m_rain->apply(m_settings, s);
    m_snow->apply(m_settings, s);

    m_splash->setSettings(m_settings);
    m_splash->setSceneSize(s);
    m_splash->setInfo(m_info);
    m_splash->setDockProfileDirty();

    m_leaves->apply(m_settings, s);
    m_petals->apply(m_settings, s);
    // Fireflies rest only on a dock of their own display.
    m_fireflies->setHostsDock(m_info.hostsDock);
    m_fireflies->apply(m_settings, s);
    m_fog->apply(m_settings, s);
    m_dust->apply(m_settings, s);
    m_thunder->apply(m_settings, s);
    // A Linux dock belongs to one display: items settle only where it is.
    m_dockSettle->setHostsDock(m_info.hostsDock);
    m_dockSettle->apply(m_settings, s);
    applyRays();

    m_renderingEnabled = m_settings.enabled();
    setPaused(!m_renderingEnabled);
}

void AtmosphereScene::applyRays()
{
    const QSizeF s = size();
    const auto number = [this](Setting id) { return boundedSetting(m_settings, id); };
    m_sunRays->configure({m_settings.sunRaysEnabled(), number(Setting::sunIntensity), number(Setting::sunAngle),
                          number(Setting::sunSpeed), effectColor(m_settings.sunColorHex(), FallbackColor::orange)},
                         s);
    m_moonRays->configure({m_settings.moonRaysEnabled(), number(Setting::moonIntensity),
                           number(Setting::moonAngle), number(Setting::moonSpeed),
                           effectColor(m_settings.moonColorHex(), FallbackColor::white)},
                          s);
}

WindSample AtmosphereScene::windForEffects() const
{
    return m_settings.windEnabled() ? m_wind.sample() : WindSample{};
}

void AtmosphereScene::update(double currentTime)
{
    sprite::Scene::update(currentTime);
    if (!m_renderingEnabled)
        return;
    const double dt = takeFrameStep(m_lastUpdate, currentTime);

    m_wind.update(dt);
    const WindSample wind = windForEffects();

    m_aurora->update(dt);
    m_stars->update(dt);
    m_clouds->update(dt, wind);

    m_rain->emitter().setXAcceleration(wind.velocity.dx);
    m_rain->applyDynamics();
    m_snow->emitter().setXAcceleration(kSnowWindShare * wind.velocity.dx);
    stepDynamicSnow();

    m_leaves->update(dt, wind);
    m_petals->update(dt, wind);
    m_fireflies->windDX = wind.velocity.dx;
    m_fog->update(dt, wind);
    m_dust->update(dt, wind);
    // Splashes keep their own clock: they get the frame time itself.
    m_splash->update(currentTime, hoverInScene());
    m_thunder->update(dt);
    m_dockSettle->update(dt);

    for (LightRaySimulation* rays : {m_sunRays.get(), m_moonRays.get()}) {
        if (rays->enabled()) {
            rays->phase += dt * (1.3 * rays->speedFactor() + 0.15);
            rays->layout();
        }
    }
}

void AtmosphereScene::stepDynamicSnow()
{
    if (!m_snow->dynamic())
        return;
    const double w = Dynamics::wave(kSnowWaveSeed, kSnowWaveSpeed);
    sprite::EmitterNode& emitter = m_snow->emitter();
    emitter.setParticleBirthRate(m_snow->baseBirthRate() * (1.5 * w + 0.2));
    const double speed = m_snow->baseFall() * (0.5 * w + 0.7);
    emitter.setParticleSpeed(speed);
    emitter.setParticleSpeedRange(0.6 * speed);
}

std::optional<QPointF> AtmosphereScene::hoverInScene() const
{
    if (!m_pointerSource)
        return std::nullopt;
    const std::optional<QPointF> point = m_pointerSource();
    if (!point)
        return std::nullopt;
    const QSizeF s = size();
    if (point->x() < 0 || point->x() > s.width() || point->y() < 0 || point->y() > s.height())
        return std::nullopt;
    return point;
}

void AtmosphereScene::didChangeSize(QSizeF oldSize)
{
    sprite::Scene::didChangeSize(oldSize);
    const QSizeF s = size();
    const double w1 = std::max(s.width(), 1.0);

    m_aurora->setSceneSize(s);
    m_aurora->layout();
    m_stars->updateSize(s);
    m_clouds->setSceneSize(s);

    m_rain->emitter().setPosition({w1 / 2, s.height() + kRainEmitterLift});
    m_rain->emitter().setParticlePositionRange({w1, 0});
    m_rain->apply(m_settings, s);
    m_snow->emitter().setPosition({w1 / 2, s.height() + kSnowEmitterLift});
    m_snow->emitter().setParticlePositionRange({w1, 0});
    m_snow->apply(m_settings, s);

    m_splash->setSceneSize(s);
    m_splash->setDockProfileDirty();
    m_leaves->setSceneSize(s);
    m_petals->setSceneSize(s);
    m_fireflies->setSceneSize(s);
    m_fog->setSceneSize(s);
    m_dust->setSceneSize(s);
    m_thunder->setSceneSize(s);
    m_dockSettle->setSceneSize(s);
    applyRays();
}

} // namespace tavik
