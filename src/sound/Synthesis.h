#pragma once

#include "sound/AudioBuffer.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace tavik {

// Every sound the soundscape plays, synthesised once: four seamless loops and three claps.
struct SoundBank {
    AudioBuffer rain;
    AudioBuffer wind;
    AudioBuffer birdsong;
    AudioBuffer sea;
    std::array<AudioBuffer, 3> thunder; // near, middle, far

    [[nodiscard]] std::size_t byteSize() const;
};

inline constexpr double kRainLoopSeconds = 12;
inline constexpr double kWindLoopSeconds = 16;
inline constexpr double kBirdsongLoopSeconds = 11;
inline constexpr double kSeaLoopSeconds = 12;
// How much longer than its body a loop is generated, to be folded over its start.
inline constexpr double kLoopOverlapSeconds = 0.15;

// The whole bank. The same seed gives the same samples; the noise of each buffer and of each of
// its channels comes from its own stream.
[[nodiscard]] SoundBank synthesizeSoundBank(std::uint64_t seed);

[[nodiscard]] AudioBuffer makeRainLoop(std::uint64_t seed);
[[nodiscard]] AudioBuffer makeWindLoop(std::uint64_t seed);
[[nodiscard]] AudioBuffer makeBirdsongLoop();
[[nodiscard]] AudioBuffer makeSeaLoop(std::uint64_t seed);
// Variant 0 is the near clap, 1 the middle one, 2 and above the far one.
[[nodiscard]] AudioBuffer makeThunder(int variant, std::uint64_t seed);

struct StereoFrame {
    float left = 0;
    float right = 0;
};

// A loop of the given length that can repeat without a click: the generator is asked for every
// frame i of n (body plus overlap), then the overlap is crossfaded into the first frames, so
// the last frame of the body runs on into frame 0 as it ran on into the overlap.
template <typename Generator>
[[nodiscard]] AudioBuffer makeSeamlessLoop(double seconds, Generator&& generate)
{
    const auto body = static_cast<std::size_t>(seconds * kSampleRate);
    const auto overlap = static_cast<std::size_t>(kLoopOverlapSeconds * kSampleRate);
    const std::size_t total = body + overlap;

    AudioBuffer buffer;
    buffer.left.resize(body);
    buffer.right.resize(body);
    std::vector<StereoFrame> tail(overlap);
    for (std::size_t i = 0; i < total; ++i) {
        const StereoFrame frame = generate(i, total);
        if (i < body) {
            buffer.left[i] = frame.left;
            buffer.right[i] = frame.right;
        } else {
            tail[i - body] = frame;
        }
    }
    for (std::size_t k = 0; k < overlap && k < body; ++k) {
        const float w = static_cast<float>(k) / static_cast<float>(overlap);
        buffer.left[k] = w * buffer.left[k] + (1 - w) * tail[k].left;
        buffer.right[k] = w * buffer.right[k] + (1 - w) * tail[k].right;
    }
    return buffer;
}

} // namespace tavik
