#include "effects/FireflySimulation.h"

#include "effects/DockSettleSystem.h"
#include "effects/Population.h"
#include "settings/Color.h"
#include "settings/SettingsStore.h"
#include "sprite/Action.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

using sprite::Action;
using sprite::TimingMode;

const QColor kFallbackGlow{0x34, 0xC7, 0x59}; // the system green

constexpr QSizeF kGlowSize(32, 32); // 64 pixels on a high-density display
constexpr double kGlowMidStop = 0.35;
constexpr double kGlowMidAlpha = 0.6;

constexpr double kDiameterMin = 10; // points
constexpr double kDiameterMax = 18;
constexpr double kSizeSpan = 1.6; // size factor gained over the size slider
constexpr double kSizeBase = 0.45;

constexpr double kPeakMin = 0.7;
constexpr double kPeakMax = 1.0;
constexpr double kFadeInMin = 1.8; // seconds
constexpr double kFadeInMax = 3.6;
constexpr double kDimShare = 0.45; // of the peak, at the bottom of a pulse
constexpr double kPulseHalfMin = 1.6;
constexpr double kPulseHalfMax = 2.8;
constexpr double kTrimFade = 1;

constexpr double kMinBand = 40; // points
constexpr double kMinSpeed = 6;  // of the speed slider
constexpr double kSpeedPerSetting = 1.1;
constexpr double kWindShare = 0.3;
constexpr double kMinLeg = 0.6; // seconds
constexpr double kRestChance = 0.08;
constexpr double kMinApproach = 0.8;
constexpr double kRestMin = 3;
constexpr double kRestMax = 8;
constexpr double kBobPeriod = 2.2;
constexpr double kBobHeight = 2.5;
constexpr double kRestAboveMin = 4; // points above the dock's top edge
constexpr double kRestAboveMax = 14;

double sizeFactor(double sizeSetting) { return sizeSetting / 100 * kSizeSpan + kSizeBase; }

std::size_t targetCount(const SettingsStore& settings)
{
    if (!settings.firefliesEnabled())
        return 0;
    const double wanted =
        boundedSetting(settings, Setting::fireflyCount) * (settings.lowPowerMode() ? kLowPowerScale : 1.0);
    return roundedCount(wanted, FireflySimulation::kMaxFireflies);
}

double distance(QPointF a, QPointF b) { return std::hypot(a.x() - b.x(), a.y() - b.y()); }

} // namespace

FireflySimulation::FireflySimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_random(context.random)
    , m_dock(context.dock)
    , m_backingScale(context.backingScale)
    , m_sceneSize(size)
    , m_glowTexture(makeGlowTexture(colorFromHex(settings.glowColorHex()).value_or(kFallbackGlow), m_backingScale))
    , m_currentGlowHex(settings.glowColorHex())
{
    m_fireflies.reserve(kMaxFireflies);
    apply(settings, size);
}

sprite::TexturePtr FireflySimulation::makeGlowTexture(const QColor& color, double scale)
{
    const QColor rgb = color.toRgb();
    return sprite::Texture::draw(kGlowSize, scale, sprite::Filtering::Linear, [&rgb](QPainter& painter) {
        const QPointF centre(kGlowSize.width() / 2, kGlowSize.height() / 2);
        const double radius = kGlowSize.width() / 2;
        QRadialGradient gradient(centre, radius);
        QColor stop = rgb;
        gradient.setColorAt(0, stop);
        stop.setAlphaF(float(kGlowMidAlpha));
        gradient.setColorAt(kGlowMidStop, stop);
        stop.setAlphaF(0);
        gradient.setColorAt(1, stop);
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawRect(QRectF(QPointF(0, 0), kGlowSize));
    });
}

void FireflySimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_sceneSize = size;
    m_currentBandHeight = boundedSetting(settings, Setting::flightHeight);
    m_enabled = settings.firefliesEnabled();
    m_flightSpeed = boundedSetting(settings, Setting::flightSpeed);

    if (settings.glowColorHex() != m_currentGlowHex) {
        m_currentGlowHex = settings.glowColorHex();
        redrawGlow();
    }

    const double k = sizeFactor(boundedSetting(settings, Setting::fireflySize));
    const std::size_t target = targetCount(settings);
    // The newest go first, each fading out over a second while its current leg carries on.
    resizePopulation(
        m_fireflies, target, [this, k] { spawnFirefly(k); },
        [](const Firefly& firefly) {
            firefly.sprite->removeActionForKey(kPulseKey);
            firefly.sprite->runAction(Action::sequence(Action::fadeOut(kTrimFade), Action::removeFromParent()));
        });

    for (const Firefly& firefly : m_fireflies) {
        firefly.sprite->setSize({k * firefly.baseDiameter, k * firefly.baseDiameter});
        restartWander(firefly);
    }
}


void FireflySimulation::spawnFirefly(double sizeFactor)
{
    auto made = std::make_unique<sprite::SpriteNode>(m_glowTexture);
    made->setBlendMode(sprite::BlendMode::Add);
    made->setColorBlendFactor(0);
    const double diameter = m_random.uniform(kDiameterMin, kDiameterMax);
    made->setSize({diameter * sizeFactor, diameter * sizeFactor});
    made->setPosition(randomPointInBand());
    made->setAlpha(0);
    sprite::SpriteNode& sprite = m_root->addChild(std::move(made));
    m_fireflies.push_back({&sprite, diameter});

    // Born invisible; the glow only starts pulsing once it has faded in.
    const double peak = m_random.uniform(kPeakMin, kPeakMax);
    const double fadeIn = m_random.uniform(kFadeInMin, kFadeInMax);
    sprite.runAction(Action::fadeTo(peak, fadeIn, TimingMode::EaseIn),
                     [alive = std::weak_ptr<const bool>(m_alive), this, target = &sprite, peak] {
                         if (!alive.expired() && live(target))
                             startPulse(*target, peak);
                     });
    restartWander(m_fireflies.back());
}

