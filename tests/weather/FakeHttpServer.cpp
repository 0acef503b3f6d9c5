#include "FakeHttpServer.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

namespace tavik::test {

namespace {

constexpr const char* kAnsweredProperty = "answered";

QByteArray reason(int status)
{
    switch (status) {
    case 200: return "OK";
    case 302: return "Found";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}

} // namespace

FakeHttpServer::FakeHttpServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeHttpServer::onConnection);
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("fake HTTP server cannot listen");
}

FakeHttpServer::~FakeHttpServer() = default;

QUrl FakeHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

int FakeHttpServer::count(const QString& path) const
{
    return static_cast<int>(std::count_if(m_requests.begin(), m_requests.end(),
                                          [&path](const SeenRequest& r) { return r.path == path; }));
}

void FakeHttpServer::onConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            if (!socket->property(kAnsweredProperty).toBool() && socket->property("path").isValid())
                ++m_abandoned;
            socket->deleteLater();
        });
    }
}

void FakeHttpServer::onReadable(QTcpSocket* socket)
{
    QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0 || socket->property("path").isValid())
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.front().trimmed().split(' ');
    const QUrl target(QString::fromLatin1(requestLine.value(1)));
    SeenRequest seen{target.path(), target.query(QUrl::FullyEncoded), {}};
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            seen.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    socket->setProperty("path", seen.path);
    m_requests.append(seen);

    const FakeResponse response = m_routes.value(seen.path, FakeResponse::answer("not found", 404));
    QPointer<QTcpSocket> guard(socket);
    QTimer::singleShot(response.delay, this, [this, guard, response] {
        if (guard && guard->state() == QAbstractSocket::ConnectedState)
            answer(guard, response);
    });
}

void FakeHttpServer::answer(QTcpSocket* socket, const FakeResponse& response)
{
    if (response.closeWithoutAnswer) {
        socket->setProperty(kAnsweredProperty, true);
        socket->disconnectFromHost();
        return;
    }
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' ' + reason(response.status) + "\r\n";
    head += "Content-Type: application/json\r\nConnection: close\r\n";
    if (response.announcedLength >= 0)
        head += "Content-Length: " + QByteArray::number(response.announcedLength) + "\r\n";
    else if (response.announceLength && !response.dripForever)
        head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    socket->write(head + "\r\n");
    if (response.dripForever) {
        auto* drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        drip->start(20);
        return;
    }
    socket->setProperty(kAnsweredProperty, true);
    socket->write(response.body);
    if (response.announcedLength < 0)
        socket->disconnectFromHost();
}

} // namespace tavik::test
