#include "sound/SoundLevels.h"

#include "settings/SettingsStore.h"
#include "core/Dynamics.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

// Each drifting level has its own wave; rain and wind share theirs with the picture.
constexpr double kRainSeed = 31, kRainSpeed = 0.85;
constexpr double kWindSeed = 0, kWindSpeed = 1;
constexpr double kBirdSeed = 50, kBirdSpeed = 1.3;
constexpr double kSeaSeed = 73, kSeaSpeed = 0.45;
constexpr double kFullRainDrops = 70;

// NaN and out-of-range settings must not turn into a deafening or inverted channel.
double unit(double x)
{
    return std::isnan(x) ? 0.0 : std::clamp(x, 0.0, 1.0);
}

float level(double x)
{
    return static_cast<float>(unit(x));
}

bool storm(const SettingsStore& s)
{
    return s.thunderEnabled() && s.rainEnabled();
}

float rainLevel(const SettingsStore& s, double v, double now)
{
    if (!s.rainSoundEnabled() || !s.rainEnabled())
        return 0;
    const double amount = s.rainDynamic() ? Dynamics::waveAt(now, kRainSeed, kRainSpeed) : unit(s.dropsPerSecond() / kFullRainDrops);
    const double stormBoost = storm(s) ? 0.22 : 0.0;
    return level((stormBoost + 0.18 + 0.42 * amount) * v);
}

float windLevel(const SettingsStore& s, double v, double now)
{
    const double speed = s.windDynamic() ? 77 * Dynamics::waveAt(now, kWindSeed, kWindSpeed) + 18 : s.windStrength();
    if (!s.windSoundEnabled() || !s.windEnabled() || !(speed > kWindSoundThreshold))
        return 0;
    double k = (speed - kWindSoundThreshold) / 70;
    if (storm(s))
        k = std::max(k, 0.3) + 0.15;
    return level(k * v);
}

} // namespace

bool soundAllowed(const SettingsStore& s)
{
    return s.enabled() && s.soundEnabled() && !s.screenLocked() && !s.allDisplaysPaused() && !s.lowPowerMode();
}

float masterVolume(const SettingsStore& s)
{
    return level(s.soundVolume() / 100);
}

bool birdsSing(const SettingsStore& s)
{
    return s.sunRaysEnabled() && !s.rainEnabled() && !s.thunderEnabled();
}

ChannelLevels soundLevels(const SettingsStore& s, double now)
{
    const double v = masterVolume(s);
    ChannelLevels levels;
    levels.rain = rainLevel(s, v, now);
    levels.wind = windLevel(s, v, now);
    if (s.birdsongSoundEnabled() && birdsSing(s))
        levels.birdsong = level((0.12 + 0.32 * Dynamics::waveAt(now, kBirdSeed, kBirdSpeed)) * v);
    if (s.seaSoundEnabled())
        levels.sea = level((0.22 + 0.4 * Dynamics::waveAt(now, kSeaSeed, kSeaSpeed)) * v);
    return levels;
}

bool levelsDrift(const SettingsStore& s)
{
    return (s.rainDynamic() && s.rainSoundEnabled() && s.rainEnabled())
        || (s.windDynamic() && s.windSoundEnabled() && s.windEnabled())
        || s.seaSoundEnabled()
        || (s.birdsongSoundEnabled() && birdsSing(s));
}

ThunderClap planThunderClap(double brightness, float volume, int clapCount, std::mt19937_64& random)
{
    constexpr double kJitter = 12;
    constexpr double kMaxExtraDelay = 0.25;
    // The flash brightness comes from settings: keep it on its 0 to 100 scale.
    const double b = std::isnan(brightness) ? 0.0 : std::clamp(brightness, 0.0, 100.0);

    ThunderClap clap;
    const double j = b + std::uniform_real_distribution<double>(-kJitter, kJitter)(random);
    clap.index = j < 33 ? 2 : (j < 66 ? 1 : 0);
    clap.index = std::max(0, std::min(clap.index, clapCount - 1));
    const float bf = static_cast<float>(b);
    clap.gain = volume * (0.45f + 0.55f * bf / 100.0f);
    clap.delaySeconds = (1 - b / 100) * 1.5 + 0.2 + std::uniform_real_distribution<double>(0, kMaxExtraDelay)(random);
    return clap;
}

} // namespace tavik
