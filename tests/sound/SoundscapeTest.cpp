#include "SoundFixture.h"

#include <QDateTime>

#include <functional>

using namespace tavik;
using namespace tavik::test;

namespace {

constexpr double kMinute = 60;

class Soundscape : public SoundFixture {
protected:
    // Full rain; returns how loud it is.
    double startRain()
    {
        store.setRainEnabled(true);
        store.setDropsPerSecond(70);
        soundscape->start(steadyBank());
        return full();
    }
    [[nodiscard]] bool switchedOffByTheTimer() const
    {
        return !store.soundEnabled() && store.sleepTimer() == 0 && database.value("sound.enabled") == false
            && database.value("sound.sleepTimer").toDouble() == 0;
    }
};

} // namespace

// What fades the sound out and closes the device; undone, the sound comes back, except after quitting.
TEST_F(Soundscape, WhatSilencesTheSoundAndWhatBringsItBack)
{
    struct Case {
        const char* what;
        std::function<void()> silence, undo;
        double takes;
        bool comesBack = true;
    };
    const std::vector<Case> cases = {
        {"sound switch", [&] { store.setSoundEnabled(false); }, [&] { store.setSoundEnabled(true); }, kFadeOutSeconds},
        {"master switch", [&] { store.setEnabled(false); }, [&] { store.setEnabled(true); }, kFadeOutSeconds},
        {"screen lock", [&] { store.setScreenLocked(true); }, [&] { store.setScreenLocked(false); }, kFadeOutSeconds},
        {"displays paused", [&] { store.setAllDisplaysPaused(true); }, [&] { store.setAllDisplaysPaused(false); }, kFadeOutSeconds},
        {"power saving", [&] { store.setLowPowerMode(true); }, [&] { store.setLowPowerMode(false); }, kFadeOutSeconds},
        {"another player", [&] { soundscape->setOtherAudioPlaying(true); }, [&] { soundscape->setOtherAudioPlaying(false); },
         kDuckFadeSeconds},
        {"the option to give way switched off", [&] { soundscape->setOtherAudioPlaying(true); },
         [&] { store.setPauseForOtherAudio(false); }, kDuckFadeSeconds},
        {"the sleep timer", [&] { store.setSleepTimer(1); }, [&] { store.setSoundEnabled(true); }, kMinute + kSleepFadeSeconds},
        {"quitting", [&] { soundscape->fadeAway(kQuitFadeSeconds); }, [&] { store.setSoundVolume(90); }, kQuitFadeSeconds, false},
    };
    for (const Case& c : cases) {
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
    SetUp();
    store.setPauseForOtherAudio(false);
    startRain();
    soundscape->setOtherAudioPlaying(true);
    settle(kDuckFadeSeconds + 0.1);
    EXPECT_NEAR(full(), 0.3, 1e-3) << "without the option, nothing gives way";
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
        EXPECT_FALSE(soundscape->dynamicsTimerActive());
        output->refuse = false;
        store.setSoundVolume(80);
        settle();
        EXPECT_EQ(output->starts, 2);
        EXPECT_TRUE(output->isPlaying());
        const float before = soundscape->level(Channel::Sea);
        settle(kDynamicsInterval);
        EXPECT_NE(soundscape->level(Channel::Sea), before) << "each tick re-reads the waves";
    }
}

TEST_F(Soundscape, AFlashIsHeardAsAClapOnlyInAStormWithItsSwitchOn)
{
    struct Case {
        const char* what;
        std::function<void()> before, afterFlash;
        float heard;
    };
    const std::vector<Case> cases = {
        {"a bright flash: the near clap, soon, at the volume", [] {}, [] {}, kNearClap * 0.5f},
        {"no storm in the picture", [&] { store.setThunderEnabled(false); }, [] {}, 0},
        {"the thunder switch off", [&] { store.setThunderSoundEnabled(false); }, [] {}, 0},
        {"stopped before the clap arrives", [] {}, [&] { store.setSoundEnabled(false); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        store.setThunderEnabled(true);
        store.setThunderSoundEnabled(true);
        store.setSoundVolume(50);
        c.before();
        soundscape->start(steadyBank());
        soundscape->lightningStruck(100);
        c.afterFlash();
        settle(0.199);
        EXPECT_EQ(output->play(2205).back(), 0.0f);
        store.setSoundEnabled(true);
        settle(0.251);
        EXPECT_FLOAT_EQ(output->play(2205).back(), c.heard);
    }
}

TEST_F(Soundscape, TheSleepTimerFadesOnlyOnceItRunsOut)
{
    store.setSleepTimer(15);
    const double loud = startRain();
    // The panel counts down to the moment on the wall clock.
    EXPECT_NEAR(store.sleepTimerEndsAt(), double(QDateTime::currentMSecsSinceEpoch()) + 15 * kMinute * 1000, 5000);
    clock->advanceTo(kClockTime + 15 * kMinute - 1);
    EXPECT_NEAR(*soundscape->sleepTimerRemaining(), 1, 0.01);
    EXPECT_NEAR(full(), loud, 1e-3);
    clock->advanceTo(kClockTime + 15 * kMinute + kSleepFadeSeconds / 2);
    EXPECT_NEAR(full(), 0.5 * loud, 0.15 * loud) << "halfway through the fade";
    settle(kSleepFadeSeconds);
    EXPECT_TRUE(switchedOffByTheTimer());
    EXPECT_FALSE(soundscape->sleepTimerRemaining());
}

TEST(SleepTimer, RunsOutThenFadesAndIsFinishedTheMomentItIsSilent)
{
    SleepTimer timer;
    EXPECT_EQ(timer.gain(1e9), 1.0f);
    EXPECT_FALSE(timer.finished(1e9));
    timer.start(60, 100);
    EXPECT_EQ(timer.gain(160), 1.0f);
    EXPECT_EQ(timer.gain(160 + kSleepFadeSeconds), 0.0f);
    EXPECT_FALSE(timer.finished(160 + kSleepFadeSeconds - 0.01));
    EXPECT_TRUE(timer.finished(160 + kSleepFadeSeconds));
    timer.start(std::nan(""), 100);
    EXPECT_EQ(timer.remaining(100), 0.0);
}

TEST_F(Soundscape, WhatHappensToARunningSleepTimer)
{
    struct Case {
        const char* what;
        double at; // minutes after it was set to 15
        std::function<void()> change;
        double offAt; // 0: never
    };
    const std::vector<Case> cases = {
        {"the screen locked meanwhile", 10, [&] { store.setScreenLocked(true); }, 15.5},
        {"chosen again: starts over", 10, [&] { store.setSleepTimer(15); }, 25.5},
        {"switched off", 10, [&] { store.setSleepTimer(0); }, 0},
        {"switched off during the fade", 15.3, [&] { store.setSleepTimer(0); }, 0},
        {"a value beyond the range reads as the longest", 10, [&] { store.setSleepTimer(1e9); }, 100.5},
        {"a settings reset", 10, [&] { store.resetAllToDefaults(); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        store.setSleepTimer(15);
        const double loud = startRain();
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
        EXPECT_EQ(switchedOffByTheTimer(), c.offAt > 0);
    }
}
