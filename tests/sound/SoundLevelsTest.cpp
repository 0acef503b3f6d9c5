#include "core/Dynamics.h"
#include "sound/SoundLevels.h"

#include "SoundFixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace tavik;
using namespace tavik::test;

namespace {

using SoundLevels = SoundFixture;

double wave(double seed, double speed)
{
    return Dynamics::waveAt(SoundFixture::kClockTime, seed, speed);
}

} // namespace

TEST_F(SoundLevels, SoundPlaysOnlyWithBothSwitchesOnUnlockedAndWithoutPowerSaving)
{
    EXPECT_TRUE(soundAllowed(store));
    store.setSoundEnabled(false);
    EXPECT_FALSE(soundAllowed(store));
    store.setSoundEnabled(true);
    store.setEnabled(false);
    EXPECT_FALSE(soundAllowed(store));
    store.setEnabled(true);
    store.setScreenLocked(true);
    EXPECT_FALSE(soundAllowed(store));
    store.setScreenLocked(false);
    store.setAllDisplaysPaused(true);
    EXPECT_FALSE(soundAllowed(store));
    store.setAllDisplaysPaused(false);
    store.setLowPowerMode(true);
    EXPECT_FALSE(soundAllowed(store));
}

TEST_F(SoundLevels, RainFollowsTheDropsAndTheStorm)
{
    store.setSoundVolume(50);
    store.setDropsPerSecond(35);
    store.setRainEnabled(false);
    EXPECT_EQ(soundLevels(store, kClockTime).rain, 0.0f); // sound on, but no rain to hear
    store.setRainEnabled(true);
    EXPECT_NEAR(soundLevels(store, kClockTime).rain, (0.18 + 0.21) * 0.5, 1e-6);
    store.setThunderEnabled(true);
    EXPECT_NEAR(soundLevels(store, kClockTime).rain, (0.22 + 0.18 + 0.21) * 0.5, 1e-6);
    store.setThunderEnabled(false);
    store.setDropsPerSecond(700); // beyond 70 drops the rain is as loud as it gets
    EXPECT_NEAR(soundLevels(store, kClockTime).rain, 0.6 * 0.5, 1e-6);
    store.setDropsPerSecond(-500); // nonsense in the settings file must not invert the channel
    EXPECT_NEAR(soundLevels(store, kClockTime).rain, 0.18 * 0.5, 1e-6);
    store.setRainDynamic(true);
    EXPECT_NEAR(soundLevels(store, kClockTime).rain, (0.18 + 0.42 * wave(31, 0.85)) * 0.5, 1e-6);
    store.setRainSoundEnabled(false);
    EXPECT_EQ(soundLevels(store, kClockTime).rain, 0.0f);
}

TEST_F(SoundLevels, WindIsSilentUpToThirtyAndStrongerInAStorm)
{
    store.setWindEnabled(true);
    store.setWindStrength(30);
    EXPECT_EQ(soundLevels(store, kClockTime).wind, 0.0f);
    store.setRainEnabled(true);
    store.setThunderEnabled(true);
    EXPECT_EQ(soundLevels(store, kClockTime).wind, 0.0f); // even in a storm
    store.setWindStrength(40);
    EXPECT_NEAR(soundLevels(store, kClockTime).wind, 0.45, 1e-6);
    store.setWindStrength(95);
    EXPECT_EQ(soundLevels(store, kClockTime).wind, 1.0f); // 65/70 + 0.15, capped
    store.setThunderEnabled(false);
    store.setWindStrength(100);
    EXPECT_NEAR(soundLevels(store, kClockTime).wind, 1.0, 1e-6);
    store.setSoundVolume(40);
    EXPECT_NEAR(soundLevels(store, kClockTime).wind, 0.4, 1e-6);
    store.setWindDynamic(true);
    const double speed = 77 * wave(0, 1) + 18;
    EXPECT_NEAR(soundLevels(store, kClockTime).wind, speed > 30 ? (speed - 30) / 70 * 0.4 : 0.0, 1e-6);
    store.setWindEnabled(false);
    EXPECT_EQ(soundLevels(store, kClockTime).wind, 0.0f);
}

TEST_F(SoundLevels, BirdsSingOnlyUnderASunnyDrySky)
{
    EXPECT_EQ(soundLevels(store, kClockTime).birdsong, 0.0f); // night
    store.setSunRaysEnabled(true);
    EXPECT_NEAR(soundLevels(store, kClockTime).birdsong, 0.12 + 0.32 * wave(50, 1.3), 1e-6);
    store.setRainEnabled(true);
    EXPECT_EQ(soundLevels(store, kClockTime).birdsong, 0.0f);
    store.setRainEnabled(false);
    store.setThunderEnabled(true);
    EXPECT_EQ(soundLevels(store, kClockTime).birdsong, 0.0f);
    store.setThunderEnabled(false);
    store.setBirdsongSoundEnabled(false);
    EXPECT_EQ(soundLevels(store, kClockTime).birdsong, 0.0f);
}

