#include "WeatherFakes.h"
#include "weather/HttpClient.h"
#include "weather/LocationProvider.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include <cmath>

using namespace tavik;
using namespace std::chrono_literals;
using namespace tavik::test;
using Behaviour = FakePositionSource::Behaviour;

namespace {

QUrl at(const FakeHttpServer& server, const char* path)
{
    QUrl url = server.baseUrl();
    url.setPath(QString::fromLatin1(path));
    return url;
}

// One GET, waited for; nothing when no callback came.
std::optional<HttpResult> fetch(const QUrl& url)
{
    HttpClient client({300ms, 1000});
    std::optional<HttpResult> result;
    auto request = client.get(url, [&result](HttpResult r) { result = std::move(r); });
    (void)QTest::qWaitFor([&result] { return result.has_value(); }, 3000);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return result;
}

std::optional<LocationFailure::Kind> failureKind(const std::optional<LocationResult>& result)
{
    if (!result || !std::holds_alternative<LocationFailure>(*result))
        return std::nullopt;
    return std::get<LocationFailure>(*result).kind;
}

} // namespace

TEST(HttpClient, AnswersWhateverTheStatusWithinTimeAndSize)
{
    FakeHttpServer server;
    const QByteArray elsewhere = at(server, "/elsewhere").toEncoded();
    const struct {
        const char* path;
        FakeResponse response;
        std::optional<QByteArray> body; // nothing: no answer
        const char* reason;             // when the body then does not decode
    } cases[] = {
        {"/ok", {"{}"}, "{}", "bad answer"},
        // The status is not judged here: the decoders judge the body.
        {"/missing", {"no", 404}, "no", "HTTP 404"},
        {"/broken", {"oops", 500}, "oops", "HTTP 500"},
        {"/fits", {QByteArray(1000, 'x')}, QByteArray(1000, 'x'), nullptr},
        {"/big", {QByteArray(1001, 'x')}, {}, nullptr},
        {"/streamed", {.body = QByteArray(200'000, 'x'), .length = -1}, {}, nullptr},
        {"/announced", {.body = "{}", .length = 50'000'000}, {}, nullptr},
        {"/hangup", {.hangUp = true}, {}, nullptr},
        {"/moved", {.status = 302, .headers = {{"Location", elsewhere}}}, {}, nullptr}, // leaves HTTPS
        // The deadline covers the whole transfer, also one that keeps sending a byte now and then.
        {"/silent", {.delay = 1h}, {}, "time-out"},
        {"/drip", {.drip = true}, {}, "time-out"},
    };
    for (const auto& c : cases)
        server.route(QString::fromLatin1(c.path), c.response);
    server.json(QStringLiteral("/elsewhere"), "{}");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        const auto result = fetch(at(server, c.path));
        ASSERT_TRUE(result);
        EXPECT_EQ(result->ok(), c.body.has_value());
        EXPECT_EQ(result->body, c.body.value_or(QByteArray()));
        if (c.reason) {
            EXPECT_EQ(failureReason(*result), QString::fromLatin1(c.reason));
        }
    }
    EXPECT_EQ(server.count(QStringLiteral("/elsewhere")), 0);
    EXPECT_TRUE(server.requests().front().headers.value("user-agent").startsWith("Tavik/"));
    (void)QTest::qWaitFor([&server] { return server.abandoned() == 2; }, 1000);
    EXPECT_EQ(server.abandoned(), 2); // the silent and the dripping connection were really dropped

    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost, 0));
    const QUrl nobody(QStringLiteral("http://127.0.0.1:%1/").arg(closed.serverPort()));
    closed.close();
    const auto refused = fetch(nobody);
    ASSERT_TRUE(refused);
    EXPECT_EQ(failureReason(*refused), u"refused");
}

TEST(HttpClient, DestroyingARequestAbortsItAndSilencesItsCallback)
{
    FakeHttpServer server;
    server.route(QStringLiteral("/slow"), {.body = "{}", .delay = 150ms});
    HttpClient client({2s, 1024});
    bool called = false;
    auto request = client.get(at(server, "/slow"), [&called](const HttpResult&) { called = true; });
    ASSERT_TRUE(QTest::qWaitFor([&server] { return server.count(QStringLiteral("/slow")) == 1; }, 2000));
    request.reset();
    QTest::qWait(300);
    EXPECT_FALSE(called);
    EXPECT_EQ(server.abandoned(), 1);
}

TEST(LocationProvider, OneRequestServesEveryWaitingCallerAndOnlyARefusalIsRemembered)
{
    const Coordinate zurich{47.37, 8.54};
    const struct {
        Behaviour behaviour;
        std::optional<LocationFailure::Kind> failure; // nothing: the fix
        int requestsWhenAskedAgain;
    } cases[] = {
        {Behaviour::Fix, {}, 2},
        {Behaviour::Deny, LocationFailure::Kind::Denied, 1},
        {Behaviour::Fail, LocationFailure::Kind::Platform, 2},
        {Behaviour::Silent, LocationFailure::Kind::Unavailable, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.behaviour));
        auto fake = std::make_unique<FakePositionSource>(c.behaviour, zurich);
        FakePositionSource& source = *fake;
        LocationProvider provider(std::move(fake), 100ms);
        std::vector<LocationResult> results;
        auto keep = [&results](const LocationResult& r) { results.push_back(r); };
        auto first = provider.current(keep);
        auto second = provider.current(keep);
        EXPECT_TRUE(results.empty()); // never answered from within the call
        ASSERT_TRUE(QTest::qWaitFor([&] { return results.size() == 2; }, 2000));
        EXPECT_EQ(source.requests, 1);
        for (const LocationResult& result : results) {
            EXPECT_EQ(failureKind(result), c.failure);
            EXPECT_TRUE(c.failure || std::get<Coordinate>(result) == zurich);
        }
        auto again = provider.current(keep);
        ASSERT_TRUE(QTest::qWaitFor([&] { return results.size() == 3; }, 2000));
        EXPECT_EQ(failureKind(results.back()), c.failure);
        EXPECT_EQ(source.requests, c.requestsWhenAskedAgain);
    }
}

TEST(LocationProvider, LateWithdrawnAndImpossibleFixesReachNobody)
{
    auto fake = std::make_unique<FakePositionSource>();
    FakePositionSource& source = *fake;
    LocationProvider provider(std::move(fake), 100ms);
    int calls = 0;
    auto givenUp = provider.current([&calls](const LocationResult&) { ++calls; });
    ASSERT_TRUE(QTest::qWaitFor([&calls] { return calls == 1; }, 2000));
    source.answerLater({1, 2});
    {
        auto withdrawn = provider.current([&calls](const LocationResult&) { ++calls; });
    }
    std::optional<LocationResult> kept;
    auto stays = provider.current([&kept](const LocationResult& r) { kept = r; });
    source.answerLater({std::nan(""), 10});
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(failureKind(kept), LocationFailure::Kind::Platform);
}
