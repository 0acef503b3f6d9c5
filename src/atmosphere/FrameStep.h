#pragma once

#include <algorithm>
#include <optional>

namespace tavik {

// The time step both scenes advance their effects by: a sixtieth of a second on the first
// frame, then the time since the last frame, at most a tenth of a second so effects stay
// stable after a stall. Records `now` as the last frame.
inline double takeFrameStep(std::optional<double>& lastUpdate, double now)
{
    constexpr double kFirstStep = 1.0 / 60;
    constexpr double kMaxStep = 0.1;
    const double dt = lastUpdate ? std::min(now - *lastUpdate, kMaxStep) : kFirstStep;
    lastUpdate = now;
    return dt;
}

} // namespace tavik
