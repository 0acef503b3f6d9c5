#include "weather/Endpoints.h"

#include <QUrlQuery>

#include <array>
#include <charconv>
#include <cmath>
#include <optional>

namespace tavik {

namespace {

constexpr const char* kDefaultForecast = "https://api.open-meteo.com";
constexpr const char* kDefaultFirstGeo = "https://ipwho.is";
constexpr const char* kDefaultSecondGeo = "https://get.geojs.io";
constexpr const char* kDefaultReverseGeocode = "https://nominatim.openstreetmap.org";

// The base with `path` appended to its own path; query and fragment of the base are dropped.
QUrl withPath(const QUrl& base, const QString& path)
{
    QUrl url = base;
    QString prefix = base.path();
    while (prefix.endsWith(u'/'))
        prefix.chop(1);
    url.setPath(prefix + path);
    url.setQuery(QString());
    url.setFragment(QString());
    return url;
}

void override(QUrl& endpoint, const char* variable, QStringList* rejected)
{
    if (!qEnvironmentVariableIsSet(variable))
        return;
    if (auto url = parseBaseUrl(qEnvironmentVariable(variable)))
        endpoint = *url;
    else if (rejected)
        rejected->append(QString::fromLatin1(variable));
}

} // namespace

WeatherEndpoints WeatherEndpoints::defaults()
{
    return {QUrl(QString::fromLatin1(kDefaultForecast)), QUrl(QString::fromLatin1(kDefaultFirstGeo)),
            QUrl(QString::fromLatin1(kDefaultSecondGeo)), QUrl(QString::fromLatin1(kDefaultReverseGeocode))};
}

WeatherEndpoints WeatherEndpoints::fromEnvironment(QStringList* rejected)
{
    WeatherEndpoints endpoints = defaults();
    override(endpoints.forecast, "TAVIK_FORECAST_URL", rejected);
    override(endpoints.firstGeo, "TAVIK_GEO1_URL", rejected);
    override(endpoints.secondGeo, "TAVIK_GEO2_URL", rejected);
    override(endpoints.reverseGeocode, "TAVIK_REVERSE_GEOCODE_URL", rejected);
    return endpoints;
}

std::optional<QUrl> parseBaseUrl(const QString& text)
{
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    if (!url.isValid() || (scheme != u"http" && scheme != u"https") || url.host().isEmpty() || !url.userInfo().isEmpty())
        return std::nullopt;
    return url;
}

QString decimalText(double value)
{
    if (!std::isfinite(value))
        return {};
    // Plain notation keeps tiny values readable by every service ("0.00001", not "1e-05").
    std::array<char, 400> buffer{};
    const auto [end, error] = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    if (error != std::errc())
        return QStringLiteral("0.0");
    QString text = QString::fromLatin1(buffer.data(), end - buffer.data());
    if (!text.contains(u'.'))
        text += QStringLiteral(".0");
    return text;
}

QUrl forecastUrl(const QUrl& base, Coordinate at, bool measured)
{
    QUrl url = withPath(base, QStringLiteral("/v1/forecast"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("latitude"), decimalText(at.lat));
    query.addQueryItem(QStringLiteral("longitude"), decimalText(at.lon));
    QString current = QStringLiteral("weather_code,is_day,temperature_2m");
    if (measured)
        current += QStringLiteral(",precipitation,rain,snowfall,cloud_cover,visibility,wind_speed_10m,"
                                  "wind_direction_10m,wind_gusts_10m");
    query.addQueryItem(QStringLiteral("current"), current);
    url.setQuery(query);
    return url;
}

QUrl firstGeoUrl(const QUrl& base)
{
    return withPath(base, QStringLiteral("/"));
}

QUrl secondGeoUrl(const QUrl& base)
{
    return withPath(base, QStringLiteral("/v1/ip/geo.json"));
}

QUrl reverseGeocodeUrl(const QUrl& base, Coordinate at)
{
    QUrl url = withPath(base, QStringLiteral("/reverse"));
    QUrlQuery query;
    query.addQueryItem(QStringLiteral("format"), QStringLiteral("jsonv2"));
    query.addQueryItem(QStringLiteral("lat"), decimalText(at.lat));
    query.addQueryItem(QStringLiteral("lon"), decimalText(at.lon));
    url.setQuery(query);
    return url;
}

} // namespace tavik
