#include "sound/SoundLevels.h"

#include "SoundFixture.h"

using namespace tavik;
using namespace tavik::test;

namespace {

using SoundLevels = SoundFixture;
constexpr auto kRain = &ChannelLevels::rain, kWind = &ChannelLevels::wind, kBirds = &ChannelLevels::birdsong,
               kSea = &ChannelLevels::sea;

} // namespace

// What each channel plays at the ends of its settings; a drifting level stays between its ends
// and moves across most of the way, and only then is the mix re-levelled.
TEST_F(SoundLevels, EachChannelFollowsItsPartOfTheScene)
{
    struct Case {
        const char* what;
        bool rain = false, thunder = false, sun = false, sea = false, dynamic = false, switches = true;
        double drops = 70, wind = 0, volume = 100;
        float ChannelLevels::*channel;
        double low, high;
    };
    const Case cases[] = {
        {.what = "no rain in the picture", .channel = kRain, .low = 0, .high = 0},
        {.what = "full rain", .rain = true, .channel = kRain, .low = 0.6, .high = 0.6},
        {.what = "rain beyond full", .rain = true, .drops = 700, .channel = kRain, .low = 0.6, .high = 0.6},
        {.what = "nonsense drops", .rain = true, .drops = -500, .channel = kRain, .low = 0.18, .high = 0.18},
        {.what = "a storm's rain", .rain = true, .thunder = true, .channel = kRain, .low = 0.82, .high = 0.82},
        {.what = "rain at half volume", .rain = true, .volume = 50, .channel = kRain, .low = 0.3, .high = 0.3},
        {.what = "drifting rain", .rain = true, .dynamic = true, .channel = kRain, .low = 0.18, .high = 0.6},
        {.what = "rain switched off", .rain = true, .dynamic = true, .switches = false, .channel = kRain, .low = 0, .high = 0},
        {.what = "wind up to 30, even in a storm", .rain = true, .thunder = true, .wind = 30, .channel = kWind, .low = 0, .high = 0},
        {.what = "full wind", .wind = 100, .channel = kWind, .low = 1, .high = 1},
        {.what = "wind at 40% volume", .wind = 100, .volume = 40, .channel = kWind, .low = 0.4, .high = 0.4},
        {.what = "light wind in a storm", .rain = true, .thunder = true, .wind = 40, .channel = kWind, .low = 0.45, .high = 0.45},
        {.what = "strong wind in a storm", .rain = true, .thunder = true, .wind = 95, .channel = kWind, .low = 1, .high = 1},
        {.what = "drifting wind", .dynamic = true, .wind = 100, .channel = kWind, .low = 0, .high = 65.0 / 70},
        {.what = "wind switched off", .dynamic = true, .switches = false, .wind = 100, .channel = kWind, .low = 0, .high = 0},
        {.what = "birds under a sunny dry sky", .sun = true, .channel = kBirds, .low = 0.12, .high = 0.44},
        {.what = "no birds in the rain", .rain = true, .sun = true, .channel = kBirds, .low = 0, .high = 0},
        {.what = "nor in thunder", .thunder = true, .sun = true, .channel = kBirds, .low = 0, .high = 0},
        {.what = "birds switched off", .sun = true, .switches = false, .channel = kBirds, .low = 0, .high = 0},
        {.what = "the sea swells", .sea = true, .volume = 50, .channel = kSea, .low = 0.11, .high = 0.31},
        {.what = "a volume above the slider", .rain = true, .volume = 5000, .channel = kRain, .low = 0.6, .high = 0.6},
        {.what = "a volume below it", .rain = true, .volume = -40, .channel = kRain, .low = 0, .high = 0},
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
    struct Case {
        double brightness;
        int index;
        float gain;
        double soonest, latest;
    };
    for (const Case c : {Case{100, 0, 0.5f, 0.2, 0.45}, Case{1e9, 0, 0.5f, 0.2, 0.45}, Case{0, 2, 0.225f, 1.7, 1.95},
                         Case{std::nan(""), 2, 0.225f, 1.7, 1.95}}) {
        SCOPED_TRACE(c.brightness);
        for (int i = 0; i < 500; ++i) {
            const ThunderClap clap = planThunderClap(c.brightness, 0.5f, 3, random);
            EXPECT_EQ(clap.index, c.index);
            EXPECT_FLOAT_EQ(clap.gain, c.gain);
            EXPECT_GE(clap.delaySeconds, c.soonest);
            EXPECT_LE(clap.delaySeconds, c.latest);
        }
    }
    // Borderline flashes vary between the two nearest claps; with one clap, it is the one.
    int counts[3] = {};
    for (int i = 0; i < 1000; ++i)
        ++counts[planThunderClap(33, 1, 3, random).index];
    EXPECT_EQ(counts[0], 0);
    EXPECT_GT(counts[1], 300);
    EXPECT_GT(counts[2], 300);
    EXPECT_EQ(planThunderClap(50, 1, 3, random).index, 1);
    EXPECT_EQ(planThunderClap(0, 1, 1, random).index, 0);
}
