#include "effects/LeafSimulation.h"

#include <QPainter>
#include <QPainterPath>

namespace tavik {

namespace {

constexpr QSizeF kLeafSize(22, 16);
constexpr double kMidribWidth = 0.8;
constexpr double kMidribDarkening = 0.45; // of the way towards black

} // namespace

LeafSimulation::LeafSimulation(QSizeF size, const SettingsStore&, const EffectContext&) : m_sceneSize(size) {}

// The falling leaves come later; until then the effect shows nothing.
void LeafSimulation::apply(const SettingsStore&, QSizeF size) { m_sceneSize = size; }

void LeafSimulation::update(double, const WindSample&) {}

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

} // namespace tavik
