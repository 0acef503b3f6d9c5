#include "effects/LeafSimulation.h"

#include "effects/Population.h"
#include "settings/SettingsStore.h"

#include <QPainter>
#include <QPainterPath>

namespace tavik {

namespace {

constexpr QSizeF kLeafSize(22, 16);
constexpr double kMidribWidth = 0.8;
constexpr double kMidribDarkening = 0.45; // of the way towards black

// Built on first use: the fallback colour is itself a run-time constant of another file.
const FallingPieceStyle& leafStyle()
{
    static const FallingPieceStyle style{
        .makeTexture = &LeafSimulation::makeLeafTexture,
        .fallbackColor = FallbackColor::orange,
        .swayRateMin = 0.8,
        .swayRateMax = 1.8,
        .fallPerSetting = 2.2,
        .minFall = 8,
        .swayBase = 10,
        .swayPerTumble = 26,
        .spinBase = 0.35,
        .spinPerTumble = 1,
        .flutterPerTumble = 0.45,
        .flutterRate = 1.7,
    };
    return style;
}

} // namespace

LeafSimulation::LeafSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_pieces(leafStyle(), size, settings.leafColorHex(), context)
{
    apply(settings, size);
}

void LeafSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_pieces.apply({.enabled = settings.leavesEnabled(),
                    .count = boundedSetting(settings, Setting::leafCount) *
                             (settings.lowPowerMode() ? kLowPowerScale : 1.0),
                    .fallSpeed = boundedSetting(settings, Setting::leafFallSpeed),
                    .tumble = boundedSetting(settings, Setting::leafTumble),
                    .colorHex = settings.leafColorHex()},
                   size);
}

sprite::TexturePtr LeafSimulation::makeLeafTexture(const QColor& color, double scale)
{
    return sprite::Texture::draw(kLeafSize, scale, sprite::Filtering::Linear, [&color](QPainter& painter) {
        QPainterPath outline;
        outline.moveTo(2, 8);
        outline.cubicTo(7.7, 15, 17.6, 11.52, 20, 8);
        outline.cubicTo(17.6, 4.48, 7.7, 1, 2, 8);
        outline.closeSubpath();
        painter.fillPath(outline, color);

        painter.setPen(QPen(towardsBlack(color, kMidribDarkening), kMidribWidth));
        painter.drawLine(QPointF(3, 8), QPointF(19, 8));
    });
}

void LeafSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_pieces.sceneSize());
}

void LeafSimulation::step(const Frame& frame)
{
    m_pieces.update(frame.dt, frame.wind);
}

void LeafSimulation::setDisplay(const Display& display)
{
    m_pieces.setDisplay(display);
}

std::vector<sprite::TexturePtr> LeafSimulation::textures() const
{
    return {m_pieces.texture()};
}

} // namespace tavik
