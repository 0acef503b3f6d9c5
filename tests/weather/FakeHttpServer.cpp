#include "WeatherFakes.h"

#include <QPointer>
#include <QTcpSocket>

namespace tavik::test {

FakeHttpServer::FakeHttpServer()
{
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket* socket = m_server.nextPendingConnection()) {
            socket->setParent(this);
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadable(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                if (!socket->property("answered").toBool() && socket->property("path").isValid())
                    ++m_abandoned;
                socket->deleteLater();
            });
        }
    });
    if (!m_server.listen(QHostAddress::LocalHost, 0))
        qFatal("fake HTTP server cannot listen");
}

QUrl FakeHttpServer::baseUrl() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort()));
}

int FakeHttpServer::count(const QString& path) const
{
    return static_cast<int>(std::count_if(m_requests.begin(), m_requests.end(),
                                          [&path](const SeenRequest& r) { return r.path == path; }));
}

void FakeHttpServer::onReadable(QTcpSocket* socket)
{
    const QByteArray buffer = socket->property("buffer").toByteArray() + socket->readAll();
    socket->setProperty("buffer", buffer);
    const qsizetype end = buffer.indexOf("\r\n\r\n");
    if (end < 0 || socket->property("path").isValid())
        return;
    const QList<QByteArray> lines = buffer.left(end).split('\n');
    const QUrl target(QString::fromLatin1(lines.front().trimmed().split(' ').value(1)));
    SeenRequest seen{target.path(), target.query(QUrl::FullyEncoded), {}};
    for (const QByteArray& line : lines.sliced(1)) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            seen.headers.insert(line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed());
    }
    socket->setProperty("path", seen.path);
    m_requests.append(seen);

    const FakeResponse response = m_routes.value(seen.path, {"not found", 404});
    QTimer::singleShot(response.delay, this, [this, guard = QPointer(socket), response] {
        if (guard && guard->state() == QAbstractSocket::ConnectedState)
            answer(guard, response);
    });
}

void FakeHttpServer::answer(QTcpSocket* socket, const FakeResponse& response)
{
    if (response.hangUp) {
        socket->setProperty("answered", true);
        socket->disconnectFromHost();
        return;
    }
    // Qt reads no meaning into the reason phrase.
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    head += "Content-Type: application/json\r\nConnection: close\r\n";
    const qint64 length = response.length.value_or(response.drip ? -1 : response.body.size());
    if (length >= 0)
        head += "Content-Length: " + QByteArray::number(length) + "\r\n";
    for (const auto& [name, value] : response.headers)
        head += name + ": " + value + "\r\n";
    socket->write(head + "\r\n");
    if (response.drip) {
        auto* drip = new QTimer(socket);
        connect(drip, &QTimer::timeout, socket, [socket] { socket->write(" "); });
        drip->start(20);
        return;
    }
    socket->setProperty("answered", true);
    socket->write(response.body);
    if (response.length.value_or(-1) < 0) // the close ends the body
        socket->disconnectFromHost();
}

} // namespace tavik::test
