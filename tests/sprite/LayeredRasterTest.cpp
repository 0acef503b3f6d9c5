#include "Fixtures.h"

#include "sprite/Damage.h"
#include "sprite/DrawList.h"
#include "sprite/LayeredRaster.h"
#include "sprite/RasterRenderer.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <limits>

namespace tavik::sprite {
namespace {

constexpr double kFrame = 1.0 / 60;
// A picture blended over what moves rounds each channel once more than painting its quads there.
constexpr int kRounding = 2;

// The largest difference of any channel of any pixel.
int largestDifference(const QImage& a, const QImage& b)
{
    if (a.size() != b.size())
        return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y) {
        const auto* left = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* right = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            largest = std::max({largest, std::abs(qRed(left[x]) - qRed(right[x])),
                                std::abs(qGreen(left[x]) - qGreen(right[x])),
                                std::abs(qBlue(left[x]) - qBlue(right[x])),
                                std::abs(qAlpha(left[x]) - qAlpha(right[x]))});
        }
    }
    return largest;
}

// Small sprites moving every frame between three big soft ones that ask for 10 frames a second:
// a backdrop mixing both blend modes, a veil over the movers and a glow over everything.
class Layers : public ::testing::Test {
protected:
    Layers()
    {
        film.scene.setSize({200, 120});
        backdrop = &slow(BlendMode::Alpha, -2, {150, 90}, {0.4f, 0.5f, 0.9f, 0.9f});
        backdrop->setDrawRate(12); // a little sooner than the others
        slow(BlendMode::Add, -1, {120, 70}, {0.9f, 0.6f, 0.2f, 0.7f}).setPosition({90, 50});
        // Motes as slow as the veil but cheap to paint: drawn with the movers, not kept.
        for (int i = 0; i < 5; ++i) {
            auto& mote = film.scene.addChild(std::make_unique<SpriteNode>(testing::glowTexture(Qt::yellow), QSizeF(4, 4)));
            mote.setPosition({20.0 + 37 * i, 15.0 + 21 * i});
            mote.setBlendMode(BlendMode::Add);
            mote.setZPosition(5);
            mote.setDrawRate(10);
        }
        slow(BlendMode::Alpha, 10, {190, 110}, {0.8f, 0.8f, 0.85f, 0.5f});
        slow(BlendMode::Add, 11, {140, 100}, {1.0f, 0.9f, 0.5f, 0.45f}).setPosition({120, 70});
    }

    // Three overlapping sprites, so drawing them costs more than copying their picture.
    Node& slow(BlendMode blend, double z, QSizeF size, std::array<float, 4> color)
    {
        auto& group = film.scene.addChild(std::make_unique<Node>());
        group.setPosition({100, 60});
        group.setZPosition(z);
        group.setDrawRate(10);
        for (const QPointF offset : {QPointF(0, 0), QPointF(4, 3), QPointF(-3, 4)}) {
            auto& sprite = group.addChild(std::make_unique<SpriteNode>(testing::glowTexture(Qt::white), size));
            sprite.setPosition(offset);
            sprite.setColor({color[0], color[1], color[2], color[3]});
            sprite.setColorBlendFactor(1);
            sprite.setBlendMode(blend);
        }
        return group;
    }

    // Plans and draws a frame over what the surface holds, and returns the changed area.
    QRegion frame(double time)
    {
        list.build(film.scene);
        const QRegion damage = layers.prepare(list, pixels, scale, time);
        layers.draw(surface, damage);
        return damage;
    }

    [[nodiscard]] QImage whole() { return renderer.render(list, pixels, scale); }

    testing::DamageFilm film;
    Node* backdrop = nullptr;
    DrawList list;
    RasterRenderer renderer;
    LayeredRaster layers{renderer};
    double scale = 1.5;
    QSize pixels{300, 180};
    QImage surface{pixels, QImage::Format_ARGB32_Premultiplied};
};

