#include "effects/ThunderstormSystem.h"

#include "core/Dynamics.h"
#include "settings/SettingsStore.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

constexpr QSizeF kGlowTextureSize{16, 256};
// The glow is gone this far down from the top edge.
constexpr double kGlowFadeEnd = 0.45;

// The storm's shared modulation: frequency and brightness follow the same wave.
constexpr double kWaveSeed = 67;
constexpr double kWaveSpeed = 0.6;
constexpr double kDynamicFrequencySpan = 90;
constexpr double kDynamicFrequencyFloor = 10;
constexpr double kDynamicBrightnessSpan = 70;
constexpr double kDynamicBrightnessFloor = 20;

// Base interval 26 s at frequency 0, 5 s at 100.
constexpr double kIntervalAtZero = 26;
constexpr double kIntervalPerFrequency = 0.21;
constexpr double kIntervalSpreadMin = 0.6;
constexpr double kIntervalSpreadMax = 1.5;
constexpr double kInitialDelayFactor = 0.5;
constexpr double kInitialDelayFloor = 2;

// Peak alpha of a flash: 0.1 at brightness 0, 0.38 at 100, times a little jitter.
constexpr double kPeakBase = 0.1;
constexpr double kPeakPerBrightness = 0.28;
constexpr double kPeakJitterMin = 0.8;
constexpr double kPeakJitterMax = 1.0;

// The flash shape: main strike, re-strike, afterglow.
constexpr double kStrikeAt = 0.06;
constexpr double kStrikeWidth = 0.05;
constexpr double kRestrikeAt = 0.2;
constexpr double kRestrikeWidth = 0.06;
constexpr double kRestrikeStrength = 0.65;
constexpr double kAfterglow = 0.12;

// The sliders run 0 to 100; nothing beyond may turn the storm into a strobe or push the glow
// past full alpha.
double percent(double value)
{
    return std::clamp(value, 0.0, 100.0);
}

double bump(double t, double at, double width)
{
    const double z = (t - at) / width;
    return std::exp(-0.5 * z * z);
}

} // namespace

