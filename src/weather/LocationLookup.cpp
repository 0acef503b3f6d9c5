#include "weather/LocationLookup.h"

#include "weather/WeatherLog.h"

namespace tavik {

LocationLookup::LocationLookup(LocationProvider* device, HttpClient& http, const WeatherEndpoints& endpoints, Done done)
    : m_device(device), m_http(http), m_endpoints(endpoints), m_done(std::move(done))
{
}

LocationLookup::~LocationLookup()
{
    cancel();
}

void LocationLookup::start()
{
    if (m_device)
        m_deviceWait = m_device->current([this](const LocationResult& result) { onDevice(result); });
    else
        askFirstService();
}

void LocationLookup::cancel()
{
    m_done = {};
    m_deviceWait.cancel();
    if (m_request)
        m_request->cancel();
}

void LocationLookup::onDevice(const LocationResult& result)
{
    if (const auto* failure = std::get_if<LocationFailure>(&result)) {
        qCDebug(lcWeather) << "device location failed:" << failure->message;
        askFirstService();
        return;
    }
    const Coordinate coordinate = std::get<Coordinate>(result);
    discardLater(m_request);
    m_request = m_http.get(reverseGeocodeUrl(m_endpoints.reverseGeocode, coordinate),
                           [this, coordinate](const HttpResult& answer) { onReverseGeocoded(coordinate, answer); });
}

void LocationLookup::onReverseGeocoded(Coordinate coordinate, const HttpResult& result)
{
    // A place without a name still has weather.
    finish(GeoAnswer{coordinate, result.ok() ? decodeReverseGeocode(result.body) : std::nullopt});
}

void LocationLookup::askFirstService()
{
    discardLater(m_request);
    m_request = m_http.get(firstGeoUrl(m_endpoints.firstGeo), [this](const HttpResult& answer) { onFirstService(answer); });
}

void LocationLookup::onFirstService(const HttpResult& result)
{
    if (result.ok()) {
        if (auto answer = decodeFirstGeo(result.body)) {
            finish(std::move(answer));
            return;
        }
    }
    qCDebug(lcWeather) << "first IP service gave no usable answer:" << failureReason(result);
    askSecondService();
}

void LocationLookup::askSecondService()
{
    discardLater(m_request);
    m_request = m_http.get(secondGeoUrl(m_endpoints.secondGeo), [this](const HttpResult& answer) { onSecondService(answer); });
}

void LocationLookup::onSecondService(const HttpResult& result)
{
    auto answer = result.ok() ? decodeSecondGeo(result.body) : std::nullopt;
    if (!answer) {
        const QString reason = failureReason(result);
        qCDebug(lcWeather) << "second IP service gave no usable answer:" << reason;
        finish(std::nullopt, reason);
        return;
    }
    finish(std::move(answer));
}

void LocationLookup::finish(std::optional<GeoAnswer> answer, const QString& reason)
{
    // The callback may destroy this lookup: nothing of it is touched after the call.
    if (auto done = std::exchange(m_done, {}))
        done(std::move(answer), reason);
}

} // namespace tavik
