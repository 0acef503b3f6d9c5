#pragma once

#include "settings/KeyValueStore.h"
#include "settings/SceneSnapshot.h"
#include "settings/SettingsTable.h"
#include "core/Signal.h"

#include <QColor>
#include <QString>

#include <array>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <variant>

namespace tavik {

// Display identifier to whether overlays show on it; a display without an entry is enabled.
using MonitorMap = std::map<QString, bool>;

using SettingValue = std::variant<bool, double, QString, SavedSceneList, MonitorMap>;

struct MonitorDecoding {
    MonitorMap monitors;
    bool lostSomething = false; // some member was not a flag, or the text was not an object
};

// A setting's value in the table: its default, or the empty list or map.
[[nodiscard]] SettingValue defaultValue(const SettingInfo& info);

// The stored form of the per-display map: a JSON object of flags. Decoding keeps every valid member.
[[nodiscard]] MonitorDecoding decodeMonitors(const QString& json);
[[nodiscard]] QString encodeMonitors(const MonitorMap& monitors);

#define TAVIK_GETTER_TYPE_Bool bool
#define TAVIK_GETTER_TYPE_Double double
#define TAVIK_GETTER_TYPE_String const QString&
#define TAVIK_GETTER_TYPE_SavedScenes const SavedSceneList&
#define TAVIK_GETTER_TYPE_Monitors const MonitorMap&
#define TAVIK_VALUE_TYPE_Bool bool
#define TAVIK_VALUE_TYPE_Double double
#define TAVIK_VALUE_TYPE_String QString
#define TAVIK_VALUE_TYPE_SavedScenes SavedSceneList
#define TAVIK_VALUE_TYPE_Monitors MonitorMap

// Every user setting, observable and persisted. A change is announced (store-wide, then to the
// setting's own observers) before the new value is stored, and written to the database at once.
// The store stores what it is given; only numbers read from the file are brought into their
// range. Main thread only.
class SettingsStore {
public:
    // Reads every key of the database; on the very first launch applies the "rainy-night" preset.
    explicit SettingsStore(KeyValueStore& defaults);
    SettingsStore(const SettingsStore&) = delete;
    SettingsStore& operator=(const SettingsStore&) = delete;

    // The program's store over the user's settings file, created on first use.
    static SettingsStore& shared();

#define TAVIK_SETTING_ACCESSORS(type, group, name, Name, ...) \
    [[nodiscard]] TAVIK_GETTER_TYPE_##type name() const { return get<TAVIK_VALUE_TYPE_##type>(Setting::name); } \
    void set##Name(TAVIK_VALUE_TYPE_##type value) { setValue(Setting::name, std::move(value)); }
    TAVIK_SETTINGS(TAVIK_SETTING_ACCESSORS)
#undef TAVIK_SETTING_ACCESSORS

    // Colour views over the hex strings: white while the string is not a colour; setting one
    // stores its #RRGGBB form, without alpha.
#define TAVIK_COLOUR_ACCESSORS(name, Name, hex) \
    [[nodiscard]] QColor name() const { return colorOf(Setting::hex); } \
    void set##Name(const QColor& color) { setColor(Setting::hex, color); }
    TAVIK_COLOURS(TAVIK_COLOUR_ACCESSORS)
#undef TAVIK_COLOUR_ACCESSORS

    [[nodiscard]] const SettingValue& value(Setting id) const { return m_values[indexOf(id)]; }
    template <typename T>
    [[nodiscard]] const T& get(Setting id) const { return std::get<T>(m_values[indexOf(id)]); }
    // Publishes and persists. A value of the wrong type for the setting is refused (false).
    bool setValue(Setting id, SettingValue value);

    // Called before any setting changes, with the setting about to change.
    [[nodiscard]] Subscription onWillChange(std::function<void(Setting)> observer);
    // Called at once with the current value, then with every new value before it is stored.
    [[nodiscard]] Subscription observe(Setting id, std::function<void(const SettingValue&)> observer);
    template <typename T>
    [[nodiscard]] Subscription observe(Setting id, std::function<void(const T&)> observer)
    {
        return observe(id, [observer = std::move(observer)](const SettingValue& value) {
            observer(std::get<T>(value));
        });
    }

