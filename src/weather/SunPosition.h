#pragma once

#include "weather/Coordinate.h"

#include <QDate>
#include <QDateTime>

#include <optional>

namespace tavik {

// Where the sun stands for an observer: azimuth in degrees clockwise from north (0 to 360),
// elevation in degrees above the horizon as it appears, atmospheric refraction included.
struct SunPosition {
    double azimuthDeg = 0;
    double elevationDeg = 0;
};

// The sun's day at a place, in UTC. Sunrise and sunset are the moments the upper rim of the
// disc meets the horizon (refraction included); nothing for them on a day of polar night or
// midnight sun.
struct SunDay {
    std::optional<QDateTime> sunrise;
    QDateTime solarNoon;
    std::optional<QDateTime> sunset;
};

// The low-precision solar position of the NOAA solar calculator: good to a fraction of a
// degree and about a minute for years between 1800 and 2100.
[[nodiscard]] SunPosition sunPosition(Coordinate at, const QDateTime& when);
// The sunrise, solar noon and sunset around the solar noon of a UTC calendar day.
[[nodiscard]] SunDay sunDay(Coordinate at, QDate utcDate);

// The lit fraction of the moon's disc, 0 at new moon to 1 at full moon, from the mean length
// of a synodic month: within a day or so of the true phase.
[[nodiscard]] double moonIlluminatedFraction(const QDateTime& when);

} // namespace tavik
