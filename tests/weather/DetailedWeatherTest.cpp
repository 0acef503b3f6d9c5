#include "settings/ScenePreset.h"
#include "weather/DetailedWeather.h"
#include "weather/SunPosition.h"
#include "weather/WeatherAnswers.h"

#include <gtest/gtest.h>

using namespace tavik;

namespace {

const Coordinate kGreenwich{51.4769, -0.0005};

QDateTime utc(const char* text)
{
    return QDateTime::fromString(QString::fromLatin1(text) + u'Z', Qt::ISODate);
}

std::vector<SettingChange> changesFor(const MeasuredWeather& measured, const char* preset = "rainy-night",
                                      const QDateTime& when = utc("2020-06-21T12:00:00"))
{
    return detailedChanges(measured, ScenePreset::preset(QString::fromLatin1(preset))->scene, kGreenwich, when,
                           QStringLiteral("#FFE6A8"));
}

std::optional<SettingValue> changeOf(const std::vector<SettingChange>& changes, Setting id)
{
    const auto it = std::find_if(changes.begin(), changes.end(), [id](const SettingChange& c) { return c.first == id; });
    return it == changes.end() ? std::nullopt : std::optional(it->second);
}

std::optional<double> amountOf(const std::vector<SettingChange>& changes, Setting id)
{
    const auto value = changeOf(changes, id);
    return value ? std::optional(std::get<double>(*value)) : std::nullopt;
}

} // namespace

// Each measured quantity at the points of its curve, between and beyond them; nothing where the preset's stays.
TEST(DetailedWeather, CurvesHitTheirPointsAndRunStraightBetween)
{
    const struct {
        std::optional<double> MeasuredWeather::*input;
        Setting output, on;
        const char* preset;
        std::vector<std::pair<double, std::optional<double>>> points;
    } curves[] = {
        {&MeasuredWeather::rainMm, Setting::dropsPerSecond, Setting::rainEnabled, "rainy-night",
         {{0, {}}, {0.05, {}}, {0.1, 8}, {0.3, 13}, {1.75, 37}, {5, 65}, {20, 120}, {150, 120}}},
        {&MeasuredWeather::snowfallCm, Setting::snowDensity, Setting::snowEnabled, "rainy-night",
         {{0, {}}, {0.05, {}}, {0.1, 15}, {0.75, 45}, {3, 88}, {4, 100}, {20, 100}}},
        {&MeasuredWeather::windSpeedKmh, Setting::windStrength, Setting::windDynamic, "rainy-night",
         {{0, 0}, {5, 9}, {45, 68}, {90, 100}, {300, 100}}},
        {&MeasuredWeather::visibilityM, Setting::fogDensity, Setting::fogEnabled, "rainy-night",
         {{30000, {}}, {2000, {}}, {1999, 20}, {1050, 60}, {100, 100}, {0, 100}}},
        // Clouds come from 40% cover, or at any cover in a scene that has them.
        {&MeasuredWeather::cloudCoverPercent, Setting::cloudCount, Setting::cloudsEnabled, "rainy-night",
         {{0, {}}, {39.9, {}}, {40, 6}, {100, 14}}},
        {&MeasuredWeather::cloudCoverPercent, Setting::cloudCount, Setting::cloudsEnabled, "storm", {{0, 0}, {30, 4}}},
    };
    for (const auto& curve : curves) {
        for (const auto& [measuredValue, setting] : curve.points) {
            SCOPED_TRACE(std::string(settingInfo(curve.output).key) + " at " + std::to_string(measuredValue));
            MeasuredWeather measured;
            measured.*curve.input = measuredValue;
            const auto changes = changesFor(measured, curve.preset);
            EXPECT_EQ(amountOf(changes, curve.output), setting);
            const bool on = curve.on != Setting::windDynamic; // a measured wind stops the wind's own wandering
            EXPECT_EQ(changeOf(changes, curve.on), setting ? std::optional(SettingValue(on)) : std::nullopt);
        }
    }
    EXPECT_TRUE(changesFor({}, "rainy-night", QDateTime()).empty());
}

TEST(DetailedWeather, WindBlowsFromWhereItComes)
{
    const struct {
        double from, speed;
        std::optional<double> gusts;
        double direction;
        std::optional<double> gustiness;
    } cases[] = {
        {270, 40, {}, 45, {}},  // a westerly drifts right
        {90, 40, {}, -45, {}},  // an easterly left
        {180, 40, 60, 0, 50},   // from the south, half again as strong in the gusts
        {0, 40, 30, 0, 0},      // gusts below the mean count as none
        {360, 40, 400, 0, 100}, // held at full gustiness
        {315, 0, 20, 32, {}},   // a calm has no gust ratio
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        MeasuredWeather measured;
        measured.windFromDeg = c.from;
        measured.windSpeedKmh = c.speed;
        measured.windGustsKmh = c.gusts;
        const auto changes = changesFor(measured);
        EXPECT_EQ(amountOf(changes, Setting::windDirection), c.direction);
        EXPECT_EQ(std::signbit(*amountOf(changes, Setting::windDirection)), c.direction < 0); // never "-0"
        EXPECT_EQ(amountOf(changes, Setting::windGustiness), c.gustiness);
    }
}

