// Start-up and steady costs of the soundscape: synthesis of every buffer (budget: under 250 ms
// on one core), mixing all five channels through the hall (budget: under 1 % of one core at
// 44.1 kHz) and the memory the buffers hold (about 22 MB).
#include "sound/SoundGraph.h"
#include "sound/Synthesis.h"

#include <benchmark/benchmark.h>

#include <vector>

using namespace tavik;

namespace {

void synthesizeEverything(benchmark::State& state)
{
    std::size_t bytes = 0;
    for (auto _ : state) {
        SoundBank bank = synthesizeSoundBank(42);
        bytes = bank.byteSize();
        benchmark::DoNotOptimize(bank.rain.left.data());
    }
    state.counters["buffer_MB"] = double(bytes) / 1e6;
}
BENCHMARK(synthesizeEverything)->Unit(benchmark::kMillisecond)->MinTime(2);

void synthesizeEach(benchmark::State& state)
{
    const auto which = state.range(0);
    for (auto _ : state) {
        AudioBuffer buffer;
        switch (which) {
        case 0: buffer = makeRainLoop(1); break;
        case 1: buffer = makeWindLoop(1); break;
        case 2: buffer = makeBirdsongLoop(); break;
        case 3: buffer = makeSeaLoop(1); break;
        default: buffer = makeThunder(int(which - 4), 1); break;
        }
        benchmark::DoNotOptimize(buffer.left.data());
    }
    static const char* names[] = {"rain", "wind", "birdsong", "sea", "thunder near", "thunder middle", "thunder far"};
    state.SetLabel(names[which]);
}
BENCHMARK(synthesizeEach)->DenseRange(0, 6)->Unit(benchmark::kMillisecond);

// One second of the full mix, in device-sized callbacks: every channel audible, a clap queued.
void mixOneSecond(benchmark::State& state)
{
    const auto callbackFrames = static_cast<std::size_t>(state.range(0));
    static const SoundBank bank = synthesizeSoundBank(7);
    SoundGraph graph;
    graph.setLoop(Channel::Rain, &bank.rain);
    graph.setLoop(Channel::Wind, &bank.wind);
    graph.setLoop(Channel::Birdsong, &bank.birdsong);
    graph.setLoop(Channel::Sea, &bank.sea);
    for (Channel channel : kChannels)
        graph.setGain(channel, 0.5f);
    std::vector<float> out(2 * callbackFrames);
    for (auto _ : state) {
        graph.enqueueOneShot(Channel::Thunder, &bank.thunder[0]);
        for (std::size_t done = 0; done < std::size_t(kSampleRate); done += callbackFrames)
            graph.render(out.data(), callbackFrames);
        benchmark::DoNotOptimize(out.data());
    }
    // Seconds of work per second of sound, in per cent of one core.
    state.counters["core_percent"] = benchmark::Counter(double(state.iterations()) / 100, benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(mixOneSecond)->Arg(512)->Arg(2048)->Unit(benchmark::kMillisecond)->MinTime(2);

} // namespace

BENCHMARK_MAIN();
