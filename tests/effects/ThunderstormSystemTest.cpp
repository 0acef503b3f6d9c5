#include "EffectFixture.h"

#include "effects/ThunderstormSystem.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace tavik;
using namespace tavik::test;

namespace {
class ThunderstormTest : public EffectFixture {
protected:
    ThunderstormTest()
    {
        settings.setThunderEnabled(true);
        settings.setThunderFrequency(100);
    }

    // A storm whose every draw is `fraction`, at `uptime` on the shared clock.
    std::unique_ptr<ThunderstormSystem> make(double fraction, double uptime = 1000)
    {
        draws.push_back(std::make_unique<FixedRandom>(fraction));
        auto thunder =
            std::make_unique<ThunderstormSystem>(QSizeF{800, 600}, settings, EffectContext{*draws.back(), dock, 1, uptime});
        thunder->setLightningHandler([this](double b) { strikes.push_back(b); });
        return thunder;
    }

    std::vector<std::unique_ptr<FixedRandom>> draws;
    std::vector<double> strikes;
};

TEST_F(ThunderstormTest, WaitsFollowTheFrequencyAndTheFirstComesSoonerButNotBeforeTwoSeconds)
{
    const struct {
        double frequency;
        double fraction;
        double first;
        double between;
    } cases[] = {
        {100, 0, 2.0, 3.0}, // 1.5 floored to 2
        {100, kAlmostOne, 3.75, 7.5},
        {0, kAlmostOne, 19.5, 39.0},
        {50, 0, 4.65, 9.3},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "frequency " << c.frequency << ", draw " << c.fraction);
        settings.setThunderFrequency(c.frequency);
        const auto thunder = make(c.fraction);
        EXPECT_NEAR(thunder->timeToNext(), c.first, 1e-6);
        thunder->startFlash();
        thunder->step(frameAt(1000, ThunderstormSystem::kFlashDuration));
        ASSERT_FALSE(thunder->isFlashing());
        EXPECT_NEAR(thunder->timeToNext(), c.between, 1e-6);
    }
}

TEST_F(ThunderstormTest, SettingsChangeKeepsTheWaitAndOnlySwitchingOnRestartsIt)
{
    const auto thunder = make(kAlmostOne);
    thunder->step(frameAt(1000, 1.0));
    ASSERT_NEAR(thunder->timeToNext(), 2.75, 1e-6);
    settings.setThunderFrequency(0);
    thunder->apply(settings);
    EXPECT_NEAR(thunder->timeToNext(), 2.75, 1e-6);

    settings.setThunderEnabled(false);
    thunder->apply(settings);
    thunder->step(frameAt(1000, 100));
    EXPECT_TRUE(strikes.empty());
    settings.setThunderEnabled(true);
    thunder->apply(settings);
    EXPECT_NEAR(thunder->timeToNext(), 19.5, 1e-6);
}

TEST_F(ThunderstormTest, GlowRisesAndEndsWithTheFlashOrWhenSwitchedOff)
{
    const auto thunder = make(0.5);
    EXPECT_EQ(thunder->wantedRate(), 0) << "between flashes";
    thunder->startFlash();
    thunder->step(frameAt(1000, 0.03));
    EXPECT_GT(thunder->glow().alpha(), 0.5 * thunder->flashPeak());
    EXPECT_EQ(thunder->wantedRate(), kFullFrameRate);
    thunder->step(frameAt(1000, 0.9 * ThunderstormSystem::kFlashDuration - 0.03));
    EXPECT_LT(thunder->glow().alpha(), 0.25 * thunder->flashPeak()) << "faded before it ends";
    thunder->step(frameAt(1000, 0.1 * ThunderstormSystem::kFlashDuration));
    EXPECT_FALSE(thunder->isFlashing()) << "over at exactly its duration";
    EXPECT_EQ(thunder->glow().alpha(), 0.0);
    EXPECT_EQ(thunder->wantedRate(), 0);

    thunder->startFlash();
    thunder->step(frameAt(1000, 0.03));
    settings.setThunderEnabled(false);
    thunder->apply(settings);
    EXPECT_FALSE(thunder->isFlashing());
    EXPECT_EQ(thunder->glow().alpha(), 0.0);
}

TEST_F(ThunderstormTest, PeakAlphaStaysGentleAndOutOfRangeBrightnessIsHeldToTheEnds)
{
    for (const auto& [brightness, low, high] : {std::tuple{-50.0, 0.08, 0.1}, {500.0, 0.304, 0.38}}) {
        settings.setThunderBrightness(brightness);
        for (const auto& [fraction, peak] : {std::pair{0.0, low}, {kAlmostOne, high}}) {
            const auto thunder = make(fraction);
            thunder->startFlash();
            EXPECT_NEAR(thunder->flashPeak(), peak, 1e-9) << brightness;
        }
    }
}

TEST_F(ThunderstormTest, DynamicStormIsBrighterAndMoreFrequentAtTheCrestOfTheSharedWave)
{
    settings.setThunderDynamic(true);
    settings.setThunderFrequency(0);
    settings.setThunderBrightness(0);
    const auto [low, high] = waveExtremes(67, 0.6);
    std::vector<double> waits;
    for (const double uptime : {low, high}) {
        const auto thunder = make(0, uptime);
        thunder->startFlash();
        thunder->step(frameAt(uptime, ThunderstormSystem::kFlashDuration));
        waits.push_back(thunder->timeToNext());
    }
    ASSERT_EQ(strikes.size(), 2u) << "the handler hears each flash once, as it starts";
    EXPECT_LT(strikes[0], 30); // the sliders' zeros do not hold: the wave sets both
    EXPECT_GT(strikes[1], 80);
    EXPECT_GT(waits[0], 1.5 * waits[1]);
}

} // namespace
