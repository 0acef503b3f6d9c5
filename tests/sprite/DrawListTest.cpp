#include "sprite/DrawList.h"
#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"
#include "sprite/SpriteNode.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numbers>

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
    TexturePtr white = blank({4, 4});
    TexturePtr other = blank({4, 4});
};

TEST_F(DrawListTest, QuadsArePlacedBySizeAnchorScaleAndRotation)
{
    auto& sprite = addSprite(scene, white);
    sprite.setSize({20, 10});
    sprite.setPosition({100, 50});
    list.build(scene);
    ASSERT_EQ(list.quads().size(), 1u);
    EXPECT_EQ(corner(list.quads()[0], 0, 0), QPointF(90, 45));
    EXPECT_EQ(corner(list.quads()[0], 1, 1), QPointF(110, 55));
    sprite.setAnchorPoint({0.5, 1.0}); // hangs from its top centre
    sprite.setZRotation(std::numbers::pi / 2);
    sprite.setYScale(2);
    list.build(scene);
    expectNear(corner(list.quads()[0], 0, 0), {120, 40}); // turned left by a quarter: "down" points right

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
    addSprite(front, white, -6).setPosition({2, 0}); // world -4
    addSprite(scene, white, 0.5).setPosition({3, 0});
    list.build(scene);
    ASSERT_EQ(list.quads().size(), 3u);
    const double byDepth[] = {2, 3, 1};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(corner(list.quads()[i], 0.5, 0.5).x(), byDepth[i]);

    scene.removeAllChildren();
    for (int i = 0; i < 20; ++i)
        addSprite(scene, i % 2 ? white : other, 1, i % 3 ? BlendMode::Alpha : BlendMode::Add);
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
    addSprite(hiddenGroup, white);
    hiddenGroup.setHidden(true);
    auto& clearGroup = scene.addChild(std::make_unique<Node>());
    addSprite(clearGroup, white);
    clearGroup.setAlpha(0);
    addSprite(scene, white).setAlpha(0);
    addSprite(scene, Texture::placeholder());
    addSprite(scene, white).setSize({0, 10});
    addSprite(scene, white).setSize({10, 0});
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
    auto& sprite = addSprite(group, white);
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

TEST_F(DrawListTest, ParticlesAreDrawnInTheirAgeOrder)
{
    auto& emitter = addEmitter();
    emitter.setParticleBirthRate(10);
    emitter.setNumParticlesToEmit(0);
    emitter.setParticleSpeed(100);
    giveBirth();
    auto xs = [&] {
        list.build(scene);
        std::vector<double> out;
        for (const Quad& q : list.quads())
            out.push_back(corner(q, 0.5, 0.5).x());
        return out;
    };
    emitter.setParticleRenderOrder(ParticleRenderOrder::OldestFirst);
    const auto oldestFirst = xs(); // the oldest flew furthest
    EXPECT_EQ(oldestFirst.size(), 10u);
    EXPECT_TRUE(std::is_sorted(oldestFirst.rbegin(), oldestFirst.rend()));
    emitter.setParticleRenderOrder(ParticleRenderOrder::OldestLast);
    const auto oldestLast = xs();
    EXPECT_TRUE(std::is_sorted(oldestLast.begin(), oldestLast.end()));
}

} // namespace
} // namespace tavik::sprite
