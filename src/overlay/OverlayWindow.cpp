#include "overlay/OverlayWindow.h"

#include "overlay/OverlayLog.h"
#include "overlay/PartialPresent.h"

#include "platform/CompositorHints.h"
#include "platform/X11Stacking.h"

#include "sprite/GlRenderer.h"
#include "sprite/LayeredRaster.h"
#include "sprite/RasterRenderer.h"
#include "sprite/Scene.h"

#include <QBackingStore>
#include <QExposeEvent>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QPainter>
#include <QPlatformSurfaceEvent>
#include <QScreen>

#include <optional>

namespace tavik {

namespace {

QSurfaceFormat overlayFormat()
{
    QSurfaceFormat format = QSurfaceFormat::defaultFormat();
    format.setAlphaBufferSize(8);
    format.setDepthBufferSize(0);
    format.setStencilBufferSize(0);
    // Never wait for the vertical blank: with one window per display, each swap waiting on
    // its own blank would halve the rate of every display. The frame clock sets the pace.
    format.setSwapInterval(0);
    return format;
}

// Whether OpenGL has worked here: unknown until the first window tries it. After one failure
// every new window draws with QPainter from the start.
std::optional<bool> g_openGlWorks;

// The backing store counts in device-independent pixels, the damage in the image's own.
QRegion logicalRegion(const QRegion& pixels, double scale)
{
    if (scale == 1.0)
        return pixels;
    QRegion logical;
    for (const QRect& rect : pixels) {
        const QRectF scaled(rect.x() / scale, rect.y() / scale, rect.width() / scale, rect.height() / scale);
        logical += scaled.toAlignedRect();
    }
    return logical;
}

} // namespace

RendererChoice OverlayWindow::preferredRenderer()
{
    if (g_openGlWorks == false)
        return {Renderer::raster, QStringLiteral("OpenGL drawing failed")};
    return machineRenderer();
}

OverlayWindow::OverlayWindow(QScreen* screen) : QWindow(screen)
{
    const RendererChoice choice = preferredRenderer();
    m_renderer = choice.path;
    m_rendererReason = choice.reason;
    // Unmanaged: a window manager would frame the window and let the frame catch clicks.
    setFlags(Qt::FramelessWindowHint | Qt::BypassWindowManagerHint | Qt::WindowTransparentForInput
             | Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    setFormat(overlayFormat());
    setSurfaceType(m_renderer == Renderer::openGl ? QSurface::OpenGLSurface : QSurface::RasterSurface);
    setTitle(QStringLiteral("Tavik overlay"));
    if (screen)
        setGeometry(screen->geometry());
}

OverlayWindow::~OverlayWindow()
{
    if (m_clock)
        m_clock->remove(this);
    releaseOpenGl();
}

void OverlayWindow::releaseOpenGl()
{
    if (!m_context)
        return;
    if (m_gl) {
        if (handle() && m_context->makeCurrent(this)) {
            m_gl->releaseResources();
        } else {
            QOffscreenSurface surface;
            surface.setFormat(m_context->format());
            surface.create();
            if (m_context->makeCurrent(&surface))
                m_gl->releaseResources();
        }
        m_gl.reset();
    }
    m_partialPresent.reset();
    m_context->doneCurrent();
    m_context.reset();
}

void OverlayWindow::present(sprite::Scene* scene)
{
    m_scene = scene;
    m_list.clear();
    if (m_scene)
        m_scene->setPaused(m_paused);
    if (m_clock)
        m_clock->update();
}

void OverlayWindow::setFrameClock(FrameClock* clock)
{
    if (m_clock == clock)
        return;
    if (m_clock)
        m_clock->remove(this);
    m_clock = clock;
    if (m_clock)
        m_clock->add(this);
}

void OverlayWindow::setLevel(Level level)
{
    if (level == m_level)
        return;
    m_level = level;
    restack();
}

void OverlayWindow::restack()
{
    if (!isVisible())
        return;
    // Unmanaged windows keep no level of their own: they go where they are put, so every
    // newly mapped or raised window makes the overlay take its place again.
    const bool placed = m_level == Level::aboveWindows ? x11::raiseToTop(winId()) : x11::stackAboveDesktop(winId());
    if (!placed && !x11::isAvailable()) {
        if (m_level == Level::aboveWindows)
            raise();
        else
            lower();
    }
}

void OverlayWindow::setViewPaused(bool paused)
{
    m_paused = paused;
    if (m_scene)
        m_scene->setPaused(paused);
    if (m_clock)
        m_clock->update();
}

double OverlayWindow::wantedRate() const
{
    return m_rateSource ? m_rateSource() : FrameTarget::wantedRate();
}

bool OverlayWindow::wantsFrames() const
{
    return m_scene && !m_paused && isVisible();
}

void OverlayWindow::exposeEvent(QExposeEvent* event)
{
    QWindow::exposeEvent(event);
    m_damage.invalidate();
    if (m_layers)
        m_layers->invalidate();
    if (isExposed() && m_clock)
        m_clock->update();
}

bool OverlayWindow::event(QEvent* event)
{
    // Every native window gets the hints before it is first mapped: a compositor reads them then.
    if (event->type() == QEvent::PlatformSurface
        && static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() == QPlatformSurfaceEvent::SurfaceCreated)
        x11::askForPlainCompositing(winId());
    return QWindow::event(event);
}

int OverlayWindow::keptLayers() const
{
    return m_layers ? m_layers->keptLayers() : 0;
}

void OverlayWindow::renderFrame(double now)
{
    if (!m_scene || m_paused || !isExposed())
        return;
    m_scene->advance(now);
    m_list.build(*m_scene);
    if (m_renderer == Renderer::openGl) {
        const QRegion damage = m_damage.next(m_list, size() * devicePixelRatio(), devicePixelRatio());
        if (damage.isEmpty())
            return;
        if (!renderWithOpenGl(damage))
            fallBackToRaster();
    }
    if (m_renderer == Renderer::raster && !renderWithRaster(now))
        return;
    ++m_frames;
    emit frameShown();
}

bool OverlayWindow::renderWithOpenGl(const QRegion& damage)
{
    if (!m_context) {
        m_context = std::make_unique<QOpenGLContext>();
        m_context->setFormat(format());
        m_context->setScreen(screen());
        if (!m_context->create())
            return false;
    }
    if (!m_context->makeCurrent(this))
        return false;
    if (!m_gl) {
        m_gl = std::make_unique<sprite::GlRenderer>();
        if (!m_gl->initialize())
            return false;
        g_openGlWorks = true;
        m_partialPresent = PartialPresent::find(*m_context);
        qCInfo(lcOverlay) << "OpenGL presents" << (m_partialPresent ? "the changed area only" : "whole frames");
    }
    const double scale = devicePixelRatio();
    const QSize pixels = size() * scale;
    if (m_partialPresent) {
        const QRect area = damage.boundingRect();
        m_gl->render(m_list, pixels, scale, area);
        m_partialPresent->present(winId(), area, pixels.height());
    } else {
        m_gl->render(m_list, pixels, scale);
        m_context->swapBuffers(this);
    }
    return true;
}

void OverlayWindow::fallBackToRaster()
{
    g_openGlWorks = false;
    qCWarning(lcOverlay) << "OpenGL drawing failed on" << (screen() ? screen()->name() : QString())
                         << "; drawing with QPainter from now on";
    m_rendererReason = preferredRenderer().reason;
    switchTo(Renderer::raster);
}

void OverlayWindow::adoptPreferredRenderer()
{
    const RendererChoice choice = preferredRenderer();
    m_rendererReason = choice.reason;
    if (choice.path != m_renderer)
        switchTo(choice.path);
}

void OverlayWindow::switchTo(Renderer renderer)
{
    releaseOpenGl();
    m_backingStore.reset();
    m_renderer = renderer;
    m_damage.invalidate();
    m_layers.reset();
    // The surface type is fixed when the native window is made: make it again.
    const bool wasVisible = isVisible();
    destroy();
    setSurfaceType(renderer == Renderer::openGl ? QSurface::OpenGLSurface : QSurface::RasterSurface);
    if (wasVisible) {
        show();
        restack();
    }
}

bool OverlayWindow::renderWithRaster(double now)
{
    if (!m_raster) {
        m_raster = std::make_unique<sprite::RasterRenderer>();
        m_layers = std::make_unique<sprite::LayeredRaster>(*m_raster);
    }
    if (!m_backingStore)
        m_backingStore = std::make_unique<QBackingStore>(this);
    const QSize area = size();
    if (area.isEmpty())
        return false;
    const double scale = devicePixelRatio();
    if (m_backingStore->size() != area) {
        // A resized store holds nothing worth keeping.
        m_backingStore->resize(area);
        m_layers->invalidate();
    }
    // Only a frame that keeps pictures paints while it plans (the pictures that are due); the
    // others would pay the pool's wake-ups for nothing.
    QRegion damage;
    auto prepare = [&] { damage = m_layers->prepare(m_list, area * scale, scale, now); };
    if (m_layers->keptLayers() > 0)
        sprite::paintInOneThread(prepare);
    else
        prepare();
    if (damage.isEmpty())
        return false;
    const QRegion region = logicalRegion(damage, scale);
    m_backingStore->beginPaint(region);
    auto* image = dynamic_cast<QImage*>(m_backingStore->paintDevice());
    if (image && image->format() == QImage::Format_ARGB32_Premultiplied) {
        sprite::paintInOneThread([&] { m_layers->draw(*image, damage); });
    } else if (QPaintDevice* device = m_backingStore->paintDevice()) {
        QImage picture(area * scale, QImage::Format_ARGB32_Premultiplied);
        m_layers->draw(picture, QRect(QPoint(0, 0), picture.size()));
        QPainter painter(device);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.setClipRegion(region);
        painter.drawImage(QRect(QPoint(0, 0), area), picture);
    }
    m_backingStore->endPaint();
    m_backingStore->flush(region);
    return true;
}

} // namespace tavik
