#include "effects/PetalSimulation.h"

#include <QPainter>
#include <QPainterPath>

namespace tavik {

namespace {

constexpr QSizeF kPetalSize(16, 14);
constexpr double kCentreLineWidth = 0.6;
constexpr double kCentreLineDarkening = 0.18; // of the way towards black
constexpr double kCentreLineAlpha = 0.5;

} // namespace

PetalSimulation::PetalSimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}

// The falling petals come later; until then the effect shows nothing.
void PetalSimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }

void PetalSimulation::update(double, const WindSample&) {}

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

} // namespace tavik
