#pragma once

namespace tavik::Dynamics {

// A slowly varying value in [0, 1], a pure function of the shared uptime. Each user picks its
// own seed and speed, so modulations differ from each other but agree across displays.
[[nodiscard]] double wave(double seed, double speed);

// The same at a given uptime, for callers that already hold the time.
[[nodiscard]] double waveAt(double uptime, double seed, double speed);

} // namespace tavik::Dynamics
