#pragma once

#include "core/DockGeometry.h"
#include "core/Dynamics.h"
#include "effects/Effect.h"
#include "effects/EffectContext.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"
#include "sprite/Random.h"
#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <utility>

namespace tavik::test {

// Every draw returns the same fraction, so a range's ends can be hit exactly.
class PinnedRandom final : public sprite::Random {
public:
    explicit PinnedRandom(double fraction = 0.5) : value(fraction) {}
    double unit() override { return value; }
    double value;
};

// The clock readings, within a long stretch, at which the slow wave is lowest and highest.
inline std::pair<double, double> waveExtremes(double seed, double speed)
{
    double low = 0, high = 0;
    for (double t = 0; t < 20000; t += 1) {
        if (Dynamics::waveAt(t, seed, speed) < Dynamics::waveAt(low, seed, speed))
            low = t;
        if (Dynamics::waveAt(t, seed, speed) > Dynamics::waveAt(high, seed, speed))
            high = t;
    }
    return {low, high};
}

// A frame at `now` on the shared clock, `dt` after the one before.
inline Frame frameAt(double now, double dt = 0, WindSample wind = {}, std::optional<QPointF> hover = std::nullopt)
{
    return Frame{now, dt, wind, hover};
}

// Just below 1: the top of a range without leaving it.
inline constexpr double kAlmostOne = 1.0 - 1e-12;

// What every effect test builds on: a store with its defaults, a seeded random source, a dock
// provider with no dock until a test places one, and a scene to hang nodes in so their actions
// run. Tests pass the time in through frames.
class EffectFixture : public ::testing::Test {
public:
    static constexpr QSizeF kSceneSize{1440, 900};
    static constexpr double kFrame = 1.0 / 60;

protected:

    [[nodiscard]] EffectContext context(double scale = 1, double now = 0)
    {
        return EffectContext{random, dock, scale, now};
    }
    [[nodiscard]] EffectContext context(sprite::Random& source, double scale = 1)
    {
        return EffectContext{source, dock, scale, 0};
    }

    // One frame `dt` after the last one on the fixture's clock.
    [[nodiscard]] Frame frame(double dt = kFrame, WindSample wind = {})
    {
        now += dt;
        return frameAt(now, dt, wind);
    }

    // Shows `effect` on a display of `size` and applies the settings there.
    void applyAt(Effect& effect, QSizeF size, double scale = 1)
    {
        effect.setDisplay(Display{size, scale, true});
        effect.apply(settings);
    }

    [[nodiscard]] static WindSample windOf(double dx) { return WindSample{{dx, 0}, 0}; }

    MemoryKeyValueStore db;
    SettingsStore settings{db};
    sprite::Random random{11};
    FixedDockGeometry dock;
    sprite::Scene scene{kSceneSize};
    double now = 1000;
};

} // namespace tavik::test
