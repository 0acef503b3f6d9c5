#include "ui/BrandMark.h"

#include <gtest/gtest.h>

#include <limits>

using namespace tavik;

namespace {

constexpr int kSize = 200;
constexpr int kCentre = kSize / 2;

bool inked(const QImage& image, int x, int y)
{
    return qAlpha(image.pixel(x, y)) > 128;
}

// The inked pixels of the columns [fromX, toX), in reading order.
QList<QPoint> inkIn(const QImage& image, int fromX, int toX)
{
    QList<QPoint> ink;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = fromX; x < toX; ++x) {
            if (inked(image, x, y))
                ink << QPoint(x, y);
        }
    }
    return ink;
}

} // namespace

// The windy mark adds three separate streaks left of the leaf, where the plain mark has nothing.
TEST(BrandMark, WindyMarkAddsThreeStreaksLeftOfTheLeaf)
{
    const QImage plain = BrandMark::image(kSize, false, Qt::white);
    const QImage windy = BrandMark::image(kSize, true, Qt::white);
    EXPECT_TRUE(inkIn(plain, 0, kCentre - 50).isEmpty());
    EXPECT_FALSE(inkIn(plain, kCentre, kSize).isEmpty());
    int runs = 0;
    for (int y = 1; y < kSize; ++y)
        runs += inked(windy, kCentre - 50, y) && !inked(windy, kCentre - 50, y - 1);
    EXPECT_EQ(runs, 3);
    const QColor teal(0x2F, 0xD1, 0xB6);
    EXPECT_EQ(QColor(BrandMark::image(kSize, false, teal).pixel(kCentre, kCentre)).rgb(), teal.rgb());
}

TEST(BrandMark, ImagesHonourThePixelRatioAndRefuseNonsense)
{
    const QImage sharp = BrandMark::image(22, true, Qt::white, 2.0);
    EXPECT_EQ(sharp.size(), QSize(44, 44));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
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
    for (const QPoint& p : inkIn(tray, 0, tray.width())) {
        const QRgb pixel = tray.pixel(p);
        light += qAlpha(pixel) >= 200 && qGray(pixel) > 200;
        dark += qAlpha(pixel) >= 200 && qGray(pixel) < 60;
    }
    EXPECT_GT(light, 200);
    EXPECT_GT(dark, 100);
}