    // The frame-rate cap actually in force: power saving caps it at 30.
    [[nodiscard]] double effectiveMaxFPS() const;
    void setMonitor(const QString& id, bool enabled);
    [[nodiscard]] bool isMonitorEnabled(const QString& id) const;

    // Everything back to the defaults of the table, except the master switch, the per-display
    // map and the saved scenes. Live weather is switched off first and the scene name last.
    void resetAllToDefaults();

    // Scenes.
    [[nodiscard]] SceneSnapshot currentSceneSnapshot() const;
    void apply(const SceneSnapshot& snapshot);
    // The switches and amounts in scene order, then the sea sound when given, then whichever
    // sun and moon values the scene carries, then the scene name.
    void applyScene(const SceneValues& values, std::optional<bool> seaSound, const QString& sceneName);
    // The new scene's id; nothing when the trimmed name is empty.
    std::optional<QString> saveCurrentScene(const QString& name, const std::optional<QString>& icon);
    void updateSavedScene(const SavedScene& scene, const QString& name, const std::optional<QString>& icon);
    void toggleFavorite(const SavedScene& scene);
    void deleteSavedScene(const SavedScene& scene);
    [[nodiscard]] bool isActiveScene(const SavedScene& scene) const;
    [[nodiscard]] SavedSceneList favoriteScenes() const;
    // How many records of the stored list could not be read when it was last read.
    [[nodiscard]] int unreadableSavedScenes() const { return m_unreadableSavedScenes; }
    // Whether the store shows these switches, and these amounts to within half a unit.
    [[nodiscard]] bool showsScene(const SceneValues& scene, std::span<const Setting> amounts) const;

    // The scene as it was before live weather took over: captured once, restored once. A
    // backup that does not read is moved to kWeatherSnapshotBackupKey and counts as none.
    void captureWeatherSnapshotIfNeeded();
    void restoreWeatherSnapshot();

    [[nodiscard]] KeyValueStore& defaults() const { return m_defaults; }

    static constexpr std::size_t kMaxFavorites = 3;
    static constexpr const char* kDidFirstLaunchKey = "app.didFirstLaunch";
    static constexpr const char* kWeatherSnapshotKey = "app.weatherSnapshot";
    // Where the original text of a damaged list is kept before it is first rewritten.
    static constexpr const char* kSavedScenesBackupKey = "app.savedScenes.backup";
    static constexpr const char* kMonitorsBackupKey = "app.monitors.backup";
    static constexpr const char* kWeatherSnapshotBackupKey = "app.weatherSnapshot.backup";

private:
    void load();
    void launchFirstTime();
    // Stores and announces without writing to the database.
    bool publish(Setting id, SettingValue& value);
    void persist(Setting id);
    // Runs `change` on the list as the database holds it now, inside one transaction, and
    // publishes the result; `change` returns whether it changed anything.
    void changeSavedScenes(const std::function<bool(SavedSceneList&)>& change);
    [[nodiscard]] std::optional<SceneSnapshot> takeWeatherSnapshot();
    void preserveDamagedText(const char* backupKey, std::optional<QString>& damagedText);
    void preserveDamagedText(const char* backupKey, const QString& damagedText);
    [[nodiscard]] QColor colorOf(Setting hexSetting) const;
    void setColor(Setting hexSetting, const QColor& color);
    void modifySavedScene(const QString& id, const std::function<bool(SavedScene&)>& change);

    KeyValueStore& m_defaults;
    std::array<SettingValue, kSettingCount> m_values;
    Signal<Setting> m_willChange;
    std::array<Signal<const SettingValue&>, kSettingCount> m_streams;
    // The stored text of a list that did not read back whole, until it is safe elsewhere.
    std::optional<QString> m_damagedSavedScenes;
    std::optional<QString> m_damagedMonitors;
    int m_unreadableSavedScenes = 0;
};

} // namespace tavik
