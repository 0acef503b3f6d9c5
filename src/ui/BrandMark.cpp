#include "ui/BrandMark.h"

#include <QPainter>
#include <QPixmap>

#include <algorithm>
#include <array>
#include <cmath>

namespace tavik::BrandMark {

namespace {

constexpr double kLeafTiltDegrees = 24; // clockwise on screen: the tip leans into the wind
constexpr double kWindyLeafShift = 0.14; // of the size: room for the streaks on the left
const QColor kTrayFill(0xEA, 0xF1, 0xF5);
const QColor kTrayRim(0x0B, 0x12, 0x18, 235);
constexpr std::array kTrayIconSizes{16, 22, 24, 32, 48, 64};

struct Streak {
    double left;   // x offset from the centre, of the size
    double middle; // y offset from the centre, of the size (negative: above)
    double length; // of the size
    double height; // of the size
};

// Upper, middle and lower streak; each is 92% of the distance from its start to the centre.
std::array<Streak, 3> streaks(double a, double b, double s)
{
    return {{
        {-b / s, -a / s, 0.92 * b / s, 0.085},
        {-0.4, 0.0, 0.92 * 0.4, 0.095},
        {-0.26, a / s, 0.92 * 0.26, 0.08},
    }};
}

} // namespace

QPainterPath path(const QRectF& rect, bool windy)
{
    const double s = std::min(rect.width(), rect.height());
    const QPointF c = rect.center();
    const double a = 0.16 * s;
    const double b = 0.3 * s;

    QPainterPath mark;
    mark.setFillRule(Qt::WindingFill);
    if (windy) {
        for (const Streak& streak : streaks(a, b, s)) {
            const double h = streak.height * s;
            const QRectF bar(c.x() + streak.left * s, c.y() + streak.middle * s - h / 2, streak.length * s, h);
            mark.addRoundedRect(bar, h / 2, h / 2);
        }
    }

    // A pointed oval from the tip (0, -b) down to the stem (0, b), fuller above the middle.
    QPainterPath leaf;
    leaf.moveTo(0, -b);
    leaf.cubicTo(1.7 * a, -0.35 * b, 1.25 * a, 0.55 * b, 0, b);
    leaf.cubicTo(-1.25 * a, 0.55 * b, -1.7 * a, -0.35 * b, 0, -b);
    QTransform place;
    place.translate(c.x() + (windy ? kWindyLeafShift * s : 0.0), c.y());
    place.rotate(kLeafTiltDegrees);
    mark.addPath(place.map(leaf));
    return mark;
}

void draw(QPainter& painter, const QRectF& rect, bool windy, const QColor& color)
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.fillPath(path(rect, windy), color);
    painter.restore();
}

namespace {

QImage blank(int size, qreal devicePixelRatio)
{
    const qreal ratio = std::isfinite(devicePixelRatio) ? std::clamp(devicePixelRatio, 1.0, 8.0) : 1.0;
    const int pixels = std::max(1, int(std::ceil(std::max(size, 1) * ratio)));
    QImage picture(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    picture.setDevicePixelRatio(ratio);
    return picture;
}

} // namespace

QImage image(int size, bool windy, const QColor& color, qreal devicePixelRatio)
{
    QImage picture = blank(size, devicePixelRatio);
    QPainter painter(&picture);
    draw(painter, QRectF(0, 0, std::max(size, 1), std::max(size, 1)), windy, color);
    return picture;
}

QImage trayImage(int size, bool windy, qreal devicePixelRatio)
{
    QImage picture = blank(size, devicePixelRatio);
    const double side = std::max(size, 1);
    // A rim of most of a pixel at 22 px: the mark stands out on a light panel, and between the
    // streaks it reads as the dark gap that parts them.
    const double rim = std::max(0.6, side / 26.0);
    const QPainterPath mark = path(QRectF(rim, rim, side - 2 * rim, side - 2 * rim), windy);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.strokePath(mark, QPen(kTrayRim, 2 * rim, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.fillPath(mark, kTrayFill);
    return picture;
}

QIcon trayIcon(bool windy)
{
    QIcon icon;
    for (int size : kTrayIconSizes) {
        icon.addPixmap(QPixmap::fromImage(trayImage(size, windy)));
        icon.addPixmap(QPixmap::fromImage(trayImage(size, windy, 2.0)));
    }
    return icon;
}

} // namespace tavik::BrandMark
