#include "effects/SplashSystem.h"

#include "effects/Population.h"
#include "settings/SettingsStore.h"
#include "sprite/Action.h"
#include "sprite/EmitterNode.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr double kInitialZ = 1;
// A stall must not release a burst.
constexpr double kMaxStep = 1.0 / 15;
// Splashes per second of one source, per drop per second.
constexpr double kSplashesPerDrop = 0.6;
constexpr double kHoverSplashesPerDrop = 0.9;

// Only a pointer in the lower third of the display makes splashes.
constexpr double kHoverHeightFraction = 0.33;
constexpr double kHoverSpread = 28;
// The dock's top edge is sampled about every this many points.
constexpr double kProfileSpacing = 12;

// One burst. k grows with the drop size, from 0.7 to 1.6.
constexpr double kSizeFactorSpan = 0.9;
constexpr double kSizeFactorFloor = 0.7;
constexpr int kDroplets = 5;
constexpr int kEnergeticDroplets = 8;
constexpr double kDropletsPerSize = 4;
constexpr double kBurstBirthRate = 400; // all droplets leave at once
constexpr double kLifetime = 0.35;
constexpr double kEnergeticLifetime = 0.45;
constexpr double kLifetimeRange = 0.12;
constexpr double kSpread = 0.7 * std::numbers::pi;
constexpr double kEnergeticSpread = 0.9 * std::numbers::pi;
constexpr double kSpeed = 90;
constexpr double kEnergeticSpeed = 130;
constexpr double kGravity = -420;
constexpr double kAlphaBoost = 1.6;
constexpr double kAlphaSpeed = -2.5;
constexpr double kScale = 0.38;
constexpr double kEnergeticScale = 0.5;
constexpr double kScaleRange = 0.2;
constexpr double kScaleSpeed = -0.4;
// The emitter outlives its last droplet by this much before it removes itself.
constexpr double kRemovalMargin = 0.1;

constexpr double kDropletSide = 6; // points

} // namespace

SplashSystem::SplashSystem(QSizeF size, const SettingsStore& settings, const EffectContext& context,
                           ScreenRenderInfo info)
    : m_random(context.random)
    , m_dock(context.dock)
    , m_splashTexture(makeSplashTexture(info.backingScale))
    , m_settings(&settings)
    , m_sceneSize(size)
    , m_info(info)
{
    m_root->setZPosition(kInitialZ);
}

double SplashSystem::sceneWidth() const { return std::max(m_sceneSize.width(), 1.0); }

void SplashSystem::update(double frameStep, std::optional<QPointF> hover)
{
    // The first frame only starts the clock: it has no time behind it to make splashes in.
    const double dt = m_started ? std::min(frameStep, kMaxStep) : 0.0;
    m_started = true;
    if (!(dt > 0) || !m_settings->rainEnabled())
        return;
    const std::span<const QPointF> profile = m_info.hostsDock ? dockProfile() : std::span<const QPointF>();
    emitBottomSplashes(dt, profile.empty());
    emitDockSplashes(dt, profile);
    emitHoverSplashes(dt, hover);
}

double SplashSystem::splashRate(double dt) const
{
    const double drops =
        boundedSetting(*m_settings, Setting::dropsPerSecond) * (m_settings->lowPowerMode() ? kLowPowerScale : 1.0);
    // A negative rate would pile up a debt that silences splashes long after it is fixed.
    return dt * std::max(drops, 0.0) * kSplashesPerDrop;
}

template <typename Splash>
void SplashSystem::drain(double& accumulator, double expected, Splash&& splash)
{
    accumulator += expected;
    int made = 0;
    while (accumulator >= 1 && made < kMaxSplashesPerFrame) {
        accumulator -= 1;
        ++made;
        splash();
    }
    if (made == kMaxSplashesPerFrame)
        accumulator = 0;
}

void SplashSystem::emitBottomSplashes(double dt, bool dockProfileEmpty)
{
    if (!m_settings->bottomScreenSplash())
        return;
    std::optional<std::pair<double, double>> excluded;
    if (m_settings->ignoreDockScreen() && m_info.hostsDock && !dockProfileEmpty) {
        if (const auto geometry = m_dock.currentGeometry(); geometry && geometry->isVisible)
            excluded = std::pair{geometry->minX(), geometry->maxX()};
    }
    const double width = sceneWidth();
    drain(m_bottomAccumulator, splashRate(dt), [&] {
        const double x = m_random.uniform(0, width);
        if (excluded && excluded->first <= x && x <= excluded->second)
            return;
        spawnSplash({x, 0}, false);
    });
}

void SplashSystem::emitDockSplashes(double dt, std::span<const QPointF> profile)
{
    if (!m_info.hostsDock || profile.empty())
        return;
    const bool energetic = m_settings->hoverDockEffect();
    drain(m_dockAccumulator, splashRate(dt), [&] {
        const auto last = double(profile.size() - 1);
        const auto index = std::min(std::size_t(std::floor(m_random.uniform(0, last + 1))), profile.size() - 1);
        spawnSplash(profile[index], energetic);
    });
}

