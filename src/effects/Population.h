#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace tavik {

// Power saving shows this share of every population and rate.
inline constexpr double kLowPowerScale = 0.5;

// How a wanted count on a slider becomes a whole number of things, at most `max`; anything
// not a number gives none.
[[nodiscard]] inline std::size_t roundedCount(double wanted, std::size_t max)
{
    const double n = std::round(wanted);
    return std::isfinite(n) ? std::size_t(std::clamp(n, 0.0, double(max))) : 0;
}

[[nodiscard]] inline std::size_t truncatedCount(double wanted, std::size_t max)
{
    return std::isfinite(wanted) ? std::size_t(std::clamp(std::trunc(wanted), 0.0, double(max))) : 0;
}

// Brings a population to `target`: `spawn()` appends one new member, and the newest go first
// when it shrinks, each handed to `retire` before it is dropped.
template <typename Items, typename Spawn, typename Retire>
void resizePopulation(Items& items, std::size_t target, Spawn&& spawn, Retire&& retire)
{
    while (items.size() < target)
        spawn();
    while (items.size() > target) {
        retire(items.back());
        items.pop_back();
    }
}

} // namespace tavik
