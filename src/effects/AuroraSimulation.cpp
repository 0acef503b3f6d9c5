#include "effects/AuroraSimulation.h"

#include "effects/Population.h"
#include "settings/SettingsStore.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr double kTwoPi = 2 * std::numbers::pi;

// The base colour when the stored one does not parse: a cool green-teal.
const QColor kFallbackColor = QColor::fromRgbF(0.36f, 0.94f, 0.75f);

// Every third curtain: hue turned this far round the circle, saturation slightly lowered.
constexpr int kShiftedEvery = 3;
constexpr double kHueShift = 0.18;
constexpr double kShiftedSaturation = 0.95;

// Speed slider 0 to 100 gives 0.3 to 1.7 times the base rates.
constexpr double kSpeedMin = 0.3;
constexpr double kSpeedSpan = 1.4;

// Curtains spread evenly from 8 % to 92 % of the width in creation order, each nudged a little.
constexpr double kSpreadLeft = 0.08;
constexpr double kSpreadWidth = 0.84;
constexpr double kSpreadJitter = 0.05;
constexpr double kWidthFracMin = 0.22;
constexpr double kWidthFracMax = 0.4;
constexpr double kHeightFracMin = 0.4;
constexpr double kHeightFracMax = 0.62;
constexpr double kSwayAmpMin = 0.02;
constexpr double kSwayAmpMax = 0.06;
constexpr double kSwayRateMin = 0.18;
constexpr double kSwayRateMax = 0.4;
constexpr double kBreatheRateMin = 0.3;
constexpr double kBreatheRateMax = 0.7;
constexpr double kBaseAlphaMin = 0.16;
constexpr double kBaseAlphaMax = 0.3;

// Curtains hang from just above the top edge.
constexpr double kHangHeight = 1.02;
// Breathing: opacity 0.2 to 1 of the peak; the stretch from the top is slower than the glow.
constexpr double kBreatheMid = 0.6;
constexpr double kBreatheDepth = 0.4;
constexpr double kStretchRate = 0.7;
constexpr double kStretchMid = 0.9;
constexpr double kStretchDepth = 0.18;

// The texture's horizontal profile: columns fainter than this are left clear.
constexpr double kProfileExponent = 0.85;
constexpr double kMinColumnAlpha = 0.02;
// Each column is a little wider than one point so that neighbours blend without seams.
constexpr double kColumnWidth = 1.4;

} // namespace

AuroraSimulation::AuroraSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_random(context.random)
    , m_sceneSize(size)
    , m_texture(makeCurtainTexture(context.backingScale))
    , m_backingScale(context.backingScale)
{
    apply(settings, size);
}

sprite::TexturePtr AuroraSimulation::makeCurtainTexture(double backingScale)
{
    return sprite::Texture::draw(kTextureSize, backingScale, sprite::Filtering::Linear, [](QPainter& painter) {
        const double w = kTextureSize.width();
        const double h = kTextureSize.height();
        // Along y, clear at the foot (y = 0) and strongest a little below the top.
        QLinearGradient gradient(QPointF(0, 0), QPointF(0, h));
        gradient.setColorAt(0, QColor::fromRgbF(1, 1, 1, 0));
        gradient.setColorAt(0.5, QColor::fromRgbF(1, 1, 1, 0.9f));
        gradient.setColorAt(0.82, QColor::fromRgbF(1, 1, 1, 1));
        gradient.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0.35f));
        const int columns = int(w);
        for (int x = 0; x < columns; ++x) {
            const double a = std::pow(std::sin(x / (w - 1) * std::numbers::pi), kProfileExponent);
            if (!(a > kMinColumnAlpha))
                continue;
            painter.setOpacity(a);
            painter.fillRect(QRectF(x, 0, kColumnWidth, h), gradient);
        }
    });
}

sprite::Color AuroraSimulation::tint(int index) const
{
    if (index % kShiftedEvery != kShiftedEvery - 1)
        return m_color;
    float h = 0;
    float s = 0;
    float v = 0;
    float a = 0;
    QColor::fromRgbF(m_color.r, m_color.g, m_color.b, m_color.a).getHsvF(&h, &s, &v, &a);
    // A grey has no hue (reported as -1): it turns like red would, with nothing to show it.
    const double hue = std::fmod(std::max(double(h), 0.0) + kHueShift, 1.0);
    const double saturation = std::min(kShiftedSaturation * s, 1.0);
    return sprite::Color::fromQColor(QColor::fromHsvF(float(hue), float(saturation), v, a));
}

void AuroraSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_sceneSize = size;
    m_enabled = settings.auroraEnabled();
    m_color = effectColor(settings.auroraColorHex(), kFallbackColor);
    m_intensity = boundedSetting(settings, Setting::auroraIntensity) / 100;
    m_speedFactor = boundedSetting(settings, Setting::auroraSpeed) / 100 * kSpeedSpan + kSpeedMin;

    // Rounded: intensity 6 gives none, 7 gives one.
    const std::size_t target = m_enabled ? roundedCount(m_intensity * kMaxCurtains, kMaxCurtains) : 0;
    resizePopulation(
        m_curtains, target, [this] { spawnCurtain(int(m_curtains.size())); },
        [](Curtain& curtain) { curtain.sprite->removeFromParent(); });
    for (std::size_t i = 0; i < m_curtains.size(); ++i)
        m_curtains[i].sprite->setColor(tint(int(i)));
    layout();
}

void AuroraSimulation::spawnCurtain(int index)
{
    auto sprite = std::make_unique<sprite::SpriteNode>(m_texture);
    sprite->setBlendMode(sprite::BlendMode::Add);
    sprite->setColorBlendFactor(1);
    sprite->setColor(tint(index));
    sprite->setAnchorPoint({0.5, 1.0}); // hangs from its top centre

    Curtain curtain;
    curtain.sprite = &m_root->addChild(std::move(sprite));
    const double spread = double(index) / (kMaxCurtains - 1) * kSpreadWidth + kSpreadLeft;
    curtain.xFrac = std::clamp(spread + m_random.uniform(-kSpreadJitter, kSpreadJitter), 0.0, 1.0);
    curtain.widthFrac = m_random.uniform(kWidthFracMin, kWidthFracMax);
    curtain.heightFrac = m_random.uniform(kHeightFracMin, kHeightFracMax);
    curtain.swayAmpFrac = m_random.uniform(kSwayAmpMin, kSwayAmpMax);
    curtain.swayRate = m_random.uniform(kSwayRateMin, kSwayRateMax);
    curtain.swayPhase = m_random.uniform(0, kTwoPi);
    curtain.breatheRate = m_random.uniform(kBreatheRateMin, kBreatheRateMax);
    curtain.breathePhase = m_random.uniform(0, kTwoPi);
    curtain.baseAlpha = m_random.uniform(kBaseAlphaMin, kBaseAlphaMax);
    m_curtains.push_back(curtain);
}

void AuroraSimulation::layout()
{
    const double w = std::max(m_sceneSize.width(), 1.0);
    const double h = std::max(m_sceneSize.height(), 1.0);
    for (Curtain& curtain : m_curtains) {
        curtain.sprite->setSize({w * curtain.widthFrac, h * curtain.heightFrac});
        curtain.sprite->setPosition({0, kHangHeight * h});
        pose(curtain);
    }
}

void AuroraSimulation::pose(Curtain& curtain) const
{
    const double w = std::max(m_sceneSize.width(), 1.0);
    const double x = w * curtain.xFrac + std::sin(curtain.swayPhase) * w * curtain.swayAmpFrac;
    curtain.sprite->setPosition({x, curtain.sprite->position().y()});
    curtain.sprite->setAlpha((kBreatheMid + kBreatheDepth * std::sin(curtain.breathePhase)) * curtain.baseAlpha *
                             m_intensity);
    curtain.sprite->setYScale(kStretchMid + kStretchDepth * std::sin(kStretchRate * curtain.breathePhase));
}

void AuroraSimulation::update(double dt)
{
    if (!m_enabled || !(m_intensity > 0) || m_curtains.empty())
        return;
    const double s = m_speedFactor;
    for (Curtain& curtain : m_curtains) {
        curtain.swayPhase += dt * curtain.swayRate * s;
        curtain.breathePhase += dt * curtain.breatheRate * s;
        pose(curtain);
    }
}

void AuroraSimulation::setDisplay(const Display& display)
{
    if (display.backingScale != m_backingScale) {
        m_backingScale = display.backingScale;
        m_texture = makeCurtainTexture(m_backingScale);
        for (Curtain& curtain : m_curtains)
            curtain.sprite->setTexture(m_texture);
    }
    if (display.size != m_sceneSize) {
        m_sceneSize = display.size;
        layout();
    }
}

void AuroraSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void AuroraSimulation::step(const Frame& frame)
{
    update(frame.dt);
}

std::vector<sprite::TexturePtr> AuroraSimulation::textures() const
{
    return {m_texture};
}

} // namespace tavik
