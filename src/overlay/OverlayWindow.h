#pragma once

#include "overlay/FrameClock.h"

#include "sprite/DrawList.h"

#include <QWindow>

#include <memory>

class QBackingStore;
class QOpenGLContext;

namespace tavik {

namespace sprite {
class GlRenderer;
class RasterRenderer;
class Scene;
} // namespace sprite

// A borderless, transparent window over one whole display that never takes a click, a key or
// the focus. It is unmanaged (override-redirect), so no window manager frames it, it shows on
// every virtual desktop and never in a task switcher. It presents one scene: each frame of the
// clock advances the scene and draws it with OpenGL, or with QPainter when no OpenGL context
// can be made.
class OverlayWindow final : public QWindow, public FrameTarget {
    Q_OBJECT
public:
    enum class Level {
        aboveWindows, // over every ordinary window
        desktop,      // just above the desktop picture, below every ordinary window
    };
    enum class Renderer { openGl, raster };

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
    [[nodiscard]] quint64 framesRendered() const { return m_frames; }

    // The renderer new windows use: OpenGL unless it has failed here before or
    // TAVIK_RENDERER=raster asks otherwise.
    [[nodiscard]] static Renderer preferredRenderer();

    bool wantsFrames() const override;
    void renderFrame(double now) override;

signals:
    void frameShown();

protected:
    void exposeEvent(QExposeEvent* event) override;
    bool event(QEvent* event) override;

private:
    bool renderWithOpenGl();
    void renderWithRaster();
    void fallBackToRaster();
    void releaseOpenGl();

    sprite::Scene* m_scene = nullptr;
    FrameClock* m_clock = nullptr;
    Level m_level = Level::aboveWindows;
    Renderer m_renderer;
    bool m_paused = false;
    quint64 m_frames = 0;
    sprite::DrawList m_list;
    std::unique_ptr<QOpenGLContext> m_context;
    std::unique_ptr<sprite::GlRenderer> m_gl;
    std::unique_ptr<QBackingStore> m_backingStore;
    std::unique_ptr<sprite::RasterRenderer> m_raster;
};

} // namespace tavik
