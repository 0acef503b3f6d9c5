#include "app/AppDelegate.h"

#include "app/AppIdentity.h"
#include "platform/Autostart.h"
#include "app/BatteryMonitor.h"
#include "cli/CommandLine.h"
#include "app/MediaControls.h"
#include "app/PanelHost.h"
#include "app/QuitSignals.h"
#include "app/Shutdown.h"
#include "app/StatusItem.h"
#include "overlay/OverlayController.h"
#include "platform/PowerSources.h"
#include "platform/ScreenLockMonitor.h"
#include "platform/SystemDockGeometry.h"
#include "settings/SettingsStore.h"
#include "sound/SoundscapeManager.h"
#include "ui/PanelContext.h"
#include "ui/PanelEnvironment.h"
#include "ui/ProgramControls.h"
#include "weather/Endpoints.h"
#include "weather/QtPositionSource.h"
#include "weather/WeatherService.h"
#include "platform/RectJson.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QLoggingCategory>
#include <QQuickView>
#include <QTimer>

Q_LOGGING_CATEGORY(lcApp, "tavik.app", QtWarningMsg)

namespace tavik {

namespace {

// A tray host often starts together with the session, after us: wait this long before deciding
// that there is none and the panel must open as a window.
constexpr int kTrayGraceMs = 2500;

std::unique_ptr<WeatherService> makeWeatherService(SettingsStore& settings)
{
    QStringList rejected;
    WeatherEndpoints endpoints = WeatherEndpoints::fromEnvironment(&rejected);
    if (!rejected.isEmpty())
        qCWarning(lcApp) << "ignoring service addresses that are not http(s) URLs:" << rejected;
    return std::make_unique<WeatherService>(settings, std::make_unique<QtPositionSource>(), std::move(endpoints));
}

// When effects are off, nothing is drawn at start; the panel and the sounds then wait this long.
constexpr int kWarmUpFallbackMs = 500;

// The panel draws with Qt Quick's software renderer. It is a small, mostly still view: QPainter
// shows it at once, where an OpenGL window of its own would first make a context and compile
// shaders (most of a second on a machine without a GPU) and hold on to more memory.
bool panelDrawsInSoftware()
{
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    return true;
}

} // namespace

AppDelegate::AppDelegate(SettingsStore& settings, QString settingsPath, QObject* parent)
    : QObject(parent)
    , m_settings(settings)
    , m_settingsPath(std::move(settingsPath))
    , m_weather(makeWeatherService(settings))
    , m_environment((panelDrawsInSoftware(), std::make_unique<PanelEnvironment>(settings, m_presenter, m_weather.get())))
    , m_panel(std::make_unique<PanelHost>(*m_environment, m_presenter))
{
}

// Members go in reverse: the overlays and the tray icon before the panel they point into.
AppDelegate::~AppDelegate() = default;

void AppDelegate::applicationDidFinishLaunching()
{
    if (m_launched)
        return;
    m_launched = true;
    setApplicationIdentity();
    setupShutdown();
    // Text fields of the panel already know the editing shortcuts; there is no menu to install.
    m_panel->wirePresenter();
    // The overlays come before the tray icon: their windows are what the user waits for, and
    // the icon showing a few milliseconds later goes unnoticed.
    startServices();
    setupStatusItem();
}

void AppDelegate::setupStatusItem()
{
    m_statusItem = std::make_unique<StatusItem>(m_settings, *m_panel);
    StatusItem* item = m_statusItem.get();
    connect(item, &StatusItem::quitRequested, this, &AppDelegate::quit);
    m_panel->setAnchor([item] { return item->geometry(); });
    if (!m_overlay->isCompositing())
        showCompositorState(false);
    m_statusItem->show();
    if (!m_statusItem->trayAvailable() && !m_background)
        QTimer::singleShot(kTrayGraceMs, this, &AppDelegate::openWindowWithoutTray);
}

void AppDelegate::openWindowWithoutTray()
{
    if (m_statusItem->trayAvailable() || m_panel->isPopoverShown() || m_panel->isWindowVisible())
        return;
    // Nothing to click: the panel is the only way in, so it opens where it can stay.
    m_presenter.setMode(PanelPresenter::Mode::window);
    m_panel->showWindow();
}

void AppDelegate::startServices()
{
    auto dock = std::make_unique<SystemDockGeometry>();
    SystemDockGeometry* systemDock = dock.get();
    m_dock = std::move(dock);
    m_overlay = std::make_unique<OverlayController>(m_settings, *m_dock);
    // A panel can appear after us (a session still starting) or move to another display.
    connect(systemDock, &SystemDockGeometry::changed, m_overlay.get(), &OverlayController::dockGeometryChanged);
    m_overlay->setLightningHandler([](double brightness) { SoundscapeManager::shared().lightningStruck(brightness); });
    m_overlay->start();
    connect(m_overlay.get(), &OverlayController::compositingChanged, this, &AppDelegate::showCompositorState);
    m_weather->start();

    // The panel's views, the sounds and the lock and power services take a few hundred
    // milliseconds to set up; the picture comes first, so they are made once it is on screen
    // (or shortly after start when effects are off and nothing is drawn).
    auto* warmUp = new QTimer(this);
    warmUp->setSingleShot(true);
    connect(warmUp, &QTimer::timeout, this, &AppDelegate::finishWarmUp);
    connect(m_overlay.get(), &OverlayController::firstFrameShown, warmUp, [warmUp] { warmUp->start(0); });
    warmUp->start(kWarmUpFallbackMs);
}

// Without a compositor the overlays stay hidden: the tray and the panel say why.
void AppDelegate::showCompositorState(bool compositing)
{
    if (m_statusItem)
        m_statusItem->setNeedsCompositor(!compositing);
    m_environment->context().setNeedsCompositor(!compositing);
}

void AppDelegate::observeScreenLock()
{
    m_screenLock = std::make_unique<ScreenLockMonitor>();
    connect(m_screenLock.get(), &ScreenLockMonitor::lockedChanged, this,
            [this](bool locked) { m_settings.setScreenLocked(locked); });
    m_screenLock->start();
}

void AppDelegate::startBatteryMonitor()
{
    m_power = makeSystemPowerSource();
    m_battery = std::make_unique<BatteryMonitor>(m_settings, *m_power);
    m_battery->start();
}

// Media keys and the desktop's sound menu reach the soundscape through the session bus.
void AppDelegate::startMediaControls()
{
    m_media = std::make_unique<MediaControls>(m_settings, SoundscapeManager::shared(), [this] { m_panel->openPanel(); },
                                              [this] { quit(); });
    m_media->start();
}

void AppDelegate::finishWarmUp()
{
    if (m_warmedUp)
        return;
    m_warmedUp = true;
    SoundscapeManager::shared().start();
    startMediaControls();
    // Both talk to D-Bus services, whose connections take a while to set up.
    observeScreenLock();
    startBatteryMonitor();
    m_panel->setupPopover();
}

// Everything the user sees goes at once, the sound fades, and the settings are written.
void AppDelegate::setupShutdown()
{
    Shutdown::Steps steps{
        [this] {
            m_panel->setAnchor([] { return QRect(); });
            for (QWindow* view : {static_cast<QWindow*>(m_panel->popover()), static_cast<QWindow*>(m_panel->window())}) {
                if (view)
                    view->hide();
            }
            // The tray menu may be what asked: the icon goes once that call is over.
            if (m_statusItem)
                m_statusItem.release()->deleteLater();
            m_overlay.reset();
        },
        [this] {
            if (m_warmedUp)
                SoundscapeManager::shared().fadeAway(kQuitFadeSeconds);
        },
        [this] { return !m_warmedUp || !SoundscapeManager::shared().isOutputOpen(); },
        [this] { return m_settings.defaults().sync(); },
    };
    m_shutdown = std::make_unique<Shutdown>(std::move(steps), [](int status) { QCoreApplication::exit(status); });
    m_quitSignals = std::make_unique<QuitSignals>();
    connect(m_quitSignals.get(), &QuitSignals::received, this, &AppDelegate::quit);
    m_quitSignals->install();
    m_environment->setProgramHooks({[] { return Autostart::forThisProgram().isOn(); },
                                    [](bool on) { return Autostart::forThisProgram().setOn(on); },
                                    [this] { quit(); }});
}

void AppDelegate::quit()
{
    if (m_shutdown)
        m_shutdown->request();
}

InstanceReply AppDelegate::handleCommand(const QStringList& args)
{
    InstanceReply reply;
    const QString command = args.value(0);
    if (m_shutdown && m_shutdown->isUnderway())
        return command == u"quit" ? reply : InstanceReply{kExitFailure, {}, QStringLiteral("tavik: Tavik is quitting\n")};
    if (command == u"quit" && args.size() == 1) {
        quit();
        return reply;
    }
    if (command == u"panel" && args.size() == 1) {
        m_panel->openPanel();
        return reply;
    }
    if (command == u"status" && args.size() == 1) {
        reply.out = QString::fromUtf8(QJsonDocument(status()).toJson(QJsonDocument::Indented));
        return reply;
    }
    if (!isSettingsCommand(command)) {
        reply.exitCode = kExitUsage;
        reply.err = QStringLiteral("tavik: the running program does not take \"%1\"\n").arg(args.join(u' '));
        return reply;
    }
    QTextStream out(&reply.out);
    QTextStream err(&reply.err);
    CommandContext context{m_settings, out, err, m_settingsPath};
    reply.exitCode = runSettingsCommand(args, context);
    out.flush();
    err.flush();
    return reply;
}

QJsonObject AppDelegate::status() const
{
    QJsonObject trayStatus{{QStringLiteral("available"), m_statusItem && m_statusItem->trayAvailable()}};
    if (m_statusItem) {
        trayStatus.insert(QStringLiteral("kind"), m_statusItem->trayKind());
        trayStatus.insert(QStringLiteral("geometry"), rectJson(m_statusItem->geometry()));
        trayStatus.insert(QStringLiteral("toolTip"), m_statusItem->toolTip());
    }
    return {{QStringLiteral("pid"), qint64(QCoreApplication::applicationPid())},
            {QStringLiteral("enabled"), m_settings.enabled()},
            {QStringLiteral("overlays"), m_overlay ? m_overlay->status() : QJsonObject()},
            {QStringLiteral("firstFrameMs"), m_overlay ? m_overlay->firstFrameMilliseconds() : -1.0},
            {QStringLiteral("tray"), trayStatus},
            {QStringLiteral("panel"), m_panel->status()}};
}

} // namespace tavik
