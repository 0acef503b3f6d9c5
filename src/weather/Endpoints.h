#pragma once

#include "weather/Coordinate.h"

#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace tavik {

// Where the four web services live. Each is a base URL (scheme, host, optional port and path
// prefix); the request paths are appended to it.
struct WeatherEndpoints {
    QUrl forecast;
    QUrl firstGeo;
    QUrl secondGeo;
    QUrl reverseGeocode;

    // The public HTTPS services.
    [[nodiscard]] static WeatherEndpoints defaults();

    // The defaults, each replaced by its TAVIK_FORECAST_URL, TAVIK_GEO1_URL, TAVIK_GEO2_URL or
    // TAVIK_REVERSE_GEOCODE_URL when set. A variable that is not an http(s) URL with a host
    // keeps the default and is named in `rejected`.
    [[nodiscard]] static WeatherEndpoints fromEnvironment(QStringList* rejected = nullptr);
};

// An http or https URL with a host, without user info; nothing otherwise.
[[nodiscard]] std::optional<QUrl> parseBaseUrl(const QString& text);

// The shortest decimal text that reads back as the same double, in plain notation and always
// with a fractional part: 13.0, -0.5, 0.00001. Empty for a value that is not finite.
[[nodiscard]] QString decimalText(double value);

// GET <forecast>/v1/forecast?latitude=…&longitude=…&current=weather_code,is_day,temperature_2m;
// with `measured`, the current list goes on with precipitation, rain, snowfall, cloud cover,
// visibility and the wind at 10 m.
[[nodiscard]] QUrl forecastUrl(const QUrl& base, Coordinate at, bool measured = false);
// GET <firstGeo>/
[[nodiscard]] QUrl firstGeoUrl(const QUrl& base);
// GET <secondGeo>/v1/ip/geo.json
[[nodiscard]] QUrl secondGeoUrl(const QUrl& base);
// GET <reverseGeocode>/reverse?format=jsonv2&lat=…&lon=…
[[nodiscard]] QUrl reverseGeocodeUrl(const QUrl& base, Coordinate at);

} // namespace tavik
