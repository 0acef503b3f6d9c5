#include "effects/SnowSimulation.h"

#include "core/Dynamics.h"
#include "effects/Population.h"
#include "settings/SettingsStore.h"

#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr double kSpawnAbove = 16;
constexpr double kReferenceWidth = 1440;
constexpr double kMinAreaFactor = 0.5;
constexpr double kFlakesPerDensity = 0.9; // flakes per second per unit of snowDensity

constexpr double kFallPerSetting = 7; // points per second per unit of snowFallSpeed
constexpr double kMinFall = 6;        // even the slowest setting keeps falling
constexpr double kSpeedRangeFactor = 0.6;
constexpr double kEmissionAngleRange = 0.7;
constexpr double kGravityFactor = 0.2;
constexpr double kAlphaRangeFactor = 0.4;
constexpr double kCrystalScale = 0.3;
constexpr double kCrystalScaleRange = 0.18;
constexpr double kDotScale = 0.5;
constexpr double kDotScaleRange = 0.35;
constexpr double kRotationSpeed = 1.5; // every flake turns at the same rate
// Long enough for the slowest flake to cross the whole height with margin: the low end of the
// speed range, at dynamic mode's slowest, leaving at the widest angle (0.45 of the base fall).
constexpr double kSlowestShare = 0.45;
constexpr double kLifetimeMargin = 80;
constexpr double kLifetimeFactor = 1.3;
constexpr double kLifetimeRangeFactor = 0.2;

constexpr double kDotSide = 10;
constexpr double kCrystalSide = 28;
constexpr double kArmFraction = 0.42;    // arm length, of the side
constexpr double kBranchAt = 0.55;       // where the branches leave the arm, of its length
constexpr double kBranchFraction = 0.32; // branch length, of the arm length
constexpr double kStrokeWidth = 1.5;

// Flakes drift with most of the wind's strength.
constexpr double kWindShare = 0.9;
// Dynamic mode: the slow wave seed and speed, and how it swells the density and the fall.
constexpr double kWaveSeed = 91;
constexpr double kWaveSpeed = 0.7;
constexpr double kBirthSwing = 1.5;
constexpr double kBirthFloor = 0.2;
constexpr double kFallSwing = 0.5;
constexpr double kFallFloor = 0.7;
constexpr double kDynamicSpeedRange = 0.6; // of the speed

} // namespace

SnowSimulation::SnowSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_settings(&settings)
    , m_sceneSize(size)
    , m_backingScale(context.backingScale)
    , m_dotTexture(makeDotTexture(context.backingScale))
    , m_crystalTexture(makeCrystalTexture(context.backingScale))
{
    auto emitter = std::make_unique<sprite::EmitterNode>();
    emitter->setParticleTexture(m_dotTexture);
    emitter->setParticleRenderOrder(sprite::ParticleRenderOrder::DontCare);
    m_emitter = &m_root->addChild(std::move(emitter));
    apply(settings, size);
}

void SnowSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_settings = &settings;
    m_sceneSize = size;
    const double width = size.width() > 1 ? size.width() : 1.0;
    const double height = size.height() > 1 ? size.height() : 1.0;
    m_emitter->setPosition({width / 2, height + kSpawnAbove});
    m_emitter->setParticlePositionRange({width, 0});
    applyRate(settings, width);
    m_dynamic = settings.snowDynamic();
    applyMotion(settings, height);
    applyLook(settings);
}

void SnowSimulation::applyRate(const SettingsStore& settings, double width)
{
    const double area = std::max(width / kReferenceWidth, kMinAreaFactor);
    double rate = 0;
    if (settings.snowEnabled())
        rate = boundedSetting(settings, Setting::snowDensity) * (settings.lowPowerMode() ? kLowPowerScale : 1.0) *
               kFlakesPerDensity;
    m_baseBirthRate = std::max(area * rate, 0.0);
    m_emitter->setParticleBirthRate(m_baseBirthRate);
}

void SnowSimulation::applyMotion(const SettingsStore& settings, double height)
{
    m_baseFall = std::max(boundedSetting(settings, Setting::snowFallSpeed) * kFallPerSetting, kMinFall);
    m_emitter->setParticleSpeed(m_baseFall);
    m_emitter->setParticleSpeedRange(kSpeedRangeFactor * m_baseFall);
    m_emitter->setEmissionAngle(-std::numbers::pi / 2);
    m_emitter->setEmissionAngleRange(kEmissionAngleRange);
    m_emitter->setYAcceleration(-kGravityFactor * m_baseFall);
    m_emitter->setXAcceleration(0);
    m_emitter->setParticleRotationSpeed(kRotationSpeed);

    const double lifetime =
        fallTime(height + kLifetimeMargin, kSlowestShare * m_baseFall, kGravityFactor * m_baseFall) * kLifetimeFactor;
    m_emitter->setParticleLifetime(lifetime);
    m_emitter->setParticleLifetimeRange(kLifetimeRangeFactor * lifetime);
}

