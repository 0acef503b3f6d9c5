#include "ui/SavedScenesModel.h"

#include "settings/SettingsStore.h"

#include <algorithm>

namespace tavik {

namespace {

bool sameIds(SavedSceneList::const_iterator a, SavedSceneList::const_iterator aEnd,
             SavedSceneList::const_iterator b, SavedSceneList::const_iterator bEnd)
{
    return std::equal(a, aEnd, b, bEnd, [](const SavedScene& x, const SavedScene& y) { return x.id == y.id; });
}

std::optional<QString> iconFrom(const QString& icon)
{
    if (icon.isEmpty())
        return std::nullopt;
    return icon;
}

} // namespace

SavedScenesModel::SavedScenesModel(SettingsStore& store, QObject* parent)
    : QAbstractListModel(parent)
    , m_store(store)
    , m_scenes(store.savedScenes())
{
    for (const SavedScene& scene : m_scenes)
        m_active.push_back(m_store.isActiveScene(scene));

    m_activeRefresh.setSingleShot(true);
    m_activeRefresh.setInterval(0);
    connect(&m_activeRefresh, &QTimer::timeout, this, &SavedScenesModel::refreshActive);
    m_willChange = m_store.onWillChange([this](Setting) {
        if (!m_activeRefresh.isActive())
            m_activeRefresh.start();
    });
    m_savedScenes = m_store.observe<SavedSceneList>(Setting::savedScenes,
                                                    [this](const SavedSceneList& scenes) { scenesChanged(scenes); });
}

int SavedScenesModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_scenes.size());
}

QVariant SavedScenesModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const SavedScene& scene = m_scenes[row];
    switch (role) {
    case SceneIdRole: return scene.id;
    case NameRole: return scene.name;
    case IconRole: return scene.icon.value_or(QString());
    case FavoriteRole: return scene.isFavorite();
    case ActiveRole: return bool(m_active[row]);
    default: return {};
    }
}

QHash<int, QByteArray> SavedScenesModel::roleNames() const
{
    return {
        {SceneIdRole, "sceneId"}, {NameRole, "name"}, {IconRole, "icon"}, {FavoriteRole, "favorite"}, {ActiveRole, "active"},
    };
}

int SavedScenesModel::favoriteCount() const
{
    return static_cast<int>(std::count_if(m_scenes.begin(), m_scenes.end(), [](const SavedScene& s) { return s.isFavorite(); }));
}

bool SavedScenesModel::canAddFavorite() const
{
    return static_cast<std::size_t>(favoriteCount()) < SettingsStore::kMaxFavorites;
}

std::optional<SavedScene> SavedScenesModel::find(const QString& id) const
{
    const SavedSceneList& scenes = m_store.savedScenes();
    const auto it = std::find_if(scenes.begin(), scenes.end(), [&id](const SavedScene& s) { return s.id == id; });
    if (it == scenes.end())
        return std::nullopt;
    return *it;
}

bool SavedScenesModel::save(const QString& name, const QString& icon)
{
    return m_store.saveCurrentScene(name, iconFrom(icon)).has_value();
}

void SavedScenesModel::update(const QString& id, const QString& name, const QString& icon)
{
    if (const auto scene = find(id))
        m_store.updateSavedScene(*scene, name, iconFrom(icon));
}

void SavedScenesModel::toggleFavorite(const QString& id)
{
    if (const auto scene = find(id))
        m_store.toggleFavorite(*scene);
}

void SavedScenesModel::remove(const QString& id)
{
    if (const auto scene = find(id))
        m_store.deleteSavedScene(*scene);
}

void SavedScenesModel::apply(const QString& id)
{
    if (const auto scene = find(id))
        m_store.apply(scene->scene);
}

// Saving appends, deleting removes, renaming and starring keep the ids: each becomes the
// matching model change, so the list view keeps its place and its delegates. Anything else
// (a list rewritten from outside) resets the model.
void SavedScenesModel::scenesChanged(const SavedSceneList& scenes)
{
    const int oldCount = count();
    const int oldFavorites = favoriteCount();
    if (sameIds(m_scenes.begin(), m_scenes.end(), scenes.begin(), scenes.end())) {
        adoptRows(scenes);
    } else if (!appendRows(scenes) && !removeRowsFor(scenes)) {
        beginResetModel();
        m_scenes = scenes;
        m_active.clear();
        for (const SavedScene& scene : m_scenes)
            m_active.push_back(m_store.isActiveScene(scene));
        endResetModel();
    }
    if (count() != oldCount)
        emit countChanged();
    if (favoriteCount() != oldFavorites)
        emit favoriteCountChanged();
}

bool SavedScenesModel::appendRows(const SavedSceneList& scenes)
{
    const std::size_t old = m_scenes.size();
    if (scenes.size() <= old || !sameIds(m_scenes.begin(), m_scenes.end(), scenes.begin(), scenes.begin() + std::ptrdiff_t(old)))
        return false;
    beginInsertRows({}, static_cast<int>(old), static_cast<int>(scenes.size()) - 1);
    for (std::size_t i = old; i < scenes.size(); ++i) {
        m_scenes.push_back(scenes[i]);
        m_active.push_back(m_store.isActiveScene(scenes[i]));
    }
    endInsertRows();
    adoptRows(scenes);
    return true;
}

// One run of rows gone, the rest in the same order.
bool SavedScenesModel::removeRowsFor(const SavedSceneList& scenes)
{
    if (scenes.size() >= m_scenes.size())
        return false;
    const auto removed = std::ptrdiff_t(m_scenes.size() - scenes.size());
    const auto first = std::mismatch(m_scenes.begin(), m_scenes.begin() + std::ptrdiff_t(scenes.size()), scenes.begin(),
                                     [](const SavedScene& x, const SavedScene& y) { return x.id == y.id; })
                           .first;
    if (!sameIds(first + removed, m_scenes.end(), scenes.begin() + (first - m_scenes.begin()), scenes.end()))
        return false;
    const auto from = first - m_scenes.begin();
    beginRemoveRows({}, static_cast<int>(from), static_cast<int>(from + removed) - 1);
    m_scenes.erase(first, first + removed);
    m_active.erase(m_active.begin() + from, m_active.begin() + from + removed);
    endRemoveRows();
    adoptRows(scenes);
    return true;
}

// The same ids row by row: take the new records and announce the rows that differ.
void SavedScenesModel::adoptRows(const SavedSceneList& scenes)
{
    for (std::size_t i = 0; i < scenes.size(); ++i) {
        if (m_scenes[i] == scenes[i])
            continue;
        m_scenes[i] = scenes[i];
        const QModelIndex at = index(static_cast<int>(i));
        emit dataChanged(at, at, {NameRole, IconRole, FavoriteRole});
    }
}

void SavedScenesModel::refreshActive()
{
    for (std::size_t i = 0; i < m_scenes.size(); ++i) {
        const bool active = m_store.isActiveScene(m_scenes[i]);
        if (m_active[i] == active)
            continue;
        m_active[i] = active;
        const QModelIndex at = index(static_cast<int>(i));
        emit dataChanged(at, at, {ActiveRole});
    }
}

} // namespace tavik
