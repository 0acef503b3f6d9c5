#pragma once

#include "sprite/EmitterNode.h"
#include "sprite/Scene.h"
#include "sprite/SpriteNode.h"

#include <QPainter>
#include <QRadialGradient>

#include <numbers>
#include <vector>

namespace tavik::bench {

using namespace tavik::sprite;

inline TexturePtr softDot(QColor color, double points, double scale)
{
    return Texture::draw({points, points}, scale, Filtering::Linear, [=](QPainter& p) {
        QRadialGradient gradient(points / 2, points / 2, points / 2);
        gradient.setColorAt(0, color);
        gradient.setColorAt(1, Qt::transparent);
        p.fillRect(QRectF(0, 0, points, points), gradient);
    });
}

// Shaped like a full weather picture: fifteen layers at their own depths, 2,000 sprites
// over four textures (two per layer) in both blend modes, and 5,000 live particles in rain, snow
// and a score of small splash bursts.
struct BusyScene {
    static constexpr int kSprites = 2000;
    static constexpr int kLayers = 15;

    explicit BusyScene(QSizeF size = {1920, 1080}, double scale = 1.0) : scene(size)
    {
        const std::vector<TexturePtr> textures = {softDot(Qt::white, 32, scale), softDot(QColor(255, 220, 160), 64, scale),
                                                  softDot(QColor(180, 255, 200), 16, scale),
                                                  softDot(QColor(200, 220, 255), 128, scale)};
        Random random(11);
        for (int layer = 0; layer < kLayers; ++layer) {
            auto& root = scene.addChild(std::make_unique<Node>());
            root.setZPosition(layer - 3);
            roots.push_back(&root);
        }
        for (int i = 0; i < kSprites; ++i) {
            const int layer = i % kLayers;
            // Two textures per layer, as an effect has one or two.
            const TexturePtr& texture = textures[(layer + (i / kLayers) % 2) % textures.size()];
            auto& sprite = roots[layer]->addChild(std::make_unique<SpriteNode>(texture));
            sprite.setPosition({random.uniform(0, size.width()), random.uniform(0, size.height())});
            sprite.setScale(random.uniform(0.3, 1.5));
            sprite.setZRotation(random.uniform(0, std::numbers::pi));
            sprite.setAlpha(random.uniform(0.2, 1));
            sprite.setColor({float(random.unit()), 1, 1, 1});
            sprite.setColorBlendFactor(1);
            sprite.setBlendMode(layer % 3 == 0 ? BlendMode::Add : BlendMode::Alpha);
            sprites.push_back(&sprite);
        }
        addEmitter(*roots[3], textures[0], 3000, {size.width() / 2, size.height() + 20}, {size.width(), 0}, 900);
        addEmitter(*roots[4], textures[2], 1500, {size.width() / 2, size.height() + 16}, {size.width(), 0}, 60);
        for (int i = 0; i < 20; ++i)
            addEmitter(*roots[7], textures[2], 25, {random.uniform(0, size.width()), 0}, {0, 0}, 90);
        for (int i = 0; i <= 240; ++i)
            scene.advance(i / 60.0);
        time = 4.0;
    }

    // Born at `rate` per second and living one second, so the population settles at rate.
    void addEmitter(Node& parent, const TexturePtr& texture, double population, QPointF position, QSizeF range,
                    double speed)
    {
        auto& emitter = parent.addChild(std::make_unique<EmitterNode>());
        emitter.setParticleTexture(texture);
        emitter.setPosition(position);
        emitter.setParticlePositionRange(range);
        emitter.setParticleBirthRate(population);
        emitter.setParticleLifetime(1.0);
        emitter.setParticleSpeed(speed);
        emitter.setParticleSpeedRange(speed * 0.25);
        emitter.setEmissionAngle(-std::numbers::pi / 2);
        emitter.setEmissionAngleRange(0.1);
        emitter.setParticleScale(0.4);
        emitter.setParticleScaleRange(0.2);
        emitter.setParticleRotationSpeed(1.5);
        emitter.setParticleAlpha(0.8);
        emitter.setParticleColor({0.4f, 0.85f, 0.95f, 1});
        emitter.setParticleColorBlendFactor(1);
        emitters.push_back(&emitter);
    }

    [[nodiscard]] std::size_t particleCount() const
    {
        std::size_t count = 0;
        for (const EmitterNode* emitter : emitters)
            count += emitter->particleCount();
        return count;
    }

    Scene scene;
    std::vector<Node*> roots;
    std::vector<SpriteNode*> sprites;
    std::vector<EmitterNode*> emitters;
    double time = 0.0;
};

} // namespace tavik::bench
