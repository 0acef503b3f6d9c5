#pragma once

#include "core/Signal.h"
#include "weather/Coordinate.h"
#include "weather/PositionSource.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <variant>

namespace tavik {

struct LocationFailure {
    enum class Kind {
        Denied,      // the user refused location access
        Unavailable, // no location service, or it did not answer in time
        Platform,    // the service answered with an error of its own
    };
    Kind kind = Kind::Unavailable;
    QString message;
};

using LocationResult = std::variant<Coordinate, LocationFailure>;

// The device location as one awaited answer. Permission is settled by the first answer: a fix
// means granted, an access error means refused and every later request is refused at once,
// without asking again. One answer from the platform serves every caller waiting at that
// moment; a platform that stays silent is given up on after the time-out. Main thread.
class LocationProvider : public QObject {
    Q_OBJECT
public:
    enum class Authorization { NotDetermined, Authorized, Denied };

    static constexpr std::chrono::milliseconds kDefaultTimeout{15'000};

    explicit LocationProvider(std::unique_ptr<PositionSource> source,
                              std::chrono::milliseconds timeout = kDefaultTimeout, QObject* parent = nullptr);
    ~LocationProvider() override;

    // Calls `done` once, from the event loop, unless the returned subscription ends first.
    [[nodiscard]] Subscription current(std::function<void(const LocationResult&)> done);

    [[nodiscard]] Authorization authorization() const { return m_authorization; }

private:
    void onFixed(Coordinate coordinate);
    void onFailed(PositionSource::Failure failure, const QString& message);
    void answerAll(const LocationResult& result);

    std::unique_ptr<PositionSource> m_source;
    std::chrono::milliseconds m_timeout;
    Authorization m_authorization = Authorization::NotDetermined;
    std::unique_ptr<Signal<const LocationResult&>> m_waiting;
    bool m_asking = false;
    QTimer m_giveUp;
    QTimer m_refuse; // answers the waiting callers after a remembered refusal
};

} // namespace tavik
