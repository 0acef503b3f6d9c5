#include "settings/ScenePreset.h"
#include "weather/DetailedWeather.h"
#include "weather/WeatherAnswers.h"

#include <gtest/gtest.h>

#include <QTimeZone>

using namespace tavik;

namespace {

const Coordinate kGreenwich{51.4769, -0.0005};
const QString kDaylight = QStringLiteral("#FFE6A8");

QDateTime utc(const char* text)
{
    QDateTime t = QDateTime::fromString(QString::fromLatin1(text), Qt::ISODate);
    t.setTimeZone(QTimeZone::utc());
    return t;
}

const SceneValues& preset(const char* id)
{
    return ScenePreset::preset(QString::fromLatin1(id))->scene;
}

std::vector<SettingChange> changesFor(const MeasuredWeather& measured, const char* presetId = "rainy-night",
                                      const QDateTime& when = utc("2020-06-21T12:00:00"))
{
    return detailedChanges(measured, preset(presetId), kGreenwich, when, kDaylight);
}

std::optional<SettingValue> changeOf(const std::vector<SettingChange>& changes, Setting id)
{
    for (const auto& [setting, value] : changes) {
        if (setting == id)
            return value;
    }
    return std::nullopt;
}

std::optional<double> amountOf(const std::vector<SettingChange>& changes, Setting id)
{
    const auto value = changeOf(changes, id);
    return value ? std::optional(std::get<double>(*value)) : std::nullopt;
}

struct Point {
    double measured;
    std::optional<double> setting; // nothing: the setting is left as the preset set it
};

// Each measured quantity with the points of its curve, points between them (the midpoint of a
// straight line, rounded half away from zero), and beyond both ends.
struct CurveCase {
    const char* name;
    std::optional<double> MeasuredWeather::*input;
    Setting output;
    std::vector<Point> points;
};

const CurveCase kCurves[] = {
    {"rain", &MeasuredWeather::rainMm, Setting::dropsPerSecond,
     {{0.05, {}}, {0.1, 8}, {0.3, 13}, {0.5, 18}, {0.75, 23}, {1, 28}, {1.75, 37}, {2.5, 45}, {3.75, 55}, {5, 65},
      {7.5, 78}, {10, 90}, {15, 105}, {20, 120}, {150, 120}}},
    {"snow", &MeasuredWeather::snowfallCm, Setting::snowDensity,
     {{0.05, {}}, {0.1, 15}, {0.3, 25}, {0.5, 35}, {0.75, 45}, {1, 55}, {1.5, 65}, {2, 75}, {3, 88}, {4, 100},
      {20, 100}}},
    {"wind", &MeasuredWeather::windSpeedKmh, Setting::windStrength,
     {{0, 0}, {5, 9}, {10, 18}, {20, 34}, {30, 50}, {40, 62}, {45, 68}, {60, 85}, {75, 93}, {90, 100}, {300, 100}}},
    {"visibility", &MeasuredWeather::visibilityM, Setting::fogDensity,
     {{30000, {}}, {2000, {}}, {1999, 20}, {1050, 60}, {100, 100}, {0, 100}}},
};

} // namespace

TEST(DetailedWeatherTest, CurvesHitTheirPointsAndRunStraightBetween)
{
    for (const CurveCase& curve : kCurves) {
        for (const Point& point : curve.points) {
            SCOPED_TRACE(std::string(curve.name) + " at " + std::to_string(point.measured));
            MeasuredWeather measured;
            measured.*curve.input = point.measured;
            const auto changes = changesFor(measured);
            EXPECT_EQ(amountOf(changes, curve.output), point.setting);
            const double max = settingInfo(curve.output).maximum;
            if (const auto value = amountOf(changes, curve.output)) {
                EXPECT_LE(*value, max);
            }
        }
    }
}

TEST(DetailedWeatherTest, PrecipitationAndFogSwitchTheirEffectsOn)
{
    MeasuredWeather measured;
    measured.rainMm = 0.1;
    measured.snowfallCm = 0.5;
    measured.visibilityM = 900;
    const auto changes = changesFor(measured, "sunny-day");
    EXPECT_EQ(changeOf(changes, Setting::rainEnabled), SettingValue(true));
    EXPECT_EQ(changeOf(changes, Setting::snowEnabled), SettingValue(true));
    EXPECT_EQ(changeOf(changes, Setting::fogEnabled), SettingValue(true));

    // A trace of rain, a clear sky and nothing at all leave the preset's own switches alone.
    measured = {};
    measured.rainMm = 0.05;
    measured.snowfallCm = 0;
    measured.visibilityM = 24000;
    for (const auto& c : {changesFor(measured), changesFor({})}) {
        EXPECT_FALSE(changeOf(c, Setting::rainEnabled));
        EXPECT_FALSE(changeOf(c, Setting::snowEnabled));
        EXPECT_FALSE(changeOf(c, Setting::fogEnabled));
        EXPECT_FALSE(changeOf(c, Setting::windDynamic));
    }
}

TEST(DetailedWeatherTest, WindBlowsFromWhereItComes)
{
    const struct {
        double from, speed;
        std::optional<double> gusts;
        double direction;
        std::optional<double> gustiness;
    } cases[] = {
        {270, 40, {}, 45, {}},     // a westerly drifts right
        {90, 40, {}, -45, {}},     // an easterly left
        {180, 40, 60, 0, 50},      // from the south, half again as strong in the gusts
        {0, 40, 30, 0, 0},         // gusts below the mean count as none
        {360, 40, 400, 0, 100},    // held at full gustiness
        {225, 10, 10, 32, 0},      // south-west
        {315, 0, 20, 32, {}},      // a calm has no gust ratio
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
        EXPECT_EQ(changeOf(changes, Setting::windDynamic), SettingValue(false));
    }
}

