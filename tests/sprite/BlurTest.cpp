#include "sprite/Blur.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tavik::sprite {
namespace {

QImage dot(QSize size, QPoint at)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    image.setPixel(at, qRgba(255, 255, 255, 255));
    return image;
}

double alphaSum(const QImage& image)
{
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            sum += qAlpha(image.pixel(x, y));
    return sum;
}

TEST(BlurTest, SpreadsLikeAGaussianOfTheGivenRadius)
{
    // A bright square rather than one pixel, so rounding to 8 bits loses little.
    QImage image(121, 121, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int y = 58; y <= 62; ++y)
        for (int x = 58; x <= 62; ++x)
            image.setPixel(x, y, qRgba(255, 255, 255, 255));
    const double radius = 6;
    const QImage blurred = gaussianBlur(image, radius);
    ASSERT_EQ(blurred.size(), image.size());

    double sum = 0, varianceX = 0, meanX = 0;
    for (int y = 0; y < blurred.height(); ++y)
        for (int x = 0; x < blurred.width(); ++x) {
            const double a = qAlpha(blurred.pixel(x, y));
            sum += a;
            meanX += a * x;
            varianceX += a * (x - 60.0) * (x - 60.0);
        }
    EXPECT_NEAR(sum, alphaSum(image), alphaSum(image) * 0.03); // nothing lost far from the edges
    EXPECT_NEAR(meanX / sum, 60.0, 0.05);                      // and nothing shifted
    // The square's own variance (2) plus the blur's (r²).
    EXPECT_NEAR(varianceX / sum, radius * radius + 2.0, 0.1 * radius * radius);
    EXPECT_EQ(qAlpha(blurred.pixel(50, 60)), qAlpha(blurred.pixel(70, 60)));
    EXPECT_EQ(qAlpha(blurred.pixel(60, 50)), qAlpha(blurred.pixel(60, 70)));
}

TEST(BlurTest, EdgesFadeBecauseOutsideIsTransparent)
{
    QImage image(50, 30, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(200, 100, 50));
    const QImage blurred = gaussianBlur(image, 4);
    EXPECT_EQ(qAlpha(blurred.pixel(25, 15)), 255);
    EXPECT_LT(qAlpha(blurred.pixel(0, 15)), 160);
    EXPECT_LT(qAlpha(blurred.pixel(0, 0)), qAlpha(blurred.pixel(0, 15)));
    // Still premultiplied: no channel above its alpha.
    for (int y = 0; y < blurred.height(); ++y)
        for (int x = 0; x < blurred.width(); ++x) {
            const QRgb px = blurred.pixel(x, y);
            ASSERT_LE(qRed(px), qAlpha(px));
        }
}

TEST(BlurTest, DegenerateInputsComeBackUnharmed)
{
    EXPECT_TRUE(gaussianBlur(QImage(), 5).isNull());
    const QImage image = dot({9, 9}, {4, 4});
    EXPECT_EQ(gaussianBlur(image, 0.2), image);
    EXPECT_EQ(gaussianBlur(image, -3), image);
    // A blur wider than the image leaves a faint, even haze and does not crash.
    const QImage wide = gaussianBlur(dot({3, 2}, {1, 1}), 40);
    EXPECT_EQ(wide.size(), QSize(3, 2));
    EXPECT_LE(alphaSum(wide), 255.0);
    EXPECT_LT(qAlpha(wide.pixel(1, 1)), 64);
}

} // namespace
} // namespace tavik::sprite
