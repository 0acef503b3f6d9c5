#include "effects/LightRaySimulation.h"

#include "settings/SettingsStore.h"

#include <QPainter>
#include <QRadialGradient>

#include <cmath>
#include <numbers>

namespace tavik {

namespace {

struct ShaftShape {
    double spread;
    double offset;
    double width;
    double alphaMul;
};

// The widest, brightest shaft in the middle; thinner, fainter ones fanning out to each side.
constexpr std::array<ShaftShape, LightRaySimulation::kShaftCount> kShapes{{
    {-0.06, -90, 34, 0.55},
    {-0.02, -40, 48, 0.8},
    {0, 0, 70, 1.0},
    {0.03, 55, 50, 0.75},
    {0.06, 100, 38, 0.6},
}};

constexpr double kBeamCentreAlpha = 0.85;
// Shafts hang from near the left edge for a positive slant, near the right for a negative one.
constexpr double kSourceLeft = 0.1;
constexpr double kSourceRight = 0.9;
// Long enough to cross the whole scene at any slant.
constexpr double kLengthPerDiagonal = 1.25;
constexpr double kAlphaPerIntensity = 0.3 / 100;

// Motion, with s the speed factor and t the shaft's own clock.
constexpr double kPhaseStepPerShaft = 0.8; // keeps neighbours out of step
constexpr double kSwayBase = 0.05;         // radians
constexpr double kSwayPerSpeed = 0.14;
constexpr double kSwayRate = 0.7;
constexpr double kDriftBase = 8; // points
constexpr double kDriftPerSpeed = 46;
constexpr double kDriftRate = 0.5;
constexpr double kPulseBase = 0.8;
constexpr double kPulseDepth = 0.2;
constexpr double kPulseRate = 1.6;
// How fast the shafts' clock runs, per unit of speed and at speed 0.
constexpr double kPhaseRatePerSpeed = 1.3;
constexpr double kPhaseRateBase = 0.15;

} // namespace

LightRaySimulation::LightRaySimulation(QSizeF size, const EffectContext& context, Source source)
    : m_source(source)
    , m_beamTexture(makeBeamTexture(context.backingScale))
    , m_backingScale(context.backingScale)
    , m_sceneSize(size)
{
    m_root->setHidden(true);
    buildShafts();
}

sprite::TexturePtr LightRaySimulation::makeBeamTexture(double backingScale)
{
    return sprite::Texture::draw(kBeamTextureSize, backingScale, sprite::Filtering::Linear, [](QPainter& painter) {
        const QPointF centre(kBeamTextureSize.width() / 2, kBeamTextureSize.height() / 2);
        QRadialGradient gradient(centre, kBeamTextureSize.width() / 2);
        gradient.setColorAt(0, QColor::fromRgbF(1, 1, 1, float(kBeamCentreAlpha)));
        gradient.setColorAt(1, QColor::fromRgbF(1, 1, 1, 0));
        painter.fillRect(QRectF(QPointF(0, 0), kBeamTextureSize), gradient);
    });
}

void LightRaySimulation::buildShafts()
{
    for (std::size_t i = 0; i < m_shafts.size(); ++i) {
        auto sprite = std::make_unique<sprite::SpriteNode>(m_beamTexture);
        // Pivot at the beam's brightest middle, placed on the top edge: the upper half lies
        // above the screen and the light fades downwards from where it enters. Hung from its
        // top end, the brightest part would fall near the bottom of the screen instead.
        sprite->setAnchorPoint({0.5, 0.5});
        sprite->setBlendMode(sprite::BlendMode::Add);
        sprite->setColorBlendFactor(1);
        const ShaftShape& shape = kShapes[i];
        m_shafts[i] = {&m_root->addChild(std::move(sprite)), shape.spread, shape.offset, shape.width, shape.alphaMul,
                       0};
    }
}

void LightRaySimulation::configure(const Configuration& configuration, QSizeF size)
{
    m_configuration = configuration;
    m_enabled = configuration.enabled;
    m_sceneSize = size;
    m_root->setHidden(!m_enabled);
    if (!m_enabled)
        return;

    m_speedFactor = configuration.speed / 100;
    m_angle = configuration.angleDeg * std::numbers::pi / 180;
    const double w = size.width();
    const double h = size.height();
    m_sourceX = w * (configuration.angleDeg < 0 ? kSourceRight : kSourceLeft);
    m_length = kLengthPerDiagonal * std::hypot(w, h);
    for (Shaft& shaft : m_shafts) {
        shaft.sprite->setSize({shaft.width, m_length});
        shaft.sprite->setColor(configuration.color);
        shaft.baseAlpha = configuration.intensity * kAlphaPerIntensity * shaft.alphaMul;
    }
    layout();
}

void LightRaySimulation::layout()
{
    const double s = m_speedFactor;
    const double top = m_sceneSize.height();
    for (std::size_t i = 0; i < m_shafts.size(); ++i) {
        const Shaft& shaft = m_shafts[i];
        const double t = phase + kPhaseStepPerShaft * double(i);
        const double sway = (kSwayPerSpeed * s + kSwayBase) * std::sin(kSwayRate * t);
        const double drift = (kDriftPerSpeed * s + kDriftBase) * std::sin(kDriftRate * t);
        const double pulse = kPulseBase + kPulseDepth * std::sin(kPulseRate * t);
        shaft.sprite->setZRotation(m_angle + shaft.spread + sway);
        shaft.sprite->setPosition({m_sourceX + shaft.offset + drift, top});
        shaft.sprite->setAlpha(pulse * shaft.baseAlpha);
    }
}

void LightRaySimulation::apply(const SettingsStore& settings)
{
    const auto number = [&settings](Setting id) { return boundedSetting(settings, id); };
    if (m_source == Source::sun)
        configure({settings.sunRaysEnabled(), number(Setting::sunIntensity), number(Setting::sunAngle),
                   number(Setting::sunSpeed), effectColor(settings.sunColorHex(), FallbackColor::orange)},
                  m_sceneSize);
    else
        configure({settings.moonRaysEnabled(), number(Setting::moonIntensity), number(Setting::moonAngle),
                   number(Setting::moonSpeed), effectColor(settings.moonColorHex(), FallbackColor::white)},
                  m_sceneSize);
}

void LightRaySimulation::step(const Frame& frame)
{
    if (!m_enabled)
        return;
    phase += frame.dt * (kPhaseRatePerSpeed * m_speedFactor + kPhaseRateBase);
    layout();
}

void LightRaySimulation::setDisplay(const Display& display)
{
    if (display.backingScale != m_backingScale) {
        m_backingScale = display.backingScale;
        m_beamTexture = makeBeamTexture(m_backingScale);
        for (Shaft& shaft : m_shafts)
            shaft.sprite->setTexture(m_beamTexture);
    }
    if (display.size != m_sceneSize)
        configure(m_configuration, display.size);
}

std::vector<sprite::TexturePtr> LightRaySimulation::textures() const
{
    return {m_beamTexture};
}

} // namespace tavik
