#pragma once

#include <algorithm>

namespace tavik {

// The time step both scenes advance their effects by: a sixtieth of a second on the first
// frame (lastUpdate 0 means never), then the time since the last frame, at most a tenth of a
// second so effects stay stable after a stall. Records `now` as the last frame.
inline double takeFrameStep(double& lastUpdate, double now)
{
    constexpr double kFirstStep = 1.0 / 60;
    constexpr double kMaxStep = 0.1;
    const double dt = lastUpdate == 0 ? kFirstStep : std::min(now - lastUpdate, kMaxStep);
    lastUpdate = now;
    return dt;
}

} // namespace tavik
