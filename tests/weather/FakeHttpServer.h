#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>

#include <chrono>

class QTcpSocket;

namespace tavik::test {

// How the fake answers one path.
struct FakeResponse {
    int status = 200;
    QByteArray body;
    QList<QPair<QByteArray, QByteArray>> headers;
    std::chrono::milliseconds delay{0}; // before anything is sent
    bool announceLength = true;         // without it the body ends when the connection closes
    qint64 announcedLength = -1;        // a Content-Length other than the body's
    bool closeWithoutAnswer = false;
    bool dripForever = false; // headers, then one byte every 20 ms, never finishing

    static FakeResponse answer(QByteArray body, int status = 200)
    {
        FakeResponse r;
        r.body = std::move(body);
        r.status = status;
        return r;
    }
    FakeResponse after(std::chrono::milliseconds wait) && { delay = wait; return std::move(*this); }
    FakeResponse header(QByteArray name, QByteArray value) &&
    {
        headers.append({std::move(name), std::move(value)});
        return std::move(*this);
    }
    FakeResponse withoutLength() && { announceLength = false; return std::move(*this); }
    FakeResponse announcing(qint64 length) && { announcedLength = length; return std::move(*this); }
    FakeResponse hangUp() && { closeWithoutAnswer = true; return std::move(*this); }
    FakeResponse drip() && { dripForever = true; return std::move(*this); }
};

struct SeenRequest {
    QString path;
    QString query;
    QHash<QByteArray, QByteArray> headers; // names in lower case
};

// A small HTTP/1.1 server on 127.0.0.1 for the weather tests: one request per connection,
// answers by exact path, 404 for anything else. Records every request and every connection
// the client closed before it was answered.
class FakeHttpServer : public QObject {
    Q_OBJECT
public:
    FakeHttpServer();
    ~FakeHttpServer() override;

    [[nodiscard]] QUrl baseUrl() const;
    void route(const QString& path, FakeResponse response) { m_routes.insert(path, std::move(response)); }
    void json(const QString& path, const QByteArray& body) { route(path, FakeResponse::answer(body)); }

    [[nodiscard]] const QList<SeenRequest>& requests() const { return m_requests; }
    [[nodiscard]] int count(const QString& path) const;
    [[nodiscard]] int abandoned() const { return m_abandoned; }

private:
    void onConnection();
    void onReadable(QTcpSocket* socket);
    void answer(QTcpSocket* socket, const FakeResponse& response);

    QTcpServer m_server;
    QHash<QString, FakeResponse> m_routes;
    QList<SeenRequest> m_requests;
    int m_abandoned = 0;
};

} // namespace tavik::test
