#pragma once

#include "../sprite/Fixtures.h"

#include "core/DockGeometry.h"
#include "core/Dynamics.h"
#include "effects/Effect.h"
#include "effects/EffectContext.h"

#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <utility>

namespace tavik::test {

using sprite::testing::FixedRandom;

inline constexpr double kAlmostOne = 1.0 - 1e-12;

// When the slow wave is lowest and highest.
inline std::pair<double, double> waveExtremes(double seed, double speed)
{
    double low = 0, high = 0, lowest = Dynamics::waveAt(0, seed, speed), highest = lowest;
    for (double t = 1; t < 20000; t += 1) {
        const double wave = Dynamics::waveAt(t, seed, speed);
        if (wave < lowest) {
            low = t;
            lowest = wave;
        }
        if (wave > highest) {
            high = t;
            highest = wave;
        }
    }
    return {low, high};
}

inline Frame frameAt(double now, double dt = 0, WindSample wind = {}, std::optional<QPointF> hover = std::nullopt)
{
    return Frame{now, dt, wind, hover};
}

inline WindSample windOf(double dx) { return WindSample{{dx, 0}, 0}; }

// A dock along the bottom whose top edge is at `top`.
inline DockGeometry dockAt(double minX, double maxX, double top = 60, bool visible = true)
{
    DockGeometry geometry;
    geometry.rect = QRectF(minX, 0, maxX - minX, top);
    geometry.isVisible = visible;
    return geometry;
}

// Default settings, seeded draws, no dock until a test places one, and a scene for actions.
class EffectFixture : public ::testing::Test {
public:
    static constexpr QSizeF kSceneSize{1440, 900};
    static constexpr double kFrame = 1.0 / 60;

protected:
    [[nodiscard]] EffectContext context(double scale = 1, double at = 0)
    {
        return EffectContext{random, dock, scale, at};
    }

    void applyAt(Effect& effect, QSizeF size, double scale = 2)
    {
        effect.setDisplay(Display{size, scale, true});
        effect.apply(settings);
    }

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
