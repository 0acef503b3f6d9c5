#pragma once

#include "core/Signal.h"
#include "weather/Endpoints.h"
#include "weather/HttpClient.h"
#include "weather/LocationProvider.h"
#include "weather/WeatherAnswers.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>

namespace tavik {

// One search for the coordinate of live weather, in order: the device location (with its place
// name from reverse geocoding, which may fail without failing the search), else the first IP
// service, else the second. Destroying or cancelling it stops every step; its callback never
// runs after that. A search that finds nothing says why the last step failed. Main thread.
class LocationLookup : public QObject {
    Q_OBJECT
public:
    // The answer, or nothing and the reason of the last failure ("refused", "time-out", ...).
    using Done = std::function<void(std::optional<GeoAnswer>, const QString& reason)>;

    // Without a device provider the search starts at the IP services.
    LocationLookup(LocationProvider* device, HttpClient& http, const WeatherEndpoints& endpoints, Done done);
    ~LocationLookup() override;

    // Calls back from the event loop, never from within start().
    void start();
    void cancel();

private:
    void onDevice(const LocationResult& result);
    void onReverseGeocoded(Coordinate coordinate, const HttpResult& result);
    void askFirstService();
    void onFirstService(const HttpResult& result);
    void askSecondService();
    void onSecondService(const HttpResult& result);
    void finish(std::optional<GeoAnswer> answer, const QString& reason = {});

    LocationProvider* m_device;
    HttpClient& m_http;
    WeatherEndpoints m_endpoints;
    Done m_done;
    Subscription m_deviceWait;
    std::unique_ptr<HttpRequest> m_request;
};

} // namespace tavik
