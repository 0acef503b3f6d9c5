#include "settings/ScenePreset.h"
#include "weather/Endpoints.h"
#include "weather/WeatherAnswers.h"
#include "weather/WeatherCodes.h"

#include <gtest/gtest.h>

#include <limits>
#include <random>
#include <set>

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

bool hasControl(const QString& s)
{
    return std::any_of(s.begin(), s.end(), [](QChar c) { return c.category() == QChar::Other_Control; });
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
        // The second service sends its numbers as texts.
        {SecondGeo, R"({"latitude":"52.5200","longitude":"+13.4050","city":"Berlin","country":"Germany"})",
         "52.52 13.405 Berlin, Germany"},
        {SecondGeo, R"({"latitude":"-1e1","longitude":"0","region":""})", "-10 0 -"},
        {SecondGeo, R"({"latitude":"abc","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"52.5 ","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"+-5","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"nan","longitude":"13.4"})", nullptr},
        {SecondGeo, R"({"latitude":"52.5","longitude":13.4})", nullptr},
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

TEST(WeatherAnswers, PlaceNameJoinsCityWithRegionOrElseCountry)
{
    const auto text = [](const char* value) { return value ? std::optional(QString::fromUtf8(value)) : std::nullopt; };
    const char* cases[][4] = {
        {"Lyon", nullptr, "France", "Lyon, France"}, {"Lyon", "Auvergne", "France", "Lyon, Auvergne"},
        {"", "Bavaria", nullptr, "Bavaria"},         {"Ulm", "", "Germany", "Ulm"}, // an empty region still counts
        {nullptr, nullptr, "Chile", "Chile"},        {"", "", "Germany", nullptr},
        {nullptr, nullptr, nullptr, nullptr},
    };
    for (const auto& c : cases)
        EXPECT_EQ(placeName(text(c[0]), text(c[1]), text(c[2])), text(c[3])) << c[3];
}

// Seeded mutations of real answers: every decoder takes any bytes without a crash, and what it
// accepts is usable.
TEST(WeatherAnswers, DecodersSurviveMutatedAnswers)
{
    const QByteArray seeds[] = {
        R"({"success":true,"latitude":48.1,"longitude":11.5,"city":"Munich","region":"Bavaria","country":"Germany"})",
        R"({"latitude":"52.5200","longitude":"13.4050","city":"Berlin","region":"Berlin","country":"Germany"})",
        R"({"current":{"weather_code":61,"is_day":1,"temperature_2m":21.5}})",
        R"({"address":{"city":"Graz","town":"x","state":"Styria","country":"Austria"}})",
    };
    const QByteArray tokens[] = {"{", "}", "[", "]", ",", ":", "\"", "null", "true", "1e308", "-0", "\\u0000",
                                 "\"latitude\"", "\"current\"", "\"weather_code\"", "\xff", "9999999999999999999"};
    std::mt19937 random(20240611);
    auto pick = [&random](std::size_t n) { return std::uniform_int_distribution<std::size_t>(0, n - 1)(random); };
    int accepted = 0;
    for (int i = 0; i < 20000; ++i) {
        QByteArray body = seeds[pick(std::size(seeds))];
        for (std::size_t e = 0, edits = 1 + pick(3); e < edits && !body.isEmpty(); ++e) {
            const auto at = static_cast<qsizetype>(pick(static_cast<std::size_t>(body.size())));
            switch (pick(4)) {
            case 0: body[at] = static_cast<char>(pick(256)); break;
            case 1: body.remove(at, 1 + static_cast<qsizetype>(pick(8))); break;
            case 2: body.insert(at, tokens[pick(std::size(tokens))]); break;
            case 3: body.insert(at, body.mid(at, 16)); break;
            }
        }
        for (const Service service : {Service::FirstGeo, Service::SecondGeo, Service::Forecast, Service::Reverse}) {
            const auto read = decoded(service, body);
            accepted += read.has_value();
            EXPECT_FALSE(read && (read->isEmpty() || hasControl(*read) || read->contains(u"nan") || read->contains(u"inf")));
        }
    }
    // The corpus must reach the accepting paths too, or it tests only the parser's front door.
    EXPECT_GT(accepted, 1000) << accepted;
}

