#include "sound/SoundscapeManager.h"

#include "SignalStats.h"
#include "SoundFixture.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <gtest/gtest.h>

using namespace tavik;
using namespace tavik::test;

namespace {

// A sound device that can refuse to open or vanish while playing.
class FakeOutput final : public AudioOutput {
public:
    bool start(SoundGraph& graph) override
    {
        ++starts;
        if (refuse)
            return false;
        m_graph = &graph;
        lost = false;
        return true;
    }
    void stop() override { m_graph = nullptr; }
    [[nodiscard]] bool isPlaying() const override { return m_graph && !lost; }

    // The left channel of the next frames the device would play.
    std::vector<float> play(std::size_t frames)
    {
        std::vector<float> out(2 * frames, 0.0f);
        if (m_graph)
            m_graph->render(out.data(), frames);
        return channelOf(out, 0);
    }

    bool refuse = false;
    bool lost = false;
    int starts = 0;

private:
    SoundGraph* m_graph = nullptr;
};

constexpr float kNear = 0.5f, kMiddle = 0.25f, kFar = 0.125f;

// Silent loops and three claps told apart by their level: cheap, and the thunder is all one hears.
std::shared_ptr<const SoundBank> testBank()
{
    auto bank = std::make_shared<SoundBank>();
    const AudioBuffer silence{std::vector<float>(100), std::vector<float>(100)};
    bank->rain = bank->wind = bank->birdsong = bank->sea = silence;
    const float levels[3] = {kNear, kMiddle, kFar};
    for (std::size_t i = 0; i < 3; ++i)
        bank->thunder[i] = AudioBuffer{std::vector<float>(4410, levels[i]), std::vector<float>(4410, levels[i])};
    return bank;
}

class Soundscape : public SoundFixture {
protected:
    void SetUp() override
    {
        SoundFixture::SetUp();
        auto fakeOutput = std::make_unique<FakeOutput>();
        auto fakeClock = std::make_unique<VirtualScheduler>(kClockTime);
        output = fakeOutput.get();
        clock = fakeClock.get();
        soundscape = std::make_unique<SoundscapeManager>(store, std::move(fakeOutput), std::move(fakeClock), 1, 0.0f);
    }

    // Lets the queued work run, as the event loop would.
    void settle(double seconds = 0) { clock->advanceTo(clock->now() + seconds); }

    void expectSilentAndStopped()
    {
        for (Channel channel : kChannels)
            EXPECT_EQ(soundscape->level(channel), 0.0f) << channelName(channel);
        EXPECT_FALSE(soundscape->isRunning());
        EXPECT_FALSE(output->isPlaying());
        EXPECT_FALSE(soundscape->dynamicsTimerActive());
    }

    // The level of thunder the device plays over the next frames (0 for none).
    float thunderHeard(std::size_t frames = 64)
    {
        const std::vector<float> left = output->play(frames);
        return left.back();
    }

    FakeOutput* output = nullptr;
    VirtualScheduler* clock = nullptr;
    std::unique_ptr<SoundscapeManager> soundscape;
};

} // namespace

TEST_F(Soundscape, StartsOnceAndFollowsTheSettingsAfterTheyAreStored)
{
    store.setSeaSoundEnabled(true);
    auto bank = testBank();
    soundscape->start(bank);
    soundscape->start(testBank());
    EXPECT_EQ(soundscape->bank(), bank.get());
    EXPECT_TRUE(soundscape->isRunning());
    EXPECT_EQ(output->starts, 1);
    EXPECT_GT(soundscape->level(Channel::Sea), 0.0f);

    store.setSoundVolume(0);
    EXPECT_GT(soundscape->level(Channel::Sea), 0.0f); // not yet: the change is applied once stored
    settle();
    EXPECT_EQ(soundscape->level(Channel::Sea), 0.0f);
    EXPECT_EQ(output->starts, 1);
}

