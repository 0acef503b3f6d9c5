#include "WeatherFakes.h"
#include "settings/KeyValueStore.h"
#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"
#include "weather/WeatherService.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>
#include <QTimeZone>

using namespace tavik;
using namespace std::chrono_literals;
using namespace tavik::test;
using Behaviour = FakePositionSource::Behaviour;

namespace {

const QString kForecast = QStringLiteral("/v1/forecast");
const QString kGeo1 = QStringLiteral("/");
const QString kGeo2 = QStringLiteral("/v1/ip/geo.json");
const QString kReverse = QStringLiteral("/reverse");
const QString kPaused = QStringLiteral("paused \u2014 power savings");
const WeatherTimings kTimings{1h, 100ms, {300ms, 1024 * 1024}};

class WeatherServiceTest : public ::testing::Test {
protected:
    WeatherServiceTest()
    {
        ScenePreset::preset(u"storm")->apply(store); // the user's own scene before live weather
        serve();
    }

    ~WeatherServiceTest() override { stop(); }

    // A fresh server with the usual answers.
    void serve()
    {
        server = std::make_unique<FakeHttpServer>();
        server->route(kGeo1, {R"({"success":true,"latitude":52.52,"longitude":13.405,"city":"Berlin","region":"Land Berlin"})"});
        server->route(kGeo2, {R"({"latitude":"48.8566","longitude":"2.3522","city":"Paris","country":"France"})"});
        server->route(kForecast, {R"({"current":{"weather_code":61,"is_day":1,"temperature_2m":21.5}})"});
    }

    WeatherService& start(std::optional<Behaviour> device = {}, WeatherTimings timings = kTimings, bool live = true)
    {
        store.setLiveWeatherEnabled(live);
        auto source = device ? std::make_unique<FakePositionSource>(*device) : nullptr;
        this->device = source.get();
        const QUrl base = server->url();
        service = std::make_unique<WeatherService>(store, std::move(source), WeatherEndpoints{base, base, base, base}, timings);
        finished = std::make_unique<QSignalSpy>(service.get(), &WeatherService::refreshFinished);
        service->start();
        return *service;
    }

    void stop()
    {
        service.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        store.setLiveWeatherEnabled(false);
        store.restoreWeatherSnapshot();
    }

    // The result of the next refresh to end.
    std::optional<bool> nextResult()
    {
        const auto before = finished->count();
        if (!QTest::qWaitFor([&] { return finished->count() > before; }, 3000))
            return std::nullopt;
        return finished->back().front().toBool();
    }

    bool backupStored() const { return database.contains(QString::fromLatin1(SettingsStore::kWeatherSnapshotKey)); }

    MemoryKeyValueStore database;
    SettingsStore store{database};
    std::unique_ptr<FakeHttpServer> server;
    FakePositionSource* device = nullptr;
    std::unique_ptr<WeatherService> service;
    std::unique_ptr<QSignalSpy> finished;
};

} // namespace

