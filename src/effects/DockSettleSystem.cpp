#include "effects/DockSettleSystem.h"

#include "effects/LeafSimulation.h"
#include "effects/PetalSimulation.h"
#include "effects/SnowSimulation.h"
#include "settings/Color.h"
#include "settings/SettingsStore.h"
#include "sprite/Action.h"

#include <algorithm>
#include <numbers>

namespace tavik {

namespace {

constexpr double kFirstDelayMin = 1.5;
constexpr double kFirstDelayMax = 4;
constexpr double kDelayMin = 2.5;
constexpr double kDelayMax = 6.5;

// Narrower than this, there is nothing to land on.
constexpr double kMinSpan = 24;
constexpr double kLandingJitter = 12;
constexpr double kRestAboveMin = 2; // points above the dock's top edge
constexpr double kRestAboveMax = 10;
constexpr double kStartDrift = 90;
constexpr double kStartAboveMin = 10;
constexpr double kStartAboveMax = 60;
constexpr double kFallSpeedMin = 80; // points per second
constexpr double kFallSpeedMax = 130;
constexpr double kMinFallDuration = 1.2;

constexpr double kFoliageScaleMin = 0.7;
constexpr double kFoliageScaleMax = 1.05;
constexpr double kCrystalScaleMin = 0.4;
constexpr double kCrystalScaleMax = 0.7;
constexpr double kDotScaleMin = 0.7;
constexpr double kDotScaleMax = 1.2;

constexpr double kLandedAlphaMin = 0.85;
constexpr double kLandedAlphaMax = 1.0;
constexpr double kFadeInFraction = 0.4; // of the fall, at most kMaxFadeIn
constexpr double kMaxFadeIn = 1;
constexpr double kRestMin = 2.5;
constexpr double kRestMax = 6.5;
constexpr double kFadeOutMin = 1.2;
constexpr double kFadeOutMax = 2.4;

} // namespace

DockSettleSystem::DockSettleSystem(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_random(context.random)
    , m_dock(context.dock)
    , m_backingScale(context.backingScale)
    , m_sceneSize(size)
    , m_settings(&settings)
    , m_timeToNext(context.random.uniform(kFirstDelayMin, kFirstDelayMax))
    , m_flakeTexture(SnowSimulation::makeDotTexture(context.backingScale))
    , m_crystalFlake(SnowSimulation::makeCrystalTexture(context.backingScale))
{
    m_kinds.reserve(3);
}

void DockSettleSystem::apply(const SettingsStore& settings, QSizeF size)
{
    m_settings = &settings;
    m_sceneSize = size;
    m_enabled = settings.dockSettleEnabled();
    m_kinds.clear();
    if (settings.leavesEnabled())
        m_kinds.push_back(Kind::leaf);
    if (settings.petalsEnabled())
        m_kinds.push_back(Kind::petal);
    if (settings.snowEnabled())
        m_kinds.push_back(Kind::snow);
}

void DockSettleSystem::update(double dt)
{
    if (!m_enabled || m_kinds.empty())
        return;
    m_timeToNext -= dt;
    if (m_timeToNext > 0)
        return;
    m_timeToNext = m_random.uniform(kDelayMin, kDelayMax);
    spawnOne();
}

std::optional<DockSettleSystem::Span> DockSettleSystem::landingSpan(const QRectF& dock, double width)
{
    const double w = std::max(width, 1.0);
    const double lo = std::clamp(dock.x(), 0.0, w);
    const double hi = std::clamp(dock.x() + dock.width(), 0.0, w);
    if (!(hi - lo > kMinSpan))
        return std::nullopt;
    return Span{lo, hi};
}

sprite::SpriteNode* DockSettleSystem::spawnOne()
{
    if (!m_hostsDock || m_kinds.empty())
        return nullptr;
    const auto geometry = m_dock.currentGeometry();
    if (!geometry || !geometry->isVisible)
        return nullptr;
    const auto span = landingSpan(geometry->rect, m_sceneSize.width());
    if (!span)
        return nullptr;

    const auto pick = std::size_t(m_random.uniform(0, double(m_kinds.size())));
    const Kind kind = m_kinds[std::min(pick, m_kinds.size() - 1)];
    const double x0 = m_random.uniform(span->lo, span->hi);

    std::unique_ptr<sprite::SpriteNode> item = makeItem(kind);
    item->setBlendMode(sprite::BlendMode::Alpha);
    item->setZRotation(m_random.uniform(0, 2 * std::numbers::pi));
    item->setAlpha(0);

    const double width = std::max(m_sceneSize.width(), 1.0);
    const QPointF landing(std::clamp(x0 + m_random.uniform(-kLandingJitter, kLandingJitter), span->lo, span->hi),
                          geometry->maxY() + m_random.uniform(kRestAboveMin, kRestAboveMax));
    const QPointF start(std::clamp(landing.x() + m_random.uniform(-kStartDrift, kStartDrift), 0.0, width),
                        m_sceneSize.height() + m_random.uniform(kStartAboveMin, kStartAboveMax));
    item->setPosition(start);
    sprite::SpriteNode& added = m_root->addChild(std::move(item));

    const double duration =
        std::max((start.y() - landing.y()) / m_random.uniform(kFallSpeedMin, kFallSpeedMax), kMinFallDuration);
    launch(added, landing, duration);
    return &added;
}

std::unique_ptr<sprite::SpriteNode> DockSettleSystem::makeItem(Kind kind) const
{
    sprite::TexturePtr texture;
    double scale = 1;
    switch (kind) {
    case Kind::leaf:
        texture = LeafSimulation::makeLeafTexture(colorFromHex(m_settings->leafColorHex()).value_or(FallbackColor::orange),
                                                  m_backingScale);
        scale = m_random.uniform(kFoliageScaleMin, kFoliageScaleMax);
        break;
    case Kind::petal:
        texture = PetalSimulation::makePetalTexture(
            colorFromHex(m_settings->petalColorHex()).value_or(FallbackColor::pink), m_backingScale);
        scale = m_random.uniform(kFoliageScaleMin, kFoliageScaleMax);
        break;
    case Kind::snow: {
        const bool crystal = m_settings->snowflakesEnabled();
        texture = crystal ? m_crystalFlake : m_flakeTexture;
        scale = crystal ? m_random.uniform(kCrystalScaleMin, kCrystalScaleMax)
                        : m_random.uniform(kDotScaleMin, kDotScaleMax);
        break;
    }
    }
    auto item = std::make_unique<sprite::SpriteNode>(std::move(texture));
    if (kind == Kind::snow) {
        item->setColor(effectColor(m_settings->snowColorHex(), FallbackColor::white));
        item->setColorBlendFactor(1);
    }
    item->setScale(scale);
    return item;
}

// Falls in, rests on the dock, fades out and goes.
void DockSettleSystem::launch(sprite::SpriteNode& item, QPointF landing, double duration)
{
    using sprite::Action;
    const double spin = m_random.uniform(-std::numbers::pi, std::numbers::pi);
    const double landedAlpha = m_random.uniform(kLandedAlphaMin, kLandedAlphaMax);
    const double rest = m_random.uniform(kRestMin, kRestMax);
    const double fadeOut = m_random.uniform(kFadeOutMin, kFadeOutMax);
    item.runAction(Action::sequence(
        Action::group(Action::moveTo(landing, duration, sprite::TimingMode::EaseInEaseOut),
                      Action::rotateBy(spin, duration),
                      Action::fadeTo(landedAlpha, std::min(kFadeInFraction * duration, kMaxFadeIn))),
        Action::wait(rest), Action::fadeOut(fadeOut), Action::removeFromParent()));
}

void DockSettleSystem::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void DockSettleSystem::step(const Frame& frame)
{
    update(frame.dt);
}

// Items on their way keep the texture they set out with.
void DockSettleSystem::setDisplay(const Display& display)
{
    m_sceneSize = display.size;
    m_hostsDock = display.hostsDock;
    if (display.backingScale == m_backingScale)
        return;
    m_backingScale = display.backingScale;
    m_flakeTexture = SnowSimulation::makeDotTexture(m_backingScale);
    m_crystalFlake = SnowSimulation::makeCrystalTexture(m_backingScale);
}

std::vector<sprite::TexturePtr> DockSettleSystem::textures() const
{
    return {m_flakeTexture, m_crystalFlake};
}

} // namespace tavik
