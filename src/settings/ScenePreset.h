#pragma once

#include "settings/SceneSnapshot.h"

#include <QString>

#include <span>

namespace tavik {

class SettingsStore;

// One of the built-in scenes of the scene strip.
struct ScenePreset {
    QString id;
    QString label;
    QString icon; // a symbol name of the icon set
    SceneValues scene;
    bool seaSoundEnabled = false;

    // The presets in strip order.
    [[nodiscard]] static std::span<const ScenePreset> all();
    [[nodiscard]] static const ScenePreset* preset(QStringView id);

    // Writes the scene into the store through its ordinary setters; sceneName becomes the id.
    void apply(SettingsStore& settings) const;
    // Whether the store shows this preset: the same switches, and counts within half a unit.
    [[nodiscard]] bool matches(const SettingsStore& settings) const;
};

} // namespace tavik