// The device's fix, named by the reverse geocoder, or else the IP services in turn.
TEST_F(WeatherServiceTest, TheLocationComesFromTheDeviceOrElseTheIpServicesInTurn)
{
    const struct {
        const char* name;
        Behaviour device;
        QHash<QString, FakeResponse> routes; // over the usual answers
        std::optional<QString> place;
        const char* forecastAt; // nothing: no weather
    } cases[] = {
        {"named fix", Behaviour::Fix, {{kReverse, {R"({"address":{"town":"Greenwich","state":"England"}})"}}},
         QStringLiteral("Greenwich, England"), "latitude=51.5&longitude=-0.12"},
        {"unnamed fix", Behaviour::Fix, {{kReverse, {"down", 500}}}, {}, "latitude=51.5&longitude=-0.12"},
        {"second service", Behaviour::Fail, {{kGeo1, {"<html>busy</html>"}}}, QStringLiteral("Paris, France"),
         "latitude=48.8566&longitude=2.3522"},
        {"nothing usable", Behaviour::Deny,
         {{kGeo1, {R"({"success":false})"}}, {kGeo2, {R"({"latitude":"abc","longitude":"2.35"})"}}}, {}, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        stop();
        serve();
        for (auto it = c.routes.begin(); it != c.routes.end(); ++it)
            server->route(it.key(), it.value());
        auto& weather = start(c.device);
        ASSERT_EQ(nextResult(), c.forecastAt != nullptr);
        EXPECT_EQ(weather.locationName(), c.place);
        EXPECT_EQ(store.sceneName(), c.forecastAt ? u"rainy-night" : u"storm");
        EXPECT_EQ(device->requests, 1);
        EXPECT_EQ(server->count(kReverse), c.device == Behaviour::Fix);
        EXPECT_EQ(server->count(kGeo1), c.device != Behaviour::Fix);
        EXPECT_EQ(server->count(kGeo2), c.device != Behaviour::Fix);
        ASSERT_EQ(server->count(kForecast), c.forecastAt != nullptr);
        if (c.forecastAt) {
            EXPECT_EQ(server->requests().back().target.query(),
                      QString::fromLatin1(c.forecastAt) + QStringLiteral("&current=weather_code,is_day,temperature_2m"));
        }
    }
}

// A failed refresh keeps the weather shown and says why; plain live weather leaves the settings
// beyond the scene to the user.
TEST_F(WeatherServiceTest, AFailedRefreshKeepsTheWeatherAndSaysWhy)
{
    auto& weather = start();
    ASSERT_EQ(nextResult(), true);
    const struct {
        FakeResponse answer;
        const char* reason;
    } failures[] = {
        {{"<html>502 Bad Gateway</html>", 502}, "HTTP 502"},
        {{R"({"current":{"is_day":1}})"}, "bad answer"},
        {{.delay = 1h}, "time-out"},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.reason);
        server->route(kForecast, failure.answer);
        weather.refreshNow();
        ASSERT_EQ(nextResult(), false);
        EXPECT_EQ(weather.failureReason(), QString::fromLatin1(failure.reason));
        EXPECT_EQ(weather.status(), u"weather unavailable");
        EXPECT_EQ(store.sceneName(), u"rainy-night");
        EXPECT_EQ(weather.conditionText(), u"rain");
        EXPECT_EQ(weather.temperatureText(), QStringLiteral("22\u00B0C"));
    }

    store.setWindDirection(30);
    server->route(kForecast, {R"({"current":{"weather_code":45,"is_day":0}})"}); // no temperature clears the old one
    weather.refreshNow();
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(weather.failureReason(), u"");
    EXPECT_EQ(store.sceneName(), u"overcast");
    EXPECT_EQ(weather.temperatureText(), std::nullopt);
    EXPECT_EQ(server->count(kGeo1), 1); // later refreshes reuse the coordinate
    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(std::tuple(store.windDirection(), store.sceneName()), std::tuple(30, QString("storm")));
}

TEST_F(WeatherServiceTest, SwitchingOffMidRequestAbortsAndAppliesNothing)
{
    server->route(kForecast, {.body = R"({"current":{"weather_code":95,"is_day":1}})", .delay = 200ms});
    auto& weather = start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server->count(kForecast) == 1; }, 3000));
    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(weather.status(), u"off");
    EXPECT_EQ(weather.locationName(), std::nullopt);
    ScenePreset::preset(u"focus")->apply(store);
    QTest::qWait(400);
    EXPECT_EQ(finished->count(), 0);
    EXPECT_EQ(store.sceneName(), u"focus");
    EXPECT_EQ(server->abandoned(), 1); // the request was really dropped, not just ignored
}

