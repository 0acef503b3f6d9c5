#include "sound/Synthesis.h"

#include "SignalStats.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

using namespace tavik;
using namespace tavik::test;

namespace {

std::size_t framesOf(double seconds)
{
    return static_cast<std::size_t>(seconds * kSampleRate);
}

// The jump heard where the loop starts again.
double loopStep(const std::vector<float>& x)
{
    return std::abs(x.front() - x.back());
}

} // namespace

TEST(Synthesis, TheSameSeedGivesTheSameSoundsAndAnotherSeedOthers)
{
    const AudioBuffer a = makeThunder(0, 11);
    const AudioBuffer b = makeThunder(0, 11);
    const AudioBuffer c = makeThunder(0, 12);
    EXPECT_EQ(a.left, b.left);
    EXPECT_EQ(a.right, b.right);
    EXPECT_NE(a.left, c.left);
    EXPECT_EQ(makeBirdsongLoop().left, makeBirdsongLoop().left);
}

TEST(Synthesis, BuffersHaveTheirLengthsAndTheBankItsSize)
{
    const SoundBank bank = synthesizeSoundBank(3);
    EXPECT_EQ(bank.rain.frames(), 529200u);
    EXPECT_EQ(bank.wind.frames(), 705600u);
    EXPECT_EQ(bank.birdsong.frames(), 485100u);
    EXPECT_EQ(bank.sea.frames(), 529200u);
    EXPECT_EQ(bank.thunder[0].frames(), 105840u);
    EXPECT_EQ(bank.thunder[1].frames(), 141120u);
    EXPECT_EQ(bank.thunder[2].frames(), 185220u);
    // About 61 s of stereo float audio.
    EXPECT_NEAR(double(bank.byteSize()) / 1e6, 21.5, 0.2);
    for (const AudioBuffer* buffer : {&bank.rain, &bank.wind, &bank.birdsong, &bank.sea, &bank.thunder[0]}) {
        EXPECT_EQ(buffer->left.size(), buffer->right.size());
        const auto [low, high] = std::minmax_element(buffer->left.begin(), buffer->left.end());
        EXPECT_GE(*low, -1.0f);
        EXPECT_LE(*high, 1.0f);
    }
}

TEST(Synthesis, RainIsBrightSoftNoiseAndWindADarkerRoar)
{
    const AudioBuffer rain = makeRainLoop(5);
    const AudioBuffer wind = makeWindLoop(5);
    // Rain: 0.12 × (0.45 r + 0.55 lp) of uniform noise has an RMS of 0.12 × 0.327.
    EXPECT_NEAR(rms(rain.left), 0.0393, 0.0015);
    EXPECT_NEAR(rms(rain.right), 0.0393, 0.0015);
    // Wind: 0.42 × 4.5 × an envelope of mean 0.59 × noise low-passed at 0.02 (RMS 0.058).
    EXPECT_NEAR(rms(wind.left), 0.064, 0.008);
    EXPECT_GT(rms(wind.left), 1.5 * rms(rain.left));
    EXPECT_GT(brightness(rain.left), 0.8);
    EXPECT_LT(brightness(wind.left), 0.25);
    // Each channel has its own noise.
    EXPECT_LT(std::abs(correlation(rain.left, rain.right)), 0.02);
    EXPECT_LT(std::abs(correlation(wind.left, wind.right)), 0.1);
}

TEST(Synthesis, TheCrossfadeCarriesTheEndOfTheLoopIntoItsStart)
{
    // A tone whose period does not divide the body: without the fold it would jump at the seam.
    const double period = 100.37;
    const AudioBuffer loop = makeSeamlessLoop(0.5, [&](std::size_t i, std::size_t) {
        const auto v = static_cast<float>(std::sin(2 * M_PI * double(i) / period));
        return StereoFrame{v, -v};
    });
    const std::size_t body = framesOf(0.5);
    ASSERT_EQ(loop.frames(), body);
    // Frame 0 is exactly the frame that followed the body.
    EXPECT_FLOAT_EQ(loop.left[0], float(std::sin(2 * M_PI * double(body) / period)));
    EXPECT_FLOAT_EQ(loop.right[0], -loop.left[0]);
    EXPECT_LE(loopStep(loop.left), largestStep(loop.left) + 1e-6);

    for (const AudioBuffer& real : {makeWindLoop(2), makeSeaLoop(2), makeBirdsongLoop()})
        EXPECT_LE(loopStep(real.left), largestStep(real.left) + 1e-6);
    const AudioBuffer rain = makeRainLoop(2);
    EXPECT_LE(loopStep(rain.right), largestStep(rain.right) + 1e-6);
}

TEST(Synthesis, BirdsChirpOnTheirScheduleWithRisingPitchInBothEarsAlike)
{
    const AudioBuffer song = makeBirdsongLoop();
    EXPECT_EQ(song.left, song.right);
    // Voice 1 at 0 s, voice 3 at 1.6 s, voice 2 at 2.567 s, voice 1 again at 2.75 s, voice 4 at 3.2 s.
    for (double start : {0.0, 1.6, 2.5667, 2.75, 3.2})
        EXPECT_GT(rms(window(song.left, start + 0.02, start + 0.06)), 0.01) << start;
    for (auto [from, to] : {std::pair{0.125, 1.595}, std::pair{1.695, 2.56}, std::pair{3.405, 3.795}})
        EXPECT_EQ(rms(window(song.left, from, to)), 0.0) << from;
    // Voice 1 glides from 3200 Hz to 4800 Hz: count zero crossings early and late in the chirp.
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
    const AudioBuffer near = makeThunder(0, 4);
    const AudioBuffer middle = makeThunder(1, 4);
    const AudioBuffer far = makeThunder(2, 4);
    EXPECT_EQ(makeThunder(7, 4).left, far.left); // every variant past 2 is the far clap

    // The crack makes the first instants of a near clap brighter than its tail.
    EXPECT_GT(brightness(window(near.left, 0, 0.1)), 1.2 * brightness(window(near.left, 1.0, 2.0)));
    EXPECT_GT(brightness(window(near.left, 0, 0.2)), brightness(window(far.left, 0, 0.2)));
    EXPECT_GT(brightness(window(middle.left, 0, 0.2)), brightness(window(far.left, 0, 0.2)));
    // Every clap fades, the far one slowest.
    for (const AudioBuffer* clap : {&near, &middle, &far}) {
        const double end = clap->seconds();
        EXPECT_LT(rms(window(clap->left, end - 0.3, end)), 0.25 * rms(window(clap->left, 0.1, 0.6)));
    }
    auto fade = [](const AudioBuffer& clap) { return rms(window(clap.left, 1.5, 2.0)) / rms(window(clap.left, 0.3, 0.8)); };
    EXPECT_LT(fade(near), fade(far));
}
