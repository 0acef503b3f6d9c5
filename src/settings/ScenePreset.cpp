#include "settings/ScenePreset.h"

#include "settings/SettingsStore.h"

#include <algorithm>
#include <array>

namespace tavik {

namespace {

enum Effect : unsigned {
    Clouds = 1u << 0,
    Stars = 1u << 1,
    SunRays = 1u << 2,
    MoonRays = 1u << 3,
    Rain = 1u << 4,
    Thunder = 1u << 5,
    Snow = 1u << 6,
    Fog = 1u << 7,
    Dust = 1u << 8,
    Wind = 1u << 9,
    Leaves = 1u << 10,
    Fireflies = 1u << 11,
    Petals = 1u << 12,
    Aurora = 1u << 13,
};

struct Amounts {
    double cloudCount, dropsPerSecond, rainAngle, snowDensity, windStrength, windGustiness, leafCount, fireflyCount;
};

struct SkyLight {
    std::optional<double> sunIntensity, sunAngle, sunSpeed, moonIntensity;
};

ScenePreset row(const char* id, const char* label, const char* icon, unsigned effects, Amounts a,
                bool seaSound = false, SkyLight light = {})
{
    SceneValues v;
    v.cloudsEnabled = effects & Clouds;
    v.starsEnabled = effects & Stars;
    v.sunRaysEnabled = effects & SunRays;
    v.moonRaysEnabled = effects & MoonRays;
    v.rainEnabled = effects & Rain;
    v.thunderEnabled = effects & Thunder;
    v.snowEnabled = effects & Snow;
    v.fogEnabled = effects & Fog;
    v.dustEnabled = effects & Dust;
    v.windEnabled = effects & Wind;
    v.leavesEnabled = effects & Leaves;
    v.firefliesEnabled = effects & Fireflies;
    v.petalsEnabled = effects & Petals;
    v.auroraEnabled = effects & Aurora;
    v.cloudCount = a.cloudCount;
    v.dropsPerSecond = a.dropsPerSecond;
    v.rainAngle = a.rainAngle;
    v.snowDensity = a.snowDensity;
    v.windStrength = a.windStrength;
    v.windGustiness = a.windGustiness;
    v.leafCount = a.leafCount;
    v.fireflyCount = a.fireflyCount;
    v.sunIntensity = light.sunIntensity;
    v.sunAngle = light.sunAngle;
    v.sunSpeed = light.sunSpeed;
    v.moonIntensity = light.moonIntensity;
    return ScenePreset{QString::fromUtf8(id), QString::fromUtf8(label), QString::fromUtf8(icon), v, seaSound};
}

// Presets ignore rain angle and gustiness when recognising themselves.
constexpr std::array kPresetAmounts = {
    Setting::cloudCount, Setting::dropsPerSecond, Setting::snowDensity,
    Setting::windStrength, Setting::leafCount, Setting::fireflyCount,
};

const std::array<ScenePreset, 13>& presetTable()
{
    //                                               clouds drops angle snow wind gust leaves flies
    static const std::array<ScenePreset, 13> table = {
        row("sunny-day", "sunny day", "sun.max.fill", SunRays | Dust | Wind,
            {3, 18, -10, 30, 20, 25, 6, 4}, false, {54, -25, 18, {}}),
        row("golden-hour", "golden hour", "sun.haze.fill", SunRays | Dust | Wind | Leaves | Fireflies,
            {3, 18, -10, 30, 15, 20, 5, 4}, false, {60, -25, 18, {}}),
        row("autumn-breeze", "autumn breeze", "leaf.fill", SunRays | Dust | Wind | Leaves,
            {4, 14, -25, 30, 55, 60, 18, 4}),
        row("spring-bloom", "spring bloom", "camera.macro", SunRays | Dust | Wind | Petals,
            {3, 14, -12, 30, 28, 35, 6, 4}),
        row("foggy-morning", "foggy morning", "cloud.fog.fill", SunRays | Fog | Dust | Wind,
            {5, 14, -8, 30, 12, 15, 5, 4}),
        row("overcast", "overcast", "cloud.fill", Clouds | Wind | Leaves,
            {14, 14, -12, 30, 30, 30, 6, 4}, true),
        row("rainy-night", "rainy night", "cloud.rain.fill", Rain | Wind | Fireflies,
            {6, 22, -18, 30, 22, 30, 6, 6}),
        row("storm", "storm", "cloud.bolt.rain.fill", Clouds | Rain | Thunder | Wind | Leaves,
            {12, 70, -35, 30, 90, 85, 26, 4}),
        row("snowfall", "snowfall", "cloud.snow.fill", Snow | Fog | Wind,
            {8, 18, -8, 45, 18, 25, 4, 4}),
        row("moonlit-night", "moonlit night", "moon.fill", Stars | MoonRays | Wind | Fireflies,
            {2, 18, -10, 30, 12, 15, 4, 18}, false, {{}, {}, {}, 54}),
        row("starry-night", "starry night", "moon.stars.fill", Stars | Wind | Fireflies,
            {2, 18, -10, 30, 8, 10, 4, 4}),
        row("aurora", "northern lights", "moon.haze.fill", Stars | Wind | Fireflies | Aurora,
            {2, 18, -10, 30, 8, 10, 4, 4}),
        row("focus", "focus", "scope", Dust | Wind,
            {3, 18, -10, 30, 12, 15, 4, 4}),
    };
    return table;
}

} // namespace

std::span<const ScenePreset> ScenePreset::all()
{
    return presetTable();
}

const ScenePreset* ScenePreset::preset(QStringView id)
{
    const auto& table = presetTable();
    const auto it = std::find_if(table.begin(), table.end(), [id](const ScenePreset& p) { return p.id == id; });
    return it == table.end() ? nullptr : &*it;
}

void ScenePreset::apply(SettingsStore& settings) const
{
    settings.applyScene(scene, seaSoundEnabled, id);
}

bool ScenePreset::matches(const SettingsStore& settings) const
{
    return settings.showsScene(scene, kPresetAmounts);
}

} // namespace tavik
