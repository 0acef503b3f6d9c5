#include "weather/WeatherService.h"

#include "settings/ScenePreset.h"
#include "settings/Color.h"
#include "settings/SettingsStore.h"
#include "weather/WeatherCodes.h"
#include "weather/WeatherLog.h"

#include <QJsonDocument>
#include <QJsonValue>

#include <cmath>

namespace tavik {

const QString WeatherService::kStatusOff = QStringLiteral("off");
const QString WeatherService::kStatusChecking = QStringLiteral("checking\u2026");
const QString WeatherService::kStatusLivePrefix = QStringLiteral("live \u2192 ");
const QString WeatherService::kStatusUnavailable = QStringLiteral("weather unavailable");
const QString WeatherService::kStatusPaused = QStringLiteral("paused \u2014 power savings");

WeatherService::WeatherService(SettingsStore& settings, std::unique_ptr<PositionSource> device,
                               WeatherEndpoints endpoints, WeatherTimings timings, QObject* parent)
    : QObject(parent), m_settings(settings), m_endpoints(std::move(endpoints)), m_timings(timings),
      m_http(timings.http), m_status(kStatusOff)
{
    if (device)
        m_device = std::make_unique<LocationProvider>(std::move(device), timings.locationTimeout);
    m_hourly.setInterval(m_timings.refreshInterval);
    connect(&m_hourly, &QTimer::timeout, this, &WeatherService::triggerRefresh);
    m_refreshSoon.setSingleShot(true);
    m_refreshSoon.setInterval(0);
    connect(&m_refreshSoon, &QTimer::timeout, this, &WeatherService::refresh);
    m_deadline.setSingleShot(true);
    m_deadline.setInterval(m_timings.lookupDeadline);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        qCDebug(lcWeather) << "refresh took too long";
        cancelRefresh();
        failRefresh(QStringLiteral("time-out"));
    });
}

WeatherService::~WeatherService()
{
    m_subscriptions.clear();
    // Nothing of ours is running now, so the steps in flight can go at once.
    m_lookup.reset();
    m_forecast.reset();
}

void WeatherService::start()
{
    if (m_started)
        return;
    m_subscriptions.push_back(m_settings.observe<bool>(Setting::liveWeatherEnabled, [this](bool on) {
        m_liveWeather = on;
        switchChanged();
    }));
    m_subscriptions.push_back(m_settings.observe<bool>(Setting::lowPowerMode, [this](bool on) {
        m_lowPower = on;
        switchChanged();
    }));
    m_subscriptions.push_back(m_settings.observe<bool>(Setting::liveWeatherDetailed, [this](bool on) { detailedChanged(on); }));
    m_started = true;
    m_on = m_liveWeather && !m_lowPower;
    handleToggle(*m_on);
}

void WeatherService::refreshNow()
{
    // While paused for power saving a refresh would apply a weather scene with no backup
    // behind it, and the user's own scene would be lost when live weather resumes.
    if (!running() || !m_settings.liveWeatherEnabled())
        return;
    setStatus(kStatusChecking);
    triggerRefresh();
}

void WeatherService::switchChanged()
{
    if (!m_started)
        return;
    const bool on = m_liveWeather && !m_lowPower;
    if (m_on == on) {
        // Still stopped, but the reason may have changed: keep the status true to the switches.
        if (!on)
            setStatus(m_liveWeather && m_lowPower ? kStatusPaused : kStatusOff);
        return;
    }
    m_on = on;
    handleToggle(on);
}

void WeatherService::handleToggle(bool on)
{
    m_hourly.stop();
    if (on)
        startRunning();
    else
        stopRunning();
}

void WeatherService::detailedChanged(bool on)
{
    if (m_detailed == on)
        return;
    m_detailed = on;
    if (!m_started || !running())
        return;
    m_hourly.start(refreshInterval());
    if (on) {
        // The last answer holds no measured values: ask again.
        triggerRefresh();
        return;
    }
    // Back to the plain scene of the last answer, from the event loop once the switch is stored.
    QTimer::singleShot(0, this, [this] {
        if (running() && !m_detailed && m_lastWeather && !m_forecast && !m_lookup)
            applyWeather(*m_lastWeather);
    });
}

std::chrono::milliseconds WeatherService::refreshInterval() const
{
    return m_detailed ? m_timings.detailedRefreshInterval : m_timings.refreshInterval;
}

