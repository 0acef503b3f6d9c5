#include "effects/EffectContext.h"

#include "settings/Color.h"
#include "settings/SettingsStore.h"

#include <cmath>

namespace tavik {

double boundedSetting(const SettingsStore& settings, Setting id)
{
    return settingInfo(id).clamped(settings.get<double>(id));
}

double fallTime(double distance, double speed, double acceleration)
{
    if (!(acceleration > 0))
        return distance / speed;
    // distance = speed t + acceleration t² / 2, solved for t ≥ 0.
    return (std::sqrt(speed * speed + 2 * acceleration * distance) - speed) / acceleration;
}

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
