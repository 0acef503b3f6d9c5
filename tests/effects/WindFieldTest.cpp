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

TEST(WindField, StillWhenOffOrWithoutStrengthKeepsItsPhasesAndGustsFasterWhenGustier)
{
    WindField wind = steadyWind(50, 40, 20);
    wind.update(0.5, 0);
    ASSERT_GT(wind.sample().velocity.dx, 0);
    const double gust = wind.gustPhase;
    for (const auto& [on, strength] : {std::pair{false, 50.0}, {true, 0.0}}) {
        wind.enabled = on;
        wind.strength = strength;
        wind.update(0.5, 0);
        EXPECT_EQ(wind.sample(), WindSample{});
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
        EXPECT_NEAR(across.sample().velocity.dx, 0.5 * full, 1e-9);
        EXPECT_NEAR(beyond.sample().velocity.dx, -full, 1e-9);
        EXPECT_NEAR(left.sample().velocity.dx, -(0.5 + 0.5 * 10.0 / 45.0) * full, 1e-9);
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

TEST(WindField, DynamicModeIgnoresTheSlidersAndSwingsSlowlyBetweenSides)
{
    WindField wind = steadyWind(0, 0, 0);
    wind.dynamic = true;
    const double half = std::numbers::pi / 0.012;
    for (double t = 5; t < 2 * half; t += 5) {
        wind.update(0.1, t);
        EXPECT_GT(wind.sample().velocity.dx * (t < half ? 1 : -1), 0) << t;
        EXPECT_LE(std::abs(wind.sample().velocity.dx), WindField::kMaxSpeed * 0.95 * (0.64 + 0.9) + 1e-9);
    }
}
