#pragma once

#include "core/Signal.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QScreen;
class QTimer;

namespace tavik {

class SettingsStore;
class DockGeometryProvider;
class FrameClock;
class OverlayWindow;
class AtmosphereScene;
class CloudUnderlayScene;
class CompositorWatch;
class FullscreenWatch;

// Keeps one overlay on every display the user has enabled: a transparent, click-through
// window holding that display's atmosphere, plus a cloud layer below ordinary windows while
// clouds float behind them. Re-applies settings to every scene after a short pause in
// changes, rebuilds when displays change, and hides everything while effects are off, the
// screen is locked or no compositor is there to make the windows transparent (they would
// black out the displays). A display with a fullscreen app in front has its overlay hidden;
// a game under GameMode hides them all.
class OverlayController final : public QObject {
    Q_OBJECT
public:
    OverlayController(SettingsStore& settings, const DockGeometryProvider& dock, QObject* parent = nullptr);
    ~OverlayController() override;

    // Subscribes and builds the overlays; later calls do nothing.
    void start();

    // Called once at the start of every lightning flash on any display, with its brightness.
    void setLightningHandler(std::function<void(double brightness)> handler);

    // For `tavik status` and the tests: every overlay with its window, visibility, renderer
    // and frame count, the frame rate, and when the first frame was shown.
    [[nodiscard]] QJsonObject status() const;
    [[nodiscard]] int overlayCount() const { return int(m_overlays.size()); }

    // The time from process start to the first frame on screen, or -1 before it.
    [[nodiscard]] double firstFrameMilliseconds() const { return m_firstFrameMs; }

    // False while the desktop has no compositor: the overlays then stay unmapped. True
    // before start.
    [[nodiscard]] bool isCompositing() const;

public slots:
    // The dock moved, appeared or went away: tell every scene whether its display holds it.
    void dockGeometryChanged();

signals:
    void firstFrameShown();
    void compositingChanged(bool compositing);

private:
    struct CloudUnderlay;
    struct DisplayOverlay;

    void subscribe();
    void scheduleSettingsApply();
    void applySettingsToScenes();
    [[nodiscard]] std::set<QString> enabledDisplayIds() const;
    void rebuildOverlays();
    std::unique_ptr<DisplayOverlay> makeOverlay(QScreen* screen, bool hostsDock, double scale);
    void reconcileUnderlays();
    std::unique_ptr<CloudUnderlay> makeCloudUnderlay(QScreen* screen);
    void applyRenderGating();
    void applyLevelsAndRates();
    void watchScreen(QScreen* screen);
    void screenRemoved(QScreen* screen);
    void rebuildSoon();
    void noteFrameShown();
    void restackAll();
    [[nodiscard]] QString hiddenReason() const;
    [[nodiscard]] QString hiddenReason(const DisplayOverlay& overlay) const;
    void notePausedEverywhere();

    SettingsStore& m_settings;
    const DockGeometryProvider& m_dock;
    std::map<QString, std::unique_ptr<DisplayOverlay>> m_overlays;
    Subscription m_willChange;
    QTimer* m_settingsDebounce = nullptr;
    std::unique_ptr<FrameClock> m_clock;
    QObject* m_stackingWatcher = nullptr;
    CompositorWatch* m_compositor = nullptr;
    FullscreenWatch* m_fullscreen = nullptr;
    std::function<void(double)> m_lightningHandler;
    bool m_isRunning = false;
    double m_firstFrameMs = -1;
};

} // namespace tavik
