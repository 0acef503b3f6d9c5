#include "weather/WeatherAnswers.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <charconv>
#include <cmath>

namespace tavik {

namespace {

// Place names end up in one-line texts: control characters would break a line apart, and a
// hostile service could send a megabyte of name.
constexpr qsizetype kMaxNameLength = 80;
// Beyond this a double no longer holds every integer, so the code could not be what was sent.
constexpr double kMaxExactInteger = 9007199254740992.0;

QString cleanName(QString text)
{
    for (QChar& c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    if (text.size() > kMaxNameLength) {
        text.truncate(kMaxNameLength);
        if (text.back().isHighSurrogate())
            text.chop(1);
    }
    return text;
}

// A member that decodes as "absent", a value, or a failure of the whole answer.
template <typename T>
struct Member {
    bool ok = true;
    std::optional<T> value;
};

std::optional<QJsonObject> objectOf(const QByteArray& body)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

bool absent(const QJsonValue& value)
{
    return value.isUndefined() || value.isNull();
}

Member<QString> optionalText(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (absent(value))
        return {};
    if (!value.isString())
        return {false, {}};
    return {true, cleanName(value.toString())};
}

Member<double> optionalNumber(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (absent(value))
        return {};
    if (!value.isDouble() || !std::isfinite(value.toDouble()))
        return {false, {}};
    return {true, value.toDouble()};
}

Member<bool> optionalFlag(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (absent(value))
        return {};
    if (!value.isBool())
        return {false, {}};
    return {true, value.toBool()};
}

std::optional<qint64> requiredInteger(const QJsonObject& object, const char* key)
{
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || std::trunc(number) != number || std::abs(number) > kMaxExactInteger)
        return std::nullopt;
    return static_cast<qint64>(number);
}

// A measured value within [minimum, maximum]; anything else counts as not measured.
std::optional<double> measuredValue(const QJsonObject& object, const char* key, double minimum, double maximum)
{
    const QJsonValue value = object.value(QLatin1StringView(key));
    if (!value.isDouble())
        return std::nullopt;
    const double number = value.toDouble();
    if (!std::isfinite(number) || number < minimum || number > maximum)
        return std::nullopt;
    return number;
}

MeasuredWeather measuredWeather(const QJsonObject& values)
{
    // The bounds lie beyond any weather ever recorded; what is past them is a broken answer.
    MeasuredWeather m;
    m.precipitationMm = measuredValue(values, "precipitation", 0, 500);
    m.rainMm = measuredValue(values, "rain", 0, 500);
    m.snowfallCm = measuredValue(values, "snowfall", 0, 200);
    m.cloudCoverPercent = measuredValue(values, "cloud_cover", 0, 100);
    m.visibilityM = measuredValue(values, "visibility", 0, 1'000'000);
    m.windSpeedKmh = measuredValue(values, "wind_speed_10m", 0, 500);
    m.windFromDeg = measuredValue(values, "wind_direction_10m", 0, 360);
    m.windGustsKmh = measuredValue(values, "wind_gusts_10m", 0, 700);
    return m;
}

struct PlaceParts {
    Member<QString> city, region, country;
    [[nodiscard]] bool ok() const { return city.ok && region.ok && country.ok; }
    [[nodiscard]] std::optional<QString> name() const { return placeName(city.value, region.value, country.value); }
};

PlaceParts placePartsOf(const QJsonObject& object)
{
    return {optionalText(object, "city"), optionalText(object, "region"), optionalText(object, "country")};
}

std::optional<GeoAnswer> geoAnswer(Coordinate coordinate, const PlaceParts& parts)
{
    if (!coordinate.isValid() || !parts.ok())
        return std::nullopt;
    return GeoAnswer{coordinate, parts.name()};
}

} // namespace

std::optional<QString> placeName(const std::optional<QString>& city, const std::optional<QString>& region,
                                 const std::optional<QString>& country)
{
    const std::optional<QString>& second = region ? region : country;
    QStringList parts;
    for (const auto* part : {&city, &second}) {
        if (*part && !(*part)->isEmpty())
            parts << **part;
    }
    if (parts.isEmpty())
        return std::nullopt;
    return parts.join(QStringLiteral(", "));
}

std::optional<GeoAnswer> decodeFirstGeo(const QByteArray& body)
{
    const auto object = objectOf(body);
    if (!object)
        return std::nullopt;
    const auto success = optionalFlag(*object, "success");
    const auto lat = optionalNumber(*object, "latitude");
    const auto lon = optionalNumber(*object, "longitude");
    if (!success.ok || success.value == false || !lat.value || !lon.value)
        return std::nullopt;
    return geoAnswer({*lat.value, *lon.value}, placePartsOf(*object));
}

std::optional<GeoAnswer> decodeSecondGeo(const QByteArray& body)
{
    const auto object = objectOf(body);
    if (!object)
        return std::nullopt;
    const QJsonValue latText = object->value(QLatin1StringView("latitude"));
    const QJsonValue lonText = object->value(QLatin1StringView("longitude"));
    if (!latText.isString() || !lonText.isString())
        return std::nullopt;
    const auto lat = parseNumberText(latText.toString());
    const auto lon = parseNumberText(lonText.toString());
    if (!lat || !lon)
        return std::nullopt;
    return geoAnswer({*lat, *lon}, placePartsOf(*object));
}

std::optional<ForecastAnswer> decodeForecast(const QByteArray& body)
{
    const auto object = objectOf(body);
    if (!object)
        return std::nullopt;
    const QJsonValue current = object->value(QLatin1StringView("current"));
    if (!current.isObject())
        return std::nullopt;
    const QJsonObject values = current.toObject();
    const auto code = requiredInteger(values, "weather_code");
    const auto isDay = requiredInteger(values, "is_day");
    const auto temperature = optionalNumber(values, "temperature_2m");
    if (!code || !isDay || !temperature.ok)
        return std::nullopt;
    return ForecastAnswer{*code, *isDay == 1, temperature.value, measuredWeather(values)};
}

std::optional<QString> decodeReverseGeocode(const QByteArray& body)
{
    const auto object = objectOf(body);
    if (!object)
        return std::nullopt;
    const QJsonValue address = object->value(QLatin1StringView("address"));
    if (!address.isObject())
        return std::nullopt;
    const QJsonObject parts = address.toObject();
    // A member of the wrong type is simply not used: the name is a nicety, never a failure.
    auto text = [&parts](const char* key) -> std::optional<QString> {
        const QJsonValue value = parts.value(QLatin1StringView(key));
        return value.isString() ? std::optional(cleanName(value.toString())) : std::nullopt;
    };
    std::optional<QString> city;
    for (const char* key : {"city", "town", "village"}) {
        city = text(key);
        if (city && !city->isEmpty())
            break;
    }
    return placeName(city, text("state"), text("country"));
}

std::optional<double> parseNumberText(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    const char* begin = bytes.constData();
    const char* end = begin + bytes.size();
    // from_chars takes no plus sign; a second sign after it must still fail.
    if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    double value = 0;
    const auto [stop, error] = std::from_chars(begin, end, value, std::chars_format::general);
    if (begin == end || error != std::errc() || stop != end)
        return std::nullopt;
    return value;
}

} // namespace tavik
