#include "settings/Color.h"

#include <algorithm>
#include <cctype>
#include <cmath>

namespace tavik {

std::optional<QColor> colorFromHex(QStringView text)
{
    QStringView digits = text.trimmed();
    if (digits.startsWith(u'#'))
        digits = digits.mid(1);
    if (digits.size() != 6 && digits.size() != 8)
        return std::nullopt;

    // toULongLong would accept a "0x" prefix and signs; only plain hex digits are a colour.
    for (const QChar c : digits) {
        if (!std::isxdigit(static_cast<unsigned char>(c.toLatin1())) || c.unicode() > 0x7f)
            return std::nullopt;
    }
    bool ok = false;
    const quint64 value = digits.toULongLong(&ok, 16);
    if (!ok)
        return std::nullopt;

    const auto byte = [value](int shift) { return static_cast<double>((value >> shift) & 0xff) / 255.0; };
    if (digits.size() == 6)
        return QColor::fromRgbF(byte(16), byte(8), byte(0), 1.0);
    return QColor::fromRgbF(byte(24), byte(16), byte(8), byte(0));
}

QString hexString(const QColor& color)
{
    if (!color.isValid())
        return QStringLiteral("#FFFFFF");
    const QColor rgb = color.toRgb();
    const auto channel = [](float component) {
        return static_cast<int>(std::lround(std::clamp(component, 0.0f, 1.0f) * 255.0f));
    };
    return QStringLiteral("#%1%2%3")
        .arg(channel(rgb.redF()), 2, 16, QLatin1Char('0'))
        .arg(channel(rgb.greenF()), 2, 16, QLatin1Char('0'))
        .arg(channel(rgb.blueF()), 2, 16, QLatin1Char('0'))
        .toUpper();
}

} // namespace tavik
