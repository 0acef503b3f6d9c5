#pragma once

#include <QColor>

namespace tavik::sprite {

// Straight (not premultiplied) RGBA in [0, 1]; floats because draw-list building reads
// colours for every sprite of every frame.
struct Color {
    float r = 1.0f;
    float g = 1.0f;
    float b = 1.0f;
    float a = 1.0f;

    [[nodiscard]] static Color fromQColor(const QColor& c)
    {
        const QColor rgb = c.toRgb();
        return {float(rgb.redF()), float(rgb.greenF()), float(rgb.blueF()), float(rgb.alphaF())};
    }

    friend bool operator==(const Color&, const Color&) = default;
};

} // namespace tavik::sprite
