// Leaves and petals: pieces that fall, sway, tumble and come back above the top.

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

    // Per second: the floor of the fall, the sway and the share of the spin for each kind.
    const auto check = [](const std::vector<FallingPieces::Piece>& pieces, auto& sim, double fall, double sway,
                          double spinShare) {
        std::vector<QPointF> before;
        std::vector<double> turns;
        for (const auto& piece : pieces) {
            EXPECT_GE(piece.sprite->position().y(), 0) << "starts on screen";
            EXPECT_LE(piece.sprite->position().y(), kScene.height());
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

TEST_F(FallingPiecesTest, FullTumbleNarrowsLeavesByUpToFortyFivePercent)
{
    settings.setLeafCount(20);
    settings.setLeafTumble(100);
    LeafSimulation leaves(kScene, settings, context(2));
    double narrowest = 1;
    for (int frame = 0; frame < 600; ++frame) {
        leaves.step(frameAt(0, kFrame));
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
    double furthest = 0;
    for (int frame = 0; frame < 600; ++frame) {
        std::vector<double> ys;
        for (const auto& petal : petals.petals())
            ys.push_back(petal.sprite->position().y());
        petals.step(frameAt(0, 1.0 / 30, windOf(400)));
        for (std::size_t i = 0; i < ys.size(); ++i) {
            const QPointF p = petals.petals()[i].sprite->position();
            EXPECT_LE(p.x(), kScene.width() + 70 + 1e-9);
            EXPECT_GE(p.y(), -40 - 1e-9);
            furthest = std::max(furthest, p.x());
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
    EXPECT_GT(furthest, kScene.width() + 35) << "seen past the edge before it goes";
    EXPECT_EQ(petals.node().children().size(), 30u);
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

    // Filled with the colour round a darker centre line.
    const QColor brown(0xD9, 0x8A, 0x3D);
    const sprite::TexturePtr leaf = leaves.texture();
    ASSERT_EQ(leaf->pixelSize(), QSize(44, 32));
    EXPECT_EQ(colourAt(leaf, {8, 10.5}), brown);
    EXPECT_EQ(colourAt(leaf, {14, 6}), brown);
    EXPECT_LT(colourAt(leaf, {11, 8}).red(), brown.red() * 0.75); // the midrib
    EXPECT_EQ(colourAt(leaf, {11, 8}).alpha(), 255);
    EXPECT_EQ(colourAt(leaf, {21, 8}).alpha(), 0) << "beyond the tip";
}

} // namespace
