#include "weather/WeatherService.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"
#include "weather/WeatherCodes.h"
#include "weather/WeatherLog.h"

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

void WeatherService::startRunning()
{
    m_settings.captureWeatherSnapshotIfNeeded();
    setStatus(kStatusChecking);
    m_hourly.start();
    triggerRefresh();
}

void WeatherService::stopRunning()
{
    cancelRefresh();
    m_settings.restoreWeatherSnapshot();
    setStatus(m_liveWeather && m_lowPower ? kStatusPaused : kStatusOff);
    setTexts(std::nullopt, std::nullopt, std::nullopt);
    m_appliedPresetId.reset();
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
    discardLater(m_lookup);
    discardLater(m_forecast);
}

void WeatherService::refresh()
{
    if (!running() || !m_settings.liveWeatherEnabled())
        return;
    if (m_cachedCoord) {
        if (!m_locationName)
            setTexts(m_cachedPlace, m_conditionText, m_temperatureText);
        requestForecast(*m_cachedCoord);
        return;
    }
    m_lookup = std::make_unique<LocationLookup>(m_device.get(), m_http, m_endpoints,
                                                [this](std::optional<GeoAnswer> found) { onLocated(std::move(found)); });
    m_lookup->start();
}

void WeatherService::onLocated(std::optional<GeoAnswer> found)
{
    discardLater(m_lookup);
    if (!found) {
        failRefresh();
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
    m_forecast = m_http.get(forecastUrl(m_endpoints.forecast, at), [this](const HttpResult& result) { onForecast(result); });
}

void WeatherService::onForecast(const HttpResult& result)
{
    discardLater(m_forecast);
    const auto weather = result.ok() ? decodeForecast(result.body) : std::nullopt;
    if (!weather) {
        qCDebug(lcWeather) << "forecast unusable:" << (result.ok() ? QStringLiteral("undecodable answer") : result.error);
        failRefresh();
        return;
    }
    applyWeather(*weather);
}

void WeatherService::applyWeather(const ForecastAnswer& weather)
{
    if (!running() || !m_settings.liveWeatherEnabled())
        return;
    const unsigned generation = m_refreshGeneration;
    const ScenePreset& preset = sceneForCode(weather.code, weather.isDay);
    preset.apply(m_settings);
    // An observer of the store may have stopped live weather while the preset went in.
    if (generation != m_refreshGeneration)
        return;
    m_appliedPresetId = preset.id;
    setTexts(m_locationName, describeCode(weather.code), tavik::temperatureText(weather.tempC));
    setStatus(kStatusLivePrefix + preset.label);
    emit refreshFinished(true);
}

void WeatherService::failRefresh()
{
    if (!running())
        return;
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
