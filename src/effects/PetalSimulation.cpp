#include "effects/PetalSimulation.h"

#include "effects/Population.h"
#include "settings/SettingsStore.h"

#include <QPainter>
#include <QPainterPath>

namespace tavik {

namespace {

constexpr QSizeF kPetalSize(16, 14);
constexpr double kCentreLineWidth = 0.6;
constexpr double kCentreLineDarkening = 0.18; // of the way towards black
constexpr double kCentreLineAlpha = 0.5;

// Built on first use: the fallback colour is itself a run-time constant of another file.
const FallingPieceStyle& petalStyle()
{
    static const FallingPieceStyle style{
        .makeTexture = &PetalSimulation::makePetalTexture,
        .fallbackColor = FallbackColor::pink,
        .swayRateMin = 1.0,
        .swayRateMax = 2.2,
        .fallPerSetting = 1.76,
        .minFall = 6,
        .swayBase = 14,
        .swayPerTumble = 34,
        .spinBase = 0.45,
        .spinPerTumble = 1.25,
        .flutterPerTumble = 0.55,
        .flutterRate = 1.9,
    };
    return style;
}

} // namespace

PetalSimulation::PetalSimulation(QSizeF size, const SettingsStore& settings, const EffectContext& context)
    : m_pieces(petalStyle(), size, settings.petalColorHex(), context)
{
    apply(settings, size);
}

void PetalSimulation::apply(const SettingsStore& settings, QSizeF size)
{
    m_pieces.apply({.enabled = settings.petalsEnabled(),
                    .count = boundedSetting(settings, Setting::petalCount),
                    .fallSpeed = boundedSetting(settings, Setting::petalFallSpeed),
                    .tumble = boundedSetting(settings, Setting::petalTumble),
                    .colorHex = settings.petalColorHex()},
                   size);
}

sprite::TexturePtr PetalSimulation::makePetalTexture(const QColor& color, double scale)
{
    return sprite::Texture::draw(kPetalSize, scale, sprite::Filtering::Linear, [&color](QPainter& painter) {
        QPainterPath outline;
        outline.moveTo(2, 7);
        outline.cubicTo(4.48, 13.5, 14.72, 11.2, 14, 7);
        outline.cubicTo(14.72, 2.8, 4.48, 0.5, 2, 7);
        outline.closeSubpath();
        painter.fillPath(outline, color);

        QColor line = towardsBlack(color, kCentreLineDarkening);
        line.setAlphaF(float(kCentreLineAlpha));
        painter.setPen(QPen(line, kCentreLineWidth));
        painter.drawLine(QPointF(4, 7), QPointF(12, 7));
    });
}

void PetalSimulation::apply(const SettingsStore& settings)
{
    apply(settings, m_pieces.sceneSize());
}

void PetalSimulation::step(const Frame& frame)
{
    m_pieces.update(frame.dt, frame.wind);
}

void PetalSimulation::setDisplay(const Display& display)
{
    m_pieces.setDisplay(display);
}

std::vector<sprite::TexturePtr> PetalSimulation::textures() const
{
    return {m_pieces.texture()};
}

} // namespace tavik
