// The scene drawn by the raster renderer and measured by regions.
#include "atmosphere/AtmosphereScene.h"

#include "effects/StarSimulation.h"
#include "settings/SettingsStore.h"
#include "sprite/DrawList.h"
#include "sprite/RasterRenderer.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace tavik;

namespace {
// Total alpha (0..255 per pixel) of a region given in shares of the image, from the top left.
double light(const QImage& image, QRectF share)
{
    double sum = 0;
    for (int y = int(share.top() * image.height()); y < int(share.bottom() * image.height()); ++y)
        for (int x = int(share.left() * image.width()); x < int(share.right() * image.width()); ++x)
            sum += qAlpha(image.pixel(x, y));
    return sum;
}

struct Picture {
    const char* name;
    std::function<void(SettingsStore&)> set;
    std::vector<QRectF> lit;                         // some light in each
    std::vector<QRectF> dark;                        // under a hundredth of alpha on average
    std::vector<std::pair<QRectF, QRectF>> brighter; // the first at least twice the second
};

void quiet(SettingsStore& store)
{
    for (Setting s : {Setting::rainEnabled, Setting::windEnabled, Setting::firefliesEnabled, Setting::leavesEnabled})
        store.setValue(s, false);
}

QImage render(AtmosphereScene& scene)
{
    sprite::DrawList list;
    list.build(scene);
    return sprite::RasterRenderer().render(list, QSize(720, 450), 1.0);
}

void run(AtmosphereScene& scene, double from, double seconds)
{
    for (double t = from; t <= from + seconds; t += 1.0 / 30)
        scene.advance(t);
}

class RenderFixture : public ::testing::Test {
protected:
    RenderFixture() { quiet(store); }

    MemoryKeyValueStore db;
    SettingsStore store{db};
    NoDockGeometry dock;
    AtmosphereScene scene{{720, 450}, store, {}, dock, 4};
};

} // namespace

TEST_F(RenderFixture, EachEffectLightsItsOwnPartOfThePicture)
{
    const Picture pictures[] = {
        {"stars", [](SettingsStore& s) { s.setStarsEnabled(true), s.setStarDensity(100), s.setShootingStarFrequency(0); },
         {{0, 0, 0.5, 0.55}, {0.5, 0, 0.5, 0.55}, {0, 0.25, 1, 0.29}}, // a star reaches just under 45 % down
         {{0, 0.56, 1, 0.44}},
         {}},
        {"aurora", [](SettingsStore& s) { s.setAuroraEnabled(true), s.setAuroraIntensity(100); },
         {{0, 0, 0.2, 0.25}, {0.8, 0, 0.2, 0.25}}, // eight curtains across the width
         {{0, 0.68, 1, 0.32}},
         {{{0, 0, 1, 0.25}, {0, 0.4, 1, 0.25}}}},
        {"fog", [](SettingsStore& s) { s.setFogEnabled(true), s.setFogDensity(100), s.setFogOpacity(0.6); },
         {{0, 2.0 / 3, 1, 1.0 / 3}},
         {{0, 0, 1, 0.45}},
         {{{0, 2.0 / 3, 1, 0.2}, {0, 0.45, 1, 0.2}}}},
    };
    for (const Picture& picture : pictures) {
        SCOPED_TRACE(picture.name);
        MemoryKeyValueStore fresh;
        SettingsStore settings{fresh};
        quiet(settings);
        picture.set(settings);
        AtmosphereScene shown({720, 450}, settings, {}, dock, 4);
        run(shown, 1, 2);
        const QImage image = render(shown);
        for (const QRectF& r : picture.lit)
            EXPECT_GT(light(image, r), 0) << r.x() << ", " << r.y();
        for (const QRectF& r : picture.dark)
            EXPECT_LT(light(image, r), 0.01 * r.width() * r.height() * 720 * 450) << r.x() << ", " << r.y();
        for (const auto& [bright, dim] : picture.brighter)
            EXPECT_GT(light(image, bright), 2 * light(image, dim)) << bright.y() << " against " << dim.y();
    }
}

TEST_F(RenderFixture, FlashGlowIsBrightestAtTheTopBlueAndGoneBeforeTheMiddle)
{
    store.setThunderEnabled(true);
    store.setThunderBrightness(100);
    scene.applySettings();
    scene.advance(1);
    scene.thunder().startFlash();
    scene.advance(1 + 0.06 * 0.55); // the main strike peaks 6 % into the 0.55 s flash
    const QImage image = render(scene);
    const double band = 0.02 * 720 * 450;
    EXPECT_GT(light(image, {0, 0, 1, 0.02}), 60 * band);
    EXPECT_GT(light(image, {0, 0.2, 1, 0.02}), 5 * band);
    EXPECT_LT(light(image, {0, 0.47, 1, 0.53}), 0.53 * 720 * 450);
    EXPECT_GT(qBlue(image.pixel(360, 0)), qRed(image.pixel(360, 0))) << "tinted by the flash colour";
}

TEST_F(RenderFixture, ShootingStarIsAStreakWithItsHeadLeadingDownToTheRightAndThenGone)
{
    store.setStarsEnabled(true);
    store.setStarDensity(0);
    store.setShootingStarFrequency(100);
    scene.applySettings();
    const double due = scene.effectAs<StarSimulation>("stars")->nextMeteorIn();
    run(scene, 1, due + 0.3);
    const QImage image = render(scene);
    QPoint head;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (qAlpha(image.pixel(x, y)) > qAlpha(image.pixel(head)))
                head = {x, y};
    EXPECT_GT(qAlpha(image.pixel(head)), 60) << "a meteor is in flight";
    // The head leads: the tail lies above and left of it (image rows grow downwards).
    const double x = double(head.x()) / image.width();
    const double y = double(head.y()) / image.height();
    EXPECT_GT(light(image, {0, 0, x, 1}), 2 * light(image, {x, 0, 1 - x, 1}));
    EXPECT_GT(light(image, {0, 0, 1, y}), 2 * light(image, {0, y, 1, 1 - y}));
    run(scene, 1.1 + due + 0.3, 1);
    EXPECT_EQ(light(render(scene), {0, 0, 1, 1}), 0) << "gone once it has flown";
}

TEST_F(RenderFixture, RaysHangFromTheTopCornerAndLeanAwayFromIt)
{
    store.setSunRaysEnabled(true);
    store.setSunIntensity(100);
    store.setSunSpeed(30);
    for (const double slant : {25.0, -25.0}) {
        SCOPED_TRACE(slant);
        store.setSunAngle(slant);
        AtmosphereScene shown({720, 450}, store, {}, dock, 4);
        run(shown, 1, 1);
        const QImage image = render(shown);
        EXPECT_EQ(light(image, {slant > 0 ? 0.5 : 0, 0, 0.5, 0.1}), 0);
        // The corner's fifth of the width holds most of the light at the top, lower down it has left.
        const QRectF corner{slant > 0 ? 0 : 0.8, 0, 0.2, 0.15};
        EXPECT_GT(2 * light(image, corner), light(image, {0, 0, 1, 0.15}));
        EXPECT_LT(2 * light(image, corner.translated(0, 0.75)), light(image, {0, 0.75, 1, 0.15}));
        const double middle = light(image, {0, 0.4, 1, 0.2});
        EXPECT_GT(light(image, {0, 0, 1, 0.2}), 1.2 * middle);
        EXPECT_GT(middle, light(image, {0, 0.8, 1, 0.2}));
    }
}
