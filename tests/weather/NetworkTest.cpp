#include "WeatherFakes.h"
#include "weather/HttpClient.h"
#include "weather/LocationProvider.h"

#include <gtest/gtest.h>

#include <QTest>

#include <cmath>

using namespace tavik;
using namespace std::chrono_literals;
using namespace tavik::test;
using Behaviour = FakePositionSource::Behaviour;

namespace {

std::optional<LocationFailure::Kind> failureKind(const LocationResult& result)
{
    const auto* failure = std::get_if<LocationFailure>(&result);
    return failure ? std::optional(failure->kind) : std::nullopt;
}

} // namespace

TEST(HttpClient, AnswersWhateverTheStatusWithinTimeAndSize)
{
    FakeHttpServer server;
    const struct {
        const char* path;
        FakeResponse response;
        std::optional<QByteArray> body; // nothing: no answer
        const char* reason;             // when the body then does not decode
    } cases[] = {
        {"/ok", {"{}"}, "{}", "bad answer"},
        {"/missing", {"no", 404}, "no", "HTTP 404"},
        {"/broken", {"oops", 500}, "oops", "HTTP 500"},
        {"/fits", {QByteArray(1000, 'x')}, QByteArray(1000, 'x'), nullptr},
        {"/big", {QByteArray(1001, 'x')}, {}, nullptr},
        {"/streamed", {.body = QByteArray(200'000, 'x'), .unsized = true}, {}, nullptr},
        {"/to-http", {.status = 302, .location = server.url(QStringLiteral("/elsewhere")).toEncoded()}, {}, nullptr},
        // The deadline covers the whole transfer, also one that keeps sending a byte now and then.
        {"/silent", {.delay = 1h}, {}, "time-out"},
        {"/drip", {.drip = true}, {}, "time-out"},
    };
    server.route(QStringLiteral("/elsewhere"), {"{}"});
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        server.route(QString::fromLatin1(c.path), c.response);
        HttpClient client({300ms, 1000});
        std::optional<HttpResult> result;
        auto request = client.get(server.url(QString::fromLatin1(c.path)),
                                  [&result](HttpResult r) { result = std::move(r); });
        ASSERT_TRUE(QTest::qWaitFor([&result] { return result.has_value(); }, 3000));
        EXPECT_EQ(result->ok(), c.body.has_value());
        EXPECT_EQ(result->body, c.body.value_or(QByteArray()));
        if (c.reason) {
            EXPECT_EQ(failureReason(*result), QString::fromLatin1(c.reason));
        }
    }
    EXPECT_EQ(server.count(QStringLiteral("/elsewhere")), 0);
    EXPECT_TRUE(server.requests().front().head.toLower().contains("\r\nuser-agent: tavik/"));
    (void)QTest::qWaitFor([&server] { return server.abandoned() == 2; }, 1000);
    EXPECT_EQ(server.abandoned(), 2); // the silent and the dripping connection were really dropped
}

// One platform request serves every caller waiting; only a refusal is remembered. A fix off the
// globe is a failure.
TEST(LocationProvider, OneRequestServesEveryWaitingCallerAndOnlyARefusalIsRemembered)
{
    const Coordinate zurich{47.37, 8.54};
    const struct {
        Behaviour behaviour;
        Coordinate fix;
        std::optional<LocationFailure::Kind> failure; // nothing: the fix
        int requestsWhenAskedAgain;
    } cases[] = {
        {Behaviour::Fix, zurich, {}, 2},
        {Behaviour::Fix, {std::nan(""), 10}, LocationFailure::Kind::Platform, 2},
        {Behaviour::Deny, zurich, LocationFailure::Kind::Denied, 1},
        {Behaviour::Fail, zurich, LocationFailure::Kind::Platform, 2},
        {Behaviour::Silent, zurich, LocationFailure::Kind::Unavailable, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.behaviour));
        auto fake = std::make_unique<FakePositionSource>(c.behaviour, c.fix);
        FakePositionSource& source = *fake;
        LocationProvider provider(std::move(fake), 100ms);
        std::vector<LocationResult> results;
        auto keep = [&results](const LocationResult& r) { results.push_back(r); };
        auto first = provider.current(keep);
        auto second = provider.current(keep);
        (void)provider.current(keep); // withdrawn at once, never heard
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
