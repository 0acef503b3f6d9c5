#include "SoundFixture.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"
#include "sound/SoundscapeManager.h"

#include <QDateTime>

#include <functional>

using namespace tavik;
using namespace tavik::test;

namespace {

constexpr double kMinute = 60;
constexpr double kClockTime = 4321.5;
constexpr float kNearClap = 0.5f;

// The offline device, able to refuse to open or to vanish while playing.
class FakeOutput final : public AudioOutput {
public:
    bool start(SoundGraph& graph) override
    {
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
};

// Steady loops at 0.5 and three claps told apart by their level: what is heard is the level.
std::shared_ptr<const SoundBank> steadyBank()
{
    auto bank = std::make_shared<SoundBank>();
    bank->rain = bank->wind = bank->birdsong = bank->sea = constant(100, 0.5f);
    for (std::size_t i = 0; i < 3; ++i)
        bank->thunder[i] = constant(4410, kNearClap / float(1 << i));
    return bank;
}

// Sound on at half volume over an empty sky, a soundscape on a clock the test moves, a fake device.
class Soundscape : public ::testing::Test {
protected:
    void SetUp() override
    {
        store.setSoundEnabled(true);
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
    // Full rain; returns how loud it is.
    double startRain()
    {
        store.setRainEnabled(true);
        soundscape->start(steadyBank());
        return full();
    }

    MemoryKeyValueStore database;
    SettingsStore store{database};
    FakeOutput* output = nullptr;
    VirtualScheduler* clock = nullptr;
    std::unique_ptr<SoundscapeManager> soundscape;
};

} // namespace

// What fades the sound out and closes the device; undone, the sound comes back, except after quitting.
TEST_F(Soundscape, WhatSilencesTheSoundAndWhatBringsItBack)
{
    const struct {
        const char* what;
        std::function<void()> silence, undo;
        double takes;
        bool comesBack = true;
    } cases[] = {
        {"sound switch", [&] { store.setSoundEnabled(false); }, [&] { store.setSoundEnabled(true); }, kFadeOutSeconds},
        {"screen lock", [&] { store.setScreenLocked(true); }, [&] { store.setScreenLocked(false); }, kFadeOutSeconds},
        {"another player", [&] { soundscape->setOtherAudioPlaying(true); }, [&] { soundscape->setOtherAudioPlaying(false); },
         kDuckFadeSeconds},
        {"the option to give way switched off", [&] { soundscape->setOtherAudioPlaying(true); },
         [&] { store.setPauseForOtherAudio(false); }, kDuckFadeSeconds},
        {"quitting", [&] { soundscape->fadeAway(kQuitFadeSeconds); }, [&] { store.setSoundVolume(90); }, kQuitFadeSeconds, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        store.setPauseForOtherAudio(true);
        const double loud = startRain();
        c.silence();
        EXPECT_GT(listen(), c.takes > kFadeOutSeconds ? 0.5 * loud : 0.0) << "a fade, not a cut";
        settle(c.takes + kFadeStepSeconds + kFadeOutSeconds);
        EXPECT_FALSE(soundscape->isOutputOpen());
        EXPECT_EQ(listen(), 0.0);
        c.undo();
        settle(kDuckFadeSeconds + 0.1);
        EXPECT_NEAR(full(), c.comesBack ? loud : 0, 1e-3);
    }
}

TEST_F(Soundscape, ALostOrRefusingDeviceIsRetriedAtTheNextChange)
{
    for (const bool refuses : {true, false}) {
        SCOPED_TRACE(refuses ? "refuses to open" : "lost while playing");
        SetUp();
        output->refuse = refuses;
        store.setSeaSoundEnabled(true);
        soundscape->start(steadyBank());
        output->lost = !refuses;
        settle(kDynamicsInterval); // the next re-levelling notices
        EXPECT_FALSE(soundscape->isRunning());
        output->refuse = false;
        store.setSoundVolume(store.soundVolume() + 10);
        settle();
        EXPECT_TRUE(output->isPlaying());
        EXPECT_TRUE(soundscape->dynamicsTimerActive());
    }
}

TEST_F(Soundscape, AFlashIsHeardAsAClapOnlyInAStormWithItsSwitchOn)
{
    const struct {
        const char* what;
        std::function<void()> before, afterFlash;
        float heard;
    } cases[] = {
        {"a bright flash: the near clap, soon, at the volume", [] {}, [] {}, kNearClap * 0.5f},
        {"no storm in the picture", [&] { store.setThunderEnabled(false); }, [] {}, 0},
        {"stopped before the clap arrives", [] {}, [&] { store.setSoundEnabled(false); }, 0},
        {"the thunder switch off (left off: the last case)", [&] { store.setThunderSoundEnabled(false); }, [] {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        store.setThunderEnabled(true);
        c.before();
        soundscape->start(steadyBank());
        soundscape->lightningStruck(100);
        c.afterFlash();
        settle(0.199);
        EXPECT_EQ(output->play(2205).back(), 0.0f);
        store.setSoundEnabled(true); // back on; said again while on, it keeps the clap coming
        settle(0.251);
        EXPECT_FLOAT_EQ(output->play(2205).back(), c.heard);
    }
}

TEST(SleepTimer, FadesOnceItRunsOutAndIsFinishedTheMomentItIsSilent)
{
    SleepTimer timer;
    timer.start(60, 100);
    EXPECT_EQ(timer.gain(160), 1.0f);
    EXPECT_NEAR(timer.gain(160 + kSleepFadeSeconds / 2), 0.5f, 1e-6f);
    EXPECT_EQ(timer.gain(160 + kSleepFadeSeconds), 0.0f);
    EXPECT_FALSE(timer.finished(160 + kSleepFadeSeconds - 0.01));
    EXPECT_TRUE(timer.finished(160 + kSleepFadeSeconds));
    timer.start(std::nan(""), 100);
    EXPECT_EQ(timer.remaining(100), 0.0);
}

TEST_F(Soundscape, WhatHappensToARunningSleepTimer)
{
    const struct {
        const char* what;
        double at; // minutes after it was set to 15
        std::function<void()> change;
        double offAt; // 0: never
    } cases[] = {
        {"left alone", 10, [] {}, 15.5},
        {"the screen locked meanwhile", 10, [&] { store.setScreenLocked(true); }, 15.5},
        {"chosen again: starts over", 10, [&] { store.setSleepTimer(15); }, 25.5},
        {"switched off", 10, [&] { store.setSleepTimer(0); }, 0},
        {"switched off during the fade", 15.3, [&] { store.setSleepTimer(0); }, 0},
        {"a settings reset", 10, [&] { store.resetAllToDefaults(); }, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        store.setSleepTimer(15);
        const double loud = startRain();
        // The panel counts down to the moment on the wall clock.
        EXPECT_NEAR(store.sleepTimerEndsAt(), double(QDateTime::currentMSecsSinceEpoch()) + 15 * kMinute * 1000, 5000);
        clock->advanceTo(kClockTime + c.at * kMinute);
        c.change();
        store.setSoundEnabled(true); // the reset switches sound off; the timer is what is tested
        if (c.at > 15) {
            EXPECT_NEAR(full(), loud, 1e-3) << "the sound comes back at full level";
        }
        const double end = kClockTime + (c.offAt > 0 ? c.offAt : 120) * kMinute;
        clock->advanceTo(end - 0.5);
        EXPECT_TRUE(store.soundEnabled()) << "still on half a second before";
        clock->advanceTo(end + 0.5);
        EXPECT_EQ(!store.soundEnabled() && store.sleepTimer() == 0 && database.value("sound.enabled") == false
                      && database.value("sound.sleepTimer").toDouble() == 0,
                  c.offAt > 0);
    }
}
