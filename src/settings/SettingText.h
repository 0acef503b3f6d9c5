#pragma once

#include "settings/SettingsStore.h"

#include <QString>

#include <optional>

namespace tavik {

// A value as text: flags as true/false, numbers in the shortest form that reads back to the
// same double (22, 0.22), strings as stored, lists as their stored JSON.
[[nodiscard]] QString formatSettingValue(const SettingValue& value);

// Text typed for a setting, read by the setting's type: flags accept true/false, yes/no, on/off,
// 1/0; numbers must be finite; colours accept any hex colour and come back as #RRGGBB; lists
// must be valid JSON of the stored form, every record whole. Nothing when it does not parse.
[[nodiscard]] std::optional<SettingValue> parseSettingValue(const SettingInfo& info, const QString& text);

// Why a parsed value is not accepted for the setting: a number outside the setting's range gives
// "rain.dropsPerSecond must be between 1 and 120". Nothing when it is accepted.
[[nodiscard]] std::optional<QString> rangeProblem(const SettingInfo& info, const SettingValue& value);

// Shortest decimal text that reads back as the same double.
[[nodiscard]] QString shortestNumberText(double value);

} // namespace tavik
