#include "overlay/FrameRatePolicy.h"

#include <QtNumeric>

#include <gtest/gtest.h>

using namespace tavik;

namespace {

// Nothing showing takes the slow wake-up and a fast mover the whole maximum; the user's maximum wins,
// even over the wake-up; a broken answer costs little, and a damaged maximum is bounded.
TEST(FrameRatePolicy, TheMostDemandingPictureSetsTheRateUnderTheMaximum)
{
    constexpr int kMin = FrameRatePolicy::kMinRate;
    const struct {
        int max;
        double wanted;
        int rate;
    } cases[] = {
        {60, 0, kMin},    {60, 10, 10},        {60, 29.2, 30}, {60, qInf(), 60},    {24, 30, 24},
        {5, 0, 5},        {60, qQNaN(), kMin}, {60, -4, kMin}, {1000, qInf(), 240}, {-3, qInf(), 1},
    };
    for (const auto& c : cases) {
        FrameRatePolicy policy;
        policy.setMaxRate(c.max);
        EXPECT_EQ(policy.rateFor(c.wanted), c.rate) << "max " << c.max << " wanted " << c.wanted;
    }
}

// Overruns in a row lower the rate; only frames that would fit a faster one bring it back, slowly.
TEST(FrameRatePolicy, RepeatedOverrunsLowerTheRateAndOnlyFramesThatFitAFasterOneBringItBack)
{
    FrameRatePolicy policy;
    double now = 100;
    const auto rate = [&] { return policy.rateFor(qInf()); };
    // Ticks at the rate allowed, each taking `work` seconds, for `seconds`.
    const auto frames = [&](double work, double seconds) {
        for (const double end = now + seconds; now < end;) {
            const int r = rate();
            policy.recordFrame(work, r, now);
            now += 1.0 / r;
        }
    };
    policy.recordFrame(0.05, 60, now); // one slow frame is a hiccup
    policy.recordFrame(0.001, 60, now);
    EXPECT_EQ(rate(), 60);
    for (int i = 0; i < FrameRatePolicy::kOverrunsToLower; ++i)
        policy.recordFrame(0.025, 60, now); // 25 ms frames overrun 60/s: one step down, not to 32 at once
    const int lowered = rate();
    EXPECT_LT(lowered, 60);
    EXPECT_GE(lowered, 45);
    EXPECT_EQ(policy.rateFor(10), 10); // slower pictures keep what they want below the cap
    frames(0.025, 1);
    const int settled = rate();
    EXPECT_LE(settled * 0.025, 1.0) << "down until the frames fit";
    EXPECT_GE(settled * 0.025, 0.8) << "and no further";
    frames(0.02, 30); // fits the lowered rate, but fills more than 80% of a faster one's interval
    EXPECT_EQ(rate(), settled);
    frames(0.001, FrameRatePolicy::kCalmToRecover * 0.9);
    EXPECT_EQ(rate(), settled) << "not at once";
    frames(0.001, 60);
    EXPECT_EQ(rate(), 60);
    // A new maximum below the cap replaces it; frame times that are no number change nothing.
    frames(0.025, 0.1);
    policy.setMaxRate(15);
    policy.recordFrame(qQNaN(), 15, now);
    policy.recordFrame(-1, 15, now);
    policy.recordFrame(0.01, 0, now);
    EXPECT_EQ(rate(), 15);
    policy.setMaxRate(60);
    EXPECT_EQ(rate(), 60);
}

} // namespace
