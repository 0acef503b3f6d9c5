#include "effects/LeafSimulation.h"
#include "effects/PetalSimulation.h"

#include <gtest/gtest.h>

using namespace tavik;

namespace {
// The colour at a point given in texture points, y up, at 2 pixels per point.
QColor colourAt(const sprite::TexturePtr& texture, QPointF point)
{
    const int y = texture->pixelSize().height() - 1 - int(point.y() * 2);
    return QColor::fromRgba(texture->image().pixel(int(point.x() * 2), y));
}

} // namespace

TEST(LeafPetalTexture, FilledWithTheColourAroundADarkerCentreLineAndClearOutside)
{
    const QColor brown(0xD9, 0x8A, 0x3D);
    const sprite::TexturePtr leaf = LeafSimulation::makeLeafTexture(brown, 2);
    ASSERT_EQ(leaf->pixelSize(), QSize(44, 32));
    EXPECT_EQ(colourAt(leaf, {8, 10.5}), brown);
    EXPECT_EQ(colourAt(leaf, {14, 6}), brown);
    EXPECT_LT(colourAt(leaf, {11, 8}).red(), brown.red() * 0.75); // the midrib
    EXPECT_EQ(colourAt(leaf, {11, 8}).alpha(), 255);
    EXPECT_EQ(colourAt(leaf, {0.5, 0.5}).alpha(), 0);
    EXPECT_EQ(colourAt(leaf, {21, 8}).alpha(), 0); // beyond the tip
    EXPECT_EQ(colourAt(leaf, {11, 15.5}).alpha(), 0);

    const QColor pink(0xF7, 0xB7, 0xCE);
    const sprite::TexturePtr petal = PetalSimulation::makePetalTexture(pink, 2);
    ASSERT_EQ(petal->pixelSize(), QSize(32, 28));
    EXPECT_EQ(colourAt(petal, {6, 10}), pink);
    // A faint line: half-transparent and only slightly darker.
    EXPECT_LT(colourAt(petal, {8, 7}).red(), pink.red());
    EXPECT_GT(colourAt(petal, {8, 7}).red(), pink.red() * 0.85);
    EXPECT_EQ(colourAt(petal, {15.5, 13.5}).alpha(), 0);
}
