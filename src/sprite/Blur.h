#pragma once

#include <QImage>

namespace tavik::sprite {

// A Gaussian blur with standard deviation `radius` pixels, cropped back to the image:
// what lies outside counts as transparent, so edges soften inwards. Approximated by three
// box passes per axis. Returns a premultiplied ARGB32 image of the same size; a null
// image stays null, a radius below half a pixel returns the image unchanged.
[[nodiscard]] QImage gaussianBlur(const QImage& image, double radius);

} // namespace tavik::sprite