void WeatherService::startRunning()
{
    m_settings.captureWeatherSnapshotIfNeeded();
    captureDetailBackupIfNeeded();
    setStatus(kStatusChecking);
    m_hourly.start(refreshInterval());
    triggerRefresh();
}

void WeatherService::stopRunning()
{
    cancelRefresh();
    m_settings.restoreWeatherSnapshot();
    restoreDetailBackup(true);
    setStatus(m_liveWeather && m_lowPower ? kStatusPaused : kStatusOff);
    setTexts(std::nullopt, std::nullopt, std::nullopt);
    m_appliedPresetId.reset();
    m_appliedDetails.clear();
    m_lastWeather.reset();
    m_failureReason.clear();
    m_cachedCoord.reset();
    m_cachedPlace.reset();
}

void WeatherService::triggerRefresh()
{
    cancelRefresh();
    // The switch is announced before the store holds its new value; starting from the event
    // loop lets the refresh see the store as it is.
    m_refreshSoon.start();
}

void WeatherService::cancelRefresh()
{
    ++m_refreshGeneration;
    m_refreshSoon.stop();
    m_deadline.stop();
    discardLater(m_lookup);
    discardLater(m_forecast);
}

void WeatherService::refresh()
{
    if (!running() || !m_settings.liveWeatherEnabled())
        return;
    m_deadline.start();
    if (m_cachedCoord) {
        if (!m_locationName)
            setTexts(m_cachedPlace, m_conditionText, m_temperatureText);
        requestForecast(*m_cachedCoord);
        return;
    }
    m_lookup = std::make_unique<LocationLookup>(m_device.get(), m_http, m_endpoints,
                                                [this](std::optional<GeoAnswer> found, const QString& reason) {
                                                    onLocated(std::move(found), reason);
                                                });
    m_lookup->start();
}

void WeatherService::onLocated(std::optional<GeoAnswer> found, const QString& reason)
{
    discardLater(m_lookup);
    if (!found) {
        failRefresh(reason);
        return;
    }
    m_cachedCoord = found->coordinate;
    m_cachedPlace = found->place;
    setTexts(found->place, m_conditionText, m_temperatureText);
    requestForecast(found->coordinate);
}

void WeatherService::requestForecast(Coordinate at)
{
    discardLater(m_forecast);
    m_forecast = m_http.get(forecastUrl(m_endpoints.forecast, at, m_detailed), [this](const HttpResult& result) { onForecast(result); });
}

void WeatherService::onForecast(const HttpResult& result)
{
    discardLater(m_forecast);
    const auto weather = result.ok() ? decodeForecast(result.body) : std::nullopt;
    if (!weather) {
        const QString reason = tavik::failureReason(result);
        qCDebug(lcWeather) << "forecast unusable:" << reason;
        failRefresh(reason);
        return;
    }
    applyWeather(*weather);
}

void WeatherService::applyWeather(const ForecastAnswer& weather)
{
    if (!running() || !m_settings.liveWeatherEnabled())
        return;
    m_deadline.stop();
    const unsigned generation = m_refreshGeneration;
    const ScenePreset& preset = sceneForCode(weather.code, weather.isDay);
    preset.apply(m_settings);
    // An observer of the store may have stopped live weather while the preset went in.
    if (generation != m_refreshGeneration)
        return;
    m_lastWeather = weather;
    applyDetails(weather, preset);
    if (generation != m_refreshGeneration)
        return;
    m_appliedPresetId = preset.id;
    m_failureReason.clear();
    setTexts(m_locationName, describeCode(weather.code), tavik::temperatureText(weather.tempC));
    setStatus(kStatusLivePrefix + preset.label);
    emit refreshFinished(true);
}

void WeatherService::applyDetails(const ForecastAnswer& weather, const ScenePreset& preset)
{
    const unsigned generation = m_refreshGeneration;
    m_appliedDetails.clear();
    if (!m_detailed || !m_cachedCoord) {
        // What an earlier detailed refresh set beyond the scene goes back to the user's.
        restoreDetailBackup(false);
        return;
    }
    const QDateTime now = m_timings.clock ? m_timings.clock() : QDateTime::currentDateTimeUtc();
    auto changes = detailedChanges(weather.measured, preset.scene, *m_cachedCoord, now, daylightSunColour());
    markDetailBackup(true);
    for (const auto& [id, value] : changes) {
        m_settings.setValue(id, value);
        if (generation != m_refreshGeneration)
            return;
    }
    m_appliedDetails = std::move(changes);
}

