#pragma once

#include "weather/Coordinate.h"
#include "weather/DetailedWeather.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace tavik {

// A coordinate with the place name that came with it.
struct GeoAnswer {
    Coordinate coordinate;
    std::optional<QString> place;
};

struct ForecastAnswer {
    qint64 code = 0; // WMO weather interpretation code
    bool isDay = false;
    std::optional<double> tempC;
    MeasuredWeather measured;
};

// "city, region", or "city, country" when there is no region at all (an empty region still
// counts as given), or the one part that is there and not empty; nothing when neither is.
[[nodiscard]] std::optional<QString> placeName(const std::optional<QString>& city,
                                               const std::optional<QString>& region,
                                               const std::optional<QString>& country);

// The answers of the web services. Every decoder takes any bytes at all: a body that is not the
// expected JSON, a member of the wrong type, or a coordinate that is not on the globe gives
// nothing. Members other than the ones read are ignored; null counts as absent.

// First IP service: numeric "latitude" and "longitude", optional "success" flag (false gives
// nothing), optional "city", "region" and "country".
[[nodiscard]] std::optional<GeoAnswer> decodeFirstGeo(const QByteArray& body);
// Second IP service: "latitude" and "longitude" as text holding nothing but a number.
[[nodiscard]] std::optional<GeoAnswer> decodeSecondGeo(const QByteArray& body);
// Forecast: "current" with integral "weather_code" and "is_day" (1 is day, anything else
// night), an optional numeric "temperature_2m", and the optional measured values
// "precipitation", "rain", "snowfall", "cloud_cover", "visibility", "wind_speed_10m",
// "wind_direction_10m" and "wind_gusts_10m". A measured value that is not a number, or lies
// outside what the sky can do (negative, a cover over 100%, a wind of 600 km/h), is dropped
// alone; the rest of the answer still counts.
[[nodiscard]] std::optional<ForecastAnswer> decodeForecast(const QByteArray& body);
// Reverse geocoding: the place name of "address" (city from city, town or village; region from
// state; country); nothing when the answer has none.
[[nodiscard]] std::optional<QString> decodeReverseGeocode(const QByteArray& body);

// A whole text that is a decimal number (an optional sign, digits, point, exponent, or inf and
// nan); a blank anywhere makes it fail.
[[nodiscard]] std::optional<double> parseNumberText(const QString& text);

} // namespace tavik
