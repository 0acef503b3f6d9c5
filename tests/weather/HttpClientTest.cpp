#include "FakeHttpServer.h"
#include "weather/HttpClient.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTcpServer>
#include <QTest>

using namespace tavik;
using namespace std::chrono_literals;
using tavik::test::FakeHttpServer;
using tavik::test::FakeResponse;

namespace {

class HttpClientTest : public ::testing::Test {
protected:
    void TearDown() override { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    // One GET, waited for; nothing when no callback came within `wait`.
    std::optional<HttpResult> fetch(const QString& path, HttpLimits limits = {300ms, 1024 * 1024},
                                    std::chrono::milliseconds wait = 3s)
    {
        HttpClient client(limits);
        std::optional<HttpResult> result;
        QUrl url = server.baseUrl();
        url.setPath(path);
        auto request = client.get(url, [&result](HttpResult r) { result = std::move(r); });
        (void)QTest::qWaitFor([&result] { return result.has_value(); }, static_cast<int>(wait.count()));
        return result;
    }

    FakeHttpServer server;
};

} // namespace

TEST_F(HttpClientTest, AnswerWhateverTheStatusWithOurUserAgent)
{
    server.json(QStringLiteral("/ok"), R"({"a":1})");
    server.route(QStringLiteral("/missing"), FakeResponse::answer(R"({"error":"no"})", 404));
    server.route(QStringLiteral("/broken"), FakeResponse::answer("oops", 500));

    auto ok = fetch(QStringLiteral("/ok"));
    ASSERT_TRUE(ok);
    EXPECT_TRUE(ok->ok());
    EXPECT_EQ(ok->body, R"({"a":1})");
    ASSERT_EQ(server.requests().size(), 1);
    EXPECT_TRUE(server.requests().front().headers.value("user-agent").startsWith("Tavik/"));

    // The status is not judged here: the decoders judge the body.
    auto missing = fetch(QStringLiteral("/missing"));
    ASSERT_TRUE(missing);
    EXPECT_TRUE(missing->ok());
    EXPECT_EQ(missing->body, R"({"error":"no"})");
    auto broken = fetch(QStringLiteral("/broken"));
    ASSERT_TRUE(broken && broken->ok());
    EXPECT_EQ(broken->body, "oops");
    EXPECT_EQ(broken->status, 500);
    EXPECT_EQ(failureReason(*broken), u"HTTP 500"); // when the body then does not decode
}

TEST_F(HttpClientTest, TransportFailures)
{
    server.route(QStringLiteral("/hangup"), FakeResponse().hangUp());
    auto hangup = fetch(QStringLiteral("/hangup"));
    ASSERT_TRUE(hangup);
    EXPECT_FALSE(hangup->ok());
    EXPECT_TRUE(hangup->body.isEmpty());

    // A port nobody listens on.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const quint16 port = closed.serverPort();
    closed.close();
    HttpClient client({300ms, 1024});
    std::optional<HttpResult> refused;
    auto request = client.get(QUrl(QStringLiteral("http://127.0.0.1:%1/").arg(port)), [&](HttpResult r) { refused = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return refused.has_value(); }, 3000));
    EXPECT_FALSE(refused->ok());
    EXPECT_EQ(failureReason(*refused), u"refused");
}

TEST_F(HttpClientTest, DeadlineCoversTheWholeTransfer)
{
    server.route(QStringLiteral("/silent"), FakeResponse().after(1h));
    // A server that keeps sending a byte now and then never goes quiet, yet never finishes.
    server.route(QStringLiteral("/drip"), FakeResponse().drip());
    for (const char* path : {"/silent", "/drip"}) {
        QElapsedTimer clock;
        clock.start();
        auto result = fetch(QString::fromLatin1(path), {200ms, 1024 * 1024}, 3s);
        ASSERT_TRUE(result) << path;
        EXPECT_FALSE(result->ok()) << path;
        EXPECT_EQ(failureReason(*result), u"time-out") << path;
        EXPECT_LT(clock.elapsed(), 1500) << path;
    }
    (void)QTest::qWaitFor([this] { return server.abandoned() == 2; }, 1000);
    EXPECT_EQ(server.abandoned(), 2); // both connections were really dropped
}

TEST_F(HttpClientTest, AnswersBeyondTheCapAreRefused)
{
    const HttpLimits limits{2s, 1000};
    server.json(QStringLiteral("/fits"), QByteArray(1000, 'x'));
    server.json(QStringLiteral("/big"), QByteArray(1001, 'x'));
    server.route(QStringLiteral("/streamed"), FakeResponse::answer(QByteArray(200'000, 'x')).withoutLength());
    server.route(QStringLiteral("/announced"), FakeResponse::answer("{}").announcing(50'000'000));

    auto fits = fetch(QStringLiteral("/fits"), limits);
    ASSERT_TRUE(fits);
    EXPECT_TRUE(fits->ok());
    EXPECT_EQ(fits->body.size(), 1000);
    for (const char* path : {"/big", "/streamed", "/announced"}) {
        auto result = fetch(QString::fromLatin1(path), limits);
        ASSERT_TRUE(result) << path;
        EXPECT_FALSE(result->ok()) << path;
        EXPECT_TRUE(result->body.isEmpty()) << path;
    }
}

TEST_F(HttpClientTest, RedirectToPlainHttpIsNotFollowed)
{
    const QByteArray target = server.baseUrl().toString().toUtf8() + "/elsewhere";
    server.route(QStringLiteral("/moved"), FakeResponse::answer("", 302).header("Location", target));
    server.json(QStringLiteral("/elsewhere"), R"({"followed":true})");

    auto result = fetch(QStringLiteral("/moved"));
    ASSERT_TRUE(result);
    EXPECT_FALSE(result->ok());
    EXPECT_EQ(server.count(QStringLiteral("/elsewhere")), 0);
}

TEST_F(HttpClientTest, DestroyingARequestAbortsItAndSilencesItsCallback)
{
    server.route(QStringLiteral("/slow"), FakeResponse::answer("{}").after(150ms));
    HttpClient client({2s, 1024});
    bool called = false;
    QUrl url = server.baseUrl();
    url.setPath(QStringLiteral("/slow"));
    auto request = client.get(url, [&called](const HttpResult&) { called = true; });
    ASSERT_TRUE(QTest::qWaitFor([this] { return server.count(QStringLiteral("/slow")) == 1; }, 2000));
    request.reset();
    QTest::qWait(300);
    EXPECT_FALSE(called);
    EXPECT_EQ(server.abandoned(), 1);
}
