#pragma once

#include "weather/PositionSource.h"

#include <QTimer>

#include <optional>

namespace tavik::test {

// A location service that answers each request the way the test says, from the event loop, or
// stays silent.
class FakePositionSource final : public PositionSource {
    Q_OBJECT
public:
    enum class Behaviour { Silent, Fix, Deny, Fail };

    explicit FakePositionSource(Behaviour behaviour = Behaviour::Silent, Coordinate fix = {51.5, -0.12})
        : m_behaviour(behaviour), m_fix(fix)
    {
    }

    void requestFix(std::chrono::milliseconds /*timeout*/) override
    {
        ++requests;
        QTimer::singleShot(0, this, [this] {
            switch (m_behaviour) {
            case Behaviour::Silent: break;
            case Behaviour::Fix: emit fixed(m_fix); break;
            case Behaviour::Deny: emit failed(Failure::AccessDenied, QStringLiteral("refused")); break;
            case Behaviour::Fail: emit failed(Failure::Other, QStringLiteral("no fix")); break;
            }
        });
    }

    void answerLater(Coordinate fix) { emit fixed(fix); }

    int requests = 0;

private:
    Behaviour m_behaviour;
    Coordinate m_fix;
};

} // namespace tavik::test
