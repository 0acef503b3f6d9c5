#include "atmosphere/AtmosphereScene.h"

#include "atmosphere/FrameStep.h"
#include "effects/AuroraSimulation.h"
#include "effects/DockSettleSystem.h"
#include "effects/DustSimulation.h"
#include "effects/FireflySimulation.h"
#include "effects/FogSimulation.h"
#include "effects/LeafSimulation.h"
#include "effects/LightRaySimulation.h"
#include "effects/PetalSimulation.h"
#include "effects/RainSimulation.h"
#include "effects/SnowSimulation.h"
#include "effects/SplashSystem.h"
#include "effects/StarSimulation.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <array>

namespace tavik {

namespace {

using Factory = std::unique_ptr<Effect> (*)(QSizeF, const SettingsStore&, const EffectContext&);

template <typename T>
std::unique_ptr<Effect> make(QSizeF size, const SettingsStore& settings, const EffectContext& context)
{
    return std::make_unique<T>(size, settings, context);
}

template <LightRaySimulation::Source source>
std::unique_ptr<Effect> makeRays(QSizeF size, const SettingsStore&, const EffectContext& context)
{
    return std::make_unique<LightRaySimulation>(size, context, source);
}

std::unique_ptr<Effect> makeSplash(QSizeF size, const SettingsStore& settings, const EffectContext& context)
{
    return std::make_unique<SplashSystem>(size, settings, context, ScreenRenderInfo{false, context.backingScale});
}

struct EffectRow {
    const char* name;
    double depth; // back to front; within equal depth no order is promised
    Factory factory;
};

// In the order the effects are made, given settings and stepped: a seeded scene replays
// exactly only while they draw their random numbers in this order.
constexpr std::array<EffectRow, 15> kEffects{{
    {"aurora", -3, &make<AuroraSimulation>},
    {"stars", -2, &make<StarSimulation>},
    {"clouds", -1, &make<CloudSimulation>},
    {"rain", 0, &make<RainSimulation>},
    {"snow", 1, &make<SnowSimulation>},
    {"leaves", 2, &make<LeafSimulation>},
    {"petals", 2, &make<PetalSimulation>},
    {"fireflies", 3, &make<FireflySimulation>},
    {"fog", 6, &make<FogSimulation>},
    {"dust", 7, &make<DustSimulation>},
    {"splash", 4, &makeSplash},
    {"thunder", 10, &make<ThunderstormSystem>},
    {"dockSettle", 5, &make<DockSettleSystem>},
    {"sunRays", 8, &makeRays<LightRaySimulation::Source::sun>},
    {"moonRays", 8, &makeRays<LightRaySimulation::Source::moon>},
}};

} // namespace

AtmosphereScene::AtmosphereScene(QSizeF size, SettingsStore& settings, ScreenRenderInfo info,
                                 const DockGeometryProvider& dock, std::uint64_t seed, double now)
    : sprite::Scene(size)
    , m_settings(settings)
    , m_info(info)
    , m_dock(dock)
{
    // The seed goes in before any effect draws its first random number.
    setRandom(std::make_unique<sprite::Random>(seed));
    createEffects(now);
    showDisplay();
    applySettings();
}

AtmosphereScene::~AtmosphereScene()
{
    // The effects point into the node tree; let them go before the tree does.
    removeAllChildren();
}

void AtmosphereScene::createEffects(double now)
{
    const EffectContext context{random(), m_dock, m_info.backingScale, now};
    std::vector<std::unique_ptr<sprite::Node>> roots;
    m_effects.reserve(kEffects.size());
    for (const EffectRow& row : kEffects) {
        std::unique_ptr<Effect> effect = row.factory(size(), m_settings, context);
        roots.push_back(effect->takeNode());
        roots.back()->setZPosition(row.depth);
        m_effects.push_back({row.name, std::move(effect)});
    }
    // Children back to front, as they are drawn.
    std::stable_sort(roots.begin(), roots.end(),
                     [](const auto& a, const auto& b) { return a->zPosition() < b->zPosition(); });
    for (std::unique_ptr<sprite::Node>& root : roots)
        addChild(std::move(root));
    m_clouds = dynamic_cast<CloudSimulation*>(m_effects[2].effect.get());
    m_thunder = dynamic_cast<ThunderstormSystem*>(m_effects[11].effect.get());
}

std::vector<AtmosphereScene::NamedEffect> AtmosphereScene::effects() const
{
    std::vector<NamedEffect> named;
    for (const Slot& slot : m_effects)
        named.push_back({slot.name, slot.effect.get()});
    return named;
}

const Effect* AtmosphereScene::effect(std::string_view name) const
{
    const auto found =
        std::find_if(m_effects.begin(), m_effects.end(), [name](const Slot& slot) { return slot.name == name; });
    return found == m_effects.end() ? nullptr : found->effect.get();
}

void AtmosphereScene::setLightningHandler(std::function<void(double)> handler)
{
    m_thunder->setLightningHandler(std::move(handler));
}

void AtmosphereScene::setInfo(ScreenRenderInfo info)
{
    m_info = info;
    showDisplay();
}

void AtmosphereScene::showDisplay()
{
    const Display display{size(), m_info.backingScale, m_info.hostsDock};
    for (const Slot& slot : m_effects)
        slot.effect->setDisplay(display);
}

void AtmosphereScene::applySettings()
{
    m_wind.apply(m_settings);
    m_clouds->setSuppressed(m_cloudsSuppressed);
    for (const Slot& slot : m_effects)
        slot.effect->apply(m_settings);
    m_renderingEnabled = m_settings.enabled();
    setPaused(!m_renderingEnabled);
}

double AtmosphereScene::wantedRate() const
{
    if (!m_renderingEnabled)
        return 0;
    double rate = 0;
    for (const Slot& slot : m_effects)
        rate = std::max(rate, slot.effect->wantedRate());
    return rate;
}

void AtmosphereScene::update(double currentTime)
{
    sprite::Scene::update(currentTime);
    if (!m_renderingEnabled)
        return;
    const double dt = takeFrameStep(m_lastUpdate, currentTime);
    const double now = m_originClock + (currentTime - m_originFrameTime);
    m_wind.update(dt, now);
    const Frame frame{now, dt, m_settings.windEnabled() ? m_wind.sample() : WindSample{}, hoverInScene()};
    for (const Slot& slot : m_effects) {
        slot.effect->step(frame);
        // What the effect needs now is how often its part of the picture must be drawn afresh.
        slot.effect->node().setDrawRate(slot.effect->wantedRate());
    }
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
    showDisplay();
}

} // namespace tavik
