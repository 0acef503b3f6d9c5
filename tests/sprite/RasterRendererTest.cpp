#include "sprite/Damage.h"
#include "sprite/LayeredRaster.h"
#include "sprite/RasterRenderer.h"

#include "Fixtures.h"

#include <QtNumeric>

#include <gtest/gtest.h>

namespace tavik::sprite {
namespace {

TexturePtr solid(QSize pixels, QColor color)
{
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return Texture::fromImage(image);
}

// One picture of a 60 × 40 point scene at twice the pixels; each group sits in its own place.
TEST(RasterRendererTest, DrawsTintsBlendsDepthsAndFiltersWithTheOriginBottomLeft)
{
    Scene scene({60, 40});
    auto add = [&](QPointF centre, QSizeF size, TexturePtr texture, double z = 0,
                   BlendMode blend = BlendMode::Alpha) -> SpriteNode& {
        auto& sprite = scene.addChild(std::make_unique<SpriteNode>(std::move(texture), size));
        sprite.setPosition(centre);
        sprite.setZPosition(z);
        sprite.setBlendMode(blend);
        return sprite;
    };
    const TexturePtr white = solid({8, 8}, Qt::white);
    auto& tinted = add({10, 30}, {10, 10}, white); // tinted red at half opacity, top left
    tinted.setColor({1, 0, 0, 1});
    tinted.setColorBlendFactor(1);
    tinted.setAlpha(0.5);
    add({30, 30}, {10, 10}, solid({8, 8}, QColor(0, 0, 100))); // two grey glows add up on blue
    for (int i = 0; i < 2; ++i)
        add({30, 30}, {10, 10}, solid({8, 8}, QColor(64, 64, 64)), 1, BlendMode::Add);
    add({50, 30}, {10, 10}, solid({8, 8}, QColor(200, 200, 200)), 2); // 200 + 128 saturates
    add({50, 30}, {10, 10}, white, 3, BlendMode::Add).setAlpha(0.5);
    add({50, 10}, {10, 10}, white, 0, BlendMode::Add).setAlpha(0.5); // adds half of itself on nothing
    // The higher world depth covers, whatever the child order: red's parent lifts it above blue.
    auto& raised = scene.addChild(std::make_unique<Node>());
    raised.setZPosition(6);
    auto& red = raised.addChild(std::make_unique<SpriteNode>(solid({2, 2}, Qt::red), QSizeF(10, 10)));
    red.setPosition({10, 10});
    red.setZPosition(-5);
    add({10, 10}, {10, 10}, solid({2, 2}, Qt::blue));
    QImage blackWhite(2, 1, QImage::Format_ARGB32_Premultiplied);
    blackWhite.setPixel(0, 0, qRgba(0, 0, 0, 255));
    blackWhite.setPixel(1, 0, qRgba(255, 255, 255, 255));
    add({40, 6}, {20, 4}, Texture::fromImage(blackWhite, 1, Filtering::Linear)); // pixel row 68
    DrawList list;
    list.build(scene);
    const QImage image = RasterRenderer().render(list, QSize(120, 80), 2.0);
    ASSERT_EQ(image.format(), QImage::Format_ARGB32_Premultiplied);

    const struct {
        QPoint at;
        QRgb expected;
        int tolerance;
    } pixels[] = {
        {{20, 20}, qRgba(128, 0, 0, 128), 1},     {{60, 20}, qRgba(128, 128, 228, 255), 1},
        {{100, 20}, qRgba(255, 255, 255, 255), 1}, {{20, 60}, qRgba(255, 0, 0, 255), 0},
        {{4, 4}, qRgba(0, 0, 0, 0), 0},            {{20, 40}, qRgba(0, 0, 0, 0), 0},
        {{36, 20}, qRgba(0, 0, 0, 0), 0},          {{100, 60}, qRgba(128, 128, 128, 128), 1},
    };
    for (const auto& p : pixels) {
        for (const int shift : {0, 8, 16, 24})
            EXPECT_NEAR((image.pixel(p.at) >> shift) & 0xff, (p.expected >> shift) & 0xff, p.tolerance)
                << "at " << p.at.x() << "," << p.at.y();
    }
    // A third of the way across a black and white pair: part way to white, filtered.
    EXPECT_GT(qRed(image.pixel(73, 68)), 40);
    EXPECT_LT(qRed(image.pixel(73, 68)), 215);
}

class DamageTest : public ::testing::TestWithParam<double> {};

// Drawn only where it changed, over what the frame before left, the picture equals a whole
// redraw in every pixel, and small sprites change only a small part of it.
TEST_P(DamageTest, DrawingTheDamageGivesTheWholePictureAndLostContentsRedrawEverything)
{
    const double scale = GetParam();
    testing::DamageFilm film;
    DrawList list;
    RasterRenderer renderer;
    LayeredRaster layers(renderer);
    const QSize pixels = (film.scene.size() * scale).toSize();
    const QRegion whole(QRect(QPoint(0, 0), pixels));
    QImage kept(pixels, QImage::Format_ARGB32_Premultiplied);
    kept.fill(Qt::magenta); // what a new surface may hold
    for (int frame = 0; frame < testing::DamageFilm::kFrames; ++frame) {
        film.show(frame);
        list.build(film.scene);
        const QRegion damage = layers.prepare(list, pixels, scale, frame / 60.0);
        layers.draw(kept, damage);
        ASSERT_EQ(kept, renderer.render(list, pixels, scale)) << "frame " << frame;
        int area = 0;
        for (const QRect& rect : damage)
            area += rect.width() * rect.height();
        if (frame == 0)
            EXPECT_EQ(damage, whole);
        else if (frame == testing::DamageFilm::kSecondEmpty)
            EXPECT_TRUE(damage.isEmpty());
        else
            EXPECT_LT(area, pixels.width() * pixels.height() / 2) << "frame " << frame;
    }
    layers.invalidate();
    EXPECT_EQ(layers.prepare(list, pixels, scale, 1), whole);
    const QSize wider = pixels + QSize(1, 0);
    EXPECT_EQ(layers.prepare(list, wider, scale, 1), QRegion(QRect(QPoint(0, 0), wider)));
}

INSTANTIATE_TEST_SUITE_P(BackingScales, DamageTest, ::testing::Values(1.0, 1.5, 2.0));

// Quads past every edge are clipped; numbers that cannot be placed cover the whole surface.
TEST(DamageTrackerTest, CoveredRegionOfQuadsBeyondTheEdgesOrUnplaceable)
{
    const QSize size(64, 48);
    const QRegion whole(QRect(QPoint(0, 0), size));
    const struct {
        QPointF at;
        double length;
        double scale;
        QRegion covered;
    } cases[] = {
        {{32, 24}, 1e30, 1, whole},  {{-500, 24}, 10, 1, {}}, {{32, 1e12}, 10, 1, {}},
        {{qQNaN(), 10}, 10, 1, whole}, {{qInf(), 10}, 10, 1, whole}, {{10, 10}, 10, 0, whole},
        {{10, 10}, 10, qQNaN(), whole},
    };
    for (const auto& c : cases) {
        Scene scene;
        scene.addChild(std::make_unique<SpriteNode>(Texture::white(), QSizeF(c.length, c.length))).setPosition(c.at);
        DrawList list;
        list.build(scene);
        EXPECT_EQ(coveredRegion(list, size, c.scale), c.covered) << c.at.x() << "," << c.at.y() << " scale " << c.scale;
    }
}

} // namespace
} // namespace tavik::sprite
