#include "FakeHttpServer.h"
#include "FakePositionSource.h"
#include "settings/KeyValueStore.h"
#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"
#include "weather/WeatherService.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimeZone>
#include <QTest>

using namespace tavik;
using namespace std::chrono_literals;
using tavik::test::FakeHttpServer;
using tavik::test::FakePositionSource;
using tavik::test::FakeResponse;
using Behaviour = FakePositionSource::Behaviour;

namespace {

const QString kForecast = QStringLiteral("/v1/forecast");
const QString kGeo1 = QStringLiteral("/");
const QString kGeo2 = QStringLiteral("/v1/ip/geo.json");
const QString kReverse = QStringLiteral("/reverse");

QByteArray forecast(int code, int isDay, const char* temperature = "21.5")
{
    QByteArray body = R"({"current":{"weather_code":)" + QByteArray::number(code) + R"(,"is_day":)" + QByteArray::number(isDay);
    if (temperature)
        body += R"(,"temperature_2m":)" + QByteArray(temperature);
    return body + "}}";
}

class WeatherServiceTest : public ::testing::Test {
protected:
    WeatherServiceTest()
    {
        ScenePreset::preset(u"storm")->apply(store); // the user's own scene before live weather
        server.json(kGeo1, R"({"success":true,"latitude":52.52,"longitude":13.405,"city":"Berlin","region":"Land Berlin"})");
        server.json(kGeo2, R"({"latitude":"48.8566","longitude":"2.3522","city":"Paris","country":"France"})");
        server.json(kForecast, forecast(61, 1));
    }

    ~WeatherServiceTest() override
    {
        service.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    WeatherService& makeService(std::optional<Behaviour> device, WeatherTimings timings = {1h, 100ms, {1s, 1024 * 1024}})
    {
        std::unique_ptr<FakePositionSource> source;
        if (device)
            source = std::make_unique<FakePositionSource>(*device);
        this->device = source.get();
        const QUrl base = server.baseUrl();
        service = std::make_unique<WeatherService>(store, std::move(source),
                                                   WeatherEndpoints{forecastBase.value_or(base), base, base, base}, timings);
        finished = std::make_unique<QSignalSpy>(service.get(), &WeatherService::refreshFinished);
        return *service;
    }

    // Waits for the next end of a refresh; its result.
    std::optional<bool> nextResult(int timeoutMs = 3000)
    {
        const auto before = finished->count();
        if (!QTest::qWaitFor([&] { return finished->count() > before; }, timeoutMs))
            return std::nullopt;
        return finished->back().front().toBool();
    }

    bool backupStored() const { return database.contains(QString::fromLatin1(SettingsStore::kWeatherSnapshotKey)); }

    MemoryKeyValueStore database;
    SettingsStore store{database};
    FakeHttpServer server;
    FakePositionSource* device = nullptr;
    std::optional<QUrl> forecastBase; // where the forecast is asked, when not of the fake server
    std::unique_ptr<WeatherService> service;
    std::unique_ptr<QSignalSpy> finished;
};

} // namespace

TEST_F(WeatherServiceTest, RainByDayBringsTheRainyNight)
{
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt);
    weather.start();
    EXPECT_EQ(weather.status(), QStringLiteral("checking\u2026"));
    EXPECT_TRUE(backupStored());
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(weather.status(), QStringLiteral("live \u2192 rainy night"));
    EXPECT_EQ(store.sceneName(), u"rainy-night");
    EXPECT_TRUE(store.rainEnabled() && store.firefliesEnabled() && !store.thunderEnabled());
    EXPECT_EQ(weather.conditionText(), u"rain");
    EXPECT_EQ(weather.temperatureText(), QStringLiteral("22\u00B0C"));
    EXPECT_EQ(weather.locationName(), u"Berlin, Land Berlin");
    ASSERT_EQ(server.count(kForecast), 1);
    EXPECT_EQ(server.requests().back().query, u"latitude=52.52&longitude=13.405&current=weather_code,is_day,temperature_2m");
}

