#pragma once

namespace tavik::Dynamics {

// A slowly varying value in [0, 1], a pure function of the shared clock. Each user picks its
// own seed and speed, so modulations differ from each other but agree across displays.
[[nodiscard]] double waveAt(double now, double seed, double speed);

} // namespace tavik::Dynamics
