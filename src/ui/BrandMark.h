#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QPainterPath>
#include <QRectF>

class QPainter;

namespace tavik::BrandMark {

// The mark as one path inside `rect`: a pointed leaf leaning 24 degrees to the right and, in the
// windy variant, three wind streaks to its left (Qt coordinates, y down).
[[nodiscard]] QPainterPath path(const QRectF& rect, bool windy);

// Fills the mark in `color`.
void draw(QPainter& painter, const QRectF& rect, bool windy, const QColor& color);

// A `size` by `size` (logical pixels) picture of the mark on transparency, sharp at `devicePixelRatio`.
[[nodiscard]] QImage image(int size, bool windy, const QColor& color, qreal devicePixelRatio = 1.0);

// The tray icon: a light mark with a thin dark rim, so it reads on light and dark panels alike.
[[nodiscard]] QImage trayImage(int size, bool windy, qreal devicePixelRatio = 1.0);
[[nodiscard]] QIcon trayIcon(bool windy);

} // namespace tavik::BrandMark
