#include "settings/ScenePreset.h"
#include "weather/Endpoints.h"
#include "weather/WeatherCodes.h"

#include <gtest/gtest.h>

#include <QUrlQuery>

#include <limits>
#include <random>
#include <set>
#include <vector>

using namespace tavik;

namespace {

struct CodeRow {
    std::vector<qint64> codes;
    const char* condition;
    const char* dayPreset;
    const char* nightPreset;
};

const QString kDash = QStringLiteral("\u2014");

// The weather table as the settings panel promises it, one row per line.
const std::vector<CodeRow>& codeTable()
{
    static const std::vector<CodeRow> rows = {
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
    return rows;
}

} // namespace

TEST(WeatherCodes, EveryRowOfTheTable)
{
    std::set<qint64> listed;
    for (const CodeRow& row : codeTable()) {
        for (qint64 code : row.codes) {
            SCOPED_TRACE(code);
            listed.insert(code);
            EXPECT_EQ(describeCode(code), row.condition ? QString::fromUtf8(row.condition) : kDash);
            EXPECT_EQ(presetIdForCode(code, true), QLatin1String(row.dayPreset));
            EXPECT_EQ(presetIdForCode(code, false), QLatin1String(row.nightPreset));
            EXPECT_EQ(sceneForCode(code, true).id, QLatin1String(row.dayPreset));
        }
    }
    // Everything else is an overcast sky without a name.
    std::vector<qint64> others = {std::numeric_limits<qint64>::min(), -1000, std::numeric_limits<qint64>::max(), 1000};
    for (qint64 code = -5; code <= 110; ++code)
        others.push_back(code);
    for (qint64 code : others) {
        if (listed.count(code))
            continue;
        SCOPED_TRACE(code);
        EXPECT_EQ(describeCode(code), kDash);
        EXPECT_EQ(presetIdForCode(code, true), u"overcast");
        EXPECT_EQ(presetIdForCode(code, false), u"overcast");
    }
    EXPECT_EQ(sceneForCode(61, true).label, u"rainy night"); // what the status shows
}

TEST(WeatherCodes, TemperatureRoundsHalvesAwayFromZero)
{
    EXPECT_EQ(temperatureText(21.5), QStringLiteral("22\u00B0C"));
    EXPECT_EQ(temperatureText(-0.4), QStringLiteral("0\u00B0C")); // not "-0"
    EXPECT_EQ(temperatureText(-2.5), QStringLiteral("-3\u00B0C"));
    EXPECT_EQ(temperatureText(2.5), QStringLiteral("3\u00B0C"));
    EXPECT_EQ(temperatureText(-0.5), QStringLiteral("-1\u00B0C"));
    EXPECT_EQ(temperatureText(0.49), QStringLiteral("0\u00B0C"));
    EXPECT_EQ(temperatureText(std::nullopt), std::nullopt);
    // Numbers no thermometer shows give no text rather than an overflow.
    EXPECT_EQ(temperatureText(1e300), std::nullopt);
    EXPECT_EQ(temperatureText(-1e19), std::nullopt);
    EXPECT_EQ(temperatureText(std::numeric_limits<double>::quiet_NaN()), std::nullopt);
}

TEST(Endpoints, DecimalTextIsShortestPlainAndRoundTrips)
{
    EXPECT_EQ(decimalText(13), u"13.0");
    EXPECT_EQ(decimalText(-2.5), u"-2.5");
    EXPECT_EQ(decimalText(0.1), u"0.1");
    EXPECT_EQ(decimalText(52.520008), u"52.520008");
    EXPECT_EQ(decimalText(1e-5), u"0.00001");
    EXPECT_EQ(decimalText(-180), u"-180.0");
    EXPECT_TRUE(decimalText(std::numeric_limits<double>::infinity()).isEmpty());

    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> degrees(-180, 180);
    for (int i = 0; i < 2000; ++i) {
        const double value = degrees(random);
        const QString text = decimalText(value);
        bool ok = false;
        EXPECT_EQ(text.toDouble(&ok), value) << text.toStdString();
        EXPECT_TRUE(ok && text.contains(u'.') && !text.contains(u'e'));
    }
}

TEST(Endpoints, RequestUrls)
{
    const QUrl base(QStringLiteral("http://127.0.0.1:8080"));
    EXPECT_EQ(forecastUrl(base, {13, -2.5}).toString(QUrl::FullyEncoded),
              u"http://127.0.0.1:8080/v1/forecast?latitude=13.0&longitude=-2.5&current=weather_code,is_day,temperature_2m");
    // A base with a path of its own keeps it.
    EXPECT_EQ(forecastUrl(QUrl(QStringLiteral("https://h.example/api/")), {1.25, 2}).path(), u"/api/v1/forecast");
    EXPECT_EQ(firstGeoUrl(base).toString(), u"http://127.0.0.1:8080/");
    EXPECT_EQ(secondGeoUrl(base).toString(), u"http://127.0.0.1:8080/v1/ip/geo.json");
    EXPECT_EQ(reverseGeocodeUrl(base, {51.5, -0.12}).toString(QUrl::FullyEncoded),
              u"http://127.0.0.1:8080/reverse?format=jsonv2&lat=51.5&lon=-0.12");
}

TEST(Endpoints, EnvironmentRedirectsOnlyToHttpUrls)
{
    EXPECT_TRUE(parseBaseUrl(QStringLiteral("http://127.0.0.1:9")));
    EXPECT_TRUE(parseBaseUrl(QStringLiteral("https://example.org/prefix")));
    for (const char* bad : {"", "127.0.0.1:9", "file:///etc/passwd", "ftp://h", "http://", "http://user:pw@h/",
                            "javascript:alert(1)", "http://h h/"}) {
        EXPECT_FALSE(parseBaseUrl(QString::fromUtf8(bad))) << bad;
    }

    qputenv("TAVIK_GEO1_URL", "http://127.0.0.1:4321/x");
    qputenv("TAVIK_GEO2_URL", "not a url");
    QStringList rejected;
    const WeatherEndpoints endpoints = WeatherEndpoints::fromEnvironment(&rejected);
    qunsetenv("TAVIK_GEO1_URL");
    qunsetenv("TAVIK_GEO2_URL");
    EXPECT_EQ(endpoints.firstGeo.port(), 4321);
    EXPECT_EQ(endpoints.secondGeo, WeatherEndpoints::defaults().secondGeo);
    EXPECT_EQ(rejected, QStringList{QStringLiteral("TAVIK_GEO2_URL")});
    EXPECT_EQ(WeatherEndpoints::defaults().forecast.scheme(), u"https");
}