void SnowSimulation::applyLook(const SettingsStore& settings)
{
    const bool crystals = settings.snowflakesEnabled();
    m_emitter->setParticleTexture(crystals ? m_crystalTexture : m_dotTexture);
    m_emitter->setParticleColor(effectColor(settings.snowColorHex(), FallbackColor::white));
    m_emitter->setParticleColorBlendFactor(1);
    const double opacity = boundedSetting(settings, Setting::snowOpacity);
    m_emitter->setParticleAlpha(opacity);
    m_emitter->setParticleAlphaRange(kAlphaRangeFactor * opacity);
    m_emitter->setParticleScale(crystals ? kCrystalScale : kDotScale);
    m_emitter->setParticleScaleRange(crystals ? kCrystalScaleRange : kDotScaleRange);
    m_emitter->setParticleBlendMode(sprite::BlendMode::Alpha);
}

sprite::TexturePtr SnowSimulation::makeDotTexture(double scale)
{
    return sprite::Texture::draw(QSizeF(kDotSide, kDotSide), scale, sprite::Filtering::Linear, [](QPainter& painter) {
        const QPointF centre(kDotSide / 2, kDotSide / 2);
        QRadialGradient gradient(centre, kDotSide / 2);
        gradient.setColorAt(0, QColor(255, 255, 255, 255));
        gradient.setColorAt(1, QColor(255, 255, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawEllipse(centre, kDotSide / 2, kDotSide / 2);
    });
}

sprite::TexturePtr SnowSimulation::makeCrystalTexture(double scale)
{
    return sprite::Texture::draw(
        QSizeF(kCrystalSide, kCrystalSide), scale, sprite::Filtering::Linear, [](QPainter& painter) {
            const QPointF centre(kCrystalSide / 2, kCrystalSide / 2);
            const double arm = kArmFraction * kCrystalSide;
            const double branch = kBranchFraction * arm;
            const auto towards = [](QPointF from, double angle, double length) {
                return from + QPointF(std::cos(angle), std::sin(angle)) * length;
            };
            QPainterPath path;
            for (int i = 0; i < 6; ++i) {
                const double a = i * std::numbers::pi / 3;
                path.moveTo(centre);
                path.lineTo(towards(centre, a, arm));
                const QPointF fork = towards(centre, a, kBranchAt * arm);
                for (const double side : {std::numbers::pi / 3, -std::numbers::pi / 3}) {
                    path.moveTo(fork);
                    path.lineTo(towards(fork, a + side, branch));
                }
            }
            QPen pen(Qt::white, kStrokeWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
            painter.setPen(pen);
            painter.setBrush(Qt::NoBrush);
            painter.drawPath(path);
        });
}

void SnowSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void SnowSimulation::step(const Frame& frame)
{
    m_emitter->setXAcceleration(kWindShare * frame.wind.velocity.dx);
    if (!m_dynamic)
        return;
    const double w = Dynamics::waveAt(frame.now, kWaveSeed, kWaveSpeed);
    m_emitter->setParticleBirthRate(m_baseBirthRate * (kBirthSwing * w + kBirthFloor));
    const double speed = m_baseFall * (kFallSwing * w + kFallFloor);
    m_emitter->setParticleSpeed(speed);
    m_emitter->setParticleSpeedRange(kDynamicSpeedRange * speed);
}

void SnowSimulation::setDisplay(const Display& display)
{
    if (display.backingScale != m_backingScale) {
        m_backingScale = display.backingScale;
        const bool crystals = m_emitter->particleTexture() == m_crystalTexture;
        m_dotTexture = makeDotTexture(m_backingScale);
        m_crystalTexture = makeCrystalTexture(m_backingScale);
        m_emitter->setParticleTexture(crystals ? m_crystalTexture : m_dotTexture);
    }
    if (display.size != m_sceneSize)
        apply(*m_settings, display.size);
}

std::vector<sprite::TexturePtr> SnowSimulation::textures() const
{
    return {m_dotTexture, m_crystalTexture};
}

} // namespace tavik