TEST_F(SoundLevels, TheSeaSwellsOnItsOwnWave)
{
    EXPECT_EQ(soundLevels(store, kClockTime).sea, 0.0f);
    store.setSeaSoundEnabled(true);
    store.setSoundVolume(50);
    EXPECT_NEAR(soundLevels(store, kClockTime).sea, (0.22 + 0.4 * wave(73, 0.45)) * 0.5, 1e-6);
}

TEST_F(SoundLevels, AVolumeOutsideTheSliderIsPulledIntoIt)
{
    store.setSeaSoundEnabled(true);
    store.setSunRaysEnabled(true);
    store.setSoundVolume(5000);
    EXPECT_EQ(masterVolume(store), 1.0f);
    EXPECT_LE(soundLevels(store, kClockTime).sea, 1.0f);
    EXPECT_LE(soundLevels(store, kClockTime).birdsong, 1.0f);
    store.setSoundVolume(-40);
    EXPECT_EQ(soundLevels(store, kClockTime).sea, 0.0f);
    store.setSoundVolume(std::numeric_limits<double>::quiet_NaN());
    EXPECT_EQ(masterVolume(store), 0.0f);
}

TEST_F(SoundLevels, OnlyDriftingLevelsAskForReLevelling)
{
    EXPECT_FALSE(levelsDrift(store));
    store.setRainEnabled(true);
    store.setWindEnabled(true);
    EXPECT_FALSE(levelsDrift(store)); // static rain and wind
    store.setRainDynamic(true);
    EXPECT_TRUE(levelsDrift(store));
    store.setRainSoundEnabled(false);
    EXPECT_FALSE(levelsDrift(store));
    store.setWindDynamic(true);
    EXPECT_TRUE(levelsDrift(store));
    store.setWindEnabled(false);
    EXPECT_FALSE(levelsDrift(store));
    store.setSeaSoundEnabled(true);
    EXPECT_TRUE(levelsDrift(store));
    store.setSeaSoundEnabled(false);
    store.setSunRaysEnabled(true);
    EXPECT_FALSE(levelsDrift(store)); // birds are quiet while it rains
    store.setRainEnabled(false);
    EXPECT_TRUE(levelsDrift(store));
}

TEST(ThunderClaps, BrightFlashesAreNearLouderAndSooner)
{
    std::mt19937_64 random(9);
    for (int i = 0; i < 2000; ++i) {
        const ThunderClap near = planThunderClap(100, 0.5f, 3, random);
        EXPECT_EQ(near.index, 0);
        EXPECT_FLOAT_EQ(near.gain, 0.5f);
        EXPECT_GE(near.delaySeconds, 0.2);
        EXPECT_LE(near.delaySeconds, 0.45);
        EXPECT_EQ(planThunderClap(50, 0.5f, 3, random).index, 1);
        const ThunderClap far = planThunderClap(0, 0.5f, 3, random);
        EXPECT_EQ(far.index, 2);
        EXPECT_FLOAT_EQ(far.gain, 0.45f * 0.5f);
        EXPECT_GE(far.delaySeconds, 1.7);
        EXPECT_LE(far.delaySeconds, 1.95);
    }
}

TEST(ThunderClaps, BorderlineFlashesVaryAndNonsenseBrightnessStaysOnTheScale)
{
    std::mt19937_64 random(10);
    int counts[3] = {};
    for (int i = 0; i < 1000; ++i)
        ++counts[planThunderClap(33, 1, 3, random).index];
    EXPECT_EQ(counts[0], 0);
    EXPECT_GT(counts[1], 300);
    EXPECT_GT(counts[2], 300);

    const ThunderClap blinding = planThunderClap(1e9, 1, 3, random);
    EXPECT_EQ(blinding.index, 0);
    EXPECT_FLOAT_EQ(blinding.gain, 1.0f);
    EXPECT_GE(blinding.delaySeconds, 0.2);
    const ThunderClap broken = planThunderClap(std::nan(""), 1, 3, random);
    EXPECT_EQ(broken.index, 2);
    EXPECT_TRUE(std::isfinite(broken.delaySeconds));
    EXPECT_EQ(planThunderClap(0, 1, 1, random).index, 0); // only one clap to choose from
}
