#pragma once

#include <QString>

#include <optional>

namespace tavik {

struct ScenePreset;

// The built-in scene for a WMO weather code: chosen by ranges of the code, and by day or night
// only for clear skies and fog. Rain is always the rainy night.
[[nodiscard]] QString presetIdForCode(qint64 code, bool isDay);
[[nodiscard]] const ScenePreset& sceneForCode(qint64 code, bool isDay);

// The weather in words for exact codes; an em dash for codes without a name.
[[nodiscard]] QString describeCode(qint64 code);

// Whole degrees, halves away from zero, followed by "°C"; nothing without a temperature or for
// one no thermometer could show.
[[nodiscard]] std::optional<QString> temperatureText(std::optional<double> celsius);

} // namespace tavik
