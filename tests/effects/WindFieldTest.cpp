#include "core/Dynamics.h"
#include "core/Clock.h"
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

TEST(WindField, StillWhenOffOrWithoutStrengthAndResumesFromItsPhases)
{
    WindField wind = steadyWind(50, 40, 20);
    wind.update(0.5, 0);
    ASSERT_GT(wind.sample().velocity.dx, 0);
    const double slow = wind.slowPhase;
    const double gust = wind.gustPhase;

    wind.enabled = false;
    wind.update(0.5, 0);
    EXPECT_EQ(wind.sample(), WindSample{});
    EXPECT_EQ(wind.slowPhase, slow);
    EXPECT_EQ(wind.gustPhase, gust);

    wind.enabled = true;
    wind.strength = 0;
    wind.update(0.5, 0);
    EXPECT_EQ(wind.sample(), WindSample{});
    EXPECT_EQ(wind.slowPhase, slow);

    wind.strength = 50;
    wind.update(0.1, 0);
    EXPECT_DOUBLE_EQ(wind.slowPhase, slow + 0.35 * 0.1);
    EXPECT_DOUBLE_EQ(wind.gustPhase, gust + 0.1 * (1.7 * 0.4 + 0.45));
    EXPECT_EQ(wind.sample().velocity.dy, 0);
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
        EXPECT_NEAR(across.sample().velocity.dx, 0.5 * full, 1e-9);
        EXPECT_NEAR(beyond.sample().velocity.dx, -full, 1e-9);
        EXPECT_NEAR(left.sample().velocity.dx, -(0.5 + 0.5 * 10.0 / 45.0) * full, 1e-9);
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

TEST(WindField, DynamicModeIgnoresTheSlidersAndSwingsWithTheSharedClock)
{
    WindField wind = steadyWind(0, 0, 0); // sliders that would mean no wind at all
    wind.dynamic = true;

    const double quarter = (std::numbers::pi / 2) / 0.012;
    wind.update(0.1, quarter);
    EXPECT_GT(wind.sample().velocity.dx, 0);
    wind.update(0.1, 3 * quarter);
    EXPECT_LT(wind.sample().velocity.dx, 0);

    // Gust pace follows the working gustiness 55w + 35, not the slider.
    const double before = wind.gustPhase;
    const double w = Dynamics::waveAt(3 * quarter, 0, 1);
    wind.update(0.1, 3 * quarter);
    EXPECT_NEAR(wind.gustPhase - before, 0.1 * (1.7 * (55 * w + 35) / 100 + 0.45), 1e-12);

    // Strength stays within 18..95 and gustiness within 35..90 over a long sweep.
    for (double t = 0; t < 5000; t += 7.3) {
        wind.update(0.05, t);
        const double working = 77 * Dynamics::waveAt(t, 0, 1) + 18;
        EXPECT_GE(working, 18);
        EXPECT_LE(working, 95);
        EXPECT_LE(std::abs(wind.sample().velocity.dx), WindField::kMaxSpeed * 0.95 * (0.64 + 0.9) + 1e-9);
    }
}

TEST(Dynamics, WaveStaysInRangeAndAgreesAcrossCallers)
{
    for (double t = 0; t < 200000; t += 13.7) {
        for (const auto& [seed, speed] : {std::pair{0.0, 1.0}, {31.0, 0.85}, {91.0, 0.7}, {67.0, 0.6}}) {
            const double v = Dynamics::waveAt(t, seed, speed);
            ASSERT_GE(v, 0.0);
            ASSERT_LE(v, 1.0);
        }
    }
    EXPECT_NE(Dynamics::waveAt(100, 31, 0.85), Dynamics::waveAt(100, 91, 0.7));
    // x = 0: 0.5 + 0.13 sin 1.7 + 0.07 sin 4.1.
    EXPECT_NEAR(Dynamics::waveAt(0, 0, 1), 0.5716370, 1e-6);
    // Seed and speed move along the same curve: 50 s at speed 1 is x = 1.
    EXPECT_DOUBLE_EQ(Dynamics::waveAt(50, 0, 1), Dynamics::waveAt(0, 1, 0));
    double low = 1;
    double high = 0;
    for (double t = 0; t < 20000; t += 3.7) {
        low = std::min(low, Dynamics::waveAt(t, 31, 0.85));
        high = std::max(high, Dynamics::waveAt(t, 31, 0.85));
    }
    EXPECT_GT(high - low, 0.6); // it really wanders
    // Slow: a second moves it by well under a percent.
    EXPECT_LT(std::abs(Dynamics::waveAt(1000, 0, 1) - Dynamics::waveAt(1001, 0, 1)), 0.01);
}

TEST(Clock, RunsFromBootAndNeverBack)
{
    const double a = Clock::now();
    EXPECT_GT(a, 0);
    EXPECT_GE(Clock::now(), a);
}
