#pragma once

#include <functional>
#include <optional>

namespace tavik {

// The one clock that every display and the soundscape share for their slow modulations: time
// since boot, counting suspend, so two overlays and the sound agree at every moment.
class Uptime {
public:
    [[nodiscard]] static double now();

    // Replaces the system clock, for tests and for reproducible renders; an empty function
    // restores it.
    static void setSource(std::function<double()> source);
    // Holds the clock at a fixed time; nothing restores the system clock.
    static void pin(std::optional<double> seconds);
};

} // namespace tavik
