#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

#include <chrono>
#include <functional>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;

namespace tavik {

// What any one request may cost. The services are strangers: one that never finishes or sends
// without end must not hold live weather up or fill the memory.
struct HttpLimits {
    std::chrono::milliseconds timeout{30'000}; // the whole transfer, not just a silence
    qint64 maxBodyBytes = 1024 * 1024;
};

struct HttpResult {
    enum class Failure { None, TimedOut, Refused, Other };

    QByteArray body;
    QString error; // empty when an answer arrived, whatever its HTTP status
    Failure failure = Failure::None;
    int status = 0; // the HTTP status of an answer; 0 when none arrived

    [[nodiscard]] bool ok() const { return error.isEmpty(); }
};

// Why a request gave nothing usable, in a few words: "time-out", "refused", the transport's
// own message, or for an answer that did not decode "HTTP <status>" (an error page) or
// "bad answer".
[[nodiscard]] QString failureReason(const HttpResult& result);

// One GET in flight. Destroying it aborts the transfer, and its callback never runs after that.
// The callback runs from the event loop, never from within HttpClient::get, and may destroy
// the request.
class HttpRequest : public QObject {
    Q_OBJECT
public:
    ~HttpRequest() override;

    // Aborts the transfer and drops the callback; safe at any time, also from the callback.
    void cancel();

private:
    friend class HttpClient;
    HttpRequest(QNetworkReply* reply, const HttpLimits& limits, std::function<void(HttpResult)> done);

    void takeBody();
    void checkAnnouncedSize();
    void checkRedirect(const QUrl& target);
    void finish();
    void fail(const QString& why, HttpResult::Failure kind = HttpResult::Failure::Other);
    void deliver(HttpResult result);
    void release();

    QPointer<QNetworkReply> m_reply;
    QTimer m_deadline;
    QByteArray m_body;
    qint64 m_maxBodyBytes;
    std::function<void(HttpResult)> m_done;
};

// Cancels a pending operation and lets the event loop delete it, so that an operation can be
// dropped from within its own callback (or from a store observer that callback set off).
template <typename T>
void discardLater(std::unique_ptr<T>& operation)
{
    if (!operation)
        return;
    operation->cancel();
    operation.release()->deleteLater();
}

// HTTP GET with the program's User-Agent, a deadline and a size cap on every answer, and no
// redirect that leaves HTTPS. The HTTP status is not examined: an error page is still an answer,
// and the decoders judge it. Main thread.
class HttpClient {
public:
    explicit HttpClient(HttpLimits limits = {});
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    [[nodiscard]] std::unique_ptr<HttpRequest> get(const QUrl& url, std::function<void(HttpResult)> done);

    [[nodiscard]] static QByteArray userAgent();

private:
    HttpLimits m_limits;
    std::unique_ptr<QNetworkAccessManager> m_manager;
};

} // namespace tavik
