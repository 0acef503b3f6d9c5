#include "ui/SettingsPropertyMap.h"

#include <cmath>
#include <optional>

namespace tavik {

namespace {

bool isPlain(SettingType type)
{
    return type == SettingType::Bool || type == SettingType::Double || type == SettingType::String;
}

QVariant toVariant(const SettingValue& value)
{
    if (const bool* flag = std::get_if<bool>(&value))
        return *flag;
    if (const double* number = std::get_if<double>(&value))
        return *number;
    if (const QString* text = std::get_if<QString>(&value))
        return *text;
    return {};
}

// Only the kind the setting holds; QML's loose conversions ("false" → true) stay out.
std::optional<SettingValue> fromVariant(SettingType type, const QVariant& input)
{
    const int id = input.metaType().id();
    switch (type) {
    case SettingType::Bool:
        if (id == QMetaType::Bool)
            return SettingValue(input.toBool());
        break;
    case SettingType::Double:
        if (id == QMetaType::Double || id == QMetaType::Int || id == QMetaType::Float || id == QMetaType::LongLong) {
            const double number = input.toDouble();
            if (std::isfinite(number))
                return SettingValue(number);
        }
        break;
    case SettingType::String:
        if (id == QMetaType::QString)
            return SettingValue(input.toString());
        break;
    default:
        break;
    }
    return std::nullopt;
}

} // namespace

SettingsPropertyMap::SettingsPropertyMap(SettingsStore& store, QObject* parent)
    : QQmlPropertyMap(this, parent)
    , m_store(store)
{
    for (const SettingInfo& info : settingsTable()) {
        if (!isPlain(info.type))
            continue;
        const QString name = QString::fromLatin1(info.property.data(), qsizetype(info.property.size()));
        m_settings.emplace(name, info.id);
        // Called at once with the current value, so every property exists from the start.
        m_subscriptions.push_back(m_store.observe(info.id, [this, name](const SettingValue& value) {
            insert(name, toVariant(value));
        }));
    }
    freeze();
}

QVariant SettingsPropertyMap::updateValue(const QString& key, const QVariant& input)
{
    const auto it = m_settings.find(key);
    if (it == m_settings.end())
        return value(key);
    auto converted = fromVariant(settingInfo(it->second).type, input);
    if (!converted)
        return value(key);
    m_store.setValue(it->second, *converted);
    return toVariant(m_store.value(it->second));
}

} // namespace tavik
