#include "settings/SettingsStore.h"

#include "settings/Color.h"
#include "settings/ScenePreset.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <cmath>

namespace tavik {

namespace {

constexpr double kPowerSavingFrameCap = 30;
constexpr const char* kFirstLaunchPreset = "rainy-night";

QString keyOf(const SettingInfo& info)
{
    return QString::fromLatin1(info.key.data(), static_cast<qsizetype>(info.key.size()));
}

bool holdsType(const SettingValue& value, SettingType type)
{
    switch (type) {
    case SettingType::Bool: return std::holds_alternative<bool>(value);
    case SettingType::Double: return std::holds_alternative<double>(value);
    case SettingType::String: return std::holds_alternative<QString>(value);
    case SettingType::SavedScenes: return std::holds_alternative<SavedSceneList>(value);
    case SettingType::Monitors: return std::holds_alternative<MonitorMap>(value);
    }
    return false;
}

} // namespace

SettingValue defaultValue(const SettingInfo& info)
{
    switch (info.type) {
    case SettingType::Bool: return info.boolDefault;
    case SettingType::Double: return info.doubleDefault;
    case SettingType::String:
        return QString::fromUtf8(info.stringDefault.data(), static_cast<qsizetype>(info.stringDefault.size()));
    case SettingType::SavedScenes: return SavedSceneList{};
    case SettingType::Monitors: return MonitorMap{};
    }
    return false;
}

MonitorDecoding decodeMonitors(const QString& json)
{
    MonitorDecoding result;
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        result.lostSomething = true;
        return result;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isBool())
            result.monitors.emplace(it.key(), it.value().toBool());
        else
            result.lostSomething = true;
    }
    return result;
}

QString encodeMonitors(const MonitorMap& monitors)
{
    QJsonObject object;
    for (const auto& [id, enabled] : monitors)
        object.insert(id, enabled);
    return QString::fromUtf8(QJsonDocument(object).toJson(QJsonDocument::Compact));
}

SettingsStore::SettingsStore(KeyValueStore& defaults)
    : m_defaults(defaults)
{
    load();
    launchFirstTime();
}

SettingsStore& SettingsStore::shared()
{
    static IniKeyValueStore database(IniKeyValueStore::defaultPath());
    static SettingsStore store(database);
    return store;
}

void SettingsStore::load()
{
    for (const SettingInfo& info : settingsTable()) {
        SettingValue& slot = m_values[indexOf(info.id)];
        slot = defaultValue(info);
        if (!info.persisted())
            continue;
        const QVariant stored = m_defaults.value(keyOf(info));
        switch (info.type) {
        case SettingType::Bool:
            if (const auto flag = storedBool(stored))
                slot = *flag;
            break;
        case SettingType::Double:
            // A hand-edited file or an older version may hold any number: use the nearest
            // one the program accepts.
            if (const auto number = storedNumber(stored))
                slot = info.clamped(*number);
            break;
        case SettingType::String:
            if (auto text = storedText(stored))
                slot = std::move(*text);
            break;
        case SettingType::SavedScenes:
            if (const auto text = storedText(stored)) {
                auto decoded = decodeSavedScenes(*text);
                slot = std::move(decoded.scenes);
                m_unreadableSavedScenes = decoded.unreadable;
                if (decoded.lostSomething)
                    m_damagedSavedScenes = *text;
            }
            break;
        case SettingType::Monitors:
            if (const auto text = storedText(stored)) {
                auto decoded = decodeMonitors(*text);
                slot = std::move(decoded.monitors);
                if (decoded.lostSomething)
                    m_damagedMonitors = *text;
            }
            break;
        }
    }
}

void SettingsStore::launchFirstTime()
{
    const QString key = QString::fromLatin1(kDidFirstLaunchKey);
    if (storedBool(m_defaults.value(key)).value_or(false))
        return;
    m_defaults.setValue(key, true);
    if (const ScenePreset* preset = ScenePreset::preset(QString::fromLatin1(kFirstLaunchPreset)))
        preset->apply(*this);
}

