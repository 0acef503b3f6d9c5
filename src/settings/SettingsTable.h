#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tavik {

// Every setting of the program, once: value type, group, property name, capitalised name (for
// the setter), key in the settings file ("" = kept in memory only), default, and for numbers
// the range of values the program accepts (0, 0 for the other types). The store,
// its reset, the command line and the panel bindings are all generated from this list, in
// this order.
#define TAVIK_SETTINGS(X) \
    X(Bool, app, enabled, Enabled, "app.enabled", true, 0, 0) \
    X(Bool, app, floatsAboveWindows, FloatsAboveWindows, "app.floatsAboveWindows", true, 0, 0) \
    X(Bool, app, hoverDockEffect, HoverDockEffect, "app.hoverDockEffect", true, 0, 0) \
    X(Double, app, maxFPS, MaxFPS, "app.maxFPS", 60, 1, 240) \
    X(Bool, app, lowPowerMode, LowPowerMode, "app.lowPowerMode", false, 0, 0) \
    X(Bool, app, dockSettleEnabled, DockSettleEnabled, "scene.dockSettle", true, 0, 0) \
    X(Bool, app, screenLocked, ScreenLocked, "", false, 0, 0) \
    X(Bool, app, allDisplaysPaused, AllDisplaysPaused, "", false, 0, 0) \
    X(Bool, app, autoPowerSavingEnabled, AutoPowerSavingEnabled, "app.autoPowerSaving", false, 0, 0) \
    X(Double, app, autoPowerSavingThreshold, AutoPowerSavingThreshold, "app.autoPowerBattery", 20, 5, 50) \
    X(Bool, app, pauseWhenFullscreen, PauseWhenFullscreen, "app.pauseWhenFullscreen", true, 0, 0) \
    X(Bool, snow, snowflakesEnabled, SnowflakesEnabled, "snow.snowflakes", false, 0, 0) \
    X(Bool, clouds, cloudFloatBehind, CloudFloatBehind, "clouds.floatBehind", false, 0, 0) \
    X(String, app, sceneName, SceneName, "app.scene", "", 0, 0) \
    X(SavedScenes, app, savedScenes, SavedScenes, "app.savedScenes", nullptr, 0, 0) \
    X(Monitors, app, monitorEnabled, MonitorEnabled, "app.monitors", nullptr, 0, 0) \
    X(Bool, rain, rainEnabled, RainEnabled, "rain.enabled", true, 0, 0) \
    X(Bool, rain, realtimeDockSplash, RealtimeDockSplash, "rain.realtimeDockSplash", true, 0, 0) \
    X(Bool, rain, bottomScreenSplash, BottomScreenSplash, "rain.bottomScreenSplash", true, 0, 0) \
    X(Bool, rain, ignoreDockScreen, IgnoreDockScreen, "rain.ignoreDockScreen", true, 0, 0) \
    X(Bool, rain, rainDynamic, RainDynamic, "rain.dynamic", false, 0, 0) \
    X(Double, rain, dropsPerSecond, DropsPerSecond, "rain.dropsPerSecond", 10, 1, 120) \
    X(Double, rain, dropSpeed, DropSpeed, "rain.dropSpeed", 15, 1, 60) \
    X(Double, rain, dropWidth, DropWidth, "rain.dropWidth", 0, 0, 100) \
    X(Double, rain, dropHeight, DropHeight, "rain.dropHeight", 50, 0, 100) \
    X(String, rain, dropColorHex, DropColorHex, "rain.dropColor", "#5FD8F5", 0, 0) \
    X(Double, rain, dropOpacity, DropOpacity, "rain.dropOpacity", 0.22, 0, 1) \
    X(Double, rain, rainAngle, RainAngle, "rain.angle", -20, -45, 45) \
    X(Bool, clouds, cloudsEnabled, CloudsEnabled, "clouds.enabled", false, 0, 0) \
    X(Double, clouds, cloudCount, CloudCount, "clouds.count", 5, 0, 20) \
    X(Double, clouds, cloudOpacity, CloudOpacity, "clouds.opacity", 0.6, 0, 1) \
    X(Double, clouds, cloudSpeed, CloudSpeed, "clouds.speed", 18, 0, 100) \
    X(String, clouds, cloudColorHex, CloudColorHex, "clouds.color", "#DCE6F2", 0, 0) \
    X(Bool, thunder, thunderEnabled, ThunderEnabled, "thunder.enabled", false, 0, 0) \
    X(Bool, thunder, thunderDynamic, ThunderDynamic, "thunder.dynamic", false, 0, 0) \
    X(Double, thunder, thunderFrequency, ThunderFrequency, "thunder.frequency", 18, 0, 100) \
    X(Double, thunder, thunderBrightness, ThunderBrightness, "thunder.brightness", 22, 0, 100) \
    X(String, thunder, thunderColorHex, ThunderColorHex, "thunder.color", "#D8E2FF", 0, 0) \
    X(Bool, snow, snowEnabled, SnowEnabled, "snow.enabled", false, 0, 0) \
    X(Bool, snow, snowDynamic, SnowDynamic, "snow.dynamic", false, 0, 0) \
    X(Double, snow, snowDensity, SnowDensity, "snow.density", 22, 0, 100) \
    X(Double, snow, snowFallSpeed, SnowFallSpeed, "snow.fallSpeed", 12, 1, 60) \
    X(Double, snow, snowOpacity, SnowOpacity, "snow.opacity", 0.72, 0, 1) \
    X(String, snow, snowColorHex, SnowColorHex, "snow.color", "#FFFFFF", 0, 0) \
    X(Bool, sun, sunRaysEnabled, SunRaysEnabled, "sun.enabled", false, 0, 0) \
    X(Double, sun, sunIntensity, SunIntensity, "sun.intensity", 28, 0, 100) \
    X(Double, sun, sunAngle, SunAngle, "sun.angle", -25, -45, 45) \
    X(Double, sun, sunSpeed, SunSpeed, "sun.speed", 18, 0, 100) \
    X(String, sun, sunColorHex, SunColorHex, "sun.color", "#FFE6A8", 0, 0) \
    X(Bool, moon, moonRaysEnabled, MoonRaysEnabled, "moon.enabled", false, 0, 0) \
    X(Double, moon, moonIntensity, MoonIntensity, "moon.intensity", 25, 0, 100) \
    X(Double, moon, moonAngle, MoonAngle, "moon.angle", 20, -45, 45) \
    X(Double, moon, moonSpeed, MoonSpeed, "moon.speed", 18, 0, 100) \
    X(String, moon, moonColorHex, MoonColorHex, "moon.color", "#C9D8FF", 0, 0) \
    X(Bool, stars, starsEnabled, StarsEnabled, "stars.enabled", false, 0, 0) \
    X(Double, stars, starDensity, StarDensity, "stars.density", 50, 0, 100) \
    X(Double, stars, shootingStarFrequency, ShootingStarFrequency, "stars.shooting", 18, 0, 100) \
    X(String, stars, starColorHex, StarColorHex, "stars.color", "#EAF2FF", 0, 0) \
    X(Bool, fog, fogEnabled, FogEnabled, "fog.enabled", false, 0, 0) \
    X(Double, fog, fogDensity, FogDensity, "fog.density", 30, 0, 100) \
    X(Double, fog, fogOpacity, FogOpacity, "fog.opacity", 0.18, 0, 1) \
    X(String, fog, fogColorHex, FogColorHex, "fog.color", "#C8D2DC", 0, 0) \
    X(Bool, dust, dustEnabled, DustEnabled, "dust.enabled", false, 0, 0) \
    X(Double, dust, dustDensity, DustDensity, "dust.density", 28, 0, 100) \
    X(String, dust, dustColorHex, DustColorHex, "dust.color", "#FFF1D0", 0, 0) \
    X(Bool, aurora, auroraEnabled, AuroraEnabled, "aurora.enabled", false, 0, 0) \
    X(Double, aurora, auroraIntensity, AuroraIntensity, "aurora.intensity", 50, 0, 100) \
    X(Double, aurora, auroraSpeed, AuroraSpeed, "aurora.speed", 30, 0, 100) \
    X(String, aurora, auroraColorHex, AuroraColorHex, "aurora.color", "#5BF0C0", 0, 0) \
    X(Bool, weather, liveWeatherEnabled, LiveWeatherEnabled, "weather.live", false, 0, 0) \
    X(Bool, weather, liveWeatherDetailed, LiveWeatherDetailed, "weather.detailed", false, 0, 0) \
    X(Bool, wind, windEnabled, WindEnabled, "wind.enabled", true, 0, 0) \
    X(Bool, wind, windDynamic, WindDynamic, "wind.dynamic", false, 0, 0) \
    X(Double, wind, windStrength, WindStrength, "wind.strength", 25, 0, 100) \
    X(Double, wind, windGustiness, WindGustiness, "wind.gustiness", 28, 0, 100) \
    X(Double, wind, windDirection, WindDirection, "wind.direction", -15, -45, 45) \
    X(Bool, leaves, leavesEnabled, LeavesEnabled, "leaves.enabled", true, 0, 0) \
    X(Double, leaves, leafCount, LeafCount, "leaves.count", 6, 0, 40) \
    X(Double, leaves, leafFallSpeed, LeafFallSpeed, "leaves.fallSpeed", 30, 1, 100) \
    X(Double, leaves, leafTumble, LeafTumble, "leaves.tumble", 38, 0, 100) \
    X(String, leaves, leafColorHex, LeafColorHex, "leaves.color", "#D98A3D", 0, 0) \
    X(Bool, petals, petalsEnabled, PetalsEnabled, "petals.enabled", false, 0, 0) \
    X(Double, petals, petalCount, PetalCount, "petals.count", 10, 0, 40) \
    X(Double, petals, petalFallSpeed, PetalFallSpeed, "petals.fallSpeed", 22, 1, 100) \
    X(Double, petals, petalTumble, PetalTumble, "petals.tumble", 42, 0, 100) \
    X(String, petals, petalColorHex, PetalColorHex, "petals.color", "#F7B7CE", 0, 0) \
    X(Bool, sound, soundEnabled, SoundEnabled, "sound.enabled", false, 0, 0) \
    X(Double, sound, soundVolume, SoundVolume, "sound.volume", 50, 0, 100) \
    X(Bool, sound, rainSoundEnabled, RainSoundEnabled, "sound.rain", true, 0, 0) \
    X(Bool, sound, windSoundEnabled, WindSoundEnabled, "sound.wind", true, 0, 0) \
    X(Bool, sound, thunderSoundEnabled, ThunderSoundEnabled, "sound.thunder", true, 0, 0) \
    X(Bool, sound, birdsongSoundEnabled, BirdsongSoundEnabled, "sound.birdsong", true, 0, 0) \
    X(Bool, sound, seaSoundEnabled, SeaSoundEnabled, "sound.sea", false, 0, 0) \
    X(Double, sound, sleepTimer, SleepTimer, "sound.sleepTimer", 0, 0, 90) \
    X(Double, sound, sleepTimerEndsAt, SleepTimerEndsAt, "", 0, 0, 1e15) \
    X(Bool, sound, pauseForOtherAudio, PauseForOtherAudio, "sound.pauseForOtherAudio", false, 0, 0) \
    X(Bool, fireflies, firefliesEnabled, FirefliesEnabled, "fireflies.enabled", true, 0, 0) \
    X(Double, fireflies, fireflyCount, FireflyCount, "fireflies.count", 4, 0, 30) \
    X(Double, fireflies, fireflySize, FireflySize, "fireflies.size", 16, 0, 100) \
    X(String, fireflies, glowColorHex, GlowColorHex, "fireflies.glowColor", "#C8F560", 0, 0) \
    X(Double, fireflies, flightHeight, FlightHeight, "fireflies.flightHeight", 0.47, 0, 1) \
    X(Double, fireflies, flightSpeed, FlightSpeed, "fireflies.flightSpeed", 45, 0, 100)

