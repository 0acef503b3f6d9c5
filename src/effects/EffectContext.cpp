#include "effects/EffectContext.h"

#include "settings/Color.h"

namespace tavik {

sprite::Color effectColor(const QString& hex, const QColor& fallback)
{
    return sprite::Color::fromQColor(colorFromHex(hex).value_or(fallback));
}

} // namespace tavik