TEST_F(WeatherServiceTest, FallbackChainEndsInUnavailableWhenTheLastServiceSendsNoNumber)
{
    server.json(kGeo1, R"({"success":false,"message":"reserved range"})");
    server.json(kGeo2, R"({"latitude":"abc","longitude":"2.35"})");
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(Behaviour::Deny);
    weather.start();
    ASSERT_EQ(nextResult(), false);
    EXPECT_EQ(weather.status(), u"weather unavailable");
    EXPECT_EQ(device->requests, 1);
    EXPECT_EQ(server.count(kGeo1), 1);
    EXPECT_EQ(server.count(kGeo2), 1);
    EXPECT_EQ(server.count(kForecast), 0);
    EXPECT_EQ(store.sceneName(), u"storm"); // nothing applied
    EXPECT_EQ(weather.locationName(), std::nullopt);
}

TEST_F(WeatherServiceTest, SecondServiceTakesOverFromAnUnreadableFirst)
{
    server.json(kGeo1, "<html>busy</html>");
    server.json(kForecast, forecast(0, 0));
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(Behaviour::Fail);
    weather.start();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(weather.locationName(), u"Paris, France");
    EXPECT_EQ(server.requests().back().query, u"latitude=48.8566&longitude=2.3522&current=weather_code,is_day,temperature_2m");
    EXPECT_EQ(store.sceneName(), u"moonlit-night");
    EXPECT_EQ(store.moonIntensity(), 54);
    EXPECT_EQ(weather.conditionText(), u"clear sky");
}

TEST_F(WeatherServiceTest, DeviceLocationIsNamedByReverseGeocodingAndCached)
{
    server.json(kReverse, R"({"address":{"town":"Greenwich","state":"England","country":"UK"}})");
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(Behaviour::Fix);
    weather.start();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(weather.locationName(), u"Greenwich, England");
    ASSERT_EQ(server.count(kReverse), 1);
    EXPECT_EQ(server.requests().front().query, u"format=jsonv2&lat=51.5&lon=-0.12");
    EXPECT_EQ(server.count(kGeo1) + server.count(kGeo2), 0);

    // Later refreshes reuse the coordinate: no location service, no geocoding.
    weather.refreshNow();
    EXPECT_EQ(weather.status(), QStringLiteral("checking\u2026"));
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(device->requests, 1);
    EXPECT_EQ(server.count(kReverse), 1);
    EXPECT_EQ(server.count(kForecast), 2);
}

TEST_F(WeatherServiceTest, APlaceWithoutANameStillGetsWeather)
{
    server.route(kReverse, FakeResponse::answer("down", 500));
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(Behaviour::Fix);
    weather.start();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(weather.locationName(), std::nullopt);
    EXPECT_EQ(store.sceneName(), u"rainy-night");
}

TEST_F(WeatherServiceTest, AFailedRefreshKeepsTheSceneAndTexts)
{
    server.json(kForecast, forecast(0, 1));
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt);
    weather.start();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(store.sceneName(), u"sunny-day");

    for (const QByteArray& bad : {QByteArray(R"({"current":null})"), QByteArray(R"({"current":{"is_day":1}})"),
                                  QByteArray("\x00\xff garbage", 10)}) {
        server.json(kForecast, bad);
        weather.refreshNow();
        ASSERT_EQ(nextResult(), false);
        EXPECT_EQ(weather.status(), u"weather unavailable");
        EXPECT_EQ(store.sceneName(), u"sunny-day");
        EXPECT_EQ(weather.conditionText(), u"clear sky");
        EXPECT_EQ(weather.temperatureText(), QStringLiteral("22\u00B0C"));
    }

    // An answer without a temperature clears the old one.
    server.json(kForecast, forecast(45, 0, nullptr));
    weather.refreshNow();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(store.sceneName(), u"overcast");
    EXPECT_EQ(weather.conditionText(), u"fog");
    EXPECT_EQ(weather.temperatureText(), std::nullopt);
}

