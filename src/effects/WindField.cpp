#include "effects/WindField.h"

#include "core/Dynamics.h"
#include "effects/EffectContext.h"

#include "settings/SettingsStore.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

constexpr double kWindSeed = 0;
constexpr double kWindSpeed = 1;
// The dynamic direction swings between -42 and +42 degrees over about nine minutes.
constexpr double kDynamicDirectionSwing = 42;
constexpr double kDynamicDirectionRate = 0.012;

} // namespace

void WindField::apply(const SettingsStore& settings)
{
    strength = boundedSetting(settings, Setting::windStrength);
    gustiness = boundedSetting(settings, Setting::windGustiness);
    directionDeg = boundedSetting(settings, Setting::windDirection);
    enabled = settings.windEnabled();
    dynamic = settings.windDynamic();
}

void WindField::update(double dt, double now)
{
    if (!enabled) {
        m_sample = {};
        return;
    }

    double s = 0;
    double g = 0;
    double d = 0;
    if (dynamic) {
        const double t = now;
        const double w = Dynamics::waveAt(t, kWindSeed, kWindSpeed);
        s = 77 * w + 18;
        g = 55 * w + 35; // the same wave: strength and gusts rise and fall together
        d = kDynamicDirectionSwing * std::sin(t * kDynamicDirectionRate);
    } else {
        s = strength;
        if (s <= 0) {
            m_sample = {};
            return;
        }
        g = gustiness;
        d = directionDeg;
    }
    s /= 100;
    g /= 100;

    slowPhase += 0.35 * dt;
    midPhase += 0.62 * dt;
    gustPhase += dt * (1.7 * g + 0.45);

    // Straight across blows at half strength; a slant of 45 degrees or more at full strength.
    const double directionFactor = 0.5 + 0.5 * std::min(std::abs(d) / 45, 1.0);
    const double swell = 0.32 + 0.2 * std::sin(slowPhase) + 0.12 * std::sin(midPhase);
    // Short, sharp pulses separated by calm half-cycles.
    const double pulse = std::max(std::sin(gustPhase), 0.0);
    const double gust = g * std::pow(pulse, 4);

    const double speed = kMaxSpeed * s * (swell + gust) * directionFactor;
    m_sample.velocity = {d < 0 ? -speed : speed, 0};
    m_sample.gust = gust;
}

} // namespace tavik