TEST(DetailedWeatherTest, CloudCoverCountsCloudsAndBringsThemFromFortyPercent)
{
    const struct {
        const char* preset;
        double cover;
        std::optional<double> count; // nothing: clouds left as the preset set them
    } cases[] = {
        {"storm", 80, 11}, {"storm", 30, 4}, {"storm", 0, 0}, {"storm", 100, 14},
        {"sunny-day", 30, {}}, {"sunny-day", 39.9, {}}, {"sunny-day", 40, 6}, {"sunny-day", 80, 11},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.preset) + " " + std::to_string(c.cover));
        MeasuredWeather measured;
        measured.cloudCoverPercent = c.cover;
        const auto changes = changesFor(measured, c.preset);
        EXPECT_EQ(amountOf(changes, Setting::cloudCount), c.count);
        EXPECT_EQ(changeOf(changes, Setting::cloudsEnabled), c.count ? std::optional(SettingValue(true)) : std::nullopt);
    }
}

TEST(DetailedWeatherTest, TheSunSetsTheShafts)
{
    const struct {
        const char* when;
        std::optional<bool> sunOn; // nothing: left as the preset set it
        int angleSign;             // +1 from the left, -1 from the right, 0 about straight down
        const char* colour;        // nothing: the sun's colour is not set
        bool moon;
    } cases[] = {
        {"2020-06-21T03:50:00", {}, +1, "#FFB45C", false},     // just risen in the north-east: golden
        {"2020-06-21T07:00:00", {}, +1, "#FFE6A8", false},     // morning
        {"2020-06-21T12:02:00", {}, 0, "#FFE6A8", false},      // noon: the shafts fall steeply
        {"2020-06-21T17:00:00", {}, -1, "#FFE6A8", false},     // afternoon, from the right
        {"2020-06-21T20:10:00", {}, -1, "#FFB45C", false},     // about to set: golden
        {"2020-06-21T23:30:00", false, 0, nullptr, true},      // night: the moon's turn
    };
    double lowIntensity = 100;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.when);
        const auto changes = changesFor({}, "sunny-day", utc(c.when));
        const auto sunOn = changeOf(changes, Setting::sunRaysEnabled);
        EXPECT_EQ(sunOn, c.sunOn ? std::optional(SettingValue(*c.sunOn)) : std::nullopt);
        EXPECT_EQ(changeOf(changes, Setting::moonIntensity).has_value(), c.moon);
        if (!c.colour) {
            EXPECT_FALSE(changeOf(changes, Setting::sunColorHex));
            continue;
        }
        EXPECT_EQ(changeOf(changes, Setting::sunColorHex), SettingValue(QString::fromLatin1(c.colour)));
        const double angle = *amountOf(changes, Setting::sunAngle);
        if (c.angleSign == 0) {
            EXPECT_LE(std::abs(angle), 2);
        } else {
            EXPECT_GE(angle * c.angleSign, 15);
        }
        const double intensity = *amountOf(changes, Setting::sunIntensity);
        EXPECT_GT(intensity, 0);
        if (std::string_view(c.colour) == kGoldenHourColour) {
            lowIntensity = std::min(lowIntensity, intensity);
        } else {
            EXPECT_GT(intensity, lowIntensity); // a higher sun shines brighter
        }
    }
}

TEST(DetailedWeatherTest, MoonShaftsFollowThePhase)
{
    const auto newMoon = changesFor({}, "moonlit-night", utc("2024-01-11T23:00:00"));
    const auto fullMoon = changesFor({}, "moonlit-night", utc("2024-01-25T23:00:00"));
    EXPECT_LE(*amountOf(newMoon, Setting::moonIntensity), 1);
    EXPECT_GE(*amountOf(fullMoon, Setting::moonIntensity), 50);
}

TEST(DetailedWeatherTest, HostileValuesInTheAnswerAreDroppedOneByOne)
{
    const auto decoded = decodeForecast(R"({"current":{"weather_code":61,"is_day":1,
        "rain":-3,"snowfall":"lots","cloud_cover":150,"visibility":null,"wind_speed_10m":1e308,
        "wind_direction_10m":400,"wind_gusts_10m":55,"precipitation":2.5}})");
    ASSERT_TRUE(decoded);
    MeasuredWeather expected;
    expected.windGustsKmh = 55;
    expected.precipitationMm = 2.5;
    EXPECT_EQ(decoded->measured, expected);

    const auto sane = decodeForecast(R"({"current":{"weather_code":61,"is_day":1,"rain":5,"snowfall":0,
        "cloud_cover":80,"visibility":24140,"wind_speed_10m":40,"wind_direction_10m":270,"wind_gusts_10m":60}})");
    ASSERT_TRUE(sane);
    EXPECT_EQ(sane->measured.rainMm, 5);
    EXPECT_EQ(sane->measured.windFromDeg, 270);
    EXPECT_EQ(sane->measured.visibilityM, 24140);
}

TEST(DetailedWeatherTest, ChangesReadAsKeyValuePairs)
{
    MeasuredWeather measured;
    measured.rainMm = 5;
    measured.cloudCoverPercent = 80;
    EXPECT_EQ(describeChanges(changesFor(measured, "storm", QDateTime())),
              u"rain.enabled=true rain.dropsPerSecond=65 clouds.enabled=true clouds.count=11");
}
