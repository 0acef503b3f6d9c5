#include "sprite/Blur.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

namespace tavik::sprite {

namespace {

constexpr int kBoxPasses = 3;
constexpr double kMinimumRadius = 0.5;

// Widths of three boxes whose convolution has standard deviation sigma (for box widths
// w the variance is n (w² − 1) / 12; mixing two odd widths hits sigma closely).
std::array<int, kBoxPasses> boxWidths(double sigma)
{
    const double ideal = std::sqrt(12.0 * sigma * sigma / kBoxPasses + 1.0);
    int lower = int(std::floor(ideal));
    if (lower % 2 == 0)
        --lower;
    const int upper = lower + 2;
    const double m = std::round((12.0 * sigma * sigma - kBoxPasses * lower * lower - 4.0 * kBoxPasses * lower
                                 - 3.0 * kBoxPasses) / (-4.0 * lower - 4.0));
    std::array<int, kBoxPasses> widths{};
    for (int i = 0; i < kBoxPasses; ++i)
        widths[i] = i < m ? lower : upper;
    return widths;
}

// One box pass over `count` lines of `length` samples, `stride` apart within a line and
// `lineStride` apart between lines; four interleaved channels, transparent outside.
void boxPass(const std::uint32_t* src, std::uint32_t* dst, int length, int count, std::ptrdiff_t stride,
             std::ptrdiff_t lineStride, int halfWidth)
{
    const int width = 2 * halfWidth + 1;
    for (int line = 0; line < count; ++line) {
        const std::uint32_t* in = src + line * lineStride;
        std::uint32_t* out = dst + line * lineStride;
        std::array<std::uint32_t, 4> sum{};
        auto add = [&](std::uint32_t px, int sign) {
            for (int ch = 0; ch < 4; ++ch)
                sum[ch] += std::uint32_t(sign) * ((px >> (8 * ch)) & 0xffu);
        };
        for (int i = 0; i < std::min(halfWidth, length); ++i)
            add(in[i * stride], 1);
        for (int i = 0; i < length; ++i) {
            const int entering = i + halfWidth;
            const int leaving = i - halfWidth - 1;
            if (entering < length)
                add(in[entering * stride], 1);
            if (leaving >= 0)
                add(in[leaving * stride], -1);
            std::uint32_t px = 0;
            for (int ch = 0; ch < 4; ++ch)
                px |= ((sum[ch] + std::uint32_t(width / 2)) / std::uint32_t(width)) << (8 * ch);
            out[i * stride] = px;
        }
    }
}

} // namespace

QImage gaussianBlur(const QImage& image, double radius)
{
    if (image.isNull())
        return image;
    QImage a = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (!(radius >= kMinimumRadius) || a.isNull())
        return a;
    QImage b(a.size(), QImage::Format_ARGB32_Premultiplied);
    if (b.isNull())
        return a;

    const int w = a.width();
    const int h = a.height();
    const std::ptrdiff_t rowStride = a.bytesPerLine() / 4;
    auto* pa = reinterpret_cast<std::uint32_t*>(a.bits());
    auto* pb = reinterpret_cast<std::uint32_t*>(b.bits());

    // Each pass keeps channels premultiplied, so colour never bleeds out of transparency.
    for (const int boxWidth : boxWidths(radius)) {
        const int half = (boxWidth - 1) / 2;
        boxPass(pa, pb, w, h, 1, rowStride, half);
        boxPass(pb, pa, h, w, rowStride, 1, half);
    }
    return a;
}

} // namespace tavik::sprite