enum class SettingType : std::uint8_t { Bool, Double, String, SavedScenes, Monitors };

enum class Setting : std::uint8_t {
#define TAVIK_SETTING_ENUM(type, group, name, ...) name,
    TAVIK_SETTINGS(TAVIK_SETTING_ENUM)
#undef TAVIK_SETTING_ENUM
};

inline constexpr std::size_t kSettingCount = 0
#define TAVIK_SETTING_COUNT(...) +1
    TAVIK_SETTINGS(TAVIK_SETTING_COUNT)
#undef TAVIK_SETTING_COUNT
    ;

struct SettingInfo {
    Setting id;
    SettingType type;
    std::string_view group;
    std::string_view property;
    std::string_view key; // empty: never persisted
    bool boolDefault;
    double doubleDefault;
    std::string_view stringDefault;
    double minimum; // numbers only: the accepted range, both ends included
    double maximum;

    [[nodiscard]] constexpr bool persisted() const { return !key.empty(); }
    [[nodiscard]] constexpr bool inRange(double v) const { return v >= minimum && v <= maximum; }
    // The nearest accepted number; a NaN reads as the default.
    [[nodiscard]] constexpr double clamped(double v) const
    {
        if (v != v)
            return doubleDefault;
        return v < minimum ? minimum : (v > maximum ? maximum : v);
    }
};