TEST_F(WeatherServiceTest, SwitchingOffMidRequestAbortsAndAppliesNothing)
{
    server.route(kForecast, FakeResponse::answer(forecast(95, 1)).after(200ms));
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt);
    weather.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count(kForecast) == 1; }, 3000));

    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(weather.status(), u"off");
    EXPECT_EQ(weather.locationName(), std::nullopt);
    EXPECT_EQ(store.sceneName(), u"storm");
    EXPECT_FALSE(backupStored());

    // The scene the answer would have brought (a thunderstorm over a quiet desk) never comes.
    ScenePreset::preset(u"focus")->apply(store);
    QTest::qWait(400);
    EXPECT_EQ(finished->count(), 0);
    EXPECT_EQ(store.sceneName(), u"focus");
    EXPECT_EQ(weather.status(), u"off");
    EXPECT_EQ(server.abandoned(), 1); // the request was really dropped, not just ignored
}

TEST_F(WeatherServiceTest, PowerSavingPausesAndResumesWithAFreshBackup)
{
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt);
    weather.start();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(store.sceneName(), u"rainy-night");

    store.setLowPowerMode(true);
    EXPECT_EQ(weather.status(), QStringLiteral("paused \u2014 power savings"));
    EXPECT_EQ(store.sceneName(), u"storm"); // the scene from before live weather
    EXPECT_FALSE(backupStored());
    EXPECT_EQ(weather.conditionText(), std::nullopt);
    EXPECT_EQ(weather.temperatureText(), std::nullopt);

    // A refresh by hand while paused would put a weather scene over the user's with no backup.
    weather.refreshNow();
    QTest::qWait(100);
    EXPECT_EQ(server.count(kForecast), 1);
    EXPECT_EQ(store.sceneName(), u"storm");

    ScenePreset::preset(u"snowfall")->apply(store);
    store.setLowPowerMode(false);
    EXPECT_EQ(weather.status(), QStringLiteral("checking\u2026"));
    EXPECT_TRUE(backupStored());
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(server.count(kGeo1), 2); // the location is looked up afresh after a stop
    EXPECT_EQ(store.sceneName(), u"rainy-night");

    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(store.sceneName(), u"snowfall");
    EXPECT_EQ(weather.status(), u"off");
}

TEST_F(WeatherServiceTest, LiveWeatherSwitchedOnDuringPowerSavingWaits)
{
    store.setLowPowerMode(true);
    auto& weather = makeService(std::nullopt);
    weather.start();
    EXPECT_EQ(weather.status(), u"off");

    store.setLiveWeatherEnabled(true);
    EXPECT_EQ(weather.status(), QStringLiteral("paused \u2014 power savings"));
    QTest::qWait(100);
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_FALSE(backupStored());
    EXPECT_EQ(store.sceneName(), u"storm");

    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(weather.status(), u"off");
}

TEST_F(WeatherServiceTest, ABackupLeftFromAnEarlierRunComesBackAtStart)
{
    store.captureWeatherSnapshotIfNeeded(); // "storm", as if the program stopped while live
    ScenePreset::preset(u"overcast")->apply(store);
    auto& weather = makeService(std::nullopt);
    weather.start();
    EXPECT_EQ(store.sceneName(), u"storm");
    EXPECT_FALSE(backupStored());
    EXPECT_EQ(weather.status(), u"off");
}

TEST_F(WeatherServiceTest, HourlyTimerRefreshesAgain)
{
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt, {150ms, 100ms, {1s, 1024 * 1024}});
    weather.start();
    EXPECT_TRUE(QTest::qWaitFor([this] { return server.count(kForecast) >= 3; }, 3000));
    EXPECT_EQ(server.count(kGeo1), 1);
}

