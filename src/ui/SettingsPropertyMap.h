#pragma once

#include "settings/SettingsStore.h"

#include <QQmlPropertyMap>

#include <map>
#include <vector>

namespace tavik {

// Every plain setting (flag, number, text) as a QML property named like the store's accessor,
// `settings.enabled`, `settings.dropsPerSecond`: it follows the store, and a write from QML goes
// through the store, so the panel and the overlays never disagree. A value of the wrong kind
// (text for a flag, a number that is not finite) is refused and the property keeps its value.
class SettingsPropertyMap final : public QQmlPropertyMap {
    Q_OBJECT
public:
    explicit SettingsPropertyMap(SettingsStore& store, QObject* parent = nullptr);

protected:
    QVariant updateValue(const QString& key, const QVariant& input) override;

private:
    SettingsStore& m_store;
    std::map<QString, Setting> m_settings;
    std::vector<Subscription> m_subscriptions;
};

} // namespace tavik