// A backup left by an earlier run comes back at start; power saving pauses live weather, which
// resumes with a fresh backup.
TEST_F(WeatherServiceTest, AnOldBackupComesBackAndPowerSavingPausesAndResumesWithAFreshOne)
{
    store.captureWeatherSnapshotIfNeeded(); // "storm", as if the program stopped while live
    ScenePreset::preset(u"overcast")->apply(store);
    store.setLowPowerMode(true);
    auto& weather = start({}, kTimings, false);
    EXPECT_EQ(weather.status(), u"off");
    EXPECT_EQ(store.sceneName(), u"storm");
    store.setLiveWeatherEnabled(true);
    EXPECT_EQ(weather.status(), kPaused);
    EXPECT_FALSE(backupStored());

    store.setLowPowerMode(false);
    ASSERT_EQ(nextResult(), true);
    store.setLowPowerMode(true);
    EXPECT_EQ(weather.status(), kPaused);
    EXPECT_EQ(store.sceneName(), u"storm"); // the scene from before live weather
    EXPECT_FALSE(backupStored());
    weather.refreshNow(); // by hand, while paused, it would cover the user's scene with no backup
    QTest::qWait(100);
    EXPECT_EQ(server->count(kForecast), 1); // nor did the first pause ask

    ScenePreset::preset(u"snowfall")->apply(store);
    store.setLowPowerMode(false);
    EXPECT_TRUE(backupStored());
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(server->count(kGeo1), 2); // the location is looked up afresh after a stop
    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(store.sceneName(), u"snowfall");
}

TEST_F(WeatherServiceTest, RefreshesAgainEveryHourOrWithDetailedWeatherEveryQuarter)
{
    for (const bool detailed : {false, true}) {
        SCOPED_TRACE(detailed);
        stop();
        store.setLiveWeatherDetailed(detailed);
        const auto before = server->count(kForecast);
        WeatherTimings timings = kTimings;
        (detailed ? timings.detailedRefreshInterval : timings.refreshInterval) = 150ms;
        start({}, timings);
        EXPECT_TRUE(QTest::qWaitFor([&] { return server->count(kForecast) >= before + 3; }, 3000));
    }
    EXPECT_EQ(server->count(kGeo1), 2);
}

// Silent location and web services: the refresh ends at the request's time-out or at the
// deadline of the whole refresh, whichever comes first.
TEST_F(WeatherServiceTest, NoSilentServiceHoldsARefreshUp)
{
    server->route(kGeo1, {.delay = 1h});
    server->route(kGeo2, {.drip = true});
    for (const WeatherTimings& timings : {WeatherTimings{1h, 100ms, {150ms, 1024}},
                                          WeatherTimings{1h, 400ms, {1s, 1024}, 600ms}}) {
        stop();
        auto& weather = start(Behaviour::Silent, timings);
        ASSERT_EQ(nextResult(), false);
        EXPECT_EQ(weather.failureReason(), u"time-out");
        QTest::qWait(200); // a step that still answers after the deadline changes nothing
        EXPECT_EQ(finished->count(), 1);
    }
}

// Detailed weather off while live: the plain scene again, with no new request; on again, the
// measured amounts return. The user's sun colour stays while the sun is high.
TEST_F(WeatherServiceTest, DetailedWeatherComesAndGoesWithItsSwitch)
{
    store.setWindDirection(-20);
    store.setSunColorHex(QStringLiteral("#ABCDEF"));
    store.setLiveWeatherDetailed(true);
    server->route(kForecast, {R"({"current":{"weather_code":61,"is_day":1,"rain":5,"wind_speed_10m":40,"wind_direction_10m":270}})"});
    WeatherTimings timings = kTimings;
    timings.clock = [] { return QDateTime(QDate(2020, 6, 21), QTime(10, 0), QTimeZone::utc()); }; // Berlin, sun high
    start({}, timings);
    ASSERT_EQ(nextResult(), true);
    const auto detailed = std::tuple(65, 62, 45);
    EXPECT_EQ(std::tuple(store.dropsPerSecond(), store.windStrength(), store.windDirection()), detailed);
    EXPECT_EQ(store.sunColorHex(), u"#ABCDEF");

    store.setLiveWeatherDetailed(false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return store.dropsPerSecond() == 22; }, 2000)); // the preset's own
    EXPECT_EQ(store.windDirection(), -20);
    EXPECT_EQ(server->count(kForecast), 1);
    store.setLiveWeatherDetailed(true);
    ASSERT_EQ(nextResult(), true);
    EXPECT_EQ(std::tuple(store.dropsPerSecond(), store.windStrength(), store.windDirection()), detailed);
    store.setLiveWeatherEnabled(false);
    EXPECT_EQ(store.windDirection(), -20);
    EXPECT_FALSE(database.contains(QString::fromLatin1(WeatherService::kDetailBackupKey)));
}
