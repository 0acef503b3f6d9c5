#include "sound/Synthesis.h"

#include "SoundFixture.h"

using namespace tavik;
using namespace tavik::test;

namespace {

// Energy of the sample-to-sample steps against the signal's: 1.4 for white noise, near 0 for a rumble.
double brightness(std::span<const float> x)
{
    double steps = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        steps += double(x[i] - x[i - 1]) * (x[i] - x[i - 1]);
    return std::sqrt(steps / double(x.size() - 1)) / rms(x);
}

} // namespace

TEST(Synthesis, TheSameSeedGivesTheSameBankOfAbout22MegabytesInRange)
{
    const SoundBank bank = synthesizeSoundBank(3);
    EXPECT_EQ(makeThunder(2, 3).right, bank.thunder[2].right);
    EXPECT_NE(makeThunder(2, 4).right, bank.thunder[2].right);
    EXPECT_NEAR(double(bank.byteSize()) / 1e6, 21.5, 0.2);
    for (const AudioBuffer* buffer : {&bank.rain, &bank.wind, &bank.birdsong, &bank.sea, &bank.thunder[0]}) {
        const auto [low, high] = std::minmax_element(buffer->left.begin(), buffer->left.end());
        EXPECT_GE(*low, -1.0f);
        EXPECT_LE(*high, 1.0f);
        // Where the loop starts again there is no jump larger than the sound makes anyway.
        EXPECT_LE(std::abs(buffer->left.front() - buffer->left.back()), largestStep(buffer->left) + 1e-6);
    }
}

TEST(Synthesis, RainIsBrightNoiseWindADarkerRoarTheSeaSwellsEachEarItsOwn)
{
    const AudioBuffer rain = makeRainLoop(5);
    const AudioBuffer wind = makeWindLoop(5);
    EXPECT_NEAR(rms(rain.left), 0.0393, 0.0015);
    EXPECT_NEAR(rms(rain.right), 0.0393, 0.0015);
    EXPECT_NEAR(rms(wind.left), 0.064, 0.008);
    EXPECT_GT(brightness(rain.left), 0.8);
    EXPECT_LT(brightness(wind.left), 0.25);
    EXPECT_NE(rain.left, rain.right);
    EXPECT_NE(wind.left, wind.right);
    const AudioBuffer sea = makeSeaLoop(5); // three swells a loop
    double quietest = 1, loudest = 0;
    for (double from = 0; from + 0.5 <= sea.seconds(); from += 0.5) {
        quietest = std::min(quietest, rms(window(sea.left, from, from + 0.5)));
        loudest = std::max(loudest, rms(window(sea.left, from, from + 0.5)));
    }
    EXPECT_GT(loudest, 3 * quietest);
    EXPECT_NEAR(rms(sea.left), 0.051, 0.004);
}

TEST(Synthesis, BirdsChirpOnTheirScheduleWithRisingPitchInBothEarsAlike)
{
    const AudioBuffer song = makeBirdsongLoop();
    EXPECT_EQ(song.left, song.right);
    for (double start : {0.0, 1.6, 2.5667, 2.75, 3.2})
        EXPECT_GT(rms(window(song.left, start + 0.02, start + 0.06)), 0.01) << start;
    EXPECT_EQ(rms(window(song.left, 0.125, 1.595)), 0.0) << "silent between chirps";
    auto crossings = [&](double from, double to) {
        const auto part = window(song.left, 2.75 + from, 2.75 + to);
        int count = 0;
        for (std::size_t i = 1; i < part.size(); ++i)
            count += (part[i - 1] < 0) != (part[i] < 0);
        return count;
    };
    EXPECT_GT(crossings(0.08, 0.11), crossings(0.01, 0.04) * 1.2);
}

TEST(Synthesis, NearClapsCrackAndDieFastFarOnesRumbleLong)
{
    const AudioBuffer claps[3] = {makeThunder(0, 4), makeThunder(1, 4), makeThunder(2, 4)};
    EXPECT_GT(brightness(window(claps[0].left, 0, 0.1)), 1.2 * brightness(window(claps[0].left, 1.0, 2.0)));
    EXPECT_GT(brightness(window(claps[0].left, 0, 0.2)), brightness(window(claps[2].left, 0, 0.2)));
    EXPECT_GT(brightness(window(claps[1].left, 0, 0.2)), brightness(window(claps[2].left, 0, 0.2)));
    for (const AudioBuffer& clap : claps)
        EXPECT_LT(rms(window(clap.left, clap.seconds() - 0.3, clap.seconds())), 0.25 * rms(window(clap.left, 0.1, 0.6)));
    auto fade = [](const AudioBuffer& clap) { return rms(window(clap.left, 1.5, 2.0)) / rms(window(clap.left, 0.3, 0.8)); };
    EXPECT_LT(fade(claps[0]), fade(claps[2]));
}
