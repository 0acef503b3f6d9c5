#pragma once

#include "sprite/Random.h"
#include "sprite/Scene.h"
#include "sprite/SpriteNode.h"

#include <QPainter>
#include <QRadialGradient>

#include <vector>

namespace tavik::sprite::testing {

// Answers every draw with the same value: 0 gives v − r/2, 0.5 gives v.
class FixedRandom : public Random {
public:
    explicit FixedRandom(double value) : m_value(value) {}
    double unit() override { return m_value; }

private:
    double m_value;
};

// A soft round glow, 16 points across, bright in the middle.
inline TexturePtr glowTexture(QColor color)
{
    return Texture::draw({16, 16}, 2, Filtering::Linear, [color](QPainter& p) {
        QRadialGradient gradient(8, 8, 8);
        gradient.setColorAt(0, color);
        gradient.setColorAt(0.4, QColor(color.red(), color.green(), color.blue(), 140));
        gradient.setColorAt(1, Qt::transparent);
        p.fillRect(QRectF(0, 0, 16, 16), gradient);
    });
}

// Frames of small sprites that move, turn, fade, overlap, leave over the edge, vanish and come back.
class DamageFilm {
public:
    static constexpr int kFrames = 14;
    static constexpr int kSecondEmpty = 7; // an empty frame after an empty frame

    DamageFilm()
    {
        const TexturePtr glow = glowTexture(Qt::white);
        for (int i = 0; i < 4; ++i) {
            auto& sprite = scene.addChild(std::make_unique<SpriteNode>(glow, QSizeF(14 + 3 * i, 9 + 2 * i)));
            sprite.setColor({0.3f + 0.2f * float(i), 0.9f - 0.2f * float(i), 0.6f, 1.0f});
            sprite.setColorBlendFactor(0.8);
            sprite.setBlendMode(i % 2 ? BlendMode::Add : BlendMode::Alpha);
            sprite.setZPosition(i);
            sprites.push_back(&sprite);
        }
    }

    void show(int frame)
    {
        const bool empty = frame == kSecondEmpty - 1 || frame == kSecondEmpty;
        for (int i = 0; i < int(sprites.size()); ++i) {
            SpriteNode& sprite = *sprites[i];
            sprite.setHidden(empty || (i == 3 && frame % 4 == 1));
            // Fractional steps, so edges fall between pixels; the first sprite runs off the right edge.
            sprite.setPosition({20.3 + 17.7 * frame * (i + 1) * 0.5, 30.6 + 11.3 * i + 3.1 * frame});
            sprite.setZRotation(0.31 * frame * (i - 1.5));
            sprite.setAlpha(0.4 + 0.15 * ((frame + i) % 4));
        }
    }

    Scene scene{{200, 120}};
    std::vector<SpriteNode*> sprites;
};

} // namespace tavik::sprite::testing
