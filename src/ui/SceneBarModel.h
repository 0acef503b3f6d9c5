#pragma once

#include "settings/SceneSnapshot.h"
#include "core/Signal.h"

#include <QAbstractListModel>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <vector>

namespace tavik {

class SettingsStore;
struct ScenePreset;

// The chips of the scene bar: the favourite saved scenes, then every built-in preset in strip
// order. A chip is active while the store shows its scene; several may be at once.
class SceneBarModel final : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The scene bar belongs to the panel")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role { ChipIdRole = Qt::UserRole + 1, LabelRole, SymbolRole, EmojiRole, SavedRole, ActiveRole };
    Q_ENUM(Role)

    explicit SceneBarModel(SettingsStore& store, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;
    [[nodiscard]] int count() const { return rowCount(); }

    // Applies the chip's scene: a saved scene's snapshot, or the preset.
    Q_INVOKABLE void activate(int row);
    // The row of the chip with this saved-scene or preset id, or -1.
    Q_INVOKABLE int indexOf(const QString& chipId) const;

signals:
    void countChanged();

private:
    [[nodiscard]] int favoriteCount() const { return static_cast<int>(m_favorites.size()); }
    [[nodiscard]] const ScenePreset* presetAt(int row) const;
    [[nodiscard]] bool computeActive(int row) const;
    void favoritesChanged(const SavedSceneList& scenes);
    void refreshActive();

    SettingsStore& m_store;
    SavedSceneList m_favorites;
    std::vector<bool> m_active;
    // The store announces a change before it stores the value, and a scene is applied as a
    // burst of changes: the flags are worked out once, from the event loop, after the burst.
    QTimer m_activeRefresh;
    Subscription m_willChange;
    Subscription m_savedScenes;
};

} // namespace tavik
