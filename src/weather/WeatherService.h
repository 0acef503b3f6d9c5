#pragma once

#include "core/Signal.h"
#include "weather/DetailedWeather.h"
#include "weather/Endpoints.h"
#include "weather/HttpClient.h"
#include "weather/LocationLookup.h"
#include "weather/LocationProvider.h"

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace tavik {

class SettingsStore;
struct ScenePreset;

struct WeatherTimings {
    std::chrono::milliseconds refreshInterval{3'600'000};
    std::chrono::milliseconds locationTimeout = LocationProvider::kDefaultTimeout;
    HttpLimits http;
    // The whole of one refresh: location, place name and forecast together.
    std::chrono::milliseconds lookupDeadline{30'000};
    // While the picture follows the measured weather closely.
    std::chrono::milliseconds detailedRefreshInterval{900'000};
    // The time the sun is placed for; the system clock when empty.
    std::function<QDateTime()> clock{};
};

// Live weather: while it is on and power saving is off, looks up the weather where the user is
// once an hour, applies the matching built-in scene to the store and publishes short texts for
// the settings panel. With detailed weather on it looks every 15 minutes and sets the amounts
// of rain, snow, wind, clouds and fog from the measured values, and the sun and moon from the
// sky at that place and time, on top of the scene. The scene from before live weather took
// over is kept as a backup in the store (with the few settings detailed weather touches that a
// scene does not hold) and comes back when live weather stops. Main thread; everything runs from the Qt event
// loop, and at most one refresh is in flight.
class WeatherService : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString status READ status NOTIFY statusChanged)
    Q_PROPERTY(QString locationName READ locationNameText NOTIFY textsChanged)
    Q_PROPERTY(QString conditionText READ conditionTextText NOTIFY textsChanged)
    Q_PROPERTY(QString temperatureText READ temperatureTextText NOTIFY textsChanged)

public:
    static const QString kStatusOff;
    static const QString kStatusChecking;
    static const QString kStatusLivePrefix;
    static const QString kStatusUnavailable;
    static const QString kStatusPaused;

    // Without a device source the coordinate comes from the IP services alone.
    WeatherService(SettingsStore& settings, std::unique_ptr<PositionSource> device, WeatherEndpoints endpoints,
                   WeatherTimings timings = {}, QObject* parent = nullptr);
    ~WeatherService() override;

    // Follows the live-weather and power-saving switches from now on, starting with their
    // current values. Calling it again does nothing.
    void start();
    // A refresh by hand; only while live weather runs.
    Q_INVOKABLE void refreshNow();

    [[nodiscard]] const QString& status() const { return m_status; }
    [[nodiscard]] const std::optional<QString>& locationName() const { return m_locationName; }
    [[nodiscard]] const std::optional<QString>& conditionText() const { return m_conditionText; }
    [[nodiscard]] const std::optional<QString>& temperatureText() const { return m_temperatureText; }
    // Why the last refresh failed ("time-out", "refused", "HTTP 503", "bad answer", ...);
    // empty after a refresh that worked.
    [[nodiscard]] const QString& failureReason() const { return m_failureReason; }
    // The preset the last successful refresh applied, while live weather runs.
    [[nodiscard]] const std::optional<QString>& appliedPresetId() const { return m_appliedPresetId; }
    // The detailed values the last successful refresh applied on top of the preset.
    [[nodiscard]] const std::vector<SettingChange>& appliedDetails() const { return m_appliedDetails; }

    // Where the settings detailed weather touches beyond the scene are kept while live weather runs.
    static constexpr const char* kDetailBackupKey = "app.weatherDetailBackup";

signals:
    void statusChanged();
    void textsChanged();
    // A refresh came to an end other than being cancelled: applied, or "weather unavailable".
    void refreshFinished(bool applied);

private:
    [[nodiscard]] QString locationNameText() const { return m_locationName.value_or(QString()); }
    [[nodiscard]] QString conditionTextText() const { return m_conditionText.value_or(QString()); }
    [[nodiscard]] QString temperatureTextText() const { return m_temperatureText.value_or(QString()); }
    [[nodiscard]] bool running() const { return m_on.value_or(false); }

    void switchChanged();
    void handleToggle(bool on);
    void startRunning();
    void stopRunning();
    void triggerRefresh();
    void cancelRefresh();
    void refresh();
    void onLocated(std::optional<GeoAnswer> found, const QString& reason);
    void requestForecast(Coordinate at);
    void onForecast(const HttpResult& result);
    void applyWeather(const ForecastAnswer& weather);
    void failRefresh(const QString& reason);
    void detailedChanged(bool on);
    void applyDetails(const ForecastAnswer& weather, const ScenePreset& preset);
    void captureDetailBackupIfNeeded();
    // Writes the backed-up values back; the backup itself stays unless `remove`.
    void restoreDetailBackup(bool remove);
    void markDetailBackup(bool inUse);
    [[nodiscard]] std::optional<QJsonObject> detailBackup() const;
    [[nodiscard]] QString daylightSunColour() const;
    [[nodiscard]] std::chrono::milliseconds refreshInterval() const;

    void setStatus(const QString& status);
    void setTexts(std::optional<QString> location, std::optional<QString> condition, std::optional<QString> temperature);

    SettingsStore& m_settings;
    WeatherEndpoints m_endpoints;
    WeatherTimings m_timings;
    HttpClient m_http;
    std::unique_ptr<LocationProvider> m_device;
    std::vector<Subscription> m_subscriptions;

    QString m_status;
    std::optional<QString> m_locationName;
    std::optional<QString> m_conditionText;
    std::optional<QString> m_temperatureText;
    std::optional<QString> m_appliedPresetId;
    std::vector<SettingChange> m_appliedDetails;
    std::optional<ForecastAnswer> m_lastWeather;
    QString m_failureReason;

    bool m_started = false;
    bool m_liveWeather = false; // the switch values as announced, before the store holds them
    bool m_lowPower = false;
    bool m_detailed = false;
    std::optional<bool> m_on;   // the combined switch last acted on
    QTimer m_hourly;
    QTimer m_refreshSoon; // starts a refresh from the event loop, after the announcing change is stored
    QTimer m_deadline;    // gives up on a refresh whose steps together take too long
    unsigned m_refreshGeneration = 0;
    std::optional<Coordinate> m_cachedCoord;
    std::optional<QString> m_cachedPlace;
    std::unique_ptr<LocationLookup> m_lookup;
    std::unique_ptr<HttpRequest> m_forecast;
};

} // namespace tavik
