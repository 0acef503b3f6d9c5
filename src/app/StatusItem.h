#pragma once

#include "core/Signal.h"

#include <QObject>
#include <QSystemTrayIcon>

#include <optional>

namespace tavik {

class PanelHost;
class SettingsStore;

// The tray icon: the brand mark, windy exactly while effects are on, with the tooltip
// "Tavik (on)" or "Tavik (off)", or "Tavik (needs a compositor)" while effects are on but
// the desktop cannot show them. A left click shows or hides the panel; a right click switches
// the effects on or off and never opens anything (there is no context menu).
class StatusItem final : public QObject {
    Q_OBJECT
public:
    StatusItem(SettingsStore& settings, PanelHost& panel, QObject* parent = nullptr);

    void show();
    // Whether the effects are on but cannot show for want of a compositor.
    void setNeedsCompositor(bool needs);
    void handleActivation(QSystemTrayIcon::ActivationReason reason);

    [[nodiscard]] QString toolTip() const { return m_icon.toolTip(); }
    [[nodiscard]] bool showsWindyMark() const { return m_windy.value_or(false); }
    // Where the icon is on screen; empty where the tray does not tell.
    [[nodiscard]] QRect geometry() const { return m_icon.geometry(); }
    [[nodiscard]] static bool trayAvailable() { return QSystemTrayIcon::isSystemTrayAvailable(); }
    // How often the icon's picture was replaced (repeated values of the switch replace nothing).
    [[nodiscard]] int imageUpdates() const { return m_imageUpdates; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setWindy(bool windy);
    void updateToolTip();

    SettingsStore& m_settings;
    PanelHost& m_panel;
    QSystemTrayIcon m_icon;
    std::optional<bool> m_windy;
    bool m_needsCompositor = false;
    int m_imageUpdates = 0;
    Subscription m_enabled;
};

} // namespace tavik
