// What a person would see: the scene drawn by the raster renderer and measured by rows.
#include "atmosphere/AtmosphereScene.h"

#include "effects/FireflySimulation.h"
#include "effects/FogSimulation.h"
#include "effects/LightRaySimulation.h"
#include "effects/RainSimulation.h"
#include "effects/SnowSimulation.h"
#include "effects/SplashSystem.h"
#include "effects/StarSimulation.h"
#include "settings/SettingsStore.h"
#include "sprite/DrawList.h"
#include "sprite/RasterRenderer.h"

#include <gtest/gtest.h>

using namespace tavik;

namespace {

class RenderFixture : public ::testing::Test {
protected:
    RenderFixture()
    {
        // Only what a test switches on.
        for (Setting s : {Setting::rainEnabled, Setting::windEnabled, Setting::firefliesEnabled, Setting::leavesEnabled})
            store.setValue(s, false);
    }

    QImage render(AtmosphereScene& scene)
    {
        sprite::DrawList list;
        list.build(scene);
        return sprite::RasterRenderer().render(list, QSize(kWidth, kHeight), 1.0);
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

    static constexpr int kWidth = 720;
    static constexpr int kHeight = 450;
    MemoryKeyValueStore db;
    SettingsStore store{db};
    NoDockGeometry dock;
};

} // namespace

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
