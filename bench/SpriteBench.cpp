#include "BusyScene.h"

#include "sprite/Action.h"
#include "sprite/Blur.h"
#include "sprite/Damage.h"
#include "sprite/DrawList.h"

#include <QPainter>

#include <benchmark/benchmark.h>

#include <chrono>

namespace tavik::bench {
namespace {

constexpr double kFrame = 1.0 / 60.0;

// Budget: at most 15 ns per particle per step.
void EmitterAdvance(benchmark::State& state)
{
    const double population = double(state.range(0));
    Scene scene({1920, 1080});
    auto& emitter = scene.addChild(std::make_unique<EmitterNode>());
    emitter.setParticleTexture(Texture::white());
    emitter.setParticleBirthRate(population / 2.0);
    emitter.setParticleLifetime(2.0);
    emitter.setParticleLifetimeRange(0.2);
    emitter.setParticleSpeed(500);
    emitter.setParticleSpeedRange(100);
    emitter.setEmissionAngle(-1.5);
    emitter.setEmissionAngleRange(0.05);
    emitter.setParticlePositionRange({1920, 0});
    emitter.setXAcceleration(30);
    emitter.setYAcceleration(-200);
    emitter.setParticleAlphaSpeed(-0.1);
    emitter.setParticleScaleSpeed(-0.05);
    emitter.setParticleRotationSpeed(1.5);
    double t = 0;
    for (; t < 3.0; t += kFrame)
        scene.advance(t);

    double particles = 0;
    const auto start = std::chrono::steady_clock::now();
    for (auto _ : state) {
        t += kFrame;
        scene.advance(t);
        particles += double(emitter.particleCount());
    }
    const std::chrono::duration<double, std::nano> elapsed = std::chrono::steady_clock::now() - start;
    state.counters["live"] = double(emitter.particleCount());
    state.counters["ns_per_particle"] = particles > 0 ? elapsed.count() / particles : 0.0;
}
BENCHMARK(EmitterAdvance)->Arg(10000);

// Budget: under 0.5 ms per frame for 2,000 sprites and 5,000 particles.
void DrawListBuild(benchmark::State& state)
{
    BusyScene busy;
    DrawList list;
    for (auto _ : state) {
        list.build(busy.scene);
        benchmark::DoNotOptimize(list.quads().data());
    }
    state.counters["quads"] = double(list.quads().size());
    state.counters["particles"] = double(busy.particleCount());
}
BENCHMARK(DrawListBuild)->Unit(benchmark::kMicrosecond);

// Budget: under 0.3 ms per frame at 1920x1080 for the busy picture's 7,000 quads, a small share
// of what drawing only the changed area saves.
void DamageRegion(benchmark::State& state)
{
    BusyScene busy;
    DrawList list;
    list.build(busy.scene);
    QRegion region;
    for (auto _ : state) {
        region = coveredRegion(list, QSize(1920, 1080), 1.0);
        benchmark::DoNotOptimize(region.rectCount());
    }
    int area = 0;
    for (const QRect& rect : region)
        area += rect.width() * rect.height();
    state.counters["rects"] = double(region.rectCount());
    state.counters["screenShare"] = double(area) / (1920.0 * 1080.0);
}
BENCHMARK(DamageRegion)->Unit(benchmark::kMicrosecond);

// A whole frame of the busy scene: every sprite twinkling by action, every emitter live.
void SceneAdvance(benchmark::State& state)
{
    BusyScene busy;
    for (SpriteNode* sprite : busy.sprites)
        sprite->runAction(Action::repeatForever(Action::sequence(Action::fadeTo(0.2, 1.7, TimingMode::EaseInEaseOut),
                                                                 Action::fadeTo(1.0, 2.3, TimingMode::EaseInEaseOut))),
                          "twinkle");
    double t = busy.time;
    for (auto _ : state) {
        t += kFrame;
        busy.scene.advance(t);
    }
    state.counters["particles"] = double(busy.particleCount());
}
BENCHMARK(SceneAdvance)->Unit(benchmark::kMicrosecond);

// A cloud texture: 500 × 320 pixels, radius about 11.
void Blur500x320(benchmark::State& state)
{
    QImage image(500, 320, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        painter.setBrush(Qt::white);
        for (int i = 0; i < 18; ++i)
            painter.drawEllipse(QRectF(40 + i * 20, 80 + (i % 5) * 15, 120, 90));
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(gaussianBlur(image, 11.0).constBits());
}
BENCHMARK(Blur500x320)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tavik::bench

BENCHMARK_MAIN();
