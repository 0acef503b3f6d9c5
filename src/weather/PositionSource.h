#pragma once

#include "weather/Coordinate.h"

#include <QObject>
#include <QString>

#include <chrono>

namespace tavik {

// The platform's location service, reduced to what live weather needs: one fix on request.
// The real one is QtPositionSource; tests give their own.
class PositionSource : public QObject {
    Q_OBJECT
public:
    enum class Failure { AccessDenied, Other };

    using QObject::QObject;

    // Asks for one fix. The answer comes later as fixed or failed; `timeout` is a hint for the
    // platform, which may also never answer.
    virtual void requestFix(std::chrono::milliseconds timeout) = 0;

signals:
    void fixed(tavik::Coordinate coordinate);
    void failed(tavik::PositionSource::Failure failure, const QString& message);
};

} // namespace tavik
