#include "sprite/Blur.h"
#include "sprite/DrawList.h"
#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"
#include "sprite/SpriteNode.h"

#include <QPainter>

#include <gtest/gtest.h>

#include <numbers>
#include <utility>

namespace tavik::sprite {
namespace {

// Only the size and identity of a texture matter here.
TexturePtr blank(QSizeF size) { return Texture::draw(size, 1, Filtering::Linear, {}); }

QPointF corner(const Quad& q, double u, double v) { return {q.tx + q.a * u + q.c * v, q.ty + q.b * u + q.d * v}; }

void expectNear(QPointF actual, QPointF expected)
{
    EXPECT_NEAR(actual.x(), expected.x(), 1e-4) << "expected x " << expected.x();
    EXPECT_NEAR(actual.y(), expected.y(), 1e-4) << "expected y " << expected.y();
}

class DrawListTest : public ::testing::Test {
protected:
    SpriteNode& addSprite(Node& parent, const TexturePtr& texture, double z = 0, BlendMode blend = BlendMode::Alpha)
    {
        auto& sprite = parent.addChild(std::make_unique<SpriteNode>(texture));
        sprite.setZPosition(z);
        sprite.setBlendMode(blend);
        return sprite;
    }
    EmitterNode& addEmitter()
    {
        auto& emitter = scene.addChild(std::make_unique<EmitterNode>());
        emitter.setParticleTexture(blank({4, 2}));
        emitter.setParticleBirthRate(1);
        emitter.setNumParticlesToEmit(1);
        emitter.setParticleLifetime(100);
        return emitter;
    }
    // Each emitter gives one particle, born at its origin.
    void giveBirth()
    {
        scene.advance(0);
        scene.advance(1);
    }

    Scene scene{{400, 300}};
    DrawList list;
    TexturePtr plain = blank({4, 4});
    TexturePtr other = blank({4, 4});
};

TEST_F(DrawListTest, QuadsArePlacedBySizeAnchorScaleAndRotation)
{
    auto& sprite = addSprite(scene, plain);
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
    expectNear(corner(list.quads()[0], 0, 0), {120, 20}); // turned left by a quarter: "down" points right

    // A particle: its texture's size times its scale, turned, centred on it in the emitter's space.
    sprite.setHidden(true);
    auto& emitter = addEmitter();
    emitter.setPosition({200, 300});
    emitter.setParticleScale(1.5);
    emitter.setParticleRotation(std::numbers::pi / 2);
    giveBirth();
    list.build(scene);
    ASSERT_EQ(list.quads().size(), 1u);
    expectNear(corner(list.quads()[0], 0.5, 0.5), {200, 300});
    expectNear(corner(list.quads()[0], 1, 0), {200 + 1.5, 300 + 3});
}

TEST_F(DrawListTest, WorldDepthOrdersTheListAndEqualDepthsGroupByBlendAndTexture)
{
    auto& back = scene.addChild(std::make_unique<Node>());
    back.setZPosition(-3);
    auto& front = scene.addChild(std::make_unique<Node>());
    front.setZPosition(2);
    addSprite(back, other, 10).setPosition({1, 0});  // world 7
    addSprite(front, plain, -6).setPosition({2, 0}); // world -4
    addSprite(scene, plain, 0.5).setPosition({3, 0});
    list.build(scene);
    ASSERT_EQ(list.quads().size(), 3u);
    const double byDepth[] = {2, 3, 1};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(corner(list.quads()[i], 0.5, 0.5).x(), byDepth[i]);

    scene.removeAllChildren();
    for (int i = 0; i < 20; ++i)
        addSprite(scene, i % 2 ? plain : other, 1, i % 3 ? BlendMode::Alpha : BlendMode::Add);
    addSprite(scene, other, 0, BlendMode::Add);
    list.build(scene);
    int changes = 0;
    const auto& quads = list.quads();
    for (std::size_t i = 1; i < quads.size(); ++i)
        changes += quads[i].texture != quads[i - 1].texture || quads[i].blend != quads[i - 1].blend;
    EXPECT_EQ(changes, 4); // the lone sprite at depth 0 first, then four groups at depth 1
}

TEST_F(DrawListTest, HiddenAndTransparentContentIsLeftOut)
{
    auto& hiddenGroup = scene.addChild(std::make_unique<Node>());
    addSprite(hiddenGroup, plain);
    hiddenGroup.setHidden(true);
    auto& clearGroup = scene.addChild(std::make_unique<Node>());
    addSprite(clearGroup, plain);
    clearGroup.setAlpha(0);
    addSprite(scene, plain).setAlpha(0);
    addSprite(scene, Texture::placeholder());
    addSprite(scene, plain).setSize({0, 10});
    addSprite(scene, plain).setSize({10, 0});
    auto& untextured = scene.addChild(std::make_unique<SpriteNode>());
    untextured.setSize({5, 5});
    untextured.setColor({1, 0, 0, 0});
    auto& faded = addEmitter();
    faded.setParticleAlpha(0);
    auto& shrunk = addEmitter();
    shrunk.setParticleScale(0);
    giveBirth();
    ASSERT_EQ(faded.particleCount() + shrunk.particleCount(), 2u);
    list.build(scene);
    EXPECT_TRUE(list.quads().empty());
}

TEST_F(DrawListTest, AlphaMultipliesDownTheTreeAndTintIsPremultiplied)
{
    auto& group = scene.addChild(std::make_unique<Node>());
    group.setAlpha(0.5);
    auto& sprite = addSprite(group, plain);
    sprite.setAlpha(0.5);
    sprite.setColor({1, 0, 0.5f, 1});
    sprite.setColorBlendFactor(0.5);
    auto& emitter = addEmitter(); // particles tint the same way
    emitter.setParticleColor({0, 0.5f, 0.5f, 1});
    emitter.setParticleColorBlendFactor(0.5);
    emitter.setAlpha(0.5);
    giveBirth();
    list.build(scene);
    ASSERT_EQ(list.quads().size(), 2u);
    const Quad& q = list.quads()[0]; // the older texture first
    const Quad& p = list.quads()[1];
    EXPECT_FLOAT_EQ(q.alpha, 0.25f);
    EXPECT_FLOAT_EQ(q.red, 0.25f);
    EXPECT_FLOAT_EQ(q.green, 0.125f);
    EXPECT_FLOAT_EQ(q.blue, 0.1875f);
    EXPECT_FLOAT_EQ(p.alpha, 0.5f);
    EXPECT_FLOAT_EQ(p.red, 0.25f);
    EXPECT_FLOAT_EQ(p.green, 0.375f);
    EXPECT_FLOAT_EQ(p.blue, 0.375f);

    // Without a texture the colour is the sprite, its alpha included.
    sprite.setTexture(nullptr);
    sprite.setColor({0, 1, 0, 0.5f});
    emitter.setHidden(true);
    list.build(scene);
    EXPECT_FLOAT_EQ(list.quads()[0].alpha, 0.125f);
    EXPECT_FLOAT_EQ(list.quads()[0].green, 0.125f);
    EXPECT_FLOAT_EQ(list.quads()[0].red, 0.0f);
}

TEST(TextureTest, PixelSizeFollowsTheBackingScaleAndDrawingUsesPointsWithYUp)
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

QImage square(QSize size, QRect filled, QColor color = Qt::white)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter(&image).fillRect(filled, color);
    return image;
}

TEST(BlurTest, SpreadsLikeAGaussianOfTheGivenRadiusAndFadesIntoTheTransparentOutside)
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
