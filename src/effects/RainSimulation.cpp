#include "effects/RainSimulation.h"

#include "core/Dynamics.h"
#include "effects/Population.h"
#include "settings/SettingsStore.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr double kInitialDropWidth = 2.6;
constexpr double kInitialDropHeight = 13;

// Drops are born on a line this far above the top edge, so none pops into view.
constexpr double kSpawnAbove = 20;
// The nominal rate is for a 1440-point-wide display; narrow ones keep at least half.
constexpr double kReferenceWidth = 1440;
constexpr double kMinAreaFactor = 0.5;

constexpr double kSpeedPerSetting = 26;    // points per second per unit of dropSpeed
constexpr double kSpeedRangeFactor = 0.25; // of the speed
constexpr double kGravityFactor = 0.6;     // downward acceleration, per unit of speed
constexpr double kEmissionAngleRange = 0.04;
constexpr double kRotationRange = 0.02;
// Long enough for the slowest drop (the low end of the speed range at dynamic mode's slowest,
// on the slant) to cross the whole height with margin; a drop that lived longer would only
// fall on out of sight.
constexpr double kLifetimeMargin = 120;
constexpr double kLifetimeFactor = 1.4;
constexpr double kLifetimeRangeFactor = 0.15;
constexpr double kAlphaRangeFactor = 0.3;
constexpr double kScaleRange = 0.18;

// dropWidth and dropHeight (0 to 100) map onto these point sizes.
constexpr double kMinDropWidth = 1.2;
constexpr double kDropWidthSpan = 4.3;
constexpr double kMinDropHeight = 5;
constexpr double kDropHeightSpan = 25;
// Smaller size changes keep the texture: a slider drag should not redraw it every step.
constexpr double kTextureTolerance = 0.05;
constexpr double kScaleTolerance = 0.01;

// Dynamic mode: the slow wave seed and speed, and how it swells each quantity.
constexpr double kWaveSeed = 31;
constexpr double kWaveSpeed = 0.85;
constexpr double kBirthSwing = 1.7;
constexpr double kBirthFloor = 0.15;
constexpr double kSpeedSwing = 0.5;
constexpr double kSpeedFloor = 0.75;
constexpr double kSizeSwing = 0.7;
constexpr double kSizeFloor = 0.7;

} // namespace

RainSimulation::RainSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_settings(&settings)
    , m_sceneSize(size)
    , m_backingScale(context.backingScale)
{
    m_dropTexture = makeDropTexture(kInitialDropWidth, kInitialDropHeight, m_backingScale);
    auto emitter = std::make_unique<sprite::EmitterNode>();
    emitter->setParticleTexture(m_dropTexture);
    emitter->setParticleRenderOrder(sprite::ParticleRenderOrder::DontCare);
    emitter->setZPosition(0);
    m_emitter = &m_root->addChild(std::move(emitter));
    apply(settings, size);
}

void RainSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_settings = &settings;
    m_sceneSize = size;
    const double width = size.width() > 1 ? size.width() : 1.0;
    const double height = size.height() > 1 ? size.height() : 1.0;
    placeEmitter(width, height);
    applyRate(settings, width);
    m_dynamic = settings.rainDynamic();
    applyMotion(settings, height);
    applyLook(settings);
    applyDropSize(settings);
}

void RainSimulation::placeEmitter(double width, double height)
{
    m_emitter->setPosition({width / 2, height + kSpawnAbove});
    m_emitter->setParticlePositionRange({width, 0});
}

void RainSimulation::applyRate(const SettingsStore& settings, double width)
{
    const double area = std::max(width / kReferenceWidth, kMinAreaFactor);
    double rate = 0;
    if (settings.rainEnabled())
        rate = boundedSetting(settings, Setting::dropsPerSecond) * (settings.lowPowerMode() ? kLowPowerScale : 1.0) *
               area;
    m_baseBirthRate = std::max(rate, 0.0);
    m_emitter->setParticleBirthRate(m_baseBirthRate);
}

void RainSimulation::applyMotion(const SettingsStore& settings, double height)
{
    m_baseSpeed = boundedSetting(settings, Setting::dropSpeed) * kSpeedPerSetting;
    m_emitter->setParticleSpeed(m_baseSpeed);
    m_emitter->setParticleSpeedRange(kSpeedRangeFactor * m_baseSpeed);
    m_emitter->setYAcceleration(-kGravityFactor * m_baseSpeed);
    m_emitter->setXAcceleration(0);

    // A positive angle slants the fall to the right; the drop's long axis follows it.
    const double theta = boundedSetting(settings, Setting::rainAngle) * std::numbers::pi / 180;
    m_emitter->setEmissionAngle(theta - std::numbers::pi / 2);
    m_emitter->setEmissionAngleRange(kEmissionAngleRange);
    m_emitter->setParticleRotation(theta);
    m_emitter->setParticleRotationRange(kRotationRange);

    const double slant = std::abs(theta) + kEmissionAngleRange / 2;
    const double slowest = m_baseSpeed * kSpeedFloor * (1 - kSpeedRangeFactor / 2) * std::cos(slant);
    const double lifetime =
        fallTime(height + kLifetimeMargin, slowest, kGravityFactor * m_baseSpeed) * kLifetimeFactor;
    m_emitter->setParticleLifetime(lifetime);
    m_emitter->setParticleLifetimeRange(kLifetimeRangeFactor * lifetime);
}

