#include "ui/BrandMark.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tavik;

namespace {

bool inked(const QImage& image, int x, int y)
{
    return qAlpha(image.pixel(x, y)) > 128;
}

} // namespace

// The windy mark adds three separate streaks left of the leaf, where the plain mark has nothing;
// the leaf takes the colour asked for.
TEST(BrandMark, WindyMarkAddsThreeStreaksLeftOfTheLeaf)
{
    const QImage plain = BrandMark::image(200, false, Qt::white);
    const QImage windy = BrandMark::image(200, true, Qt::white);
    int plainInk = 0;
    int runs = 0;
    for (int y = 1; y < 200; ++y) {
        plainInk += inked(plain, 50, y);
        runs += inked(windy, 50, y) && !inked(windy, 50, y - 1);
    }
    EXPECT_EQ(plainInk, 0);
    EXPECT_EQ(runs, 3);
    const QColor teal(0x2F, 0xD1, 0xB6);
    EXPECT_EQ(QColor(BrandMark::image(200, false, teal).pixel(100, 100)).rgb(), teal.rgb());
}

TEST(BrandMark, ImagesHonourThePixelRatioAndRefuseNonsense)
{
    EXPECT_EQ(BrandMark::image(22, true, Qt::white, 2.0).size(), QSize(44, 44));
    for (qreal ratio : {std::numeric_limits<qreal>::quiet_NaN(), 0.0, -3.0})
        EXPECT_EQ(BrandMark::image(22, true, Qt::white, ratio).size(), QSize(22, 22)) << ratio;
    EXPECT_EQ(BrandMark::image(0, true, Qt::white).size(), QSize(1, 1));
}

// Readable on a white panel (a dark rim) and on a black one (a light body).
TEST(BrandMark, TrayImageIsLightWithADarkRim)
{
    const QImage tray = BrandMark::trayImage(64, true);
    int light = 0;
    int dark = 0;
    for (int y = 0; y < tray.height(); ++y) {
        for (int x = 0; x < tray.width(); ++x) {
            const QRgb pixel = tray.pixel(x, y);
            light += qAlpha(pixel) >= 200 && qGray(pixel) > 200;
            dark += qAlpha(pixel) >= 200 && qGray(pixel) < 60;
        }
    }
    EXPECT_GT(light, 200);
    EXPECT_GT(dark, 100);
}
