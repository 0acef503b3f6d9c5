#pragma once

#include "settings/Signal.h"
#include "sound/AudioOutput.h"
#include "sound/Scheduler.h"
#include "sound/SoundGraph.h"
#include "sound/Synthesis.h"
#include "sound/ThunderSoundSink.h"

#include <cstdint>
#include <memory>
#include <random>
#include <thread>

namespace tavik {

class SettingsStore;

// Seconds between two re-levellings while some level drifts by itself.
inline constexpr double kDynamicsInterval = 0.3;
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

    [[nodiscard]] bool isBuilt() const { return m_built; }
    [[nodiscard]] bool isReady() const { return m_bank != nullptr; }
    [[nodiscard]] bool isRunning() const { return m_running; }
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
    bool m_built = false;
    bool m_synthesisStarted = false;
    bool m_running = false;
    bool m_outputOpen = false;
    std::uint64_t m_stopCount = 0;
    bool m_applyPending = false;
};

} // namespace tavik
