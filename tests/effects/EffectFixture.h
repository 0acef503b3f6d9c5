#pragma once

#include "../sprite/Fixtures.h"

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

using sprite::testing::FixedRandom;

// Just below 1: the top of a range without leaving it.
inline constexpr double kAlmostOne = 1.0 - 1e-12;

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

inline WindSample windOf(double dx) { return WindSample{{dx, 0}, 0}; }

// A visible dock along the bottom from minX to maxX whose top edge is at `top`.
inline DockGeometry dockAt(double minX, double maxX, double top = 60, bool visible = true)
{
    DockGeometry geometry;
    geometry.rect = QRectF(minX, 0, maxX - minX, top);
    geometry.isVisible = visible;
    return geometry;
}

// What every effect test builds on: a store with its defaults, a seeded random source, a dock
// provider with no dock until a test places one, and a scene to hang nodes in so their actions
// run. Tests pass the time in through frames.
class EffectFixture : public ::testing::Test {
public:
    static constexpr QSizeF kSceneSize{1440, 900};
    static constexpr double kFrame = 1.0 / 60;

protected:
    [[nodiscard]] EffectContext context(double scale = 1, double at = 0)
    {
        return EffectContext{random, dock, scale, at};
    }

    // Shows `effect` on a display of `size` and applies the settings there.
    void applyAt(Effect& effect, QSizeF size, double scale = 2)
    {
        effect.setDisplay(Display{size, scale, true});
        effect.apply(settings);
    }

    // Advances the scene by `seconds` in frames of 1/60 s, so node actions run.
    void run(double seconds)
    {
        for (double t = 0; t < seconds; t += kFrame)
            scene.advance(now += kFrame);
    }

    MemoryKeyValueStore db;
    SettingsStore settings{db};
    sprite::Random random{11};
    FixedDockGeometry dock;
    sprite::Scene scene{kSceneSize};
    double now = 1000;
};

} // namespace tavik::test