TEST_F(WeatherServiceTest, NothingHangsOnSilentServices)
{
    // The location service never answers and every web service stalls: the refresh still ends.
    server.route(kGeo1, FakeResponse().after(1h));
    server.route(kGeo2, FakeResponse().drip());
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(Behaviour::Silent, {1h, 100ms, {150ms, 1024 * 1024}});
    QElapsedTimer clock;
    clock.start();
    weather.start();
    ASSERT_EQ(nextResult(), false);
    EXPECT_LT(clock.elapsed(), 2000);
    EXPECT_EQ(weather.status(), u"weather unavailable");
    EXPECT_EQ(server.count(kGeo2), 1);
}

TEST_F(WeatherServiceTest, OneDeadlineCoversTheWholeRefresh)
{
    // Each step alone stays within its own time-out, but together they would take over 2 s.
    server.route(kGeo1, FakeResponse().after(1h));
    server.route(kGeo2, FakeResponse().after(1h));
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(Behaviour::Silent, {1h, 400ms, {1s, 1024 * 1024}, 600ms});
    QElapsedTimer clock;
    clock.start();
    weather.start();
    ASSERT_EQ(nextResult(), false);
    EXPECT_LT(clock.elapsed(), 1200);
    EXPECT_EQ(weather.failureReason(), u"time-out");
    EXPECT_EQ(weather.status(), u"weather unavailable");
    // A step that still answers after the deadline changes nothing.
    QTest::qWait(200);
    EXPECT_EQ(finished->count(), 1);
}

TEST_F(WeatherServiceTest, AFailedRefreshSaysWhy)
{
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QUrl nobody(QStringLiteral("http://127.0.0.1:%1").arg(closed.serverPort()));
    closed.close();

    const struct {
        const char* name;
        std::optional<FakeResponse> answer;
        std::optional<QUrl> elsewhere;
        const char* reason;
    } cases[] = {
        {"error page", FakeResponse::answer("<html>502 Bad Gateway</html>", 502), {}, "HTTP 502"},
        {"garbage", FakeResponse::answer("<html>hello</html>"), {}, "bad answer"},
        {"wrong shape", FakeResponse::answer(R"({"current":{"is_day":1}})"), {}, "bad answer"},
        {"silence", FakeResponse().after(1h), {}, "time-out"},
        {"nobody listens", {}, nobody, "refused"},
        {"fine", FakeResponse::answer(forecast(0, 1)), {}, ""},
    };
    for (const auto& c : cases) {
        if (c.answer)
            server.route(kForecast, *c.answer);
        forecastBase = c.elsewhere;
        store.setLiveWeatherEnabled(true);
        auto& weather = makeService(std::nullopt, {1h, 100ms, {300ms, 1024 * 1024}});
        weather.start();
        ASSERT_TRUE(nextResult().has_value()) << c.name;
        EXPECT_EQ(weather.failureReason(), QString::fromLatin1(c.reason)) << c.name;
        service.reset();
        store.setLiveWeatherEnabled(false);
        store.restoreWeatherSnapshot();
    }
}

namespace {

const QByteArray kMeasuredRain = R"({"current":{"weather_code":61,"is_day":1,"temperature_2m":12,"precipitation":5,
    "rain":5,"snowfall":0,"cloud_cover":80,"visibility":1050,"wind_speed_10m":40,"wind_direction_10m":270,
    "wind_gusts_10m":60}})";

WeatherTimings detailedTimings(std::chrono::milliseconds quarterHourly = 1h)
{
    WeatherTimings timings{1h, 100ms, {1s, 1024 * 1024}};
    timings.detailedRefreshInterval = quarterHourly;
    timings.clock = [] { return QDateTime(QDate(2020, 6, 21), QTime(10, 0), QTimeZone::utc()); }; // Berlin, sun high
    return timings;
}

std::vector<SettingValue> everySetting(const SettingsStore& store)
{
    std::vector<SettingValue> values;
    for (const SettingInfo& info : settingsTable()) {
        if (info.id != Setting::liveWeatherEnabled)
            values.push_back(store.value(info.id));
    }
    return values;
}

} // namespace

