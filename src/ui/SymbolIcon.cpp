#include "ui/SymbolIcon.h"

#include <QFile>
#include <QPainter>
#include <QSvgRenderer>

#include <cmath>

namespace tavik {

SymbolIcon::SymbolIcon(QQuickItem* parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void SymbolIcon::setName(const QString& name)
{
    if (name == m_name)
        return;
    m_name = name;
    emit nameChanged();
    update();
}

void SymbolIcon::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    emit colorChanged();
    update();
}

QString SymbolIcon::resourcePath(const QString& name)
{
    return QStringLiteral(":/qt/qml/Tavik/Ui/icons/%1.svg").arg(name);
}

void SymbolIcon::paint(QPainter* painter)
{
    // Names come from QML; only plain symbol names reach the resource lookup.
    if (m_name.isEmpty() || m_name.contains(u'/') || !QFile::exists(resourcePath(m_name)))
        return;
    QSvgRenderer svg(resourcePath(m_name));
    if (!svg.isValid())
        return;
    // Drawn into a layer first, then painted over in the colour: the SVG gives the shape only.
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatioF() : 1.0;
    const QSize pixels(int(std::ceil(width() * ratio)), int(std::ceil(height() * ratio)));
    if (pixels.isEmpty())
        return;
    QImage layer(pixels, QImage::Format_ARGB32_Premultiplied);
    layer.fill(Qt::transparent);
    {
        QPainter shape(&layer);
        svg.render(&shape, QRectF(QPointF(0, 0), QSizeF(pixels)));
        shape.setCompositionMode(QPainter::CompositionMode_SourceIn);
        shape.fillRect(layer.rect(), m_color);
    }
    layer.setDevicePixelRatio(ratio);
    painter->drawImage(QRectF(0, 0, width(), height()), layer);
}

} // namespace tavik
