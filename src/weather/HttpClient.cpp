#include "weather/HttpClient.h"

#include "weather/WeatherLog.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace tavik {

namespace {

constexpr int kMaxRedirects = 5;

// Errors that only say what the HTTP status said; the body is still the answer.
bool isStatusOnlyError(QNetworkReply::NetworkError error)
{
    const int code = error;
    return (code >= QNetworkReply::ContentAccessDenied && code <= QNetworkReply::UnknownContentError)
        || (code >= QNetworkReply::InternalServerError && code <= QNetworkReply::UnknownServerError);
}

HttpResult::Failure failureKind(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ConnectionRefusedError: return HttpResult::Failure::Refused;
    case QNetworkReply::TimeoutError: return HttpResult::Failure::TimedOut;
    default: return HttpResult::Failure::Other;
    }
}

} // namespace

QString failureReason(const HttpResult& result)
{
    switch (result.failure) {
    case HttpResult::Failure::TimedOut: return QStringLiteral("time-out");
    case HttpResult::Failure::Refused: return QStringLiteral("refused");
    case HttpResult::Failure::Other: return result.error.isEmpty() ? QStringLiteral("request failed") : result.error;
    case HttpResult::Failure::None: break;
    }
    if (result.status >= 300)
        return QStringLiteral("HTTP %1").arg(result.status);
    return QStringLiteral("bad answer");
}

HttpRequest::HttpRequest(QNetworkReply* reply, const HttpLimits& limits, std::function<void(HttpResult)> done)
    : m_reply(reply), m_maxBodyBytes(limits.maxBodyBytes), m_done(std::move(done))
{
    connect(reply, &QNetworkReply::metaDataChanged, this, &HttpRequest::checkAnnouncedSize);
    connect(reply, &QNetworkReply::readyRead, this, &HttpRequest::takeBody);
    connect(reply, &QNetworkReply::redirected, this, &HttpRequest::checkRedirect);
    connect(reply, &QNetworkReply::finished, this, &HttpRequest::finish);
    m_deadline.setSingleShot(true);
    connect(&m_deadline, &QTimer::timeout, this, [this] { fail(QStringLiteral("no answer in time"), HttpResult::Failure::TimedOut); });
    m_deadline.start(limits.timeout);
}

HttpRequest::~HttpRequest()
{
    release();
}

void HttpRequest::cancel()
{
    m_done = {};
    release();
}

void HttpRequest::takeBody()
{
    if (!m_reply)
        return;
    m_body += m_reply->read(m_maxBodyBytes + 1 - m_body.size());
    if (m_body.size() > m_maxBodyBytes)
        fail(QStringLiteral("answer larger than %1 bytes").arg(m_maxBodyBytes));
}

void HttpRequest::checkAnnouncedSize()
{
    if (!m_reply)
        return;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    if (length.isValid() && length.toLongLong() > m_maxBodyBytes)
        fail(QStringLiteral("answer announced as %1 bytes").arg(length.toLongLong()));
}

void HttpRequest::checkRedirect(const QUrl& target)
{
    if (!m_reply)
        return;
    const QUrl resolved = m_reply->url().resolved(target);
    if (resolved.scheme().compare(u"https", Qt::CaseInsensitive) != 0) {
        fail(QStringLiteral("redirect to %1 refused").arg(resolved.toDisplayString()));
        return;
    }
    emit m_reply->redirectAllowed();
}

void HttpRequest::finish()
{
    if (!m_reply)
        return;
    takeBody();
    if (!m_reply)
        return; // takeBody refused the answer
    const QNetworkReply::NetworkError error = m_reply->error();
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (error != QNetworkReply::NoError && !(status.isValid() && isStatusOnlyError(error))) {
        fail(m_reply->errorString(), failureKind(error));
        return;
    }
    release();
    deliver({std::exchange(m_body, {}), {}, HttpResult::Failure::None, status.toInt()});
}

void HttpRequest::fail(const QString& why, HttpResult::Failure kind)
{
    const QUrl url = m_reply ? m_reply->url() : QUrl();
    qCDebug(lcWeather) << "request failed:" << url.toDisplayString() << why;
    release();
    m_body.clear();
    deliver({{}, why.isEmpty() ? QStringLiteral("request failed") : why, kind, 0});
}

void HttpRequest::deliver(HttpResult result)
{
    m_deadline.stop();
    // The callback may destroy this request: nothing of it is touched after the call.
    if (auto done = std::exchange(m_done, {}))
        done(std::move(result));
}

void HttpRequest::release()
{
    m_deadline.stop();
    QNetworkReply* reply = m_reply.data();
    m_reply = nullptr;
    if (!reply)
        return;
    reply->disconnect(this);
    if (reply->isRunning())
        reply->abort();
    reply->deleteLater();
}

HttpClient::HttpClient(HttpLimits limits)
    : m_limits(limits), m_manager(std::make_unique<QNetworkAccessManager>())
{
}

HttpClient::~HttpClient() = default;

QByteArray HttpClient::userAgent()
{
    return QByteArrayLiteral("Tavik/" TAVIK_WEATHER_VERSION " (desktop weather ambience)");
}

std::unique_ptr<HttpRequest> HttpClient::get(const QUrl& url, std::function<void(HttpResult)> done)
{
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setRawHeader("Accept", "application/json");
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::UserVerifiedRedirectPolicy);
    request.setMaximumRedirectsAllowed(kMaxRedirects);
    QNetworkReply* reply = m_manager->get(request);
    return std::unique_ptr<HttpRequest>(new HttpRequest(reply, m_limits, std::move(done)));
}

} // namespace tavik
