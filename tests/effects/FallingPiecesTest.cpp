#include "EffectFixture.h"

#include "effects/LeafSimulation.h"
#include "effects/PetalSimulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

using namespace tavik;
using namespace tavik::test;

namespace {
constexpr QSizeF kScene{1000, 600};

// The colour at a point given in texture points, y up, at 2 pixels per point.
QColor colourAt(const sprite::TexturePtr& texture, QPointF point)
{
    const int y = texture->pixelSize().height() - 1 - int(point.y() * 2);
    return QColor::fromRgba(texture->image().pixel(int(point.x() * 2), y));
}

class FallingPiecesTest : public EffectFixture {
protected:
    FallingPiecesTest()
    {
        settings.setLeavesEnabled(true);
        settings.setPetalsEnabled(true);
    }
};

TEST_F(FallingPiecesTest, SlowestFallAndCalmestTumbleKeepAFloorAndNoFlutterWhileTheWindCarries)
{
    settings.setLeafCount(10);
    settings.setLeafFallSpeed(1);
    settings.setLeafTumble(0);
    settings.setPetalCount(10);
    settings.setPetalFallSpeed(1);
    settings.setPetalTumble(0);
    LeafSimulation leaves(kScene, settings, context(2));
    PetalSimulation petals(kScene, settings, context(2));

    // Per second: the floor of the fall, the sway and the share of the spin.
    const auto check = [](const std::vector<FallingPieces::Piece>& pieces, auto& sim, double fall, double sway,
                          double spinShare) {
        std::vector<QPointF> before;
        std::vector<double> turns;
        for (const auto& piece : pieces) {
            piece.sprite->setPosition({500, 300});
            turns.push_back(piece.sprite->zRotation());
        }
        const double dt = 0.05;
        sim.step(frameAt(0, dt, windOf(100)));
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto& piece = pieces[i];
            const QPointF now = piece.sprite->position();
            EXPECT_NEAR(300 - now.y(), dt * fall * piece.fallFactor, 1e-9);
            EXPECT_NEAR(now.x() - 500, dt * (85 + sway * std::sin(piece.swayPhase)), 1e-9);
            EXPECT_NEAR(piece.sprite->zRotation() - turns[i], dt * piece.spin * spinShare, 1e-9);
            EXPECT_DOUBLE_EQ(piece.sprite->xScale(), piece.baseScale);
        }
    };
    check(leaves.leaves(), leaves, 8, 10, 0.35);
    check(petals.petals(), petals, 6, 14, 0.45);
}

TEST_F(FallingPiecesTest, PiecesBlownOffTheSideComeBackAboveTheTop)
{
    settings.setPetalCount(30);
    settings.setPetalFallSpeed(100);
    PetalSimulation petals(kScene, settings, context(2));
    int recycled = 0;
    for (int frame = 0; frame < 600; ++frame) {
        std::vector<double> ys;
        for (const auto& petal : petals.petals())
            ys.push_back(petal.sprite->position().y());
        petals.step(frameAt(0, 1.0 / 30, windOf(400)));
        for (std::size_t i = 0; i < ys.size(); ++i) {
            const QPointF p = petals.petals()[i].sprite->position();
            EXPECT_LE(p.x(), kScene.width() + 70 + 1e-9);
            if (p.y() > ys[i]) {
                ++recycled;
                EXPECT_TRUE(p.y() >= kScene.height() + 10 && p.x() >= 0 && p.x() <= kScene.width()) << p.x();
            }
        }
    }
    EXPECT_GT(recycled, 30);
}

TEST_F(FallingPiecesTest, ColourChangeSwapsOneTextureIntoEverySpriteAndBadColoursFallBack)
{
    settings.setLeafCount(8);
    settings.setLeafColorHex("#nonsense");
    settings.setPetalColorHex("");
    LeafSimulation leaves(kScene, settings, context(2));
    PetalSimulation petals(kScene, settings, context(2));
    EXPECT_EQ(colourAt(leaves.texture(), {8, 10.5}), FallbackColor::orange);
    EXPECT_EQ(colourAt(petals.texture(), {6, 10}), FallbackColor::pink);

    std::vector<QPointF> places;
    for (const auto& leaf : leaves.leaves())
        places.push_back(leaf.sprite->position());
    settings.setLeafColorHex("#D98A3D");
    leaves.apply(settings);
    for (std::size_t i = 0; i < places.size(); ++i) {
        EXPECT_EQ(leaves.leaves()[i].sprite->texture(), leaves.texture());
        EXPECT_EQ(leaves.leaves()[i].sprite->position(), places[i]);
    }

    // Filled with the colour round a darker midrib.
    const QColor brown(0xD9, 0x8A, 0x3D);
    const sprite::TexturePtr leaf = leaves.texture();
    EXPECT_EQ(colourAt(leaf, {8, 10.5}), brown);
    EXPECT_LT(colourAt(leaf, {11, 8}).red(), brown.red() * 0.75);
    EXPECT_EQ(colourAt(leaf, {11, 8}).alpha(), 255);
}

} // namespace
