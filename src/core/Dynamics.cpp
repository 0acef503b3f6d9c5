#include "core/Dynamics.h"

#include "effects/Uptime.h"

#include <algorithm>
#include <cmath>

namespace tavik::Dynamics {

double waveAt(double uptime, double seed, double speed)
{
    const double x = seed + speed * (uptime * 0.02);
    const double v = 0.5 + 0.3 * std::sin(x) + 0.13 * std::sin(2.3 * x + 1.7) + 0.07 * std::sin(0.47 * x + 4.1);
    return std::clamp(v, 0.0, 1.0);
}

double wave(double seed, double speed)
{
    return waveAt(Uptime::now(), seed, speed);
}

} // namespace tavik::Dynamics