TEST(DetailedWeather, TheSunSetsTheShaftsAndTheMoonItsLight)
{
    const struct {
        const char* when;
        int angleSign;           // +1 from the left, -1 from the right, 0 about straight down
        const char* colour;      // nothing: night, the sun's colour is not set
        double moonFrom, moonTo; // -1: no moonlight set
    } cases[] = {
        {"2020-06-21T03:50:00", +1, "#FFB45C", -1, -1}, // just risen in the north-east: golden
        {"2020-06-21T12:02:00", 0, "#FFE6A8", -1, -1},  // noon: the shafts fall steeply
        {"2020-06-21T17:00:00", -1, "#FFE6A8", -1, -1}, // afternoon, from the right
        {"2020-06-21T20:10:00", -1, "#FFB45C", -1, -1}, // about to set: golden
        {"2024-01-11T23:00:00", 0, nullptr, 0, 1},      // new moon
        {"2024-01-25T23:00:00", 0, nullptr, 50, 100},   // full moon
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        const auto changes = changesFor({}, "sunny-day", utc(c.when));
        const bool night = !c.colour;
        EXPECT_EQ(changeOf(changes, Setting::sunRaysEnabled), night ? std::optional(SettingValue(false)) : std::nullopt);
        const auto colour = night ? std::nullopt : std::optional(SettingValue(QString::fromLatin1(c.colour)));
        EXPECT_EQ(changeOf(changes, Setting::sunColorHex), colour);
        const double angle = amountOf(changes, Setting::sunAngle).value_or(0);
        EXPECT_TRUE(c.angleSign == 0 ? std::abs(angle) <= 2 : angle * c.angleSign >= 15) << angle;
        EXPECT_EQ(amountOf(changes, Setting::sunIntensity).value_or(0) > 0, !night);
        const double moon = amountOf(changes, Setting::moonIntensity).value_or(-1);
        EXPECT_TRUE(moon >= c.moonFrom && moon <= c.moonTo) << moon;
    }
}

// Each measured value out of its bounds is dropped alone; the bounds themselves are kept.
TEST(DetailedWeather, HostileMeasuredValuesAreDroppedOneByOne)
{
    const auto decoded = decodeForecast(R"({"current":{"weather_code":61,"is_day":1,"rain":-3,"snowfall":0,
        "cloud_cover":150,"visibility":null,"wind_speed_10m":1e308,"wind_direction_10m":360,"wind_gusts_10m":55,
        "precipitation":"lots"}})");
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->measured, (MeasuredWeather{{}, {}, 0, {}, {}, {}, 360, 55})); // snow, direction and gusts
}

// Ephemeris values (UTC): rise and set of the upper rim, elevation at transit, azimuth at sunset.
TEST(SunPosition, MatchesTheAlmanac)
{
    const struct {
        const char* place;
        Coordinate at;
        const char *sunrise, *sunset;
        double noonElevation, sunsetAzimuth;
    } days[] = {
        {"Greenwich, midsummer", kGreenwich, "2020-06-21T03:42:54", "2020-06-21T20:20:54", 61.97, 311.05},
        {"Sydney, midsummer", {-33.8688, 151.2093}, "2021-12-20T18:40:43", "2021-12-21T09:05:31", 79.57, 240.73},
        {"Quito, equinox", {-0.1807, -78.4678}, "2022-03-20T11:18:01", "2022-03-20T23:24:31", 89.79, 270.13},
        {"Reykjavik, autumn", {64.1466, -21.9426}, "2023-10-15T08:17:07", "2023-10-15T18:08:44", 17.36, 251.72},
        {"New York, winter", {40.7128, -74.0060}, "2024-02-01T12:06:23", "2024-02-01T22:13:08", 32.21, 248.03},
    };
    for (const auto& day : days) {
        SCOPED_TRACE(day.place);
        const SunDay sun = sunDay(day.at, utc(day.sunset).date());
        ASSERT_TRUE(sun.sunrise && sun.sunset);
        EXPECT_LE(std::abs(sun.sunrise->secsTo(utc(day.sunrise))), 120);
        EXPECT_LE(std::abs(sun.sunset->secsTo(utc(day.sunset))), 120);
        EXPECT_NEAR(sunPosition(day.at, sun.solarNoon).elevationDeg, day.noonElevation, 1.0);
        EXPECT_NEAR(sunPosition(day.at, utc(day.sunset)).azimuthDeg, day.sunsetAzimuth, 1.0);
    }
    // Polar days have no sunrise or sunset; the poles themselves give numbers, not NaNs.
    const Coordinate tromso{69.6492, 18.9553};
    EXPECT_FALSE(sunDay(tromso, QDate(2023, 6, 21)).sunrise || sunDay(tromso, QDate(2023, 12, 21)).sunset);
    EXPECT_GT(sunPosition(tromso, utc("2023-06-21T23:00:00")).elevationDeg, 0); // midnight sun
    EXPECT_LT(sunPosition(tromso, utc("2023-12-21T11:00:00")).elevationDeg, 0); // polar night
    for (const double pole : {90.0, -90.0}) {
        const SunPosition p = sunPosition({pole, 0}, utc("2023-06-21T12:00:00"));
        EXPECT_TRUE(std::isfinite(p.azimuthDeg) && std::isfinite(p.elevationDeg));
    }
    // January 2024 (UTC): new moon on the 11th, first quarter on the 18th, full on the 25th.
    EXPECT_LT(moonIlluminatedFraction(utc("2024-01-11T11:57:00")), 0.02);
    EXPECT_NEAR(moonIlluminatedFraction(utc("2024-01-18T03:53:00")), 0.5, 0.08);
    EXPECT_GT(moonIlluminatedFraction(utc("2024-01-25T17:54:00")), 0.98);
}
