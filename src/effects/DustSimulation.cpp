#include "effects/DustSimulation.h"

#include "effects/Population.h"
#include "settings/SettingsStore.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tavik {

namespace {

constexpr QSizeF kSpeckSize(8, 8); // 16 pixels on a high-density display
constexpr double kSpeckMidStop = 0.4;
constexpr double kSpeckMidAlpha = 0.5;

constexpr double kSideMin = 1; // points
constexpr double kSideMax = 3;
constexpr double kBaseAlphaMin = 0.1;
constexpr double kBaseAlphaMax = 0.3;
// Whole points per second: mostly rightwards and always upwards.
constexpr int kDriftXMin = -4;
constexpr int kDriftXMax = 8;
constexpr int kDriftYMin = 2;
constexpr int kDriftYMax = 10;
constexpr double kShimmerRateMin = 0.6;
constexpr double kShimmerRateMax = 1.8;
constexpr double kShimmerMid = 0.65; // alpha swings between 0.3 and 1.0 of the base
constexpr double kShimmerDepth = 0.35;

constexpr double kWindShare = 0.25;
// A mote is just out of sight this far beyond an edge, and re-enters as far beyond the other.
constexpr double kWrapMargin = 4;

std::size_t targetCount(const SettingsStore& settings)
{
    if (!settings.dustEnabled())
        return 0;
    const double wanted =
        boundedSetting(settings, Setting::dustDensity) / 100 * DustSimulation::kMaxMotes *
        (settings.lowPowerMode() ? kLowPowerScale : 1.0);
    // Truncated, not rounded: density 1 gives one mote, and none while saving power.
    return truncatedCount(wanted, DustSimulation::kMaxMotes);
}

} // namespace

DustSimulation::DustSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_random(context.random)
    , m_sceneSize(size)
    , m_texture(makeSpeckTexture(context.backingScale))
    , m_backingScale(context.backingScale)
{
    m_motes.reserve(kMaxMotes);
    apply(settings, size);
}

sprite::TexturePtr DustSimulation::makeSpeckTexture(double scale)
{
    return sprite::Texture::draw(kSpeckSize, scale, sprite::Filtering::Linear, [](QPainter& painter) {
        const QPointF centre(kSpeckSize.width() / 2, kSpeckSize.height() / 2);
        QRadialGradient gradient(centre, kSpeckSize.width() / 2);
        gradient.setColorAt(0, QColor::fromRgbF(1, 1, 1, 1));
        gradient.setColorAt(kSpeckMidStop, QColor::fromRgbF(1, 1, 1, float(kSpeckMidAlpha)));
        gradient.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(gradient);
        painter.drawRect(QRectF(QPointF(0, 0), kSpeckSize));
    });
}

void DustSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_sceneSize = size;
    m_enabled = settings.dustEnabled();
    m_color = effectColor(settings.dustColorHex(), FallbackColor::white);
    for (const Mote& mote : m_motes)
        mote.sprite->setColor(m_color);

    const std::size_t target = targetCount(settings);
    resizePopulation(
        m_motes, target, [this] { spawnMote(); }, [](Mote& mote) { mote.sprite->removeFromParent(); });
}

void DustSimulation::spawnMote()
{
    auto sprite = std::make_unique<sprite::SpriteNode>(m_texture);
    sprite->setBlendMode(sprite::BlendMode::Add);
    sprite->setColorBlendFactor(1);
    sprite->setColor(m_color);
    const double side = m_random.uniform(kSideMin, kSideMax);
    sprite->setSize({side, side});
    sprite->setPosition({m_random.uniform(0, std::max(m_sceneSize.width(), 1.0)),
                         m_random.uniform(0, std::max(m_sceneSize.height(), 1.0))});

    Mote mote;
    mote.baseAlpha = m_random.uniform(kBaseAlphaMin, kBaseAlphaMax);
    sprite->setAlpha(mote.baseAlpha);
    const auto wholeNumber = [this](int lo, int hi) {
        return std::min(lo + int(std::floor(m_random.unit() * (hi - lo + 1))), hi);
    };
    mote.driftX = wholeNumber(kDriftXMin, kDriftXMax);
    mote.driftY = wholeNumber(kDriftYMin, kDriftYMax);
    mote.shimmerPhase = m_random.uniform(0, 2 * std::numbers::pi);
    mote.shimmerRate = m_random.uniform(kShimmerRateMin, kShimmerRateMax);
    mote.sprite = &m_root->addChild(std::move(sprite));
    m_motes.push_back(mote);
}

void DustSimulation::update(double dt, const WindSample& wind)
{
    if (!m_enabled || m_motes.empty())
        return;
    const double w = std::max(m_sceneSize.width(), 1.0);
    const double h = std::max(m_sceneSize.height(), 1.0);
    const double windDrift = kWindShare * wind.velocity.dx;
    for (Mote& mote : m_motes) {
        sprite::SpriteNode& sprite = *mote.sprite;
        const QPointF p = sprite.position();
        double x = p.x() + dt * (mote.driftX + windDrift);
        double y = p.y() + dt * mote.driftY;
        if (x < -kWrapMargin)
            x = w + kWrapMargin;
        else if (x > w + kWrapMargin)
            x = -kWrapMargin;
        if (y < -kWrapMargin)
            y = h + kWrapMargin;
        else if (y > h + kWrapMargin)
            y = -kWrapMargin;
        sprite.setPosition({x, y});
        mote.shimmerPhase += dt * mote.shimmerRate;
        sprite.setAlpha(mote.baseAlpha * (kShimmerMid + kShimmerDepth * std::sin(mote.shimmerPhase)));
    }
}

void DustSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void DustSimulation::step(const Frame& frame)
{
    update(frame.dt, frame.wind);
}

void DustSimulation::setDisplay(const Display& display)
{
    m_sceneSize = display.size;
    if (display.backingScale == m_backingScale)
        return;
    m_backingScale = display.backingScale;
    m_texture = makeSpeckTexture(m_backingScale);
    for (const auto& item : m_motes)
        item.sprite->setTexture(m_texture);
}

std::vector<sprite::TexturePtr> DustSimulation::textures() const
{
    return {m_texture};
}

} // namespace tavik