[[nodiscard]] const std::array<SettingInfo, kSettingCount>& settingsTable();
[[nodiscard]] const SettingInfo& settingInfo(Setting id);
// The setting stored under a key, or nullptr.
[[nodiscard]] const SettingInfo* findSettingByKey(std::string_view key);
[[nodiscard]] constexpr std::size_t indexOf(Setting id) { return static_cast<std::size_t>(id); }

// The colour settings: a colour view over the hex string that is actually stored.
#define TAVIK_COLOURS(C) \
    C(dropColor, DropColor, dropColorHex) \
    C(cloudColor, CloudColor, cloudColorHex) \
    C(thunderColor, ThunderColor, thunderColorHex) \
    C(snowColor, SnowColor, snowColorHex) \
    C(sunColor, SunColor, sunColorHex) \
    C(moonColor, MoonColor, moonColorHex) \
    C(starColor, StarColor, starColorHex) \
    C(fogColor, FogColor, fogColorHex) \
    C(dustColor, DustColor, dustColorHex) \
    C(auroraColor, AuroraColor, auroraColorHex) \
    C(leafColor, LeafColor, leafColorHex) \
    C(petalColor, PetalColor, petalColorHex) \
    C(glowColor, GlowColor, glowColorHex)

} // namespace tavik

namespace tavik {

// Whether a setting holds a colour as "#RRGGBB".
[[nodiscard]] constexpr bool isColourSetting(Setting id)
{
#define TAVIK_COLOUR_CASE(name, Name, hex) id == Setting::hex ||
    return TAVIK_COLOURS(TAVIK_COLOUR_CASE) false;
#undef TAVIK_COLOUR_CASE
}

} // namespace tavik