void SplashSystem::emitHoverSplashes(double dt, std::optional<QPointF> hover)
{
    if (!m_settings->hoverDockEffect() || !hover || !(hover->y() < kHoverHeightFraction * m_sceneSize.height()))
        return;
    double y = hover->y();
    // The dock's rectangle is in its own display's coordinates: elsewhere it means nothing.
    if (m_info.hostsDock) {
        if (const auto geometry = m_dock.currentGeometry();
            geometry && geometry->minX() <= hover->x() && hover->x() <= geometry->maxX())
            y = geometry->maxY();
    }
    const double drops =
        boundedSetting(*m_settings, Setting::dropsPerSecond) * (m_settings->lowPowerMode() ? kLowPowerScale : 1.0);
    const double perSecond = std::max(drops, 0.0) * kHoverSplashesPerDrop;
    const double x0 = hover->x();
    drain(m_hoverAccumulator, dt * perSecond, [&] {
        spawnSplash({x0 + m_random.uniform(-kHoverSpread, kHoverSpread), y}, true);
    });
}

std::span<const QPointF> SplashSystem::dockProfile()
{
    if (m_settings->realtimeDockSplash() && !m_settings->lowPowerMode()) {
        sampleDockProfile(m_liveDockProfile);
        return m_liveDockProfile;
    }
    if (m_dockProfileDirty) {
        sampleDockProfile(m_cachedDockProfile);
        m_dockProfileDirty = false;
    }
    return m_cachedDockProfile;
}

// Samples the top edge every width / n points, n ≈ width / 12. A side dock never gets here:
// the scene shows its effects only a dock along the bottom.
void SplashSystem::sampleDockProfile(std::vector<QPointF>& out) const
{
    out.clear();
    const auto geometry = m_dock.currentGeometry();
    if (!geometry || !geometry->isVisible)
        return;
    const double width = sceneWidth();
    const int n = std::max(1, int(width / kProfileSpacing));
    for (int i = 0; i <= n; ++i) {
        const double x = width * i / n;
        if (geometry->minX() <= x && x <= geometry->maxX())
            out.emplace_back(x, geometry->maxY());
    }
}

void SplashSystem::spawnSplash(QPointF point, bool energetic)
{
    const double size =
        boundedSetting(*m_settings, Setting::dropWidth) + boundedSetting(*m_settings, Setting::dropHeight);
    const double k = std::clamp(size / 200, 0.0, 1.0) * kSizeFactorSpan + kSizeFactorFloor;
    auto emitter = std::make_unique<sprite::EmitterNode>();
    emitter->setParticleTexture(m_splashTexture);
    emitter->setPosition(point);
    emitter->setNumParticlesToEmit((energetic ? kEnergeticDroplets : kDroplets) +
                                   int(std::trunc((k - 1) * kDropletsPerSize)));
    emitter->setParticleBirthRate(kBurstBirthRate);

    const double lifetime = energetic ? kEnergeticLifetime : kLifetime;
    emitter->setParticleLifetime(lifetime);
    emitter->setParticleLifetimeRange(kLifetimeRange);
    emitter->setEmissionAngle(std::numbers::pi / 2);
    emitter->setEmissionAngleRange(energetic ? kEnergeticSpread : kSpread);
    const double speed = (energetic ? kEnergeticSpeed : kSpeed) * (0.15 * k + 0.85);
    emitter->setParticleSpeed(speed);
    emitter->setParticleSpeedRange(speed / 2);
    emitter->setYAcceleration(kGravity);
    emitter->setXAcceleration(0);

    emitter->setParticleColor(effectColor(m_settings->dropColorHex(), FallbackColor::cyan));
    emitter->setParticleColorBlendFactor(1);
    emitter->setParticleAlpha(std::min(boundedSetting(*m_settings, Setting::dropOpacity) * kAlphaBoost, 1.0));
    emitter->setParticleAlphaSpeed(kAlphaSpeed);
    emitter->setParticleScale((energetic ? kEnergeticScale : kScale) * k);
    emitter->setParticleScaleRange(kScaleRange * k);
    emitter->setParticleScaleSpeed(kScaleSpeed);
    emitter->setParticleBlendMode(sprite::BlendMode::Alpha);

    sprite::EmitterNode& added = m_root->addChild(std::move(emitter));
    added.runAction(sprite::Action::sequence(sprite::Action::wait(lifetime + kLifetimeRange + kRemovalMargin),
                                             sprite::Action::removeFromParent()));
}

sprite::TexturePtr SplashSystem::makeSplashTexture(double scale)
{
    if (!(scale > 0))
        return sprite::Texture::placeholder();
    const double pixels = std::max(2.0, std::round(scale * kDropletSide));
    const double side = pixels / scale; // points, so the bitmap is exactly `pixels` wide
    return sprite::Texture::draw(QSizeF(side, side), scale, sprite::Filtering::Linear, [side](QPainter& painter) {
        QRadialGradient gradient(QPointF(side / 2, side / 2), side / 2);
        gradient.setColorAt(0, QColor(255, 255, 255, 255));
        gradient.setColorAt(1, QColor(255, 255, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawEllipse(QPointF(side / 2, side / 2), side / 2, side / 2);
    });
}

void SplashSystem::apply(const SettingsStore& settings)
{
    m_settings = &settings;
    m_dockProfileDirty = true;
}

void SplashSystem::step(const Frame& frame)
{
    update(frame.dt, frame.hover);
}

void SplashSystem::setDisplay(const Display& display)
{
    if (display.backingScale != m_info.backingScale)
        m_splashTexture = makeSplashTexture(display.backingScale); // bursts in flight keep theirs
    m_sceneSize = display.size;
    m_info = {display.hostsDock, display.backingScale};
    m_dockProfileDirty = true;
}

std::vector<sprite::TexturePtr> SplashSystem::textures() const
{
    return {m_splashTexture};
}

} // namespace tavik
