#pragma once
// Fakes behind the weather module's interfaces: a local web server and a location service.

#include "weather/PositionSource.h"

#include <QHash>
#include <QList>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <chrono>

namespace tavik::test {

// How the fake answers one path.
struct FakeResponse {
    QByteArray body{};
    int status = 200;
    std::chrono::milliseconds delay{0}; // before anything is sent
    QByteArray location{};              // where a redirect points
    bool unsized = false;               // no Content-Length: the close ends the body
    bool drip = false;                  // headers, then one byte every 20 ms, never finishing
};

struct SeenRequest {
    QUrl target;
    QByteArray head;
};

// HTTP/1.1 on 127.0.0.1, one request per connection, answered by exact path (else 404). Keeps
// every request and counts the connections closed before their answer.
class FakeHttpServer : public QObject {
public:
    FakeHttpServer()
    {
        connect(&m_server, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = m_server.nextPendingConnection()) {
                socket->setParent(this);
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
                connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                    m_abandoned += socket->property("asked").toBool() && !socket->property("answered").toBool();
                    socket->deleteLater();
                });
            }
        });
        if (!m_server.listen(QHostAddress::LocalHost, 0))
            qFatal("fake HTTP server cannot listen");
    }

    [[nodiscard]] QUrl url(const QString& path = {}) const
    {
        return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
    }

    void route(const QString& path, FakeResponse response) { m_routes.insert(path, std::move(response)); }
    [[nodiscard]] const QList<SeenRequest>& requests() const { return m_requests; }
    [[nodiscard]] int abandoned() const { return m_abandoned; }

    [[nodiscard]] qsizetype count(const QString& path) const
    {
        return std::ranges::count(m_requests, path, [](const SeenRequest& r) { return r.target.path(); });
    }

private:
    void onReadable(QTcpSocket* socket)
    {
        const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
        socket->setProperty("head", head);
        if (!head.contains("\r\n\r\n") || socket->property("asked").toBool())
            return;
        socket->setProperty("asked", true);
        const QUrl target(QString::fromLatin1(head.split(' ').value(1)));
        m_requests.append({target, head});
        const FakeResponse response = m_routes.value(target.path(), {"not found", 404});
        QTimer::singleShot(response.delay, socket, [socket, response] {
            if (socket->state() == QAbstractSocket::ConnectedState)
                answer(socket, response);
        });
    }

    static void answer(QTcpSocket* socket, const FakeResponse& response)
    {
        socket->setProperty("answered", !response.drip);
        QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\nConnection: close\r\n";
        if (!response.unsized && !response.drip)
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
        if (!response.location.isEmpty())
            head += "Location: " + response.location + "\r\n";
        socket->write(head + "\r\n" + response.body);
        if (response.drip) {
            auto* drip = new QTimer(socket);
            QObject::connect(drip, &QTimer::timeout, socket, [socket] { socket->write(" "); });
            drip->start(20);
        } else {
            socket->disconnectFromHost();
        }
    }

    QTcpServer m_server;
    QHash<QString, FakeResponse> m_routes;
    QList<SeenRequest> m_requests;
    int m_abandoned = 0;
};

// A location service that answers each request the way the test says, from the event loop, or
// stays silent.
class FakePositionSource final : public PositionSource {
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

    int requests = 0;

private:
    Behaviour m_behaviour;
    Coordinate m_fix;
};

} // namespace tavik::test
