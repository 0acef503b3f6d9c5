#include "sound/SoundscapeManager.h"

#include "SignalStats.h"
#include "SoundFixture.h"

#include <gtest/gtest.h>

#include <functional>

using namespace tavik;
using namespace tavik::test;

namespace {

constexpr double kMinute = 60;

// Constant loops: what the device plays is the channel's level times the loop's value.
std::shared_ptr<const SoundBank> steadyBank()
{
    auto bank = std::make_shared<SoundBank>();
    const AudioBuffer steady{std::vector<float>(100, 0.5f), std::vector<float>(100, 0.5f)};
    bank->rain = bank->wind = bank->birdsong = bank->sea = steady;
    return bank;
}

// A soundscape with steady rain, on a clock the test moves, heard through an offline device.
class SoundFades : public SoundFixture {
protected:
    void SetUp() override
    {
        SoundFixture::SetUp();
        store.setRainEnabled(true);
        store.setDropsPerSecond(70);
        auto device = std::make_unique<OfflineAudioOutput>();
        auto virtualClock = std::make_unique<VirtualScheduler>();
        output = device.get();
        clock = virtualClock.get();
        soundscape = std::make_unique<SoundscapeManager>(store, std::move(device), std::move(virtualClock), 1, 0.0f);
    }

    void at(double time) { clock->advanceTo(time); }
    // The loudness of the next tenth of a second, the clock moved along with it.
    double listen()
    {
        std::vector<float> block;
        output->pull(block, 4410);
        at(clock->now() + 0.1);
        return rms(block);
    }
    double full()
    {
        // Pending changes first; the glide into a level takes a few hundredths of a second, so
        // the second block is steady.
        at(clock->now());
        listen();
        return listen();
    }
    [[nodiscard]] bool switchedOffByTheTimer() const
    {
        return !store.soundEnabled() && store.sleepTimer() == 0 && database.value("sound.enabled") == false
            && database.value("sound.sleepTimer").toDouble() == 0;
    }

    OfflineAudioOutput* output = nullptr;
    VirtualScheduler* clock = nullptr;
    std::unique_ptr<SoundscapeManager> soundscape;
};

} // namespace

TEST_F(SoundFades, AFifteenMinuteTimerFadesToSilenceThenSwitchesTheSoundOff)
{
    store.setSleepTimer(15);
    soundscape->start(steadyBank());
    const double loud = full();
    ASSERT_GT(loud, 0.2);

    at(10 * kMinute);
    EXPECT_NEAR(*soundscape->sleepTimerRemaining(), 5 * kMinute, 0.01);
    at(15 * kMinute - 1);
    EXPECT_NEAR(full(), loud, 1e-3) << "no fade before the timer runs out";
    EXPECT_TRUE(store.soundEnabled());

    std::vector<double> seconds; // the loudness of each second of the fade
    at(15 * kMinute);
    for (int second = 0; second < 30; ++second) {
        double sum = 0;
        for (int tenth = 0; tenth < 10; ++tenth)
            sum += listen();
        seconds.push_back(sum / 10);
    }
    for (std::size_t i = 1; i < seconds.size(); ++i)
        EXPECT_LE(seconds[i], seconds[i - 1] + 1e-6) << "second " << i << " of the fade";
    EXPECT_GT(seconds.front(), 0.9 * loud);
    EXPECT_NEAR(seconds[15], 0.5 * loud, 0.15 * loud);
    EXPECT_LT(seconds.back(), 0.01 * loud);

    at(15 * kMinute + 31);
    EXPECT_TRUE(switchedOffByTheTimer());
    EXPECT_FALSE(soundscape->sleepTimerRemaining());
    EXPECT_FALSE(soundscape->isRunning());
    EXPECT_EQ(listen(), 0.0);
    // Switched on again, it plays at full level: the fade is over.
    store.setSoundEnabled(true);
    EXPECT_NEAR(full(), loud, 1e-3);
}