// Kept pictures and damage together give what drawing every quad every frame gives: exactly at
// the bottom, to within rounding where a picture is blended over what moves. The slow sprites
// are drawn afresh a few times a second, not every frame.
TEST_F(Layers, FramesEqualWholeRedrawsAndSlowPicturesAreDrawnAtTheirOwnRate)
{
    surface.fill(Qt::magenta); // what a new surface may hold
    int bigChanges = 0;
    for (int i = 0; i < testing::DamageFilm::kFrames; ++i) {
        if (i == testing::DamageFilm::kSecondEmpty - 1 || i == testing::DamageFilm::kSecondEmpty)
            continue; // the film's empty frames leave nothing faster than the slow sprites
        film.show(i);
        const QRegion damage = frame(1 + i * kFrame);
        ASSERT_LE(largestDifference(surface, whole()), kRounding) << "frame " << i;
        bigChanges += areaOf(damage) > pixels.width() * pixels.height() / 2;
    }
    EXPECT_EQ(layers.keptLayers(), 3);
    EXPECT_GE(bigChanges, 2);
    EXPECT_LE(bigChanges, 5); // of 12 frames

    // With nothing over the backdrop but what moves, the picture is exact.
    for (auto& child : film.scene.children())
        child->setHidden(child.get() != backdrop && child.get() != film.sprites[0]);
    layers.invalidate();
    frame(2);
    EXPECT_EQ(layers.keptLayers(), 1);
    EXPECT_EQ(surface, whole());
}

// Between its frames a slow picture stands still even though its node moved; once its time has
// come (a twelfth of a second), or the surface lost its contents, it shows where the node is now
// and its old place is wiped.
TEST_F(Layers, SlowPictureWaitsForItsTimeThenCatchesUp)
{
    film.show(0);
    frame(1);
    const QImage first = surface;
    for (int i = 1; i <= 4; ++i) {
        backdrop->setPosition({100.0 + 3 * i, 60});
        const QRegion damage = frame(1 + i * kFrame);
        EXPECT_LT(areaOf(damage), pixels.width() * pixels.height() / 4) << "frame " << i;
        EXPECT_EQ(surface, first) << "frame " << i;
    }
    backdrop->setPosition({40, 60});
    EXPECT_FALSE(frame(1 + 5 * kFrame).isEmpty());
    EXPECT_LE(largestDifference(surface, whole()), kRounding);
    EXPECT_NE(surface, first);

    backdrop->setPosition({70, 60});
    frame(0.5); // a clock that went back makes every picture due
    EXPECT_LE(largestDifference(surface, whole()), kRounding);

    backdrop->setPosition({100, 60});
    layers.invalidate();
    EXPECT_EQ(frame(1 + 6 * kFrame), QRegion(QRect(QPoint(0, 0), pixels)));
    EXPECT_LE(largestDifference(surface, whole()), kRounding);
}

