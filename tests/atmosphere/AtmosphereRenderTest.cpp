// What a person would see: the scene drawn by the raster renderer and measured by bands of
// rows and columns.
#include "atmosphere/AtmosphereScene.h"

#include "effects/LightRaySimulation.h"
#include "effects/StarSimulation.h"
#include "settings/SettingsStore.h"
#include "sprite/DrawList.h"
#include "sprite/RasterRenderer.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace tavik;

namespace {
constexpr int kWidth = 720;
constexpr int kHeight = 450;

class RenderFixture : public ::testing::Test {
protected:
    RenderFixture()
    {
        // Only what a test switches on.
        for (Setting s : {Setting::rainEnabled, Setting::windEnabled, Setting::firefliesEnabled,
                          Setting::leavesEnabled, Setting::starsEnabled, Setting::auroraEnabled,
                          Setting::sunRaysEnabled, Setting::moonRaysEnabled})
            store.setValue(s, false);
    }

    static QImage render(AtmosphereScene& scene)
    {
        sprite::DrawList list;
        list.build(scene);
        const QSizeF s = scene.size();
        return sprite::RasterRenderer().render(list, QSize(int(s.width()), int(s.height())), 1.0);
    }

    static void run(AtmosphereScene& scene, double from, double seconds)
    {
        for (double t = from; t <= from + seconds; t += 1.0 / 30)
            scene.advance(t);
    }

    // Total alpha (0..255 per pixel) of a rectangle given in shares of the image, from the top left.
    static double light(const QImage& image, double left, double top, double right, double bottom)
    {
        const int x0 = int(left * image.width());
        const int x1 = std::max(x0 + 1, int(right * image.width()));
        const int y0 = int(top * image.height());
        const int y1 = std::max(y0 + 1, int(bottom * image.height()));
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                sum += qAlpha(image.pixel(x, y));
        return sum;
    }

    // Mean alpha (0..255) of a band of rows, counted from the top of the image.
    static double bandAlpha(const QImage& image, double fromTop, double toTop)
    {
        const int y0 = static_cast<int>(fromTop * image.height());
        const int y1 = std::max(y0 + 1, static_cast<int>(toTop * image.height()));
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < image.width(); ++x)
                sum += qAlpha(image.pixel(x, y));
        return sum / (static_cast<double>(y1 - y0) * image.width());
    }

    // The alpha-weighted mean column of a band of rows, as a share of the width.
    static double centreOfLight(const QImage& image, double top, double bottom)
    {
        double sum = 0;
        double weighted = 0;
        for (int y = int(top * image.height()); y < int(bottom * image.height()); ++y)
            for (int x = 0; x < image.width(); ++x) {
                sum += qAlpha(image.pixel(x, y));
                weighted += x * qAlpha(image.pixel(x, y));
            }
        return sum > 0 ? weighted / sum / image.width() : -1;
    }

    MemoryKeyValueStore db;
    SettingsStore store{db};
    NoDockGeometry dock;
};

} // namespace

TEST_F(RenderFixture, StarsShineOnlyInTheUpperSkyAlsoAfterTheScreenShrinks)
{
    store.setStarsEnabled(true);
    store.setStarDensity(100);
    store.setShootingStarFrequency(0);
    AtmosphereScene scene({kWidth * 2, kHeight * 2}, store, {}, dock, 4);
    run(scene, 1, 1);
    QImage image = render(scene);
    // A star is at most 2.6 points wide: half of it may reach just under 45 % of the height.
    EXPECT_EQ(light(image, 0, 0.56, 1, 1), 0);
    EXPECT_GT(light(image, 0, 0, 1, 0.25), 0);
    EXPECT_GT(light(image, 0, 0.25, 1, 0.54), 0);
    EXPECT_GT(light(image, 0, 0, 0.5, 0.55), 0);
    EXPECT_GT(light(image, 0.5, 0, 1, 0.55), 0);

    scene.setSize({kWidth, kHeight});
    run(scene, 2.1, 0.2);
    image = render(scene);
    EXPECT_EQ(light(image, 0, 0.56, 1, 1), 0);
    EXPECT_GT(light(image, 0, 0.25, 1, 0.54), 0);
}

TEST_F(RenderFixture, ShootingStarIsAStreakWithItsHeadLeadingDownToTheRight)
{
    store.setStarsEnabled(true);
    store.setStarDensity(0);
    store.setShootingStarFrequency(100);
    AtmosphereScene scene({kWidth, kHeight}, store, {}, dock, 4);
    const double due = scene.effectAs<StarSimulation>("stars")->nextMeteorIn();
    scene.advance(1);
    run(scene, 1 + 1.0 / 30, due + 0.3);
    const QImage image = render(scene);

    int brightest = 0;
    QPoint head;
    double sumX = 0;
    double sumY = 0;
    double sum = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int a = qAlpha(image.pixel(x, y));
            sum += a;
            sumX += a * x;
            sumY += a * y;
            if (a > brightest) {
                brightest = a;
                head = {x, y};
            }
        }
    ASSERT_GT(sum, 0) << "a meteor is in flight";
    EXPECT_GT(brightest, 60);
    EXPECT_GT(head.x(), sumX / sum + 10);
    EXPECT_GT(head.y(), sumY / sum + 5); // image rows grow downwards

    run(scene, 1.1 + due + 0.3, 1);
    EXPECT_EQ(light(render(scene), 0, 0, 1, 1), 0) << "gone once it has flown";
}

