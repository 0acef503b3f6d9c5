#include "sprite/RasterRenderer.h"
#include "sprite/Scene.h"
#include "sprite/SpriteNode.h"

#include <gtest/gtest.h>

namespace tavik::sprite {
namespace {

TexturePtr solid(QSize pixels, QColor color, Filtering filtering = Filtering::Linear)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return Texture::fromImage(image, 1, filtering);
}

void expectPixel(const QImage& image, QPoint at, int r, int g, int b, int a, int tolerance = 1)
{
    const QRgb px = image.pixel(at);
    EXPECT_NEAR(qRed(px), r, tolerance) << "at " << at.x() << "," << at.y();
    EXPECT_NEAR(qGreen(px), g, tolerance) << "at " << at.x() << "," << at.y();
    EXPECT_NEAR(qBlue(px), b, tolerance) << "at " << at.x() << "," << at.y();
    EXPECT_NEAR(qAlpha(px), a, tolerance) << "at " << at.x() << "," << at.y();
}

class RasterRendererTest : public ::testing::Test {
protected:
    SpriteNode& square(QPointF centre, QSizeF size, TexturePtr texture = nullptr)
    {
        auto& sprite = scene.addChild(std::make_unique<SpriteNode>(texture ? texture : white, size));
        sprite.setPosition(centre);
        return sprite;
    }
    QImage draw(double scale = 1.0)
    {
        list.build(scene);
        return renderer.render(list, (scene.size() * scale).toSize(), scale);
    }

    Scene scene{{40, 30}};
    DrawList list;
    RasterRenderer renderer;
    TexturePtr white = solid({8, 8}, Qt::white);
};

TEST_F(RasterRendererTest, TintedHalfTransparentWhiteGivesPremultipliedRed)
{
    auto& sprite = square({20, 15}, {20, 20});
    sprite.setColor({1, 0, 0, 1});
    sprite.setColorBlendFactor(1);
    sprite.setAlpha(0.5);
    const QImage image = draw();
    ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);
    expectPixel(image, {20, 15}, 128, 0, 0, 128);
    expectPixel(image, {2, 2}, 0, 0, 0, 0, 0);
}

TEST_F(RasterRendererTest, AdditiveBlendingAdds)
{
    const TexturePtr grey = solid({8, 8}, QColor(64, 64, 64));
    square({20, 15}, {40, 30}, solid({8, 8}, QColor(0, 0, 100)));
    for (int i = 0; i < 2; ++i) {
        auto& glow = square({20, 15}, {20, 20}, grey);
        glow.setZPosition(1);
        glow.setBlendMode(BlendMode::Add);
    }
    auto& bright = square({35, 25}, {10, 10}, solid({8, 8}, QColor(200, 200, 200)));
    bright.setZPosition(2);
    auto& flash = square({35, 25}, {10, 10}, white);
    flash.setZPosition(3);
    flash.setBlendMode(BlendMode::Add);
    flash.setAlpha(0.5);
    const QImage image = draw();
    expectPixel(image, {20, 15}, 128, 128, 228, 255);
    expectPixel(image, {2, 2}, 0, 0, 100, 255);
    expectPixel(image, {35, 5}, 255, 255, 255, 255); // 200 + 128 saturates, whatever the opacity
}

TEST_F(RasterRendererTest, SceneOriginIsBottomLeftAndScaleMultiplies)
{
    auto& sprite = square({5, 5}, {10, 10});
    sprite.setColor({0, 1, 0, 1});
    sprite.setColorBlendFactor(1);
    const QImage image = draw(2.0);
    ASSERT_EQ(image.size(), QSize(80, 60));
    expectPixel(image, {10, 50}, 0, 255, 0, 255); // 10 points from the bottom, doubled
    expectPixel(image, {10, 38}, 0, 0, 0, 0, 0);
    expectPixel(image, {25, 50}, 0, 0, 0, 0, 0);
}

TEST_F(RasterRendererTest, HigherDepthCoversLowerWhateverTheChildOrder)
{
    square({20, 15}, {10, 10}, solid({2, 2}, Qt::red)).setZPosition(1);
    square({20, 15}, {10, 10}, solid({2, 2}, Qt::blue));
    expectPixel(draw(), {20, 15}, 255, 0, 0, 255);
}

TEST_F(RasterRendererTest, NearestFilteringKeepsHardEdges)
{
    QImage image(2, 1, QImage::Format_ARGB32_Premultiplied);
    image.setPixel(0, 0, qRgba(0, 0, 0, 255));
    image.setPixel(1, 0, qRgba(255, 255, 255, 255));
    square({20, 22}, {40, 4}, Texture::fromImage(image, 1, Filtering::Nearest)); // image row 8
    square({20, 8}, {40, 4}, Texture::fromImage(image, 1, Filtering::Linear));   // image row 22
    const QImage out = draw();
    // A third of the way across: pure black when sharp, part way to white when smooth.
    expectPixel(out, {14, 8}, 0, 0, 0, 255, 0);
    EXPECT_GT(qRed(out.pixel(14, 22)), 40);
    EXPECT_LT(qRed(out.pixel(14, 22)), 215);
}

} // namespace
} // namespace tavik::sprite
