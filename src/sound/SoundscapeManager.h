#pragma once

#include "core/Signal.h"
#include "sound/AudioOutput.h"
#include "sound/Scheduler.h"
#include "sound/SoundFades.h"
#include "sound/SoundGraph.h"
#include "sound/Synthesis.h"
#include "sound/ThunderSoundSink.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <thread>

namespace tavik {

class SettingsStore;

// Seconds between two re-levellings while some level drifts by itself.
inline constexpr double kDynamicsInterval = 0.3;
// Seconds between two steps of a fade (each step glides, so the steps are not heard).
inline constexpr double kFadeStepSeconds = 0.1;
// The longest wait between two looks at the sleep timer: a clock that jumped (a suspend) is
// noticed this soon.
inline constexpr double kSleepCheckSeconds = 5;
// The device stays open this long after the sound stops, so that the levels glide to silence
// instead of cutting off with a click.
inline constexpr double kFadeOutSeconds = 0.06;

// The ambient soundscape: five synthesised channels mixed from the settings and the picture.
// Main thread only; the audio output only reads what is prepared here.
class SoundscapeManager final : public ThunderSoundSink {
public:
    SoundscapeManager(SettingsStore& settings, std::unique_ptr<AudioOutput> output,
                      std::unique_ptr<Scheduler> scheduler, std::uint64_t seed, float wetMix = kHallWetMix);
    ~SoundscapeManager() override;
    SoundscapeManager(const SoundscapeManager&) = delete;
    SoundscapeManager& operator=(const SoundscapeManager&) = delete;

    // The program's soundscape over the shared store and the default sound device.
    static SoundscapeManager& shared();

    // Once: follows the settings from now on and, the first time sound is wanted, synthesises
    // the sounds on a worker thread; the sound starts as soon as they are ready. Later calls
    // do nothing.
    void start();
    // The same with sounds that are already made: ready at once.
    void start(std::shared_ptr<const SoundBank> bank);

    // Starts or stops the sound for the current settings and sets the levels.
    void apply();
    // Sets the four levels that follow the settings.
    void applyLevels();
    // Schedules a clap that fits the flash, if thunder may sound.
    void lightningStruck(double brightness) override;

    // Whether another player is playing now; with `pauseForOtherAudio` on, the sound gives way
    // to it (fades out, and back in once no other player plays).
    void setOtherAudioPlaying(bool playing);
    // Restarts the running sleep timer so that it runs out in `seconds` (offline renders start
    // near its end); switches the timer on (one minute) when it is off.
    void runSleepTimerFor(double seconds);

    // For quitting: fades the sound away over `seconds` and closes the device once it is
    // silent; nothing brings it back afterwards.
    void fadeAway(double seconds);

    // Seconds until the sleep timer runs out (0 while fading), nothing while it is off.
    [[nodiscard]] std::optional<double> sleepTimerRemaining() const;
    // Given way to another player, or on the way there.
    [[nodiscard]] bool yieldingToOtherAudio() const { return m_yield.target() == 0; }
    // The factor the fades (sleep timer, other audio) put on every channel now.
    [[nodiscard]] float fadeGain() const;

    [[nodiscard]] bool isBuilt() const { return m_built; }
    [[nodiscard]] bool isReady() const { return m_bank != nullptr; }
    [[nodiscard]] bool isRunning() const { return m_running; }
    // Playing, or still gliding to silence after a stop.
    [[nodiscard]] bool isOutputOpen() const { return m_outputOpen; }
    [[nodiscard]] bool dynamicsTimerActive() const { return m_scheduler->isRepeating(); }
    [[nodiscard]] float level(Channel channel) const { return m_graph.gain(channel); }
    [[nodiscard]] const SoundBank* bank() const { return m_bank.get(); }

private:
    void subscribe();
    void synthesizeWhenWanted();
    void bankReady(std::shared_ptr<const SoundBank> bank);
    void applySoon();
    void startEngine();
    void stopEngine();
    void closeOutput();
    void updateDynamicsTimer();
    void dynamicsTick();
    [[nodiscard]] bool outputLost() const;
    [[nodiscard]] bool wanted() const;
    void sleepTimerSet(double minutes);
    void startSleepCountdown(double seconds);
    void checkSleepTimer(std::uint64_t generation);
    void sleepTimerFinished();
    void updateYield();
    void scheduleFadeStep();
    void fadeStep();

    SettingsStore& m_settings;
    std::shared_ptr<const SoundBank> m_bank;
    SoundGraph m_graph;
    // Declared after what it reads, so it is stopped first.
    std::unique_ptr<AudioOutput> m_output;
    std::unique_ptr<Scheduler> m_scheduler;
    std::uint64_t m_seed;
    std::mt19937_64 m_random;
    std::thread m_synthesis;
    Subscription m_settingsChanges;
    Subscription m_sleepTimerSetting;
    Subscription m_yieldSetting;
    SleepTimer m_sleep;
    std::uint64_t m_sleepGeneration = 0;
    GainRamp m_yield;
    GainRamp m_away; // to 0 once the program quits
    bool m_otherAudioPlaying = false;
    bool m_pauseForOtherAudio = false;
    bool m_fadeStepPending = false;
    bool m_built = false;
    bool m_synthesisStarted = false;
    bool m_running = false;
    bool m_outputOpen = false;
    std::uint64_t m_stopCount = 0;
    bool m_applyPending = false;
};

} // namespace tavik
