#include "sound/SdlAudioOutput.h"
#include "sound/SoundGraph.h"

#include "SignalStats.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

using namespace tavik;
using namespace tavik::test;

namespace {

AudioBuffer tone(double hz, float level, std::size_t frames)
{
    AudioBuffer buffer;
    for (std::size_t i = 0; i < frames; ++i) {
        const auto v = static_cast<float>(level * std::sin(2 * M_PI * hz * double(i) / kSampleRate));
        buffer.left.push_back(v);
        buffer.right.push_back(0.5f * v);
    }
    return buffer;
}

void configure(SoundGraph& graph, const AudioBuffer& rain, const AudioBuffer& sea)
{
    graph.setLoop(Channel::Rain, &rain);
    graph.setLoop(Channel::Sea, &sea);
    graph.setGain(Channel::Rain, 0.6f);
    graph.setGain(Channel::Sea, 0.3f);
}

} // namespace

// The real output path, with SDL writing what the device would play into a file.
TEST(SdlAudioOutput, TheDevicePlaysTheMixFrameForFrame)
{
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const QString path = folder.filePath(QStringLiteral("device.raw"));
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", QFile::encodeName(path).constData(), 1);
    setenv("SDL_DISKAUDIODELAY", "0", 1);

    const AudioBuffer rain = tone(440, 0.5f, 30000);
    const AudioBuffer sea = tone(97, 0.4f, 44100);
    SoundGraph graph;
    configure(graph, rain, sea);
    const AudioBuffer clap = tone(1000, 0.9f, 5000);
    graph.setGain(Channel::Thunder, 1);
    ASSERT_TRUE(graph.enqueueOneShot(Channel::Thunder, &clap));

    constexpr std::size_t kFrames = 44100;
    SdlAudioOutput output;
    ASSERT_TRUE(output.start(graph)) << "the disk driver should always open";
    EXPECT_TRUE(output.isPlaying());

    // SDL writes silence, as fast as it can, while the device is still paused after opening,
    // and how much depends on the machine's load: wait for a whole second after the first sound.
    std::vector<float> written;
    std::size_t lead = 0;
    bool enough = false;
    QElapsedTimer waited;
    waited.start();
    while (!enough && waited.elapsed() < 20000) {
        QThread::msleep(5);
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        const QByteArray bytes = file.readAll();
        written.assign(std::size_t(bytes.size() / qint64(sizeof(float))), 0.f);
        std::memcpy(written.data(), bytes.constData(), written.size() * sizeof(float));
        const auto firstSound = std::find_if(written.begin(), written.end(), [](float v) { return v != 0; });
        if (firstSound == written.end())
            continue;
        // The mix starts with one silent frame (every tone starts at 0), then sound.
        lead = std::size_t(firstSound - written.begin()) / 2 - 1;
        enough = qint64(written.size() / 2) >= qint64(lead + kFrames);
    }
    output.stop();
    EXPECT_FALSE(output.isPlaying());
    ASSERT_TRUE(enough) << "the device played less than a second within 20 s";
    const std::vector<float> device(written.begin() + std::ptrdiff_t(2 * lead), written.begin() + std::ptrdiff_t(2 * (lead + kFrames)));

    // The same graph rendered offline is what the device must have received.
    SoundGraph reference;
    configure(reference, rain, sea);
    reference.setGain(Channel::Thunder, 1);
    ASSERT_TRUE(reference.enqueueOneShot(Channel::Thunder, &clap));
    std::vector<float> expected(kFrames * 2);
    std::size_t done = 0;
    for (std::size_t block : {512u, 4096u, 1u, 30000u}) { // block sizes do not change the mix
        reference.render(expected.data() + 2 * done, block);
        done += block;
    }
    reference.render(expected.data() + 2 * done, kFrames - done);

    EXPECT_GT(rms(device), 0.1);
    double worst = 0;
    for (std::size_t i = 0; i < device.size(); ++i)
        worst = std::max(worst, double(std::abs(device[i] - expected[i])));
    EXPECT_LT(worst, 1e-5);
}

TEST(SdlAudioOutput, NoDeviceMeansNoSoundAndNoError)
{
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    SoundGraph graph;
    SdlAudioOutput output;
    EXPECT_FALSE(output.start(graph));
    EXPECT_FALSE(output.isPlaying());
    output.stop();
    setenv("SDL_AUDIODRIVER", "disk", 1);
}
