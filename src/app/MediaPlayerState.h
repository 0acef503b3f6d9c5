#pragma once

#include <QString>

namespace tavik {

class SettingsStore;

// What the desktop's media controls see of the soundscape, worked out from the settings alone,
// so it can be tested without a bus.

// The scene on screen: a favourite's name, else a built-in scene's label as the scene bar shows
// it, else another saved scene's name, else "Custom scene".
[[nodiscard]] QString sceneTitle(const SettingsStore& settings);
// The built-in scene or saved scene's id on screen, empty for a custom scene.
[[nodiscard]] QString sceneId(const SettingsStore& settings);

// Applies the next (+1) or previous (-1) scene of the scene bar (favourites, then the built-in
// scenes), wrapping round at either end. From a scene that is not on the bar, the next one is
// the first and the previous one the last.
void stepScene(SettingsStore& settings, int direction);

// Why the soundscape is not heard, most fundamental first.
enum class Silence { none, soundOff, masterOff, screenLocked, fullscreen, powerSaving, otherAudio };

[[nodiscard]] Silence silenceOf(const SettingsStore& settings, bool yieldingToOtherAudio);
// "Paused while the screen is locked" and the like; empty for Silence::none.
[[nodiscard]] QString silenceText(Silence silence);
// The MPRIS word for it: "Playing" or "Paused".
[[nodiscard]] QString playbackStatus(Silence silence);

// MPRIS volume (0 to 1) and the stored percentage, each clamped; NaN reads as nothing to do.
[[nodiscard]] double mediaVolume(const SettingsStore& settings);
void setMediaVolume(SettingsStore& settings, double volume);

} // namespace tavik
