#pragma once

#include <cstdint>

namespace tavik::sprite {

// The one source of randomness of a scene. Deterministic for a given seed; tests may
// subclass it to pin every draw.
class Random {
public:
    explicit Random(std::uint64_t seed = kDefaultSeed);
    virtual ~Random() = default;

    // Uniform in [0, 1).
    [[nodiscard]] virtual double unit();

    // Uniform in [lo, hi].
    [[nodiscard]] double uniform(double lo, double hi) { return lo + (hi - lo) * unit(); }

    // A value v with range r: uniform in [v - r/2, v + r/2].
    [[nodiscard]] double around(double value, double range) { return value + range * (unit() - 0.5); }

    void reseed(std::uint64_t seed);

    static constexpr std::uint64_t kDefaultSeed = 0x7a51c0ffeeULL;

private:
    std::uint64_t m_state[4] = {};
};

} // namespace tavik::sprite
