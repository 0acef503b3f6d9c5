#pragma once

#include "settings/SceneSnapshot.h"
#include "settings/SettingsStore.h"
#include "weather/Coordinate.h"

#include <QDateTime>
#include <QString>

#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace tavik {

// The measured values of the forecast's current weather; each one may be missing.
struct MeasuredWeather {
    std::optional<double> precipitationMm; // per hour, rain and snow together
    std::optional<double> rainMm;          // per hour
    std::optional<double> snowfallCm;      // per hour
    std::optional<double> cloudCoverPercent;
    std::optional<double> visibilityM;
    std::optional<double> windSpeedKmh;
    std::optional<double> windFromDeg; // where the wind comes from, clockwise from north
    std::optional<double> windGustsKmh;

    bool operator==(const MeasuredWeather&) const = default;
};

// One point of a curve; between points the curve is a straight line, beyond the ends it holds.
struct CurvePoint {
    double x;
    double y;
};

[[nodiscard]] double followCurve(std::span<const CurvePoint> curve, double x);

// The curves from measured weather to settings.
namespace curves {
inline constexpr CurvePoint kRainDrops[] = {{0.1, 8}, {0.5, 18}, {1, 28}, {2.5, 45}, {5, 65}, {10, 90}, {20, 120}};
inline constexpr CurvePoint kSnowDensity[] = {{0.1, 15}, {0.5, 35}, {1, 55}, {2, 75}, {4, 100}};
inline constexpr CurvePoint kWindStrength[] = {{0, 0}, {10, 18}, {30, 50}, {60, 85}, {90, 100}};
inline constexpr CurvePoint kFogDensity[] = {{100, 100}, {2000, 20}};
// Sun elevation (degrees) to the strength of its shafts: none at the horizon.
inline constexpr CurvePoint kSunIntensity[] = {{0, 0}, {4, 20}, {12, 40}, {30, 54}, {60, 60}};
// The lit fraction of the moon to the strength of its shafts.
inline constexpr CurvePoint kMoonIntensity[] = {{0, 0}, {1, 54}};
} // namespace curves

inline constexpr double kPrecipitationOn = 0.1;       // mm or cm an hour that starts rain or snow
inline constexpr double kCloudsOnFromPercent = 40;    // cover that brings clouds into any scene
inline constexpr double kCloudsAtFullCover = 14;
inline constexpr double kFogBelowMetres = 2000;
inline constexpr double kGoldenHourTopDeg = 8;        // the sun is warm from the horizon up to here
inline constexpr const char* kGoldenHourColour = "#FFB45C";

using SettingChange = std::pair<Setting, SettingValue>;

// What the sky at a place and time asks of the settings on top of the preset that was chosen
// for it: each measured value that is there replaces what the preset set; the sun and moon
// come from the coordinate and the time. Numbers stay within each setting's range. The sun's
// colour outside the golden hour is `daylightSunColour`.
[[nodiscard]] std::vector<SettingChange> detailedChanges(const MeasuredWeather& measured, const SceneValues& preset,
                                                         Coordinate at, const QDateTime& when,
                                                         const QString& daylightSunColour);

// "key=value key=value ...", in the order given.
[[nodiscard]] QString describeChanges(std::span<const SettingChange> changes);

// The settings detailed weather writes that a scene backup does not keep; they are backed up
// beside it while live weather runs.
inline constexpr Setting kDetailedExtraSettings[] = {Setting::windDirection, Setting::windDynamic, Setting::fogDensity,
                                                     Setting::sunColorHex};

} // namespace tavik
