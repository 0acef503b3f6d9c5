#pragma once

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"
#include "sound/AudioOutput.h"
#include "sound/SoundscapeManager.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <span>
#include <vector>

namespace tavik::test {

inline double rms(std::span<const float> x)
{
    double sum = 0;
    for (float v : x)
        sum += double(v) * v;
    return x.empty() ? 0 : std::sqrt(sum / double(x.size()));
}

// Energy of the sample-to-sample steps against the signal's: 1.4 for white noise, near 0 for a rumble.
inline double brightness(std::span<const float> x)
{
    double steps = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        steps += double(x[i] - x[i - 1]) * (x[i] - x[i - 1]);
    return std::sqrt(steps / double(x.size() - 1)) / rms(x);
}

inline double largestStep(std::span<const float> x)
{
    double largest = 0;
    for (std::size_t i = 1; i < x.size(); ++i)
        largest = std::max(largest, double(std::abs(x[i] - x[i - 1])));
    return largest;
}

inline std::span<const float> window(const std::vector<float>& x, double from, double to)
{
    const auto begin = std::size_t(from * kSampleRate);
    const auto end = std::min(x.size(), std::size_t(to * kSampleRate));
    return std::span<const float>(x).subspan(begin, end - begin);
}

inline std::vector<float> channelOf(const std::vector<float>& interleaved, std::size_t channel)
{
    std::vector<float> out;
    for (std::size_t i = channel; i < interleaved.size(); i += 2)
        out.push_back(interleaved[i]);
    return out;
}

// The offline device, able to refuse to open or to vanish while playing.
class FakeOutput final : public AudioOutput {
public:
    bool start(SoundGraph& graph) override
    {
        ++starts;
        lost = false;
        return !refuse && device.start(graph);
    }
    void stop() override { device.stop(); }
    [[nodiscard]] bool isPlaying() const override { return device.isPlaying() && !lost; }
    std::vector<float> play(std::size_t frames)
    {
        std::vector<float> out;
        device.pull(out, frames);
        return channelOf(out, 0);
    }

    OfflineAudioOutput device;
    bool refuse = false;
    bool lost = false;
    int starts = 0;
};

inline constexpr float kNearClap = 0.5f;

// Steady loops at 0.5 and three claps told apart by their level: what is heard is the level.
inline std::shared_ptr<const SoundBank> steadyBank()
{
    auto bank = std::make_shared<SoundBank>();
    bank->rain = bank->wind = bank->birdsong = bank->sea = AudioBuffer{std::vector<float>(100, 0.5f), std::vector<float>(100, 0.5f)};
    for (std::size_t i = 0; i < 3; ++i) {
        const std::vector<float> clap(4410, kNearClap / float(1 << i));
        bank->thunder[i] = AudioBuffer{clap, clap};
    }
    return bank;
}

// Sound on at full volume over an empty sky, a soundscape on a clock the test moves, a fake device.
class SoundFixture : public ::testing::Test {
public:
    static constexpr double kClockTime = 4321.5;

protected:
    void SetUp() override
    {
        store.setSoundEnabled(true);
        store.setSoundVolume(100);
        store.setRainEnabled(false);
        store.setWindEnabled(false);
        auto fake = std::make_unique<FakeOutput>();
        auto virtualClock = std::make_unique<VirtualScheduler>(kClockTime);
        output = fake.get();
        clock = virtualClock.get();
        soundscape = std::make_unique<SoundscapeManager>(store, std::move(fake), std::move(virtualClock), 1, 0.0f);
    }

    void settle(double seconds = 0) { clock->advanceTo(clock->now() + seconds); }
    // The loudness of the next tenth of a second, the clock moved along.
    double listen()
    {
        const double level = rms(output->play(4410));
        settle(0.1);
        return level;
    }
    double full()
    {
        settle();
        listen();
        return listen();
    }

    MemoryKeyValueStore database;
    SettingsStore store{database};
    FakeOutput* output = nullptr;
    VirtualScheduler* clock = nullptr;
    std::unique_ptr<SoundscapeManager> soundscape;
};

} // namespace tavik::test
