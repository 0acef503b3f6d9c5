#include "effects/LeafSimulation.h"
#include "effects/PetalSimulation.h"

#include <gtest/gtest.h>

using namespace tavik;

namespace {

// The colour at a point given in texture points, y up, at 2 pixels per point.
QColor colourAt(const sprite::Texture& texture, QPointF point)
{
    const int x = int(point.x() * 2);
    const int y = texture.pixelSize().height() - 1 - int(point.y() * 2);
    return QColor::fromRgba(texture.image().pixel(x, y));
}

} // namespace

TEST(LeafPetalTexture, LeafIsFilledWithItsColourAroundADarkerMidrib)
{
    const QColor colour(0xD9, 0x8A, 0x3D);
    const sprite::TexturePtr leaf = LeafSimulation::makeLeafTexture(colour, 2);
    ASSERT_EQ(leaf->size(), QSizeF(22, 16));
    ASSERT_EQ(leaf->pixelSize(), QSize(44, 32));

    EXPECT_EQ(colourAt(*leaf, {8, 10.5}), colour);
    EXPECT_EQ(colourAt(*leaf, {14, 6}), colour);
    const QColor midrib = colourAt(*leaf, {11, 8});
    EXPECT_EQ(midrib.alpha(), 255);
    EXPECT_LT(midrib.red(), colour.red() * 0.75);
    EXPECT_LT(midrib.green(), colour.green() * 0.75);
    // Pointed ends and rounded sides: the corners and the tips beyond the outline are clear.
    EXPECT_EQ(colourAt(*leaf, {0.5, 0.5}).alpha(), 0);
    EXPECT_EQ(colourAt(*leaf, {21, 8}).alpha(), 0);
    EXPECT_EQ(colourAt(*leaf, {11, 15.5}).alpha(), 0);
}

TEST(LeafPetalTexture, PetalIsFilledWithItsColourAndAFaintCentreLine)
{
    const QColor colour(0xF7, 0xB7, 0xCE);
    const sprite::TexturePtr petal = PetalSimulation::makePetalTexture(colour, 2);
    ASSERT_EQ(petal->size(), QSizeF(16, 14));
    ASSERT_EQ(petal->pixelSize(), QSize(32, 28));

    EXPECT_EQ(colourAt(*petal, {6, 10}), colour);
    const QColor line = colourAt(*petal, {8, 7});
    EXPECT_EQ(line.alpha(), 255);
    EXPECT_LT(line.red(), colour.red());
    EXPECT_GT(line.red(), colour.red() * 0.85); // half of an 18 % darkening, roughly
    EXPECT_EQ(colourAt(*petal, {0.5, 0.5}).alpha(), 0);
    EXPECT_EQ(colourAt(*petal, {15.5, 13.5}).alpha(), 0);
}
