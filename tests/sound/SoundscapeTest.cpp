#include "SoundFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <functional>

using namespace tavik;
using namespace tavik::test;

namespace {

constexpr double kMinute = 60;

class Soundscape : public SoundFixture {
protected:
    void startRain()
    {
        store.setRainEnabled(true);
        store.setDropsPerSecond(70);
        soundscape->start(steadyBank());
    }
    [[nodiscard]] bool switchedOffByTheTimer() const
    {
        return !store.soundEnabled() && store.sleepTimer() == 0 && database.value("sound.enabled") == false
            && database.value("sound.sleepTimer").toDouble() == 0;
    }
};

} // namespace

TEST_F(Soundscape, StartsOnceAndFollowsTheSettingsOnceStored)
{
    store.setSeaSoundEnabled(true);
    auto bank = steadyBank();
    soundscape->start(bank);
    soundscape->start(steadyBank());
    EXPECT_EQ(soundscape->bank(), bank.get());
    EXPECT_GT(soundscape->level(Channel::Sea), 0.0f);
    store.setSoundVolume(0);
    EXPECT_GT(soundscape->level(Channel::Sea), 0.0f); // the store announces before it stores
    settle();
    EXPECT_EQ(soundscape->level(Channel::Sea), 0.0f);
    EXPECT_EQ(output->starts, 1);
}

TEST_F(Soundscape, EachGateSilencesEverythingAndStopsTheDeviceAndTheTimer)
{
    store.setSeaSoundEnabled(true);
    startRain();
    ASSERT_TRUE(soundscape->dynamicsTimerActive());
    const std::vector<std::pair<const char*, std::function<void(bool)>>> gates = {
        {"sound switch", [&](bool on) { store.setSoundEnabled(on); }},
        {"master switch", [&](bool on) { store.setEnabled(on); }},
        {"screen lock", [&](bool on) { store.setScreenLocked(!on); }},
        {"all displays paused", [&](bool on) { store.setAllDisplaysPaused(!on); }},
        {"power saving", [&](bool on) { store.setLowPowerMode(!on); }},
    };
    for (const auto& [name, open] : gates) {
        SCOPED_TRACE(name);
        open(false);
        settle(kFadeOutSeconds);
        for (Channel channel : kChannels)
            EXPECT_EQ(soundscape->level(channel), 0.0f) << channelName(channel);
        EXPECT_FALSE(soundscape->isRunning());
        EXPECT_FALSE(output->isPlaying());
        EXPECT_FALSE(soundscape->dynamicsTimerActive());
        open(true);
        settle(3);
        EXPECT_TRUE(soundscape->isRunning());
        EXPECT_GT(soundscape->level(Channel::Rain), 0.0f);
        EXPECT_TRUE(soundscape->dynamicsTimerActive());
    }
}

TEST_F(Soundscape, StoppingFadesOutBeforeTheDeviceClosesAndRestartsAfresh)
{
    startRain();
    EXPECT_FLOAT_EQ(output->play(4410).back(), 0.3f);
    store.setSoundEnabled(false);
    settle();
    EXPECT_TRUE(output->isPlaying()); // still gliding down
    const std::vector<float> fade = output->play(2205);
    EXPECT_GT(fade.front(), 0.29f);
    EXPECT_LT(largestStep(fade), 0.001);
    EXPECT_EQ(fade.back(), 0.0f);
    settle(kFadeOutSeconds);
    EXPECT_FALSE(output->isPlaying());

    // Switched on again during the fade: the device is reopened.
    store.setSoundEnabled(true);
    settle();
    store.setSoundEnabled(false);
    settle(0.01);
    store.setSoundEnabled(true);
    settle(1);
    EXPECT_TRUE(output->isPlaying());
    EXPECT_EQ(output->starts, 3);
}

TEST_F(Soundscape, TheDynamicsTimerRunsOnlyWhileALevelDrifts)
{
    soundscape->start(steadyBank());
    EXPECT_FALSE(soundscape->dynamicsTimerActive());
    store.setSeaSoundEnabled(true);
    settle();
    EXPECT_TRUE(soundscape->dynamicsTimerActive());
    const float before = soundscape->level(Channel::Sea);
    settle(0.29);
    EXPECT_EQ(soundscape->level(Channel::Sea), before);
    settle(0.02); // each tick re-reads the waves at the scheduler's time
    EXPECT_NE(soundscape->level(Channel::Sea), before);
    store.setSeaSoundEnabled(false);
    settle();
    EXPECT_FALSE(soundscape->dynamicsTimerActive());
}

