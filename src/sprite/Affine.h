#pragma once

#include <cmath>

namespace tavik::sprite {

// A 2D affine map: (x, y) -> (a x + c y + tx, b x + d y + ty).
struct Affine {
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    double tx = 0.0;
    double ty = 0.0;

    // Translate, then rotate, then scale: the order a node applies its own properties in.
    [[nodiscard]] static Affine fromTrs(double x, double y, double rotation, double sx, double sy)
    {
        const double cs = std::cos(rotation);
        const double sn = std::sin(rotation);
        return {cs * sx, sn * sx, -sn * sy, cs * sy, x, y};
    }

    [[nodiscard]] static Affine translation(double x, double y) { return {1.0, 0.0, 0.0, 1.0, x, y}; }
    [[nodiscard]] static Affine scaling(double sx, double sy) { return {sx, 0.0, 0.0, sy, 0.0, 0.0}; }

    // this ∘ rhs: rhs applies first.
    [[nodiscard]] Affine operator*(const Affine& rhs) const
    {
        return {a * rhs.a + c * rhs.b,  b * rhs.a + d * rhs.b,  a * rhs.c + c * rhs.d,
                b * rhs.c + d * rhs.d,  a * rhs.tx + c * rhs.ty + tx, b * rhs.tx + d * rhs.ty + ty};
    }

    [[nodiscard]] double mapX(double x, double y) const { return a * x + c * y + tx; }
    [[nodiscard]] double mapY(double x, double y) const { return b * x + d * y + ty; }
};

} // namespace tavik::sprite
