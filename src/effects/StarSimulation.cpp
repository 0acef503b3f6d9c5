#include "effects/StarSimulation.h"

#include "effects/Population.h"
#include "settings/SettingsStore.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {


// Stars fill the upper 55 % of the scene below a 2 % top margin.
constexpr double kSkyBottom = 0.45;
constexpr double kSkyTop = 0.98;
constexpr double kStarSideMin = 1.0;
constexpr double kStarSideMax = 2.6;

// Twinkle: each star breathes between a dim floor and its own peak at its own pace.
constexpr double kTwinkleFloor = 0.2;
constexpr double kPeakMin = 0.45;
constexpr double kPeakMax = 1.0;
constexpr double kFadeMin = 1.4;
constexpr double kFadeMax = 3.4;
constexpr double kTwinkleDelayMax = 2.4;
constexpr const char* kTwinkleKey = "twinkle";

// Meteor schedule: 55 s at frequency 1 down to 5 s at 100, spread by ±35 %.
constexpr double kSlowestInterval = 55;
constexpr double kFastestInterval = 5;
constexpr double kIntervalSpreadMin = 0.65;
constexpr double kIntervalSpreadMax = 1.35;

// Meteor flight.
constexpr double kMeteorLengthShare = 0.18;
constexpr double kMeteorLengthMin = 120;
constexpr double kMeteorLengthMax = 220;
constexpr double kMeteorThicknessShare = 0.018;
constexpr double kMeteorThicknessMin = 2;
constexpr double kMeteorStartXMax = 0.7;
constexpr double kMeteorStartYMin = 0.7;
constexpr double kMeteorStartYMax = 0.97;
constexpr double kMeteorTravelMin = 240;
constexpr double kMeteorTravelMax = 420;
constexpr double kMeteorDipMin = 0.35; // radians below the horizontal
constexpr double kMeteorDipMax = 0.6;
constexpr double kMeteorDurationMin = 0.55;
constexpr double kMeteorDurationMax = 0.95;
constexpr double kMeteorPeakMin = 0.5;
constexpr double kMeteorPeakMax = 0.85;
constexpr double kMeteorRiseShare = 0.25;

QColor white(double alpha)
{
    return QColor::fromRgbF(1, 1, 1, float(alpha));
}

} // namespace

StarSimulation::StarSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_random(context.random)
    , m_sceneSize(size)
    , m_starTexture(makeStarTexture(context.backingScale))
    , m_meteorTexture(makeMeteorTexture(context.backingScale))
    , m_backingScale(context.backingScale)
    , m_currentStarHex(settings.starColorHex())
    , m_starColor(effectColor(m_currentStarHex, FallbackColor::white))
{
    apply(settings, size);
}

sprite::TexturePtr StarSimulation::makeStarTexture(double backingScale)
{
    return sprite::Texture::draw(kStarTextureSize, backingScale, sprite::Filtering::Linear, [](QPainter& painter) {
        const QPointF centre(kStarTextureSize.width() / 2, kStarTextureSize.height() / 2);
        const double radius = kStarTextureSize.width() / 2;
        QRadialGradient gradient(centre, radius);
        gradient.setColorAt(0, white(1.0));
        gradient.setColorAt(0.4, white(0.55));
        gradient.setColorAt(1, white(0));
        painter.fillRect(QRectF(QPointF(0, 0), kStarTextureSize), gradient);
    });
}

sprite::TexturePtr StarSimulation::makeMeteorTexture(double backingScale)
{
    return sprite::Texture::draw(kMeteorTextureSize, backingScale, sprite::Filtering::Linear, [](QPainter& painter) {
        const double w = kMeteorTextureSize.width();
        const double h = kMeteorTextureSize.height();
        const QRectF all(0, 0, w, h);
        QLinearGradient streak(QPointF(w, h / 2), QPointF(0, h / 2));
        streak.setColorAt(0, white(1.0));
        streak.setColorAt(0.45, white(0.5));
        streak.setColorAt(1, white(0));
        painter.fillRect(all, streak);

        // Keep the streak only in a band that fades towards its top and bottom edges.
        QLinearGradient band(QPointF(w / 2, 0), QPointF(w / 2, h));
        band.setColorAt(0, white(0));
        band.setColorAt(0.5, white(1.0));
        band.setColorAt(1, white(0));
        painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
        painter.fillRect(all, band);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    });
}