double FireflySimulation::bandHeight() const
{
    return std::max(m_currentBandHeight * std::max(m_sceneSize.height(), 1.0), kMinBand);
}

QPointF FireflySimulation::randomPointInBand() const
{
    const double x = m_random.uniform(0, std::max(m_sceneSize.width(), 1.0));
    const double y = m_random.uniform(0, bandHeight());
    return {x, y};
}

void FireflySimulation::startPulse(sprite::SpriteNode& sprite, double peak)
{
    const double dim = m_random.uniform(kPulseHalfMin, kPulseHalfMax);
    const double brighten = m_random.uniform(kPulseHalfMin, kPulseHalfMax);
    sprite.runAction(Action::repeatForever(Action::sequence(
                         Action::fadeTo(kDimShare * peak, dim, TimingMode::EaseInEaseOut),
                         Action::fadeTo(peak, brighten, TimingMode::EaseInEaseOut))),
                     kPulseKey);
}

void FireflySimulation::restartWander(const Firefly& firefly)
{
    sprite::SpriteNode& sprite = *firefly.sprite;
    sprite.removeActionForKey(kWanderKey);
    const double speed = std::max(m_flightSpeed, kMinSpeed) * kSpeedPerSetting;
    const QPointF from = sprite.position();

    if (m_enabled && m_random.unit() < kRestChance) {
        if (const std::optional<QPointF> rest = restPointOnDock()) {
            const double approach = std::max(distance(from, *rest) / speed, kMinApproach);
            const double restFor = m_random.uniform(kRestMin, kRestMax);
            const int bobs = std::max(int(restFor / kBobPeriod), 1);
            const double half = kBobPeriod / 2;
            sprite.runAction(
                Action::sequence(Action::moveTo(*rest, approach, TimingMode::EaseInEaseOut),
                                 Action::repeat(Action::sequence(Action::moveBy({0, kBobHeight}, half,
                                                                                TimingMode::EaseInEaseOut),
                                                                 Action::moveBy({0, -kBobHeight}, half,
                                                                                TimingMode::EaseInEaseOut)),
                                                bobs),
                                 planNextLeg(&sprite)),
                kWanderKey);
            return;
        }
    }

    // The wind only bends where the next leg ends, never a flight under way.
    const QPointF p = randomPointInBand();
    const QPointF target(std::clamp(p.x() + kWindShare * windDX, 0.0, std::max(m_sceneSize.width(), 1.0)), p.y());
    const double duration = std::max(distance(from, target) / speed, kMinLeg);
    sprite.runAction(Action::sequence(Action::moveTo(target, duration, TimingMode::EaseInEaseOut),
                                      planNextLeg(&sprite)),
                     kWanderKey);
}

std::unique_ptr<sprite::Action> FireflySimulation::planNextLeg(sprite::SpriteNode* sprite)
{
    return Action::run([alive = std::weak_ptr<const bool>(m_alive), this, sprite] {
        if (alive.expired())
            return;
        if (const Firefly* firefly = live(sprite))
            restartWander(*firefly);
    });
}

const FireflySimulation::Firefly* FireflySimulation::live(const sprite::SpriteNode* sprite) const
{
    const auto it = std::find_if(m_fireflies.begin(), m_fireflies.end(),
                                 [sprite](const Firefly& f) { return f.sprite == sprite; });
    return it == m_fireflies.end() ? nullptr : &*it;
}

std::optional<QPointF> FireflySimulation::restPointOnDock() const
{
    if (!m_hostsDock)
        return std::nullopt;
    const std::optional<DockGeometry> geometry = m_dock.currentGeometry();
    if (!geometry || !geometry->isVisible)
        return std::nullopt;
    const auto span = DockSettleSystem::landingSpan(geometry->rect, m_sceneSize.width());
    if (!span)
        return std::nullopt;
    const double x = m_random.uniform(span->lo, span->hi);
    return QPointF(x, geometry->maxY() + m_random.uniform(kRestAboveMin, kRestAboveMax));
}

// Swaps the texture only: pulses and flights go on undisturbed.
void FireflySimulation::redrawGlow()
{
    m_glowTexture = makeGlowTexture(colorFromHex(m_currentGlowHex).value_or(kFallbackGlow), m_backingScale);
    for (const Firefly& firefly : m_fireflies)
        firefly.sprite->setTexture(m_glowTexture);
}

void FireflySimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void FireflySimulation::step(const Frame& frame)
{
    windDX = frame.wind.velocity.dx;
}

void FireflySimulation::setDisplay(const Display& display)
{
    m_sceneSize = display.size;
    m_hostsDock = display.hostsDock;
    if (display.backingScale == m_backingScale)
        return;
    m_backingScale = display.backingScale;
    redrawGlow();
}

std::vector<sprite::TexturePtr> FireflySimulation::textures() const
{
    return {m_glowTexture};
}

} // namespace tavik
