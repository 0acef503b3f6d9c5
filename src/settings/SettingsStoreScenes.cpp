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

std::optional<SceneSnapshot> decodeWeatherSnapshot(const QString& text)
{
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8());
    return document.isObject() ? SceneSnapshot::fromJson(document.object()) : std::nullopt;
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
    changeSavedScenes([&scene](SavedSceneList& scenes) {
        scenes.push_back(std::move(scene));
        return true;
    });
    return id;
}

// Another process (the command line, or a program started meanwhile) may have changed the
// stored list since this one was read; the change goes onto the list as stored, so theirs stays.
void SettingsStore::changeSavedScenes(const std::function<bool(SavedSceneList&)>& change)
{
    const std::string_view name = settingInfo(Setting::savedScenes).key;
    const QString key = QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
    SavedSceneList current;
    m_defaults.transact([&] {
        current.clear();
        if (const auto text = storedText(m_defaults.value(key))) {
            auto decoded = decodeSavedScenes(*text);
            current = std::move(decoded.scenes);
            m_unreadableSavedScenes = decoded.unreadable;
            if (decoded.lostSomething)
                m_damagedSavedScenes = *text;
        }
        SavedSceneList changed = current;
        if (!change(changed))
            return;
        if (const auto json = encodeSavedScenes(changed)) {
            preserveDamagedText(kSavedScenesBackupKey, m_damagedSavedScenes);
            m_defaults.setValue(key, *json);
        }
        // A list that can't be written is still shown, as any other value the file can't hold.
        current = std::move(changed);
    });
    if (current != savedScenes()) {
        SettingValue value = std::move(current);
        publish(Setting::savedScenes, value);
    }
}

void SettingsStore::modifySavedScene(const QString& id, const std::function<bool(SavedScene&)>& change)
{
    changeSavedScenes([&id, &change](SavedSceneList& scenes) {
        const auto it = std::find_if(scenes.begin(), scenes.end(), [&id](const SavedScene& s) { return s.id == id; });
        return it != scenes.end() && change(*it);
    });
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
    const QString id = scene.id;
    changeSavedScenes([&id](SavedSceneList& scenes) {
        const auto it = std::find_if(scenes.begin(), scenes.end(), [&id](const SavedScene& s) { return s.id == id; });
        if (it == scenes.end())
            return false;
        if (it->isFavorite()) {
            it->favorite = false;
            return true;
        }
        if (static_cast<std::size_t>(std::count_if(scenes.begin(), scenes.end(), [](const SavedScene& s) {
                return s.isFavorite();
            })) >= kMaxFavorites)
            return false;
        it->favorite = true;
        return true;
    });
}

void SettingsStore::deleteSavedScene(const SavedScene& scene)
{
    const QString id = scene.id;
    // Written even when the scene is gone already: that also stores a damaged list's readable rest.
    changeSavedScenes([&id](SavedSceneList& scenes) {
        std::erase_if(scenes, [&id](const SavedScene& s) { return s.id == id; });
        return true;
    });
}

// The stored backup, removed; one that does not read is kept aside under the backup key
// instead, or it would block every later capture.
std::optional<SceneSnapshot> SettingsStore::takeWeatherSnapshot()
{
    const QString key = QString::fromLatin1(kWeatherSnapshotKey);
    if (!m_defaults.contains(key))
        return std::nullopt;
    const QVariant stored = m_defaults.value(key);
    const QString text = storedText(stored).value_or(stored.toString());
    auto snapshot = decodeWeatherSnapshot(text);
    if (!snapshot)
        preserveDamagedText(kWeatherSnapshotBackupKey, text);
    m_defaults.remove(key);
    return snapshot;
}

void SettingsStore::captureWeatherSnapshotIfNeeded()
{
    const QString key = QString::fromLatin1(kWeatherSnapshotKey);
    m_defaults.transact([&] {
        if (const auto stored = storedText(m_defaults.value(key)); stored && decodeWeatherSnapshot(*stored))
            return;
        (void)takeWeatherSnapshot();
        if (const auto json = currentSceneSnapshot().toJson())
            m_defaults.setValue(key, QString::fromUtf8(QJsonDocument(*json).toJson(QJsonDocument::Compact)));
    });
}

// Applied inside the transaction, so the scene and the removal of its backup are written together.
void SettingsStore::restoreWeatherSnapshot()
{
    m_defaults.transact([this] {
        if (const auto snapshot = takeWeatherSnapshot())
            apply(*snapshot);
    });
}

} // namespace tavik