double StarSimulation::meteorInterval(double frequency)
{
    if (frequency >= 100)
        return kFastestInterval;
    return kSlowestInterval - (kSlowestInterval - kFastestInterval) * (std::max(frequency, 1.0) - 1) / 99;
}

int StarSimulation::targetCount(const SettingsStore& settings)
{
    if (!settings.starsEnabled())
        return 0;
    double wanted = boundedSetting(settings, Setting::starDensity) / 100 * kMaxStars;
    if (settings.lowPowerMode())
        wanted *= kLowPowerScale;
    return int(truncatedCount(wanted, kMaxStars));
}

void StarSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_sceneSize = size;
    m_enabled = settings.starsEnabled();
    recolour(settings.starColorHex());
    resizePopulation(
        m_stars, std::size_t(targetCount(settings)), [this] { spawnStar(); },
        [](sprite::SpriteNode* star) {
            star->removeAllActions();
            star->removeFromParent();
        });

    // Only a changed frequency restarts the countdown: any other setting change is applied
    // through here too and must not postpone the next meteor.
    const double frequency = boundedSetting(settings, Setting::shootingStarFrequency);
    if (frequency == m_shootingFrequency)
        return;
    m_shootingFrequency = frequency;
    scheduleMeteor();
}

void StarSimulation::recolour(const QString& hex)
{
    if (hex == m_currentStarHex)
        return;
    m_currentStarHex = hex;
    m_starColor = effectColor(hex, FallbackColor::white);
    // Meteors already in flight keep theirs.
    for (sprite::SpriteNode* star : m_stars)
        star->setColor(m_starColor);
}


void StarSimulation::updateSize(QSizeF size)
{
    m_sceneSize = size;
    const QRectF bounds(QPointF(0, 0), size);
    for (sprite::SpriteNode* star : m_stars) {
        if (!bounds.contains(star->position()))
            star->setPosition(randomPointInSky());
    }
}

QPointF StarSimulation::randomPointInSky()
{
    const double w = std::max(m_sceneSize.width(), 1.0);
    const double h = std::max(m_sceneSize.height(), 1.0);
    const double x = m_random.uniform(0, w);
    const double y = m_random.uniform(kSkyBottom * h, kSkyTop * h);
    return {x, y};
}

void StarSimulation::spawnStar()
{
    auto sprite = std::make_unique<sprite::SpriteNode>(m_starTexture);
    sprite->setColorBlendFactor(1);
    sprite->setColor(m_starColor);
    sprite->setBlendMode(sprite::BlendMode::Add);
    const double side = m_random.uniform(kStarSideMin, kStarSideMax);
    sprite->setSize({side, side});
    sprite->setPosition(randomPointInSky());
    const double peak = m_random.uniform(kPeakMin, kPeakMax);
    sprite->setAlpha(m_random.uniform(kTwinkleFloor, peak));

    sprite::SpriteNode& star = m_root->addChild(std::move(sprite));
    m_stars.push_back(&star);
    startTwinkle(star, peak);
}

void StarSimulation::startTwinkle(sprite::SpriteNode& star, double peak)
{
    using sprite::Action;
    const double down = m_random.uniform(kFadeMin, kFadeMax);
    const double up = m_random.uniform(kFadeMin, kFadeMax);
    const double delay = m_random.uniform(0, kTwinkleDelayMax);
    auto cycle = Action::sequence(Action::fadeTo(kTwinkleFloor, down, sprite::TimingMode::EaseInEaseOut),
                                  Action::fadeTo(peak, up, sprite::TimingMode::EaseInEaseOut));
    star.runAction(Action::sequence(Action::wait(delay), Action::repeatForever(std::move(cycle))), kTwinkleKey);
}

