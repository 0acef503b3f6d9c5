#include "effects/EffectContext.h"

#include "settings/Color.h"

namespace tavik {

sprite::Color effectColor(const QString& hex, const QColor& fallback)
{
    return sprite::Color::fromQColor(colorFromHex(hex).value_or(fallback));
}

QColor towardsBlack(const QColor& color, double amount)
{
    const QColor rgb = color.toRgb();
    const double keep = 1 - amount;
    return QColor::fromRgbF(float(rgb.redF() * keep), float(rgb.greenF() * keep), float(rgb.blueF() * keep),
                            float(rgb.alphaF()));
}

} // namespace tavik
