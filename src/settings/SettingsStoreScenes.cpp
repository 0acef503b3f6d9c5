// The scene operations of the store: capture, apply, saved scenes, the live-weather backup.
#include "settings/SettingsStore.h"

#include <QJsonDocument>

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

constexpr double kMatchTolerance = 0.5;

// A saved scene is also told apart by its rain angle and gustiness, which presets ignore.
constexpr std::array kSavedSceneAmounts = {
    Setting::cloudCount, Setting::dropsPerSecond, Setting::rainAngle, Setting::snowDensity,
    Setting::windStrength, Setting::windGustiness, Setting::leafCount, Setting::fireflyCount,
};

std::optional<QString> trimmedIcon(const std::optional<QString>& icon)
{
    if (!icon)
        return std::nullopt;
    QString trimmed = icon->trimmed();
    if (trimmed.isEmpty())
        return std::nullopt;
    return trimmed;
}

} // namespace

SceneSnapshot SettingsStore::currentSceneSnapshot() const
{
    SceneSnapshot snapshot;
    for (const SceneField& field : kSceneFields) {
        if (field.flag)
            snapshot.*field.flag = get<bool>(field.setting);
        else
            snapshot.*field.amount = get<double>(field.setting);
    }
    for (const SceneOptionalField& field : kSceneOptionalFields)
        snapshot.*field.value = get<double>(field.setting);
    snapshot.sceneName = sceneName();
    return snapshot;
}

void SettingsStore::apply(const SceneSnapshot& snapshot)
{
    applyScene(snapshot, std::nullopt, snapshot.sceneName);
}

void SettingsStore::applyScene(const SceneValues& values, std::optional<bool> seaSound, const QString& name)
{
    for (const SceneField& field : kSceneFields) {
        if (field.flag)
            setValue(field.setting, values.*field.flag);
        else
            setValue(field.setting, values.*field.amount);
    }
    if (seaSound)
        setSeaSoundEnabled(*seaSound);
    for (const SceneOptionalField& field : kSceneOptionalFields) {
        if (const auto& value = values.*field.value)
            setValue(field.setting, *value);
    }
    setSceneName(name);
}

bool SettingsStore::showsScene(const SceneValues& scene, std::span<const Setting> amounts) const
{
    for (const SceneField& field : kSceneFields) {
        if (field.flag && get<bool>(field.setting) != scene.*field.flag)
            return false;
    }
    for (const Setting amount : amounts) {
        const auto field = std::find_if(kSceneFields.begin(), kSceneFields.end(),
                                        [amount](const SceneField& f) { return f.setting == amount; });
        if (field == kSceneFields.end() || !field->amount)
            continue;
        if (!(std::abs(get<double>(amount) - scene.*field->amount) < kMatchTolerance))
            return false;
    }
    return true;
}

bool SettingsStore::isActiveScene(const SavedScene& scene) const
{
    return showsScene(scene.scene, kSavedSceneAmounts);
}

SavedSceneList SettingsStore::favoriteScenes() const
{
    SavedSceneList favorites;
    std::copy_if(savedScenes().begin(), savedScenes().end(), std::back_inserter(favorites),
                 [](const SavedScene& scene) { return scene.isFavorite(); });
    return favorites;
}

std::optional<QString> SettingsStore::saveCurrentScene(const QString& name, const std::optional<QString>& icon)
{
    const QString trimmedName = name.trimmed();
    if (trimmedName.isEmpty())
        return std::nullopt;
    SavedScene scene{newSceneId(), trimmedName, currentSceneSnapshot(), false, trimmedIcon(icon)};
    const QString id = scene.id;
    SavedSceneList scenes = savedScenes();
    scenes.push_back(std::move(scene));
    setSavedScenes(std::move(scenes));
    return id;
}

void SettingsStore::modifySavedScene(const QString& id, const std::function<bool(SavedScene&)>& change)
{
    SavedSceneList scenes = savedScenes();
    const auto it = std::find_if(scenes.begin(), scenes.end(), [&id](const SavedScene& s) { return s.id == id; });
    if (it == scenes.end() || !change(*it))
        return;
    setSavedScenes(std::move(scenes));
}

void SettingsStore::updateSavedScene(const SavedScene& scene, const QString& name, const std::optional<QString>& icon)
{
    const QString trimmedName = name.trimmed();
    if (trimmedName.isEmpty())
        return;
    // Copies first: the caller may pass an element of the list, which the first change replaces.
    const QString id = scene.id;
    const std::optional<QString> newIcon = trimmedIcon(icon);
    // Two separate changes, each published and persisted, as a rename and an icon edit are.
    modifySavedScene(id, [&trimmedName](SavedScene& s) {
        s.name = trimmedName;
        return true;
    });
    modifySavedScene(id, [&newIcon](SavedScene& s) {
        s.icon = newIcon;
        return true;
    });
}

void SettingsStore::toggleFavorite(const SavedScene& scene)
{
    const std::size_t favorites = favoriteScenes().size();
    modifySavedScene(scene.id, [favorites](SavedScene& s) {
        if (s.isFavorite()) {
            s.favorite = false;
            return true;
        }
        if (favorites >= kMaxFavorites)
            return false;
        s.favorite = true;
        return true;
    });
}

void SettingsStore::deleteSavedScene(const SavedScene& scene)
{
    SavedSceneList scenes = savedScenes();
    std::erase_if(scenes, [&scene](const SavedScene& s) { return s.id == scene.id; });
    setSavedScenes(std::move(scenes));
}

void SettingsStore::captureWeatherSnapshotIfNeeded()
{
    const QString key = QString::fromLatin1(kWeatherSnapshotKey);
    if (m_defaults.contains(key))
        return;
    if (const auto json = currentSceneSnapshot().toJson())
        m_defaults.setValue(key, QString::fromUtf8(QJsonDocument(*json).toJson(QJsonDocument::Compact)));
}

void SettingsStore::restoreWeatherSnapshot()
{
    const QString key = QString::fromLatin1(kWeatherSnapshotKey);
    const auto text = storedText(m_defaults.value(key));
    if (!text)
        return;
    const QJsonDocument document = QJsonDocument::fromJson(text->toUtf8());
    const auto snapshot = document.isObject() ? SceneSnapshot::fromJson(document.object()) : std::nullopt;
    if (!snapshot)
        return;
    apply(*snapshot);
    m_defaults.remove(key);
}

} // namespace tavik
