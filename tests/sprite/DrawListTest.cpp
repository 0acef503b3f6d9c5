#include "sprite/Blur.h"
#include "sprite/DrawList.h"
#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"
#include "sprite/SpriteNode.h"

#include <QLineF>
#include <QPainter>

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <numbers>
#include <utility>

namespace tavik::sprite {
namespace {

// Only the size and identity of a texture matter here.
TexturePtr blank(QSizeF size) { return Texture::draw(size, 1, Filtering::Linear, {}); }

QPointF corner(const Quad& q, double u, double v) { return {q.tx + q.a * u + q.c * v, q.ty + q.b * u + q.d * v}; }

class DrawListTest : public ::testing::Test {
protected:
    EmitterNode& addEmitter()
    {
        auto& emitter = scene.addChild(std::make_unique<EmitterNode>());
        emitter.setParticleTexture(blank({4, 2}));
        emitter.setParticleBirthRate(1);
        emitter.setNumParticlesToEmit(1);
        emitter.setParticleLifetime(100);
        return emitter;
    }

    Scene scene{{400, 300}};
    DrawList list;
    TexturePtr plain = blank({4, 4});
};

TEST_F(DrawListTest, QuadsArePlacedBySizeAnchorScaleAndRotation)
{
    auto& sprite = scene.addChild(std::make_unique<SpriteNode>(plain));
    sprite.setSize({20, 10});
    sprite.setPosition({100, 50});
    list.build(scene);
    ASSERT_EQ(list.quads().size(), 1u);
    EXPECT_EQ(corner(list.quads()[0], 0, 0), QPointF(90, 45));
    EXPECT_EQ(corner(list.quads()[0], 1, 1), QPointF(110, 55));
    sprite.setAnchorPoint({0.5, 1.0}); // hangs from its top centre
    sprite.setZRotation(std::numbers::pi / 2);
    sprite.setXScale(3);
    sprite.setYScale(2);
    list.build(scene);
    // Turned left by a quarter: "down" points right.
    EXPECT_LT(QLineF(corner(list.quads()[0], 0, 0), {120, 20}).length(), 1e-4);

    // A particle: its texture's size times its scale, turned, centred on it in the emitter's space.
    sprite.setHidden(true);
    auto& emitter = addEmitter();
    emitter.setPosition({200, 300});
    emitter.setParticleScale(1.5);
    emitter.setParticleRotation(std::numbers::pi / 2);
    scene.advance(0); // each emitter gives one particle, born at its origin
    scene.advance(1);
    list.build(scene);
    ASSERT_EQ(list.quads().size(), 1u);
    EXPECT_LT(QLineF(corner(list.quads()[0], 0.5, 0.5), {200, 300}).length(), 1e-4);
    EXPECT_LT(QLineF(corner(list.quads()[0], 1, 0), {200 + 1.5, 300 + 3}).length(), 1e-4);
}

// Only what can show is listed; alpha multiplies down the tree, and tint is premultiplied.
// A quad is drawn as often as the most demanding of its node and every node above it asks;
// no rate, or one that means nothing, is every frame.
TEST_F(DrawListTest, QuadsTakeTheLowestDrawRateOnTheirWayFromTheRoot)
{
    constexpr float kEvery = std::numeric_limits<float>::infinity();
    const struct {
        double group;
        double sprite;
        float drawn;
    } cases[] = {
        {0, 0, kEvery}, {10, 0, 10}, {0, 12, 12}, {10, 30, 10}, {30, 10, 10}, {-5, qQNaN(), kEvery}, {qInf(), 15, 15},
    };
    for (const auto& c : cases) {
        Scene root({100, 100});
        auto& group = root.addChild(std::make_unique<Node>());
        group.setDrawRate(c.group);
        group.addChild(std::make_unique<SpriteNode>(plain)).setDrawRate(c.sprite);
        list.build(root);
        ASSERT_EQ(list.quads().size(), 1u);
        EXPECT_EQ(list.quads()[0].drawRate, c.drawn) << c.group << " then " << c.sprite;
    }
}

TEST_F(DrawListTest, HiddenAndTransparentContentIsLeftOutAndTintIsPremultiplied)
{
    auto& hiddenGroup = scene.addChild(std::make_unique<Node>());
    hiddenGroup.addChild(std::make_unique<SpriteNode>(plain));
    hiddenGroup.setHidden(true);
    auto& clearGroup = scene.addChild(std::make_unique<Node>());
    clearGroup.addChild(std::make_unique<SpriteNode>(plain));
    clearGroup.setAlpha(0);
    scene.addChild(std::make_unique<SpriteNode>(plain)).setAlpha(0);
    scene.addChild(std::make_unique<SpriteNode>(Texture::placeholder()));
    scene.addChild(std::make_unique<SpriteNode>(plain)).setSize({0, 10});
    scene.addChild(std::make_unique<SpriteNode>(plain)).setSize({10, 0});
    auto& untextured = scene.addChild(std::make_unique<SpriteNode>());
    untextured.setSize({5, 5});
    untextured.setColor({1, 0, 0, 0});
    auto& faded = addEmitter();
    faded.setParticleAlpha(0);
    auto& shrunk = addEmitter();
    shrunk.setParticleScale(0);
    auto& group = scene.addChild(std::make_unique<Node>());
    group.setAlpha(0.5);
    auto& sprite = group.addChild(std::make_unique<SpriteNode>(plain));
    sprite.setAlpha(0.5);
    sprite.setColor({1, 0, 0.5f, 1});
    sprite.setColorBlendFactor(0.5);
    auto& emitter = addEmitter(); // particles tint the same way
    emitter.setParticleColor({0, 0.5f, 0.5f, 1});
    emitter.setParticleColorBlendFactor(0.5);
    emitter.setAlpha(0.5);
    scene.advance(0);
    scene.advance(1);
    ASSERT_EQ(faded.particleCount() + shrunk.particleCount(), 2u);
    list.build(scene);
    // Every value is a short binary fraction, so the products are exact.
    const auto rgba = [](const Quad& q) { return std::array{q.red, q.green, q.blue, q.alpha}; };
    ASSERT_EQ(list.quads().size(), 2u);
    EXPECT_EQ(rgba(list.quads()[0]), (std::array{0.25f, 0.125f, 0.1875f, 0.25f})); // the older texture first
    EXPECT_EQ(rgba(list.quads()[1]), (std::array{0.25f, 0.375f, 0.375f, 0.5f}));
    // Without a texture the colour is the sprite, its alpha included.
    sprite.setTexture(nullptr);
    sprite.setColor({0, 1, 0, 0.5f});
    emitter.setHidden(true);
    list.build(scene);
    EXPECT_EQ(rgba(list.quads()[0]), (std::array{0.0f, 0.125f, 0.0f, 0.125f}));
}

TEST(TextureTest, PixelSizeFollowsTheBackingScaleDrawingUsesPointsWithYUpAndFailuresGiveThePlaceholder)
{
    for (const auto& [scale, pixels] : {std::pair{1.0, QSize(3, 13)}, {1.5, QSize(4, 20)}, {3.0, QSize(8, 39)}}) {
        const TexturePtr texture = Texture::draw({2.6, 13}, scale, Filtering::Linear, [](QPainter&) {});
        EXPECT_EQ(texture->pixelSize(), pixels) << "scale " << scale;
        EXPECT_EQ(texture->size(), QSizeF(2.6, 13)) << "the size in points stays exact";
    }
    EXPECT_EQ(Texture::draw({0.2, 0.2}, 1, Filtering::Linear, {})->pixelSize(), QSize(1, 1)); // a sliver gets a pixel

    const QImage lowerHalf = Texture::draw({10, 10}, 2, Filtering::Linear, [](QPainter& p) {
                                 p.fillRect(QRectF(0, 0, 10, 5), Qt::white);
                             })->image();
    ASSERT_EQ(lowerHalf.size(), QSize(20, 20));
    EXPECT_EQ(qAlpha(lowerHalf.pixel(19, 10)), 255);
    EXPECT_EQ(qAlpha(lowerHalf.pixel(0, 9)), 0);

    const TexturePtr fromImage = Texture::fromImage(QImage(64, 32, QImage::Format_RGB32), 2);
    EXPECT_EQ(fromImage->size(), QSizeF(32, 16));
    EXPECT_EQ(fromImage->image().format(), QImage::Format_ARGB32_Premultiplied);
    // Failures give the placeholder, which nothing draws.
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
    }
}

QImage square(QSize size, QRect filled, QColor color = Qt::white)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(filled, color);
    return image;
}

TEST(BlurTest, SpreadsLikeAGaussianOfTheGivenRadiusAndLeavesDegenerateInputsUnharmed)
{
    // A bright square rather than one pixel, so rounding to 8 bits loses little.
    const double radius = 6;
    const QImage blurred = gaussianBlur(square({121, 121}, QRect(58, 58, 5, 5)), radius);
    ASSERT_EQ(blurred.size(), QSize(121, 121));
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
    // A full image: the outside counts as transparent, and colour stays premultiplied.
    const QImage full = gaussianBlur(square({50, 30}, QRect(0, 0, 50, 30), QColor(200, 100, 50)), 4);
    EXPECT_EQ(qAlpha(full.pixel(25, 15)), 255);
    EXPECT_LT(qAlpha(full.pixel(0, 15)), 160);
    EXPECT_LT(qAlpha(full.pixel(0, 0)), qAlpha(full.pixel(0, 15)));
    for (int y = 0; y < full.height(); ++y)
        for (int x = 0; x < full.width(); ++x)
            ASSERT_LE(qRed(full.pixel(x, y)), qAlpha(full.pixel(x, y)));
    // Degenerate inputs come back unharmed.
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
