#pragma once

#include <optional>

namespace tavik {

// Seconds since boot, suspended time included (CLOCK_BOOTTIME): one clock shared by every
// display and the soundscape, so their slow modulations agree at any moment.
[[nodiscard]] double uptimeSeconds();

// Pins the clock to a fixed value (offline renders, tests); nullopt returns to the real clock.
// Main thread only.
void setUptimeOverride(std::optional<double> seconds);

} // namespace tavik