TEST(WeatherCodes, EveryCodeHasItsConditionAndScene)
{
    const struct {
        std::vector<qint64> codes;
        const char* condition; // nothing: no name
        const char* day;
        const char* night;
    } rows[] = {
        {{0}, "clear sky", "sunny-day", "moonlit-night"},
        {{1}, "mainly clear", "sunny-day", "moonlit-night"},
        {{2}, "partly cloudy", "sunny-day", "moonlit-night"},
        {{3}, "overcast", "overcast", "overcast"},
        {{45, 48}, "fog", "foggy-morning", "overcast"},
        {{51, 53, 55}, "drizzle", "rainy-night", "rainy-night"},
        {{56, 57}, "freezing drizzle", "rainy-night", "rainy-night"},
        {{61, 63, 65}, "rain", "rainy-night", "rainy-night"},
        {{66, 67}, "freezing rain", "rainy-night", "rainy-night"},
        {{52, 54, 58, 59, 60, 62, 64}, nullptr, "rainy-night", "rainy-night"},
        {{71, 73, 75}, "snow", "snowfall", "snowfall"},
        {{77}, "snow grains", "snowfall", "snowfall"},
        {{72, 74, 76}, nullptr, "snowfall", "snowfall"},
        {{80, 81, 82}, "rain showers", "rainy-night", "rainy-night"},
        {{85, 86}, "snow showers", "snowfall", "snowfall"},
        {{95}, "thunderstorm", "storm", "storm"},
        {{96, 99}, "thunderstorm with hail", "storm", "storm"},
        {{97, 98}, nullptr, "storm", "storm"},
    };
    std::map<qint64, std::tuple<QString, QString, QString>> expected;
    for (qint64 code = -5; code <= 110; ++code)
        expected[code] = {QStringLiteral("\u2014"), QStringLiteral("overcast"), QStringLiteral("overcast")};
    for (const qint64 code : {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()})
        expected[code] = expected[0];
    for (const auto& row : rows) {
        for (const qint64 code : row.codes)
            expected[code] = {row.condition ? QString::fromUtf8(row.condition) : QStringLiteral("\u2014"),
                              QString::fromLatin1(row.day), QString::fromLatin1(row.night)};
    }
    for (const auto& [code, want] : expected) {
        SCOPED_TRACE(code);
        EXPECT_EQ(std::tuple(describeCode(code), presetIdForCode(code, true), presetIdForCode(code, false)), want);
        EXPECT_EQ(sceneForCode(code, false).id, std::get<2>(want));
    }
}

TEST(WeatherCodes, TemperatureRoundsHalvesAwayFromZero)
{
    const std::pair<double, const char*> cases[] = {
        {21.5, "22"}, {-0.4, "0"}, {-2.5, "-3"}, {2.5, "3"}, {-0.5, "-1"}, {0.49, "0"}, {-1000, "-1000"},
        // Numbers no thermometer shows give no text rather than an overflow.
        {1e300, nullptr}, {-1e19, nullptr}, {1000.5, nullptr}, {std::numeric_limits<double>::quiet_NaN(), nullptr},
    };
    for (const auto& [celsius, text] : cases) {
        EXPECT_EQ(temperatureText(celsius), text ? std::optional(QString::fromLatin1(text) + QStringLiteral("\u00B0C")) : std::nullopt)
            << celsius;
    }
    EXPECT_EQ(temperatureText(std::nullopt), std::nullopt);
}

TEST(Endpoints, RequestUrlsCarryShortestPlainDecimals)
{
    const QUrl base(QStringLiteral("http://127.0.0.1:8080"));
    EXPECT_EQ(forecastUrl(base, {13, -2.5}).toString(QUrl::FullyEncoded),
              u"http://127.0.0.1:8080/v1/forecast?latitude=13.0&longitude=-2.5&current=weather_code,is_day,temperature_2m");
    // A base with a path of its own keeps it.
    EXPECT_EQ(forecastUrl(QUrl(QStringLiteral("https://h.example/api/")), {1.25, 2}).path(), u"/api/v1/forecast");
    EXPECT_EQ(secondGeoUrl(base).toString(), u"http://127.0.0.1:8080/v1/ip/geo.json");
    EXPECT_EQ(reverseGeocodeUrl(base, {0.00001, -180}).toString(QUrl::FullyEncoded),
              u"http://127.0.0.1:8080/reverse?format=jsonv2&lat=0.00001&lon=-180.0");
    EXPECT_TRUE(decimalText(std::numeric_limits<double>::infinity()).isEmpty());
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> degrees(-180, 180);
    for (int i = 0; i < 2000; ++i) {
        const double value = degrees(random);
        const QString text = decimalText(value);
        EXPECT_TRUE(text.toDouble() == value && text.contains(u'.') && !text.contains(u'e')) << text.toStdString();
    }
}

TEST(Endpoints, ServicesAreRedirectedOnlyToHttpUrls)
{
    EXPECT_TRUE(parseBaseUrl(QStringLiteral("https://example.org/prefix")));
    for (const char* bad : {"", "127.0.0.1:9", "file:///etc/passwd", "ftp://h", "http://", "http://user:pw@h/",
                            "javascript:alert(1)", "http://h h/"}) {
        EXPECT_FALSE(parseBaseUrl(QString::fromUtf8(bad))) << bad;
    }
}
