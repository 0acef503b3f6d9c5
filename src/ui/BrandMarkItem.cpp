#include "ui/BrandMarkItem.h"

#include "ui/BrandMark.h"

#include <QPainter>

namespace tavik {

BrandMarkItem::BrandMarkItem(QQuickItem* parent)
    : QQuickPaintedItem(parent)
{
    setAntialiasing(true);
}

void BrandMarkItem::setWindy(bool windy)
{
    if (windy == m_windy)
        return;
    m_windy = windy;
    emit windyChanged();
    update();
}

void BrandMarkItem::setColor(const QColor& color)
{
    if (color == m_color)
        return;
    m_color = color;
    emit colorChanged();
    update();
}

void BrandMarkItem::paint(QPainter* painter)
{
    BrandMark::draw(*painter, boundingRect(), m_windy, m_color);
}

} // namespace tavik
