#pragma once

#include <QJsonObject>
#include <QRect>

namespace tavik {

// A rectangle as `tavik status` reports every geometry: {x, y, width, height}.
inline QJsonObject rectJson(const QRect& rect)
{
    return {{QStringLiteral("x"), rect.x()}, {QStringLiteral("y"), rect.y()},
            {QStringLiteral("width"), rect.width()}, {QStringLiteral("height"), rect.height()}};
}

} // namespace tavik
