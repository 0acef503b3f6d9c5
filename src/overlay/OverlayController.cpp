#include "overlay/OverlayController.h"

#include "overlay/FrameClock.h"
#include "overlay/OverlayLog.h"
#include "overlay/OverlayWindow.h"

#include "atmosphere/AtmosphereScene.h"
#include "core/Clock.h"
#include "atmosphere/CloudUnderlayScene.h"
#include "platform/CompositorWatch.h"
#include "platform/Displays.h"
#include "platform/FullscreenWatch.h"
#include "platform/ProcessClock.h"
#include "platform/RectJson.h"
#include "platform/SessionKind.h"
#include "platform/X11Stacking.h"
#include "settings/SettingsStore.h"

#include <QCursor>
#include <QGuiApplication>
#include <QJsonArray>
#include <QRandomGenerator>
#include <QScreen>
#include <QTimer>

#include <cmath>

namespace tavik {

Q_LOGGING_CATEGORY(lcOverlay, "tavik.overlay", QtWarningMsg)

namespace {

constexpr int kSettingsDebounceMs = 80;

// What `tavik status` says of an overlay that steps aside for what is in front of it.
constexpr const char* kFullscreenReason = "a fullscreen app is in front";
constexpr const char* kGameReason = "a game is running";

// The frame rate every view runs at: the nearest whole number to the effective maximum
// (halves away from zero), at least one. A damaged stored value falls back to 60.
int framesPerSecondFor(double effectiveMaxFPS)
{
    if (!std::isfinite(effectiveMaxFPS))
        return 60;
    return int(std::clamp(std::round(effectiveMaxFPS), 1.0, 240.0));
}

// Where the pointer is on a display, in its scene's coordinates (y up), if it is there.
std::optional<QPointF> pointerOn(const QScreen* screen)
{
    const QRect frame = screen->geometry();
    const QPoint global = QCursor::pos(const_cast<QScreen*>(screen));
    if (!frame.contains(global))
        return std::nullopt;
    return QPointF(global.x() - frame.x(), frame.height() - (global.y() - frame.y()));
}

QJsonObject windowStatus(const OverlayWindow& window)
{
    return {
        {QStringLiteral("windowId"), QString::number(window.winId())},
        {QStringLiteral("visible"), window.isVisible()},
        {QStringLiteral("paused"), window.isViewPaused()},
        {QStringLiteral("renderer"), window.renderer() == OverlayWindow::Renderer::openGl ? QStringLiteral("opengl")
                                                                                            : QStringLiteral("raster")},
        {QStringLiteral("rendererReason"), window.rendererReason()},
        {QStringLiteral("level"), window.level() == OverlayWindow::Level::aboveWindows ? QStringLiteral("aboveWindows")
                                                                                        : QStringLiteral("desktop")},
        {QStringLiteral("frames"), double(window.framesRendered())},
        {QStringLiteral("keptLayers"), window.keptLayers()},
        {QStringLiteral("geometry"), rectJson(window.geometry())},
    };
}

} // namespace

struct OverlayController::CloudUnderlay {
    std::unique_ptr<CloudUnderlayScene> scene;
    std::unique_ptr<OverlayWindow> window; // declared after the scene, so it goes first

    ~CloudUnderlay()
    {
        window->present(nullptr);
        window->hide();
    }
};

struct OverlayController::DisplayOverlay {
    QScreen* screen = nullptr;
    QString name;
    std::unique_ptr<AtmosphereScene> scene;
    std::unique_ptr<OverlayWindow> window;
    std::unique_ptr<CloudUnderlay> underlay;