TEST_F(Soundscape, EachGateSilencesEverythingStopsTheDeviceAndTheTimer)
{
    store.setSeaSoundEnabled(true);
    store.setRainEnabled(true);
    soundscape->start(testBank());
    ASSERT_TRUE(soundscape->dynamicsTimerActive());
    const std::vector<std::pair<const char*, std::function<void(bool)>>> gates = {
        {"sound switch", [&](bool on) { store.setSoundEnabled(on); }},
        {"master switch", [&](bool on) { store.setEnabled(on); }},
        {"screen lock", [&](bool on) { store.setScreenLocked(!on); }},
        {"power saving", [&](bool on) { store.setLowPowerMode(!on); }},
    };
    for (const auto& [name, open] : gates) {
        SCOPED_TRACE(name);
        open(false);
        settle(kFadeOutSeconds);
        expectSilentAndStopped();
        soundscape->lightningStruck(100); // ignored while stopped
        open(true);
        settle(3);
        EXPECT_TRUE(soundscape->isRunning());
        EXPECT_GT(soundscape->level(Channel::Rain), 0.0f);
        EXPECT_TRUE(soundscape->dynamicsTimerActive());
        EXPECT_EQ(thunderHeard(), 0.0f);
    }
}

TEST_F(Soundscape, StoppingFadesOutBeforeTheDeviceCloses)
{
    store.setRainEnabled(true);
    store.setDropsPerSecond(70);
    auto bank = std::make_shared<SoundBank>(*testBank());
    bank->rain = AudioBuffer{std::vector<float>(100, 1.0f), std::vector<float>(100, 1.0f)};
    soundscape->start(bank);
    EXPECT_FLOAT_EQ(output->play(4410).back(), 0.6f);

    store.setSoundEnabled(false);
    settle();
    EXPECT_FALSE(soundscape->isRunning());
    EXPECT_TRUE(output->isPlaying()); // still gliding down
    const std::vector<float> fade = output->play(2205);
    EXPECT_GT(fade.front(), 0.59f);
    EXPECT_LT(largestStep(fade), 0.001);
    EXPECT_EQ(fade.back(), 0.0f);
    settle(kFadeOutSeconds);
    EXPECT_FALSE(output->isPlaying());

    // Switched on again during the fade: the device is reopened and the loops start afresh.
    store.setSoundEnabled(true);
    settle();
    store.setSoundEnabled(false);
    settle(0.01);
    store.setSoundEnabled(true);
    settle(1);
    EXPECT_TRUE(soundscape->isRunning());
    EXPECT_TRUE(output->isPlaying());
    EXPECT_EQ(output->starts, 3);
}

TEST_F(Soundscape, TheTimerRunsOnlyWhileALevelDrifts)
{
    soundscape->start(testBank());
    EXPECT_FALSE(soundscape->dynamicsTimerActive());
    store.setSeaSoundEnabled(true);
    settle();
    EXPECT_TRUE(soundscape->dynamicsTimerActive());

    // Each tick re-reads the waves at the scheduler's time.
    const float before = soundscape->level(Channel::Sea);
    settle(0.29);
    EXPECT_EQ(soundscape->level(Channel::Sea), before);
    settle(0.02);
    EXPECT_NE(soundscape->level(Channel::Sea), before);

    store.setSeaSoundEnabled(false);
    settle();
    EXPECT_FALSE(soundscape->dynamicsTimerActive());
    store.setWindEnabled(true);
    store.setWindDynamic(true);
    settle();
    EXPECT_TRUE(soundscape->dynamicsTimerActive());
    store.setWindSoundEnabled(false);
    settle();
    EXPECT_FALSE(soundscape->dynamicsTimerActive());
}

TEST_F(Soundscape, ADeviceThatWillNotOpenIsRetriedAtTheNextChange)
{
    output->refuse = true;
    store.setSeaSoundEnabled(true);
    soundscape->start(testBank());
    EXPECT_FALSE(soundscape->isRunning());
    EXPECT_FALSE(soundscape->dynamicsTimerActive());
    EXPECT_EQ(output->starts, 1);

    output->refuse = false;
    store.setSoundVolume(80);
    settle();
    EXPECT_EQ(output->starts, 2);
    EXPECT_TRUE(soundscape->isRunning());
    EXPECT_TRUE(soundscape->dynamicsTimerActive());
}

