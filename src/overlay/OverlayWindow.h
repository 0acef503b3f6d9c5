#pragma once

#include "overlay/FrameClock.h"
#include "overlay/RendererChoice.h"

#include "sprite/Damage.h"
#include "sprite/DrawList.h"

#include <QWindow>

#include <functional>
#include <memory>

class QBackingStore;
class QOpenGLContext;

namespace tavik {

class PartialPresent;

namespace sprite {
class GlRenderer;
class LayeredRaster;
class RasterRenderer;
class Scene;
} // namespace sprite

// A borderless, transparent window over one whole display that never takes a click, a key or
// the focus. It is unmanaged (override-redirect), so no window manager frames it, it shows on
// every virtual desktop and never in a task switcher. It presents one scene: each frame of the
// clock advances the scene and draws it with OpenGL, or with QPainter when no OpenGL context
// can be made. Only what changed since the last frame is drawn and sent to the screen (OpenGL
// sends whole frames where it cannot present part of one), and a frame in which nothing
// changed costs no drawing at all. QPainter also keeps costly slow parts of the picture as
// pictures, drawn afresh only at the rate they need.
class OverlayWindow final : public QWindow, public FrameTarget {
    Q_OBJECT
public:
    enum class Level {
        aboveWindows, // over every ordinary window
        desktop,      // just above the desktop picture, below every ordinary window
    };
    using Renderer = RenderPath;

    explicit OverlayWindow(QScreen* screen);
    ~OverlayWindow() override;

    // The scene to draw, or none; the caller keeps it alive while it is presented.
    void present(sprite::Scene* scene);
    [[nodiscard]] sprite::Scene* scene() const { return m_scene; }

    void setLevel(Level level);
    [[nodiscard]] Level level() const { return m_level; }
    // Puts the window back in its place in the stacking order (after other windows moved).
    void restack();

    // Paused: the scene stands still and the window draws nothing and asks for no frames.
    void setViewPaused(bool paused);
    [[nodiscard]] bool isViewPaused() const { return m_paused; }

    void setFrameClock(FrameClock* clock);

    [[nodiscard]] Renderer renderer() const { return m_renderer; }
    [[nodiscard]] const QString& rendererReason() const { return m_rendererReason; }
    // Frames that changed the picture; frames with nothing to draw are not counted.
    [[nodiscard]] quint64 framesRendered() const { return m_frames; }
    // Slow parts of the picture QPainter keeps as pictures between their own frames.
    [[nodiscard]] int keptLayers() const;

    // The renderer new windows use and why: the machine's choice, or QPainter once OpenGL
    // has failed here.
    [[nodiscard]] static RendererChoice preferredRenderer();

    // Takes up the renderer preferredRenderer() names now (after the machine's check decided).
    void adoptPreferredRenderer();

    // Where the window learns the frame rate its scene needs; without one it wants the full rate.
    void setRateSource(std::function<double()> source) { m_rateSource = std::move(source); }

    bool wantsFrames() const override;
    void renderFrame(double now) override;
    [[nodiscard]] double wantedRate() const override;

signals:
    void frameShown();

protected:
    void exposeEvent(QExposeEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool renderWithOpenGl(const QRegion& damage);
    bool renderWithRaster(double now);
    void fallBackToRaster();
    void switchTo(Renderer renderer);
    void releaseOpenGl();

    sprite::Scene* m_scene = nullptr;
    FrameClock* m_clock = nullptr;
    std::function<double()> m_rateSource;
    Level m_level = Level::aboveWindows;
    Renderer m_renderer = Renderer::raster;
    QString m_rendererReason;
    bool m_paused = false;
    quint64 m_frames = 0;
    sprite::DrawList m_list;
    sprite::DamageTracker m_damage;
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<sprite::GlRenderer> m_gl;
    std::unique_ptr<PartialPresent> m_partialPresent;
    std::unique_ptr<QBackingStore> m_backingStore;
    std::unique_ptr<sprite::RasterRenderer> m_raster;
    std::unique_ptr<sprite::LayeredRaster> m_layers;
};

} // namespace tavik
