#pragma once

namespace tavik::Dynamics {

// A slowly varying value in [0, 1] made of three sines of the uptime. Each user picks its own
// seed and speed; callers with the same pair see the same value at the same moment.
[[nodiscard]] double wave(double seed, double speed);
// The same value at a given uptime in seconds.
[[nodiscard]] double waveAt(double seed, double speed, double uptime);

} // namespace tavik::Dynamics
