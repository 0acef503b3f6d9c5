#pragma once

#include "weather/PositionSource.h"

#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <optional>

namespace tavik::test {

// How the fake answers one path.
struct FakeResponse {
    QByteArray body{};
    int status = 200;
    std::chrono::milliseconds delay{0}; // before anything is sent
    QList<QPair<QByteArray, QByteArray>> headers{};
    std::optional<qint64> length{};     // the Content-Length sent: the body's when empty, none when negative
    bool hangUp = false;                // close without an answer
    bool drip = false;                  // headers, then one byte every 20 ms, never finishing
};

struct SeenRequest {
    QString path;
    QString query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
};

// A small HTTP/1.1 server on 127.0.0.1: one request per connection, answers by exact path, 404
// for anything else. Records every request and every connection closed before its answer.
class FakeHttpServer : public QObject {
    Q_OBJECT
public:
    FakeHttpServer();

    [[nodiscard]] QUrl baseUrl() const;
    void route(const QString& path, FakeResponse response) { m_routes.insert(path, std::move(response)); }
    void json(const QString& path, const QByteArray& body) { route(path, {body}); }

    [[nodiscard]] const QList<SeenRequest>& requests() const { return m_requests; }
    [[nodiscard]] int count(const QString& path) const;
    [[nodiscard]] int abandoned() const { return m_abandoned; }

private:
    void onReadable(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const FakeResponse& response);

    QTcpServer m_server;
    QHash<QString, FakeResponse> m_routes;
    QList<SeenRequest> m_requests;
    int m_abandoned = 0;
};

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
