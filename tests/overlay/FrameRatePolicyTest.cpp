#include "overlay/FrameRatePolicy.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tavik;

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

TEST(FrameRatePolicy, TheMostDemandingPictureSetsTheRateUnderTheMaximum)
{
    struct Case {
        int max;
        double wanted;
        int rate;
    };
    constexpr int kMin = FrameRatePolicy::kMinRate;
    const Case cases[] = {
        {60, 0, kMin},      // nothing shows: the slow wake-up
        {60, 10, 10},       // fog, clouds
        {60, 29.2, 30},     // never below what is wanted
        {60, kInf, 60},     // a fast mover takes the whole maximum
        {60, 500, 60},
        {24, kInf, 24},     // the user's maximum wins
        {24, 30, 24},
        {5, 0, 5},          // even over the slow wake-up
        {60, kNaN, kMin},   // a broken answer costs little
        {60, -4, kMin},
        {1000, kInf, 240},  // a damaged maximum is bounded
        {-3, kInf, 1},
    };
    for (const Case& c : cases) {
        FrameRatePolicy policy;
        policy.setMaxRate(c.max);
        EXPECT_EQ(policy.rateFor(c.wanted), c.rate) << "max " << c.max << " wanted " << c.wanted;
    }
}

// Frames of `work` seconds, one tick per interval at the rate the policy allows, for `seconds`.
struct Ticks {
    FrameRatePolicy policy;
    double now = 100;

    int rate() const { return policy.rateFor(kInf); }
    void frames(double work, double seconds)
    {
        for (const double end = now + seconds; now < end;) {
            const int r = rate();
            policy.recordFrame(work, r, now);
            now += 1.0 / r;
        }
    }
};

TEST(FrameRatePolicy, RepeatedOverrunsLowerTheRateAndOnlyFramesThatFitAFasterOneBringItBack)
{
    Ticks run;
    // One slow frame is a hiccup, not a reason to slow down.
    run.policy.recordFrame(0.05, 60, run.now);
    run.policy.recordFrame(0.001, 60, run.now);
    EXPECT_EQ(run.rate(), 60);
    // Frames of 25 ms at 60/s overrun every time: the rate drops to what they allow.
    run.frames(0.025, 0.1);
    const int lowered = run.rate();
    EXPECT_LT(lowered, 40);
    EXPECT_GE(lowered, 20);
    EXPECT_EQ(run.policy.rateFor(10), 10); // slower pictures keep what they want below the cap
    // Still overrunning: it stays down (and may go lower), never up.
    run.frames(0.025, 5);
    EXPECT_LE(run.rate(), lowered);
    // 20 ms frames fit the lowered rate but would fill more than half of a faster one's interval.
    const int settled = run.rate();
    run.frames(0.02, 30);
    EXPECT_EQ(run.rate(), settled);
    // Cheap frames again: after a few calm seconds, step by step, the full rate returns.
    run.frames(0.001, FrameRatePolicy::kCalmToRecover * 0.9);
    EXPECT_EQ(run.rate(), settled) << "not at once";
    run.frames(0.001, 60);
    EXPECT_EQ(run.rate(), 60);
    EXPECT_EQ(run.policy.overrunCap(), 60);
}

TEST(FrameRatePolicy, ANewMaximumBelowTheCapReplacesItAndGarbageTimesChangeNothing)
{
    Ticks run;
    run.frames(0.025, 0.1);
    run.policy.setMaxRate(15);
    run.policy.recordFrame(kNaN, 15, run.now);
    run.policy.recordFrame(-1, 15, run.now);
    run.policy.recordFrame(0.01, 0, run.now);
    EXPECT_EQ(run.rate(), 15);
    run.policy.setMaxRate(60);
    EXPECT_EQ(run.rate(), 60);
}

} // namespace
