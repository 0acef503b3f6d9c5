#include "ui/SceneBarModel.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"

#include <algorithm>

namespace tavik {

namespace {

const QString kSavedSceneSymbol = QStringLiteral("star.fill");

bool sameIds(const SavedSceneList& a, const SavedSceneList& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](const SavedScene& x, const SavedScene& y) { return x.id == y.id; });
}

SavedSceneList favoritesOf(const SavedSceneList& scenes)
{
    SavedSceneList favorites;
    std::copy_if(scenes.begin(), scenes.end(), std::back_inserter(favorites),
                 [](const SavedScene& scene) { return scene.isFavorite(); });
    return favorites;
}

QString capitalised(const QString& text)
{
    if (text.isEmpty())
        return text;
    return text.left(1).toUpper() + text.mid(1);
}

QString emojiOf(const SavedScene& scene)
{
    return scene.icon.value_or(QString());
}

} // namespace

SceneBarModel::SceneBarModel(SettingsStore& store, QObject* parent)
    : QAbstractListModel(parent)
    , m_store(store)
    , m_favorites(store.favoriteScenes())
{
    m_active.resize(static_cast<std::size_t>(rowCount()));
    for (int row = 0; row < rowCount(); ++row)
        m_active[static_cast<std::size_t>(row)] = computeActive(row);

    m_activeRefresh.setSingleShot(true);
    m_activeRefresh.setInterval(0);
    connect(&m_activeRefresh, &QTimer::timeout, this, &SceneBarModel::refreshActive);
    m_willChange = m_store.onWillChange([this](Setting) {
        if (!m_activeRefresh.isActive())
            m_activeRefresh.start();
    });
    // The stream hands over the new list before the store holds it.
    m_savedScenes = m_store.observe<SavedSceneList>(Setting::savedScenes,
                                                    [this](const SavedSceneList& scenes) { favoritesChanged(scenes); });
}

int SceneBarModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid())
        return 0;
    return favoriteCount() + static_cast<int>(ScenePreset::all().size());
}

const ScenePreset* SceneBarModel::presetAt(int row) const
{
    const int index = row - favoriteCount();
    const auto presets = ScenePreset::all();
    if (index < 0 || index >= static_cast<int>(presets.size()))
        return nullptr;
    return &presets[static_cast<std::size_t>(index)];
}

QVariant SceneBarModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const int row = index.row();
    if (role == ActiveRole)
        return bool(m_active[static_cast<std::size_t>(row)]);
    if (row < favoriteCount()) {
        const SavedScene& scene = m_favorites[static_cast<std::size_t>(row)];
        switch (role) {
        case ChipIdRole: return scene.id;
        case LabelRole: return scene.name;
        case SymbolRole: return emojiOf(scene).isEmpty() ? kSavedSceneSymbol : QString();
        case EmojiRole: return emojiOf(scene);
        case SavedRole: return true;
        default: return {};
        }
    }
    const ScenePreset* preset = presetAt(row);
    if (!preset)
        return {};
    switch (role) {
    case ChipIdRole: return preset->id;
    case LabelRole: return capitalised(preset->label);
    case SymbolRole: return preset->icon;
    case EmojiRole: return QString();
    case SavedRole: return false;
    default: return {};
    }
}

QHash<int, QByteArray> SceneBarModel::roleNames() const
{
    return {
        {ChipIdRole, "chipId"}, {LabelRole, "label"}, {SymbolRole, "symbol"},
        {EmojiRole, "emoji"},   {SavedRole, "saved"}, {ActiveRole, "active"},
    };
}

void SceneBarModel::activate(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    if (row < favoriteCount()) {
        // A copy: applying writes the store, whose observers may replace the favourites.
        const SceneSnapshot snapshot = m_favorites[static_cast<std::size_t>(row)].scene;
        m_store.apply(snapshot);
    } else if (const ScenePreset* preset = presetAt(row)) {
        preset->apply(m_store);
    }
}

int SceneBarModel::indexOf(const QString& chipId) const
{
    for (int row = 0; row < rowCount(); ++row) {
        if (data(index(row), ChipIdRole).toString() == chipId)
            return row;
    }
    return -1;
}

bool SceneBarModel::computeActive(int row) const
{
    if (row < favoriteCount())
        return m_store.isActiveScene(m_favorites[static_cast<std::size_t>(row)]);
    const ScenePreset* preset = presetAt(row);
    return preset && preset->matches(m_store);
}

void SceneBarModel::favoritesChanged(const SavedSceneList& scenes)
{
    SavedSceneList favorites = favoritesOf(scenes);
    if (sameIds(favorites, m_favorites)) {
        // Renamed or given another emoji: the same chips with new texts.
        for (std::size_t i = 0; i < favorites.size(); ++i) {
            const bool changed = favorites[i].name != m_favorites[i].name || favorites[i].icon != m_favorites[i].icon;
            m_favorites[i] = std::move(favorites[i]);
            if (changed) {
                const QModelIndex at = index(static_cast<int>(i));
                emit dataChanged(at, at, {LabelRole, SymbolRole, EmojiRole});
            }
        }
        return;
    }
    const int oldCount = rowCount();
    beginResetModel();
    m_favorites = std::move(favorites);
    // The scene settings have not changed, so the flags can be worked out right away.
    m_active.assign(static_cast<std::size_t>(rowCount()), false);
    for (int row = 0; row < rowCount(); ++row)
        m_active[static_cast<std::size_t>(row)] = computeActive(row);
    endResetModel();
    if (rowCount() != oldCount)
        emit countChanged();
}

void SceneBarModel::refreshActive()
{
    for (int row = 0; row < rowCount(); ++row) {
        const bool active = computeActive(row);
        const auto i = static_cast<std::size_t>(row);
        if (m_active[i] == active)
            continue;
        m_active[i] = active;
        const QModelIndex at = index(row);
        emit dataChanged(at, at, {ActiveRole});
    }
}

} // namespace tavik