TEST_F(SoundFades, WhatHappensToARunningTimer)
{
    struct Case {
        const char* what;
        std::function<void(SettingsStore&)> atTenMinutes;
        double offAt; // 0: never
    };
    const std::vector<Case> cases = {
        {"the screen locked meanwhile", [](SettingsStore& s) { s.setScreenLocked(true); }, 15 * kMinute + 30},
        {"the sound switched off and on again",
         [](SettingsStore& s) {
             s.setSoundEnabled(false);
             s.setSoundEnabled(true);
         },
         15 * kMinute + 30},
        {"chosen again: starts over", [](SettingsStore& s) { s.setSleepTimer(15); }, 25 * kMinute + 30},
        {"a longer time", [](SettingsStore& s) { s.setSleepTimer(30); }, 40 * kMinute + 30},
        {"switched off", [](SettingsStore& s) { s.setSleepTimer(0); }, 0},
        {"a value beyond the range reads as the longest", [](SettingsStore& s) { s.setSleepTimer(1e9); }, 100 * kMinute + 30},
        {"a settings reset", [](SettingsStore& s) { s.resetAllToDefaults(); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        store.setSleepTimer(15);
        soundscape->start(steadyBank());
        at(10 * kMinute);
        c.atTenMinutes(store);
        store.setSoundEnabled(true); // the reset switches sound off; the timer is what is tested
        const double end = c.offAt > 0 ? c.offAt : 120 * kMinute;
        at(end - 0.5);
        EXPECT_TRUE(store.soundEnabled()) << "still on half a second before";
        at(end + 0.5);
        EXPECT_EQ(switchedOffByTheTimer(), c.offAt > 0);
        TearDown();
    }
}

TEST_F(SoundFades, SwitchingTheTimerOffDuringTheFadeBringsTheSoundBack)
{
    store.setSleepTimer(15);
    soundscape->start(steadyBank());
    const double loud = full();
    at(15 * kMinute + 20);
    listen(); // the device glides to the level it was handed meanwhile
    EXPECT_LT(listen(), 0.3 * loud);
    store.setSleepTimer(0);
    at(clock->now());
    EXPECT_NEAR(full(), loud, 1e-3);
    at(20 * kMinute);
    EXPECT_TRUE(store.soundEnabled());
}

TEST_F(SoundFades, GivesWayToOtherPlayersOnlyWhenAsked)
{
    struct Case {
        bool option;
        bool otherPlays;
        bool heard;
    };
    for (const Case c : {Case{false, false, true}, Case{false, true, true}, Case{true, false, true}, Case{true, true, false}}) {
        SCOPED_TRACE(testing::Message() << "option " << c.option << ", other player " << c.otherPlays);
        SetUp();
        store.setPauseForOtherAudio(c.option);
        soundscape->start(steadyBank());
        const double loud = full();
        soundscape->setOtherAudioPlaying(c.otherPlays);
        EXPECT_GT(listen(), 0.9 * loud) << "a fade, not a cut";
        at(clock->now() + kDuckFadeSeconds);
        EXPECT_EQ(soundscape->isRunning(), c.heard) << "the device closes once silent";
        EXPECT_EQ(soundscape->yieldingToOtherAudio(), !c.heard);
        EXPECT_EQ(listen() > 0.9 * loud, c.heard);
        // When the other player stops, or the option goes off, the sound comes back.
        c.option && c.otherPlays ? store.setPauseForOtherAudio(false) : soundscape->setOtherAudioPlaying(false);
        at(clock->now() + kDuckFadeSeconds + 0.2);
        EXPECT_NEAR(full(), loud, 1e-3);
        EXPECT_TRUE(store.soundEnabled()) << "giving way is no switching off";
        TearDown();
    }
}

// Quitting fades rather than cuts, closes the device, and neither a settings change during the
// fade nor one after it starts the sound again; with the sound off, nothing opens.
TEST_F(SoundFades, QuittingFadesAwayForGood)
{
    for (const bool playing : {true, false}) {
        SCOPED_TRACE(playing ? "playing" : "sound off");
        SetUp();
        store.setSoundEnabled(playing);
        soundscape->start(steadyBank());
        const double loud = full();
        soundscape->fadeAway(kQuitFadeSeconds);
        if (playing) {
            EXPECT_GT(listen(), 0.5 * loud) << "a fade, not a cut";
        }
        store.setSoundVolume(90);
        at(clock->now() + kQuitFadeSeconds + kFadeStepSeconds + kFadeOutSeconds);
        EXPECT_FALSE(soundscape->isOutputOpen());
        EXPECT_EQ(listen(), 0.0);
        store.setSoundEnabled(true);
        at(clock->now() + 1);
        EXPECT_FALSE(soundscape->isOutputOpen());
        TearDown();
    }
}

TEST(SleepTimer, GainAndRemainingTimeAtTheEnds)
{
    SleepTimer timer;
    EXPECT_EQ(timer.gain(5), 1.0f);
    EXPECT_EQ(timer.remaining(5), 0.0);
    EXPECT_FALSE(timer.finished(1e9));
    timer.start(60, 100);
    EXPECT_EQ(timer.remaining(100), 60.0);
    EXPECT_EQ(timer.gain(160), 1.0f);
    EXPECT_EQ(timer.remaining(160), 0.0);
    EXPECT_NEAR(timer.gain(160 + kSleepFadeSeconds / 2), 0.5f, 1e-6);
    EXPECT_EQ(timer.gain(160 + kSleepFadeSeconds), 0.0f);
    EXPECT_TRUE(timer.finished(160 + kSleepFadeSeconds));
    EXPECT_EQ(timer.gain(1e9), 0.0f);
    timer.start(std::nan(""), 100);
    EXPECT_EQ(timer.remaining(100), 0.0);
}
