#pragma once

#include "app/TrayMenu.h"
#include "core/Signal.h"

#include <QObject>
#include <QPoint>
#include <QRect>
#include <QSystemTrayIcon>

#include <memory>
#include <optional>

class QMenu;

namespace tavik {

class DBusMenu;
class PanelHost;
class SettingsStore;
class StatusNotifierItem;

// The tray icon: the brand mark, windy exactly while effects are on, with the tooltip
// "Tavik (on)" or "Tavik (off)", or "Tavik (needs a compositor)" while effects are on but
// the desktop cannot show them.
//
// Where a StatusNotifierWatcher is on the session bus the icon is an item there: the host
// shows the tray menu itself, and a left click opens the panel where the host says it was.
// Otherwise it is Qt's X11 tray icon, whose clicks we get: a left click shows or hides the
// panel, a right click switches the effects on or off, a middle click opens the tray menu.
// Only one of the two is ever shown, and it follows the watcher coming and going.
class StatusItem final : public QObject {
    Q_OBJECT
public:
    StatusItem(SettingsStore& settings, PanelHost& panel, QObject* parent = nullptr);
    ~StatusItem() override;

    void show();
    // Whether the effects are on but cannot show for want of a compositor.
    void setNeedsCompositor(bool needs);
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

    [[nodiscard]] QString toolTip() const { return m_toolTip; }
    [[nodiscard]] bool showsWindyMark() const { return m_windy.value_or(false); }
    // Where the icon is on screen; empty where the tray does not tell.
    [[nodiscard]] QRect geometry() const;
    // Whether some tray shows the icon (or will once it appears, for the X11 tray).
    [[nodiscard]] bool trayAvailable() const;
    // "statusNotifier", "xembed", or "none" before show().
    [[nodiscard]] QString trayKind() const;
    // How often the icon's picture was replaced (repeated values of the switch replace nothing).
    [[nodiscard]] int imageUpdates() const { return m_imageUpdates; }
    [[nodiscard]] TrayMenu& menu() { return m_menu; }
    // The tray menu as a pop-up at `at` (the pointer when not given).
    void popUpMenu(std::optional<QPoint> at = std::nullopt);
    [[nodiscard]] QMenu* popupMenu() const { return m_popup.get(); }

signals:
    // Quit in the tray menu.
    void quitRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setWindy(bool windy);
    void updateToolTip();
    void chooseTray();
    void showXEmbedIcon();
    [[nodiscard]] bool usesStatusNotifier() const;

    SettingsStore& m_settings;
    PanelHost& m_panel;
    TrayMenu m_menu;
    std::unique_ptr<DBusMenu> m_dbusMenu;
    std::unique_ptr<StatusNotifierItem> m_statusNotifier;
    // Made only once it is needed: Qt decides for good, when it makes the first one, whether
    // its tray icons are X11 ones or items of its own on the bus, and we want X11 ones.
    std::unique_ptr<QSystemTrayIcon> m_icon;
    std::unique_ptr<QMenu> m_popup;
    std::optional<bool> m_windy;
    QString m_toolTip;
    bool m_needsCompositor = false;
    bool m_shown = false;
    int m_imageUpdates = 0;
    Subscription m_enabled;
    Subscription m_changes;
};

} // namespace tavik
