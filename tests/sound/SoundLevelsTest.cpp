#include "sound/SoundLevels.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tavik;

// Each channel at the ends of its settings; a drifting level spans most of its range, and only it is re-levelled.
TEST(SoundLevels, EachChannelFollowsItsPartOfTheScene)
{
    MemoryKeyValueStore database;
    SettingsStore store(database);
    constexpr auto kRain = &ChannelLevels::rain, kWind = &ChannelLevels::wind, kBirds = &ChannelLevels::birdsong,
                   kSea = &ChannelLevels::sea;
    struct Case {
        const char* what;
        bool rain = false, thunder = false, sun = false, sea = false, dynamic = false, switches = true;
        double drops = 70, wind = 0, volume = 100;
        float ChannelLevels::*channel;
        double low, high;
    };
    const Case cases[] = {
        {.what = "full rain", .rain = true, .channel = kRain, .low = 0.6, .high = 0.6},
        {.what = "nonsense drops", .rain = true, .drops = -500, .channel = kRain, .low = 0.18, .high = 0.18},
        {.what = "a storm's rain", .rain = true, .thunder = true, .channel = kRain, .low = 0.82, .high = 0.82},
        {.what = "drifting rain", .rain = true, .dynamic = true, .channel = kRain, .low = 0.18, .high = 0.6},
        {.what = "rain switched off", .rain = true, .dynamic = true, .switches = false, .channel = kRain, .low = 0, .high = 0},
        {.what = "wind up to 30, even in a storm", .rain = true, .thunder = true, .wind = 30, .channel = kWind, .low = 0, .high = 0},
        {.what = "full wind", .wind = 100, .channel = kWind, .low = 1, .high = 1},
        {.what = "drifting wind", .dynamic = true, .wind = 100, .channel = kWind, .low = 0, .high = 65.0 / 70},
        {.what = "birds under a sunny dry sky", .sun = true, .channel = kBirds, .low = 0.12, .high = 0.44},
        {.what = "no birds in the rain", .rain = true, .sun = true, .channel = kBirds, .low = 0, .high = 0},
        {.what = "birds switched off", .sun = true, .switches = false, .channel = kBirds, .low = 0, .high = 0},
        {.what = "the sea swells", .sea = true, .volume = 50, .channel = kSea, .low = 0.11, .high = 0.31},
        {.what = "a volume that is no number", .rain = true, .volume = std::nan(""), .channel = kRain, .low = 0, .high = 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        store.setRainEnabled(c.rain);
        store.setThunderEnabled(c.thunder);
        store.setSunRaysEnabled(c.sun);
        store.setSeaSoundEnabled(c.sea);
        store.setRainDynamic(c.dynamic);
        store.setWindDynamic(c.dynamic);
        store.setRainSoundEnabled(c.switches);
        store.setWindSoundEnabled(c.switches);
        store.setBirdsongSoundEnabled(c.switches);
        store.setDropsPerSecond(c.drops);
        store.setWindEnabled(c.wind > 0);
        store.setWindStrength(c.wind);
        store.setSoundVolume(c.volume);
        double low = 1e9, high = -1e9;
        for (double t = 0; t < 30000; t += 3.7) {
            low = std::min(low, double(soundLevels(store, t).*c.channel));
            high = std::max(high, double(soundLevels(store, t).*c.channel));
        }
        EXPECT_GE(low, c.low - 1e-6);
        EXPECT_LE(high, c.high + 1e-6);
        EXPECT_GE(high - low, 0.6 * (c.high - c.low));
        EXPECT_EQ(levelsDrift(store), c.low != c.high);
    }
}

TEST(ThunderClaps, BrightFlashesAreNearLouderAndSooner)
{
    std::mt19937_64 random(9);
    // Brightness, then the clap, its gain and the soonest and latest it comes.
    const std::tuple<double, int, float, double, double> cases[] = {
        {100, 0, 0.5f, 0.2, 0.45}, {1e9, 0, 0.5f, 0.2, 0.45}, {0, 2, 0.225f, 1.7, 1.95}, {std::nan(""), 2, 0.225f, 1.7, 1.95}};
    for (const auto& [brightness, index, gain, soonest, latest] : cases) {
        SCOPED_TRACE(brightness);
        for (int i = 0; i < 500; ++i) {
            const ThunderClap clap = planThunderClap(brightness, 0.5f, 3, random);
            EXPECT_EQ(clap.index, index);
            EXPECT_FLOAT_EQ(clap.gain, gain);
            EXPECT_GE(clap.delaySeconds, soonest);
            EXPECT_LE(clap.delaySeconds, latest);
        }
    }
}