void StarSimulation::scheduleMeteor()
{
    m_nextMeteorIn = meteorInterval(m_shootingFrequency) * m_random.uniform(kIntervalSpreadMin, kIntervalSpreadMax);
}

void StarSimulation::update(double dt)
{
    // No meteors while the stars are off: their frequency slider is greyed out then, so a
    // streak would be a surprise. The countdown waits where it is.
    if (!m_enabled || !(m_shootingFrequency > 0))
        return;
    m_nextMeteorIn -= dt;
    if (m_nextMeteorIn > 0)
        return;
    spawnMeteor();
    scheduleMeteor();
}

void StarSimulation::spawnMeteor()
{
    using sprite::Action;
    const double w = std::max(m_sceneSize.width(), 1.0);
    const double h = std::max(m_sceneSize.height(), 1.0);

    auto sprite = std::make_unique<sprite::SpriteNode>(m_meteorTexture);
    sprite->setColorBlendFactor(1);
    sprite->setColor(m_starColor);
    sprite->setBlendMode(sprite::BlendMode::Add);
    sprite->setAlpha(0);
    const double length = std::clamp(w * kMeteorLengthShare, kMeteorLengthMin, kMeteorLengthMax);
    sprite->setSize({length, std::max(length * kMeteorThicknessShare, kMeteorThicknessMin)});
    sprite->setPosition({m_random.uniform(0, kMeteorStartXMax * w),
                         m_random.uniform(kMeteorStartYMin * h, kMeteorStartYMax * h)});

    const double travel = m_random.uniform(kMeteorTravelMin, kMeteorTravelMax);
    // Down and to the right; the head of the streak leads.
    const double angle = -m_random.uniform(kMeteorDipMin, kMeteorDipMax);
    sprite->setZRotation(angle);
    sprite::SpriteNode& meteor = m_root->addChild(std::move(sprite));

    const double duration = m_random.uniform(kMeteorDurationMin, kMeteorDurationMax);
    const double peak = m_random.uniform(kMeteorPeakMin, kMeteorPeakMax);
    auto flight = Action::moveBy({travel * std::cos(angle), travel * std::sin(angle)}, duration,
                                 sprite::TimingMode::EaseIn);
    auto glow = Action::sequence(Action::fadeTo(peak, kMeteorRiseShare * duration),
                                 Action::fadeTo(0, (1 - kMeteorRiseShare) * duration));
    meteor.runAction(
        Action::sequence(Action::group(std::move(flight), std::move(glow)), Action::removeFromParent()));
}

void StarSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_sceneSize);
}

void StarSimulation::step(const Frame& frame)
{
    update(frame.dt);
}

void StarSimulation::setDisplay(const Display& display)
{
    if (display.backingScale != m_backingScale) {
        m_backingScale = display.backingScale;
        m_starTexture = makeStarTexture(m_backingScale);
        m_meteorTexture = makeMeteorTexture(m_backingScale);
        // Meteors in flight finish with the texture they started with.
        for (sprite::SpriteNode* star : m_stars)
            star->setTexture(m_starTexture);
    }
    if (display.size != m_sceneSize)
        updateSize(display.size);
}

std::vector<sprite::TexturePtr> StarSimulation::textures() const
{
    return {m_starTexture, m_meteorTexture};
}

double StarSimulation::wantedRate() const
{
    // Twinkling is slow; a meteor crosses the sky in about a second and needs every frame.
    const bool meteorInFlight = m_root->children().size() > m_stars.size();
    return meteorInFlight ? kFullFrameRate : whileShowing(12);
}

} // namespace tavik