void RainSimulation::applyLook(const SettingsStore& settings)
{
    m_emitter->setParticleColor(effectColor(settings.dropColorHex(), FallbackColor::cyan));
    m_emitter->setParticleColorBlendFactor(1);
    const double opacity = boundedSetting(settings, Setting::dropOpacity);
    m_emitter->setParticleAlpha(opacity);
    m_emitter->setParticleAlphaRange(kAlphaRangeFactor * opacity);
    m_emitter->setParticleAlphaSpeed(0);
    m_emitter->setParticleScale(1);
    m_emitter->setParticleScaleRange(kScaleRange);
    m_emitter->setParticleBlendMode(sprite::BlendMode::Alpha);
}

void RainSimulation::applyDropSize(const SettingsStore& settings)
{
    const double w = boundedSetting(settings, Setting::dropWidth) / 100 * kDropWidthSpan + kMinDropWidth;
    const double h = boundedSetting(settings, Setting::dropHeight) / 100 * kDropHeightSpan + kMinDropHeight;
    if (std::abs(w - m_textureWidth) <= kTextureTolerance && std::abs(h - m_textureHeight) <= kTextureTolerance)
        return;
    m_textureWidth = w;
    m_textureHeight = h;
    m_dropTexture = makeDropTexture(w, h, m_backingScale);
    m_emitter->setParticleTexture(m_dropTexture);
}

void RainSimulation::applyDynamics(double now)
{
    if (!m_dynamic)
        return;
    const double v = Dynamics::waveAt(now, kWaveSeed, kWaveSpeed);
    m_emitter->setParticleBirthRate(m_baseBirthRate * (kBirthSwing * v + kBirthFloor));
    const double speed = m_baseSpeed * (kSpeedSwing * v + kSpeedFloor);
    m_emitter->setParticleSpeed(speed);
    m_emitter->setParticleSpeedRange(kSpeedRangeFactor * speed);
    const double size = kSizeSwing * v + kSizeFloor;
    m_emitter->setParticleScale(size);
    m_emitter->setParticleScaleRange(kScaleRange * size);
}

void RainSimulation::setBackingScale(double scale)
{
    if (!(scale > 0) || std::abs(scale - m_backingScale) <= kScaleTolerance)
        return;
    m_backingScale = scale;
    if (m_textureWidth > 0 && m_textureHeight > 0) {
        m_dropTexture = makeDropTexture(m_textureWidth, m_textureHeight, m_backingScale);
        m_emitter->setParticleTexture(m_dropTexture);
    } else {
        // The next apply draws it at the new scale.
        m_textureWidth = -1;
        m_textureHeight = -1;
    }
}

sprite::TexturePtr RainSimulation::makeDropTexture(double width, double height, double scale)
{
    // One clear pixel around the capsule: a slanted drop is then edged by filtered texels
    // instead of the quad's hard border, which would show as stair steps.
    const double margin = scale > 0 ? 1 / scale : 0;
    const QSizeF canvas(width + 2 * margin, height + 2 * margin);
    return sprite::Texture::draw(canvas, scale, sprite::Filtering::Linear, [&](QPainter& painter) {
        const QRectF drop(margin, margin, width, height);
        QPainterPath capsule;
        capsule.setFillRule(Qt::WindingFill);
        capsule.addRoundedRect(drop, width / 2, width / 2);
        painter.setClipPath(capsule);

        // The painter's y grows upwards: the gradient runs from the top edge down.
        QLinearGradient gradient(QPointF(drop.center().x(), drop.bottom()), QPointF(drop.center().x(), drop.top()));
        gradient.setSpread(QGradient::PadSpread);
        gradient.setColorAt(0.0, QColor(255, 255, 255, 0));
        gradient.setColorAt(0.6, QColor::fromRgbF(1, 1, 1, 0.85f));
        gradient.setColorAt(1.0, QColor(255, 255, 255, 255));
        painter.fillRect(drop, gradient);
    });
}

void RainSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void RainSimulation::step(const Frame& frame)
{
    m_emitter->setXAcceleration(frame.wind.velocity.dx);
    applyDynamics(frame.now);
}

void RainSimulation::setDisplay(const Display& display)
{
    setBackingScale(display.backingScale);
    if (display.size != m_sceneSize)
        apply(*m_settings, display.size);
}

std::vector<sprite::TexturePtr> RainSimulation::textures() const
{
    return {m_dropTexture};
}

} // namespace tavik
