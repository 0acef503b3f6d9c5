#include "sound/AudioOutput.h"
#include "sound/SoundGraph.h"

#include "SignalStats.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <new>

// Counts every allocation of this test program, to prove the mixer makes none.
namespace {
std::atomic<long> g_allocations{0};
}

void* operator new(std::size_t size)
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

using namespace tavik;
using namespace tavik::test;

namespace {

constexpr std::size_t kGlide = 2205; // 50 ms

AudioBuffer constant(std::size_t frames, float value)
{
    return AudioBuffer{std::vector<float>(frames, value), std::vector<float>(frames, value)};
}

AudioBuffer ramp(std::size_t frames)
{
    AudioBuffer buffer;
    for (std::size_t i = 0; i < frames; ++i) {
        buffer.left.push_back(float(i + 1));
        buffer.right.push_back(-float(i + 1));
    }
    return buffer;
}

std::vector<float> render(SoundGraph& graph, std::size_t frames)
{
    std::vector<float> out(2 * frames);
    graph.render(out.data(), frames);
    return out;
}

} // namespace

TEST(SoundGraph, ALoopRepeatsFromItsFirstFrame)
{
    SoundGraph graph(0);
    const AudioBuffer loop = ramp(100);
    graph.setLoop(Channel::Sea, &loop);
    graph.setGain(Channel::Sea, 1);
    (void)render(graph, kGlide); // let the level arrive
    const std::vector<float> out = render(graph, 250);
    const std::size_t start = kGlide % 100;
    for (std::size_t i = 0; i < 250; ++i) {
        ASSERT_FLOAT_EQ(out[2 * i], float((start + i) % 100 + 1)) << i;
        ASSERT_FLOAT_EQ(out[2 * i + 1], -out[2 * i]);
    }
}

TEST(SoundGraph, LevelChangesGlideOverFiftyMilliseconds)
{
    SoundGraph graph(0);
    const AudioBuffer one = constant(1000, 1);
    graph.setLoop(Channel::Rain, &one);
    graph.setGain(Channel::Rain, 1);
    std::vector<float> left = channelOf(render(graph, 3000), 0);
    EXPECT_NEAR(left[0], 1.0 / kGlide, 1e-6);
    EXPECT_NEAR(left[kGlide / 2], 0.5, 0.01);
    EXPECT_FLOAT_EQ(left[kGlide - 1], 1.0f);
    EXPECT_FLOAT_EQ(left[2999], 1.0f);
    EXPECT_LE(largestStep(left), 1.0 / kGlide + 1e-6);

    graph.setGain(Channel::Rain, 0.2f);
    left = channelOf(render(graph, 3000), 0);
    EXPECT_GT(left[kGlide / 2], 0.55);
    EXPECT_FLOAT_EQ(left[2999], 0.2f);
    EXPECT_EQ(graph.gain(Channel::Rain), 0.2f);

    // Nonsense levels are heard as silence, never as a blast or an inverted signal.
    graph.setGain(Channel::Rain, std::nanf(""));
    EXPECT_EQ(graph.gain(Channel::Rain), 0.0f);
    graph.setGain(Channel::Rain, -3);
    EXPECT_EQ(graph.gain(Channel::Rain), 0.0f);
}

TEST(SoundGraph, OneShotsPlayOneAfterAnotherThenSilence)
{
    SoundGraph graph(0);
    const AudioBuffer first = constant(300, 0.5f);
    const AudioBuffer second = constant(200, 0.25f);
    graph.setGain(Channel::Thunder, 1);
    (void)render(graph, kGlide);
    EXPECT_TRUE(graph.enqueueOneShot(Channel::Thunder, &first));
    EXPECT_TRUE(graph.enqueueOneShot(Channel::Thunder, &second));
    EXPECT_FALSE(graph.enqueueOneShot(Channel::Thunder, nullptr));
    const std::vector<float> left = channelOf(render(graph, 600), 0);
    EXPECT_FLOAT_EQ(left[0], 0.5f);
    EXPECT_FLOAT_EQ(left[299], 0.5f);
    EXPECT_FLOAT_EQ(left[300], 0.25f);
    EXPECT_FLOAT_EQ(left[499], 0.25f);
    EXPECT_FLOAT_EQ(left[500], 0.0f);
    EXPECT_FLOAT_EQ(left[599], 0.0f);
}