// A device that will not open, or goes away while playing, is silent until the next change.
TEST_F(Soundscape, ALostOrRefusingDeviceIsRetriedAtTheNextChange)
{
    for (const bool refuses : {true, false}) {
        SCOPED_TRACE(refuses ? "refuses to open" : "lost while playing");
        SetUp();
        output->refuse = refuses;
        store.setSeaSoundEnabled(true);
        soundscape->start(steadyBank());
        output->lost = !refuses;
        settle(0.31); // the next re-levelling notices
        EXPECT_FALSE(soundscape->isRunning());
        EXPECT_FALSE(soundscape->dynamicsTimerActive());
        output->refuse = false;
        store.setSoundVolume(80);
        settle();
        EXPECT_EQ(output->starts, 2);
        EXPECT_TRUE(output->isPlaying());
        EXPECT_TRUE(soundscape->dynamicsTimerActive());
    }
}

TEST_F(Soundscape, AFlashIsHeardAsAClapOnlyInAStormWithItsSwitchOn)
{
    struct Case {
        const char* what;
        std::function<void(SettingsStore&)> before, afterFlash;
        float heard;
    };
    const std::vector<Case> cases = {
        {"a bright flash: the near clap, soon, at the volume", {}, {}, kNearClap * 0.5f},
        {"no storm in the picture", [](SettingsStore& s) { s.setThunderEnabled(false); }, {}, 0},
        {"the thunder switch off", [](SettingsStore& s) { s.setThunderSoundEnabled(false); }, {}, 0},
        {"stopped before the clap arrives", {}, [](SettingsStore& s) { s.setSoundEnabled(false); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        store.setThunderEnabled(true);
        store.setThunderSoundEnabled(true);
        store.setSoundVolume(50);
        if (c.before)
            c.before(store);
        soundscape->start(steadyBank());
        soundscape->lightningStruck(100);
        if (c.afterFlash)
            c.afterFlash(store);
        settle(0.199);
        EXPECT_EQ(output->play(2205).back(), 0.0f);
        store.setSoundEnabled(true);
        settle(0.251);
        EXPECT_FLOAT_EQ(output->play(2205).back(), c.heard);
    }
}

TEST_F(Soundscape, AFifteenMinuteTimerFadesToSilenceThenSwitchesTheSoundOff)
{
    store.setSleepTimer(15);
    startRain();
    const double start = clock->now();
    const double loud = full();
    clock->advanceTo(start + 10 * kMinute);
    EXPECT_NEAR(*soundscape->sleepTimerRemaining(), 5 * kMinute, 0.01);
    clock->advanceTo(start + 15 * kMinute - 1);
    EXPECT_NEAR(full(), loud, 1e-3) << "no fade before the timer runs out";

    std::vector<double> seconds; // the loudness of each second of the fade
    clock->advanceTo(start + 15 * kMinute);
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

    settle(1);
    EXPECT_TRUE(switchedOffByTheTimer());
    EXPECT_FALSE(soundscape->sleepTimerRemaining());
    EXPECT_EQ(listen(), 0.0);
    store.setSoundEnabled(true); // on again, at full level: the fade is over
    EXPECT_NEAR(full(), loud, 1e-3);
}

TEST_F(Soundscape, WhatHappensToARunningSleepTimer)
{
    struct Case {
        const char* what;
        std::function<void(SettingsStore&)> atTenMinutes;
        double offAt; // 0: never
    };
    const std::vector<Case> cases = {
        {"the screen locked meanwhile", [](SettingsStore& s) { s.setScreenLocked(true); }, 15.5},
        {"the sound switched off and on again",
         [](SettingsStore& s) {
             s.setSoundEnabled(false);
             s.setSoundEnabled(true);
         },
         15.5},
        {"chosen again: starts over", [](SettingsStore& s) { s.setSleepTimer(15); }, 25.5},
        {"a longer time", [](SettingsStore& s) { s.setSleepTimer(30); }, 40.5},
        {"switched off", [](SettingsStore& s) { s.setSleepTimer(0); }, 0},
        {"a value beyond the range reads as the longest", [](SettingsStore& s) { s.setSleepTimer(1e9); }, 100.5},
        {"a settings reset", [](SettingsStore& s) { s.resetAllToDefaults(); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SetUp();
        store.setSleepTimer(15);
        startRain();
        const double start = clock->now();
        clock->advanceTo(start + 10 * kMinute);
        c.atTenMinutes(store);
        store.setSoundEnabled(true); // the reset switches sound off; the timer is what is tested
        const double end = start + (c.offAt > 0 ? c.offAt : 120) * kMinute;
        clock->advanceTo(end - 0.5);
        EXPECT_TRUE(store.soundEnabled()) << "still on half a second before";
        clock->advanceTo(end + 0.5);
        EXPECT_EQ(switchedOffByTheTimer(), c.offAt > 0);
    }
}

TEST_F(Soundscape, SwitchingTheTimerOffDuringTheFadeBringsTheSoundBack)
{
    store.setSleepTimer(15);
    startRain();
    const double loud = full();
    clock->advanceTo(SoundFixture::kClockTime + 15 * kMinute + 20);
    listen(); // the device glides to the level it was handed meanwhile
    EXPECT_LT(listen(), 0.3 * loud);
    store.setSleepTimer(0);
    EXPECT_NEAR(full(), loud, 1e-3);
    settle(5 * kMinute);
    EXPECT_TRUE(store.soundEnabled());
}

TEST_F(Soundscape, GivesWayToOtherPlayersOnlyWhenAsked)
{
    struct Case {
        bool option, otherPlays, heard;
    };
    for (const Case c : {Case{false, false, true}, Case{false, true, true}, Case{true, false, true}, Case{true, true, false}}) {
        SCOPED_TRACE(testing::Message() << "option " << c.option << ", other player " << c.otherPlays);
        SetUp();
        store.setPauseForOtherAudio(c.option);
        startRain();
        const double loud = full();
        soundscape->setOtherAudioPlaying(c.otherPlays);
        EXPECT_GT(listen(), 0.9 * loud) << "a fade, not a cut";
        settle(kDuckFadeSeconds);
        EXPECT_EQ(soundscape->isRunning(), c.heard) << "the device closes once silent";
        EXPECT_EQ(soundscape->yieldingToOtherAudio(), !c.heard);
        EXPECT_EQ(listen() > 0.9 * loud, c.heard);
        // When the other player stops, or the option goes off, the sound comes back.
        c.option && c.otherPlays ? store.setPauseForOtherAudio(false) : soundscape->setOtherAudioPlaying(false);
        settle(kDuckFadeSeconds + 0.2);
        EXPECT_NEAR(full(), loud, 1e-3);
        EXPECT_TRUE(store.soundEnabled()) << "giving way is no switching off";
    }
}

// Quitting fades rather than cuts, closes the device, and no later change starts the sound again.
TEST_F(Soundscape, QuittingFadesAwayForGood)
{
    for (const bool playing : {true, false}) {
        SCOPED_TRACE(playing ? "playing" : "sound off");
        SetUp();
        store.setSoundEnabled(playing);
        startRain();
        const double loud = full();
        soundscape->fadeAway(kQuitFadeSeconds);
        EXPECT_EQ(listen() > 0.5 * loud, playing) << "a fade, not a cut";
        store.setSoundVolume(90);
        settle(kQuitFadeSeconds + kFadeStepSeconds + kFadeOutSeconds);
        EXPECT_FALSE(soundscape->isOutputOpen());
        EXPECT_EQ(listen(), 0.0);
        store.setSoundEnabled(true);
        settle(1);
        EXPECT_FALSE(soundscape->isOutputOpen());
    }
}

TEST(SleepTimer, ANonsenseTimeRunsOutAtOnceAndAStoppedTimerKeepsTheSound)
{
    SleepTimer timer;
    EXPECT_EQ(timer.gain(1e9), 1.0f);
    EXPECT_FALSE(timer.finished(1e9));
    for (const double nonsense : {std::nan(""), -5.0}) {
        timer.start(nonsense, 100);
        EXPECT_EQ(timer.remaining(100), 0.0);
        EXPECT_TRUE(timer.finished(100 + kSleepFadeSeconds));
    }
}

// The real scheduler: the sounds are made off the main thread, only once sound is wanted.
TEST(SoundscapeStart, SynthesisRunsInTheBackgroundAndTheSoundStartsWhenReady)
{
    static int argc = 1;
    static char name[] = "tavik_sound_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    MemoryKeyValueStore database;
    SettingsStore store(database);
    store.setSeaSoundEnabled(true);
    auto fake = std::make_unique<FakeOutput>();
    FakeOutput* output = fake.get();
    SoundscapeManager soundscape(store, std::move(fake), std::make_unique<QtScheduler>(), 5);
    soundscape.start();
    auto runEventsWhile = [](const std::function<bool()>& waiting, int milliseconds) {
        QElapsedTimer waited;
        waited.start();
        while (waiting() && waited.elapsed() < milliseconds)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    };
    runEventsWhile([] { return true; }, 500);
    EXPECT_FALSE(soundscape.isReady()) << "sound is off: nothing is made";

    store.setSoundEnabled(true);
    EXPECT_FALSE(soundscape.isReady());
    runEventsWhile([&] { return !soundscape.isRunning(); }, 30000);
    ASSERT_TRUE(soundscape.isRunning());
    EXPECT_GT(rms(output->play(44100)), 0.001); // the sea, softly
    const float before = soundscape.level(Channel::Sea);
    runEventsWhile([&] { return soundscape.level(Channel::Sea) == before; }, 2000);
    EXPECT_NE(soundscape.level(Channel::Sea), before) << "re-levelled on the event loop";
}
