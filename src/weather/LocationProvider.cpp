#include "weather/LocationProvider.h"

#include "weather/WeatherLog.h"

namespace tavik {

LocationProvider::LocationProvider(std::unique_ptr<PositionSource> source, std::chrono::milliseconds timeout,
                                   QObject* parent)
    : QObject(parent), m_source(std::move(source)), m_timeout(timeout),
      m_waiting(std::make_unique<Signal<const LocationResult&>>())
{
    connect(m_source.get(), &PositionSource::fixed, this, &LocationProvider::onFixed);
    connect(m_source.get(), &PositionSource::failed, this, &LocationProvider::onFailed);
    m_giveUp.setSingleShot(true);
    connect(&m_giveUp, &QTimer::timeout, this, [this] {
        qCDebug(lcWeather) << "location service did not answer in time";
        m_asking = false;
        answerAll(LocationFailure{LocationFailure::Kind::Unavailable, QStringLiteral("no answer in time")});
    });
    m_refuse.setSingleShot(true);
    m_refuse.setInterval(0);
    connect(&m_refuse, &QTimer::timeout, this,
            [this] { answerAll(LocationFailure{LocationFailure::Kind::Denied, QStringLiteral("location access refused")}); });
}

LocationProvider::~LocationProvider() = default;

Subscription LocationProvider::current(std::function<void(const LocationResult&)> done)
{
    Subscription wait = m_waiting->connect(std::move(done));
    if (m_authorization == Authorization::Denied) {
        m_refuse.start();
    } else if (!m_asking) {
        m_asking = true;
        m_giveUp.start(m_timeout);
        m_source->requestFix(m_timeout);
    }
    return wait;
}

void LocationProvider::onFixed(Coordinate coordinate)
{
    m_authorization = Authorization::Authorized;
    m_asking = false;
    m_giveUp.stop();
    if (!coordinate.isValid()) {
        answerAll(LocationFailure{LocationFailure::Kind::Platform, QStringLiteral("fix off the globe")});
        return;
    }
    answerAll(coordinate);
}

void LocationProvider::onFailed(PositionSource::Failure failure, const QString& message)
{
    m_asking = false;
    m_giveUp.stop();
    if (failure == PositionSource::Failure::AccessDenied) {
        m_authorization = Authorization::Denied;
        answerAll(LocationFailure{LocationFailure::Kind::Denied, message});
    } else {
        answerAll(LocationFailure{LocationFailure::Kind::Platform, message});
    }
}

void LocationProvider::answerAll(const LocationResult& result)
{
    // Take the whole list first: a caller may start waiting again from its callback.
    const auto waiting = std::exchange(m_waiting, std::make_unique<Signal<const LocationResult&>>());
    waiting->notify(result);
}

} // namespace tavik
