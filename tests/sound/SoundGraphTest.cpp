#include "SoundFixture.h"

#include "sound/SdlAudioOutput.h"
#include "sound/SoundGraph.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <cstring>

using namespace tavik;
using namespace tavik::test;

namespace {

constexpr std::size_t kGlide = 2205; // 50 ms

// Left counts 1, 2, 3 ..., right the same negated.
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

TEST(SoundGraph, ALoopRepeatsFromItsFirstFrameAndKeepsTimeWhileSilent)
{
    SoundGraph graph(0);
    const AudioBuffer loop = ramp(100);
    graph.setLoop(Channel::Sea, &loop);
    (void)render(graph, 130);
    graph.setGain(Channel::Sea, 1);
    (void)render(graph, kGlide + 7);
    const std::vector<float> out = render(graph, 250);
    for (std::size_t i = 0; i < 250; ++i) {
        ASSERT_FLOAT_EQ(out[2 * i], float((130 + kGlide + 7 + i) % 100 + 1)) << i;
        ASSERT_FLOAT_EQ(out[2 * i + 1], -out[2 * i]);
    }
}

TEST(SoundGraph, LevelChangesGlideWithoutAJumpAndNonsenseLevelsAreSilence)
{
    SoundGraph graph(0);
    const AudioBuffer one = constant(1000, 1);
    graph.setLoop(Channel::Rain, &one);
    for (const float target : {1.0f, 0.2f, std::nanf(""), -3.0f}) {
        SCOPED_TRACE(target);
        const float from = graph.gain(Channel::Rain);
        graph.setGain(Channel::Rain, target);
        const float to = std::isnan(target) ? 0 : std::max(target, 0.0f);
        const std::vector<float> left = channelOf(render(graph, 3000), 0);
        EXPECT_FLOAT_EQ(left[2999], to);
        EXPECT_LE(largestStep(left), std::abs(to - from) / kGlide + 1e-6);
    }
}

TEST(SoundGraph, OneShotsPlayInTurnAFullQueueDropsClapsAndResetStopsAll)
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
    for (const auto& [at, heard] : {std::pair{0, 0.5f}, {299, 0.5f}, {300, 0.25f}, {499, 0.25f}, {500, 0.0f}})
        EXPECT_FLOAT_EQ(left[std::size_t(at)], heard) << at;

    int accepted = 0;
    for (int i = 0; i < 200; ++i)
        accepted += graph.enqueueOneShot(Channel::Thunder, &first);
    EXPECT_LT(accepted, 200);
    EXPECT_GE(accepted, int(SoundGraph::kMaxQueuedShots));
    (void)render(graph, 10); // the audio side takes what it can; the queue has room again
    EXPECT_TRUE(graph.enqueueOneShot(Channel::Thunder, &first));

    graph.setLoop(Channel::Rain, &first);
    graph.reset();
    EXPECT_EQ(graph.gain(Channel::Thunder), 0.0f);
    graph.setGain(Channel::Thunder, 1);
    graph.setGain(Channel::Rain, 1);
    EXPECT_EQ(rms(render(graph, 4000)), 0.0) << "no loop, no queued clap";
}

// Silence during the pre-delay, then a decaying stereo tail of a medium hall, gone after a reset.
TEST(SoundGraph, TheHallAddsADecayingStereoTail)
{
    SoundGraph graph; // 22 % wet
    const AudioBuffer click = constant(1, 1);
    graph.setGain(Channel::Thunder, 1);
    (void)render(graph, kGlide);
    graph.enqueueOneShot(Channel::Thunder, &click);
    const std::vector<float> out = render(graph, 44100);
    EXPECT_NEAR(out[0], 0.78, 1e-4); // the dry share
    const std::vector<float> left = channelOf(out, 0);
    EXPECT_LT(rms(window(left, 0.001, 0.019)), 1e-12);
    EXPECT_NEAR(rms(window(left, 0.05, 0.15)), 0.004, 0.002); // about the level of the click spread over the hall
    const double rt60 = 60 * 0.5 / (20 * std::log10(rms(window(left, 0.1, 0.2)) / rms(window(left, 0.6, 0.7))));
    EXPECT_GT(rt60, 1.3);
    EXPECT_LT(rt60, 2.6);
    EXPECT_NE(left, channelOf(out, 1));
    graph.reset();
    EXPECT_LT(rms(render(graph, 4000)), 1e-12);
}

// The real output path: SDL's disk driver writes what the device plays into a file.
TEST(SdlAudioOutput, TheDevicePlaysTheMixFrameForFrame)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("device.raw"));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", QFile::encodeName(path).constData(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);
    const AudioBuffer loop = ramp(997);
    const AudioBuffer clap = constant(5000, 0.3f);
    SoundGraph played, reference;
    for (SoundGraph* graph : {&played, &reference}) {
        graph->setLoop(Channel::Rain, &loop);
        graph->setGain(Channel::Rain, 0.001f);
        graph->setGain(Channel::Thunder, 1);
        ASSERT_TRUE(graph->enqueueOneShot(Channel::Thunder, &clap));
    }
    SdlAudioOutput output;
    ASSERT_TRUE(output.start(played));
    EXPECT_TRUE(output.isPlaying());
    // The device writes silence until it is unpaused: wait for a second after the first sound.
    constexpr std::size_t kFrames = 44100;
    std::vector<float> written;
    std::size_t lead = 0;
    ASSERT_TRUE(QTest::qWaitFor([&] {
        QFile file(path);
        const QByteArray bytes = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        written.assign(std::size_t(bytes.size()) / sizeof(float), 0.f);
        if (!written.empty())
            std::memcpy(written.data(), bytes.constData(), written.size() * sizeof(float));
        lead = std::size_t(std::find_if(written.begin(), written.end(), [](float v) { return v != 0; }) - written.begin());
        return written.size() >= lead + 2 * kFrames;
    }, 20000)) << "less than a second played within 20 s";
    output.stop();
    EXPECT_FALSE(output.isPlaying());
    std::vector<float> expected(kFrames * 2);
    reference.render(expected.data(), kFrames);
    for (std::size_t i = 0; i < expected.size(); ++i)
        ASSERT_NEAR(written[lead + i], expected[i], 1e-5) << i;

    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SdlAudioOutput none;
    EXPECT_FALSE(none.start(reference)) << "no device: no sound and no error";
}
