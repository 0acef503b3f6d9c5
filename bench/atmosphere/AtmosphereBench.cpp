// Frame cost of whole scenes (simulation and actions, not drawing), creation cost, and how
// many nodes and particles a long storm holds.
#include "atmosphere/AtmosphereScene.h"

#include "settings/ScenePreset.h"
#include "settings/SettingsStore.h"
#include "sprite/DrawList.h"
#include "sprite/EmitterNode.h"
#include "sprite/LayeredRaster.h"
#include "sprite/RasterRenderer.h"

#include <benchmark/benchmark.h>

#include <functional>

using namespace tavik;

namespace {

struct Setup {
    MemoryKeyValueStore db;
    SettingsStore store{db};
    FixedDockGeometry dock{DockGeometry{"bench", DockGeometry::Orientation::bottom, QRectF(600, 0, 700, 90), 64, true}};
    double now = 1001;

    Setup(const char* preset, std::function<void(SettingsStore&)> tweak = {})
    {
        ScenePreset::preset(QString::fromLatin1(preset))->apply(store);
        if (tweak)
            tweak(store);
    }

    void run(AtmosphereScene& scene, double seconds)
    {
        const double end = now + seconds;
        while (now < end) {
            scene.advance(now);
            now += 1.0 / 60;
        }
    }
};

std::size_t countNodes(const sprite::Node& node)
{
    std::size_t count = 1;
    for (const auto& child : node.children())
        count += countNodes(*child);
    return count;
}

std::size_t countParticles(const sprite::Node& node)
{
    std::size_t count = 0;
    if (const auto* emitter = dynamic_cast<const sprite::EmitterNode*>(&node))
        count += emitter->particleCount();
    for (const auto& child : node.children())
        count += countParticles(*child);
    return count;
}

void frameStep(benchmark::State& state, const char* preset, QSizeF size, std::function<void(SettingsStore&)> tweak)
{
    Setup setup(preset, std::move(tweak));
    AtmosphereScene scene(size, setup.store, {true, 1}, setup.dock, 1, setup.now);
    setup.run(scene, 10); // warm: emitters full, splashes and flashes under way
    for (auto _ : state) {
        scene.advance(setup.now);
        setup.now += 1.0 / 60;
    }
    state.counters["nodes"] = static_cast<double>(countNodes(scene));
    state.counters["particles"] = static_cast<double>(countParticles(scene));
}

void BM_StormFrame4K(benchmark::State& state)
{
    frameStep(state, "storm", {3840, 2160}, [](SettingsStore& s) { s.setDropsPerSecond(120); });
}

void BM_RainyNightFrame1080(benchmark::State& state)
{
    frameStep(state, "rainy-night", {1920, 1080}, {});
}

// Every effect on at the top of its slider.
void everythingAtMaximum(SettingsStore& s)
{
    for (Setting flag : {Setting::starsEnabled, Setting::auroraEnabled, Setting::leavesEnabled, Setting::petalsEnabled,
                         Setting::firefliesEnabled, Setting::dustEnabled, Setting::sunRaysEnabled,
                         Setting::moonRaysEnabled, Setting::rainEnabled, Setting::snowEnabled,
                         Setting::cloudsEnabled, Setting::fogEnabled, Setting::thunderEnabled, Setting::windEnabled})
        s.setValue(flag, true);
    s.setStarDensity(100);
    s.setShootingStarFrequency(100);
    s.setAuroraIntensity(100);
    s.setLeafCount(40);
    s.setPetalCount(40);
    s.setFireflyCount(30);
    s.setDustDensity(100);
    s.setSunIntensity(100);
    s.setMoonIntensity(100);
    s.setDropsPerSecond(120);
    s.setSnowDensity(100);
    s.setCloudCount(20);
    s.setFogDensity(100);
}

void BM_EverythingFrame4K(benchmark::State& state)
{
    frameStep(state, "storm", {3840, 2160}, everythingAtMaximum);
}

// What the renderer gets for that scene: quads, and the draw calls a batching renderer needs
// (one per run of equal texture and blend mode in the sorted list).
void BM_EverythingDrawList4K(benchmark::State& state)
{
    Setup setup("storm", everythingAtMaximum);
    AtmosphereScene scene({3840, 2160}, setup.store, {true, 1}, setup.dock, 1, setup.now);
    setup.run(scene, 10);
    sprite::DrawList list;
    for (auto _ : state)
        list.build(scene);
    std::size_t calls = 0;
    const sprite::Texture* texture = nullptr;
    auto blend = sprite::BlendMode::Alpha;
    for (const sprite::Quad& quad : list.quads()) {
        if (calls == 0 || quad.texture != texture || quad.blend != blend)
            ++calls;
        texture = quad.texture;
        blend = quad.blend;
    }
    state.counters["quads"] = static_cast<double>(list.quads().size());
    state.counters["drawCalls"] = static_cast<double>(calls);
}

// A second of a scene at 60 frames/s drawn with QPainter: each frame stepped and drawn whole, or
// through the layered drawing the overlays use (slow parts kept as pictures, only changes drawn).
void rasterSecond(benchmark::State& state, const char* preset, std::function<void(SettingsStore&)> tweak, QSize size,
                  bool layered)
{
    Setup setup(preset, std::move(tweak));
    AtmosphereScene scene(size, setup.store, {true, 1}, setup.dock, 1, setup.now);
    setup.run(scene, 10);
    sprite::DrawList list;
    sprite::RasterRenderer renderer;
    sprite::LayeredRaster layers(renderer);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        for (int frame = 0; frame < 60; ++frame) {
            scene.advance(setup.now);
            list.build(scene);
            sprite::paintInOneThread([&] {
                if (layered) {
                    layers.draw(image, layers.prepare(list, image.size(), 1.0, setup.now));
                } else {
                    image.fill(Qt::transparent);
                    renderer.render(list, image, 1.0);
                }
            });
            setup.now += 1.0 / 60;
        }
    }
    state.counters["keptLayers"] = layers.keptLayers();
    state.counters["keptMB"] = double(layers.keptBytes()) / 1e6;
}

