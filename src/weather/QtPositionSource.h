#pragma once

#include "weather/PositionSource.h"

class QGeoPositionInfoSource;

namespace tavik {

// The device location through Qt Positioning's GeoClue2 plugin. The plugin is created on the
// first request, so merely constructing the service asks nobody for anything. GeoClue asks the
// user through its agent; a refusal arrives as an access error.
class QtPositionSource final : public PositionSource {
    Q_OBJECT
public:
    explicit QtPositionSource(QObject* parent = nullptr);
    ~QtPositionSource() override;

    void requestFix(std::chrono::milliseconds timeout) override;

private:
    bool ensureSource();

    QGeoPositionInfoSource* m_source = nullptr;
    bool m_triedToCreate = false;
};

} // namespace tavik
