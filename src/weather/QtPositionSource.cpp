#include "weather/QtPositionSource.h"

#include <QGeoPositionInfoSource>
#include <QTimer>

namespace tavik {

QtPositionSource::QtPositionSource(QObject* parent) : PositionSource(parent) {}

QtPositionSource::~QtPositionSource() = default;

bool QtPositionSource::ensureSource()
{
    if (m_triedToCreate)
        return m_source != nullptr;
    m_triedToCreate = true;
    // GeoClue identifies the asking program by its desktop id.
    QVariantMap parameters;
    parameters.insert(QStringLiteral("desktopId"), QStringLiteral("tavik"));
    m_source = QGeoPositionInfoSource::createSource(QStringLiteral("geoclue2"), parameters, this);
    if (!m_source)
        return false;
    // The weather of a town needs no satellite; this is the kilometre-level fix.
    m_source->setPreferredPositioningMethods(QGeoPositionInfoSource::NonSatellitePositioningMethods);
    connect(m_source, &QGeoPositionInfoSource::positionUpdated, this, [this](const QGeoPositionInfo& info) {
        const QGeoCoordinate c = info.coordinate();
        emit fixed(Coordinate{c.latitude(), c.longitude()});
    });
    connect(m_source, &QGeoPositionInfoSource::errorOccurred, this, [this](QGeoPositionInfoSource::Error error) {
        if (error == QGeoPositionInfoSource::AccessError)
            emit failed(Failure::AccessDenied, QStringLiteral("location access refused"));
        else if (error != QGeoPositionInfoSource::NoError)
            emit failed(Failure::Other, QStringLiteral("location service error %1").arg(int(error)));
    });
    return true;
}

void QtPositionSource::requestFix(std::chrono::milliseconds timeout)
{
    if (!ensureSource()) {
        // Answer later, as the platform would, so callers see one way of being answered.
        QTimer::singleShot(0, this, [this] { emit failed(Failure::Other, QStringLiteral("no location service")); });
        return;
    }
    m_source->requestUpdate(static_cast<int>(timeout.count()));
}

} // namespace tavik