// What is kept: only slow runs next to something at least twice as fast, only where painting
// them costs at least twice copying their picture, and no more than three full-HD pictures.
TEST(LayeredRasterTest, KeepsOnlyCostlySlowRunsWithinItsAllowance)
{
    constexpr double kFull = std::numeric_limits<double>::infinity();
    enum class Shape { stacked, scattered, scaled, ownSize };
    const struct {
        const char* what;
        double slowRate;
        double fastRate; // 0: nothing else on screen
        Shape shape;
        int slowRuns;
        double scale;
        int kept;
    } cases[] = {
        {"slow run alone", 10, 0, Shape::stacked, 1, 1, 0},
        {"slow run under a fast one", 10, kFull, Shape::stacked, 1, 1, 1},
        {"half the rate of the fastest", 30, 60, Shape::stacked, 1, 1, 1},
        {"more than half", 31, 60, Shape::stacked, 1, 1, 0},
        {"scattered small sprites", 10, kFull, Shape::scattered, 1, 1, 0},
        {"one scaled sprite", 10, kFull, Shape::scaled, 1, 1, 1},
        {"one texture at its own size", 10, kFull, Shape::ownSize, 1, 1, 0},
        {"three full-HD runs", 10, kFull, Shape::stacked, 3, 9.6, 2},
    };
    const TexturePtr glow = testing::glowTexture(Qt::white);
    const TexturePtr screenful = Texture::draw({200, 120}, 1, Filtering::Linear, {});
    for (const auto& c : cases) {
        Scene scene({200, 120});
        for (int run = 0; run < c.slowRuns; ++run) {
            // Fast sprites between the runs, and alternating blend modes, keep them apart.
            const int count = c.shape == Shape::stacked ? 3 : c.shape == Shape::scattered ? 6 : 1;
            for (int i = 0; i < count; ++i) {
                const bool scattered = c.shape == Shape::scattered;
                auto& sprite = scene.addChild(std::make_unique<SpriteNode>(
                    c.shape == Shape::ownSize ? screenful : glow, scattered ? QSizeF(4, 4) : QSizeF(200, 120)));
                sprite.setPosition(scattered ? QPointF(10 + 35 * i, 10 + 20 * i) : QPointF(100, 60));
                sprite.setXScale(scattered ? 1 : 1 - 0.2 * i);
                sprite.setBlendMode(run % 2 ? BlendMode::Add : BlendMode::Alpha);
                sprite.setZPosition(2 * run);
                sprite.setDrawRate(c.slowRate);
            }
            if (c.fastRate > 0) {
                auto& fast = scene.addChild(std::make_unique<SpriteNode>(glow, QSizeF(5, 5)));
                fast.setZPosition(2 * run + 1);
                fast.setDrawRate(c.fastRate);
            }
        }
        DrawList list;
        list.build(scene);
        RasterRenderer renderer;
        LayeredRaster layers(renderer);
        const QSize pixels = (scene.size() * c.scale).toSize();
        EXPECT_EQ(layers.prepare(list, pixels, c.scale, 1), QRegion(QRect(QPoint(0, 0), pixels))) << c.what;
        EXPECT_EQ(layers.keptLayers(), c.kept) << c.what;
        EXPECT_EQ(layers.keptBytes() > 0, c.kept > 0) << c.what;
    }
}

// Damage in many small pieces over most of its bounds is drawn as those bounds: clipping to
// every piece would cost more than painting the gaps. Sparser damage keeps its pieces.
TEST(LayeredRasterTest, ChangesSpreadOverMostOfTheirBoundsAreDrawnAsTheBounds)
{
    const TexturePtr dot = Texture::white();
    for (const bool dense : {true, false}) {
        // One dot in the middle of 16-pixel tiles: three tiles of four, or one of four.
        Scene scene({200, 120});
        for (int column = 0; column < 12; ++column) {
            for (int row = 0; row < 7; ++row) {
                const bool bothOdd = column % 2 && row % 2;
                const bool bothEven = !(column % 2) && !(row % 2);
                if (dense ? bothOdd : !bothEven)
                    continue;
                auto& sprite = scene.addChild(std::make_unique<SpriteNode>(dot, QSizeF(6, 6)));
                sprite.setPosition({16.0 * column + 8, 120 - 16.0 * row - 8});
                sprite.setDrawRate(60);
            }
        }
        DrawList list;
        list.build(scene);
        RasterRenderer renderer;
        LayeredRaster layers(renderer);
        const QSize pixels(200, 120);
        (void)layers.prepare(list, pixels, 1, 1);
        const QRegion damage = layers.prepare(list, pixels, 1, 1 + kFrame);
        if (dense) {
            EXPECT_EQ(damage, QRegion(damage.boundingRect()));
        } else {
            EXPECT_GT(damage.rectCount(), 16);
        }
    }
}

} // namespace
} // namespace tavik::sprite
