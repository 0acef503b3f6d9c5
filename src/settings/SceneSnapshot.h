#pragma once

#include "settings/SettingsTable.h"

#include <QJsonObject>
#include <QString>

#include <array>
#include <optional>
#include <vector>

namespace tavik {

// What decides the look of the sky: the effect switches and their main amounts, in the order
// in which they are applied to the store.
#define TAVIK_SCENE_FIELDS(FLAG, AMOUNT) \
    FLAG(cloudsEnabled) \
    AMOUNT(cloudCount) \
    FLAG(starsEnabled) \
    FLAG(sunRaysEnabled) \
    FLAG(moonRaysEnabled) \
    FLAG(rainEnabled) \
    AMOUNT(dropsPerSecond) \
    AMOUNT(rainAngle) \
    FLAG(thunderEnabled) \
    FLAG(snowEnabled) \
    AMOUNT(snowDensity) \
    FLAG(fogEnabled) \
    FLAG(dustEnabled) \
    FLAG(windEnabled) \
    AMOUNT(windStrength) \
    AMOUNT(windGustiness) \
    FLAG(leavesEnabled) \
    AMOUNT(leafCount) \
    FLAG(firefliesEnabled) \
    AMOUNT(fireflyCount) \
    FLAG(petalsEnabled) \
    FLAG(auroraEnabled)

// Sun and moon values a scene may carry; a scene without one leaves that setting alone.
#define TAVIK_SCENE_OPTIONALS(OPTIONAL) \
    OPTIONAL(sunIntensity) \
    OPTIONAL(sunAngle) \
    OPTIONAL(sunSpeed) \
    OPTIONAL(moonIntensity)

struct SceneValues {
#define TAVIK_SCENE_FLAG_MEMBER(name) bool name = false;
#define TAVIK_SCENE_AMOUNT_MEMBER(name) double name = 0;
#define TAVIK_SCENE_OPTIONAL_MEMBER(name) std::optional<double> name;
    TAVIK_SCENE_FIELDS(TAVIK_SCENE_FLAG_MEMBER, TAVIK_SCENE_AMOUNT_MEMBER)
    TAVIK_SCENE_OPTIONALS(TAVIK_SCENE_OPTIONAL_MEMBER)
#undef TAVIK_SCENE_FLAG_MEMBER
#undef TAVIK_SCENE_AMOUNT_MEMBER
#undef TAVIK_SCENE_OPTIONAL_MEMBER

    bool operator==(const SceneValues&) const = default;
};

// One field of a scene and the setting it mirrors; exactly one of the member pointers is set.
struct SceneField {
    Setting setting;
    bool SceneValues::*flag = nullptr;
    double SceneValues::*amount = nullptr;
};

inline constexpr std::array kSceneFields = {
#define TAVIK_SCENE_FLAG_FIELD(name) SceneField{Setting::name, &SceneValues::name, nullptr},
#define TAVIK_SCENE_AMOUNT_FIELD(name) SceneField{Setting::name, nullptr, &SceneValues::name},
    TAVIK_SCENE_FIELDS(TAVIK_SCENE_FLAG_FIELD, TAVIK_SCENE_AMOUNT_FIELD)
#undef TAVIK_SCENE_FLAG_FIELD
#undef TAVIK_SCENE_AMOUNT_FIELD
};

struct SceneOptionalField {
    Setting setting;
    std::optional<double> SceneValues::*value;
};

inline constexpr std::array kSceneOptionalFields = {
#define TAVIK_SCENE_OPTIONAL_FIELD(name) SceneOptionalField{Setting::name, &SceneValues::name},
    TAVIK_SCENE_OPTIONALS(TAVIK_SCENE_OPTIONAL_FIELD)
#undef TAVIK_SCENE_OPTIONAL_FIELD
};

// A scene as data: kept inside saved scenes and as the backup taken before live weather.
struct SceneSnapshot : SceneValues {
    // The preset or scene identifier in force when the snapshot was taken, not a display name.
    QString sceneName;

    bool operator==(const SceneSnapshot&) const = default;

    // Nothing when a number is not finite (JSON has no form for it).
    [[nodiscard]] std::optional<QJsonObject> toJson() const;
    // Nothing when a required key is missing or any key has the wrong kind of value.
    [[nodiscard]] static std::optional<SceneSnapshot> fromJson(const QJsonObject& object);
};

struct SavedScene {
    QString id;
    QString name;
    SceneSnapshot scene;
    std::optional<bool> favorite;
    std::optional<QString> icon;

    bool operator==(const SavedScene&) const = default;

    [[nodiscard]] bool isFavorite() const { return favorite.value_or(false); }
    [[nodiscard]] std::optional<QJsonObject> toJson() const;
    [[nodiscard]] static std::optional<SavedScene> fromJson(const QJsonObject& object);
};

using SavedSceneList = std::vector<SavedScene>;

// The stored form of a list: a JSON array in list order. Nothing when a scene can't be encoded.
[[nodiscard]] std::optional<QString> encodeSavedScenes(const SavedSceneList& scenes);

struct SavedSceneDecoding {
    SavedSceneList scenes;
    // How many records could not be read (a text that is no list at all counts as one).
    int unreadable = 0;
    // True when some of the text could not be read: a record, or what lies between them.
    bool lostSomething = false;
};

// Reads record by record, so one damaged record costs only itself: one nested deeper than the
// JSON reader goes, or holding a number too large for it, leaves every other one readable.
[[nodiscard]] SavedSceneDecoding decodeSavedScenes(const QString& json);

// Standard 36-character upper-case form.
[[nodiscard]] QString newSceneId();

} // namespace tavik
