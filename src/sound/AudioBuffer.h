#pragma once

#include <cstddef>
#include <vector>

namespace tavik {

inline constexpr int kSampleRate = 44100;

// Two channels of 32-bit float samples at kSampleRate, kept apart as the mixer reads them.
// Made once at start and only read afterwards, from any thread.
struct AudioBuffer {
    std::vector<float> left;
    std::vector<float> right;

    [[nodiscard]] std::size_t frames() const { return left.size(); }
    [[nodiscard]] std::size_t byteSize() const { return (left.size() + right.size()) * sizeof(float); }
    [[nodiscard]] double seconds() const { return static_cast<double>(frames()) / kSampleRate; }
};

} // namespace tavik
