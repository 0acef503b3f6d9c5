#pragma once

#include <cmath>

namespace tavik {

// A point on the globe in degrees.
struct Coordinate {
    double lat = 0;
    double lon = 0;

    // Finite and on the globe. Everything that arrives from outside is checked with this before
    // it is used in a request.
    [[nodiscard]] bool isValid() const
    {
        return std::isfinite(lat) && std::isfinite(lon) && std::abs(lat) <= 90 && std::abs(lon) <= 180;
    }

    friend bool operator==(const Coordinate&, const Coordinate&) = default;
};

} // namespace tavik
