#include "BusyScene.h"

#include "sprite/DrawList.h"
#include "sprite/GlRenderer.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

#include <benchmark/benchmark.h>

#include <cstdio>

namespace tavik::bench {
namespace {

constexpr double kFrame = 1.0 / 60.0;

// The busy scene drawn at 1920 × 1080 into an offscreen framebuffer, waiting for the GPU
// (llvmpipe under Xvfb: the CPU) to finish each frame. Reported, not a budget; the draw
// calls per frame are what batching is judged by.
void GlFrame(benchmark::State& state)
{
    QSurfaceFormat format;
    format.setVersion(3, 3);
    format.setProfile(QSurfaceFormat::CoreProfile);
    QOpenGLContext context;
    context.setFormat(format);
    QOffscreenSurface surface;
    surface.setFormat(format);
    surface.create();
    if (!context.create() || !context.makeCurrent(&surface)) {
        state.SkipWithError("no OpenGL context (run under tests/with-xvfb)");
        return;
    }
    const QSize pixels(1920, 1080);
    QOpenGLFramebufferObject target(pixels);
    GlRenderer renderer;
    if (!target.bind() || !renderer.initialize()) {
        state.SkipWithError("could not set up the renderer");
        return;
    }
    BusyScene busy{QSizeF(pixels)};
    DrawList list;
    double t = busy.time;
    const bool advance = state.range(0) != 0;
    for (auto _ : state) {
        if (advance) {
            t += kFrame;
            busy.scene.advance(t);
        }
        list.build(busy.scene);
        renderer.render(list, pixels, 1.0);
        context.functions()->glFinish();
    }
    state.counters["draw_calls"] = renderer.lastDrawCalls();
    state.counters["quads"] = double(list.quads().size());
    state.SetLabel(reinterpret_cast<const char*>(context.functions()->glGetString(GL_RENDERER)));
    renderer.releaseResources();
}
BENCHMARK(GlFrame)->ArgName("advance")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace
} // namespace tavik::bench

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
