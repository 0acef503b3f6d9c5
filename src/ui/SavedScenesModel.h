#pragma once

#include "settings/SceneSnapshot.h"
#include "core/Signal.h"

#include <QAbstractListModel>
#include <QTimer>
#include <QtQml/qqmlregistration.h>

#include <optional>
#include <vector>

namespace tavik {

class SettingsStore;

// The user's saved scenes in list order, and what the Saved scenes tab does with them. Every
// operation names a scene by id; an id that is no longer in the list does nothing.
class SavedScenesModel final : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The saved scenes belong to the panel")
    Q_PROPERTY(int count READ count NOTIFY countChanged)
    Q_PROPERTY(int favoriteCount READ favoriteCount NOTIFY favoriteCountChanged)
    Q_PROPERTY(bool canAddFavorite READ canAddFavorite NOTIFY favoriteCountChanged)

public:
    enum Role { SceneIdRole = Qt::UserRole + 1, NameRole, IconRole, FavoriteRole, ActiveRole };
    Q_ENUM(Role)

    explicit SavedScenesModel(SettingsStore& store, QObject* parent = nullptr);

    [[nodiscard]] int rowCount(const QModelIndex& parent = {}) const override;
    [[nodiscard]] QVariant data(const QModelIndex& index, int role) const override;
    [[nodiscard]] QHash<int, QByteArray> roleNames() const override;
    [[nodiscard]] int count() const { return rowCount(); }
    [[nodiscard]] int favoriteCount() const;
    [[nodiscard]] bool canAddFavorite() const;

    // The current scene under `name` with `icon` ("" for none). False when nothing was saved
    // (a blank name).
    Q_INVOKABLE bool save(const QString& name, const QString& icon);
    // A blank name changes nothing; an empty icon removes the icon.
    Q_INVOKABLE void update(const QString& id, const QString& name, const QString& icon);
    Q_INVOKABLE void toggleFavorite(const QString& id);
    Q_INVOKABLE void remove(const QString& id);
    Q_INVOKABLE void apply(const QString& id);

signals:
    void countChanged();
    void favoriteCountChanged();

private:
    // A copy: the store's operations replace the list that a reference would point into.
    [[nodiscard]] std::optional<SavedScene> find(const QString& id) const;
    void scenesChanged(const SavedSceneList& scenes);
    bool appendRows(const SavedSceneList& scenes);
    bool removeRowsFor(const SavedSceneList& scenes);
    void adoptRows(const SavedSceneList& scenes);
    void refreshActive();

    SettingsStore& m_store;
    SavedSceneList m_scenes;
    std::vector<bool> m_active;
    // Worked out once after a burst of setting changes (see SceneBarModel).
    QTimer m_activeRefresh;
    Subscription m_willChange;
    Subscription m_savedScenes;
};

} // namespace tavik
