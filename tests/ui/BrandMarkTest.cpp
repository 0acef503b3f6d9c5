#include "ui/BrandMark.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tavik;

namespace {

constexpr int kSize = 200;

bool inked(const QImage& image, int x, int y)
{
    return qAlpha(image.pixel(x, y)) > 128;
}

// The inked pixels of a column range, as the first and last inked row and the count.
struct Extent {
    int count = 0;
    QPoint top{-1, -1};    // the first inked pixel from the top
    QPoint bottom{-1, -1}; // the last one
    int left = kSize;
};

Extent extentOf(const QImage& image, int fromX, int toX)
{
    Extent extent;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = fromX; x < toX; ++x) {
            if (!inked(image, x, y))
                continue;
            if (extent.count++ == 0)
                extent.top = {x, y};
            extent.bottom = {x, y};
            extent.left = std::min(extent.left, x);
        }
    }
    return extent;
}

} // namespace

TEST(BrandMark, WindyMarkAddsStreaksLeftOfTheLeafOnly)
{
    const QImage plain = BrandMark::image(kSize, false, Qt::white);
    const QImage windy = BrandMark::image(kSize, true, Qt::white);
    const int c = kSize / 2;
    // The middle streak runs from 0.4 s left of the centre; the plain mark has nothing there.
    const int streakX = c - int(0.3 * kSize);
    EXPECT_TRUE(inked(windy, streakX, c));
    EXPECT_FALSE(inked(plain, streakX, c));
    EXPECT_EQ(extentOf(plain, 0, c - int(0.25 * kSize)).count, 0);
    const Extent streaks = extentOf(windy, 0, c - int(0.25 * kSize));
    EXPECT_GT(streaks.count, 0);
    EXPECT_LT(streaks.left, c - int(0.38 * kSize));
    // Three separate bars: the column through the streaks crosses ink three times.
    int runs = 0;
    for (int y = 1; y < kSize; ++y)
        runs += inked(windy, streakX + 10, y) && !inked(windy, streakX + 10, y - 1);
    EXPECT_EQ(runs, 3);
    // The windy leaf sits further right to make room.
    EXPECT_GT(extentOf(windy, c, kSize).count, extentOf(plain, c, kSize).count);
}

TEST(BrandMark, LeafLeansItsTipToTheRight)
{
    const QImage plain = BrandMark::image(kSize, false, Qt::white);
    const Extent leaf = extentOf(plain, 0, kSize);
    ASSERT_GT(leaf.count, 0);
    const int c = kSize / 2;
    // Tip up and to the right of the centre, stem down and to the left: turned clockwise.
    EXPECT_LT(leaf.top.y(), c - int(0.2 * kSize));
    EXPECT_GT(leaf.top.x(), c + int(0.08 * kSize));
    EXPECT_GT(leaf.bottom.y(), c + int(0.2 * kSize));
    EXPECT_LT(leaf.bottom.x(), c - int(0.08 * kSize));
    // Painted in the colour asked for.
    EXPECT_EQ(QColor(BrandMark::image(kSize, false, QColor(0x2F, 0xD1, 0xB6)).pixel(c, c)).rgb(), QColor(0x2F, 0xD1, 0xB6).rgb());
}

TEST(BrandMark, ImagesHonourThePixelRatioAndRefuseNonsense)
{
    const QImage sharp = BrandMark::image(22, true, Qt::white, 2.0);
    EXPECT_EQ(sharp.size(), QSize(44, 44));
    EXPECT_EQ(sharp.devicePixelRatio(), 2.0);
    for (qreal ratio : {std::numeric_limits<qreal>::quiet_NaN(), 0.0, -3.0}) {
        const QImage image = BrandMark::image(22, true, Qt::white, ratio);
        EXPECT_EQ(image.size(), QSize(22, 22)) << ratio;
    }
    EXPECT_EQ(BrandMark::image(0, true, Qt::white).size(), QSize(1, 1));
}

TEST(BrandMark, TrayImageIsLightWithADarkRim)
{
    const QImage tray = BrandMark::trayImage(64, true);
    int light = 0;
    int dark = 0;
    for (int y = 0; y < tray.height(); ++y) {
        for (int x = 0; x < tray.width(); ++x) {
            const QRgb p = tray.pixel(x, y);
            if (qAlpha(p) < 200)
                continue;
            const int grey = qGray(p);
            light += grey > 200;
            dark += grey < 60;
        }
    }
    // Readable on a white panel (dark rim) and on a black one (light body).
    EXPECT_GT(light, 200);
    EXPECT_GT(dark, 100);
    EXPECT_FALSE(BrandMark::trayIcon(true).isNull());
}