    ~DisplayOverlay()
    {
        underlay.reset();
        window->present(nullptr);
        window->hide();
    }
};

OverlayController::OverlayController(SettingsStore& settings, const DockGeometryProvider& dock, QObject* parent)
    : QObject(parent), m_settings(settings), m_dock(dock), m_clock(std::make_unique<FrameClock>())
{
}

OverlayController::~OverlayController()
{
    m_overlays.clear();
}

void OverlayController::start()
{
    if (m_isRunning)
        return;
    m_isRunning = true;
    subscribe();
    rebuildOverlays();
    // Whether OpenGL is worth it here is asked aside, once the picture is up.
    connect(this, &OverlayController::firstFrameShown, this, [this] {
        checkRendererAside(this, [this] {
            for (auto& [id, overlay] : m_overlays) {
                overlay->window->adoptPreferredRenderer();
                if (overlay->underlay)
                    overlay->underlay->window->adoptPreferredRenderer();
            }
        });
    }, Qt::SingleShotConnection);
}

void OverlayController::setLightningHandler(std::function<void(double)> handler)
{
    m_lightningHandler = std::move(handler);
    for (auto& [id, overlay] : m_overlays)
        overlay->scene->setLightningHandler(m_lightningHandler);
}

void OverlayController::subscribe()
{
    m_settingsDebounce = new QTimer(this);
    m_settingsDebounce->setSingleShot(true);
    m_settingsDebounce->setInterval(kSettingsDebounceMs);
    connect(m_settingsDebounce, &QTimer::timeout, this, &OverlayController::applySettingsToScenes);
    m_willChange = m_settings.onWillChange([this](Setting) { scheduleSettingsApply(); });

    // Display changes rebuild at once. The rebuild runs from the event loop, after Qt has
    // finished updating its list of screens.
    auto* app = qGuiApp;
    connect(app, &QGuiApplication::screenAdded, this, [this](QScreen* screen) {
        watchScreen(screen);
        rebuildSoon();
    });
    connect(app, &QGuiApplication::screenRemoved, this, &OverlayController::screenRemoved);
    connect(app, &QGuiApplication::primaryScreenChanged, this, &OverlayController::rebuildSoon);
    for (QScreen* screen : QGuiApplication::screens())
        watchScreen(screen);

    m_compositor = new CompositorWatch(this);
    connect(m_compositor, &CompositorWatch::compositingChanged, this, [this](bool compositing) {
        applyRenderGating();
        emit compositingChanged(compositing);
    });

    m_fullscreen = new FullscreenWatch(this);
    connect(m_fullscreen, &FullscreenWatch::changed, this, &OverlayController::applyRenderGating);

    if (x11::isAvailable()) {
        auto* watcher = new x11::StackingWatcher(this);
        connect(watcher, &x11::StackingWatcher::stackingChanged, this, &OverlayController::restackAll);
        m_stackingWatcher = watcher;
    }
}

void OverlayController::restackAll()
{
    for (auto& [id, overlay] : m_overlays) {
        if (overlay->underlay)
            overlay->underlay->window->restack();
        overlay->window->restack();
    }
}

void OverlayController::watchScreen(QScreen* screen)
{
    connect(screen, &QScreen::geometryChanged, this, &OverlayController::rebuildSoon);
    connect(screen, &QScreen::physicalDotsPerInchChanged, this, &OverlayController::rebuildSoon);
    connect(screen, &QScreen::logicalDotsPerInchChanged, this, &OverlayController::rebuildSoon);
}

void OverlayController::screenRemoved(QScreen* screen)
{
    // Qt deletes the screen as soon as its removal has been announced, and a frame may be
    // drawn before the rebuild runs: nothing may point at it by then.
    std::erase_if(m_overlays, [screen](const auto& entry) { return entry.second->screen == screen; });
    rebuildSoon();
}

void OverlayController::rebuildSoon()
{
    QTimer::singleShot(0, this, &OverlayController::rebuildOverlays);
}

void OverlayController::scheduleSettingsApply()
{
    // Restarting the timer drops the pending apply: a burst of changes leads to one apply,
    // a debounce interval after the last of them.
    m_settingsDebounce->start();
}

std::set<QString> OverlayController::enabledDisplayIds() const
{
    const MonitorMap& switches = m_settings.monitorEnabled();
    std::set<QString> ids;
    for (const DisplayInfo& display : Displays::connected()) {
        const auto found = switches.find(display.id);
        if (found == switches.end() || found->second)
            ids.insert(display.id);
    }
    return ids;
}

void OverlayController::applySettingsToScenes()
{
    std::set<QString> current;
    for (const auto& [id, overlay] : m_overlays)
        current.insert(id);
    if (enabledDisplayIds() != current) {
        rebuildOverlays();
        return;
    }
    reconcileUnderlays();
    applyLevelsAndRates();
    applyRenderGating();
}

void OverlayController::applyLevelsAndRates()
{
    const bool above = m_settings.floatsAboveWindows() || !desktopLevelWorks(currentSessionKind());
    const auto level = above ? OverlayWindow::Level::aboveWindows : OverlayWindow::Level::desktop;
    m_clock->setFramesPerSecond(framesPerSecondFor(m_settings.effectiveMaxFPS()));
    for (auto& [id, overlay] : m_overlays) {
        overlay->window->setLevel(level);
        overlay->scene->applySettings();
    }
}

void OverlayController::rebuildOverlays()
{
    const QList<DisplayInfo> displays = Displays::connected();
    const std::optional<DockGeometry> dock = m_dock.currentGeometry();
    if (MonitorMap carried = m_settings.monitorEnabled(); Displays::carryOverFormerIds(carried, displays))
        m_settings.setMonitorEnabled(std::move(carried));
    const MonitorMap& switches = m_settings.monitorEnabled();

    std::map<QString, DisplayInfo> wanted;
    for (const DisplayInfo& display : displays) {
        const auto found = switches.find(display.id);
        if (found == switches.end() || found->second)
            wanted.emplace(display.id, display);
    }

    // A display whose screen object changed (unplugged and plugged again between two
    // rebuilds) starts afresh, since its window belongs to the old screen.
    for (auto it = m_overlays.begin(); it != m_overlays.end();) {
        const auto keep = wanted.find(it->first);
        if (keep == wanted.end() || keep->second.screen != it->second->screen)
            it = m_overlays.erase(it);
        else
            ++it;
    }

    for (const auto& [id, display] : wanted) {
        QScreen* screen = display.screen;
        const bool hostsDock = dock && dock->screenId == id;
        const double scale = screen->devicePixelRatio();
        const ScreenRenderInfo info{hostsDock, scale};
        if (const auto existing = m_overlays.find(id); existing != m_overlays.end()) {
            DisplayOverlay& overlay = *existing->second;
            overlay.name = display.name;
            overlay.window->setGeometry(screen->geometry());
            overlay.scene->setSize(screen->geometry().size());
            overlay.scene->setInfo(info);
        } else {
            auto overlay = makeOverlay(screen, hostsDock, scale);
            overlay->name = display.name;
            m_overlays.emplace(id, std::move(overlay));
        }
    }

    reconcileUnderlays();
    applyLevelsAndRates();
    applyRenderGating();
}

void OverlayController::dockGeometryChanged()
{
    const std::optional<DockGeometry> dock = m_dock.currentGeometry();
    for (auto& [id, overlay] : m_overlays) {
        ScreenRenderInfo info = overlay->scene->info();
        const bool hostsDock = dock && dock->screenId == id;
        info.hostsDock = hostsDock;
        overlay->scene->setInfo(info);
        overlay->scene->applySettings();
    }
}

std::unique_ptr<OverlayController::DisplayOverlay> OverlayController::makeOverlay(QScreen* screen, bool hostsDock,
                                                                                  double scale)
{
    auto overlay = std::make_unique<DisplayOverlay>();
    overlay->screen = screen;
    overlay->window = std::make_unique<OverlayWindow>(screen);
    overlay->scene = std::make_unique<AtmosphereScene>(QSizeF(screen->geometry().size()), m_settings,
                                                       ScreenRenderInfo{hostsDock, scale}, m_dock,
                                                       std::uint64_t(QRandomGenerator::global()->generate64()),
                                                       Clock::now());
    overlay->scene->setPointerSource([screen] { return pointerOn(screen); });
    if (m_lightningHandler)
        overlay->scene->setLightningHandler(m_lightningHandler);
    overlay->window->present(overlay->scene.get());
    overlay->window->setRateSource([scene = overlay->scene.get()] { return scene->wantedRate(); });
    overlay->window->setFrameClock(m_clock.get());
    connect(overlay->window.get(), &OverlayWindow::frameShown, this, &OverlayController::noteFrameShown);
    return overlay;
}

void OverlayController::reconcileUnderlays()
{
    // Clouds behind windows need the desktop level, so without it they stay in the scene.
    const bool wantUnderlay = m_settings.floatsAboveWindows() && m_settings.cloudFloatBehind()
        && desktopLevelWorks(currentSessionKind());
    for (auto& [id, overlay] : m_overlays) {
        overlay->scene->setCloudsSuppressed(wantUnderlay);
        if (!wantUnderlay) {
            overlay->underlay.reset();
        } else if (overlay->underlay) {
            const QRect frame = overlay->screen->geometry();
            overlay->underlay->window->setGeometry(frame);
            overlay->underlay->scene->setSize(frame.size());
            overlay->underlay->scene->applySettings();
        } else {
            overlay->underlay = makeCloudUnderlay(overlay->screen);
        }
    }
}

std::unique_ptr<OverlayController::CloudUnderlay> OverlayController::makeCloudUnderlay(QScreen* screen)
{
    auto underlay = std::make_unique<CloudUnderlay>();
    underlay->scene = std::make_unique<CloudUnderlayScene>(QSizeF(screen->geometry().size()), m_settings,
                                                           screen->devicePixelRatio(),
                                                           std::uint64_t(QRandomGenerator::global()->generate64()));
    underlay->window = std::make_unique<OverlayWindow>(screen);
    underlay->window->present(underlay->scene.get());
    underlay->window->setRateSource([scene = underlay->scene.get()] {
        return scene->isRenderingEnabled() ? scene->clouds().wantedRate() : 0.0;
    });
    underlay->window->setFrameClock(m_clock.get());
    underlay->window->setLevel(OverlayWindow::Level::desktop);
    underlay->scene->applySettings();
    return underlay;
}

bool OverlayController::isCompositing() const
{
    return m_compositor == nullptr || m_compositor->isCompositing();
}

// Why the overlays are not on screen, or empty while they are.
QString OverlayController::hiddenReason() const
{
    if (!m_settings.enabled())
        return QStringLiteral("effects are off");
    if (m_settings.screenLocked())
        return QStringLiteral("the screen is locked");
    if (!isCompositing())
        return QStringLiteral("needs a compositor: nothing owns %1, so transparent windows would show black")
            .arg(m_compositor->selectionName());
    return {};
}

// Why one overlay is not on screen: the reasons for all of them, or what is in front of it.
QString OverlayController::hiddenReason(const DisplayOverlay& overlay) const
{
    if (QString reason = hiddenReason(); !reason.isEmpty())
        return reason;
    if (m_fullscreen == nullptr || !m_settings.pauseWhenFullscreen())
        return {};
    if (m_fullscreen->gameRunning())
        return QString::fromLatin1(kGameReason);
    if (m_fullscreen->isFullscreen(overlay.screen))
        return QString::fromLatin1(kFullscreenReason);
    return {};
}

// The soundscape goes quiet only when no display is left with a scene to go with it.
void OverlayController::notePausedEverywhere()
{
    const bool everywhere = !m_overlays.empty() && std::all_of(m_overlays.begin(), m_overlays.end(), [this](const auto& entry) {
        const QString reason = hiddenReason(*entry.second);
        return reason == QLatin1String(kGameReason) || reason == QLatin1String(kFullscreenReason);
    });
    const bool paused = everywhere || (m_fullscreen != nullptr && m_settings.pauseWhenFullscreen() && m_fullscreen->gameRunning());
    if (paused != m_settings.allDisplaysPaused())
        m_settings.setAllDisplaysPaused(paused);
}

void OverlayController::applyRenderGating()
{
    auto gate = [](OverlayWindow& window, bool allowed) {
        if (allowed) {
            if (!window.isVisible()) {
                window.show();
                window.restack();
            }
            window.setViewPaused(false);
        } else {
            window.hide();
            window.setViewPaused(true);
        }
    };
    for (auto& [id, overlay] : m_overlays) {
        const bool allowed = hiddenReason(*overlay).isEmpty();
        gate(*overlay->window, allowed);
        if (overlay->underlay)
            gate(*overlay->underlay->window, allowed);
    }
    m_clock->update();
    notePausedEverywhere();
}

void OverlayController::noteFrameShown()
{
    if (m_firstFrameMs >= 0)
        return;
    m_firstFrameMs = processAgeMilliseconds();
    qCInfo(lcOverlay) << "first frame" << m_firstFrameMs << "ms after the process started";
    emit firstFrameShown();
}

QJsonObject OverlayController::status() const
{
    QJsonArray overlays;
    for (const auto& [id, overlay] : m_overlays) {
        QJsonObject entry = windowStatus(*overlay->window);
        entry.insert(QStringLiteral("id"), id);
        entry.insert(QStringLiteral("name"), overlay->name);
        entry.insert(QStringLiteral("hostsDock"), overlay->scene->info().hostsDock);
        entry.insert(QStringLiteral("hiddenBecause"), hiddenReason(*overlay));
        if (overlay->underlay)
            entry.insert(QStringLiteral("underlay"), windowStatus(*overlay->underlay->window));
        overlays.append(entry);
    }
    return {
        {QStringLiteral("running"), m_isRunning},
        {QStringLiteral("renderer"), overlays.isEmpty() ? QJsonValue() : overlays.first()[QStringLiteral("renderer")]},
        {QStringLiteral("rendererReason"), overlays.isEmpty() ? QJsonValue() : overlays.first()[QStringLiteral("rendererReason")]},
        {QStringLiteral("framesPerSecond"), m_clock->framesPerSecond()},
        {QStringLiteral("frameRate"), m_clock->currentRate()},
        {QStringLiteral("frameRateNeeded"), m_clock->neededRate()},
        {QStringLiteral("frameRateCap"), m_clock->overrunCap()},
        {QStringLiteral("clockTicking"), m_clock->isTicking()},
        {QStringLiteral("firstFrameMs"), m_firstFrameMs},
        {QStringLiteral("compositing"), isCompositing()},
        {QStringLiteral("hiddenBecause"), hiddenReason()},
        {QStringLiteral("overlays"), overlays},
    };
}

} // namespace tavik