void BM_EverythingWhole1080(benchmark::State& state)
{
    rasterSecond(state, "storm", everythingAtMaximum, {1920, 1080}, false);
}
void BM_EverythingLayered1080(benchmark::State& state)
{
    rasterSecond(state, "storm", everythingAtMaximum, {1920, 1080}, true);
}
void BM_StormWhole4K(benchmark::State& state) { rasterSecond(state, "storm", {}, {3840, 2160}, false); }
void BM_StormLayered4K(benchmark::State& state) { rasterSecond(state, "storm", {}, {3840, 2160}, true); }

void BM_CreateScene1080Scale2(benchmark::State& state)
{
    Setup setup("storm");
    std::uint64_t seed = 1;
    for (auto _ : state) {
        AtmosphereScene scene({1920, 1080}, setup.store, {true, 2}, setup.dock, seed++, setup.now);
        benchmark::DoNotOptimize(scene.children().size());
    }
}

void BM_StormHour(benchmark::State& state)
{
    for (auto _ : state) {
        Setup setup("storm", [](SettingsStore& s) { s.setDropsPerSecond(120); });
        AtmosphereScene scene({1920, 1080}, setup.store, {true, 1}, setup.dock, 1, setup.now);
        std::size_t maxNodes = 0;
        std::size_t maxParticles = 0;
        for (int minute = 0; minute < 60; ++minute) {
            for (int second = 0; second < 60; ++second) {
                setup.run(scene, 1);
                maxNodes = std::max(maxNodes, countNodes(scene));
                maxParticles = std::max(maxParticles, countParticles(scene));
            }
        }
        state.counters["maxNodes"] = static_cast<double>(maxNodes);
        state.counters["maxParticles"] = static_cast<double>(maxParticles);
        state.counters["finalNodes"] = static_cast<double>(countNodes(scene));
    }
}

} // namespace

BENCHMARK(BM_StormFrame4K)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_RainyNightFrame1080)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_EverythingFrame4K)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly(true);
BENCHMARK(BM_EverythingDrawList4K)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EverythingWhole1080)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_EverythingLayered1080)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StormWhole4K)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_StormLayered4K)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_CreateScene1080Scale2)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_StormHour)->Unit(benchmark::kSecond)->Iterations(1);

BENCHMARK_MAIN();
