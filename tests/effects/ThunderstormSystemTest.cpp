#include "core/Dynamics.h"

#include "EffectFixture.h"
#include "effects/ThunderstormSystem.h"

#include "sprite/DrawList.h"
#include "sprite/RasterRenderer.h"
#include "sprite/Scene.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace tavik;
using test::frameAt;
using test::kAlmostOne;

namespace {
class ThunderstormTest : public test::EffectFixture {
protected:
    ThunderstormTest()
    {
        settings.setThunderEnabled(true);
        settings.setThunderDynamic(false);
        settings.setThunderFrequency(100);
        settings.setThunderBrightness(50);
        settings.setThunderColorHex("#D8E2FF");
    }

    ThunderstormSystem make(QSizeF size = {800, 600}, double now = kNow)
    {
        ThunderstormSystem thunder(size, settings, EffectContext{random, dock, 1, now});
        thunder.setLightningHandler([this](double b) { strikes.push_back(b); });
        return thunder;
    }

    test::PinnedRandom random;
    std::vector<double> strikes;
    static constexpr double kNow = 1000;
};

TEST(ThunderEnvelope, StrikeRestrikeAndAfterglow)
{
    EXPECT_DOUBLE_EQ(ThunderstormSystem::envelope(0.06), 1.0);
    EXPECT_NEAR(ThunderstormSystem::envelope(0.2), 0.65 + 0.096, 1e-3);
    EXPECT_NEAR(ThunderstormSystem::envelope(1.0), 0.0, 1e-6);
    // Between the strikes the light dips, and after the re-strike it decays to the afterglow.
    EXPECT_LT(ThunderstormSystem::envelope(0.13), ThunderstormSystem::envelope(0.2));
    EXPECT_NEAR(ThunderstormSystem::envelope(0.6), 0.12 * 0.4, 1e-3);
}

TEST_F(ThunderstormTest, WaitsBetweenFlashesFollowTheFrequency)
{
    struct Case {
        double frequency;
        double shortest;
        double longest;
    };
    for (const Case c : {Case{100, 3.0, 7.5}, Case{0, 15.6, 39.0}, Case{50, 9.3, 23.25}}) {
        settings.setThunderFrequency(c.frequency);
        for (const double fraction : {0.0, kAlmostOne}) {
            random.value = fraction;
            ThunderstormSystem thunder = make();
            thunder.startFlash();
            thunder.step(frameAt(kNow, ThunderstormSystem::kFlashDuration));
            ASSERT_FALSE(thunder.isFlashing());
            EXPECT_NEAR(thunder.timeToNext(), fraction == 0.0 ? c.shortest : c.longest, 1e-6)
                << "frequency " << c.frequency;
        }
    }
}

TEST_F(ThunderstormTest, FirstFlashComesSoonerButNotBeforeTwoSeconds)
{
    random.value = 0;
    EXPECT_DOUBLE_EQ(make().timeToNext(), 2.0); // 0.5 × 5 × 0.6 = 1.5, floored
    random.value = kAlmostOne;
    EXPECT_NEAR(make().timeToNext(), 3.75, 1e-6);
    settings.setThunderFrequency(0);
    EXPECT_NEAR(make().timeToNext(), 19.5, 1e-6);
    random.value = 0;
    EXPECT_NEAR(make().timeToNext(), 7.8, 1e-6);
}

TEST_F(ThunderstormTest, SettingsChangeKeepsTheWaitAndOnlySwitchingOnRestartsIt)
{
    random.value = kAlmostOne;
    ThunderstormSystem thunder = make();
    thunder.step(frameAt(kNow, 1.0));
    const double left = thunder.timeToNext();
    ASSERT_NEAR(left, 2.75, 1e-6);

    settings.setThunderBrightness(90);
    settings.setThunderFrequency(0);
    thunder.apply(settings);
    EXPECT_DOUBLE_EQ(thunder.timeToNext(), left);

    settings.setThunderEnabled(false);
    thunder.apply(settings);
    thunder.step(frameAt(kNow, 100));
    EXPECT_FALSE(thunder.isFlashing());
    EXPECT_TRUE(strikes.empty());

    settings.setThunderEnabled(true);
    thunder.apply(settings);
    EXPECT_NEAR(thunder.timeToNext(), 19.5, 1e-6); // a fresh first delay at frequency 0
}

TEST_F(ThunderstormTest, GlowFollowsTheEnvelopeAndSwitchingOffEndsTheFlash)
{
    ThunderstormSystem thunder = make();
    EXPECT_EQ(thunder.wantedRate(), 0) << "between flashes";
    thunder.startFlash();
    thunder.step(frameAt(kNow, 0.11));
    EXPECT_NEAR(thunder.glow().alpha(), thunder.flashPeak() * ThunderstormSystem::envelope(0.2), 1e-9);
    EXPECT_EQ(thunder.wantedRate(), kFullFrameRate);
    thunder.step(frameAt(kNow, 0.44));
    EXPECT_FALSE(thunder.isFlashing());
    EXPECT_EQ(thunder.glow().alpha(), 0.0);
    EXPECT_EQ(thunder.wantedRate(), 0);

    thunder.startFlash();
    thunder.step(frameAt(kNow, 0.03));
    ASSERT_GT(thunder.glow().alpha(), 0.0);
    settings.setThunderEnabled(false);
    thunder.apply(settings);
    EXPECT_FALSE(thunder.isFlashing());
    EXPECT_EQ(thunder.glow().alpha(), 0.0);
}

TEST_F(ThunderstormTest, PeakAlphaStaysGentle)
{
    struct Case {
        double brightness;
        double low;
        double high;
    };
    // Out-of-range values from the command line are held to the slider's ends.
    for (const Case c : {Case{0, 0.08, 0.1}, Case{100, 0.304, 0.38}, Case{500, 0.304, 0.38}, Case{-50, 0.08, 0.1}}) {
        settings.setThunderBrightness(c.brightness);
        ThunderstormSystem thunder = make();
        random.value = 0;
        thunder.startFlash();
        EXPECT_NEAR(thunder.flashPeak(), c.low, 1e-9) << c.brightness;
        random.value = kAlmostOne;
        thunder.startFlash();
        EXPECT_NEAR(thunder.flashPeak(), c.high, 1e-9) << c.brightness;
    }
}

TEST_F(ThunderstormTest, DynamicStormFollowsTheSharedWave)
{
    settings.setThunderDynamic(true);
    settings.setThunderFrequency(0);
    settings.setThunderBrightness(0);
    for (const double uptime : {10.0, 250.0, 4000.0}) {
        const double w = Dynamics::waveAt(uptime, 67, 0.6);
        random.value = 0;
        ThunderstormSystem thunder = make({800, 600}, uptime);
        strikes.clear();
        thunder.startFlash();
        ASSERT_EQ(strikes.size(), 1u);
        EXPECT_NEAR(strikes.front(), 70 * w + 20, 1e-9);
        thunder.step(frameAt(uptime, ThunderstormSystem::kFlashDuration));
        const double f = 90 * w + 10;
        EXPECT_NEAR(thunder.timeToNext(), (26 - 0.21 * f) * 0.6, 1e-9);
    }
}

TEST_F(ThunderstormTest, HandlerHearsEachFlashOnceAtItsStart)
{
    random.value = 0.3;
    ThunderstormSystem thunder = make();
    int flashes = 0;
    bool wasFlashing = false;
    for (int frame = 0; frame < 60 * 60; ++frame) {
        thunder.step(frameAt(kNow, 1.0 / 60));
        if (thunder.isFlashing() && !wasFlashing) {
            ++flashes;
            EXPECT_EQ(int(strikes.size()), flashes) << "the handler runs as the flash starts";
        }
        wasFlashing = thunder.isFlashing();
    }
    EXPECT_GE(flashes, 8); // one minute at frequency 100
    ASSERT_EQ(int(strikes.size()), flashes);
    EXPECT_TRUE(std::all_of(strikes.begin(), strikes.end(), [](double b) { return b == 50; }));
}

TEST_F(ThunderstormTest, GlowLightsTheTopAndIsGoneBeforeTheMiddle)
{
    sprite::Scene scene({200, 100});
    ThunderstormSystem thunder = make({50, 50});
    scene.addChild(thunder.takeNode());
    thunder.setDisplay(Display{scene.size(), 1, false});
    EXPECT_EQ(thunder.glow().size(), QSizeF(200, 100));
    EXPECT_EQ(thunder.glow().position(), QPointF(100, 50));

    thunder.startFlash();
    thunder.step(frameAt(kNow, 0.06 * ThunderstormSystem::kFlashDuration));
    sprite::DrawList list;
    list.build(scene);
    sprite::RasterRenderer renderer;
    const QImage image = renderer.render(list, {200, 100}, 1);
    auto alphaAt = [&](int rowFromTop) { return qAlpha(image.pixel(100, rowFromTop)); };
    EXPECT_GT(alphaAt(0), 40); // peak alpha (0.1 + 0.28 × 0.5) × 0.9 at the strike
    EXPECT_GT(alphaAt(0), alphaAt(20));
    EXPECT_GT(alphaAt(20), alphaAt(40));
    EXPECT_LE(alphaAt(50), 1);
    EXPECT_EQ(alphaAt(90), 0);
    // Tinted by the flash colour: blue stays above red.
    EXPECT_GT(qBlue(image.pixel(100, 0)), qRed(image.pixel(100, 0)));
}

} // namespace
