#include "effects/CloudSimulation.h"

#include "settings/KeyValueStore.h"
#include "settings/SettingsStore.h"
#include "sprite/Random.h"

#include <benchmark/benchmark.h>

namespace tavik::bench {
namespace {

// One cloud texture at a backing scale (state.range(0) is the scale). Six are drawn when a
// scene is created, which must take well under 150 ms at 1920 × 1080 and scale 2.
void CloudImage(benchmark::State& state)
{
    const double scale = double(state.range(0));
    sprite::Random random(1);
    for (auto _ : state) {
        QImage image = CloudSimulation::makeCloudImage(random, scale);
        benchmark::DoNotOptimize(image);
    }
}
BENCHMARK(CloudImage)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The whole simulation as a scene builds it: six textures, then the clouds.
void CloudSimulationCreate(benchmark::State& state)
{
    const double scale = double(state.range(0));
    MemoryKeyValueStore defaults;
    SettingsStore settings(defaults);
    settings.setCloudsEnabled(true);
    settings.setCloudCount(20);
    sprite::Random random(1);
    NoDockGeometry dock;
    const EffectContext context{random, dock, scale};
    for (auto _ : state) {
        CloudSimulation clouds({1920, 1080}, settings, context);
        benchmark::DoNotOptimize(clouds.clouds().data());
    }
}
BENCHMARK(CloudSimulationCreate)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// Steady-state drift of twenty clouds: one frame.
void CloudUpdate(benchmark::State& state)
{
    MemoryKeyValueStore defaults;
    SettingsStore settings(defaults);
    settings.setCloudsEnabled(true);
    settings.setCloudCount(20);
    sprite::Random random(1);
    NoDockGeometry dock;
    const EffectContext context{random, dock, 1};
    CloudSimulation clouds({1920, 1080}, settings, context);
    WindSample wind;
    wind.velocity.dx = 40;
    for (auto _ : state)
        clouds.step(Frame{0, 1.0 / 60, wind, std::nullopt});
}
BENCHMARK(CloudUpdate);

} // namespace
} // namespace tavik::bench

BENCHMARK_MAIN();
