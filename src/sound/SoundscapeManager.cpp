#include "sound/SoundscapeManager.h"

#include "settings/SettingsStore.h"
#include "sound/SdlAudioOutput.h"
#include "sound/SoundLevels.h"
#include "sound/SoundLog.h"

#include <QDateTime>

#include <algorithm>
#include <new>

namespace tavik {

SoundscapeManager::SoundscapeManager(SettingsStore& settings, std::unique_ptr<AudioOutput> output,
                                     std::unique_ptr<Scheduler> scheduler, std::uint64_t seed, float wetMix)
    : m_settings(settings), m_graph(wetMix), m_output(std::move(output)), m_scheduler(std::move(scheduler)), m_seed(seed),
      m_random(seed)
{
}

SoundscapeManager::~SoundscapeManager()
{
    m_settingsChanges.cancel();
    m_sleepTimerSetting.cancel();
    m_yieldSetting.cancel();
    if (m_synthesis.joinable())
        m_synthesis.join();
    stopEngine();
    closeOutput();
}

SoundscapeManager& SoundscapeManager::shared()
{
    static SoundscapeManager manager(SettingsStore::shared(), std::make_unique<SdlAudioOutput>(),
                                     std::make_unique<QtScheduler>(), std::random_device{}());
    return manager;
}

void SoundscapeManager::start()
{
    if (m_built)
        return;
    m_built = true;
    subscribe();
    synthesizeWhenWanted();
}

// The sounds take about 22 MB and a tenth of a second of work. Most people never switch sound
// on (it is off by default), so they are made the first time sound is wanted, not at launch.
void SoundscapeManager::synthesizeWhenWanted()
{
    if (m_synthesisStarted || m_bank || !soundAllowed(m_settings))
        return;
    m_synthesisStarted = true;
    // Kept off the main thread so the picture is not held up.
    m_synthesis = std::thread([this, seed = m_seed] {
        std::shared_ptr<const SoundBank> bank;
        try {
            bank = std::make_shared<const SoundBank>(synthesizeSoundBank(seed));
        } catch (const std::bad_alloc&) {
            // No memory for the sounds: the soundscape stays silent.
            return;
        }
        m_scheduler->postFromAnyThread([this, bank] { bankReady(bank); });
    });
}

void SoundscapeManager::start(std::shared_ptr<const SoundBank> bank)
{
    if (m_built)
        return;
    m_built = true;
    m_synthesisStarted = true;
    subscribe();
    bankReady(std::move(bank));
}

void SoundscapeManager::subscribe()
{
    m_settingsChanges = m_settings.onWillChange([this](Setting) { applySoon(); });
    m_sleepTimerSetting = m_settings.observe<double>(Setting::sleepTimer, [this](double minutes) { sleepTimerSet(minutes); });
    m_yieldSetting = m_settings.observe<bool>(Setting::pauseForOtherAudio, [this](bool on) {
        m_pauseForOtherAudio = on;
        updateYield();
    });
}

void SoundscapeManager::bankReady(std::shared_ptr<const SoundBank> bank)
{
    if (m_synthesis.joinable())
        m_synthesis.join();
    m_bank = std::move(bank);
    qCDebug(lcSound) << "sounds ready," << (m_bank ? m_bank->byteSize() : 0) << "bytes";
    apply();
}

// The store announces a change before it stores the value: read the settings once it has.
// One pending apply covers every change made before it runs.
void SoundscapeManager::applySoon()
{
    if (m_applyPending)
        return;
    m_applyPending = true;
    m_scheduler->post([this] {
        m_applyPending = false;
        apply();
    });
}

void SoundscapeManager::apply()
{
    if (outputLost())
        stopEngine();
    synthesizeWhenWanted();
    if (wanted() && m_bank) {
        startEngine();
        applyLevels();
    } else {
        for (Channel channel : kChannels)
            m_graph.setGain(channel, 0);
        stopEngine();
    }
    updateDynamicsTimer();
}

void SoundscapeManager::applyLevels()
{
    const ChannelLevels levels = soundLevels(m_settings, m_scheduler->now());
    const float fade = fadeGain();
    m_graph.setGain(Channel::Rain, levels.rain * fade);
    m_graph.setGain(Channel::Wind, levels.wind * fade);
    m_graph.setGain(Channel::Birdsong, levels.birdsong * fade);
    m_graph.setGain(Channel::Sea, levels.sea * fade);
}

bool SoundscapeManager::wanted() const
{
    const double now = m_scheduler->now();
    const bool givenWay = m_yield.target() == 0 && !m_yield.moving(now);
    // Once the program quits, sound that plays only finishes its fade, and none starts.
    const bool goingAway = m_away.target() == 0 && (!m_running || !m_away.moving(now));
    return soundAllowed(m_settings) && !givenWay && !goingAway;
}

float SoundscapeManager::fadeGain() const
{
    const double now = m_scheduler->now();
    return m_sleep.gain(now) * m_yield.value(now) * m_away.value(now);
}

// --- the sleep timer ---

void SoundscapeManager::sleepTimerSet(double minutes)
{
    const double clamped = settingInfo(Setting::sleepTimer).clamped(minutes);
    if (clamped > 0) {
        startSleepCountdown(clamped * 60);
        return;
    }
    m_sleep.stop();
    ++m_sleepGeneration;
    if (m_settings.sleepTimerEndsAt() != 0)
        m_settings.setSleepTimerEndsAt(0);
    if (m_running)
        applyLevels(); // switched off during the fade: the sound comes back
}

void SoundscapeManager::startSleepCountdown(double seconds)
{
    m_sleep.start(seconds, m_scheduler->now());
    const std::uint64_t generation = ++m_sleepGeneration;
    // For the panel's countdown only, so on the wall clock it reads; the timer itself runs on
    // the scheduler's clock.
    m_settings.setSleepTimerEndsAt(static_cast<double>(QDateTime::currentMSecsSinceEpoch()) + seconds * 1000);
    if (m_running)
        applyLevels();
    m_scheduler->after(std::min(seconds, kSleepCheckSeconds), [this, generation] { checkSleepTimer(generation); });
}

void SoundscapeManager::checkSleepTimer(std::uint64_t generation)
{
    if (generation != m_sleepGeneration || !m_sleep.running())
        return;
    const double now = m_scheduler->now();
    if (m_sleep.finished(now)) {
        sleepTimerFinished();
        return;
    }
    const double remaining = m_sleep.remaining(now);
    if (remaining <= 0 && m_running)
        applyLevels();
    const double wait = remaining > 0 ? std::min(remaining, kSleepCheckSeconds) : kFadeStepSeconds;
    m_scheduler->after(wait, [this, generation] { checkSleepTimer(generation); });
}

// The timer has done its job: the sound is off as if switched off by hand, and the timer is
// back to off, so the next evening starts from the panel's choice and not a stale countdown.
void SoundscapeManager::sleepTimerFinished()
{
    m_sleep.stop();
    ++m_sleepGeneration;
    m_settings.setSoundEnabled(false);
    m_settings.setSleepTimer(0);
    apply();
}

void SoundscapeManager::runSleepTimerFor(double seconds)
{
    if (!(m_settings.sleepTimer() > 0))
        m_settings.setSleepTimer(1);
    startSleepCountdown(seconds);
}

std::optional<double> SoundscapeManager::sleepTimerRemaining() const
{
    if (!m_sleep.running())
        return std::nullopt;
    return m_sleep.remaining(m_scheduler->now());
}

// --- giving way to other players ---

void SoundscapeManager::setOtherAudioPlaying(bool playing)
{
    m_otherAudioPlaying = playing;
    updateYield();
}

void SoundscapeManager::updateYield()
{
    const float target = m_pauseForOtherAudio && m_otherAudioPlaying ? 0.0f : 1.0f;
    if (target == m_yield.target())
        return;
    if (!m_built) {
        m_yield = GainRamp(target);
        return;
    }
    m_yield.moveTo(target, m_scheduler->now(), kDuckFadeSeconds);
    if (target > 0)
        apply(); // the output may have closed while silent
    scheduleFadeStep();
}

void SoundscapeManager::fadeAway(double seconds)
{
    if (m_away.target() == 0)
        return;
    m_away.moveTo(0, m_scheduler->now(), seconds);
    scheduleFadeStep();
}

void SoundscapeManager::scheduleFadeStep()
{
    if (m_fadeStepPending)
        return;
    m_fadeStepPending = true;
    m_scheduler->after(kFadeStepSeconds, [this] { fadeStep(); });
}

void SoundscapeManager::fadeStep()
{
    m_fadeStepPending = false;
    if (m_running)
        applyLevels();
    const double now = m_scheduler->now();
    if (m_yield.moving(now) || m_away.moving(now))
        scheduleFadeStep();
    else if (m_yield.target() == 0 || m_away.target() == 0)
        apply(); // silent now: no need to keep the device busy
}

void SoundscapeManager::startEngine()
{
    if (m_running || !m_bank)
        return;
    closeOutput(); // still fading out from the last stop
    // Nothing renders now: the players start from the beginning of their loops.
    m_graph.reset();
    m_graph.setLoop(Channel::Rain, &m_bank->rain);
    m_graph.setLoop(Channel::Wind, &m_bank->wind);
    m_graph.setLoop(Channel::Birdsong, &m_bank->birdsong);
    m_graph.setLoop(Channel::Sea, &m_bank->sea);
    if (!m_output->start(m_graph)) {
        qCDebug(lcSound) << "sound output did not start; trying again at the next change";
        return;
    }
    m_outputOpen = true;
    m_running = true;
}

void SoundscapeManager::stopEngine()
{
    if (!m_running)
        return;
    m_running = false;
    for (Channel channel : kChannels)
        m_graph.setGain(channel, 0);
    const std::uint64_t stop = ++m_stopCount;
    m_scheduler->after(kFadeOutSeconds, [this, stop] {
        if (!m_running && m_stopCount == stop)
            closeOutput();
    });
}

void SoundscapeManager::closeOutput()
{
    if (!m_outputOpen)
        return;
    m_output->stop();
    m_outputOpen = false;
}

bool SoundscapeManager::outputLost() const
{
    return m_running && !m_output->isPlaying();
}

void SoundscapeManager::updateDynamicsTimer()
{
    const bool wanted = m_settings.soundEnabled() && m_running && levelsDrift(m_settings);
    if (!wanted)
        m_scheduler->stopRepeating();
    else if (!m_scheduler->isRepeating())
        m_scheduler->startRepeating(kDynamicsInterval, [this] { dynamicsTick(); });
}

void SoundscapeManager::dynamicsTick()
{
    if (outputLost()) {
        // The device went away: stay silent until the next settings change tries again.
        qCDebug(lcSound) << "sound device lost";
        stopEngine();
        updateDynamicsTimer();
        return;
    }
    applyLevels();
}

void SoundscapeManager::lightningStruck(double brightness)
{
    if (!m_running || !m_settings.soundEnabled() || !m_settings.thunderSoundEnabled()
        || !m_settings.thunderEnabled() || !m_bank)
        return;
    const int clapCount = static_cast<int>(m_bank->thunder.size());
    const ThunderClap clap = planThunderClap(brightness, masterVolume(m_settings) * fadeGain(), clapCount, m_random);
    m_graph.setGain(Channel::Thunder, clap.gain);
    m_scheduler->after(clap.delaySeconds, [this, index = clap.index] {
        // A clap whose delay ends after the sound stopped is dropped.
        if (m_running)
            m_graph.enqueueOneShot(Channel::Thunder, &m_bank->thunder[static_cast<std::size_t>(index)]);
    });
}

} // namespace tavik
