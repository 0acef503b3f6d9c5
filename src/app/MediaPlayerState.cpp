#include "app/MediaPlayerState.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

QString capitalised(const QString& text)
{
    return text.isEmpty() ? text : text.left(1).toUpper() + text.mid(1);
}

// Where the store stands on the scene bar: the index of the first chip that shows it, or -1.
int activeStop(const SettingsStore& settings, const SavedSceneList& favorites)
{
    for (std::size_t i = 0; i < favorites.size(); ++i) {
        if (settings.isActiveScene(favorites[i]))
            return static_cast<int>(i);
    }
    const auto presets = ScenePreset::all();
    for (std::size_t i = 0; i < presets.size(); ++i) {
        if (presets[i].matches(settings))
            return static_cast<int>(favorites.size() + i);
    }
    return -1;
}

const SavedScene* activeSavedScene(const SettingsStore& settings)
{
    for (const SavedScene& scene : settings.savedScenes()) {
        if (settings.isActiveScene(scene))
            return &scene;
    }
    return nullptr;
}

} // namespace

QString sceneTitle(const SettingsStore& settings)
{
    const SavedSceneList favorites = settings.favoriteScenes();
    const int stop = activeStop(settings, favorites);
    if (stop >= 0 && stop < static_cast<int>(favorites.size()))
        return favorites[static_cast<std::size_t>(stop)].name;
    if (stop >= 0)
        return capitalised(ScenePreset::all()[static_cast<std::size_t>(stop) - favorites.size()].label);
    if (const SavedScene* scene = activeSavedScene(settings))
        return scene->name;
    return QStringLiteral("Custom scene");
}

QString sceneId(const SettingsStore& settings)
{
    const SavedSceneList favorites = settings.favoriteScenes();
    const int stop = activeStop(settings, favorites);
    if (stop >= 0 && stop < static_cast<int>(favorites.size()))
        return favorites[static_cast<std::size_t>(stop)].id;
    if (stop >= 0)
        return ScenePreset::all()[static_cast<std::size_t>(stop) - favorites.size()].id;
    if (const SavedScene* scene = activeSavedScene(settings))
        return scene->id;
    return {};
}

void stepScene(SettingsStore& settings, int direction)
{
    // A copy: applying a scene writes the store, which may hand out a new list.
    const SavedSceneList favorites = settings.favoriteScenes();
    const auto presets = ScenePreset::all();
    const int count = static_cast<int>(favorites.size() + presets.size());
    if (count == 0)
        return;
    const int from = activeStop(settings, favorites);
    int to = 0;
    if (from < 0)
        to = direction > 0 ? 0 : count - 1;
    else
        to = ((from + (direction > 0 ? 1 : -1)) % count + count) % count;
    if (to < static_cast<int>(favorites.size()))
        settings.apply(favorites[static_cast<std::size_t>(to)].scene);
    else
        presets[static_cast<std::size_t>(to) - favorites.size()].apply(settings);
}

Silence silenceOf(const SettingsStore& settings, bool yieldingToOtherAudio)
{
    if (!settings.soundEnabled())
        return Silence::soundOff;
    if (!settings.enabled())
        return Silence::masterOff;
    if (settings.screenLocked())
        return Silence::screenLocked;
    if (settings.allDisplaysPaused())
        return Silence::fullscreen;
    if (settings.lowPowerMode())
        return Silence::powerSaving;
    if (yieldingToOtherAudio)
        return Silence::otherAudio;
    return Silence::none;
}

QString silenceText(Silence silence)
{
    switch (silence) {
    case Silence::none: return {};
    case Silence::soundOff: return QStringLiteral("Sound is switched off");
    case Silence::masterOff: return QStringLiteral("Paused while Tavik is switched off");
    case Silence::screenLocked: return QStringLiteral("Paused while the screen is locked");
    case Silence::fullscreen: return QStringLiteral("Paused while a fullscreen app or game is in front");
    case Silence::powerSaving: return QStringLiteral("Paused while power savings mode is on");
    case Silence::otherAudio: return QStringLiteral("Paused while other audio plays");
    }
    return {};
}

QString playbackStatus(Silence silence)
{
    return silence == Silence::none ? QStringLiteral("Playing") : QStringLiteral("Paused");
}

double mediaVolume(const SettingsStore& settings)
{
    const double percent = settingInfo(Setting::soundVolume).clamped(settings.soundVolume());
    return percent / 100;
}

void setMediaVolume(SettingsStore& settings, double volume)
{
    if (std::isnan(volume))
        return;
    // Whole percents, as the panel's slider sets them: 0.3 is stored as 30, not 30.000000000000004.
    const double percent = std::round(std::clamp(volume, 0.0, 1.0) * 100);
    if (percent != settings.soundVolume())
        settings.setSoundVolume(percent);
}

} // namespace tavik