TEST_F(RenderFixture, RaysHangFromTheTopCornerAndLeanAwayFromIt)
{
    store.setSunRaysEnabled(true);
    store.setSunIntensity(100);
    store.setSunSpeed(30);
    for (const double slant : {25.0, -25.0}) {
        store.setSunAngle(slant);
        AtmosphereScene scene({kWidth, kHeight}, store, {}, dock, 4);
        run(scene, 1, 1);
        const QImage image = render(scene);
        const bool fromLeft = slant > 0;
        // The top edge is lit only on the source side.
        const double near = fromLeft ? light(image, 0, 0, 0.4, 0.1) : light(image, 0.6, 0, 1, 0.1);
        const double far = fromLeft ? light(image, 0.5, 0, 1, 0.1) : light(image, 0, 0, 0.5, 0.1);
        EXPECT_GT(near, 1000) << slant;
        EXPECT_EQ(far, 0) << slant;
        // Lower down, the light has moved away from the corner.
        const double top = centreOfLight(image, 0, 0.15);
        const double low = centreOfLight(image, 0.75, 1);
        if (fromLeft)
            EXPECT_GT(low, top + 0.1);
        else
            EXPECT_LT(low, top - 0.1);
        // Light enters at the top edge, where it is brightest, and fades on its way down.
        const double high = light(image, 0, 0, 1, 0.2);
        const double middle = light(image, 0, 0.4, 1, 0.6);
        EXPECT_GT(high, 1.2 * middle) << slant;
        EXPECT_GT(middle, light(image, 0, 0.8, 1, 1)) << slant;
    }
}

TEST_F(RenderFixture, ResizedRaysHangFromTheNewTopEdgeWithoutAJump)
{
    store.setMoonRaysEnabled(true);
    store.setMoonIntensity(100);
    store.setMoonAngle(20);
    AtmosphereScene scene({kWidth * 2, kHeight * 2}, store, {}, dock, 4);
    run(scene, 1, 1);
    const double phase = scene.effectAs<LightRaySimulation>("moonRays")->phase;
    scene.setSize({kWidth, kHeight});
    EXPECT_EQ(scene.effectAs<LightRaySimulation>("moonRays")->phase, phase);
    const QImage image = render(scene);
    EXPECT_GT(light(image, 0, 0, 0.4, 0.1), 1000);
    EXPECT_EQ(light(image, 0.5, 0, 1, 0.1), 0);
}

TEST_F(RenderFixture, AuroraHangsFromTheTopAndLeavesTheLowerSkyClear)
{
    store.setAuroraEnabled(true);
    store.setAuroraIntensity(100);
    AtmosphereScene scene({kWidth, kHeight}, store, {}, dock, 4);
    run(scene, 1, 2);
    const QImage image = render(scene);
    // The longest curtain, stretched its most, ends about 67 % below its top at 102 %.
    EXPECT_EQ(light(image, 0, 0.68, 1, 1), 0);
    const double top = light(image, 0, 0, 1, 0.25);
    EXPECT_GT(top, light(image, 0, 0.4, 1, 0.65));
    // Eight curtains spread across the whole width.
    EXPECT_GT(light(image, 0, 0, 0.2, 0.25), 0.05 * top);
    EXPECT_GT(light(image, 0.8, 0, 1, 0.25), 0.05 * top);
    // Soft: no column jumps sharply in brightness against its neighbour.
    const int row = int(0.1 * image.height());
    for (int x = 1; x < image.width(); ++x)
        EXPECT_LE(std::abs(qAlpha(image.pixel(x, row)) - qAlpha(image.pixel(x - 1, row))), 6) << x;
}

TEST_F(RenderFixture, RainFillsThePictureAfterOneSecond)
{
    store.setRainEnabled(true);
    store.setDropsPerSecond(60);
    store.setDropOpacity(0.6);
    AtmosphereScene scene({kWidth, kHeight}, store, {}, dock, 3);
    const QImage before = render(scene);
    EXPECT_EQ(bandAlpha(before, 0, 1), 0);
    for (int i = 0; i <= 60; ++i)
        scene.advance(1 + i / 60.0);
    const QImage image = render(scene);
    EXPECT_GT(bandAlpha(image, 0, 0.5), 0.05);
    EXPECT_GT(bandAlpha(image, 0.5, 1), 0.05);
}

TEST_F(RenderFixture, FlashGlowIsBrightestAtTheTopAndGoneBeforeTheMiddle)
{
    store.setThunderEnabled(true);
    store.setThunderBrightness(100);
    AtmosphereScene scene({kWidth, kHeight}, store, {}, dock, 3);
    scene.advance(1);
    scene.thunder().startFlash();
    // The main strike peaks 6 % into the 0.55 s flash.
    scene.advance(1 + 0.06 * 0.55);
    const QImage image = render(scene);
    const double top = bandAlpha(image, 0, 0.02);
    const double quarter = bandAlpha(image, 0.2, 0.22);
    const double past = bandAlpha(image, 0.47, 1);
    EXPECT_GT(top, 60);
    EXPECT_GT(top, quarter);
    EXPECT_GT(quarter, 5);
    EXPECT_LT(past, 1);
}

TEST_F(RenderFixture, FogLiesLowOnTheScreen)
{
    store.setFogEnabled(true);
    store.setFogDensity(100);
    store.setFogOpacity(0.6);
    AtmosphereScene scene({kWidth * 2, kHeight * 2}, store, {}, dock, 3);
    scene.advance(1);
    sprite::DrawList list;
    list.build(scene);
    const QImage image = sprite::RasterRenderer().render(list, QSize(kWidth, kHeight), 0.5);
    const double lowerThird = bandAlpha(image, 2.0 / 3, 1);
    EXPECT_GT(lowerThird, 10);
    EXPECT_LT(bandAlpha(image, 0, 0.45), 0.01);
    EXPECT_GT(lowerThird, 5 * bandAlpha(image, 0.45, 2.0 / 3));
}
