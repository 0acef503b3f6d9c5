#pragma once

#include <random>

namespace tavik {

class SettingsStore;

// Below this wind speed the wind makes no sound.
inline constexpr double kWindSoundThreshold = 30;

// The levels of the four channels that follow the settings; thunder is levelled per clap.
struct ChannelLevels {
    float rain = 0;
    float wind = 0;
    float birdsong = 0;
    float sea = 0;
};

// Whether sound may play at all: master switch, sound switch, unlocked, no power saving.
[[nodiscard]] bool soundAllowed(const SettingsStore& settings);
// The master volume as a factor in [0, 1]; a value outside the slider's range is pulled in.
[[nodiscard]] float masterVolume(const SettingsStore& settings);
// The mix that the picture asks for, read afresh from the settings and the dynamic waves.
// `now` is the shared clock, which the drifting levels follow.
[[nodiscard]] ChannelLevels soundLevels(const SettingsStore& settings, double now);
// Whether some level drifts by itself, so the mix must be re-levelled from time to time.
[[nodiscard]] bool levelsDrift(const SettingsStore& settings);
// Birds sing only under a sunny, dry sky.
[[nodiscard]] bool birdsSing(const SettingsStore& settings);

struct ThunderClap {
    int index = 2; // 0 near, 1 middle, 2 far
    float gain = 0;
    double delaySeconds = 0;
};

// The clap a flash of the given brightness (0 to 100) calls for: bright flashes are near,
// louder and heard sooner.
[[nodiscard]] ThunderClap planThunderClap(double brightness, float volume, int clapCount, std::mt19937_64& random);

} // namespace tavik