std::optional<QJsonObject> WeatherService::detailBackup() const
{
    const auto text = storedText(m_settings.defaults().value(QString::fromLatin1(kDetailBackupKey)));
    if (!text)
        return std::nullopt;
    const QJsonDocument document = QJsonDocument::fromJson(text->toUtf8());
    if (!document.isObject())
        return std::nullopt;
    return document.object();
}

namespace {

// Set in the detail backup once detailed weather has changed the settings it holds.
constexpr const char* kInUse = "inUse";

QString keyOf(Setting id)
{
    const std::string_view key = settingInfo(id).key;
    return QString::fromLatin1(key.data(), static_cast<qsizetype>(key.size()));
}

} // namespace

void WeatherService::captureDetailBackupIfNeeded()
{
    KeyValueStore& database = m_settings.defaults();
    if (database.contains(QString::fromLatin1(kDetailBackupKey)))
        return;
    QJsonObject backup;
    for (Setting id : kDetailedExtraSettings) {
        const SettingValue& value = m_settings.value(id);
        if (const auto* flag = std::get_if<bool>(&value))
            backup.insert(keyOf(id), *flag);
        else if (const auto* number = std::get_if<double>(&value))
            backup.insert(keyOf(id), std::isfinite(*number) ? QJsonValue(*number) : QJsonValue());
        else if (const auto* text = std::get_if<QString>(&value))
            backup.insert(keyOf(id), *text);
    }
    database.setValue(QString::fromLatin1(kDetailBackupKey),
                      QString::fromUtf8(QJsonDocument(backup).toJson(QJsonDocument::Compact)));
}

void WeatherService::markDetailBackup(bool inUse)
{
    auto backup = detailBackup();
    if (!backup || backup->value(QLatin1StringView(kInUse)).toBool() == inUse)
        return;
    backup->insert(QLatin1StringView(kInUse), inUse);
    m_settings.defaults().setValue(QString::fromLatin1(kDetailBackupKey),
                                   QString::fromUtf8(QJsonDocument(*backup).toJson(QJsonDocument::Compact)));
}

void WeatherService::restoreDetailBackup(bool remove)
{
    // Only what detailed weather changed goes back: without it the user may have set these
    // values while live weather ran. Each value is checked on its own: a hand-edited backup
    // gives back what it still can.
    const auto backup = detailBackup();
    if (backup && backup->value(QLatin1StringView(kInUse)).toBool()) {
        for (Setting id : kDetailedExtraSettings) {
            const QJsonValue value = backup->value(keyOf(id));
            const SettingInfo& info = settingInfo(id);
            if (info.type == SettingType::Bool && value.isBool())
                m_settings.setValue(id, value.toBool());
            else if (info.type == SettingType::Double && value.isDouble())
                m_settings.setValue(id, info.clamped(value.toDouble()));
            else if (info.type == SettingType::String && value.isString() && colorFromHex(value.toString()))
                m_settings.setValue(id, value.toString());
        }
    }
    if (remove)
        m_settings.defaults().remove(QString::fromLatin1(kDetailBackupKey));
    else
        markDetailBackup(false);
}

QString WeatherService::daylightSunColour() const
{
    if (const auto backup = detailBackup()) {
        const QJsonValue colour = backup->value(keyOf(Setting::sunColorHex));
        if (colour.isString() && colorFromHex(colour.toString()))
            return colour.toString();
    }
    return m_settings.sunColorHex();
}

void WeatherService::failRefresh(const QString& reason)
{
    m_deadline.stop();
    if (!running())
        return;
    m_failureReason = reason;
    setStatus(kStatusUnavailable);
    emit refreshFinished(false);
}

void WeatherService::setStatus(const QString& status)
{
    if (status == m_status)
        return;
    m_status = status;
    emit statusChanged();
}

void WeatherService::setTexts(std::optional<QString> location, std::optional<QString> condition,
                              std::optional<QString> temperature)
{
    if (location == m_locationName && condition == m_conditionText && temperature == m_temperatureText)
        return;
    m_locationName = std::move(location);
    m_conditionText = std::move(condition);
    m_temperatureText = std::move(temperature);
    emit textsChanged();
}

} // namespace tavik
