#include "core/Dynamics.h"

#include <algorithm>
#include <cmath>

namespace tavik::Dynamics {

double waveAt(double now, double seed, double speed)
{
    const double x = seed + speed * (now * 0.02);
    const double v = 0.5 + 0.3 * std::sin(x) + 0.13 * std::sin(2.3 * x + 1.7) + 0.07 * std::sin(0.47 * x + 4.1);
    return std::clamp(v, 0.0, 1.0);
}

} // namespace tavik::Dynamics
