#include "FakePositionSource.h"
#include "weather/LocationProvider.h"

#include <gtest/gtest.h>

#include <QTest>

#include <cmath>

using namespace tavik;
using namespace std::chrono_literals;
using tavik::test::FakePositionSource;
using Behaviour = FakePositionSource::Behaviour;

namespace {

struct Provider {
    explicit Provider(Behaviour behaviour, std::chrono::milliseconds timeout = 2s)
    {
        auto fake = std::make_unique<FakePositionSource>(behaviour, Coordinate{47.37, 8.54});
        source = fake.get();
        provider = std::make_unique<LocationProvider>(std::move(fake), timeout);
    }
    FakePositionSource* source;
    std::unique_ptr<LocationProvider> provider;
};

std::optional<LocationFailure::Kind> failureKind(const std::optional<LocationResult>& result)
{
    if (!result || !std::holds_alternative<LocationFailure>(*result))
        return std::nullopt;
    return std::get<LocationFailure>(*result).kind;
}

} // namespace

TEST(LocationProvider, OneFixServesEveryWaitingCaller)
{
    Provider p(Behaviour::Fix);
    std::optional<LocationResult> first, second;
    auto a = p.provider->current([&](const LocationResult& r) { first = r; });
    auto b = p.provider->current([&](const LocationResult& r) { second = r; });
    EXPECT_FALSE(first); // never answered from within the call
    ASSERT_TRUE(QTest::qWaitFor([&] { return first && second; }, 2000));
    EXPECT_EQ(p.source->requests, 1);
    EXPECT_EQ(std::get<Coordinate>(*first), (Coordinate{47.37, 8.54}));
    EXPECT_EQ(std::get<Coordinate>(*second), (Coordinate{47.37, 8.54}));
    EXPECT_EQ(p.provider->authorization(), LocationProvider::Authorization::Authorized);
}

TEST(LocationProvider, RefusalIsRememberedAndNotAskedAgain)
{
    Provider p(Behaviour::Deny);
    std::optional<LocationResult> first;
    auto a = p.provider->current([&](const LocationResult& r) { first = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.has_value(); }, 2000));
    EXPECT_EQ(failureKind(first), LocationFailure::Kind::Denied);

    std::optional<LocationResult> again;
    auto b = p.provider->current([&](const LocationResult& r) { again = r; });
    EXPECT_FALSE(again);
    ASSERT_TRUE(QTest::qWaitFor([&] { return again.has_value(); }, 2000));
    EXPECT_EQ(failureKind(again), LocationFailure::Kind::Denied);
    EXPECT_EQ(p.source->requests, 1);
}

TEST(LocationProvider, PlatformErrorsAreNotARefusal)
{
    Provider p(Behaviour::Fail);
    std::optional<LocationResult> result;
    auto a = p.provider->current([&](const LocationResult& r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 2000));
    EXPECT_EQ(failureKind(result), LocationFailure::Kind::Platform);
    result.reset();
    auto b = p.provider->current([&](const LocationResult& r) { result = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 2000));
    EXPECT_EQ(p.source->requests, 2); // asked again
}

TEST(LocationProvider, SilentServiceIsGivenUpOnAndALateFixServesNobody)
{
    Provider p(Behaviour::Silent, 100ms);
    std::optional<LocationResult> result;
    int calls = 0;
    auto a = p.provider->current([&](const LocationResult& r) {
        result = r;
        ++calls;
    });
    ASSERT_TRUE(QTest::qWaitFor([&] { return result.has_value(); }, 2000));
    EXPECT_EQ(failureKind(result), LocationFailure::Kind::Unavailable);

    p.source->answerLater({1, 2});
    EXPECT_EQ(calls, 1);
    // The next caller asks the platform again rather than waiting on the abandoned request.
    auto b = p.provider->current([](const LocationResult&) {});
    EXPECT_EQ(p.source->requests, 2);
}

TEST(LocationProvider, WithdrawnWaitsAndImpossibleFixes)
{
    Provider p(Behaviour::Silent);
    bool withdrawnCalled = false;
    std::optional<LocationResult> kept;
    {
        auto withdrawn = p.provider->current([&](const LocationResult&) { withdrawnCalled = true; });
    }
    auto stays = p.provider->current([&](const LocationResult& r) { kept = r; });
    p.source->answerLater({std::nan(""), 10});
    EXPECT_FALSE(withdrawnCalled);
    EXPECT_EQ(failureKind(kept), LocationFailure::Kind::Platform);
}
