#pragma once

namespace tavik::Clock {

// Seconds since boot, counting suspend: the time every display and the soundscape read once
// per frame or tick and hand on, so two overlays and the sound agree at every moment.
[[nodiscard]] double now();

} // namespace tavik::Clock