bool SettingsStore::setValue(Setting id, SettingValue value)
{
    if (!publish(id, value))
        return false;
    persist(id);
    return true;
}

bool SettingsStore::publish(Setting id, SettingValue& value)
{
    if (!holdsType(value, settingInfo(id).type))
        return false;
    m_willChange.notify(id);
    m_streams[indexOf(id)].notify(value);
    m_values[indexOf(id)] = std::move(value);
    return true;
}

void SettingsStore::persist(Setting id)
{
    const SettingInfo& info = settingInfo(id);
    if (!info.persisted())
        return;
    const QString key = keyOf(info);
    const SettingValue& value = m_values[indexOf(id)];
    switch (info.type) {
    case SettingType::Bool: m_defaults.setValue(key, std::get<bool>(value)); break;
    case SettingType::Double: m_defaults.setValue(key, std::get<double>(value)); break;
    case SettingType::String: m_defaults.setValue(key, std::get<QString>(value)); break;
    case SettingType::SavedScenes:
        if (const auto json = encodeSavedScenes(std::get<SavedSceneList>(value))) {
            preserveDamagedText(kSavedScenesBackupKey, m_damagedSavedScenes);
            m_defaults.setValue(key, *json);
        }
        break;
    case SettingType::Monitors:
        preserveDamagedText(kMonitorsBackupKey, m_damagedMonitors);
        m_defaults.setValue(key, encodeMonitors(std::get<MonitorMap>(value)));
        break;
    }
}

void SettingsStore::preserveDamagedText(const char* backupKey, std::optional<QString>& damagedText)
{
    if (!damagedText)
        return;
    preserveDamagedText(backupKey, *damagedText);
    damagedText.reset();
}

// Never overwrites an earlier backup: each damaged text gets the first free key.
void SettingsStore::preserveDamagedText(const char* backupKey, const QString& damagedText)
{
    const QString base = QString::fromLatin1(backupKey);
    QString key = base;
    for (int n = 2; m_defaults.contains(key) && m_defaults.value(key).toString() != damagedText; ++n)
        key = base + QLatin1Char('.') + QString::number(n);
    m_defaults.setValue(key, damagedText);
}

Subscription SettingsStore::onWillChange(std::function<void(Setting)> observer)
{
    return m_willChange.connect(std::move(observer));
}

Subscription SettingsStore::observe(Setting id, std::function<void(const SettingValue&)> observer)
{
    observer(m_values[indexOf(id)]);
    return m_streams[indexOf(id)].connect(std::move(observer));
}

double SettingsStore::effectiveMaxFPS() const
{
    return lowPowerMode() ? std::min(maxFPS(), kPowerSavingFrameCap) : maxFPS();
}

void SettingsStore::setMonitor(const QString& id, bool enabled)
{
    MonitorMap monitors = monitorEnabled();
    monitors[id] = enabled;
    setMonitorEnabled(std::move(monitors));
}

bool SettingsStore::isMonitorEnabled(const QString& id) const
{
    const auto it = monitorEnabled().find(id);
    return it == monitorEnabled().end() || it->second;
}

void SettingsStore::resetAllToDefaults()
{
    setLiveWeatherEnabled(false);
    for (const SettingInfo& info : settingsTable()) {
        switch (info.id) {
        case Setting::enabled:
        case Setting::screenLocked:
        case Setting::allDisplaysPaused:
        case Setting::monitorEnabled:
        case Setting::savedScenes:
        case Setting::liveWeatherEnabled:
        case Setting::sceneName:
            continue;
        default:
            setValue(info.id, defaultValue(info));
        }
    }
    setSceneName(QString());
}

QColor SettingsStore::colorOf(Setting hexSetting) const
{
    return colorFromHex(get<QString>(hexSetting)).value_or(QColor(Qt::white));
}

void SettingsStore::setColor(Setting hexSetting, const QColor& color)
{
    setValue(hexSetting, hexString(color));
}

} // namespace tavik
