#include "core/Clock.h"
#include "core/Dynamics.h"
#include "effects/WindField.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

using namespace tavik;

namespace {
WindField steadyWind(double strength, double gustiness, double direction)
{
    WindField wind;
    wind.strength = strength;
    wind.gustiness = gustiness;
    wind.directionDeg = direction;
    return wind;
}

} // namespace

TEST(WindField, StillWhenOffOrWithoutStrengthResumesFromItsPhasesAndGustsFasterWhenGustier)
{
    WindField wind = steadyWind(50, 40, 20);
    wind.update(0.5, 0);
    ASSERT_GT(wind.sample().velocity.dx, 0);
    EXPECT_EQ(wind.sample().velocity.dy, 0);
    const double slow = wind.slowPhase;
    const double gust = wind.gustPhase;
    for (const auto& [on, strength] : {std::pair{false, 50.0}, {true, 0.0}}) {
        wind.enabled = on;
        wind.strength = strength;
        wind.update(0.5, 0);
        EXPECT_EQ(wind.sample(), WindSample{});
        EXPECT_EQ(wind.slowPhase, slow);
        EXPECT_EQ(wind.gustPhase, gust);
    }

    const auto gustPace = [](double gustiness) {
        WindField w = steadyWind(50, gustiness, 0);
        w.update(0.1, 0);
        return w.gustPhase / 0.1;
    };
    EXPECT_GT(gustPace(0), 0);
    EXPECT_GT(gustPace(100), 3 * gustPace(0));
}

TEST(WindField, DirectionSetsSideAndShareOfFullSpeed)
{
    WindField across = steadyWind(60, 30, 0);
    WindField slanted = steadyWind(60, 30, 45);
    WindField beyond = steadyWind(60, 30, -80);
    WindField left = steadyWind(60, 30, -10);
    for (int i = 0; i < 40; ++i) {
        for (WindField* wind : {&across, &slanted, &beyond, &left})
            wind->update(0.1, 0);
        const double full = slanted.sample().velocity.dx;
        ASSERT_GT(full, 0);
        EXPECT_NEAR(across.sample().velocity.dx, 0.5 * full, 1e-9); // straight across: half
        EXPECT_NEAR(beyond.sample().velocity.dx, -full, 1e-9);
        EXPECT_NEAR(left.sample().velocity.dx, -(0.5 + 0.5 * 10.0 / 45.0) * full, 1e-9); // in proportion between
        EXPECT_EQ(across.sample().gust, slanted.sample().gust);
    }
}

TEST(WindField, GustsArePulsesBoundedByGustinessAndSpeedByTheTopOfAGust)
{
    WindField wind = steadyWind(100, 100, 45);
    double maxGust = 0;
    double maxSpeed = 0;
    int calmFrames = 0;
    for (int i = 0; i < 6000; ++i) {
        wind.update(1.0 / 60, 0);
        maxGust = std::max(maxGust, wind.sample().gust);
        maxSpeed = std::max(maxSpeed, wind.sample().velocity.dx);
        calmFrames += wind.sample().gust == 0;
    }
    EXPECT_LE(maxGust, 1.0);
    EXPECT_GT(maxGust, 0.95);
    EXPECT_GT(calmFrames, 2000); // half of each gust cycle is calm
    EXPECT_LE(maxSpeed, 377.2 + 1e-9);
    EXPECT_GT(maxSpeed, 300);
}

TEST(WindField, DynamicModeIgnoresTheSlidersAndSwingsSlowlyWithTheSharedClock)
{
    WindField wind = steadyWind(0, 0, 0); // sliders that would mean no wind at all
    wind.dynamic = true;
    // One side for the first half of the swing, the other for the second.
    const double half = std::numbers::pi / 0.012;
    for (double t = 5; t < 2 * half; t += 5) {
        wind.update(0.1, t);
        EXPECT_GT(wind.sample().velocity.dx * (t < half ? 1 : -1), 0) << t;
    }
    for (double t = 0; t < 5000; t += 7.3) {
        wind.update(0.05, t);
        EXPECT_LE(std::abs(wind.sample().velocity.dx), WindField::kMaxSpeed * 0.95 * (0.64 + 0.9) + 1e-9);
    }
}

TEST(Dynamics, WaveStaysInRangeWandersSlowlyAndAgreesAcrossCallers)
{
    double low = 1;
    double high = 0;
    for (double t = 0; t < 200000; t += 13.7) {
        for (const auto& [seed, speed] : {std::pair{0.0, 1.0}, {31.0, 0.85}, {91.0, 0.7}, {67.0, 0.6}}) {
            const double v = Dynamics::waveAt(t, seed, speed);
            ASSERT_GE(v, 0.0);
            ASSERT_LE(v, 1.0);
        }
        low = std::min(low, Dynamics::waveAt(t, 31, 0.85));
        high = std::max(high, Dynamics::waveAt(t, 31, 0.85));
    }
    EXPECT_GT(high - low, 0.6);
    EXPECT_NE(Dynamics::waveAt(100, 31, 0.85), Dynamics::waveAt(100, 91, 0.7));
    // Seed and speed move along the same curve: 50 s at speed 1 is x = 1.
    EXPECT_DOUBLE_EQ(Dynamics::waveAt(50, 0, 1), Dynamics::waveAt(0, 1, 0));
    EXPECT_LT(std::abs(Dynamics::waveAt(1000, 0, 1) - Dynamics::waveAt(1001, 0, 1)), 0.01);
}

TEST(Clock, RunsFromBootAndNeverBack)
{
    const double a = Clock::now();
    EXPECT_GT(a, 0);
    EXPECT_GE(Clock::now(), a);
}
