#pragma once

#include <QColor>
#include <QString>

#include <optional>

namespace tavik {

// "#RRGGBB", "RRGGBB" or eight digits with alpha last; blanks around are ignored.
// Nothing for anything else.
[[nodiscard]] std::optional<QColor> colorFromHex(QStringView text);

// "#RRGGBB" in upper case; alpha is dropped. An invalid colour gives "#FFFFFF".
[[nodiscard]] QString hexString(const QColor& color);

} // namespace tavik