TEST(SoundGraph, ASilentChannelKeepsTimeAndAFullQueueDropsClaps)
{
    SoundGraph graph(0);
    const AudioBuffer loop = ramp(100);
    const AudioBuffer clap = constant(50, 1);
    graph.setLoop(Channel::Wind, &loop);
    (void)render(graph, 130); // muted, but the loop moves on
    graph.setGain(Channel::Wind, 1);
    (void)render(graph, kGlide + 7);
    const std::size_t played = 130 + kGlide + 7;
    EXPECT_FLOAT_EQ(channelOf(render(graph, 1), 0)[0], float(played % 100 + 1));

    int accepted = 0;
    for (int i = 0; i < 200; ++i)
        accepted += graph.enqueueOneShot(Channel::Thunder, &clap);
    EXPECT_LT(accepted, 200);
    EXPECT_GE(accepted, int(SoundGraph::kMaxQueuedShots));
    (void)render(graph, 10); // the audio side takes what it can; the queue has room again
    EXPECT_TRUE(graph.enqueueOneShot(Channel::Thunder, &clap));
}

TEST(SoundGraph, ResetStopsEverythingAtOnce)
{
    SoundGraph graph(0.22f);
    const AudioBuffer one = constant(64, 1);
    graph.setLoop(Channel::Rain, &one);
    graph.setGain(Channel::Rain, 1);
    ASSERT_TRUE(graph.enqueueOneShot(Channel::Thunder, &one));
    (void)render(graph, 4000);
    ASSERT_TRUE(graph.enqueueOneShot(Channel::Thunder, &one));
    graph.reset();
    EXPECT_EQ(graph.gain(Channel::Rain), 0.0f);
    graph.setGain(Channel::Thunder, 1);
    graph.setGain(Channel::Rain, 1);
    const std::vector<float> out = render(graph, 4000);
    EXPECT_LT(rms(out), 1e-12); // no loop, no queued clap, no reverb tail
}

TEST(SoundGraph, MixingAllocatesNothing)
{
    SoundGraph graph;
    const AudioBuffer loop = constant(5000, 0.1f);
    const AudioBuffer clap = constant(3000, 0.3f);
    for (Channel channel : kChannels) {
        graph.setLoop(channel, &loop);
        graph.setGain(channel, 0.5f);
    }
    std::vector<float> out(2 * 4096);
    const long before = g_allocations.load();
    for (int i = 0; i < 50; ++i) {
        graph.enqueueOneShot(Channel::Thunder, &clap);
        graph.setGain(Channel::Rain, float(i % 3) / 3);
        graph.render(out.data(), 1000 + std::size_t(i) * 61);
    }
    EXPECT_EQ(g_allocations.load(), before);
}

TEST(SoundGraph, TheHallAddsADecayingStereoTailOfAMediumHall)
{
    SoundGraph graph; // 22 % wet
    const AudioBuffer click = constant(1, 1);
    graph.setGain(Channel::Thunder, 1);
    (void)render(graph, kGlide);
    graph.enqueueOneShot(Channel::Thunder, &click);
    const std::vector<float> out = render(graph, 4 * 44100);
    // The click itself comes through at the dry share.
    EXPECT_NEAR(out[0], 0.78, 1e-4);
    const std::vector<float> left = channelOf(out, 0);
    const std::vector<float> right = channelOf(out, 1);
    auto energy = [&](double from, double to) { return std::pow(rms(window(left, from, to)), 2); };
    // Silence during the pre-delay, then a tail that falls by 20 dB in a third of a
    // reverberation time of 1.3 to 2.6 s.
    EXPECT_LT(rms(window(left, 0.001, 0.019)), 1e-12);
    EXPECT_GT(rms(window(left, 0.05, 0.15)), 1e-4);
    const double early = energy(0.1, 0.2);
    const double late = energy(0.6, 0.7);
    const double dbPerSecond = 10 * std::log10(early / late) / 0.5;
    const double rt60 = 60 / dbPerSecond;
    EXPECT_GT(rt60, 1.3);
    EXPECT_LT(rt60, 2.6);
    EXPECT_LT(std::abs(correlation(window(left, 0.1, 1.0), window(right, 0.1, 1.0))), 0.5);
}
