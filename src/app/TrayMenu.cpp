#include "app/TrayMenu.h"

#include "settings/SettingsStore.h"

namespace tavik {

TrayMenu::TrayMenu(SettingsStore& settings, Actions actions)
    : m_settings(settings)
    , m_actions(std::move(actions))
    , m_sceneBar(settings)
{
}

TrayMenuEntry TrayMenu::scenes() const
{
    TrayMenuEntry scenes{kScenes, TrayMenuEntry::Kind::submenu, QStringLiteral("Scenes"), false, {}};
    for (int row = 0; row < m_sceneBar.rowCount(); ++row) {
        const QModelIndex at = m_sceneBar.index(row);
        // The emoji a favourite carries comes first, as on its chip.
        const QString emoji = m_sceneBar.data(at, SceneBarModel::EmojiRole).toString();
        QString label = m_sceneBar.data(at, SceneBarModel::LabelRole).toString();
        if (!emoji.isEmpty())
            label = emoji + u' ' + label;
        scenes.children.push_back({kFirstScene + row, TrayMenuEntry::Kind::toggle, label,
                                   m_sceneBar.data(at, SceneBarModel::ActiveRole).toBool(), {}});
    }
    return scenes;
}

std::vector<TrayMenuEntry> TrayMenu::entries() const
{
    using Kind = TrayMenuEntry::Kind;
    std::vector<TrayMenuEntry> menu;
    menu.push_back({kOpenPanel, Kind::action, QStringLiteral("Open panel"), false, {}});
    menu.push_back({kEffects, Kind::toggle, QStringLiteral("Effects"), m_settings.enabled(), {}});
    menu.push_back({kSound, Kind::toggle, QStringLiteral("Sound"), m_settings.soundEnabled(), {}});
    menu.push_back(scenes());
    menu.push_back({kSeparator, Kind::separator, {}, false, {}});
    menu.push_back({kQuit, Kind::action, QStringLiteral("Quit"), false, {}});
    return menu;
}

std::optional<TrayMenuEntry> TrayMenu::find(int id) const
{
    for (TrayMenuEntry& entry : entries()) {
        if (entry.id == id)
            return std::move(entry);
        for (TrayMenuEntry& child : entry.children) {
            if (child.id == id)
                return std::move(child);
        }
    }
    return std::nullopt;
}

bool TrayMenu::trigger(int id)
{
    switch (id) {
    case kOpenPanel:
        if (m_actions.openPanel)
            m_actions.openPanel();
        return true;
    case kEffects:
        m_settings.setEnabled(!m_settings.enabled());
        return true;
    case kSound:
        m_settings.setSoundEnabled(!m_settings.soundEnabled());
        return true;
    case kQuit:
        if (m_actions.quit)
            m_actions.quit();
        return true;
    default:
        break;
    }
    const int row = id - kFirstScene;
    if (row < 0 || row >= m_sceneBar.rowCount())
        return false;
    m_sceneBar.activate(row);
    return true;
}

} // namespace tavik
