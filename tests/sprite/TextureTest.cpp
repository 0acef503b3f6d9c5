#include "sprite/Texture.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace tavik::sprite {
namespace {

TEST(TextureTest, PixelSizeFollowsTheBackingScale)
{
    struct Case {
        double scale;
        QSize pixels;
    };
    for (const Case& c : {Case{1, {3, 13}}, Case{1.5, {4, 20}}, Case{2, {5, 26}}, Case{3, {8, 39}}}) {
        const TexturePtr texture = Texture::draw({2.6, 13}, c.scale, Filtering::Linear, [](QPainter&) {});
        EXPECT_EQ(texture->pixelSize(), c.pixels) << "scale " << c.scale;
        EXPECT_EQ(texture->size(), QSizeF(2.6, 13)) << "the size in points stays exact";
        EXPECT_FALSE(texture->isPlaceholder());
    }
    // A sliver still gets a pixel.
    EXPECT_EQ(Texture::draw({0.2, 0.2}, 1, Filtering::Linear, {})->pixelSize(), QSize(1, 1));

    QImage image(64, 32, QImage::Format_RGB32);
    image.fill(Qt::red);
    const TexturePtr fromImage = Texture::fromImage(image, 2);
    EXPECT_EQ(fromImage->size(), QSizeF(32, 16));
    EXPECT_EQ(fromImage->image().format(), QImage::Format_ARGB32_Premultiplied);
}

TEST(TextureTest, DrawingUsesPointsWithYUp)
{
    const TexturePtr texture = Texture::draw({10, 10}, 2, Filtering::Nearest, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 10, 5), Qt::white); // the lower half
    });
    const QImage& image = texture->image();
    ASSERT_EQ(image.size(), QSize(20, 20));
    EXPECT_EQ(qAlpha(image.pixel(10, 19)), 255); // bottom row of the image
    EXPECT_EQ(qAlpha(image.pixel(10, 0)), 0);
    EXPECT_EQ(qAlpha(image.pixel(0, 10)), 255);
    EXPECT_EQ(qAlpha(image.pixel(0, 9)), 0);
    EXPECT_EQ(texture->filtering(), Filtering::Nearest);
}

TEST(TextureTest, FailuresGiveTheTransparentPlaceholder)
{
    const TexturePtr failures[] = {
        Texture::fromImage(QImage()),
        Texture::fromImage(QImage(4, 4, QImage::Format_ARGB32), 0.0),
        Texture::draw({0, 10}, 1, Filtering::Linear, {}),
        Texture::draw({10, 10}, -1, Filtering::Linear, {}),
        Texture::draw({1e9, 1e9}, 2, Filtering::Linear, {}),
    };
    for (const TexturePtr& texture : failures) {
        ASSERT_NE(texture, nullptr);
        EXPECT_TRUE(texture->isPlaceholder());
        EXPECT_EQ(texture->pixelSize(), QSize(1, 1));
        EXPECT_EQ(qAlpha(texture->image().pixel(0, 0)), 0);
    }
}

TEST(TextureTest, RefilteringKeepsPixelsAndGivesANewIdentity)
{
    const TexturePtr linear = Texture::draw({4, 4}, 1, Filtering::Linear, [](QPainter& p) {
        p.fillRect(QRectF(0, 0, 2, 2), Qt::blue);
    });
    const TexturePtr nearest = linear->withFiltering(Filtering::Nearest);
    EXPECT_EQ(nearest->filtering(), Filtering::Nearest);
    EXPECT_EQ(nearest->image(), linear->image());
    EXPECT_NE(nearest->id(), linear->id());
    EXPECT_EQ(linear->withFiltering(Filtering::Linear), linear);
}

} // namespace
} // namespace tavik::sprite
