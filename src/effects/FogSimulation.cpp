#include "effects/FogSimulation.h"

#include "effects/Population.h"
#include "settings/SettingsStore.h"

#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>

namespace tavik {

namespace {

// Banks lie in the lower third of the scene.
constexpr double kBandBottom = 0.04;
constexpr double kBandTop = 0.34;

constexpr double kSpeedVarMin = 0.5;
constexpr double kSpeedVarMax = 1.2;
constexpr double kScaleXMin = 1.1;
constexpr double kScaleXMax = 1.9;
constexpr double kScaleYMin = 0.7;
constexpr double kScaleYMax = 1.05;
constexpr double kAlphaMulMin = 0.55;
constexpr double kAlphaMulMax = 1.0;

// Drift: a fixed 6 points per second times the bank's factor, plus half the wind.
constexpr double kBaseSpeed = 6;
constexpr double kWindShare = 0.5;

constexpr double kPuffAlpha = 0.4;

struct Puff {
    double x;
    double y;
    double radius;
};

// Densest in the middle, thinner lobes towards both ends, slightly staggered in height.
constexpr std::array<Puff, 7> kPuffs{{
    {240, 100, 82},
    {120, 100, 66},
    {360, 100, 66},
    {180, 116, 58},
    {300, 84, 58},
    {52, 100, 48},
    {428, 100, 48},
}};

} // namespace

FogSimulation::FogSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_random(context.random)
    , m_sceneSize(size)
    , m_texture(makeMistTexture(context.backingScale))
    , m_backingScale(context.backingScale)
{
    apply(settings, size);
}

sprite::TexturePtr FogSimulation::makeMistTexture(double backingScale)
{
    return sprite::Texture::draw(kTextureSize, backingScale, sprite::Filtering::Linear, [](QPainter& painter) {
        painter.setPen(Qt::NoPen);
        for (const Puff& puff : kPuffs) {
            QRadialGradient gradient(QPointF(puff.x, puff.y), puff.radius);
            gradient.setColorAt(0, QColor::fromRgbF(1, 1, 1, kPuffAlpha));
            gradient.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0));
            painter.setBrush(gradient);
            painter.drawEllipse(QPointF(puff.x, puff.y), puff.radius, puff.radius);
        }
    });
}

void FogSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_sceneSize = size;
    m_enabled = settings.fogEnabled();
    m_opacity = boundedSetting(settings, Setting::fogOpacity);
    m_color = effectColor(settings.fogColorHex(), FallbackColor::lightGray);

    for (const Bank& bank : m_banks) {
        bank.sprite->setColor(m_color);
        bank.sprite->setAlpha(m_opacity * bank.alphaMul);
    }

    // Truncated: density 95 gives nine banks. Never more than ten, whatever the store holds.
    const std::size_t target =
        m_enabled ? truncatedCount(boundedSetting(settings, Setting::fogDensity) / 100 * kMaxBanks, kMaxBanks) : 0;
    resizePopulation(
        m_banks, target, [this] { spawnBank(true); }, [](Bank& bank) { bank.sprite->removeFromParent(); });
}

void FogSimulation::spawnBank(bool initial)
{
    auto sprite = std::make_unique<sprite::SpriteNode>(m_texture, kTextureSize);
    sprite->setColorBlendFactor(1);
    sprite->setColor(m_color);
    sprite->setBlendMode(sprite::BlendMode::Alpha);

    Bank bank;
    bank.sprite = &m_root->addChild(std::move(sprite));
    bank.speedVar = m_random.uniform(kSpeedVarMin, kSpeedVarMax);
    bank.scaleX = m_random.uniform(kScaleXMin, kScaleXMax);
    bank.scaleY = m_random.uniform(kScaleYMin, kScaleYMax);
    bank.alphaMul = m_random.uniform(kAlphaMulMin, kAlphaMulMax);
    bank.sprite->setXScale(bank.scaleX);
    bank.sprite->setYScale(bank.scaleY);
    bank.sprite->setAlpha(m_opacity * bank.alphaMul);

    if (initial) {
        const double x = m_random.uniform(0, std::max(m_sceneSize.width(), 1.0));
        bank.sprite->setPosition({x, randomHeight()});
    } else {
        reseed(bank, true);
    }
    m_banks.push_back(bank);
}

double FogSimulation::randomHeight()
{
    const double h = m_sceneSize.height();
    return m_random.uniform(kBandBottom * h, kBandTop * h);
}

void FogSimulation::reseed(Bank& bank, bool enteringFromLeft)
{
    const double half = kTextureSize.width() * bank.scaleX * 0.5;
    const double x = enteringFromLeft ? -half : m_sceneSize.width() + half;
    bank.sprite->setPosition({x, randomHeight()});
}

void FogSimulation::update(double dt, const WindSample& wind)
{
    if (m_banks.empty())
        return;
    const double w = m_sceneSize.width();
    for (Bank& bank : m_banks) {
        const double dx = dt * (kWindShare * wind.velocity.dx + kBaseSpeed * bank.speedVar);
        const QPointF p = bank.sprite->position();
        const double x = p.x() + dx;
        const double half = kTextureSize.width() * bank.scaleX * 0.5;
        if (dx >= 0 && x - half > w)
            reseed(bank, true);
        else if (dx < 0 && x + half < 0)
            reseed(bank, false);
        else
            bank.sprite->setPosition({x, p.y()});
    }
}

void FogSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void FogSimulation::step(const Frame& frame)
{
    update(frame.dt, frame.wind);
}

void FogSimulation::setDisplay(const Display& display)
{
    m_sceneSize = display.size;
    if (display.backingScale == m_backingScale)
        return;
    m_backingScale = display.backingScale;
    m_texture = makeMistTexture(m_backingScale);
    for (const auto& item : m_banks)
        item.sprite->setTexture(m_texture);
}

std::vector<sprite::TexturePtr> FogSimulation::textures() const
{
    return {m_texture};
}

} // namespace tavik
