#pragma once

#include "platform/Displays.h"
#include "settings/SettingsStore.h"
#include "core/Signal.h"

#include <QAbstractListModel>
#include <QtQml/qqmlregistration.h>

#include <functional>
#include <vector>

namespace tavik {

// The connected displays in the system's order, each with whether the scene shows on it.
class DisplayListModel final : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The display list belongs to the panel")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    using Source = std::function<QList<DisplayInfo>()>;

    enum Role { DisplayIdRole = Qt::UserRole + 1, NameRole, EnabledRole };
    Q_ENUM(Role)

    // Follows the screens coming and going when there is a GUI application.
    DisplayListModel(SettingsStore& store, Source source, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;
    [[nodiscard]] int count() const { return rowCount(); }

    Q_INVOKABLE void setEnabled(const QString& id, bool on);
    // Reads the display list again.
    void refresh();

signals:
    void countChanged();

private:
    void monitorsChanged(const MonitorMap& monitors);

    SettingsStore& m_store;
    Source m_source;
    QList<DisplayInfo> m_displays;
    std::vector<bool> m_enabled;
    Subscription m_monitors;
};

} // namespace tavik
