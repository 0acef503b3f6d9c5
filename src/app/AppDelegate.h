#pragma once

#include "ui/PanelPresenter.h"
#include "app/SingleInstance.h"

#include <QJsonObject>
#include <QObject>

#include <memory>

namespace tavik {

class BatteryMonitor;
class DockGeometryProvider;
class MediaControls;
class OverlayController;
class PanelEnvironment;
class PanelHost;
class PowerSource;
class QuitSignals;
class ScreenLockMonitor;
class Shutdown;
class SettingsStore;
class StatusItem;
class WeatherService;

// The desktop program: the tray icon, the settings panel and the long-lived services, started
// in a fixed order, and the answers to commands sent by a second `tavik`.
class AppDelegate final : public QObject {
    Q_OBJECT
public:
    // `settingsPath` is named in the messages of settings commands run here.
    AppDelegate(SettingsStore& settings, QString settingsPath, QObject* parent = nullptr);
    ~AppDelegate() override;

    // The start-up sequence; call once, with the application object running.
    void applicationDidFinishLaunching();
    // Started at login or by a script: the panel stays closed even without a tray to open it
    // from, until `tavik` or `tavik panel` asks for it. Before applicationDidFinishLaunching.
    void setStartsInBackground(bool background) { m_background = background; }

    // A command from a second `tavik`: "panel", "status" or any settings command, run against
    // the live store.
    [[nodiscard]] InstanceReply handleCommand(const QStringList& args);

    // {pid, overlays, firstFrameMs, tray, panel}: what `tavik status` prints.
    [[nodiscard]] QJsonObject status() const;

    [[nodiscard]] PanelHost& panel() const { return *m_panel; }

public slots:
    // Ends the program cleanly: what `tavik quit`, SIGTERM, SIGINT, the panel, the tray menu
    // and a sound menu all call.
    void quit();

private:
    void setupShutdown();
    void setupStatusItem();
    void openWindowWithoutTray();
    void startServices();
    void observeScreenLock();
    void startBatteryMonitor();
    void finishWarmUp();
    void showCompositorState(bool compositing);
    void startMediaControls();

    SettingsStore& m_settings;
    QString m_settingsPath;
    PanelPresenter m_presenter;
    std::unique_ptr<WeatherService> m_weather;
    std::unique_ptr<PanelEnvironment> m_environment;
    std::unique_ptr<PanelHost> m_panel;
    std::unique_ptr<StatusItem> m_statusItem;
    std::unique_ptr<DockGeometryProvider> m_dock;
    std::unique_ptr<OverlayController> m_overlay;
    std::unique_ptr<ScreenLockMonitor> m_screenLock;
    std::unique_ptr<PowerSource> m_power;
    std::unique_ptr<BatteryMonitor> m_battery; // after the source it reads
    std::unique_ptr<MediaControls> m_media; // last: it opens the panel
    std::unique_ptr<Shutdown> m_shutdown;
    std::unique_ptr<QuitSignals> m_quitSignals;
    bool m_background = false;
    bool m_launched = false;
    bool m_warmedUp = false;
};

} // namespace tavik
