#pragma once

#include "ui/SceneBarModel.h"

#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace tavik {

class SettingsStore;

// One entry of the tray menu. Ids stay the same from one reading to the next, so a host that
// read the menu a moment ago can still click it.
struct TrayMenuEntry {
    enum class Kind { action, toggle, separator, submenu };
    int id = 0;
    Kind kind = Kind::action;
    QString label;
    bool checked = false;
    std::vector<TrayMenuEntry> children;
};

// The tray icon's menu, the same wherever it is shown (a tray host's own menu over D-Bus, or
// ours on a middle click): Open panel, Effects, Sound, Scenes (favourites first, then the
// built-in scenes, the ones on screen checked), Quit. Read afresh each time it is shown.
class TrayMenu final {
public:
    static constexpr int kOpenPanel = 1;
    static constexpr int kEffects = 2;
    static constexpr int kSound = 3;
    static constexpr int kScenes = 4;
    static constexpr int kSeparator = 5;
    static constexpr int kQuit = 6;
    // Scene n of the scene bar is kFirstScene + n.
    static constexpr int kFirstScene = 100;

    struct Actions {
        std::function<void()> openPanel;
        std::function<void()> quit;
    };

    TrayMenu(SettingsStore& settings, Actions actions);

    [[nodiscard]] std::vector<TrayMenuEntry> entries() const;
    // The entry with this id anywhere in the menu, or nothing.
    [[nodiscard]] std::optional<TrayMenuEntry> find(int id) const;
    // Does what the entry says; false for an id that names nothing one can click.
    bool trigger(int id);

private:
    [[nodiscard]] TrayMenuEntry scenes() const;

    SettingsStore& m_settings;
    Actions m_actions;
    SceneBarModel m_sceneBar;
};

} // namespace tavik
