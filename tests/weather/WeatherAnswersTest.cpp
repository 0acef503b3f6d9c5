#include "settings/ScenePreset.h"
#include "weather/WeatherAnswers.h"
#include "weather/WeatherCodes.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tavik;

namespace {

enum class Service { FirstGeo, SecondGeo, Forecast, Reverse };

// What a decoder made of an answer, in one line; nothing when it refused the answer.
std::optional<QString> decoded(Service service, const QByteArray& body)
{
    const auto geo = [](const std::optional<GeoAnswer>& a) -> std::optional<QString> {
        if (!a)
            return std::nullopt;
        return QStringLiteral("%1 %2 %3").arg(a->coordinate.lat).arg(a->coordinate.lon).arg(a->place.value_or("-"));
    };
    switch (service) {
    case Service::FirstGeo: return geo(decodeFirstGeo(body));
    case Service::SecondGeo: return geo(decodeSecondGeo(body));
    case Service::Forecast:
        if (const auto f = decodeForecast(body))
            return QStringLiteral("%1 %2 %3").arg(f->code).arg(f->isDay ? "day" : "night").arg(f->tempC.value_or(-99));
        return std::nullopt;
    case Service::Reverse: return decodeReverseGeocode(body);
    }
    return std::nullopt;
}

} // namespace

TEST(WeatherAnswers, EachServiceAnswerIsReadOrRefusedWhole)
{
    using enum Service;
    const struct {
        Service service;
        const char* body;
        const char* read; // nothing: refused
    } cases[] = {
        {FirstGeo, R"({"success":true,"latitude":48.1,"longitude":11.5,"city":"Munich","region":"Bavaria","country":"Germany"})",
         "48.1 11.5 Munich, Bavaria"},
        {FirstGeo, R"({"latitude":-33,"longitude":151,"city":null,"country":"Australia"})", "-33 151 Australia"},
        {FirstGeo, R"({"success":false,"latitude":48.1,"longitude":11.5})", nullptr},
        {FirstGeo, R"({"success":"true","latitude":48.1,"longitude":11.5})", nullptr},
        {FirstGeo, R"({"latitude":"48.1","longitude":11.5})", nullptr},
        {FirstGeo, R"({"latitude":91,"longitude":11.5})", nullptr},
        {FirstGeo, R"({"latitude":48.1,"longitude":-181})", nullptr},
        {FirstGeo, R"({"latitude":48.1,"longitude":11.5,"city":7})", nullptr},
        {FirstGeo, "<html>rate limited</html>", nullptr},
        {SecondGeo, R"({"latitude":"52.5200","longitude":"+13.4050","city":"Berlin","country":"Germany"})",
         "52.52 13.405 Berlin, Germany"},
        {SecondGeo, R"({"latitude":"-1e1","longitude":"0","region":""})", "-10 0 -"},
        {SecondGeo, R"({"latitude":"abc","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"52.5 ","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"+-5","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"nan","longitude":"13.4"})", nullptr},
        {Forecast, R"({"latitude":1,"current":{"time":"x","weather_code":61,"is_day":1,"temperature_2m":21.5}})", "61 day 21.5"},
        {Forecast, R"({"current":{"weather_code":0.0,"is_day":2}})", "0 night -99"}, // only 1 is day
        {Forecast, R"({"current":{"weather_code":3,"is_day":0,"temperature_2m":null}})", "3 night -99"},
        {Forecast, R"({"current":null})", nullptr},
        {Forecast, R"({"current":{"is_day":1}})", nullptr},
        {Forecast, R"({"current":{"weather_code":61.5,"is_day":1}})", nullptr},
        {Forecast, R"({"current":{"weather_code":61,"is_day":true}})", nullptr},
        {Forecast, R"({"current":{"weather_code":61,"is_day":1,"temperature_2m":"20"}})", nullptr},
        {Forecast, R"({"current":{"weather_code":1e300,"is_day":1}})", nullptr},
        // A name is a nicety: the first of city, town or village, with the state or else the country.
        {Reverse, R"({"address":{"city":"Graz","state":"Styria","country":"Austria"}})", "Graz, Styria"},
        {Reverse, R"({"address":{"city":"","village":"Hallstatt","state":"Upper Austria"}})", "Hallstatt, Upper Austria"},
        {Reverse, R"({"address":{"city":7,"state":"Tyrol","country":""}})", "Tyrol"},
        {Reverse, R"({"address":{"county":"Nowhere"}})", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.body);
        EXPECT_EQ(decoded(c.service, c.body), c.read ? std::optional(QString::fromUtf8(c.read)) : std::nullopt);
    }
    // A name cannot break the one-line texts it ends up in, nor be a megabyte long.
    const auto name = decodeReverseGeocode(R"({"address":{"city":"Evil\nstatus: live","state":")" + QByteArray(5000, 'x') + "\"}}");
    ASSERT_TRUE(name);
    EXPECT_TRUE(name->startsWith(u"Evil status: live, xxx"));
    EXPECT_LE(name->size(), 200);
}

TEST(WeatherCodes, CodeRangesChooseTheSceneAndNamedCodesTheirWords)
{
    const qint64 huge = std::numeric_limits<qint64>::max();
    const struct {
        std::vector<qint64> codes; // the ends of each range, and codes just beside them
        const char *day, *night;
    } scenes[] = {
        {{0, 2}, "sunny-day", "moonlit-night"},
        {{45, 48}, "foggy-morning", "overcast"},
        {{51, 67, 80, 82}, "rainy-night", "rainy-night"},
        {{71, 77, 85, 86}, "snowfall", "snowfall"},
        {{95, 99}, "storm", "storm"},
        {{-huge - 1, -1, 3, 44, 46, 50, 68, 70, 78, 79, 83, 84, 87, 94, 100, huge}, "overcast", "overcast"},
    };
    for (const auto& row : scenes) {
        for (const qint64 code : row.codes) {
            SCOPED_TRACE(code);
            EXPECT_EQ(presetIdForCode(code, true), QString::fromLatin1(row.day));
            EXPECT_EQ(presetIdForCode(code, false), QString::fromLatin1(row.night));
            EXPECT_EQ(sceneForCode(code, false).id, QString::fromLatin1(row.night));
        }
    }
    const std::pair<qint64, const char*> names[] = {
        {0, "clear sky"}, {3, "overcast"}, {48, "fog"}, {57, "freezing drizzle"}, {77, "snow grains"},
        {86, "snow showers"}, {99, "thunderstorm with hail"}, {97, "\u2014"}, {-1, "\u2014"},
    };
    for (const auto& [code, name] : names)
        EXPECT_EQ(describeCode(code), QString::fromUtf8(name)) << code;
}

TEST(WeatherCodes, TemperatureRoundsHalvesAwayFromZero)
{
    const std::pair<std::optional<double>, const char*> cases[] = {
        {21.5, "22"}, {-0.4, "0"}, {-2.5, "-3"}, {-1000, "-1000"},
        // Numbers no thermometer shows give no text rather than an overflow.
        {1e300, nullptr}, {1000.5, nullptr}, {std::numeric_limits<double>::quiet_NaN(), nullptr}, {{}, nullptr},
    };
    for (const auto& [celsius, text] : cases) {
        EXPECT_EQ(temperatureText(celsius), text ? std::optional(QString::fromLatin1(text) + QStringLiteral("\u00B0C")) : std::nullopt)
            << celsius.value_or(-1);
    }
}