TEST_F(Soundscape, ADeviceLostWhilePlayingFallsSilentUntilTheNextChange)
{
    store.setSeaSoundEnabled(true);
    soundscape->start(testBank());
    ASSERT_TRUE(soundscape->isRunning());
    output->lost = true;
    settle(0.31); // the next re-levelling notices
    EXPECT_FALSE(soundscape->isRunning());
    EXPECT_FALSE(soundscape->dynamicsTimerActive());
    EXPECT_EQ(output->starts, 1);

    store.setSoundVolume(70);
    settle();
    EXPECT_EQ(output->starts, 2);
    EXPECT_TRUE(soundscape->isRunning());
    EXPECT_TRUE(output->isPlaying());
}

TEST_F(Soundscape, ABrightFlashSoundsTheNearClapSoonAtFullVolume)
{
    store.setThunderEnabled(true);
    store.setSoundVolume(50);
    soundscape->start(testBank());
    (void)output->play(4410); // the level glides in at start

    soundscape->lightningStruck(100);
    EXPECT_FLOAT_EQ(soundscape->level(Channel::Thunder), 0.5f);
    settle(0.199);
    EXPECT_EQ(thunderHeard(2205), 0.0f);
    settle(0.45 - 0.199);
    EXPECT_FLOAT_EQ(thunderHeard(2205), kNear * 0.5f);
}

TEST_F(Soundscape, ThunderNeedsTheStormAndItsSwitchAndADelayThatEndsWhilePlaying)
{
    soundscape->start(testBank());
    (void)output->play(4410);
    soundscape->lightningStruck(100); // no storm in the picture
    store.setThunderEnabled(true);
    store.setThunderSoundEnabled(false);
    settle();
    soundscape->lightningStruck(100);
    settle(1);
    EXPECT_EQ(thunderHeard(2205), 0.0f);

    store.setThunderSoundEnabled(true);
    settle();
    soundscape->lightningStruck(100);
    store.setSoundEnabled(false); // stopped before the clap arrives: it is dropped
    settle(0.1);
    store.setSoundEnabled(true);
    settle(1);
    EXPECT_TRUE(soundscape->isRunning());
    EXPECT_EQ(thunderHeard(2205), 0.0f);
}

TEST(SoundscapeStart, SynthesisRunsInTheBackgroundAndTheSoundStartsWhenReady)
{
    static int argc = 1;
    static char name[] = "tavik_sound_tests";
    static char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    MemoryKeyValueStore database;
    SettingsStore store(database);
    store.setEnabled(true);
    store.setSeaSoundEnabled(true);
    auto fakeOutput = std::make_unique<FakeOutput>();
    FakeOutput* output = fakeOutput.get();
    SoundscapeManager soundscape(store, std::move(fakeOutput), std::make_unique<QtScheduler>(), 5);
    soundscape.start();
    EXPECT_TRUE(soundscape.isBuilt());

    // With sound off nothing is made: the memory stays free until sound is wanted.
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_FALSE(soundscape.isReady());

    store.setSoundEnabled(true);
    EXPECT_FALSE(soundscape.isReady()); // the sounds are made off the main thread
    waited.restart();
    while (!soundscape.isRunning() && waited.elapsed() < 30000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ASSERT_TRUE(soundscape.isRunning());
    EXPECT_EQ(soundscape.bank()->rain.frames(), 529200u);
    EXPECT_TRUE(soundscape.dynamicsTimerActive()); // a real QTimer now
    EXPECT_GT(rms(output->play(44100)), 0.001); // the sea, softly

    // The timer re-levels on the event loop.
    const float before = soundscape.level(Channel::Sea);
    waited.restart();
    while (soundscape.level(Channel::Sea) == before && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_NE(soundscape.level(Channel::Sea), before);
}
