#include "effects/LeafSimulation.h"

#include "EffectFixture.h"
#include "effects/PetalSimulation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>
#include <vector>

using namespace tavik;
using test::frameAt;

namespace {
constexpr QSizeF kScene{1000, 600};

// The colour in the middle of a leaf or petal texture, away from its centre line.
QColor bodyColour(const sprite::TexturePtr& texture)
{
    const QImage& image = texture->image();
    return QColor::fromRgba(image.pixel(image.width() / 2, image.height() * 3 / 8));
}

class FallingPiecesTest : public test::EffectFixture {
protected:
    FallingPiecesTest()
    {
        settings.setLeavesEnabled(true);
        settings.setPetalsEnabled(true);
        settings.setLowPowerMode(false);
    }
};

} // namespace

TEST_F(FallingPiecesTest, ApplyStartsPiecesOnScreen)
{
    settings.setPetalCount(12);
    PetalSimulation petals(kScene, settings, context(2));
    for (const auto& petal : petals.petals()) {
        EXPECT_GE(petal.sprite->position().y(), 0);
        EXPECT_LE(petal.sprite->position().y(), kScene.height());
    }
}

TEST_F(FallingPiecesTest, SlowestFallAndCalmestTumbleKeepAFloorAndNoFlutter)
{
    settings.setLeafCount(10);
    settings.setLeafFallSpeed(1);
    settings.setLeafTumble(0);
    settings.setPetalCount(10);
    settings.setPetalFallSpeed(1);
    settings.setPetalTumble(0);
    LeafSimulation leaves(kScene, settings, context(2));
    PetalSimulation petals(kScene, settings, context(2));

    const auto check = [](const std::vector<FallingPieces::Piece>& pieces, auto& sim, double fall, double sway,
                          double spinShare) {
        std::vector<QPointF> before;
        std::vector<double> turns;
        for (const auto& piece : pieces) {
            before.push_back(piece.sprite->position());
            turns.push_back(piece.sprite->zRotation());
        }
        const double dt = 0.05;
        sim.step(frameAt(0, dt, WindSample{}));
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            const auto& piece = pieces[i];
            const QPointF now = piece.sprite->position();
            EXPECT_NEAR(before[i].y() - now.y(), dt * fall * piece.fallFactor, 1e-9);
            EXPECT_NEAR(now.x() - before[i].x(), dt * sway * std::sin(piece.swayPhase), 1e-9);
            EXPECT_NEAR(piece.sprite->zRotation() - turns[i], dt * piece.spin * spinShare, 1e-9);
            EXPECT_DOUBLE_EQ(piece.sprite->xScale(), piece.baseScale);
        }
    };
    check(leaves.leaves(), leaves, 8, 10, 0.35);
    check(petals.petals(), petals, 6, 14, 0.45);
}

TEST_F(FallingPiecesTest, FullTumbleNarrowsLeavesByUpToFortyFivePercent)
{
    settings.setLeafCount(20);
    settings.setLeafTumble(100);
    settings.setLeafFallSpeed(30);
    LeafSimulation leaves(kScene, settings, context(2));

    double narrowest = 1;
    for (int frame = 0; frame < 600; ++frame) {
        leaves.step(frameAt(0, 1.0 / 60, WindSample{}));
        for (const auto& leaf : leaves.leaves()) {
            const double share = leaf.sprite->xScale() / leaf.baseScale;
            EXPECT_GE(share, 0.55 - 1e-9);
            EXPECT_LE(share, 1 + 1e-9);
            EXPECT_DOUBLE_EQ(leaf.sprite->yScale(), leaf.baseScale);
            narrowest = std::min(narrowest, share);
        }
    }
    EXPECT_LT(narrowest, 0.6);
}

TEST_F(FallingPiecesTest, PiecesThatLeaveTheScreenComeBackAboveTheTop)
{
    settings.setPetalCount(30);
    settings.setPetalFallSpeed(100);
    PetalSimulation petals(kScene, settings, context(2));

    // Blown hard to the right: whoever passes width + 70 starts again above the top.
    int recycled = 0;
    for (int frame = 0; frame < 600; ++frame) {
        std::vector<double> ys;
        for (const auto& petal : petals.petals())
            ys.push_back(petal.sprite->position().y());
        petals.step(frameAt(0, 1.0 / 30, windOf(400)));
        for (std::size_t i = 0; i < ys.size(); ++i) {
            const QPointF p = petals.petals()[i].sprite->position();
            EXPECT_LE(p.x(), kScene.width() + 70 + 1e-9);
            EXPECT_GE(p.y(), -40 - 1e-9);
            if (p.y() > ys[i]) {
                ++recycled;
                EXPECT_GE(p.y(), kScene.height() + 10);
                EXPECT_LE(p.y(), kScene.height() + 120);
                EXPECT_GE(p.x(), 0);
                EXPECT_LE(p.x(), kScene.width());
                EXPECT_DOUBLE_EQ(petals.petals()[i].sprite->xScale(), petals.petals()[i].baseScale);
            }
        }
    }
    EXPECT_GT(recycled, 30);
    EXPECT_EQ(petals.petals().size(), 30u);
    EXPECT_EQ(petals.node().children().size(), 30u);
}

TEST_F(FallingPiecesTest, ColourChangeSwapsOneTextureIntoEverySpriteAndBadColoursFallBack)
{
    settings.setLeafCount(8);
    settings.setLeafColorHex("#nonsense");
    LeafSimulation leaves(kScene, settings, context(2));
    EXPECT_EQ(bodyColour(leaves.texture()), FallbackColor::orange);
    EXPECT_EQ(leaves.texture()->pixelSize(), QSize(44, 32)); // drawn at the display's scale

    std::vector<QPointF> places;
    for (const auto& leaf : leaves.leaves())
        places.push_back(leaf.sprite->position());
    const sprite::TexturePtr old = leaves.texture();
    settings.setLeafColorHex("#336699");
    leaves.apply(settings);
    EXPECT_NE(leaves.texture(), old);
    EXPECT_EQ(bodyColour(leaves.texture()), QColor(0x33, 0x66, 0x99));
    for (std::size_t i = 0; i < places.size(); ++i) {
        EXPECT_EQ(leaves.leaves()[i].sprite->texture(), leaves.texture());
        EXPECT_EQ(leaves.leaves()[i].sprite->position(), places[i]);
    }

    settings.setPetalColorHex("");
    PetalSimulation petals(kScene, settings, context(2));
    EXPECT_EQ(bodyColour(petals.texture()), FallbackColor::pink);
}