ThunderstormSystem::ThunderstormSystem(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_random(context.random)
    , m_sceneSize(size)
    , m_backingScale(context.backingScale)
    , m_now(context.now)
{
    auto glow = std::make_unique<sprite::SpriteNode>(makeGlowTexture(context.backingScale), size);
    glow->setColorBlendFactor(1);
    glow->setColor(effectColor(settings.thunderColorHex(), FallbackColor::white));
    glow->setAlpha(0);
    glow->setBlendMode(sprite::BlendMode::Add);
    glow->setAnchorPoint({0.5, 0.5});
    m_glow = &m_root->addChild(std::move(glow));
    placeGlow();

    apply(settings, size);
    m_timeToNext = initialDelay();
}

sprite::TexturePtr ThunderstormSystem::makeGlowTexture(double backingScale)
{
    return sprite::Texture::draw(kGlowTextureSize, backingScale, sprite::Filtering::Linear, [](QPainter& painter) {
        const double h = kGlowTextureSize.height();
        // The painter is y-up: the top edge is at y = h.
        QLinearGradient gradient(0, h, 0, 0);
        gradient.setColorAt(0, QColor(255, 255, 255, 255));
        gradient.setColorAt(kGlowFadeEnd, QColor(255, 255, 255, 0));
        gradient.setColorAt(1, QColor(255, 255, 255, 0));
        painter.fillRect(QRectF(QPointF(0, 0), kGlowTextureSize), gradient);
    });
}

void ThunderstormSystem::apply(const SettingsStore& settings, QSizeF size)
{
    const bool wasEnabled = m_enabled;
    m_sceneSize = size;
    m_enabled = settings.thunderEnabled();
    m_dynamic = settings.thunderDynamic();
    m_frequency = boundedSetting(settings, Setting::thunderFrequency);
    m_brightness = boundedSetting(settings, Setting::thunderBrightness);

    m_glow->setColor(effectColor(settings.thunderColorHex(), FallbackColor::white));
    placeGlow();

    if (m_enabled && !wasEnabled)
        m_timeToNext = initialDelay();
    if (!m_enabled) {
        m_glow->setAlpha(0);
        m_flashing = false;
    }
}

void ThunderstormSystem::setSceneSize(QSizeF size)
{
    m_sceneSize = size;
    placeGlow();
}

void ThunderstormSystem::placeGlow()
{
    m_glow->setSize(m_sceneSize);
    m_glow->setPosition({m_sceneSize.width() / 2, m_sceneSize.height() / 2});
}

double ThunderstormSystem::currentFrequency() const
{
    if (m_dynamic)
        return kDynamicFrequencySpan * Dynamics::waveAt(m_now, kWaveSeed, kWaveSpeed) + kDynamicFrequencyFloor;
    return percent(m_frequency);
}

double ThunderstormSystem::currentBrightness() const
{
    if (m_dynamic)
        return kDynamicBrightnessSpan * Dynamics::waveAt(m_now, kWaveSeed, kWaveSpeed) + kDynamicBrightnessFloor;
    return percent(m_brightness);
}

double ThunderstormSystem::baseInterval() const
{
    return kIntervalAtZero - kIntervalPerFrequency * currentFrequency();
}

double ThunderstormSystem::initialDelay()
{
    const double r = m_random.uniform(kIntervalSpreadMin, kIntervalSpreadMax);
    return std::max(kInitialDelayFactor * baseInterval() * r, kInitialDelayFloor);
}

void ThunderstormSystem::update(double dt, double now)
{
    m_now = now;
    if (!m_enabled) {
        if (m_glow->alpha() != 0)
            m_glow->setAlpha(0);
        return;
    }
    if (m_flashing) {
        m_flashT += dt;
        if (m_flashT >= kFlashDuration)
            endFlash();
        else
            m_glow->setAlpha(m_flashPeak * envelope(m_flashT / kFlashDuration));
        return;
    }
    m_timeToNext -= dt;
    if (m_timeToNext <= 0)
        startFlash();
}

void ThunderstormSystem::endFlash()
{
    m_flashing = false;
    m_glow->setAlpha(0);
    m_timeToNext = baseInterval() * m_random.uniform(kIntervalSpreadMin, kIntervalSpreadMax);
}

void ThunderstormSystem::startFlash()
{
    m_flashing = true;
    m_flashT = 0;
    const double b = currentBrightness();
    m_flashPeak = (b / 100 * kPeakPerBrightness + kPeakBase) * m_random.uniform(kPeakJitterMin, kPeakJitterMax);
    if (m_lightningHandler)
        m_lightningHandler(b);
}

double ThunderstormSystem::envelope(double t)
{
    const double strike = bump(t, kStrikeAt, kStrikeWidth);
    const double restrike = kRestrikeStrength * bump(t, kRestrikeAt, kRestrikeWidth);
    const double tail = 1 - t >= 0 ? kAfterglow * (1 - t) : 0.0;
    return std::min(std::max(strike, restrike) + tail, 1.0);
}

void ThunderstormSystem::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void ThunderstormSystem::step(const Frame& frame)
{
    update(frame.dt, frame.now);
}

void ThunderstormSystem::setDisplay(const Display& display)
{
    if (display.backingScale != m_backingScale) {
        m_backingScale = display.backingScale;
        m_glow->setTexture(makeGlowTexture(m_backingScale));
    }
    if (display.size != m_sceneSize)
        setSceneSize(display.size);
}

std::vector<sprite::TexturePtr> ThunderstormSystem::textures() const
{
    return {m_glow->texture()};
}

double ThunderstormSystem::wantedRate() const
{
    // A flash is over in a fraction of a second: at a lower rate its peaks would be skipped.
    return m_flashing ? kFullFrameRate : whileShowing(kFullFrameRate);
}

} // namespace tavik
