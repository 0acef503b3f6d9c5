#include "sprite/Blur.h"
#include "sprite/Texture.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <utility>

namespace tavik::sprite {
namespace {

TEST(TextureTest, PixelSizeFollowsTheBackingScaleAndDrawingUsesPointsWithYUp)
{
    for (const auto& [scale, pixels] : {std::pair{1.0, QSize(3, 13)}, {1.5, QSize(4, 20)}, {3.0, QSize(8, 39)}}) {
        const TexturePtr texture = Texture::draw({2.6, 13}, scale, Filtering::Linear, [](QPainter&) {});
        EXPECT_EQ(texture->pixelSize(), pixels) << "scale " << scale;
        EXPECT_EQ(texture->size(), QSizeF(2.6, 13)) << "the size in points stays exact";
    }
    EXPECT_EQ(Texture::draw({0.2, 0.2}, 1, Filtering::Linear, {})->pixelSize(), QSize(1, 1)); // a sliver gets a pixel

    const QImage lowerHalf = Texture::draw({10, 10}, 2, Filtering::Nearest, [](QPainter& p) {
                                 p.fillRect(QRectF(0, 0, 10, 5), Qt::white);
                             })->image();
    ASSERT_EQ(lowerHalf.size(), QSize(20, 20));
    EXPECT_EQ(qAlpha(lowerHalf.pixel(0, 10)), 255);
    EXPECT_EQ(qAlpha(lowerHalf.pixel(19, 19)), 255);
    EXPECT_EQ(qAlpha(lowerHalf.pixel(0, 9)), 0);

    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::red);
    const TexturePtr fromImage = Texture::fromImage(image, 2);
    EXPECT_EQ(fromImage->size(), QSizeF(32, 16));
    EXPECT_EQ(fromImage->image().format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_FALSE(fromImage->isPlaceholder());
}

TEST(TextureTest, FailuresGiveTheTransparentPlaceholder)
{
    for (const TexturePtr& texture : {
             Texture::fromImage(QImage()),
             Texture::fromImage(QImage(4, 4, QImage::Format_ARGB32), 0.0),
             Texture::draw({0, 10}, 1, Filtering::Linear, {}),
             Texture::draw({10, 0}, 1, Filtering::Linear, {}),
             Texture::draw({10, 10}, -1, Filtering::Linear, {}),
             Texture::draw({10, 10}, 0, Filtering::Linear, {}),
             Texture::draw({1e9, 1e9}, 2, Filtering::Linear, {}),
         }) {
        ASSERT_NE(texture, nullptr);
        EXPECT_TRUE(texture->isPlaceholder());
        EXPECT_EQ(texture->pixelSize(), QSize(1, 1));
        EXPECT_EQ(qAlpha(texture->image().pixel(0, 0)), 0);
    }
}

TEST(TextureTest, RefilteringKeepsPixelsAndGivesANewIdentity)
{
    const TexturePtr linear =
        Texture::draw({4, 4}, 1, Filtering::Linear, [](QPainter& p) { p.fillRect(QRectF(0, 0, 2, 2), Qt::blue); });
    const TexturePtr nearest = linear->withFiltering(Filtering::Nearest);
    EXPECT_EQ(nearest->filtering(), Filtering::Nearest);
    EXPECT_EQ(nearest->image(), linear->image());
    EXPECT_NE(nearest->id(), linear->id());
    EXPECT_EQ(linear->withFiltering(Filtering::Linear), linear);
}

QImage square(QSize size, QRect filled, QColor color = Qt::white)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(filled, color);
    return image;
}

TEST(BlurTest, SpreadsLikeAGaussianOfTheGivenRadius)
{
    // A bright square rather than one pixel, so rounding to 8 bits loses little.
    const QImage image = square({121, 121}, QRect(58, 58, 5, 5));
    const double radius = 6;
    const QImage blurred = gaussianBlur(image, radius);
    ASSERT_EQ(blurred.size(), image.size());
    double sum = 0, meanX = 0, varianceX = 0;
    for (int y = 0; y < blurred.height(); ++y)
        for (int x = 0; x < blurred.width(); ++x) {
            const double a = qAlpha(blurred.pixel(x, y));
            sum += a;
            meanX += a * x;
            varianceX += a * (x - 60.0) * (x - 60.0);
        }
    EXPECT_NEAR(sum, 25 * 255, 25 * 255 * 0.03); // nothing lost far from the edges
    EXPECT_NEAR(meanX / sum, 60.0, 0.05);        // and nothing shifted
    // The square's own variance (2) plus the blur's (r²).
    EXPECT_NEAR(varianceX / sum, radius * radius + 2.0, 0.1 * radius * radius);
    EXPECT_EQ(qAlpha(blurred.pixel(50, 60)), qAlpha(blurred.pixel(70, 60)));
    EXPECT_EQ(qAlpha(blurred.pixel(60, 50)), qAlpha(blurred.pixel(60, 70)));
}

TEST(BlurTest, EdgesFadeIntoTheTransparentOutsideAndStayPremultiplied)
{
    const QImage blurred = gaussianBlur(square({50, 30}, QRect(0, 0, 50, 30), QColor(200, 100, 50)), 4);
    EXPECT_EQ(qAlpha(blurred.pixel(25, 15)), 255);
    EXPECT_LT(qAlpha(blurred.pixel(0, 15)), 160);
    EXPECT_LT(qAlpha(blurred.pixel(0, 0)), qAlpha(blurred.pixel(0, 15)));
    for (int y = 0; y < blurred.height(); ++y)
        for (int x = 0; x < blurred.width(); ++x)
            ASSERT_LE(qRed(blurred.pixel(x, y)), qAlpha(blurred.pixel(x, y)));
}

TEST(BlurTest, DegenerateInputsComeBackUnharmed)
{
    EXPECT_TRUE(gaussianBlur(QImage(), 5).isNull());
    const QImage dot = square({9, 9}, QRect(4, 4, 1, 1));
    EXPECT_EQ(gaussianBlur(dot, 0.2), dot);
    EXPECT_EQ(gaussianBlur(dot, -3), dot);
    // A blur wider than the image leaves a faint, even haze and does not crash.
    const QImage wide = gaussianBlur(square({3, 2}, QRect(1, 1, 1, 1)), 40);
    EXPECT_EQ(wide.size(), QSize(3, 2));
    int haze = 0;
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            haze += qAlpha(wide.pixel(x, y));
    EXPECT_LE(haze, 255);
    EXPECT_LT(qAlpha(wide.pixel(1, 1)), 64);
}

} // namespace
} // namespace tavik::sprite