TEST_F(WeatherServiceTest, DetailedWeatherFollowsTheMeasuredSkyAndLeavesNoTrace)
{
    // The user's own touches beyond the scene itself, which detailed weather also sets.
    store.setWindDynamic(true);
    store.setWindDirection(-20);
    store.setFogDensity(33);
    store.setSunColorHex(QStringLiteral("#ABCDEF"));
    store.setLiveWeatherDetailed(true);
    const auto before = everySetting(store);
    server.json(kForecast, kMeasuredRain);
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt, detailedTimings());
    weather.start();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(server.requests().back().query,
              u"latitude=52.52&longitude=13.405&current=weather_code,is_day,temperature_2m,precipitation,rain,"
              "snowfall,cloud_cover,visibility,wind_speed_10m,wind_direction_10m,wind_gusts_10m");
    EXPECT_EQ(store.sceneName(), u"rainy-night");
    EXPECT_EQ(store.dropsPerSecond(), 65);
    EXPECT_EQ(store.windStrength(), 62);
    EXPECT_EQ(store.windDirection(), 45);
    EXPECT_EQ(store.windGustiness(), 50);
    EXPECT_FALSE(store.windDynamic());
    EXPECT_TRUE(store.cloudsEnabled());
    EXPECT_EQ(store.cloudCount(), 11);
    EXPECT_TRUE(store.fogEnabled());
    EXPECT_EQ(store.fogDensity(), 60);
    EXPECT_EQ(store.sunColorHex(), u"#ABCDEF"); // the sun stands high: the user's own colour
    EXPECT_FALSE(weather.appliedDetails().empty());

    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(everySetting(store), before);
    EXPECT_FALSE(database.contains(QString::fromLatin1(WeatherService::kDetailBackupKey)));
}

TEST_F(WeatherServiceTest, DetailedWeatherSwitchedOffMidRunGoesBackToThePlainScene)
{
    store.setWindDirection(-20);
    server.json(kForecast, kMeasuredRain);
    store.setLiveWeatherDetailed(true);
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt, detailedTimings());
    weather.start();
    ASSERT_EQ(nextResult(), true);
    ASSERT_EQ(store.dropsPerSecond(), 65);

    store.setLiveWeatherDetailed(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.dropsPerSecond() == 22; }, 2000)); // the preset's own
    EXPECT_EQ(store.windDirection(), -20);
    EXPECT_FALSE(store.fogEnabled());
    EXPECT_TRUE(weather.appliedDetails().empty());
    EXPECT_EQ(server.count(kForecast), 1); // no new request needed for that

    // Back on: the measured values are asked for again.
    store.setLiveWeatherDetailed(true);
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(server.count(kForecast), 2);
    EXPECT_EQ(store.dropsPerSecond(), 65);
}

TEST_F(WeatherServiceTest, DetailedWeatherLooksEveryQuarterHourAndKeepsThePresetWhereNothingWasMeasured)
{
    store.setLiveWeatherDetailed(true);
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt, detailedTimings(150ms));
    weather.start();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(store.dropsPerSecond(), 22); // the answer measured nothing: rainy night as it is
    EXPECT_EQ(store.windStrength(), 22);
    EXPECT_TRUE(QTest::qWaitFor([this] { return server.count(kForecast) >= 3; }, 3000));
}

TEST_F(WeatherServiceTest, PlainLiveWeatherLeavesTheUsersOwnTouchesAlone)
{
    // Without detailed weather, settings beyond the scene are the user's, during and after.
    store.setLiveWeatherEnabled(true);
    auto& weather = makeService(std::nullopt);
    weather.start();
    ASSERT_EQ(nextResult(), true);
    store.setWindDirection(30);
    weather.refreshNow();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(store.windDirection(), 30);
    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(store.windDirection(), 30);
    EXPECT_EQ(store.sceneName(), u"storm");
}
